#pragma once
// A small collection in a temporary folder, made the current directory for as long as the
// object lives (the program opens its data files by bare name).
//
//   title                 row  zip   title shot        in-game shot   genre  players
//   Gamma Blocks (J)       0   yes   gamma_t.png red   (missing)      1      1
//   Alpha Quest (U)        1   yes   alpha_t.png blue  alpha_i.jpg    8      1
//                                                      green
//   Omega Missing (U)      2   no    omega_t.png       omega_i.png    1      1
//   beta Racer (E)         3   yes   beta_t.JPEG       beta_i.bmp     13     2
//                                    yellow            magenta
//   Delta Force (G)        4   yes   delta_t.jpg       delta_i.gif    18     5
//                                    (not a picture)   (unknown kind)

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <string>

namespace varnimo::test {

inline const QColor kGammaTitle(220, 30, 30);
inline const QColor kAlphaTitle(30, 30, 220);
inline const QColor kAlphaIngame(30, 200, 30);
inline const QColor kBetaTitle(230, 220, 20);
inline const QColor kBetaIngame(210, 30, 210);

class DemoFolder {
  public:
    struct Settings {
        std::uint32_t interval = 2000;  // line 5 of options.dat
        bool with_options = true;
        bool with_catalogue = true;
    };
    explicit DemoFolder(Settings settings);
    DemoFolder() : DemoFolder(Settings{}) {}
    ~DemoFolder();
    DemoFolder(const DemoFolder&) = delete;
    DemoFolder& operator=(const DemoFolder&) = delete;

    // Absolute path of `relative` inside the folder.
    QString Path(const QString& relative) const { return dir_.filePath(relative); }
    // The folder settings as options.dat holds them (ending with the separator).
    QString RomPath() const { return Path("roms") + '/'; }
    QString Snes9xPath() const { return Path("snes9x") + '/'; }
    QString ZsnesPath() const { return Path("zsnes") + '/'; }

  private:
    QTemporaryDir dir_;
    QString previous_;
};

// The bytes of the file at `path`, or "(missing)" when it cannot be read.
QByteArray ReadFile(const QString& path);
// Makes the file at `path` hold exactly `bytes`; throws when it cannot.
void WriteFile(const QString& path, const QByteArray& bytes);

// True when `actual` is within a JPEG's error of `expected`.
bool NearColour(const QColor& actual, const QColor& expected);

}  // namespace varnimo::test
