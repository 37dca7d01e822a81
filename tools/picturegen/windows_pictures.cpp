#include "windows_pictures.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <stdexcept>
#include <vector>

namespace varnimo::picturegen {

namespace {

QImage Render(const QString& svg, int width, int height) {
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) {
        throw std::runtime_error("cannot read " + svg.toStdString());
    }
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return image;
}

void PutLittleEndian(QByteArray& out, quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// One icon entry as a device-independent bitmap: the header with the height of colour and
// mask together, the colour rows bottom-up with their alpha, then the 1-bit mask (set where
// the picture is transparent), each row padded to four bytes. Every Windows reads these.
QByteArray BitmapEntry(const QImage& image) {
    const int size = image.width();
    QByteArray out;
    PutLittleEndian(out, 40, 4);        // header size
    PutLittleEndian(out, size, 4);      // width
    PutLittleEndian(out, size * 2, 4);  // height of colour and mask
    PutLittleEndian(out, 1, 2);         // planes
    PutLittleEndian(out, 32, 2);        // bits per pixel
    for (int i = 0; i < 6; ++i) {
        PutLittleEndian(out, 0, 4);  // compression, image size, resolution, colours
    }
    for (int y = size - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < size; ++x) {
            out.append(static_cast<char>(qBlue(row[x])));
            out.append(static_cast<char>(qGreen(row[x])));
            out.append(static_cast<char>(qRed(row[x])));
            out.append(static_cast<char>(qAlpha(row[x])));
        }
    }
    const int mask_row_bytes = ((size + 31) / 32) * 4;
    for (int y = size - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QByteArray mask(mask_row_bytes, '\0');
        for (int x = 0; x < size; ++x) {
            if (qAlpha(row[x]) == 0) {
                mask[x / 8] = static_cast<char>(mask[x / 8] | (0x80 >> (x % 8)));
            }
        }
        out.append(mask);
    }
    return out;
}

QByteArray PngEntry(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        throw std::runtime_error("cannot encode the 256-pixel icon");
    }
    return png;
}

// The icon file: the small sizes as bitmaps, the big one as PNG, as Windows' own icons are.
QByteArray IconFile(const QString& svg) {
    const int sizes[] = {16, 24, 32, 48, 256};
    std::vector<QByteArray> entries;
    for (int size : sizes) {
        const QImage image = Render(svg, size, size);
        entries.push_back(size >= 256 ? PngEntry(image) : BitmapEntry(image));
    }
    QByteArray out;
    PutLittleEndian(out, 0, 2);  // reserved
    PutLittleEndian(out, 1, 2);  // an icon
    PutLittleEndian(out, static_cast<quint32>(entries.size()), 2);
    quint32 offset = 6 + 16 * static_cast<quint32>(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int size = sizes[i];
        out.append(static_cast<char>(size >= 256 ? 0 : size));  // 0 stands for 256
        out.append(static_cast<char>(size >= 256 ? 0 : size));
        out.append('\0');  // no palette
        out.append('\0');
        PutLittleEndian(out, 1, 2);   // planes
        PutLittleEndian(out, 32, 2);  // bits per pixel
        PutLittleEndian(out, static_cast<quint32>(entries[i].size()), 4);
        PutLittleEndian(out, offset, 4);
        offset += static_cast<quint32>(entries[i].size());
    }
    for (const QByteArray& entry : entries) {
        out.append(entry);
    }
    return out;
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

}  // namespace

void WriteWindowsPictures(const QString& svg_folder, const QString& folder) {
    WriteBytes(folder + "/varnimo.ico", IconFile(svg_folder + "/varnimo.svg"));
    // Drawn over the background picture, so it keeps its transparency.
    if (!Render(svg_folder + "/detail_icon.svg", 25, 15).save(folder + "/detail_icon.png", "PNG")) {
        throw std::runtime_error("cannot write " + (folder + "/detail_icon.png").toStdString());
    }
}

}  // namespace varnimo::picturegen
