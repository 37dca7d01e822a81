#pragma once
// Makes a collection from a folder of ROM files: the catalogue SNES_screens.dat with one
// line per title found, the scan cache scanned.dat with what was found, and options.dat with
// the folders. Given DAT files (the game lists of dump sets), the catalogue also holds the
// genre and players they tell and every game they list, owned or not. The terminal program's
// import and the window's "New collection" dialog both run it. The data files are written in
// the working directory, by their bare names.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/known_rom_table.h"
#include "rtl/result.h"

namespace varnimo::catalogue {

// The DAT files a collection was made with, one absolute path per line, beside the data files
// of a collection the window made (so that its next import starts from them).
inline constexpr const char* kDatListFileName = "dat_files.txt";

struct RomImportRequest {
    std::string rom_folder;
    std::string screen_folder;                 // empty: no screenshots
    std::vector<std::string> dat_files;        // game information; with none no CRC is read
    std::optional<std::string> snes9x_folder;  // not given: looked for on `search_path`
    std::optional<std::string> zsnes_folder;
    std::string search_path;        // a PATH value
    std::uint32_t interval = 2000;  // the slideshow lines of options.dat
    std::int32_t show_mode = 0;
    bool replace = false;             // replace data files that are there already
    bool remember_dat_files = false;  // also write kDatListFileName, with the three
    // Called while the ROM files are read for their CRCs: files done, files to read. It runs
    // on the import's threads, one call at a time, and must not throw.
    std::function<void(std::size_t done, std::size_t total)> progress;
};

struct RomImportSummary {
    std::string rom_folder;  // as written to options.dat
    std::size_t titles = 0;  // rows with a ROM file
    // Of these: a picture was found, the DATs gave a genre or players, the file was
    // recognised by its CRC or by its name.
    std::size_t with_screenshots = 0;
    std::size_t with_genre = 0;
    std::size_t with_players = 0;
    std::size_t by_crc = 0;
    std::size_t by_name = 0;
    std::size_t dats_read = 0;       // DAT files
    std::size_t known = 0;           // games the DATs list with their ROM files
    std::size_t missing = 0;         // of these, the ones without a file: rows with status 0
    std::size_t unusable_names = 0;  // names that cannot be a catalogue title
    std::size_t not_files = 0;       // subfolders and the like, not looked into
    // Files of other kinds, by extension ("" for none), e.g. ".7z" -> 3.
    std::map<std::string, std::size_t> other_extensions;

    // One line for the user: what was imported and what was skipped.
    std::string Line() const;
    // What was skipped, e.g. "2 other files (.7z 1, .txt 1)"; empty when nothing was.
    std::string Skipped() const;
};

// Why an import did nothing.
struct ImportRefusal {
    std::string message;  // for the user
    // The data file that is there already, when that is why: the terminal program and the
    // dialog tell different ways out.
    std::optional<std::string> existing_file;
};

using RomImportOutcome = rtl::Result<RomImportSummary, ImportRefusal>;

// Does the whole import. Checks everything before writing anything: a ROM or screenshot
// folder that is missing, not a folder or unreadable, a ROM folder that holds no ROM file, a
// DAT file that cannot be read or is malformed (its line named), and a data file that is
// there already (without `replace`), are refused: the outcome says why and the folder is left
// as it was. Only with DAT files are the ROM files read, each once, for their CRCs. Every row
// gets screenshot names: the pictures found, else the names of a thumbnail set, so pictures
// added later show. The files are replaced together or not at all: a failed write or rename
// raises InOutError and leaves the folder as it was, apart from temporary files an import
// that was killed left there, which go.
RomImportOutcome ImportRomFolder(const RomImportRequest& request);

// The DAT files kDatListFileName names, in its order; none when it is not there.
std::vector<std::string> RememberedDatFiles();

// The screenshot subfolders of the common thumbnail sets and the name a title has there.
inline constexpr std::string_view kTitleScreensFolder = "Named_Titles";
inline constexpr std::string_view kInGameScreensFolder = "Named_Snaps";
// `title` with each of & * / : < > ? \ | " ` replaced by '_', as those sets name files.
std::string ThumbnailName(std::string_view title);

}  // namespace varnimo::catalogue
