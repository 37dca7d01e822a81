#pragma once

namespace varnimo {

// The program's homepage, opened from the About dialog and the Update Checker's download
// link. Fixed at build time.
inline constexpr const char* HomepageAddress = "http://www.varnimo.example/";

}  // namespace varnimo
