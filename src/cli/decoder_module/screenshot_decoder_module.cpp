// The screenshot decoder of varnimo-cli, as a module the command loads the first time it
// checks a screenshot. Qt's libraries are many megabytes to map and relocate; a list of a
// million titles must not pay for them when it shows no picture.
#include <cstddef>
#include <cstdio>
#include <string>

#include "cli/decoder_module/screenshot_decoder_module.h"
#include "rtl/runtime_error.h"
#include "screenshot/screenshot_decoder.h"

namespace {

void CopyMessage(const char* text, char* message, std::size_t message_size) {
    if (message_size > 0) {
        std::snprintf(message, message_size, "%s", text);
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int varnimo_check_screenshot_v2(
    const char* path, std::size_t path_size, int* error_code, char* message,
    std::size_t message_size) {
    try {
        varnimo::LoadScreenshot(std::string(path, path_size));
        return static_cast<int>(ScreenshotModuleResult::Ok);
    } catch (const varnimo::rtl::InOutError& error) {
        *error_code = error.ErrorCode();
        CopyMessage(error.what(), message, message_size);
        return static_cast<int>(ScreenshotModuleResult::InOutError);
    } catch (const varnimo::rtl::ImageError& error) {
        CopyMessage(error.what(), message, message_size);
        return static_cast<int>(ScreenshotModuleResult::ImageError);
    } catch (...) {
        // No exception may cross into the program that loaded this module.
        CopyMessage(varnimo::rtl::CurrentErrorText().c_str(), message, message_size);
        return static_cast<int>(ScreenshotModuleResult::OtherError);
    }
}
