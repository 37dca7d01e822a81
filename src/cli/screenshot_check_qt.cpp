#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "cli/decoder_module/screenshot_decoder_module.h"
#include "cli/screenshot_check.h"
#include "rtl/image_format.h"
#include "rtl/runtime_error.h"

namespace varnimo::cli {
namespace {

// The folder of this program, from the link the system keeps to it.
std::string ProgramFolder() {
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) {
        return {};
    }
    path.resize(static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

// The module's check function, loaded on first use: installed, the module lies in the
// program's library folder; in a build tree, beside the program. Null when neither loads,
// with the reason said once.
ScreenshotCheckFunction LoadCheck() {
    const std::string folder = ProgramFolder();
    std::string reasons;
    for (const std::string& path :
         {folder + VARNIMO_SCREENSHOT_MODULE_FOLDER "/" VARNIMO_SCREENSHOT_MODULE,
          folder + VARNIMO_SCREENSHOT_MODULE}) {
        void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) {
            const char* reason = ::dlerror();
            reasons += std::string("\n  ") + (reason != nullptr ? reason : path);
            continue;
        }
        if (auto* check = reinterpret_cast<ScreenshotCheckFunction>(
                ::dlsym(module, VARNIMO_SCREENSHOT_CHECK))) {
            return check;
        }
        reasons += "\n  " + path + ": no " VARNIMO_SCREENSHOT_CHECK;
        ::dlclose(module);
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
            throw rtl::EImageError(message);
        case ScreenshotModuleResult::InOutError:
            throw rtl::EInOutError(error_code);
        case ScreenshotModuleResult::OtherError:
            break;
    }
    throw rtl::RuntimeError(message);
}

const char* ScreenshotCheckNote() {
    return "Screenshots are decoded as the window decodes them.\n";
}

}  // namespace varnimo::cli
