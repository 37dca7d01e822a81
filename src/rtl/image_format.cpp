#include "rtl/image_format.h"

#include <string>

#include "rtl/runtime_error.h"

namespace varnimo::rtl {

ImageFormat ImageFormatOf(std::string_view path) {
    std::size_t slash = path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.rfind('.');
    std::string_view extension =
        dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    std::string lower(extension);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    if (lower == "jpg" || lower == "jpeg") {
        return ImageFormat::Jpeg;
    }
    if (lower == "png") {
        return ImageFormat::Png;
    }
    if (lower == "bmp") {
        return ImageFormat::Bitmap;
    }
    if (lower == "ico") {
        return ImageFormat::Icon;
    }
    if (lower == "emf" || lower == "wmf") {
        return ImageFormat::Metafile;
    }
    throw ImageError::UnknownExtension(extension);
}

}  // namespace varnimo::rtl
