#pragma once
// The user's settings and the three operations on options.dat.
//
// options.dat holds six lines, each ended by CR LF: the screenshot folder, the ROM folder,
// the Snes9X folder, the ZSNES folder (each ending with the path separator, stored exactly as
// held), the slideshow interval in milliseconds and the slideshow mode.
//
// The operations show their message boxes through `MessageBoxes`, which the caller supplies
// (the main window's MainWindowLogic forwards to its MainView; the Options dialog may pass its
// own).

#include <cstdint>
#include <string>

namespace varnimo::rtl {
class TextFileWriter;
}

namespace varnimo::settings {

inline constexpr const char* kOptionsFileName = "options.dat";

// The four folders and the interval text as the start-up load read it.
struct ProgramOptions {
    std::string ScreenPath;
    std::string RomPath;
    std::string Snes9xPath;
    std::string ZsnesPath;
    std::string ScreenInterval;
};

// Values of ShowMode. A loaded value outside these acts like Alternate and is saved back
// unchanged, so ShowMode is kept as a plain integer.
inline constexpr std::int32_t Alternate = 0;
inline constexpr std::int32_t StartupOnly = 1;
inline constexpr std::int32_t IngameOnly = 2;

// Modal boxes with one OK button; each call returns when the box is closed.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual void ErrorBox(const std::string& text) = 0;
    virtual void InfoBox(const std::string& text) = 0;
};

// The start-up load. Without a file: error box "Could not load Options!", returns false and
// changes nothing. Otherwise reads lines 1 to 5 into `options`, sets `options_loaded`,
// converts line 5 and stores it in `interval` (the caller hands it to the slideshow timer),
// and returns true. A line 5 that is no integer raises EConvertError after the paths and the
// flag have been taken; a file that cannot be read raises EInOutError.
bool LoadStartupOptions(ProgramOptions& options, bool& options_loaded, std::uint32_t& interval,
                        MessageBoxes& boxes, const std::string& file = kOptionsFileName);

// The Options dialog's Load. Without a file: error box "Could not load Options File!",
// returns false and changes nothing. Otherwise reads the four paths and line 6 (into
// `mode_text`; line 5 is passed over), shows "Options loaded!", sets `options_loaded` and
// returns true. The dialog then refills itself, which converts `mode_text`.
bool LoadDialogOptions(ProgramOptions& options, std::string& mode_text, bool& options_loaded,
                       MessageBoxes& boxes, const std::string& file = kOptionsFileName);

// The Options dialog's Save. With the screenshot, ROM and Snes9X folders all empty: error box
// "Please enter at least a ROM path!!", returns false and leaves the file alone. Otherwise
// writes the six lines (`interval` is the slideshow timer's current interval), shows
// "Saved successfully!" and returns true. The old file is replaced only by a complete new one:
// a failed write raises EInOutError and leaves the old file as it was.
bool SaveOptions(const ProgramOptions& options, std::uint32_t interval, std::int32_t show_mode,
                 MessageBoxes& boxes, const std::string& file = kOptionsFileName);

// The six lines Save writes, into `writer`, which the caller commits.
void WriteOptionsLines(rtl::TextFileWriter& writer, const ProgramOptions& options,
                       std::uint32_t interval, std::int32_t show_mode);

}  // namespace varnimo::settings
