#pragma once
// The user's settings and the three operations on options.dat.
//
// options.dat holds six lines, each ended by CR LF: the screenshot folder, the ROM folder,
// the Snes9X folder, the ZSNES folder (each ending with the path separator, stored exactly as
// held), the slideshow interval in milliseconds and the slideshow mode.
//
// The operations return what they found or did; the caller shows the box that goes with
// it (the texts below). Only a file or a number that fails raises the runtime's errors.

#include <cstdint>
#include <string>

namespace varnimo::rtl {
class TextFileWriter;
}

namespace varnimo::settings {

inline constexpr const char* kOptionsFileName = "options.dat";

// The four folders and the interval text as the start-up load read it.
struct ProgramOptions {
    std::string screen_folder;
    std::string rom_folder;
    std::string snes9x_folder;
    std::string zsnes_folder;
    std::string interval_text;
};

// Values of ShowMode. A loaded value outside these acts like kShowAlternate and is saved back
// unchanged, so ShowMode is kept as a plain integer.
inline constexpr std::int32_t kShowAlternate = 0;
inline constexpr std::int32_t kShowStartupOnly = 1;
inline constexpr std::int32_t kShowIngameOnly = 2;

// What a read of options.dat found.
enum class OptionsFileStatus {
    Read,
    Missing,  // no such file (or a folder of that name)
};

// What Save did.
enum class SaveStatus {
    Saved,
    NoFolder,  // the screenshot, ROM and Snes9X folders are all empty: nothing written
};

// The boxes the callers show for these outcomes.
inline constexpr const char* kStartupOptionsMissing = "Could not load Options!";
inline constexpr const char* kDialogOptionsMissing = "Could not load Options File!";
inline constexpr const char* kOptionsLoaded = "Options loaded!";
inline constexpr const char* kSaveNeedsAFolder = "Please enter at least a ROM path!!";
inline constexpr const char* kOptionsSaved = "Saved successfully!";

// The start-up load. Without a file: Missing, and nothing changes. Otherwise reads lines 1
// to 5 into `options`, sets `options_loaded`, converts line 5 and stores it in `interval`
// (the caller hands it to the slideshow timer), and returns Read. A line 5 that is no integer
// raises ConversionError after the paths and the flag have been taken; a file that cannot be
// read raises InOutError.
OptionsFileStatus LoadStartupOptions(ProgramOptions& options, bool& options_loaded,
                                     std::uint32_t& interval,
                                     const std::string& file = kOptionsFileName);

// The Options dialog's Load. Without a file: Missing, and nothing changes. Otherwise reads the
// four paths and line 6 (into `mode_text`; line 5 is passed over) and returns Read; the
// dialog then counts the options as loaded and refills itself, which converts `mode_text`.
OptionsFileStatus LoadDialogOptions(ProgramOptions& options, std::string& mode_text,
                                    const std::string& file = kOptionsFileName);

// The Options dialog's Save. With the screenshot, ROM and Snes9X folders all empty: NoFolder,
// and the file is left alone. Otherwise writes the six lines (`interval` is the slideshow
// timer's current interval) and returns Saved. The old file is replaced only by a complete new
// one: a failed write raises InOutError and leaves the old file as it was.
SaveStatus SaveOptions(const ProgramOptions& options, std::uint32_t interval,
                       std::int32_t show_mode, const std::string& file = kOptionsFileName);

// The six lines Save writes, into `writer`, which the caller commits.
void WriteOptionsLines(rtl::TextFileWriter& writer, const ProgramOptions& options,
                       std::uint32_t interval, std::int32_t show_mode);

}  // namespace varnimo::settings
