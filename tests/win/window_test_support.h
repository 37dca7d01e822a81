#pragma once
// What the suites of the Windows window share: a small collection in a temporary folder, a
// desktop that records and answers every box, pictures written by the Windows Imaging
// Component, and a message pump that handles keys the way the program's loop does.
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

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "desktop.h"

namespace varnimo::win::test {

struct Colour {
    int red = 0;
    int green = 0;
    int blue = 0;
};

inline constexpr Colour kGammaTitle{220, 30, 30};
inline constexpr Colour kAlphaTitle{30, 30, 220};
inline constexpr Colour kAlphaIngame{30, 200, 30};
inline constexpr Colour kBetaTitle{230, 220, 20};
inline constexpr Colour kBetaIngame{210, 30, 210};

// True when `actual` is within a JPEG's error of `expected`.
bool Near(Colour actual, Colour expected);
// A pixel of a 32-bit bitmap (BGRA) as a colour.
Colour ColourOf(std::uint32_t pixel);

// Writes a `width` x `height` picture of one colour in the container format `format`
// (GUID_ContainerFormatPng, ...Jpeg, ...Bmp).
void WritePicture(const std::filesystem::path& path, Colour colour, const GUID& format,
                  int width = 64, int height = 56);
// Saves `bitmap` (any bitmap GDI can read) as a PNG file; false when it cannot.
bool SavePng(HBITMAP bitmap, const std::filesystem::path& path);

void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

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

    std::filesystem::path Path(const std::string& relative = {}) const { return dir_ / relative; }
    // The folder settings as options.dat holds them, ending with the separator.
    std::string RomPath() const { return Path("roms").string() + "\\"; }
    std::string Snes9xPath() const { return Path("snes9x").string() + "\\"; }
    std::string ZsnesPath() const { return Path("zsnes").string() + "\\"; }

  private:
    std::filesystem::path dir_;
    std::filesystem::path previous_;
};

struct RecordedBox {
    BoxIcon icon;
    std::string title;
    std::string text;
};

// Records every box and answers it at once (after running `while_open`, which stands for
// what happens while a modal box is up); records addresses and opens them, or not; records
// what each picker asked and answers it from `folders` and `files`, first answer first (none
// left: the user cancelled).
class RecordingDesktop final : public Desktop {
  public:
    void ShowBox(HWND, BoxIcon icon, const std::string& title, const std::string& text) override {
        boxes.push_back({icon, title, text});
        if (while_open) {
            while_open(boxes.back());
        }
    }
    bool OpenUrl(HWND, const std::string& address) override {
        addresses.push_back(address);
        return opens_addresses;
    }
    std::optional<std::string> AskFolder(HWND, const std::string& instruction) override {
        asked.push_back(instruction);
        if (folders.empty()) {
            return std::nullopt;
        }
        std::optional<std::string> answer = folders.front();
        folders.erase(folders.begin());
        return answer;
    }
    std::vector<std::string> AskFiles(HWND, const std::string& instruction) override {
        asked.push_back(instruction);
        return files;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const RecordedBox& box : boxes) {
            texts.push_back(box.text);
        }
        return texts;
    }
    void Clear() { *this = RecordingDesktop(); }

    std::vector<RecordedBox> boxes;
    std::vector<std::string> addresses;
    bool opens_addresses = true;
    std::vector<std::string> asked;  // the instructions of the pickers, in order
    std::vector<std::optional<std::string>> folders;
    std::vector<std::string> files;
    std::function<void(const RecordedBox&)> while_open;
};

// Handles what waits in the thread's queue, passing keys through `dialog_keys` first (the
// program's loop does the same with the window's dialog keys).
void Pump(const std::function<bool(MSG&)>& dialog_keys = {});
// Pumps until `done` holds or `milliseconds` have passed; what `done` said last.
bool PumpUntil(const std::function<bool()>& done, int milliseconds = 10000,
               const std::function<bool(MSG&)>& dialog_keys = {});

// The window text of `window`, as bytes.
std::string TextOf(HWND window);

}  // namespace varnimo::win::test
