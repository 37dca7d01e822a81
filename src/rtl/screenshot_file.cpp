#include "rtl/screenshot_file.h"

#include <optional>

#include "rtl/files.h"
#include "rtl/runtime_error.h"

namespace varnimo::rtl {

ScreenshotFile ReadScreenshotFile(const std::string& path) {
    const ImageFormat format = ImageFormatOf(path);
    std::optional<std::string> bytes = ReadFileBytes(path, kScreenshotFileLimit);
    if (!bytes) {
        throw ImageError::TooLarge(kScreenshotFileLimit);
    }
    return ScreenshotFile{format, std::move(*bytes)};
}

bool JpegIsComplete(std::string_view bytes) {
    constexpr std::string_view kStartOfScan("\xFF\xDA", 2);
    constexpr std::string_view kEndOfImage("\xFF\xD9", 2);
    const std::size_t scan = bytes.rfind(kStartOfScan);
    return scan == std::string_view::npos ||
           bytes.find(kEndOfImage, scan + kStartOfScan.size()) != std::string_view::npos;
}

}  // namespace varnimo::rtl
