#include "picture_loading.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include "rtl/image_format.h"
#include "rtl/runtime_error.h"

namespace varnimo {

namespace {

QByteArray QtFormatName(rtl::ImageFormat format) {
    switch (format) {
        case rtl::ImageFormat::Jpeg: return "jpeg";
        case rtl::ImageFormat::Png: return "png";
        case rtl::ImageFormat::Bitmap: return "bmp";
        case rtl::ImageFormat::Icon: return "ico";
        case rtl::ImageFormat::Metafile: break;
    }
    return {};
}

// libjpeg fills in what a cut-off file lacks and only warns, so the decoder hands back a
// picture for a half-copied screenshot. The entropy-coded data can hold neither marker, so a
// complete file has its end-of-image marker after its last start-of-scan marker.
bool JpegIsComplete(const QByteArray& bytes) {
    const qsizetype scan = bytes.lastIndexOf(QByteArrayView("\xFF\xDA", 2));
    return scan < 0 || bytes.indexOf(QByteArrayView("\xFF\xD9", 2), scan + 2) >= 0;
}

}  // namespace

QImage LoadScreenshot(const std::string& path, QSize size) {
    const rtl::ImageFormat format = rtl::ImageFormatOf(path);  // throws for unknown extensions
    const QByteArray qt_format = QtFormatName(format);
    if (qt_format.isEmpty()) {
        // Windows metafiles have no decoder on this platform.
        throw rtl::EImageError::Undecodable("Metadateien werden nicht unterstützt");
    }
    const QString file = QFile::decodeName(QByteArray::fromStdString(path));
    const bool jpeg = format == rtl::ImageFormat::Jpeg;
    QImageReader reader;
    // A JPEG is read into memory once, for the decoder and the completeness check alike. A
    // file that does not open is left to the reader, which names what is wrong.
    QFile in(file);
    QBuffer bytes;
    if (jpeg && in.open(QIODevice::ReadOnly)) {
        bytes.setData(in.readAll());
        bytes.open(QIODevice::ReadOnly);
        reader.setDevice(&bytes);
    } else {
        reader.setFileName(file);
    }
    reader.setFormat(qt_format);
    // The extension decides the decoder; a PNG named .jpg is a broken JPEG, not a PNG.
    reader.setAutoDetectImageFormat(false);
    if (size.isValid()) reader.setScaledSize(size);
    QImage image = reader.read();
    if (image.isNull()) {
        throw rtl::EImageError::Undecodable(reader.errorString().toLocal8Bit().toStdString());
    }
    if (jpeg && bytes.isOpen() && !JpegIsComplete(bytes.data())) {
        throw rtl::EImageError::Undecodable("Unvollständige JPEG-Datei");
    }
    return image;
}

QImage LoadStoredPicture(const QString& resource, QSize size) {
    QImageReader reader(resource);
    if (size.isValid()) reader.setScaledSize(size);
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

}  // namespace varnimo
