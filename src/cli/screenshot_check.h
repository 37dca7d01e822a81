#pragma once
// What the terminal does in place of showing a screenshot: it draws nothing, but a file the
// window would refuse to show must be refused here too, with the window's error.

#include <string>

namespace varnimo::cli {

// Throws the runtime error (rtl::ImageError, rtl::InOutError) the window raises when it
// loads the screenshot at `path`. Built with Qt, the file is decoded by the window's own
// decoder; a build without Qt checks the extension only.
void CheckScreenshot(const std::string& path);

// How this build checks screenshots, for the help text.
const char* ScreenshotCheckNote();

}  // namespace varnimo::cli
