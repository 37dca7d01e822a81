#include "screenshot/screenshot_decoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include "rtl/runtime_error.h"

namespace varnimo {

namespace {

QByteArray QtFormatName(rtl::ImageFormat format) {
    switch (format) {
        case rtl::ImageFormat::Jpeg:
            return "jpeg";
        case rtl::ImageFormat::Png:
            return "png";
        case rtl::ImageFormat::Bitmap:
            return "bmp";
        case rtl::ImageFormat::Icon:
            return "ico";
        case rtl::ImageFormat::Metafile:
            break;
    }
    return {};
}

}  // namespace

QImage DecodeScreenshot(std::string_view bytes, rtl::ImageFormat format, QSize size) {
    const QByteArray qt_format = QtFormatName(format);
    if (qt_format.isEmpty()) {
        // Windows metafiles have no decoder on this platform.
        throw rtl::ImageError::Undecodable("Metadateien werden nicht unterstützt");
    }
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, qt_format);
    // The extension decides the decoder, never the content.
    reader.setAutoDetectImageFormat(false);
    if (size.isValid())
        reader.setScaledSize(size);
    QImage image = reader.read();
    if (image.isNull()) {
        throw rtl::ImageError::Undecodable(reader.errorString().toLocal8Bit().toStdString());
    }
    if (format == rtl::ImageFormat::Jpeg && !rtl::JpegIsComplete(bytes)) {
        throw rtl::ImageError::Undecodable("Unvollständige JPEG-Datei");
    }
    return image;
}

QImage LoadScreenshot(const std::string& path, QSize size) {
    const rtl::ScreenshotFile file = rtl::ReadScreenshotFile(path);
    return DecodeScreenshot(file.bytes, file.format, size);
}

}  // namespace varnimo
