#include <cstdio>
#include <string>

#include "cli/decoder_module/screenshot_decoder_module.h"
#include "cli/screenshot_check.h"
#include "rtl/image_format.h"
#include "rtl/process.h"
#include "rtl/runtime_error.h"

namespace varnimo::cli {
namespace {

// The module's check function, loaded on first use: installed, the module lies in the
// program's library folder; in a build tree, beside the program. Null when neither loads,
// with the reason said once.
ScreenshotCheckFunction LoadCheck() {
    const std::string folder = rtl::ProgramFolder();
    std::string reasons;
    for (const std::string& path :
         {folder + VARNIMO_SCREENSHOT_MODULE_FOLDER "/" VARNIMO_SCREENSHOT_MODULE,
          folder + VARNIMO_SCREENSHOT_MODULE}) {
        std::string reason;
        if (void* check = rtl::LoadModuleFunction(path, VARNIMO_SCREENSHOT_CHECK, reason)) {
            return reinterpret_cast<ScreenshotCheckFunction>(check);
        }
        reasons += "\n  " + reason;
    }
    std::fprintf(stderr,
                 "warning: the screenshot decoder could not be loaded; screenshots are checked "
                 "by their extension only:%s\n",
                 reasons.c_str());
    return nullptr;
}

}  // namespace

void CheckScreenshot(const std::string& path) {
    static const ScreenshotCheckFunction check = LoadCheck();
    if (check == nullptr) {
        rtl::ImageFormatOf(path);
        return;
    }
    int error_code = 0;
    char message[1024] = "";
    const int result = check(path.data(), path.size(), &error_code, message, sizeof message);
    switch (static_cast<ScreenshotModuleResult>(result)) {
        case ScreenshotModuleResult::Ok:
            return;
        case ScreenshotModuleResult::ImageError:
            throw rtl::ImageError(message);
        case ScreenshotModuleResult::InOutError:
            throw rtl::InOutError(error_code);
        case ScreenshotModuleResult::OtherError:
            break;
    }
    throw rtl::RuntimeError(message);
}

const char* ScreenshotCheckNote() {
    return "Screenshots are decoded as the window decodes them.\n";
}

}  // namespace varnimo::cli
