#pragma once
// Names of genre and players codes: as the details panel shows them, and as the menus
// caption them (with their Tags).

#include <cstdint>
#include <span>
#include <string_view>

namespace varnimo::catalogue {

// Details panel: "Puzzle", "Jump-n-Run", ... ; "unknown" for codes without a name.
std::string_view GenreName(std::int32_t code);
// Details panel: "1 Player", "2P Splitscreen", ... ; "unknown" for codes without a name.
std::string_view PlayerName(std::int32_t code);

struct MenuEntry {
    std::string_view caption;
    std::int32_t tag;
};
// The radio entries of each menu, in menu order (the disabled "-- Language --" line of the
// Region menu is not an entry).
std::span<const MenuEntry> GenreMenu();
std::span<const MenuEntry> PlayerMenu();
std::span<const MenuEntry> RegionMenu();
std::span<const MenuEntry> ShowRomsMenu();
std::span<const MenuEntry> BackgroundMenu();

}  // namespace varnimo::catalogue
