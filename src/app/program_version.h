#pragma once

namespace varnimo {

// The version this program reports to the user and compares with the update server's.
constexpr double ProgramVersion = 0.301;

}  // namespace varnimo
