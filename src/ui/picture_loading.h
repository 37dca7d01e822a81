#pragma once
// Decoding the pictures stored inside the program (screenshot files are decoded by
// screenshot/screenshot_decoder.h). Every picture the window shows is stretched to its
// control, so it is decoded straight at the control's size (the JPEG decoder then skips most
// of the work).

#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace varnimo::ui {

// A stored picture (a ":/pictures/..." resource) decoded at `size`; an invalid `size`
// keeps the picture's own size. A null image when the resource is missing or broken.
QImage LoadStoredPicture(const QString& resource, QSize size = {});

// The top-left `size` corner of a stored picture, unscaled: what a small holder control
// shows of the big picture it carries.
QPixmap StoredPictureCorner(const QString& resource, QSize size);

// A stored vector picture rendered at `size`.
QPixmap RenderStoredSvg(const QString& resource, QSize size);

}  // namespace varnimo::ui
