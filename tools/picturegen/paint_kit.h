// Small drawing helpers shared by every picture: a seeded random source that gives the
// same numbers on every platform, smooth value noise, colour mixing and image saving.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QString>

#include <cstdint>

namespace varnimo::picturegen {

// SplitMix64: tiny, fast and fully specified, so a seed gives the same picture everywhere
// (the standard distributions are not guaranteed to agree between library versions).
class Rng {
  public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next();
    // Uniform in [0, 1).
    double Unit();
    // Uniform in [lo, hi).
    double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }
    // Uniform integer in [lo, hi].
    int Int(int lo, int hi);
    bool Chance(double p) { return Unit() < p; }

  private:
    std::uint64_t state_;
};

// Stable 64-bit hash of a text (FNV-1a), used to seed per-title pictures.
std::uint64_t HashText(const QByteArray& text);

// Smooth value noise in [0, 1] on an integer lattice, seeded.
double ValueNoise(double x, double y, std::uint32_t seed);
// Fractal sum of octaves of value noise, in [0, 1].
double Fbm(double x, double y, int octaves, std::uint32_t seed);
// Ridged variant: sharp creases, used for nebula filaments and rust streaks.
double RidgedFbm(double x, double y, int octaves, std::uint32_t seed);

double Clamp01(double v);
double SmoothStep(double e0, double e1, double x);
QColor Mix(const QColor& a, const QColor& b, double t);
// Colour from a cosine palette a + b * cos(2 pi (c t + d)), per channel.
QColor CosinePalette(double t, const double a[3], const double b[3], const double c[3],
                     const double d[3]);

// A new image of the given size, filled with black.
QImage NewImage(int width, int height);
// Scales a supersampled drawing down to its final size with smooth filtering.
QImage Downsample(const QImage& big, int width, int height);

// Writes the image as JPEG (quality 90) or PNG, by the file name's extension; throws
// std::runtime_error naming the file when it cannot be written.
void SaveImage(const QImage& image, const QString& path);

// A path for a text in the given font, with its bounding box centred on (cx, cy).
QPainterPath CenteredTextPath(const QString& text, const QFont& font, double cx, double cy);

}  // namespace varnimo::picturegen
