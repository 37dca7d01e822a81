#include "paint_kit.h"

#include <QFileInfo>
#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace varnimo::picturegen {

std::uint64_t Rng::Next() {
    state_ += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Rng::Unit() {
    return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
}

int Rng::Int(int lo, int hi) {
    const auto span = static_cast<std::uint64_t>(hi - lo + 1);
    return lo + static_cast<int>(Next() % span);
}

std::uint64_t HashText(const QByteArray& text) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (const char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001B3ull;
    }
    return h;
}

namespace {

double LatticeValue(int x, int y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<double>(h & 0xFFFFFFu) / static_cast<double>(0xFFFFFFu);
}

double Fade(double t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

}  // namespace

double ValueNoise(double x, double y, std::uint32_t seed) {
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const double tx = Fade(x - fx);
    const double ty = Fade(y - fy);
    const double a = LatticeValue(ix, iy, seed);
    const double b = LatticeValue(ix + 1, iy, seed);
    const double c = LatticeValue(ix, iy + 1, seed);
    const double d = LatticeValue(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

double Fbm(double x, double y, int octaves, std::uint32_t seed) {
    double sum = 0;
    double amp = 0.5;
    double norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * ValueNoise(x, y, seed + static_cast<std::uint32_t>(i) * 101u);
        norm += amp;
        // A slight rotation between octaves hides the lattice's grid.
        const double nx = x * 1.6 - y * 1.2;
        const double ny = x * 1.2 + y * 1.6;
        x = nx + 17.3;
        y = ny - 9.1;
        amp *= 0.5;
    }
    return sum / norm;
}

double RidgedFbm(double x, double y, int octaves, std::uint32_t seed) {
    double sum = 0;
    double amp = 0.5;
    double norm = 0;
    for (int i = 0; i < octaves; ++i) {
        const double n =
            1.0 -
            std::abs(ValueNoise(x, y, seed + static_cast<std::uint32_t>(i) * 131u) * 2.0 - 1.0);
        sum += amp * n * n;
        norm += amp;
        const double nx = x * 1.6 - y * 1.2;
        const double ny = x * 1.2 + y * 1.6;
        x = nx + 5.7;
        y = ny + 3.3;
        amp *= 0.5;
    }
    return sum / norm;
}

double Clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}

double SmoothStep(double e0, double e1, double x) {
    const double t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

QColor Mix(const QColor& a, const QColor& b, double t) {
    t = Clamp01(t);
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t),
                            static_cast<float>(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

QColor CosinePalette(double t, const double a[3], const double b[3], const double c[3],
                     const double d[3]) {
    double ch[3];
    for (int i = 0; i < 3; ++i) {
        ch[i] = Clamp01(a[i] + b[i] * std::cos(2 * std::numbers::pi * (c[i] * t + d[i])));
    }
    return QColor::fromRgbF(static_cast<float>(ch[0]), static_cast<float>(ch[1]),
                            static_cast<float>(ch[2]));
}

QImage NewImage(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    return image;
}

QImage Downsample(const QImage& big, int width, int height) {
    return big.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void SaveImage(const QImage& image, const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    bool ok = false;
    if (suffix == "jpg" || suffix == "jpeg") {
        // JPEG has no alpha: flatten onto black first so transparent edges do not turn white.
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::black);
        {
            QPainter p(&flat);
            p.drawImage(0, 0, image);
        }
        ok = flat.save(path, "JPG", 90);
    } else if (suffix == "png") {
        ok = image.save(path, "PNG");
    } else {
        throw std::runtime_error("no image format for " + path.toStdString());
    }
    if (!ok) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
    // For looking at the result: a PNG copy of what was written, decoded back from the file so
    // that compression artefacts show too.
    const QString preview = qEnvironmentVariable("VARNIMO_PICTUREGEN_PREVIEW");
    if (!preview.isEmpty()) {
        QImage(path).save(preview + "/" + QFileInfo(path).completeBaseName() + ".png", "PNG");
    }
}

QPainterPath CenteredTextPath(const QString& text, const QFont& font, double cx, double cy) {
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF box = path.boundingRect();
    path.translate(cx - box.center().x(), cy - box.center().y());
    return path;
}

}  // namespace varnimo::picturegen
