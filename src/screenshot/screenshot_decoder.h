#pragma once
// Decoding screenshot files, for the window that shows them and for varnimo-cli, which must
// refuse the same files with the same error. Needs QtGui only, no display.

#include <QImage>
#include <QSize>
#include <cstddef>
#include <string>
#include <string_view>

#include "rtl/image_format.h"
#include "rtl/screenshot_file.h"

namespace varnimo {

// Decodes the bytes of a screenshot file in `format` at `size`, ignoring its aspect ratio (an
// invalid `size` keeps the picture's own). The content must be of that format: a PNG named
// .jpg is a broken JPEG. Throws rtl::ImageError when it cannot be decoded.
QImage DecodeScreenshot(std::string_view bytes, rtl::ImageFormat format, QSize size = {});

// The screenshot at `path`, bytes in the system code page, used exactly as they are (a name
// need not be valid in the locale's encoding). The decoder is chosen by the file's extension,
// letter case ignored: jpg and jpeg as JPEG, png as PNG, bmp and ico as bitmap and icon.
// Throws rtl::ImageError for any other extension, for a file larger than
// rtl::kScreenshotFileLimit (before reading it) and for content that cannot be decoded,
// rtl::InOutError when the file cannot be read or is no regular file.
QImage LoadScreenshot(const std::string& path, QSize size = {});

}  // namespace varnimo
