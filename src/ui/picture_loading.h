#pragma once
// Decoding pictures for the window: screenshot files from disk and the pictures stored
// inside the program. Every picture the window shows is stretched to its control, so it is
// decoded straight at the control's size (the JPEG decoder then skips most of the work).

#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <string>

namespace varnimo {

// Decodes the screenshot at `path` (bytes in the system code page) at `size`, ignoring its
// aspect ratio. The decoder is chosen by the file's extension, letter case ignored: jpg and
// jpeg as JPEG, png as PNG, bmp and ico as bitmap and icon; the content must then be of that
// format. Throws rtl::EImageError for any other extension and for content that cannot be
// decoded.
QImage LoadScreenshot(const std::string& path, QSize size);

// A stored picture (a ":/pictures/..." resource) decoded at `size`; an invalid `size`
// keeps the picture's own size. A null image when the resource is missing or broken.
QImage LoadStoredPicture(const QString& resource, QSize size = {});

// The top-left `size` corner of a stored picture, unscaled: what a small holder control
// shows of the big picture it carries.
QPixmap StoredPictureCorner(const QString& resource, QSize size);

// A stored vector picture rendered at `size`.
QPixmap RenderStoredSvg(const QString& resource, QSize size);

}  // namespace varnimo
