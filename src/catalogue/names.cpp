#include "catalogue/names.h"

#include <array>

namespace varnimo::catalogue {
namespace {

constexpr std::array<std::string_view, 21> kGenreNames = {
    "uncategorized", "Puzzle", "Demo",       "Slideshow",        "Beatem Up", "Board Game",
    "RPG 2D",        "Sport",  "Jump-n-Run", "V-Scroller",       "Arcade",    "Manager",
    "Public Domain", "Racing", "RPG 3D",     "Action Adventure", "Creative",  "Pinball",
    "Shooter",       "Hybrid", "Strategy",
};

constexpr std::array<std::string_view, 6> kPlayerNames = {
    "uncategorized", "1 Player", "2P Simultan", "2P Splitscreen", "2P Alternate", "more than 2",
};

constexpr MenuEntry kGenreMenu[] = {
    {"All", -1},           {"Action Adventure", 15},
    {"Arcade", 10},        {"Beat'em Up", 4},
    {"Board", 5},          {"Creative", 16},
    {"Hybrid", 19},        {"Jump 'n Run", 8},
    {"Manager", 11},       {"Pinball", 17},
    {"Public Domain", 12}, {"Puzzle", 1},
    {"Racing", 13},        {"RPG 2D", 6},
    {"RPG 3D", 14},        {"Shooter", 18},
    {"Sport", 7},          {"Strategy", 20},
    {"V-/H-Scroller", 9},  {"uncategorized", 0},
};

constexpr MenuEntry kPlayerMenu[] = {
    {"All", -1},         {"Single", 1},      {"2P Simultan", 2},   {"2P Split", 3},
    {"2P Alternate", 4}, {"more than 2", 5}, {"uncategorized", 0},
};

constexpr MenuEntry kRegionMenu[] = {
    {"All", -1},   {"Europe", 1},  {"USA", 2},    {"Japan", 3},
    {"German", 4}, {"Spanish", 5}, {"French", 6},
};

constexpr MenuEntry kShowRomsMenu[] = {{"Available", -1}, {"Missing", 1}, {"All", 2}};

constexpr MenuEntry kBackgroundMenu[] = {
    {"Default", -1}, {"Rose", 1}, {"Space", 2}, {"Fractal", 3}, {"Star Ship", 4},
};

}  // namespace

std::string_view GenreName(std::int32_t code) {
    if (code < 0 || static_cast<std::size_t>(code) >= kGenreNames.size()) {
        return "unknown";
    }
    return kGenreNames[static_cast<std::size_t>(code)];
}

std::string_view PlayerName(std::int32_t code) {
    if (code < 0 || static_cast<std::size_t>(code) >= kPlayerNames.size()) {
        return "unknown";
    }
    return kPlayerNames[static_cast<std::size_t>(code)];
}

std::span<const MenuEntry> GenreMenu() {
    return kGenreMenu;
}
std::span<const MenuEntry> PlayerMenu() {
    return kPlayerMenu;
}
std::span<const MenuEntry> RegionMenu() {
    return kRegionMenu;
}
std::span<const MenuEntry> ShowRomsMenu() {
    return kShowRomsMenu;
}
std::span<const MenuEntry> BackgroundMenu() {
    return kBackgroundMenu;
}

}  // namespace varnimo::catalogue
