#pragma once
// Reading the catalogue file SNES_screens.dat and the per-letter screenshot pack versions.
//
// The catalogue: line 1 is the catalogue's version ("." as the decimal point); every further
// line is one ROM, "Title;StartupShot;IngameShot;Genre;Players". The table is sized by the
// line count and then filled; ReadCatalogue gets both from one read of the file, which gives
// the same table as the two passes CountCatalogueLines and LoadKnownRomTable over a file
// that does not change in between.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/known_rom_table.h"

namespace varnimo::catalogue {

inline constexpr const char* kCatalogueFileName = "SNES_screens.dat";

// The five fields of one catalogue line, split positionally: each of the first four fields
// is the text before the next ";" (empty, with nothing removed, when no ";" is left); the
// fifth is the rest of the line. The two codes are lenient integers (0 when not a number).
struct CatalogueLine {
    std::string_view title;
    std::string_view startup_shot;
    std::string_view ingame_shot;
    std::int32_t genre = 0;
    std::int32_t players = 0;
};
CatalogueLine SplitCatalogueLine(std::string_view line);

// For each letter a..z: when `screen_path` + separator + letter names a file, its first line
// converted with the locale's decimal separator goes into that letter's entry; entries of
// missing files keep their value. Throws ConversionError / InOutError, with the letters before
// the failing one already stored.
void ReadScreenPackVersions(const std::string& screen_path, std::array<double, 26>& versions);

// First pass: the number of lines of the file (a last line without line end counts), or
// nothing when no such file exists. Throws InOutError when it cannot be read.
std::optional<std::size_t> CountCatalogueLines(const std::string& file = kCatalogueFileName);

// Second pass: sets `database_version` from line 1, then fills rows 0, 1, ... of `table`
// while lines remain and the row is below table.Size(), calling `step` once per row; rows
// beyond the end of the file keep their values. Never stores more rows than the table has,
// whatever the file has become since the first pass. Throws InOutError.
void LoadKnownRomTable(KnownRomTable& table, double& database_version,
                       const std::function<void()>& step,
                       const std::string& file = kCatalogueFileName);

// The catalogue as one read of the file gives it: the line count of the first pass, line 1's
// version and the table of the data lines (lines - 1 rows, none for an empty file), every
// ROM not found yet.
struct CatalogueContents {
    std::size_t lines = 0;
    double version = 0;
    KnownRomTable table;

    std::size_t Rows() const { return table.Size(); }
};

// Reads the whole catalogue once; nothing when no such file exists. Throws InOutError when
// it cannot be read, before anything is stored anywhere.
std::optional<CatalogueContents> ReadCatalogue(const std::string& file = kCatalogueFileName);

// Moves the table of `contents` into `table`; ScanStatus keeps the values of rows in both
// sizes, added rows start at 0.
void StoreCatalogue(CatalogueContents&& contents, KnownRomTable& table);

}  // namespace varnimo::catalogue
