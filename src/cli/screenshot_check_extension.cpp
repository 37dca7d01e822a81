#include "cli/screenshot_check.h"

#include "rtl/image_format.h"

namespace varnimo::cli {

// Without an image decoder only a name that names no picture format can be refused.
void CheckScreenshot(const std::string& path) {
    rtl::ImageFormatOf(path);
}

const char* ScreenshotCheckNote() {
    return "This build has no Qt (the Windows build among them): a screenshot is checked by its\n"
           "extension only, not decoded as the window decodes it.\n";
}

}  // namespace varnimo::cli
