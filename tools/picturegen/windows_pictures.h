// The stored pictures of the Windows window that are drawn from the vector pictures: the
// program icon as an .ico file and the detail-line icon as a PNG with transparency.
#pragma once

#include <QString>

namespace varnimo::picturegen {

// Reads varnimo.svg and detail_icon.svg from `svg_folder` and writes varnimo.ico and
// detail_icon.png into `folder` (which must exist); throws when a picture cannot be read or
// written.
void WriteWindowsPictures(const QString& svg_folder, const QString& folder);

}  // namespace varnimo::picturegen
