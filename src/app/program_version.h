#pragma once

namespace varnimo::app {

// The version this program reports to the user and compares with the update server's.
inline constexpr double kProgramVersion = 0.301;

}  // namespace varnimo::app
