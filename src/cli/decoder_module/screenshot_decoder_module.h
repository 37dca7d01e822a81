#pragma once
// What varnimo-cli and its screenshot decoder module say to each other: one C function, so
// no exception or C++ object crosses between the two.

#include <cstddef>

// The module's file name, and the name of its one function.
#define VARNIMO_SCREENSHOT_MODULE "varnimo-screenshot.so"
#define VARNIMO_SCREENSHOT_CHECK "varnimo_check_screenshot_v2"

// What the function returns, as an int: the numbers are the interface.
enum class ScreenshotModuleResult : int {
    Ok = 0,
    ImageError = 1,  // `message` holds the whole error text
    InOutError = 2,  // `error_code` holds the system's error number
    OtherError = 3,  // `message` says what went wrong
};

// Decodes the screenshot at the `path_size` bytes of `path` as the window would (by its length,
// so that a name holding a NUL byte arrives whole and is refused); on failure fills
// `error_code` and `message` (NUL-terminated, cut to `message_size` bytes) as the result says.
using ScreenshotCheckFunction = int (*)(const char* path, std::size_t path_size, int* error_code,
                                        char* message, std::size_t message_size);
