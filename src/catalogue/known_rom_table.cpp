#include "catalogue/known_rom_table.h"

#include <algorithm>

namespace varnimo::catalogue {

namespace {

// Indexed by code.
constexpr const char* kRomExtensions[] = {"", ".zip", ".smc", ".fig", ".smd", ".sfc", ".swc"};

}  // namespace

const char* RomExtension(std::int32_t scan_status) {
    return scan_status > 0 && scan_status <= kFoundSwc ? kRomExtensions[scan_status] : "";
}

std::int32_t ScanStatusOfExtension(std::string_view extension) {
    for (std::int32_t code = kFoundZip; code <= kFoundSwc; ++code) {
        if (extension == kRomExtensions[code]) {
            return code;
        }
    }
    return kNotFound;
}

void KnownRomTable::Resize(std::size_t rows) {
    title.resize(rows);
    startup_shot.resize(rows);
    ingame_shot.resize(rows);
    genre_code.resize(rows, 0);
    player_code.resize(rows, 0);
    scan_status.resize(rows, 0);
}

std::int32_t CountAvailable(const KnownRomTable& table) {
    return static_cast<std::int32_t>(std::count_if(
        table.scan_status.begin(), table.scan_status.end(), [](std::int32_t s) { return s != 0; }));
}

}  // namespace varnimo::catalogue
