#pragma once
// Makes a collection from a folder of ROM files: the catalogue SNES_screens.dat with one
// line per title found, the scan cache scanned.dat with what was found, and options.dat with
// the folders. The terminal program's import and the window's "New collection" dialog both
// run it. The data files are written in the working directory, by their bare names.

#include <cstddef>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "catalogue/known_rom_table.h"

namespace varnimo::catalogue {

struct RomImportRequest {
    std::string rom_folder;
    std::string screen_folder;                 // empty: no screenshots
    std::optional<std::string> snes9x_folder;  // not given: looked for on `search_path`
    std::optional<std::string> zsnes_folder;
    std::string search_path;  // a PATH value
    bool replace = false;     // replace data files that are there already
};

struct RomImportSummary {
    std::string rom_folder;  // as written to options.dat
    std::size_t titles = 0;
    std::size_t with_screenshots = 0;
    std::size_t unusable_names = 0;  // names that cannot be a catalogue title
    std::size_t not_files = 0;       // subfolders and the like, not looked into
    // Files the scan cannot find, by extension ("" for none), e.g. ".sfc" -> 3.
    std::map<std::string, std::size_t> other_extensions;

    // One line for the user: what was imported and what was skipped.
    std::string Line() const;
};

// Why an import did nothing; what() is the message for the user.
class RomImportError : public std::runtime_error {
  public:
    explicit RomImportError(const std::string& message, std::string existing_file = {})
        : std::runtime_error(message), existing_file_(std::move(existing_file)) {}
    // The data file that is there already, when that is why; else empty. The terminal
    // program and the dialog tell different ways out.
    const std::string& ExistingFile() const { return existing_file_; }

  private:
    std::string existing_file_;
};

// The titles of a ROM folder's listing, one row per distinct title in list order, with
// ScanStatus set from the extensions found (.zip before .smc, .fig, .smd) and genre and
// players 0; the rest goes into `summary`. Exposed for tests and the benchmark.
KnownRomTable TitlesOfRomFolder(const std::string& rom_folder, RomImportSummary& summary);

// Does the whole import. Checks everything before writing anything: a ROM or screenshot
// folder that is missing, not a folder or unreadable, and a data file that is there
// already (without `replace`), throw RomImportError and leave the folder as it was. The
// three files are replaced together or not at all: a failed write or rename throws
// EInOutError and leaves the folder as it was, apart from temporary files an import that
// was killed left there, which go.
RomImportSummary ImportRomFolder(const RomImportRequest& request);

// The screenshot subfolders of the common thumbnail sets and the name a title has there.
inline constexpr std::string_view kTitleScreensFolder = "Named_Titles";
inline constexpr std::string_view kInGameScreensFolder = "Named_Snaps";
// `title` with each of & * / : < > ? \ | " ` replaced by '_', as those sets name files.
std::string ThumbnailName(std::string_view title);

}  // namespace varnimo::catalogue
