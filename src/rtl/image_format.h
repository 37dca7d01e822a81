#pragma once
// The picture formats a screenshot may have, chosen by the file's extension with letter
// case ignored, as the views that load screenshots must choose them.

#include <string_view>

namespace varnimo::rtl {

enum class ImageFormat { Jpeg, Png, Bitmap, Icon, Metafile };

// jpg/jpeg -> Jpeg, png -> Png, bmp -> Bitmap, ico -> Icon, emf/wmf -> Metafile.
// Any other extension (or none) throws ImageError
// ("Unbekannte Bilddateierweiterung (.%s)").
ImageFormat ImageFormatOf(std::string_view path);

}  // namespace varnimo::rtl
