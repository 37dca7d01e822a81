#include "demo_screens.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "paint_kit.h"

namespace varnimo::picturegen {

namespace {

constexpr int kW = 256;  // the console's screen size
constexpr int kH = 224;
constexpr std::size_t kLeftOut = 6;  // screenshots deliberately left without a file

struct CatalogueEntry {
    QString title;
    QString startupShot;
    QString ingameShot;
    int genre = 0;
    int players = 0;
};

// One colour scheme per kind of world; a title picks one from the words in its name or,
// failing that, from its seed.
struct Theme {
    QColor skyTop, skyBottom, far, nearHills, ground, groundTop, accent, accent2;
    bool night;
};

enum class ThemeId { Meadow, Desert, Ice, Cave, Lava, Ocean, Space, Candy, Autumn, Dusk };

Theme MakeTheme(ThemeId id) {
    switch (id) {
        case ThemeId::Meadow:
            return {{60, 120, 230}, {170, 220, 255}, {110, 160, 200}, {60, 150, 70}, {140, 90, 50},
                    {70, 180, 60},  {255, 210, 40},  {230, 60, 60},   false};
        case ThemeId::Desert:
            return {{230, 120, 60}, {255, 220, 140}, {200, 130, 90},
                    {190, 110, 60}, {170, 100, 50},  {230, 180, 100},
                    {80, 200, 220}, {140, 40, 120},  false};
        case ThemeId::Ice:
            return {{40, 70, 150},   {190, 220, 250}, {160, 190, 230},
                    {220, 235, 250}, {120, 150, 200}, {240, 250, 255},
                    {255, 120, 180}, {40, 200, 255},  false};
        case ThemeId::Cave:
            return {{10, 10, 30},   {40, 30, 70},    {50, 40, 80},   {70, 50, 90}, {60, 50, 60},
                    {120, 100, 90}, {120, 255, 160}, {255, 200, 60}, true};
        case ThemeId::Lava:
            return {{40, 0, 10},    {200, 60, 20},  {100, 30, 30},  {60, 20, 20}, {70, 40, 40},
                    {255, 120, 30}, {255, 230, 80}, {90, 200, 255}, true};
        case ThemeId::Ocean:
            return {{20, 80, 170},  {120, 200, 240}, {60, 140, 180},
                    {30, 110, 150}, {210, 190, 130}, {250, 230, 160},
                    {255, 140, 60}, {255, 255, 255}, false};
        case ThemeId::Space:
            return {{0, 0, 10},      {30, 10, 60},   {60, 30, 110},  {90, 60, 150}, {80, 80, 100},
                    {160, 160, 190}, {80, 255, 255}, {255, 80, 200}, true};
        case ThemeId::Candy:
            return {{250, 140, 200}, {255, 230, 240}, {200, 160, 240},
                    {250, 170, 210}, {160, 90, 140},  {255, 250, 255},
                    {90, 220, 200},  {255, 200, 60},  false};
        case ThemeId::Autumn:
            return {{90, 140, 210}, {250, 210, 160}, {200, 120, 80}, {180, 80, 40}, {110, 70, 40},
                    {220, 140, 40}, {255, 230, 90},  {120, 40, 40},  false};
        case ThemeId::Dusk:
            return {{30, 20, 80},   {240, 120, 120}, {110, 60, 130},  {60, 40, 90}, {70, 50, 60},
                    {140, 90, 150}, {255, 220, 100}, {100, 230, 255}, true};
    }
    return MakeTheme(ThemeId::Meadow);
}

ThemeId PickTheme(const QString& title, Rng& rng) {
    const QString t = title.toLower();
    struct Hint {
        const char* word;
        ThemeId theme;
    };
    static const Hint hints[] = {
        {"frost", ThemeId::Ice},      {"glacier", ThemeId::Ice},    {"blizzard", ThemeId::Ice},
        {"yeti", ThemeId::Ice},       {"fjord", ThemeId::Ice},      {"nebula", ThemeId::Space},
        {"galaxy", ThemeId::Space},   {"quasar", ThemeId::Space},   {"comet", ThemeId::Space},
        {"orbit", ThemeId::Space},    {"rocket", ThemeId::Space},   {"aether", ThemeId::Space},
        {"ember", ThemeId::Lava},     {"saffron", ThemeId::Lava},   {"dragon", ThemeId::Lava},
        {"tidal", ThemeId::Ocean},    {"harbor", ThemeId::Ocean},   {"puddle", ThemeId::Ocean},
        {"krill", ThemeId::Ocean},    {"island", ThemeId::Ocean},   {"dungeon", ThemeId::Cave},
        {"umbra", ThemeId::Cave},     {"labyrinth", ThemeId::Cave}, {"mole", ThemeId::Cave},
        {"quarry", ThemeId::Cave},    {"canyon", ThemeId::Desert},  {"amber", ThemeId::Desert},
        {"jelly", ThemeId::Candy},    {"bubble", ThemeId::Candy},   {"plum", ThemeId::Candy},
        {"noodle", ThemeId::Dusk},    {"neon", ThemeId::Dusk},      {"velvet", ThemeId::Dusk},
        {"onyx", ThemeId::Dusk},      {"orchard", ThemeId::Autumn}, {"acorn", ThemeId::Autumn},
        {"thistle", ThemeId::Autumn}, {"hollow", ThemeId::Autumn},  {"meadow", ThemeId::Meadow},
        {"bunny", ThemeId::Meadow},   {"farm", ThemeId::Meadow},
    };
    for (const Hint& h : hints) {
        if (t.contains(QLatin1String(h.word)))
            return h.theme;
    }
    return static_cast<ThemeId>(rng.Int(0, 9));
}

// The title as the game would print it: without the region and release marks in brackets.
QString GameName(const QString& title) {
    static const QRegularExpression marks(R"(\s*\([^)]*\))");
    QString name = title;
    name.remove(marks);
    return name.trimmed();
}

// ---------------------------------------------------------------------------------------------
// Pixel-art building blocks. Everything is drawn without smoothing, as the console would.

QFont PixelFont(int px, bool bold = true) {
    QFont f("DejaVu Sans Mono");
    f.setPixelSize(px);
    f.setBold(bold);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

void ShadowText(QPainter& p, int x, int y, const QString& text, const QColor& colour, int px = 9) {
    p.setFont(PixelFont(px));
    p.setPen(QColor(0, 0, 0));
    p.drawText(x + 1, y + 1, text);
    p.setPen(colour);
    p.drawText(x, y, text);
}

// A vertical gradient in a few flat bands, like a palette-limited sky.
void BandedSky(QPainter& p, QRect r, const QColor& top, const QColor& bottom, int bands) {
    for (int i = 0; i < bands; ++i) {
        const int y0 = r.top() + r.height() * i / bands;
        const int y1 = r.top() + r.height() * (i + 1) / bands;
        p.fillRect(QRect(r.left(), y0, r.width(), y1 - y0),
                   Mix(top, bottom, i / double(bands - 1)));
    }
}

void Starfield(QPainter& p, Rng& rng, int count, QRect r) {
    for (int i = 0; i < count; ++i) {
        const int x = r.left() + rng.Int(0, r.width() - 1);
        const int y = r.top() + rng.Int(0, r.height() - 1);
        const int b = rng.Int(110, 255);
        p.fillRect(x, y, 1, 1, QColor(b, b, std::min(255, b + 30)));
        if (rng.Chance(0.06)) {
            p.fillRect(x - 1, y, 3, 1, QColor(b, b, 255));
            p.fillRect(x, y - 1, 1, 3, QColor(b, b, 255));
        }
    }
}

void Cloud(QPainter& p, int x, int y, int size, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour.darker(112));
    p.drawEllipse(QRect(x, y + size / 3 + 2, size * 2, size / 2 + 2));
    p.setBrush(colour);
    p.drawEllipse(QRect(x, y + size / 3, size * 2, size / 2));
    p.drawEllipse(QRect(x + size / 3, y, size, size * 2 / 3 + 2));
    p.drawEllipse(QRect(x + size * 3 / 4, y + size / 8, size, size * 2 / 3));
}

// A ridge line across the screen from noise, filled down to the bottom of r.
void Ridge(QPainter& p, QRect r, int base, int amplitude, double roughness, const QColor& colour,
           std::uint32_t seed) {
    for (int x = r.left(); x <= r.right(); ++x) {
        const double n = Fbm(x / roughness, 0.5, 4, seed);
        const int top = base - static_cast<int>(amplitude * n);
        p.fillRect(x, top, 1, r.bottom() - top + 1, colour);
    }
}

// A mirror-symmetric random sprite with an outline: characters, enemies and ships.
QImage MakeSprite(Rng& rng, int w, int h, const QColor& body, const QColor& detail,
                  double density = 0.55) {
    QImage s(w, h, QImage::Format_ARGB32);
    s.fill(Qt::transparent);
    const int half = (w + 1) / 2;
    for (int y = 1; y < h - 1; ++y) {
        for (int x = 1; x < half; ++x) {
            // Fuller towards the middle so the shape holds together.
            const double cx = (half - x) / double(half);
            const double cy = std::abs(y - h / 2.0) / (h / 2.0);
            const double p = density + 0.35 * cx - 0.35 * cy;
            if (rng.Unit() < p) {
                const QColor c = rng.Chance(0.22) ? detail : body;
                s.setPixelColor(x, y, c);
                s.setPixelColor(w - 1 - x, y, c);
            }
        }
    }
    // Eyes, so living things look back at the player.
    const int ey = h / 3;
    const int ex = std::max(1, half - 3);
    for (const int x : {ex, w - 1 - ex}) {
        s.setPixelColor(x, ey, Qt::white);
        s.setPixelColor(x, ey + 1, QColor(20, 20, 30));
    }
    QImage out = s.copy();
    const QColor outline(16, 12, 24);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (s.pixelColor(x, y).alpha() != 0)
                continue;
            const bool edge = (x > 0 && s.pixelColor(x - 1, y).alpha()) ||
                              (x < w - 1 && s.pixelColor(x + 1, y).alpha()) ||
                              (y > 0 && s.pixelColor(x, y - 1).alpha()) ||
                              (y < h - 1 && s.pixelColor(x, y + 1).alpha());
            if (edge)
                out.setPixelColor(x, y, outline);
        }
    }
    return out;
}

void DrawSprite(QPainter& p, const QImage& sprite, int x, int y, int scale = 1, bool flip = false) {
    const QImage s = flip ? sprite.mirrored(true, false) : sprite;
    p.drawImage(QRect(x, y, s.width() * scale, s.height() * scale), s);
}

// Two draws in one call's arguments would come out in whichever order the compiler picks,
// so every multi-value draw goes through a helper that sequences them.
QPoint RandPoint(Rng& rng, int x0, int x1, int y0, int y1) {
    const int x = rng.Int(x0, x1);
    const int y = rng.Int(y0, y1);
    return {x, y};
}

QColor RandomBright(Rng& rng) {
    const int h = rng.Int(0, 359);
    const int sat = rng.Int(150, 230);
    const int v = rng.Int(200, 255);
    return QColor::fromHsv(h, sat, v);
}

// A 16 x 16 ground tile: earth with specks under a grassy (or icy, sandy...) lip.
void GroundTile(QPainter& p, int x, int y, const Theme& t, Rng& rng, bool top) {
    p.fillRect(x, y, 16, 16, t.ground);
    p.fillRect(x, y + 15, 16, 1, t.ground.darker(140));
    p.fillRect(x + 15, y, 1, 16, t.ground.darker(130));
    for (int i = 0; i < 5; ++i) {
        const QPoint dark = RandPoint(rng, 1, 13, 4, 13);
        const QPoint light = RandPoint(rng, 1, 13, 4, 13);
        p.fillRect(x + dark.x(), y + dark.y(), 2, 1, t.ground.darker(125));
        p.fillRect(x + light.x(), y + light.y(), 1, 1, t.ground.lighter(125));
    }
    if (top) {
        p.fillRect(x, y, 16, 4, t.groundTop);
        p.fillRect(x, y, 16, 1, t.groundTop.lighter(130));
        for (int i = 0; i < 16; i += 3) {
            p.fillRect(x + i, y + 4, 2, 1 + (i * 7 + x) % 3, t.groundTop.darker(120));
        }
    }
}

void Gem(QPainter& p, int x, int y, const QColor& c) {
    QPolygon d;
    d << QPoint(x + 3, y) << QPoint(x + 6, y + 4) << QPoint(x + 3, y + 8) << QPoint(x, y + 4);
    p.setPen(QColor(20, 20, 30));
    p.setBrush(c);
    p.drawPolygon(d);
    p.fillRect(x + 2, y + 2, 1, 2, Qt::white);
}

void Heart(QPainter& p, int x, int y, bool full) {
    static const char* rows[] = {".XX.XX.", "XXXXXXX", "XXXXXXX", ".XXXXX.", "..XXX..", "...X..."};
    for (int r = 0; r < 6; ++r) {
        for (int c = 0; c < 7; ++c) {
            if (rows[r][c] == 'X') {
                p.fillRect(x + c, y + r, 1, 1, full ? QColor(240, 40, 60) : QColor(70, 50, 60));
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// In-game scenes, one kind per family of genres.

void SideBackdrop(QPainter& p, const Theme& t, Rng& rng, std::uint32_t seed, int horizon) {
    BandedSky(p, QRect(0, 0, kW, horizon), t.skyTop, t.skyBottom, 10);
    if (t.night) {
        Starfield(p, rng, 70, QRect(0, 0, kW, horizon * 2 / 3));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 240, 200));
        p.drawEllipse(RandPoint(rng, 30, 220, 20, 45), 11, 11);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 250, 200));
        p.drawEllipse(RandPoint(rng, 30, 220, 18, 36), 12, 12);
        for (int i = 0; i < 4; ++i) {
            const QPoint at = RandPoint(rng, -20, 230, 10, horizon / 2);
            Cloud(p, at.x(), at.y(), rng.Int(12, 22), QColor(255, 255, 255));
        }
    }
    Ridge(p, QRect(0, 0, kW, horizon), horizon - 30, 50, 45.0, t.far, seed + 1);
    Ridge(p, QRect(0, 0, kW, horizon), horizon - 6, 34, 28.0, t.nearHills, seed + 2);
}

void Hud(QPainter& p, Rng& rng, const QColor& accent) {
    p.fillRect(0, 0, kW, 14, QColor(0, 0, 0, 150));
    ShadowText(p, 6, 10, QString("SCORE %1").arg(rng.Int(0, 99) * 250, 6, 10, QChar('0')),
               Qt::white);
    ShadowText(p, 110, 10, QString("x%1").arg(rng.Int(1, 5)), accent);
    const int hearts = rng.Int(1, 5);
    for (int i = 0; i < 5; ++i)
        Heart(p, 140 + i * 9, 4, i < hearts);
    ShadowText(p, 200, 10, QString("T%1").arg(rng.Int(40, 400), 3, 10, QChar('0')), Qt::white);
}

void ScenePlatformer(QPainter& p, const Theme& t, Rng& rng, std::uint32_t seed) {
    const int groundY = 176;
    SideBackdrop(p, t, rng, seed, groundY);
    // Ground with one or two pits.
    const int pit = rng.Int(4, 11);
    for (int tx = 0; tx < 16; ++tx) {
        if (tx == pit || (tx == pit + 1 && rng.Chance(0.5)))
            continue;
        for (int ty = 0; ty < 3; ++ty)
            GroundTile(p, tx * 16, groundY + ty * 16, t, rng, ty == 0);
    }
    // Floating ledges with gems above them.
    for (int i = 0; i < 3; ++i) {
        const int len = rng.Int(2, 4);
        const int lx = rng.Int(0, 15 - len) * 16;
        const int ly = 80 + i * 30 + rng.Int(-6, 6);
        for (int k = 0; k < len; ++k)
            GroundTile(p, lx + k * 16, ly, t, rng, true);
        for (int k = 0; k < len; ++k)
            Gem(p, lx + k * 16 + 5, ly - 12, t.accent);
    }
    // A signpost and a bush break the ground line up.
    p.fillRect(rng.Int(20, 60), groundY - 14, 2, 14, QColor(90, 60, 30));
    p.setPen(Qt::NoPen);
    p.setBrush(t.nearHills.darker(120));
    p.drawEllipse(QRect(rng.Int(150, 220), groundY - 10, 26, 14));
    const QImage hero = MakeSprite(rng, 10, 14, RandomBright(rng), t.accent2, 0.7);
    DrawSprite(p, hero, 56, groundY - 28, 2);
    for (int i = 0; i < 3; ++i) {
        const QImage foe = MakeSprite(rng, 9, 9, RandomBright(rng), t.accent, 0.6);
        const int ex = 110 + i * 48 + rng.Int(-8, 8);
        const bool flying = rng.Chance(0.4);
        DrawSprite(p, foe, ex, flying ? rng.Int(50, 120) : groundY - 18, 2, true);
    }
    Hud(p, rng, t.accent);
}

void SceneShooter(QPainter& p, const Theme& t, Rng& rng, std::uint32_t seed) {
    BandedSky(p, QRect(0, 0, kW, kH), Theme{MakeTheme(ThemeId::Space)}.skyTop, t.skyTop.darker(250),
              8);
    Starfield(p, rng, 140, QRect(0, 0, kW, kH));
    // A planet edge or terrain strip scrolling past on one side.
    p.setPen(Qt::NoPen);
    p.setBrush(t.far);
    const bool left = rng.Chance(0.5);
    p.drawEllipse(QPoint(left ? -40 : kW + 40, rng.Int(60, 160)), 80, 80);
    p.setBrush(t.nearHills);
    p.drawEllipse(QPoint(left ? -46 : kW + 46, rng.Int(60, 160)), 60, 60);
    (void)seed;
    // Formation of enemies.
    const QImage foeA = MakeSprite(rng, 11, 9, RandomBright(rng), t.accent2, 0.6);
    const QImage foeB = MakeSprite(rng, 9, 9, RandomBright(rng), t.accent, 0.6);
    const int cols = rng.Int(5, 7);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < cols; ++c) {
            if (rng.Chance(0.2))
                continue;
            const int x = 128 - cols * 14 + c * 28;
            DrawSprite(p, r == 0 ? foeA : foeB, x, 28 + r * 24 + (c % 2) * 4, 2);
        }
    }
    // The player's ship: a sprite forced into an arrow shape.
    QImage ship = MakeSprite(rng, 13, 14, QColor(210, 220, 235), t.accent, 0.75);
    for (int y = 0; y < 14; ++y) {
        for (int x = 0; x < 13; ++x) {
            if (std::abs(x - 6) > y / 2 + 1)
                ship.setPixelColor(x, y, Qt::transparent);
        }
    }
    const int sx = rng.Int(80, 160);
    p.fillRect(sx + 10, 196, 6, 8, QColor(255, 200, 60));
    p.fillRect(sx + 11, 204, 4, 5, QColor(255, 90, 30));
    DrawSprite(p, ship, sx, 170, 2);
    // Shots and a burst where one hit.
    for (int i = 0; i < 6; ++i)
        p.fillRect(sx + 12, 160 - i * 18, 2, 8, t.accent);
    for (int i = 0; i < 5; ++i)
        p.fillRect(QRect(RandPoint(rng, 20, 230, 90, 160), QSize(3, 3)), t.accent2);
    // A burst where a shot hit: a ragged star of three shrinking layers.
    const QPoint burst = RandPoint(rng, 50, 200, 40, 100);
    for (int layer = 0; layer < 3; ++layer) {
        const double outer = 15 - layer * 5;
        QPolygon star;
        for (int k = 0; k < 16; ++k) {
            const double a = k * std::numbers::pi / 8;
            const double r = (k % 2 ? outer * 0.5 : outer) * rng.Range(0.8, 1.1);
            star << burst + QPoint(static_cast<int>(r * std::cos(a)),
                                   static_cast<int>(r * std::sin(a)));
        }
        p.setBrush(layer == 0   ? QColor(230, 60, 20)
                   : layer == 1 ? QColor(255, 170, 40)
                                : QColor(255, 250, 200));
        p.drawPolygon(star);
    }
    Hud(p, rng, t.accent);
}

void SceneRacing(QPainter& p, const Theme& t, Rng& rng, std::uint32_t seed) {
    const int horizon = 96;
    SideBackdrop(p, t, rng, seed, horizon);
    const double curve = rng.Range(-1.0, 1.0);
    const double phase = rng.Range(0, 10);
    for (int y = horizon; y < kH; ++y) {
        const double depth = (y - horizon + 1) / double(kH - horizon);  // 0 far, 1 near
        const double z = 1.0 / depth;
        const int centre = 128 + static_cast<int>(curve * 90 * (1 - depth) * (1 - depth));
        const int half = static_cast<int>(10 + 150 * depth);
        const bool stripe = static_cast<int>(std::floor(z * 3 + phase)) % 2 == 0;
        p.fillRect(0, y, kW, 1, stripe ? t.groundTop : t.groundTop.darker(115));
        p.fillRect(centre - half, y, half * 2, 1,
                   stripe ? QColor(100, 100, 110) : QColor(92, 92, 102));
        const int kerb = std::max(1, half / 8);
        const QColor kerbColour = stripe ? QColor(240, 240, 240) : QColor(220, 40, 40);
        p.fillRect(centre - half - kerb, y, kerb, 1, kerbColour);
        p.fillRect(centre + half, y, kerb, 1, kerbColour);
        if (stripe)
            p.fillRect(centre - std::max(1, half / 40), y, std::max(1, half / 20), 1, Qt::white);
    }
    // Cars: the player's at the bottom, rivals ahead, all seen from behind.
    auto car = [&](int cx, int by, int w, const QColor& c) {
        const int h = w / 2;
        p.fillRect(cx - w / 2, by - h, w, h, c);
        p.fillRect(cx - w / 2 + w / 6, by - h - h / 2, w * 2 / 3, h / 2, c.darker(130));
        p.fillRect(cx - w / 2 + w / 5, by - h - h / 2 + 1, w * 3 / 5, std::max(1, h / 4),
                   QColor(150, 210, 255));
        p.fillRect(cx - w / 2 - w / 10, by - h / 2, w / 6, h / 2 + 1, QColor(20, 20, 20));
        p.fillRect(cx + w / 2 - w / 15, by - h / 2, w / 6, h / 2 + 1, QColor(20, 20, 20));
        p.fillRect(cx - w / 2 + 2, by - h + 2, w / 6, std::max(1, h / 5), QColor(255, 60, 40));
        p.fillRect(cx + w / 2 - 2 - w / 6, by - h + 2, w / 6, std::max(1, h / 5),
                   QColor(255, 60, 40));
    };
    const int rivalX = 128 + rng.Int(-40, 30);
    car(rivalX, 140, 22, RandomBright(rng));
    const int farX = 128 + rng.Int(-20, 20) + static_cast<int>(curve * 30);
    car(farX, 116, 12, RandomBright(rng));
    const int ownX = 128 + rng.Int(-30, 30);
    car(ownX, 214, 56, RandomBright(rng));
    p.fillRect(0, 0, kW, 14, QColor(0, 0, 0, 150));
    ShadowText(p, 6, 10, QString("LAP %1/3").arg(rng.Int(1, 3)), Qt::white);
    ShadowText(p, 80, 10, QString("POS %1").arg(rng.Int(1, 8)), t.accent);
    ShadowText(p, 150, 10, QString("%1 KM/H").arg(rng.Int(120, 290)), Qt::white);
}

// Tile map seen from above: water, sand, grass, woods and rock from noise.
void TopDownMap(QPainter& p, const Theme& t, std::uint32_t seed, int tile) {
    const QColor water = t.night ? QColor(30, 40, 110) : QColor(50, 110, 220);
    for (int ty = 0; ty * tile < kH; ++ty) {
        for (int tx = 0; tx * tile < kW; ++tx) {
            const double n = Fbm(tx / 6.0, ty / 6.0, 4, seed);
            const int x = tx * tile;
            const int y = ty * tile;
            if (n < 0.38) {
                p.fillRect(x, y, tile, tile, water);
                if ((tx + ty) % 3 == 0)
                    p.fillRect(x + 3, y + tile / 2, tile / 3, 1, water.lighter(140));
            } else if (n < 0.43) {
                p.fillRect(x, y, tile, tile, QColor(230, 210, 150));
            } else if (n < 0.62) {
                p.fillRect(x, y, tile, tile, t.groundTop);
                if ((tx * 7 + ty * 3) % 5 == 0)
                    p.fillRect(x + 4, y + 5, 2, 2, t.groundTop.darker(130));
            } else if (n < 0.72) {
                p.fillRect(x, y, tile, tile, t.groundTop.darker(115));
                p.setPen(Qt::NoPen);
                p.setBrush(t.nearHills.darker(130));
                p.drawEllipse(QRect(x + 1, y + 1, tile - 2, tile - 4));
                p.fillRect(x + tile / 2 - 1, y + tile - 4, 2, 3, QColor(90, 60, 30));
            } else {
                p.fillRect(x, y, tile, tile, t.far.darker(110));
                p.fillRect(x + 2, y + 2, tile - 6, 2, t.far.lighter(130));
            }
        }
    }
}

void DialogueBox(QPainter& p, QRect r, const QStringList& lines) {
    p.fillRect(r, QColor(20, 30, 110));
    p.setPen(QColor(255, 255, 255));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(2, 2, -3, -3));
    p.setPen(QColor(120, 140, 220));
    p.drawRect(r.adjusted(4, 4, -5, -5));
    p.setFont(PixelFont(10, false));
    p.setPen(Qt::white);
    for (int i = 0; i < lines.size(); ++i)
        p.drawText(r.left() + 10, r.top() + 18 + i * 13, lines[i]);
}

void SceneRpg(QPainter& p, const Theme& t, Rng& rng, std::uint32_t seed) {
    TopDownMap(p, t, seed, 16);
    // A little village: two houses and a path.
    for (int i = 0; i < 2; ++i) {
        const int hx = rng.Int(1, 12) * 16;
        const int hy = rng.Int(1, 6) * 16;
        p.fillRect(hx, hy + 10, 32, 22, QColor(220, 200, 160));
        QPolygon roof;
        roof << QPoint(hx - 3, hy + 12) << QPoint(hx + 16, hy - 2) << QPoint(hx + 35, hy + 12);
        p.setPen(Qt::NoPen);
        p.setBrush(t.accent2);
        p.drawPolygon(roof);
        p.fillRect(hx + 12, hy + 20, 8, 12, QColor(90, 50, 30));
    }
    const QImage hero = MakeSprite(rng, 10, 12, RandomBright(rng), t.accent, 0.7);
    DrawSprite(p, hero, 120, 96, 2);
    const QImage npc = MakeSprite(rng, 10, 12, RandomBright(rng), t.accent2, 0.7);
    DrawSprite(p, npc, 150, 92, 2, true);
    static const char* talk[][2] = {
        {"The old bridge fell in the", "storm. Take the east road."},
        {"You found a silver key!", "It is cold to the touch."},
        {"Rest here, traveller. The", "inn is warm tonight."},
        {"They say the lantern in the", "tower never goes out..."},
    };
    const int k = rng.Int(0, 3);
    DialogueBox(p, QRect(8, 160, 240, 56), {talk[k][0], talk[k][1]});
}

void SceneStrategy(QPainter& p, const Theme& t, Rng& rng, std::uint32_t seed) {
    TopDownMap(p, t, seed, 16);
    p.setPen(QColor(0, 0, 0, 60));
    for (int x = 0; x < kW; x += 16)
        p.drawLine(x, 0, x, kH);
    for (int y = 0; y < kH; y += 16)
        p.drawLine(0, y, kW, y);
    // Two armies of small banners.
    const QColor teams[] = {QColor(60, 120, 255), QColor(240, 60, 60)};
    for (int side = 0; side < 2; ++side) {
        for (int i = 0; i < 5; ++i) {
            const int x = (side == 0 ? rng.Int(1, 5) : rng.Int(9, 13)) * 16;
            const int y = rng.Int(2, 11) * 16;
            p.fillRect(x + 3, y + 3, 10, 10, teams[side]);
            p.fillRect(x + 3, y + 3, 10, 2, teams[side].lighter(140));
            p.fillRect(x + 6, y + 6, 4, 4, Qt::white);
        }
    }
    // Cursor and a command menu.
    const int cx = rng.Int(4, 10) * 16;
    const int cy = rng.Int(3, 9) * 16;
    p.setPen(QPen(QColor(255, 255, 80), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(cx, cy, 16, 16);
    DialogueBox(p, QRect(180, 120, 70, 60), {"MOVE", "ATTACK", "WAIT"});
    p.fillRect(186, 130, 4, 4, QColor(255, 255, 80));
    ShadowText(p, 6, 12, QString("TURN %1").arg(rng.Int(1, 30)), Qt::white);
}

void SceneManager(QPainter& p, const Theme& t, Rng& rng) {
    BandedSky(p, QRect(0, 0, kW, kH), t.skyTop.darker(160), t.skyBottom.darker(200), 8);
    DialogueBox(p, QRect(6, 6, 244, 30),
                {QString("SEASON %1   WEEK %2").arg(rng.Int(1, 9)).arg(rng.Int(1, 40))});
    static const char* items[] = {"INCOME", "COSTS", "STAFF", "STOCK", "MOOD", "FAME"};
    p.fillRect(6, 42, 244, 118, QColor(10, 20, 40));
    for (int i = 0; i < 6; ++i) {
        const int y = 50 + i * 18;
        ShadowText(p, 12, y + 9, items[i], Qt::white);
        const int v = rng.Int(20, 120);
        p.fillRect(80, y, v, 10, i % 2 ? t.accent : t.accent2);
        p.fillRect(80, y, v, 2, QColor(255, 255, 255, 120));
        ShadowText(p, 210, y + 9, QString::number(v * 37), QColor(200, 220, 255));
    }
    // A small line chart of the last weeks.
    p.fillRect(6, 166, 244, 52, QColor(10, 20, 40));
    QPolygon chart;
    for (int i = 0; i < 12; ++i)
        chart << QPoint(14 + i * 20, 208 - rng.Int(0, 34));
    p.setPen(QPen(t.accent, 2));
    p.drawPolyline(chart);
}

void SceneBoard(QPainter& p, const Theme& t, Rng& rng) {
    BandedSky(p, QRect(0, 0, kW, kH), t.skyTop.darker(150), t.skyBottom.darker(170), 6);
    const int cell = 22;
    const int ox = 16;
    const int oy = 20;
    p.fillRect(ox - 4, oy - 4, cell * 8 + 8, cell * 8 + 8, QColor(70, 40, 20));
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            p.fillRect(ox + x * cell, oy + y * cell, cell, cell,
                       (x + y) % 2 ? QColor(120, 80, 40) : QColor(230, 200, 150));
            if ((x + y) % 2 && rng.Chance(0.35)) {
                const QColor c = y < 4 ? QColor(240, 240, 240) : QColor(40, 40, 50);
                p.setPen(QColor(0, 0, 0));
                p.setBrush(c);
                p.drawEllipse(QRect(ox + x * cell + 3, oy + y * cell + 3, cell - 6, cell - 6));
                p.setPen(c == QColor(40, 40, 50) ? QColor(100, 100, 110) : QColor(190, 190, 190));
                p.drawEllipse(QRect(ox + x * cell + 7, oy + y * cell + 7, cell - 14, cell - 14));
            }
        }
    }
    DialogueBox(p, QRect(198, 20, 54, 70), {"P1", QString::number(rng.Int(0, 12)), "P2"});
    ShadowText(p, 198, 110, "TURN", t.accent);
}

void SceneDungeon(QPainter& p, const Theme& t, Rng& rng) {
    // First-person corridor: nested frames shrinking to a door.
    const QRect view(8, 8, 240, 150);
    p.fillRect(view, QColor(0, 0, 0));
    const QColor wall = t.night ? t.far : t.ground;
    for (int d = 0; d < 5; ++d) {
        const int inset = 12 + d * 20;
        const QRect r = view.adjusted(inset * 2, inset, -inset * 2, -inset);
        const QRect outer =
            view.adjusted((inset - 20) * 2 + 20 * (d == 0), inset - 20 + 20 * (d == 0),
                          -((inset - 20) * 2 + 20 * (d == 0)), -(inset - 20 + 20 * (d == 0)));
        const QColor shade = Mix(wall, QColor(0, 0, 0), d * 0.18);
        QPolygon leftWall, rightWall, floor, ceiling;
        leftWall << outer.topLeft() << r.topLeft() << r.bottomLeft() << outer.bottomLeft();
        rightWall << outer.topRight() << r.topRight() << r.bottomRight() << outer.bottomRight();
        floor << outer.bottomLeft() << r.bottomLeft() << r.bottomRight() << outer.bottomRight();
        ceiling << outer.topLeft() << r.topLeft() << r.topRight() << outer.topRight();
        p.setPen(QColor(0, 0, 0));
        p.setBrush(shade);
        p.drawPolygon(leftWall);
        p.drawPolygon(rightWall);
        p.setBrush(Mix(QColor(60, 50, 40), QColor(0, 0, 0), d * 0.18));
        p.drawPolygon(floor);
        p.setBrush(Mix(QColor(30, 30, 40), QColor(0, 0, 0), d * 0.18));
        p.drawPolygon(ceiling);
        if (d == 4) {
            p.setBrush(QColor(100, 60, 30));
            p.drawRect(r.adjusted(r.width() / 4, r.height() / 6, -r.width() / 4, 0));
        }
    }
    // A torch on the left wall.
    p.fillRect(44, 60, 4, 16, QColor(120, 80, 40));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 180, 40));
    p.drawEllipse(QRect(41, 50, 10, 12));
    p.setBrush(QColor(255, 250, 180));
    p.drawEllipse(QRect(44, 54, 4, 6));
    // The party's stats.
    p.fillRect(0, 162, kW, 62, QColor(10, 10, 30));
    static const char* names[] = {"ARDEN", "MIRA", "TOVE", "KELL"};
    const int first = rng.Int(0, 3);
    for (int i = 0; i < 4; ++i) {
        const int x = 6 + i * 62;
        ShadowText(p, x, 178, names[(i + first) % 4], t.accent);
        const int hp = rng.Int(20, 99);
        ShadowText(p, x, 192, QString("HP %1").arg(hp), Qt::white);
        p.fillRect(x, 198, 52, 4, QColor(60, 20, 20));
        p.fillRect(x, 198, hp / 2, 4, QColor(80, 230, 90));
        ShadowText(p, x, 214, QString("MP %1").arg(rng.Int(0, 60)), QColor(150, 190, 255));
    }
}

void ScenePuzzle(QPainter& p, const Theme& t, Rng& rng) {
    // Patterned backdrop behind a sliding-tile board.
    for (int y = 0; y < kH; y += 16) {
        for (int x = 0; x < kW; x += 16) {
            p.fillRect(x, y, 16, 16,
                       ((x + y) / 16) % 2 ? t.skyTop.darker(160) : t.skyTop.darker(200));
        }
    }
    const int n = rng.Chance(0.5) ? 4 : 5;
    const int cell = n == 4 ? 40 : 32;
    const int ox = 16;
    const int oy = 32;
    p.fillRect(ox - 6, oy - 6, n * cell + 12, n * cell + 12, QColor(60, 40, 30));
    p.fillRect(ox - 3, oy - 3, n * cell + 6, n * cell + 6, QColor(200, 170, 120));
    p.fillRect(ox, oy, n * cell, n * cell, QColor(20, 16, 24));
    // Numbered tiles in a shuffled order, one gap; the colours follow each tile's home row,
    // so the solved rows stand out.
    std::vector<int> order(static_cast<std::size_t>(n * n));
    for (int i = 0; i < n * n; ++i)
        order[static_cast<std::size_t>(i)] = i;
    for (int i = n * n - 1; i > 0; --i)
        std::swap(order[static_cast<std::size_t>(i)],
                  order[static_cast<std::size_t>(rng.Int(0, i))]);
    const QColor rows[] = {t.accent, t.accent2, QColor(90, 200, 120), QColor(120, 140, 255),
                           QColor(240, 140, 60)};
    p.setFont(PixelFont(cell / 2));
    const QFontMetrics fm(p.font());
    for (int i = 0; i < n * n; ++i) {
        const int v = order[static_cast<std::size_t>(i)];
        if (v == n * n - 1)
            continue;  // the gap
        const int x = ox + (i % n) * cell;
        const int y = oy + (i / n) * cell;
        const QColor c = rows[v / n];
        p.fillRect(x + 1, y + 1, cell - 2, cell - 2, c);
        p.fillRect(x + 1, y + 1, cell - 2, 2, c.lighter(150));
        p.fillRect(x + 1, y + 1, 2, cell - 2, c.lighter(130));
        p.fillRect(x + 1, y + cell - 3, cell - 2, 2, c.darker(170));
        p.fillRect(x + cell - 3, y + 1, 2, cell - 2, c.darker(170));
        const QString label = QString::number(v + 1);
        p.setPen(QColor(0, 0, 0, 160));
        p.drawText(x + (cell - fm.horizontalAdvance(label)) / 2 + 1,
                   y + cell / 2 + fm.ascent() / 2 - 1, label);
        p.setPen(Qt::white);
        p.drawText(x + (cell - fm.horizontalAdvance(label)) / 2, y + cell / 2 + fm.ascent() / 2 - 2,
                   label);
    }
    DialogueBox(p, QRect(190, 32, 60, 56), {"MOVES", QString::number(rng.Int(3, 400))});
    DialogueBox(
        p, QRect(190, 96, 60, 56),
        {"TIME", QString("%1:%2").arg(rng.Int(0, 9)).arg(rng.Int(0, 59), 2, 10, QChar('0'))});
    ShadowText(p, 16, 20, QString("STAGE %1").arg(rng.Int(1, 40)), Qt::white);
}

void ScenePinball(QPainter& p, const Theme& t, Rng& rng) {
    BandedSky(p, QRect(0, 0, kW, kH), t.skyTop.darker(130), t.far.darker(160), 12);
    // Dot-matrix score display.
    p.fillRect(0, 0, kW, 20, QColor(30, 10, 0));
    ShadowText(p, 40, 14, QString("%1").arg(rng.Int(100000, 9999999)), QColor(255, 150, 30), 12);
    // Table walls.
    p.setPen(QPen(QColor(230, 230, 240), 3));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRect(20, 24, 216, 120), 0, 180 * 16);
    p.drawLine(20, 84, 20, 190);
    p.drawLine(236, 84, 236, 214);
    p.drawLine(220, 100, 220, 214);
    // Bumpers.
    for (int i = 0; i < 3; ++i) {
        const QPoint c(90 + i * 38 + rng.Int(-4, 4), 70 + (i % 2) * 28);
        p.setPen(QColor(0, 0, 0));
        p.setBrush(t.accent);
        p.drawEllipse(c, 13, 13);
        p.setBrush(t.accent2);
        p.drawEllipse(c, 8, 8);
        p.setBrush(Qt::white);
        p.drawEllipse(c - QPoint(3, 3), 2, 2);
    }
    // Slingshots and flippers.
    QPolygon left, right;
    left << QPoint(40, 150) << QPoint(40, 178) << QPoint(64, 188);
    right << QPoint(200, 150) << QPoint(200, 178) << QPoint(176, 188);
    p.setBrush(t.accent2);
    p.setPen(QColor(255, 255, 255));
    p.drawPolygon(left);
    p.drawPolygon(right);
    QPolygon fl, fr;
    fl << QPoint(70, 196) << QPoint(110, 206) << QPoint(70, 202);
    fr << QPoint(170, 196) << QPoint(130, 206) << QPoint(170, 202);
    p.setBrush(QColor(240, 240, 250));
    p.drawPolygon(fl);
    p.drawPolygon(fr);
    // Lane lights.
    for (int i = 0; i < 4; ++i) {
        p.setBrush(rng.Chance(0.5) ? QColor(255, 240, 80) : QColor(90, 80, 30));
        p.drawEllipse(QPoint(80 + i * 30, 130), 4, 4);
    }
    // The ball.
    p.setPen(QColor(60, 60, 70));
    p.setBrush(QColor(220, 225, 235));
    const QPoint ball = RandPoint(rng, 60, 180, 110, 170);
    p.drawEllipse(ball, 5, 5);
    p.fillRect(ball.x() - 2, ball.y() - 2, 2, 2, Qt::white);
}

void SceneSport(QPainter& p, const Theme& t, Rng& rng) {
    // A mown pitch in stripes, seen from above, with the crowd along the top.
    for (int y = 28; y < kH; y += 12) {
        p.fillRect(0, y, kW, 12, (y / 12) % 2 ? QColor(60, 150, 60) : QColor(70, 165, 70));
    }
    for (int x = 0; x < kW; x += 2) {
        const QPoint hueValue = RandPoint(rng, 0, 359, 120, 230);
        p.fillRect(x, 14, 2, 14, QColor::fromHsv(hueValue.x(), 120, hueValue.y()));
    }
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(10, 36, 236, 180);
    p.drawLine(128, 36, 128, 216);
    p.drawEllipse(QPoint(128, 126), 26, 26);
    p.drawRect(10, 96, 30, 60);
    p.drawRect(216, 96, 30, 60);
    const QColor home = RandomBright(rng);
    const QColor away = QColor::fromHsv((home.hue() + 180) % 360, 200, 240);
    const QImage a = MakeSprite(rng, 7, 10, home, Qt::white, 0.8);
    const QImage b = MakeSprite(rng, 7, 10, away, Qt::white, 0.8);
    for (int i = 0; i < 5; ++i) {
        const QPoint pa = RandPoint(rng, 20, 120, 44, 196);
        DrawSprite(p, a, pa.x(), pa.y(), 2);
        const QPoint pb = RandPoint(rng, 130, 226, 44, 196);
        DrawSprite(p, b, pb.x(), pb.y(), 2, true);
    }
    p.setPen(QColor(0, 0, 0));
    p.setBrush(Qt::white);
    p.drawEllipse(RandPoint(rng, 60, 190, 60, 190), 3, 3);
    p.fillRect(0, 0, kW, 14, QColor(0, 0, 0));
    ShadowText(p, 6, 10, QString("HOME %1 - %2 AWAY").arg(rng.Int(0, 4)).arg(rng.Int(0, 4)),
               Qt::white);
    ShadowText(p, 190, 10,
               QString("%1:%2")
                   .arg(rng.Int(0, 89), 2, 10, QChar('0'))
                   .arg(rng.Int(0, 59), 2, 10, QChar('0')),
               t.accent);
}

// Old-school demo effects: a plasma, raster bars and a scrolling greeting.
void SceneDemo(QPainter& p, const Theme& t, Rng& rng, const QString& name) {
    QImage plasma(kW, kH, QImage::Format_RGB32);
    const double f1 = rng.Range(0.03, 0.07);
    const double f2 = rng.Range(0.03, 0.07);
    const double shift = rng.Range(0, 1);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const double v = std::sin(x * f1) + std::sin(y * f2) + std::sin((x + y) * 0.04) +
                             std::sin(std::hypot(x - 128, y - 112) * 0.06);
            // Sixteen steps: the palette of a four-bit effect.
            const int step = static_cast<int>((v + 4) / 8 * 16) % 16;
            const double tt = step / 16.0 + shift;
            plasma.setPixel(x, y,
                            QColor::fromHsvF(static_cast<float>(tt - std::floor(tt)), 0.7f,
                                             0.55f + 0.3f * (step % 2))
                                .rgb());
        }
    }
    p.drawImage(0, 0, plasma);
    for (int i = 0; i < 3; ++i) {
        const int y = 40 + i * 50 + rng.Int(-10, 10);
        const QColor c = i == 0 ? t.accent : (i == 1 ? t.accent2 : RandomBright(rng));
        for (int k = 0; k < 12; ++k) {
            p.fillRect(0, y + k, kW, 1,
                       Mix(c.darker(250), c.lighter(140), 1 - std::abs(k - 5.5) / 6));
        }
    }
    p.fillRect(0, 186, kW, 24, QColor(0, 0, 0));
    const QString scroll = "  GREETINGS TO ALL COLLECTORS ... " + name.toUpper() + " ... ";
    ShadowText(p, -rng.Int(0, 60), 203, scroll, QColor(255, 255, 255), 12);
}

void SceneSlideshow(QPainter& p, const Theme& t, Rng& rng, std::uint32_t seed) {
    p.fillRect(0, 0, kW, kH, QColor(20, 16, 24));
    // A framed landscape, the current slide.
    const QRect frame(28, 20, 200, 150);
    p.fillRect(frame.adjusted(-6, -6, 6, 6), QColor(160, 120, 60));
    p.fillRect(frame.adjusted(-3, -3, 3, 3), QColor(230, 200, 120));
    p.setClipRect(frame);
    p.translate(frame.topLeft());
    BandedSky(p, QRect(0, 0, 200, 110), t.skyTop, t.skyBottom, 8);
    Ridge(p, QRect(0, 0, 200, 150), 100, 50, 30.0, t.far, seed + 5);
    Ridge(p, QRect(0, 0, 200, 150), 130, 30, 20.0, t.nearHills, seed + 6);
    p.resetTransform();
    p.setClipping(false);
    ShadowText(p, 70, 194,
               QString("PICTURE %1/%2").arg(rng.Int(1, 9), 2, 10, QChar('0')).arg(rng.Int(10, 24)),
               Qt::white);
    ShadowText(p, 56, 212, "< PREV      NEXT >", t.accent);
}

void SceneCreative(QPainter& p, const Theme& t, Rng& rng) {
    p.fillRect(0, 0, kW, kH, QColor(170, 170, 190));
    p.fillRect(0, 0, kW, 12, QColor(40, 40, 90));
    ShadowText(p, 4, 9, "FILE  EDIT  TOOLS  MUSIC", Qt::white);
    // Tool column and canvas.
    for (int i = 0; i < 8; ++i) {
        p.fillRect(4, 18 + i * 18, 16, 16, i == 2 ? QColor(255, 255, 255) : QColor(120, 120, 140));
        p.fillRect(8, 22 + i * 18, 8, 8, QColor::fromHsv(i * 45, 150, 200));
    }
    const QRect canvas(26, 18, 224, 170);
    p.fillRect(canvas, Qt::white);
    p.setClipRect(canvas);
    for (int i = 0; i < 6; ++i) {
        const QColor ink = RandomBright(rng);
        p.setPen(QPen(ink, rng.Int(2, 6), Qt::SolidLine, Qt::RoundCap));
        QPainterPath stroke;
        stroke.moveTo(RandPoint(rng, 30, 240, 30, 180));
        const QPoint c1 = RandPoint(rng, 30, 240, 30, 180);
        const QPoint c2 = RandPoint(rng, 30, 240, 30, 180);
        const QPoint end = RandPoint(rng, 30, 240, 30, 180);
        stroke.cubicTo(c1, c2, end);
        p.drawPath(stroke);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(t.accent);
    p.drawEllipse(RandPoint(rng, 70, 200, 60, 150), 24, 24);
    p.setClipping(false);
    for (int i = 0; i < 16; ++i) {
        p.fillRect(26 + i * 14, 194, 13, 12, QColor::fromHsv(i * 22, 200, 230));
    }
    p.fillRect(26, 210, 224, 10, QColor(80, 80, 110));
}

void DrawIngame(QPainter& p, const CatalogueEntry& e, std::uint64_t seed) {
    Rng rng(seed);
    const Theme t = MakeTheme(PickTheme(e.title, rng));
    const auto s32 = static_cast<std::uint32_t>(seed);
    switch (e.genre) {
        case 1:
            ScenePuzzle(p, t, rng);
            break;
        case 2:
        case 12:
            SceneDemo(p, t, rng, GameName(e.title));
            break;
        case 3:
            SceneSlideshow(p, t, rng, s32);
            break;
        case 5:
            SceneBoard(p, t, rng);
            break;
        case 6:
            SceneRpg(p, t, rng, s32);
            break;
        case 7:
            SceneSport(p, t, rng);
            break;
        case 9:
        case 10:
        case 18:
            SceneShooter(p, t, rng, s32);
            break;
        case 11:
            SceneManager(p, t, rng);
            break;
        case 13:
            SceneRacing(p, t, rng, s32);
            break;
        case 14:
            SceneDungeon(p, t, rng);
            break;
        case 16:
            SceneCreative(p, t, rng);
            break;
        case 17:
            ScenePinball(p, t, rng);
            break;
        case 20:
            SceneStrategy(p, t, rng, s32);
            break;
        default:
            ScenePlatformer(p, t, rng, s32);
            break;  // jump-n-run, action, brawlers...
    }
}

// ---------------------------------------------------------------------------------------------
// Title screens: the invented name as a big outlined logo over a themed scene.

QStringList SplitTitle(const QString& name) {
    const QStringList words = name.split(' ', Qt::SkipEmptyParts);
    if (words.size() <= 1 || name.size() <= 11)
        return {name};
    // Break where the two lines come out most even.
    int best = 1;
    int bestDiff = 1 << 30;
    for (int i = 1; i < words.size(); ++i) {
        const int a = words.mid(0, i).join(' ').size();
        const int b = words.mid(i).join(' ').size();
        if (std::abs(a - b) < bestDiff) {
            bestDiff = std::abs(a - b);
            best = i;
        }
    }
    return {words.mid(0, best).join(' '), words.mid(best).join(' ')};
}

void DrawLogoLine(QPainter& p, const QString& text, int centreY, int maxWidth, int maxPx,
                  const Theme& t, Rng& rng, int style) {
    QFont font(style % 2 ? "DejaVu Serif" : "DejaVu Sans");
    font.setBold(true);
    font.setItalic(style == 2);
    int px = maxPx;
    QPainterPath path;
    for (; px > 10; px -= 2) {
        font.setPixelSize(px);
        path = QPainterPath();
        path.addText(0, 0, font, text);
        if (path.boundingRect().width() <= maxWidth)
            break;
    }
    const QRectF box = path.boundingRect();
    path.translate(128 - box.center().x(), centreY - box.center().y());
    const QRectF placed = path.boundingRect();
    // Thick dark outline and a drop block below it, then a two-tone banded fill.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillPath(path.translated(3, 4), QColor(0, 0, 0));
    p.strokePath(path, QPen(QColor(20, 10, 40), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.strokePath(path, QPen(t.accent2.lighter(120), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QColor top = style == 1 ? QColor(255, 255, 255) : t.accent.lighter(130);
    const QColor bottom = style == 1 ? t.accent : t.accent.darker(160);
    const int bands = 6;
    for (int i = 0; i < bands; ++i) {
        const double y0 = placed.top() + placed.height() * i / bands;
        const double y1 = placed.top() + placed.height() * (i + 1) / bands + 1;
        p.save();
        p.setClipRect(QRectF(0, y0, kW, y1 - y0));
        p.fillPath(path, Mix(top, bottom, i / double(bands - 1)));
        p.restore();
    }
    // A glint on the first letter.
    const QPointF g(placed.left() + rng.Range(4, 14), placed.top() + 4);
    p.fillRect(QRectF(g.x(), g.y() - 3, 1, 7), Qt::white);
    p.fillRect(QRectF(g.x() - 3, g.y(), 7, 1), Qt::white);
}

void DrawTitle(QPainter& p, const CatalogueEntry& e, std::uint64_t seed) {
    Rng rng(seed);
    const Theme t = MakeTheme(PickTheme(e.title, rng));
    const auto s32 = static_cast<std::uint32_t>(seed);
    const int style = rng.Int(0, 2);
    // Scene: sky and land, or deep space.
    if (t.night && rng.Chance(0.5)) {
        BandedSky(p, QRect(0, 0, kW, kH), t.skyTop, t.skyBottom, 14);
        Starfield(p, rng, 160, QRect(0, 0, kW, kH));
        p.setPen(Qt::NoPen);
        p.setBrush(t.far);
        p.drawEllipse(QPoint(rng.Int(40, 216), 250), 150, 80);
        p.setBrush(t.far.lighter(130));
        p.drawEllipse(QPoint(rng.Int(40, 216), 270), 150, 80);
    } else {
        SideBackdrop(p, t, rng, s32, 190);
        for (int x = 0; x < kW; x += 16) {
            GroundTile(p, x, 190, t, rng, true);
            GroundTile(p, x, 206, t, rng, false);
        }
    }
    // Behind the logo: sun rays, a ribbon banner, or nothing but the scene.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    const int backing = rng.Int(0, 2);
    if (backing == 1) {
        QColor band = t.accent2.darker(200);
        band.setAlpha(170);
        p.fillRect(0, 28, kW, 92, band);
        p.fillRect(0, 26, kW, 2, t.accent);
        p.fillRect(0, 120, kW, 2, t.accent);
    }
    QColor ray = t.accent;
    ray.setAlpha(45);
    p.setBrush(ray);
    const QPoint hub(128, 72);
    for (int i = 0; i < (backing == 0 ? 12 : 0); ++i) {
        const double a0 = i * std::numbers::pi / 6 + rng.Range(0, 0.1);
        QPolygon wedge;
        wedge << hub
              << QPoint(hub.x() + static_cast<int>(300 * std::cos(a0)),
                        hub.y() + static_cast<int>(300 * std::sin(a0)))
              << QPoint(hub.x() + static_cast<int>(300 * std::cos(a0 + 0.22)),
                        hub.y() + static_cast<int>(300 * std::sin(a0 + 0.22)));
        p.drawPolygon(wedge);
    }
    const QString name = GameName(e.title);
    const QStringList lines = SplitTitle(name);
    if (lines.size() == 1) {
        DrawLogoLine(p, lines[0], 70, 236, 46, t, rng, style);
    } else {
        DrawLogoLine(p, lines[0], 50, 236, 36, t, rng, style);
        DrawLogoLine(p, lines[1], 94, 236, 40, t, rng, style);
    }
    // A mascot sprite beside the menu.
    const QImage mascot = MakeSprite(rng, 12, 14, RandomBright(rng), t.accent2, 0.7);
    DrawSprite(p, mascot, rng.Chance(0.5) ? 20 : 196, 138, 3);
    // The start menu; the number of players decides what it offers.
    QStringList menu;
    switch (e.players) {
        case 1:
            menu = {"PUSH START"};
            break;
        case 2:
        case 3:
        case 4:
            menu = {"1 PLAYER", "2 PLAYERS"};
            break;
        case 5:
            menu = {"1 PLAYER", "2-4 PLAYERS", "OPTIONS"};
            break;
        default:
            menu = {"PRESS START"};
            break;
    }
    p.setFont(PixelFont(10));
    const QFontMetrics fm(p.font());
    for (int i = 0; i < menu.size(); ++i) {
        const int y = 146 + i * 13;
        const int x = 128 - fm.horizontalAdvance(menu[i]) / 2;
        ShadowText(p, x, y, menu[i], i == 0 ? QColor(255, 255, 255) : QColor(220, 220, 255), 10);
        if (i == 0 && menu.size() > 1) {
            p.setRenderHint(QPainter::Antialiasing, false);
            QPolygon arrow;
            arrow << QPoint(x - 10, y - 8) << QPoint(x - 4, y - 4) << QPoint(x - 10, y);
            p.setPen(QColor(0, 0, 0));
            p.setBrush(t.accent);
            p.drawPolygon(arrow);
        }
    }
    // The maker's line at the bottom, from an invented studio.
    static const char* studios[] = {"LANTERNWORKS", "PIXEL ORCHARD", "BRASS KITE",  "NORTHLIGHT",
                                    "MOSSBYTE",     "TIN OWL SOFT",  "HARBOR LABS", "SUNDIAL"};
    const QString maker = QString("(C) %1 %2").arg(rng.Int(1991, 1998)).arg(studios[rng.Int(0, 7)]);
    p.setFont(PixelFont(9));
    ShadowText(p, 128 - QFontMetrics(p.font()).horizontalAdvance(maker) / 2, 216, maker,
               QColor(255, 255, 255), 9);
}

// ---------------------------------------------------------------------------------------------

QString DecodeTitle(const QByteArray& bytes) {
    // The catalogue is bytes in an 8-bit code page; a UTF-8 file is taken as such.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

std::vector<CatalogueEntry> ReadCatalogue(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("cannot read " + path.toStdString());
    }
    const QByteArray all = file.readAll();
    std::vector<CatalogueEntry> entries;
    // First line: the catalogue's version; then one ROM per line.
    const QList<QByteArray> lines = all.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const QList<QByteArray> f = line.split(';');
        if (f.size() < 5)
            continue;
        CatalogueEntry e;
        e.title = DecodeTitle(f[0]);
        e.startupShot = DecodeTitle(f[1]);
        e.ingameShot = DecodeTitle(f[2]);
        e.genre = f[3].trimmed().toInt();
        e.players = f[4].trimmed().toInt();
        entries.push_back(e);
    }
    return entries;
}

// Only plain names inside the output folder are written; a catalogue line cannot send a
// picture anywhere else.
bool IsSafeName(const QString& name) {
    return !name.isEmpty() && !name.contains('/') && !name.contains('\\') && name != "." &&
           name != "..";
}

bool HasPictureSuffix(const QString& name) {
    const QString s = QFileInfo(name).suffix().toLower();
    return s == "jpg" || s == "jpeg" || s == "png";
}

}  // namespace

int WriteDemoScreens(const QString& catalogue, const QString& folder) {
    const std::vector<CatalogueEntry> entries = ReadCatalogue(catalogue);
    struct Job {
        const CatalogueEntry* entry;
        QString file;
        bool title;
        std::uint64_t hash;
    };
    std::vector<Job> jobs;
    for (const CatalogueEntry& e : entries) {
        for (const bool title : {true, false}) {
            const QString& file = title ? e.startupShot : e.ingameShot;
            if (!IsSafeName(file) || !HasPictureSuffix(file))
                continue;
            jobs.push_back({&e, file, title, HashText(file.toUtf8())});
        }
    }
    // The files with the smallest name hashes stay missing: the demo shows the built-in
    // placeholder for them, and the choice is the same on every run.
    // A short catalogue keeps nearly all of its pictures: one in twenty at most goes missing.
    std::vector<std::uint64_t> hashes;
    for (const Job& j : jobs)
        hashes.push_back(j.hash);
    std::sort(hashes.begin(), hashes.end());
    const std::size_t leaveOut = std::min<std::size_t>(kLeftOut, hashes.size() / 20);
    const std::uint64_t cut = leaveOut > 0 ? hashes[leaveOut - 1] : 0;
    int written = 0;
    for (const Job& j : jobs) {
        if (leaveOut > 0 && j.hash <= cut) {
            std::printf("left out: %s\n", qPrintable(j.file));
            continue;
        }
        QImage img(kW, kH, QImage::Format_RGB32);
        img.fill(Qt::black);
        {
            QPainter p(&img);
            const std::uint64_t seed =
                HashText(j.entry->title.toUtf8()) ^ (j.title ? 0x7171 : 0x1717);
            if (j.title) {
                DrawTitle(p, *j.entry, seed);
            } else {
                DrawIngame(p, *j.entry, seed);
            }
        }
        SaveImage(img, folder + "/" + j.file);
        ++written;
    }
    return written;
}

}  // namespace varnimo::picturegen
