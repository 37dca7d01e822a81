#include "catalogue/known_rom_table.h"

#include <algorithm>

namespace varnimo::catalogue {

const char* RomExtension(std::int32_t scan_status) {
    switch (scan_status) {
        case kFoundZip:
            return ".zip";
        case kFoundSmc:
            return ".smc";
        case kFoundFig:
            return ".fig";
        case kFoundSmd:
            return ".smd";
        default:
            return "";
    }
}

void KnownRomTable::Resize(std::size_t rows) {
    Title.resize(rows);
    StartupShot.resize(rows);
    IngameShot.resize(rows);
    GenreCode.resize(rows, 0);
    PlayerCode.resize(rows, 0);
    ScanStatus.resize(rows, 0);
}

std::int32_t CountAvailable(const KnownRomTable& table) {
    return static_cast<std::int32_t>(std::count_if(table.ScanStatus.begin(), table.ScanStatus.end(),
                                                   [](std::int32_t s) { return s != 0; }));
}

}  // namespace varnimo::catalogue
