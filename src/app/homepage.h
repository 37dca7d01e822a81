#pragma once

namespace varnimo::app {

// The program's homepage, opened from the About dialog and the Update Checker's download
// link. Fixed at build time.
inline constexpr const char* kHomepageAddress = "http://www.varnimo.example/";

}  // namespace varnimo::app
