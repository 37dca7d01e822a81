#pragma once
// The in-memory catalogue: six parallel columns, one row per data line of the catalogue
// file, in file order. Every other part of the program names a ROM by its row number.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/text_column.h"

namespace varnimo::catalogue {

// ScanStatus codes. 5 and 6 name the extensions today's dump sets use; a cache of the first
// four reads as it always did. Of several files of one title the lowest code wins, so the
// codes are also the order of preference: .zip, .smc, .fig, .smd, .sfc, .swc.
inline constexpr std::int32_t kNotFound = 0;
inline constexpr std::int32_t kFoundZip = 1;
inline constexpr std::int32_t kFoundSmc = 2;
inline constexpr std::int32_t kFoundFig = 3;
inline constexpr std::int32_t kFoundSmd = 4;
inline constexpr std::int32_t kFoundSfc = 5;
inline constexpr std::int32_t kFoundSwc = 6;

// ".zip", ".smc", ".fig", ".smd", ".sfc" or ".swc" for the codes 1 to 6; empty for any other.
const char* RomExtension(std::int32_t scan_status);
// The code of a ROM file's extension (with its dot), or kNotFound for any other. Lower case
// only: the size line and the launch append exactly these.
std::int32_t ScanStatusOfExtension(std::string_view extension);

struct KnownRomTable {
    TextColumn title;
    TextColumn startup_shot;
    TextColumn ingame_shot;
    std::vector<std::int32_t> genre_code;
    std::vector<std::int32_t> player_code;
    std::vector<std::int32_t> scan_status;

    std::size_t Size() const { return title.size(); }
    bool HasRow(std::int64_t row) const {
        return row >= 0 && static_cast<std::size_t>(row) < Size();
    }
    // Sets the length of all six columns; rows in both sizes keep their values, added rows
    // start as empty texts and zeros.
    void Resize(std::size_t rows);
};

// Number of rows whose ScanStatus is not 0.
std::int32_t CountAvailable(const KnownRomTable& table);

}  // namespace varnimo::catalogue
