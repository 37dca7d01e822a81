#pragma once

namespace varnimo::cli {

// The exit statuses of every command.
inline constexpr int kCompleted = 0;
inline constexpr int kFailed = 1;  // start-up ended early, or the command showed an error
inline constexpr int kUsage = 2;

}  // namespace varnimo::cli
