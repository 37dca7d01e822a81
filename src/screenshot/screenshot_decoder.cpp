#include "screenshot/screenshot_decoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <optional>

#include "rtl/files.h"
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

// libjpeg fills in what a cut-off file lacks and only warns, so the decoder hands back a
// picture for a half-copied screenshot. The entropy-coded data can hold neither marker, so a
// complete file has its end-of-image marker after its last start-of-scan marker.
bool JpegIsComplete(QByteArrayView bytes) {
    const qsizetype scan = bytes.lastIndexOf(QByteArrayView("\xFF\xDA", 2));
    return scan < 0 || bytes.indexOf(QByteArrayView("\xFF\xD9", 2), scan + 2) >= 0;
}

}  // namespace

QImage DecodeScreenshot(std::string_view bytes, rtl::ImageFormat format, QSize size) {
    const QByteArray qt_format = QtFormatName(format);
    if (qt_format.isEmpty()) {
        // Windows metafiles have no decoder on this platform.
        throw rtl::EImageError::Undecodable("Metadateien werden nicht unterstützt");
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
        throw rtl::EImageError::Undecodable(reader.errorString().toLocal8Bit().toStdString());
    }
    if (format == rtl::ImageFormat::Jpeg && !JpegIsComplete(data)) {
        throw rtl::EImageError::Undecodable("Unvollständige JPEG-Datei");
    }
    return image;
}

QImage LoadScreenshot(const std::string& path, QSize size) {
    // The extension is judged before anything is read.
    const rtl::ImageFormat format = rtl::ImageFormatOf(path);
    std::optional<std::string> bytes = rtl::ReadFileBytes(path, kScreenshotFileLimit);
    if (!bytes) {
        throw rtl::EImageError::TooLarge(kScreenshotFileLimit);
    }
    return DecodeScreenshot(*bytes, format, size);
}

}  // namespace varnimo
