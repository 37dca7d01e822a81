#include "cli/screenshot_check.h"

#include "screenshot/screenshot_decoder.h"

namespace varnimo::cli {

void CheckScreenshot(const std::string& path) {
    LoadScreenshot(path);
}

const char* ScreenshotCheckNote() {
    return "Screenshots are decoded as the window decodes them.\n";
}

}  // namespace varnimo::cli
