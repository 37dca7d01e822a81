#include "cli/screenshot_check.h"

#include "screenshot/screenshot_decoder.h"

namespace varnimo::cli {

void CheckScreenshot(const std::string& path) {
    LoadScreenshot(path);
}

}  // namespace varnimo::cli
