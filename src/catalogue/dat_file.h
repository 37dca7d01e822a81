#pragma once
// Reads the game lists that ROM dump sets publish (DAT files), in their two formats: the
// clrmamepro text format (`clrmamepro ( ... )` then `game ( name "..." rom ( ... ) )`) and
// Logiqx XML (`<datafile><game name="..."><rom .../></game></datafile>`). The format is told
// by the content. A file that does not follow its format is refused whole, with the line
// where reading stopped, so that nothing half read reaches a collection.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/result.h"

namespace varnimo::catalogue {

struct DatRom {
    std::string name;                   // file name inside the set, extension included
    std::optional<std::uint64_t> size;  // bytes
    std::optional<std::uint32_t> crc;   // CRC-32 of the content
};

struct DatGame {
    std::string name;                   // the game's name; empty in files that give only a comment
    std::string description;            // description, or comment in the text format
    std::string genre;                  // genre words as written, e.g. "Role-playing (RPG)"
    std::optional<std::int32_t> users;  // most players at once
    std::string region;                 // e.g. "USA"
    std::vector<DatRom> roms;

    // What the game is called: its name, else its description.
    const std::string& Title() const { return name.empty() ? description : name; }
};

// Why a file cannot be read as a DAT.
struct DatProblem {
    std::size_t line = 0;  // where reading stopped; 0 when the file could not be read at all
    std::string message;   // for the user: "file:line: reason", or "file: reason" without a line
};

using DatReading = rtl::Result<std::vector<DatGame>, DatProblem>;

// The games of a DAT held in `content`, in file order, or the problem of a malformed file or
// of one that is neither format. `file` names it in the problem. Line ends may be CR LF or
// LF; a UTF-8 byte-order mark is skipped; fields and blocks the program does not use are
// skipped.
DatReading ParseDat(std::string_view content, const std::string& file);

// Reads and parses the file `path`; a file that cannot be read is a problem too.
DatReading ReadDatFile(const std::string& path);

}  // namespace varnimo::catalogue
