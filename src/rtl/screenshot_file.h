#pragma once
// Reading a screenshot file for a decoder: the rules every view that shows screenshots shares
// (the Qt window, the Win32 window, varnimo-cli's check), whatever decoder it then uses.

#include <cstddef>
#include <string>
#include <string_view>

#include "rtl/image_format.h"

namespace varnimo::rtl {

// The largest screenshot file that is read. A screenshot of a 256 x 224 picture takes a few
// hundred kilobytes at most; a file far beyond that is no screenshot, and reading it whole
// would freeze the window on every slideshow tick and could exhaust memory.
inline constexpr std::size_t kScreenshotFileLimit = std::size_t{64} << 20;

struct ScreenshotFile {
    ImageFormat format = ImageFormat::Jpeg;  // chosen by the extension, never by the content
    std::string bytes;
};

// The screenshot at `path` (bytes in the system code page, used exactly as they are). The
// extension is judged before anything is read. Throws ImageError for an unknown extension
// and for a file larger than kScreenshotFileLimit (before reading it), InOutError when the
// file cannot be read or is no regular file.
ScreenshotFile ReadScreenshotFile(const std::string& path);

// JPEG decoders fill in what a cut-off file lacks and only warn, so they hand back a picture
// for a half-copied screenshot. The entropy-coded data can hold neither marker, so a complete
// file has its end-of-image marker after its last start-of-scan marker.
bool JpegIsComplete(std::string_view bytes);

}  // namespace varnimo::rtl
