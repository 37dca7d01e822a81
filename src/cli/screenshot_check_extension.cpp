#include "cli/screenshot_check.h"

#include "rtl/image_format.h"

namespace varnimo::cli {

// Without an image decoder only a name that names no picture format can be refused.
void CheckScreenshot(const std::string& path) {
    rtl::ImageFormatOf(path);
}

}  // namespace varnimo::cli
