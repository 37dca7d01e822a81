#pragma once
// A catalogue from what DAT files say about games and the ROM files a folder holds: every
// game a DAT lists with its ROM files (a No-Intro DAT) is a row, owned or not; the genre and
// players come from whichever DAT gives them; files no DAT knows stay rows of their own.
// Nothing here touches the file system.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/dat_file.h"
#include "catalogue/known_rom_table.h"

namespace varnimo::catalogue {

// The genre code for a DAT's genre words ("Platform" -> 8 Jump 'n Run, "Role-playing (RPG)"
// -> 6 RPG 2D, ...; letter case and blanks ignored); of comma-separated words the first that
// has a code; 0 for words without one.
std::int32_t GenreCodeOfWords(std::string_view genre);

// The players code for a DAT's `users`: 1 -> 1 Single, 2 -> 2 2P Simultan, 3 or more -> 5
// more than 2; none or 0 -> 0.
std::int32_t PlayerCodeOfUsers(std::optional<std::int32_t> users);

// A ROM file of the folder.
struct FoundRomFile {
    std::string title;                 // the file's name without its extension
    std::int32_t status = kNotFound;   // the ScanStatus of its extension
    std::optional<std::uint32_t> crc;  // of its content, when it was computed
};

struct MergeCounts {
    std::size_t with_genre = 0;    // rows with a genre code
    std::size_t with_players = 0;  // rows with a players code
    std::size_t by_crc = 0;        // files recognised by their CRC
    std::size_t by_name = 0;       // files recognised by their title only
    std::size_t known = 0;         // games listed with their ROM files: rows owned or not
    std::size_t missing = 0;       // of these, the ones without a file
};

struct MergedCatalogue {
    KnownRomTable table;  // titles, genre, players and ScanStatus; no screenshot names
    MergeCounts counts;
};

// Entries of several DATs are one game when a CRC of their ROMs agrees, else when their
// names agree (letter case ignored). A file is that game's when its CRC is one of the game's,
// else when its title is the game's name or the name of one of its ROM files without the
// extension (letter case ignored); a game takes the first such file, and its row the file's
// title and status. A DAT whose ROM entries carry names and sizes lists its games: each of
// them is a row, with the DAT's name and status 0 when no file is the game's. Every file is
// a row, with the genre and players of the game it was recognised as. Several files of one
// title give one row, of the lowest code. Rows come in the title list's order.
MergedCatalogue MergeCatalogue(const std::vector<std::vector<DatGame>>& dats,
                               std::vector<FoundRomFile> files);

}  // namespace varnimo::catalogue
