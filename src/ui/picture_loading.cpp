#include "picture_loading.h"

#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

namespace varnimo::ui {

QImage LoadStoredPicture(const QString& resource, QSize size) {
    QImageReader reader(resource);
    if (size.isValid())
        reader.setScaledSize(size);
    return reader.read();
}

QPixmap StoredPictureCorner(const QString& resource, QSize size) {
    QImageReader reader(resource);
    reader.setClipRect(QRect(QPoint(0, 0), size));
    return QPixmap::fromImage(reader.read());
}

QPixmap RenderStoredSvg(const QString& resource, QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    return pixmap;
}

}  // namespace varnimo::ui
