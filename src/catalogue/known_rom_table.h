#pragma once
// The in-memory catalogue: six parallel columns, one row per data line of the catalogue
// file, in file order. Every other part of the program names a ROM by its row number.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/text_column.h"

namespace varnimo::catalogue {

// ScanStatus codes.
inline constexpr std::int32_t kNotFound = 0;
inline constexpr std::int32_t kFoundZip = 1;
inline constexpr std::int32_t kFoundSmc = 2;
inline constexpr std::int32_t kFoundFig = 3;
inline constexpr std::int32_t kFoundSmd = 4;

// ".zip", ".smc", ".fig" or ".smd" for the codes 1 to 4; empty for any other code.
const char* RomExtension(std::int32_t scan_status);

struct KnownRomTable {
    TextColumn Title;
    TextColumn StartupShot;
    TextColumn IngameShot;
    std::vector<std::int32_t> GenreCode;
    std::vector<std::int32_t> PlayerCode;
    std::vector<std::int32_t> ScanStatus;

    std::size_t Size() const { return Title.size(); }
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
