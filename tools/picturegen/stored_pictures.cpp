#include "stored_pictures.h"

#include <QConicalGradient>
#include <QFile>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <numbers>
#include <stdexcept>

#include "paint_kit.h"

namespace varnimo::picturegen {

namespace {

constexpr double kPi = std::numbers::pi;

QRgb* Row(QImage& image, int y) {
    return reinterpret_cast<QRgb*>(image.scanLine(y));
}

// A soft shadow: the path filled into a small image and scaled back up, which blurs it.
void DrawSoftShadow(QPainter& p, const QPainterPath& path, QSize canvas, QPointF offset, int alpha,
                    int shrink) {
    QImage small(canvas.width() / shrink, canvas.height() / shrink,
                 QImage::Format_ARGB32_Premultiplied);
    small.fill(Qt::transparent);
    {
        QPainter sp(&small);
        sp.setRenderHint(QPainter::Antialiasing);
        sp.scale(1.0 / shrink, 1.0 / shrink);
        sp.translate(offset);
        sp.fillPath(path, QColor(0, 0, 0, alpha));
    }
    // Two passes of down-and-up scaling spread the edge further than one.
    QImage blurred = small
                         .scaled(small.width() / 2, small.height() / 2, Qt::IgnoreAspectRatio,
                                 Qt::SmoothTransformation)
                         .scaled(canvas, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    p.drawImage(0, 0, blurred);
}

// ---------------------------------------------------------------------------------------------
// Default background: rusted steel plate with a bevelled steel ring emblem carrying a "V".

void PaintRustSurface(QImage& img) {
    const int w = img.width();
    const int h = img.height();
    const QColor deep(26, 14, 9);
    const QColor brown(78, 38, 20);
    const QColor rust(140, 62, 24);
    const QColor ochre(168, 96, 44);
    // Where the detail lines sit (bottom left of the window) the plate is kept dark and quiet.
    const QPointF quiet(220, 520);
    for (int y = 0; y < h; ++y) {
        QRgb* line = Row(img, y);
        for (int x = 0; x < w; ++x) {
            const double large = Fbm(x / 260.0, y / 260.0, 5, 11);
            const double patches = Fbm(x / 90.0 + 40, y / 90.0, 6, 23);
            const double streak = RidgedFbm(x / 140.0, y / 40.0, 5, 37);
            const double grain =
                ValueNoise(x / 1.7, y / 1.7, 41) * 0.6 + ValueNoise(x / 4.0, y / 0.9, 43) * 0.4;
            double t = large * 0.8 + patches * 0.5 - 0.35;
            QColor c = Mix(deep, brown, SmoothStep(0.05, 0.55, t));
            c = Mix(c, rust, SmoothStep(0.52, 0.78, patches) * 0.8);
            c = Mix(c, ochre, SmoothStep(0.62, 0.9, streak * patches * 1.4) * 0.5);
            double shade = 0.82 + 0.28 * grain;
            // Vignette towards the picture's edges.
            const double dx = (x - w * 0.5) / (w * 0.62);
            const double dy = (y - h * 0.45) / (h * 0.75);
            shade *= 1.0 - 0.45 * SmoothStep(0.55, 1.1, std::sqrt(dx * dx + dy * dy));
            const double qx = (x - quiet.x()) / 330.0;
            const double qy = (y - quiet.y()) / 120.0;
            const double calm = 1.0 - SmoothStep(0.5, 1.2, std::sqrt(qx * qx + qy * qy));
            shade *= 1.0 - 0.5 * calm;
            line[x] = qRgb(static_cast<int>(std::min(255.0, c.red() * shade)),
                           static_cast<int>(std::min(255.0, c.green() * shade)),
                           static_cast<int>(std::min(255.0, c.blue() * shade)));
        }
    }
}

void PaintPlateSeams(QPainter& p, int w, int h) {
    // Two seams split the surface into plates; rivets line them.
    p.setRenderHint(QPainter::Antialiasing);
    const int seamY = 640;
    const int seamX = 790;
    p.setPen(QPen(QColor(0, 0, 0, 110), 3));
    // The lower seam starts at the upright one: the detail lines at the bottom left stay on
    // one quiet plate.
    p.drawLine(seamX, seamY, w, seamY);
    p.drawLine(seamX, 0, seamX, seamY);
    p.setPen(QPen(QColor(210, 130, 80, 45), 1));
    p.drawLine(seamX, seamY + 2, w, seamY + 2);
    p.drawLine(seamX + 2, 0, seamX + 2, seamY);
    auto rivet = [&](double x, double y) {
        QRadialGradient g(QPointF(x - 2, y - 2), 7);
        g.setColorAt(0, QColor(200, 150, 120));
        g.setColorAt(0.5, QColor(110, 60, 38));
        g.setColorAt(1, QColor(40, 20, 12));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 90));
        p.drawEllipse(QPointF(x + 2, y + 2), 6, 6);
        p.setBrush(g);
        p.drawEllipse(QPointF(x, y), 5.5, 5.5);
    };
    for (int x = seamX + 34; x < w; x += 64) {
        rivet(x, seamY + 18);
        rivet(x, seamY - 16);
    }
    for (int y = 30; y < seamY - 20; y += 64) {
        rivet(seamX - 16, y);
        rivet(seamX + 18, y);
    }
    (void)h;
}

// The emblem's "V": two bars meeting at a point, with a notch cut at the top.
QPainterPath EmblemV(double r) {
    QPainterPath v;
    v.moveTo(-0.62 * r, -0.50 * r);
    v.lineTo(-0.30 * r, -0.50 * r);
    v.lineTo(0.0, 0.22 * r);
    v.lineTo(0.30 * r, -0.50 * r);
    v.lineTo(0.62 * r, -0.50 * r);
    v.lineTo(0.10 * r, 0.62 * r);
    v.lineTo(-0.10 * r, 0.62 * r);
    v.closeSubpath();
    return v;
}

void PaintEmblem(QPainter& p, QSize canvas, QPointF centre, double r, double stretchX) {
    p.setRenderHint(QPainter::Antialiasing);
    QTransform place;
    place.translate(centre.x(), centre.y());
    place.scale(stretchX, 1.0);

    QPainterPath outer;
    outer.addEllipse(QPointF(0, 0), r, r);
    DrawSoftShadow(p, place.map(outer), canvas, QPointF(18, 26), 200, 6);

    p.save();
    p.setTransform(place);
    // Outer ring: brushed steel, the conical gradient makes the light sweep around it.
    QPainterPath ring;
    ring.addEllipse(QPointF(0, 0), r, r);
    ring.addEllipse(QPointF(0, 0), r * 0.80, r * 0.80);
    QConicalGradient steel(QPointF(0, 0), 60);
    steel.setColorAt(0.00, QColor(235, 238, 242));
    steel.setColorAt(0.12, QColor(120, 124, 130));
    steel.setColorAt(0.25, QColor(206, 210, 216));
    steel.setColorAt(0.40, QColor(88, 90, 96));
    steel.setColorAt(0.55, QColor(190, 194, 200));
    steel.setColorAt(0.70, QColor(100, 102, 108));
    steel.setColorAt(0.85, QColor(220, 224, 230));
    steel.setColorAt(1.00, QColor(235, 238, 242));
    p.setPen(Qt::NoPen);
    p.setBrush(steel);
    p.drawPath(ring);
    // Bevels: light on the upper left of the outer edge, shadow on the inner edge.
    QLinearGradient bevel(QPointF(-r, -r), QPointF(r, r));
    bevel.setColorAt(0, QColor(255, 255, 255, 220));
    bevel.setColorAt(0.5, QColor(255, 255, 255, 0));
    bevel.setColorAt(1, QColor(0, 0, 0, 200));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QBrush(bevel), r * 0.035));
    p.drawEllipse(QPointF(0, 0), r * 0.985, r * 0.985);
    QLinearGradient bevelIn(QPointF(-r, -r), QPointF(r, r));
    bevelIn.setColorAt(0, QColor(0, 0, 0, 210));
    bevelIn.setColorAt(0.5, QColor(0, 0, 0, 0));
    bevelIn.setColorAt(1, QColor(255, 255, 255, 170));
    p.setPen(QPen(QBrush(bevelIn), r * 0.03));
    p.drawEllipse(QPointF(0, 0), r * 0.81, r * 0.81);

    // Inner field: dark blued steel.
    QRadialGradient field(QPointF(-0.25 * r, -0.3 * r), r * 0.95);
    field.setColorAt(0, QColor(72, 78, 88));
    field.setColorAt(0.6, QColor(34, 36, 42));
    field.setColorAt(1, QColor(14, 14, 18));
    p.setPen(Qt::NoPen);
    p.setBrush(field);
    p.drawEllipse(QPointF(0, 0), r * 0.79, r * 0.79);
    // Fine concentric machining lines on the field.
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 34; ++i) {
        const double rr = r * (0.12 + 0.66 * i / 34.0);
        p.setPen(QPen(QColor(255, 255, 255, i % 2 ? 10 : 18), 1.2));
        p.drawEllipse(QPointF(0, 0), rr, rr);
    }

    // Bolts around the ring.
    for (int i = 0; i < 12; ++i) {
        const double a = i * 2 * kPi / 12 + kPi / 12;
        const QPointF c(std::cos(a) * r * 0.9, std::sin(a) * r * 0.9);
        QRadialGradient g(c + QPointF(-r * 0.012, -r * 0.012), r * 0.04);
        g.setColorAt(0, QColor(250, 250, 252));
        g.setColorAt(0.5, QColor(140, 144, 150));
        g.setColorAt(1, QColor(50, 52, 58));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 120));
        p.drawEllipse(c + QPointF(r * 0.008, r * 0.01), r * 0.036, r * 0.036);
        p.setBrush(g);
        p.drawEllipse(c, r * 0.032, r * 0.032);
    }

    // The "V": a dark cut below, a light edge above, then the polished face.
    const QPainterPath v = EmblemV(r * 0.95).translated(0, r * 0.02);
    p.fillPath(v.translated(r * 0.03, r * 0.04), QColor(0, 0, 0, 170));
    p.fillPath(v.translated(-r * 0.012, -r * 0.012), QColor(255, 255, 255, 200));
    p.fillPath(v.translated(r * 0.012, r * 0.012), QColor(20, 20, 24));
    QLinearGradient face(QPointF(-0.5 * r, -0.5 * r), QPointF(0.4 * r, 0.7 * r));
    face.setColorAt(0.0, QColor(250, 251, 253));
    face.setColorAt(0.35, QColor(160, 166, 176));
    face.setColorAt(0.5, QColor(222, 226, 232));
    face.setColorAt(0.7, QColor(110, 114, 122));
    face.setColorAt(1.0, QColor(190, 194, 202));
    p.fillPath(v, face);
    // A streak of reflected light across the face.
    QLinearGradient gleam(QPointF(-0.6 * r, 0), QPointF(0.6 * r, -0.2 * r));
    gleam.setColorAt(0.40, QColor(255, 255, 255, 0));
    gleam.setColorAt(0.48, QColor(255, 255, 255, 120));
    gleam.setColorAt(0.56, QColor(255, 255, 255, 0));
    p.fillPath(v, gleam);
    p.restore();
}

QImage DrawDefaultBackground() {
    QImage img = NewImage(1377, 699);
    PaintRustSurface(img);
    QPainter p(&img);
    PaintPlateSeams(p, img.width(), img.height());
    // The window shows this picture squeezed to 665 x 426; the emblem is drawn wider by the
    // ratio of the two scales so that it looks round on screen.
    // The title list covers most of the left half; the ring is large enough that its rim shows
    // above the list and in the gap to its right, and ends just above the detail lines.
    const double stretch = (1377.0 / 665.0) / (699.0 / 426.0);
    PaintEmblem(p, img.size(), QPointF(445, 222), 246, stretch);
    return img;
}

// ---------------------------------------------------------------------------------------------
// Space: nebula clouds and a starfield.

void PaintNebula(QImage& img, std::uint32_t seed, double scale) {
    const int w = img.width();
    const int h = img.height();
    const QColor base(3, 4, 12);
    const QColor magenta(190, 50, 130);
    const QColor blue(40, 90, 210);
    const QColor teal(40, 170, 180);
    const QColor hot(255, 210, 190);
    for (int y = 0; y < h; ++y) {
        QRgb* line = Row(img, y);
        for (int x = 0; x < w; ++x) {
            const double u = x / scale;
            const double v = y / scale;
            // Domain warp: the clouds curl instead of looking like plain noise.
            const double wx = Fbm(u * 1.5, v * 1.5, 4, seed + 1) * 2.2;
            const double wy = Fbm(u * 1.5 + 7.7, v * 1.5 + 3.1, 4, seed + 2) * 2.2;
            const double d = Fbm(u * 2 + wx, v * 2 + wy, 7, seed + 3);
            const double fil = RidgedFbm(u * 3 + wy, v * 3 + wx, 6, seed + 4);
            const double hue = Fbm(u * 0.8 + 20, v * 0.8, 3, seed + 5);
            // A broad diagonal band holds most of the gas.
            const double band = std::exp(-std::pow((u * 0.6 - v * 0.9 + 0.1) / 0.55, 2));
            const double density = SmoothStep(0.33, 0.74, d) * (0.3 + 0.8 * band);
            const double dust = SmoothStep(0.5, 0.75, Fbm(u * 4 + 3, v * 4, 5, seed + 6));
            QColor gas = Mix(blue, magenta, SmoothStep(0.35, 0.65, hue));
            gas = Mix(gas, teal, SmoothStep(0.6, 0.8, hue) * 0.7);
            double r = base.redF(), g = base.greenF(), b = base.blueF();
            const double k = density * 1.0 * (1 - 0.6 * dust);
            r += gas.redF() * k;
            g += gas.greenF() * k;
            b += gas.blueF() * k;
            const double glow = std::pow(fil, 3) * density * (1 - 0.5 * dust);
            r += hot.redF() * glow * 0.9;
            g += hot.greenF() * glow * 0.75;
            b += hot.blueF() * glow * 0.8;
            line[x] = qRgb(static_cast<int>(255 * Clamp01(r)), static_cast<int>(255 * Clamp01(g)),
                           static_cast<int>(255 * Clamp01(b)));
        }
    }
}

void PaintStars(QPainter& p, QSize size, std::uint64_t seed, int count, double scale) {
    Rng rng(seed);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        const QPointF c{rng.Range(0, size.width()), rng.Range(0, size.height())};
        const double m = std::pow(rng.Unit(), 5.0);  // most stars are faint
        const double tint = rng.Unit();
        QColor col = tint < 0.2   ? QColor(170, 200, 255)
                     : tint < 0.3 ? QColor(255, 220, 180)
                                  : QColor(240, 242, 255);
        const double radius = (0.5 + 1.6 * m) * scale;
        col.setAlphaF(static_cast<float>(0.35 + 0.65 * std::sqrt(m)));
        if (m > 0.45) {
            QRadialGradient halo(c, radius * 6);
            QColor h = col;
            h.setAlpha(static_cast<int>(90 * m));
            halo.setColorAt(0, h);
            halo.setColorAt(1, QColor(h.red(), h.green(), h.blue(), 0));
            p.setBrush(halo);
            p.drawEllipse(c, radius * 6, radius * 6);
        }
        p.setBrush(col);
        p.drawEllipse(c, radius, radius);
        if (m > 0.93) {
            // Diffraction spikes on the brightest few.
            const double len = radius * 16 * m;
            for (int k = 0; k < 2; ++k) {
                QLinearGradient sp(c - QPointF(k == 0 ? len : 0, k == 1 ? len : 0),
                                   c + QPointF(k == 0 ? len : 0, k == 1 ? len : 0));
                QColor s = col;
                s.setAlpha(0);
                sp.setColorAt(0, s);
                s.setAlpha(200);
                sp.setColorAt(0.5, s);
                s.setAlpha(0);
                sp.setColorAt(1, s);
                p.setBrush(sp);
                if (k == 0) {
                    p.drawRect(QRectF(c.x() - len, c.y() - 0.6 * scale, 2 * len, 1.2 * scale));
                } else {
                    p.drawRect(QRectF(c.x() - 0.6 * scale, c.y() - len, 1.2 * scale, 2 * len));
                }
            }
        }
    }
}

QImage DrawSpace() {
    QImage img = NewImage(1024, 768);
    PaintNebula(img, 301, 420.0);
    QPainter p(&img);
    PaintStars(p, img.size(), 302, 2600, 1.0);
    return img;
}

// ---------------------------------------------------------------------------------------------
// Rose: a red rose head of curved petals on a stem, over a soft blurred background.

// One petal: a broad cupped shape from its base to its rim, pointing along angle a.
QPainterPath PetalPath(QPointF centre, double a, double inner, double outer, double halfWidth,
                       double squash) {
    auto at = [&](double radius, double angle) {
        return QPointF(centre.x() + std::cos(angle) * radius,
                       centre.y() + std::sin(angle) * radius * squash);
    };
    QPainterPath path;
    path.moveTo(at(inner, a - halfWidth * 0.35));
    path.cubicTo(at(outer * 0.8, a - halfWidth * 1.15), at(outer * 1.08, a - halfWidth * 0.55),
                 at(outer, a));
    path.cubicTo(at(outer * 1.08, a + halfWidth * 0.55), at(outer * 0.8, a + halfWidth * 1.15),
                 at(inner, a + halfWidth * 0.35));
    path.closeSubpath();
    return path;
}

void PaintPetal(QPainter& p, const QPainterPath& petal, QPointF centre, double outer, double squash,
                const QColor& dark, const QColor& mid, const QColor& light) {
    p.setPen(Qt::NoPen);
    // Shadow on what lies beneath, so each layer reads as separate.
    p.fillPath(petal.translated(2.5, 3.5), QColor(40, 0, 10, 70));
    QRadialGradient g(centre, outer * 1.05);
    g.setColorAt(0.0, dark);
    g.setColorAt(0.55, mid);
    g.setColorAt(0.92, light);
    g.setColorAt(1.0, Mix(light, QColor(255, 230, 230), 0.4));
    p.fillPath(petal, g);
    // The outer lip curls back and catches the light: a pale band along the rim only.
    p.save();
    p.setClipPath(petal);
    QPainterPath inner;
    inner.addEllipse(centre, outer * 0.86, outer * 0.86 * squash);
    QPainterPath rimZone;
    rimZone.addRect(QRectF(centre.x() - outer * 2, centre.y() - outer * 2, outer * 4, outer * 4));
    p.setClipPath(rimZone.subtracted(inner), Qt::IntersectClip);
    QColor lip = Mix(light, QColor(255, 215, 220), 0.3);
    lip.setAlpha(150);
    p.setPen(QPen(lip, outer * 0.035));
    p.setBrush(Qt::NoBrush);
    p.drawPath(petal);
    p.restore();
    p.setPen(QPen(QColor(90, 0, 20, 90), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(petal);
}

void PaintLeaf(QPainter& p, QPointF base, double angle, double length, double width) {
    p.save();
    p.translate(base);
    p.rotate(angle);
    QPainterPath leaf;
    leaf.moveTo(0, 0);
    leaf.cubicTo(length * 0.3, -width, length * 0.75, -width * 0.9, length, 0);
    leaf.cubicTo(length * 0.75, width * 0.8, length * 0.3, width * 0.9, 0, 0);
    QLinearGradient g(0, -width, 0, width);
    g.setColorAt(0, QColor(90, 150, 70));
    g.setColorAt(0.5, QColor(46, 100, 40));
    g.setColorAt(1, QColor(22, 60, 24));
    p.fillPath(leaf.translated(2, 3), QColor(0, 0, 0, 50));
    p.fillPath(leaf, g);
    p.setPen(QPen(QColor(160, 210, 130, 150), 1.2));
    p.drawLine(QPointF(2, 0), QPointF(length * 0.95, 0));
    for (int i = 1; i < 6; ++i) {
        const double x = length * i / 6.5;
        p.setPen(QPen(QColor(160, 210, 130, 80), 0.8));
        p.drawLine(QPointF(x, 0), QPointF(x + length * 0.1, -width * 0.55));
        p.drawLine(QPointF(x, 0), QPointF(x + length * 0.1, width * 0.5));
    }
    p.restore();
}

QImage DrawRose() {
    const int s = 2;  // drawn at twice the size, then smoothed down
    const int w = 552 * s;
    const int h = 369 * s;
    QImage img = NewImage(w, h);
    {
        // Soft background: warm light from the upper left fading to dusky plum.
        for (int y = 0; y < h; ++y) {
            QRgb* line = Row(img, y);
            for (int x = 0; x < w; ++x) {
                const double t = Clamp01((x * 0.6 + y) / (w * 0.6 + h));
                const double n = Fbm(x / 300.0, y / 300.0, 4, 71);
                QColor c =
                    Mix(QColor(246, 214, 206), QColor(120, 58, 84), t * 0.9 + 0.2 * (n - 0.5));
                line[x] = c.rgb();
            }
        }
    }
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Out-of-focus light spots.
    Rng rng(72);
    for (int i = 0; i < 38; ++i) {
        const QPointF c{rng.Range(0, w), rng.Range(0, h)};
        const double r = rng.Range(20, 80) * s;
        QRadialGradient g(c, r);
        const int a = rng.Int(14, 40);
        g.setColorAt(0, QColor(255, 240, 235, a));
        g.setColorAt(0.8, QColor(255, 235, 230, a));
        g.setColorAt(1, QColor(255, 235, 230, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(c, r, r);
    }

    const QPointF centre(330 * s, 150 * s);
    // Stem, curving down and to the left.
    QPainterPath stem;
    stem.moveTo(centre + QPointF(-4 * s, 60 * s));
    stem.cubicTo(QPointF(centre.x() - 20 * s, 250 * s), QPointF(centre.x() - 70 * s, 300 * s),
                 QPointF(centre.x() - 90 * s, 380 * s));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(30, 70, 30), 9 * s, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(stem);
    p.setPen(QPen(QColor(90, 140, 70), 3 * s, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(stem.translated(-2 * s, 0));
    PaintLeaf(p, stem.pointAtPercent(0.62), -24, 96 * s, 27 * s);
    PaintLeaf(p, stem.pointAtPercent(0.38), 196, 88 * s, 24 * s);
    // Sepals under the head.
    for (int i = 0; i < 5; ++i) {
        const double a = kPi * 0.5 + (i - 2) * 0.5;
        QPainterPath sepal;
        const QPointF base = centre + QPointF(0, 55 * s);
        sepal.moveTo(base);
        sepal.quadTo(base + QPointF(std::cos(a) * 60 * s - 10 * s, std::sin(a) * 20 * s),
                     base + QPointF(std::cos(a) * 80 * s, std::sin(a) * 34 * s));
        sepal.quadTo(base + QPointF(std::cos(a) * 40 * s + 10 * s, std::sin(a) * 28 * s), base);
        p.fillPath(sepal, QColor(40, 90, 36));
    }

    const QColor dark(90, 0, 18);
    const QColor mid(176, 12, 36);
    const QColor light(236, 70, 84);
    const double squash = 0.78;
    // Outer petals first, each ring smaller and turned against the last.
    struct Ring {
        int count;
        double outer;
        double halfWidth;
        double turn;
    };
    const Ring rings[] = {{5, 128, 0.78, 0.1}, {5, 108, 0.74, 0.75}, {4, 86, 0.85, 0.3},
                          {4, 66, 0.9, 1.1},   {3, 48, 1.1, 0.5},    {3, 32, 1.2, 1.6}};
    // No two petals alike: each is a little longer or shorter, turned and tinted on its own.
    Rng petalRng(73);
    for (const Ring& ring : rings) {
        for (int i = 0; i < ring.count; ++i) {
            const double a = ring.turn + i * 2 * kPi / ring.count + petalRng.Range(-0.12, 0.12);
            const double outer = ring.outer * s * petalRng.Range(0.93, 1.06);
            const double tint = petalRng.Range(-0.15, 0.15);
            const QColor m = tint < 0 ? Mix(mid, dark, -tint) : Mix(mid, light, tint);
            const QPainterPath petal =
                PetalPath(centre, a, outer * 0.12, outer, ring.halfWidth, squash);
            PaintPetal(p, petal, centre, outer, squash, dark, m, light);
        }
    }
    // The tight bud in the middle: overlapping spiral arcs, each a curled petal lip.
    for (int i = 0; i < 9; ++i) {
        const double r = (22 - i * 2.2) * s;
        const double a0 = i * 1.9;
        QPainterPath lip;
        const QPointF c = centre + QPointF(std::cos(a0) * 2 * s, std::sin(a0) * 2 * s);
        lip.moveTo(c + QPointF(std::cos(a0) * r, std::sin(a0) * r * squash));
        for (int k = 1; k <= 24; ++k) {
            const double a = a0 + k * (kPi * 1.3) / 24;
            const double rr = r * (1 - 0.25 * k / 24.0);
            lip.lineTo(c + QPointF(std::cos(a) * rr, std::sin(a) * rr * squash));
        }
        QPainterPath fill = lip;
        fill.lineTo(c);
        fill.closeSubpath();
        QRadialGradient g(c, r);
        g.setColorAt(0, QColor(70, 0, 14));
        g.setColorAt(1, Mix(mid, light, 0.2 + i * 0.05));
        p.fillPath(fill, g);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 120, 130, 150), 1.3 * s, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(lip);
    }
    // Dew drops catch the light.
    const QPointF drops[] = {{-70, -10}, {52, 36}, {18, -62}};
    for (const QPointF& d : drops) {
        const QPointF c = centre + d * s;
        QRadialGradient g(c + QPointF(-1.2 * s, -1.2 * s), 4 * s);
        g.setColorAt(0, QColor(255, 255, 255, 230));
        g.setColorAt(0.4, QColor(255, 200, 200, 120));
        g.setColorAt(1, QColor(120, 0, 20, 60));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(c, 3.5 * s, 3.2 * s);
    }
    p.end();
    return Downsample(img, 552, 369);
}

// ---------------------------------------------------------------------------------------------
// Fractal: a deep view into the Mandelbrot set, smoothly coloured.

QImage DrawFractal() {
    const int s = 2;
    const int w = 560 * s;
    const int h = 420 * s;
    QImage img = NewImage(w, h);
    const double cx = -0.74364;
    const double cy = 0.13182;
    const double span = 0.0062;  // width of the view in the complex plane
    const int maxIter = 1400;
    const double pa[3] = {0.5, 0.5, 0.5};
    const double pb[3] = {0.5, 0.5, 0.5};
    const double pc[3] = {1.0, 1.0, 1.0};
    const double pd[3] = {0.0, 0.10, 0.20};
    for (int y = 0; y < h; ++y) {
        QRgb* line = Row(img, y);
        for (int x = 0; x < w; ++x) {
            const double re = cx + (x - w / 2.0) * span / w;
            const double im = cy + (y - h / 2.0) * span / w;
            double zr = 0, zi = 0;
            int n = 0;
            while (n < maxIter && zr * zr + zi * zi < 256.0) {
                const double t = zr * zr - zi * zi + re;
                zi = 2 * zr * zi + im;
                zr = t;
                ++n;
            }
            if (n == maxIter) {
                line[x] = qRgb(4, 2, 10);
                continue;
            }
            // Continuous escape count removes the banding of whole iterations.
            const double mu =
                n + 1 - std::log(std::log(std::sqrt(zr * zr + zi * zi))) / std::log(2.0);
            const double t = std::sqrt(mu) * 0.23 + 0.55;
            QColor c = CosinePalette(t, pa, pb, pc, pd);
            const double fade = SmoothStep(1.0, 9.0, std::sqrt(mu));
            line[x] = Mix(QColor(6, 4, 18), c, fade).rgb();
        }
    }
    return Downsample(img, 560, 420);
}

// ---------------------------------------------------------------------------------------------
// Star ship: an original long-hulled ship passing a lit planet.

void PaintPlanet(QImage& img, QPointF centre, double radius, std::uint32_t seed) {
    const int w = img.width();
    const int h = img.height();
    // Light comes from the upper left, a little in front.
    const double lx = -0.62, ly = -0.48, lz = 0.62;
    for (int y = 0; y < h; ++y) {
        QRgb* line = Row(img, y);
        for (int x = 0; x < w; ++x) {
            const double dx = (x - centre.x()) / radius;
            const double dy = (y - centre.y()) / radius;
            const double d2 = dx * dx + dy * dy;
            const QColor under = QColor::fromRgb(line[x]);
            if (d2 > 1.0) {
                // Thin atmosphere glow outside the limb, on the lit side.
                const double dist = std::sqrt(d2) - 1.0;
                const double lit = Clamp01(0.5 - (dx * lx + dy * ly) * 0.8);
                const double glow = std::exp(-dist * 38.0) * (0.25 + 0.75 * (1 - lit));
                line[x] = Mix(under, QColor(120, 190, 255), glow * 0.9).rgb();
                continue;
            }
            const double dz = std::sqrt(1.0 - d2);
            // Surface co-ordinates on the sphere, so features curve with it.
            const double u = std::atan2(dx, dz) * 1.6;
            const double v = std::asin(std::clamp(dy, -1.0, 1.0)) * 1.6;
            const double land = Fbm(u * 2.2 + 3, v * 2.2, 7, seed);
            const double cloud = Fbm(u * 3.5 + 10, v * 7.0, 6, seed + 9);
            QColor c;
            if (land < 0.52) {
                c = Mix(QColor(12, 40, 96), QColor(30, 90, 150), land / 0.52);
            } else {
                const double t = (land - 0.52) / 0.48;
                c = Mix(QColor(70, 110, 56), QColor(150, 124, 84), SmoothStep(0.1, 0.6, t));
                c = Mix(c, QColor(220, 220, 225), SmoothStep(0.7, 0.9, t));
            }
            c = Mix(c, QColor(245, 248, 255), SmoothStep(0.55, 0.8, cloud) * 0.85);
            const double ndotl = dx * lx + dy * ly + dz * lz;
            const double diffuse = SmoothStep(-0.15, 0.6, ndotl);
            const double rim = std::pow(1 - dz, 3);
            QColor lit = Mix(QColor(2, 4, 10), c, 0.05 + 0.95 * diffuse);
            lit = Mix(lit, QColor(110, 180, 255), rim * 0.7 * SmoothStep(-0.3, 0.3, ndotl));
            // Night side city lights, faint.
            const double city = SmoothStep(0.64, 0.7, land) * (1 - diffuse) *
                                SmoothStep(0.6, 0.8, ValueNoise(u * 60, v * 60, seed + 3));
            lit = Mix(lit, QColor(255, 200, 120), city * 0.6);
            line[x] = lit.rgb();
        }
    }
}

void PaintStarship(QPainter& p, QPointF nose, double len, double tiltDeg) {
    p.save();
    p.translate(nose);
    p.rotate(tiltDeg);
    p.scale(len / 100.0, len / 100.0);
    p.setRenderHint(QPainter::Antialiasing);
    // Ship co-ordinates: the nose at (0, 0), the stern at x = -100; we see its right side
    // from slightly below, so the far wing shows above the hull and the near wing below it.

    // Exhaust: a long soft glow trailing the three nozzles.
    QRadialGradient trail(QPointF(-100, 0), 60);
    trail.setColorAt(0, QColor(170, 230, 255, 200));
    trail.setColorAt(0.25, QColor(70, 150, 255, 110));
    trail.setColorAt(1, QColor(30, 60, 255, 0));
    p.save();
    p.translate(-100, 0);
    p.scale(1.0, 0.16);
    p.translate(100, 0);
    p.setPen(Qt::NoPen);
    p.setBrush(trail);
    p.drawEllipse(QPointF(-130, 0), 45, 60);
    p.restore();

    auto steel = [](double y0, double y1, const QColor& light, const QColor& dark) {
        QLinearGradient g(0, y0, 0, y1);
        g.setColorAt(0, light);
        g.setColorAt(1, dark);
        return g;
    };
    // Far wing and fin, in shadow.
    QPainterPath farWing;
    farWing.moveTo(-34, -5);
    farWing.lineTo(-66, -25);
    farWing.lineTo(-80, -25);
    farWing.lineTo(-74, -5);
    farWing.closeSubpath();
    p.fillPath(farWing, steel(-25, -5, QColor(120, 126, 140), QColor(60, 64, 76)));
    QPainterPath fin;
    fin.moveTo(-68, -7);
    fin.lineTo(-86, -24);
    fin.lineTo(-95, -24);
    fin.lineTo(-93, -7);
    fin.closeSubpath();
    p.fillPath(fin, steel(-24, -7, QColor(200, 206, 218), QColor(110, 116, 130)));
    p.fillPath(QPainterPath(fin).intersected([] {
        QPainterPath band;
        band.addRect(QRectF(-100, -24, 40, 4));
        return band;
    }()),
               QColor(240, 120, 40));

    // Hull: a long dart, rounded at the stern.
    QPainterPath hull;
    hull.moveTo(0, 1.5);
    hull.cubicTo(-12, -4, -40, -8, -70, -9);
    hull.lineTo(-97, -9);
    hull.quadTo(-101, -9, -101, -5);
    hull.lineTo(-101, 6);
    hull.quadTo(-101, 10, -97, 10);
    hull.lineTo(-70, 10);
    hull.cubicTo(-40, 9, -12, 6, 0, 1.5);
    hull.closeSubpath();
    QLinearGradient hg(0, -9, 0, 10);
    hg.setColorAt(0.0, QColor(246, 248, 252));
    hg.setColorAt(0.35, QColor(196, 202, 214));
    hg.setColorAt(0.6, QColor(120, 126, 140));
    hg.setColorAt(1.0, QColor(46, 50, 62));
    p.fillPath(hull, hg);
    // Accent stripe and panel seams.
    QPainterPath stripe;
    stripe.addRect(QRectF(-96, 0.5, 78, 2.2));
    p.fillPath(stripe.intersected(hull), QColor(235, 110, 40));
    p.setPen(QPen(QColor(40, 44, 56, 150), 0.35));
    for (const double x : {-30.0, -52.0, -74.0, -90.0}) {
        p.drawLine(QPointF(x, -8.6), QPointF(x, 9.6));
    }
    // Canopy.
    QPainterPath canopy;
    canopy.moveTo(-16, -3.5);
    canopy.cubicTo(-22, -9.5, -34, -10.5, -42, -8.5);
    canopy.lineTo(-40, -6.5);
    canopy.cubicTo(-32, -7, -24, -6, -16, -3.5);
    QLinearGradient glass(0, -10, 0, -4);
    glass.setColorAt(0, QColor(190, 240, 255));
    glass.setColorAt(1, QColor(20, 70, 140));
    p.setPen(Qt::NoPen);
    p.fillPath(canopy, glass);
    // Portholes along the side.
    for (int i = 0; i < 9; ++i) {
        p.setBrush(QColor(255, 226, 150));
        p.drawEllipse(QPointF(-46 - i * 5, -3.4), 0.8, 0.8);
    }
    // Near wing, in front of the hull.
    QPainterPath nearWing;
    nearWing.moveTo(-30, 5);
    nearWing.lineTo(-68, 30);
    nearWing.lineTo(-86, 31);
    nearWing.lineTo(-84, 6);
    nearWing.closeSubpath();
    QLinearGradient wg(QPointF(-40, 5), QPointF(-70, 31));
    wg.setColorAt(0, QColor(214, 220, 232));
    wg.setColorAt(1, QColor(90, 96, 110));
    p.fillPath(nearWing, wg);
    p.setPen(QPen(QColor(250, 252, 255, 200), 0.5));
    p.drawLine(QPointF(-30, 5), QPointF(-68, 30));
    p.setPen(QPen(QColor(235, 110, 40), 1.4));
    p.drawLine(QPointF(-69, 29), QPointF(-85, 30));
    // Nozzles glowing at the stern.
    p.setPen(Qt::NoPen);
    for (const double y : {-5.0, 0.5, 6.0}) {
        QRadialGradient g(QPointF(-101, y), 4.5);
        g.setColorAt(0, QColor(255, 255, 255));
        g.setColorAt(0.4, QColor(120, 210, 255));
        g.setColorAt(1, QColor(40, 100, 255, 0));
        p.setBrush(g);
        p.drawEllipse(QPointF(-101, y), 4.5, 4.5);
    }
    // Running lights at the wing tips.
    for (const auto& [pos, colour] : {std::pair{QPointF(-86, 31), QColor(255, 70, 70)},
                                      std::pair{QPointF(-80, -25), QColor(110, 255, 140)}}) {
        QRadialGradient g(pos, 3.5);
        g.setColorAt(0, colour);
        g.setColorAt(1, QColor(colour.red(), colour.green(), colour.blue(), 0));
        p.setBrush(g);
        p.drawEllipse(pos, 3.5, 3.5);
    }
    p.restore();
}

QImage DrawStarship() {
    const int s = 2;
    const int w = 480 * s;
    const int h = 360 * s;
    QImage img = NewImage(w, h);
    PaintNebula(img, 501, 700.0);
    {
        // The nebula is only a faint wash here; the planet is the subject.
        QPainter dim(&img);
        dim.fillRect(img.rect(), QColor(0, 0, 8, 150));
        PaintStars(dim, img.size(), 502, 1100, 1.4);
    }
    PaintPlanet(img, QPointF(700, 980), 620, 503);
    QPainter p(&img);
    PaintStarship(p, QPointF(600, 200), 330, -9);
    p.end();
    return Downsample(img, 480, 360);
}

// ---------------------------------------------------------------------------------------------
// The program's name in large multicoloured letters, shown while no ROM is selected.

QImage DrawDefaultScreen() {
    const int s = 2;
    const int w = 506 * s;
    const int h = 400 * s;
    QImage img = NewImage(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // A faint starry floor of dots keeps the black from looking empty.
    Rng rng(601);
    for (int i = 0; i < 160; ++i) {
        const QPointF c{rng.Range(0, w), rng.Range(0, h)};
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, rng.Int(20, 90)));
        const double r = rng.Range(0.8, 2.2);
        p.drawEllipse(c, r, r);
    }
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(196);
    const QString name = "Varnimo";
    const QColor top[] = {{255, 90, 90},  {255, 170, 60},  {255, 230, 70}, {110, 230, 90},
                          {70, 210, 240}, {110, 130, 255}, {220, 110, 255}};
    const QColor bottom[] = {{170, 10, 30}, {200, 80, 0},  {200, 140, 0}, {20, 130, 40},
                             {0, 110, 170}, {40, 40, 190}, {130, 20, 170}};
    // Lay the letters out on a gentle wave.
    QFontMetricsF fm(font);
    double total = 0;
    for (const QChar ch : name)
        total += fm.horizontalAdvance(ch) - 6;
    double x = (w - total) / 2;
    const double baseY = h * 0.56;
    for (int i = 0; i < name.size(); ++i) {
        const QString ch = name.mid(i, 1);
        const double y = baseY + std::sin(i * 0.9 + 0.6) * 18;
        QPainterPath glyph;
        glyph.addText(x, y, font, ch);
        // Extruded depth: a stack of darker copies down and to the right.
        for (int d = 12; d > 0; --d) {
            p.fillPath(glyph.translated(d * 0.9, d * 1.1),
                       Mix(bottom[i], QColor(0, 0, 0), 0.55 + d * 0.02));
        }
        const QRectF box = glyph.boundingRect();
        QLinearGradient g(box.topLeft(), box.bottomLeft());
        g.setColorAt(0, Mix(top[i], QColor(255, 255, 255), 0.35));
        g.setColorAt(0.45, top[i]);
        g.setColorAt(1, bottom[i]);
        p.fillPath(glyph, g);
        p.setPen(QPen(QColor(255, 255, 255, 210), 3));
        p.setBrush(Qt::NoBrush);
        p.drawPath(glyph);
        x += fm.horizontalAdvance(ch) - 6;
    }
    // Reflection of the row of letters on a glossy floor.
    QFont small("DejaVu Sans");
    small.setPixelSize(26);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 6);
    const QPainterPath tag = CenteredTextPath("SELECT A GAME", small, w / 2.0, h * 0.80);
    p.fillPath(tag, QColor(200, 205, 220));
    p.end();
    return Downsample(img, 506, 400);
}

// ---------------------------------------------------------------------------------------------
// Missing screenshot placeholder.

QImage DrawNoImage() {
    const int s = 3;
    QImage img = NewImage(256 * s, 224 * s);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(34 * s);
    p.fillPath(CenteredTextPath("NO IMAGE", font, 128 * s, 96 * s), Qt::white);
    p.fillPath(CenteredTextPath("AVAILABLE", font, 128 * s, 138 * s), Qt::white);
    p.end();
    return Downsample(img, 256, 224);
}

// ---------------------------------------------------------------------------------------------
// About logo: a home console with a cartridge in its slot, and a controller in front.

QImage DrawAboutLogo() {
    const int s = 4;
    const int w = 93 * s;
    const int h = 85 * s;
    QImage img = NewImage(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, h);
    bg.setColorAt(0, QColor(40, 56, 96));
    bg.setColorAt(1, QColor(10, 14, 30));
    p.fillRect(img.rect(), bg);
    // The About box shows this picture stretched to 137 x 89, much wider than it is; the drawing
    // is narrowed by the same ratio so the console looks right there.
    const double widen = (137.0 / 93.0) / (89.0 / 85.0);
    p.translate(w / 2.0, 0);
    p.scale(s / widen, s);
    p.translate(-48, 0);
    // Console body, seen a little from above: a top face and a front face.
    QPainterPath top;
    top.moveTo(10, 22);
    top.lineTo(76, 18);
    top.lineTo(86, 30);
    top.lineTo(16, 36);
    top.closeSubpath();
    QLinearGradient tg(10, 18, 80, 36);
    tg.setColorAt(0, QColor(226, 228, 234));
    tg.setColorAt(1, QColor(170, 174, 184));
    p.fillPath(top, tg);
    QPainterPath front;
    front.moveTo(16, 36);
    front.lineTo(86, 30);
    front.lineTo(86, 42);
    front.lineTo(16, 49);
    front.closeSubpath();
    QLinearGradient fg(0, 30, 0, 49);
    fg.setColorAt(0, QColor(140, 144, 156));
    fg.setColorAt(1, QColor(80, 84, 96));
    p.fillPath(front, fg);
    p.setPen(QPen(QColor(30, 34, 44), 0.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(top);
    p.drawPath(front);
    // Cartridge standing in the slot.
    QPainterPath cart;
    cart.moveTo(34, 26);
    cart.lineTo(34, 8);
    cart.quadTo(34, 6, 36, 6);
    cart.lineTo(58, 5);
    cart.quadTo(60, 5, 60, 7);
    cart.lineTo(60, 24);
    cart.closeSubpath();
    p.fillPath(cart, QColor(70, 74, 86));
    p.fillRect(QRectF(38, 9, 18, 10), QColor(240, 150, 40));
    p.fillRect(QRectF(40, 11, 14, 2), QColor(255, 235, 200));
    p.fillRect(QRectF(40, 14.5, 10, 1.4), QColor(120, 40, 10));
    p.setPen(QPen(QColor(20, 22, 30), 0.5));
    p.drawPath(cart);
    // Power light and two switches on the front.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 60, 60));
    p.drawEllipse(QPointF(22, 42), 1.4, 1.4);
    p.setBrush(QColor(60, 64, 76));
    p.drawRoundedRect(QRectF(28, 39, 8, 3.2), 1.2, 1.2);
    p.drawRoundedRect(QRectF(40, 38.2, 8, 3.2), 1.2, 1.2);
    // Controller: a rounded wedge with a cross pad and two buttons.
    QPainterPath pad;
    pad.addRoundedRect(QRectF(22, 56, 50, 20), 10, 10);
    p.fillPath(pad.translated(1.2, 1.6), QColor(0, 0, 0, 110));
    QLinearGradient pg(0, 56, 0, 76);
    pg.setColorAt(0, QColor(214, 218, 226));
    pg.setColorAt(1, QColor(130, 134, 146));
    p.fillPath(pad, pg);
    // Cable from the controller to the console.
    QPainterPath cable;
    cable.moveTo(47, 56);
    cable.cubicTo(47, 50, 30, 54, 26, 47);
    p.setPen(QPen(QColor(30, 32, 40), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(cable);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 42, 52));
    p.drawRect(QRectF(28.5, 62, 3, 9));
    p.drawRect(QRectF(25.5, 65, 9, 3));
    p.setBrush(QColor(90, 94, 106));
    p.drawRoundedRect(QRectF(41, 68, 5, 1.8), 0.9, 0.9);
    p.drawRoundedRect(QRectF(48, 68, 5, 1.8), 0.9, 0.9);
    p.setBrush(QColor(30, 170, 200));
    p.drawEllipse(QPointF(59, 68), 2.6, 2.6);
    p.setBrush(QColor(240, 120, 40));
    p.drawEllipse(QPointF(65, 63.5), 2.6, 2.6);
    p.end();
    return Downsample(img, 93, 85);
}

// ---------------------------------------------------------------------------------------------
// Vector pictures: written as SVG text.

// The detail-line icon: a small cartridge with a bright label, pointing right.
const char* const kDetailIconSvg =
    R"svg(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="25" height="15" viewBox="0 0 25 15">
  <defs>
    <linearGradient id="body" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#f2f4f8"/>
      <stop offset="1" stop-color="#a9b0bd"/>
    </linearGradient>
  </defs>
  <path d="M2.5 1.5 H15.5 L18 4 V11 L15.5 13.5 H2.5 Q1.5 13.5 1.5 12.5 V2.5 Q1.5 1.5 2.5 1.5 Z"
        fill="url(#body)" stroke="#2a2f3a" stroke-width="0.8"/>
  <rect x="4" y="3.6" width="9.5" height="7.8" rx="0.8" fill="#f0a030" stroke="#7a4a10" stroke-width="0.5"/>
  <rect x="5.2" y="5" width="7" height="1.3" fill="#fff3da"/>
  <rect x="5.2" y="7.4" width="4.5" height="1" fill="#7a3a10"/>
  <path d="M19.5 4 L24 7.5 L19.5 11 Z" fill="#ffd060" stroke="#6a4a10" stroke-width="0.5"/>
</svg>
)svg";

// The program's icon: a bevelled ring around a steel "V" on a rust-red tile.
const char* const kProgramIconSvg =
    R"svg(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <defs>
    <linearGradient id="tile" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#a0481e"/>
      <stop offset="1" stop-color="#3a160a"/>
    </linearGradient>
    <linearGradient id="ring" x1="0" y1="0" x2="1" y2="1">
      <stop offset="0" stop-color="#f4f6f9"/>
      <stop offset="0.45" stop-color="#8a8f98"/>
      <stop offset="0.7" stop-color="#d6dae0"/>
      <stop offset="1" stop-color="#4c5058"/>
    </linearGradient>
    <radialGradient id="field" cx="0.4" cy="0.35" r="0.7">
      <stop offset="0" stop-color="#4a505c"/>
      <stop offset="1" stop-color="#121318"/>
    </radialGradient>
    <linearGradient id="vface" x1="0" y1="0" x2="0.6" y2="1">
      <stop offset="0" stop-color="#ffffff"/>
      <stop offset="0.4" stop-color="#a8aeb8"/>
      <stop offset="0.55" stop-color="#e2e6ec"/>
      <stop offset="1" stop-color="#6c7078"/>
    </linearGradient>
  </defs>
  <rect x="8" y="8" width="240" height="240" rx="44" fill="url(#tile)"/>
  <rect x="8" y="8" width="240" height="240" rx="44" fill="none" stroke="#1c0a04" stroke-width="4"/>
  <circle cx="128" cy="128" r="100" fill="url(#ring)"/>
  <circle cx="128" cy="128" r="80" fill="url(#field)" stroke="#1a1b20" stroke-width="3"/>
  <path d="M74 84 H100 L128 150 L156 84 H182 L136 190 H120 Z" fill="#000000" opacity="0.55"
        transform="translate(4 6)"/>
  <path d="M74 84 H100 L128 150 L156 84 H182 L136 190 H120 Z" fill="url(#vface)"
        stroke="#2a2c32" stroke-width="2"/>
</svg>
)svg";

void WriteText(const QString& path, const char* text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) < 0) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

}  // namespace

void WriteStoredPictures(const QString& folder) {
    const QString dir = folder + "/";
    // Rusted steel plates with a bevelled steel ring carrying a "V", at the left.
    SaveImage(DrawDefaultBackground(), dir + "background_default.jpg");
    // Curling pink, blue and teal nebula clouds in a field of stars.
    SaveImage(DrawSpace(), dir + "background_space.jpg");
    // A red rose of curved petals on a leafy stem, over soft out-of-focus light.
    SaveImage(DrawRose(), dir + "background_rose.jpg");
    // A spiral valley at the edge of the Mandelbrot set, in a smooth cosine palette.
    SaveImage(DrawFractal(), dir + "background_fractal.jpg");
    // A long white ship with three glowing nozzles passing over a lit, cloudy planet.
    SaveImage(DrawStarship(), dir + "background_starship.jpg");
    // "Varnimo" in big rainbow letters on a wave, with "SELECT A GAME" below, on black.
    SaveImage(DrawDefaultScreen(), dir + "default_screen.jpg");
    // "NO IMAGE" / "AVAILABLE" in white capitals on black.
    SaveImage(DrawNoImage(), dir + "no_image.jpg");
    // A grey console with an orange-labelled cartridge and a two-button controller.
    SaveImage(DrawAboutLogo(), dir + "about_logo.jpg");
    // A small light cartridge with an orange label and a yellow arrow, for the detail lines.
    WriteText(dir + "detail_icon.svg", kDetailIconSvg);
    // The program's icon: a steel ring with a "V" on a rust-red rounded tile. Its PNG sizes
    // for the icon theme are drawn from this file at build time (tools/icons).
    WriteText(dir + "varnimo.svg", kProgramIconSvg);
}

}  // namespace varnimo::picturegen
