#include "demo_folder.h"

#include <QFile>
#include <QImage>
#include <cstdlib>
#include <stdexcept>

namespace varnimo::test {

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

namespace {

void Picture(const QString& path, const QColor& colour, const char* format) {
    QImage image(64, 56, QImage::Format_RGB32);
    image.fill(colour);
    if (!image.save(path, format))
        throw std::runtime_error("cannot save " + path.toStdString());
}

}  // namespace

DemoFolder::DemoFolder(Settings settings) : previous_(QDir::currentPath()) {
    QDir root(dir_.path());
    for (const char* sub : {"shots", "roms", "snes9x", "zsnes"})
        root.mkdir(sub);

    if (settings.with_catalogue) {
        WriteFile(Path("SNES_screens.dat"),
                  "1.5\r\n"
                  "Gamma Blocks (J);gamma_t.png;gamma_i.png;1;1\r\n"
                  "Alpha Quest (U);alpha_t.png;alpha_i.jpg;8;1\r\n"
                  "Omega Missing (U);omega_t.png;omega_i.png;1;1\r\n"
                  "beta Racer (E);beta_t.JPEG;beta_i.bmp;13;2\r\n"
                  "Delta Force (G);delta_t.jpg;delta_i.gif;18;5\r\n");
    }
    if (settings.with_options) {
        const QByteArray lines =
            (Path("shots") + "/\r\n" + RomPath() + "\r\n" + Snes9xPath() + "\r\n" + ZsnesPath() +
             "\r\n" + QString::number(settings.interval) + "\r\n0\r\n")
                .toLocal8Bit();
        WriteFile(Path("options.dat"), lines);
    }
    WriteFile(Path("roms/Gamma Blocks (J).zip"), QByteArray(1000, 'g'));
    WriteFile(Path("roms/Alpha Quest (U).zip"), QByteArray(2048, 'a'));
    WriteFile(Path("roms/beta Racer (E).zip"), QByteArray(1048576, 'b'));
    WriteFile(Path("roms/Delta Force (G).zip"), QByteArray(100, 'd'));

    Picture(Path("shots/gamma_t.png"), kGammaTitle, "PNG");
    Picture(Path("shots/alpha_t.png"), kAlphaTitle, "PNG");
    Picture(Path("shots/alpha_i.jpg"), kAlphaIngame, "JPEG");
    Picture(Path("shots/beta_t.JPEG"), kBetaTitle, "JPEG");
    Picture(Path("shots/beta_i.bmp"), kBetaIngame, "BMP");
    WriteFile(Path("shots/delta_t.jpg"), "this is no picture");
    Picture(Path("shots/delta_i.gif"), kBetaIngame, "PNG");

    QDir::setCurrent(dir_.path());
}

DemoFolder::~DemoFolder() {
    QDir::setCurrent(previous_);
}

bool NearColour(const QColor& actual, const QColor& expected) {
    return std::abs(actual.red() - expected.red()) < 24 &&
           std::abs(actual.green() - expected.green()) < 24 &&
           std::abs(actual.blue() - expected.blue()) < 24;
}

}  // namespace varnimo::test
