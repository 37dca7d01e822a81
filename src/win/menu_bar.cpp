#include "menu_bar.h"

#include <array>
#include <span>

namespace varnimo::win {

namespace {

struct Entry {
    const char* caption;
    int tag;
};

// The disabled caption line of the Region menu carries this Tag and no command.
constexpr int kLanguageCaptionTag = -6;

constexpr std::array<Entry, 5> kBackgrounds = {
    {{"Default", -1}, {"Rose", 1}, {"Space", 2}, {"Fractal", 3}, {"Star Ship", 4}}};
constexpr std::array<Entry, 3> kShowRoms = {{{"Available", -1}, {"Missing", 1}, {"All", 2}}};
constexpr std::array<Entry, 20> kGenres = {{{"All", -1},           {"Action Adventure", 15},
                                            {"Arcade", 10},        {"Beat'em Up", 4},
                                            {"Board", 5},          {"Creative", 16},
                                            {"Hybrid", 19},        {"Jump 'n Run", 8},
                                            {"Manager", 11},       {"Pinball", 17},
                                            {"Public Domain", 12}, {"Puzzle", 1},
                                            {"Racing", 13},        {"RPG 2D", 6},
                                            {"RPG 3D", 14},        {"Shooter", 18},
                                            {"Sport", 7},          {"Strategy", 20},
                                            {"V-/H-Scroller", 9},  {"uncategorized", 0}}};
constexpr std::array<Entry, 7> kPlayers = {{{"All", -1},
                                            {"Single", 1},
                                            {"2P Simultan", 2},
                                            {"2P Split", 3},
                                            {"2P Alternate", 4},
                                            {"more than 2", 5},
                                            {"uncategorized", 0}}};
constexpr std::array<Entry, 8> kRegions = {{{"All", -1},
                                            {"Europe", 1},
                                            {"USA", 2},
                                            {"Japan", 3},
                                            {"-- Language --", kLanguageCaptionTag},
                                            {"German", 4},
                                            {"Spanish", 5},
                                            {"French", 6}}};

struct Group {
    MenuGroup group;
    int first_id;  // the command id of the group's first entry; the others follow in order
    std::span<const Entry> entries;
};

const std::array<Group, 5> kGroups = {{{MenuGroup::Background, 2000, kBackgrounds},
                                       {MenuGroup::ShowRoms, 2100, kShowRoms},
                                       {MenuGroup::Genre, 2200, kGenres},
                                       {MenuGroup::Player, 2300, kPlayers},
                                       {MenuGroup::Region, 2400, kRegions}}};

const Group& GroupOf(MenuGroup group) {
    for (const Group& g : kGroups) {
        if (g.group == group) {
            return g;
        }
    }
    return kGroups[0];
}

HMENU RadioSubmenu(const Group& group) {
    HMENU menu = ::CreatePopupMenu();
    int id = group.first_id;
    for (const Entry& entry : group.entries) {
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_STATE;
        item.fType = MFT_STRING | MFT_RADIOCHECK;
        item.wID = static_cast<UINT>(id++);
        item.dwTypeData = const_cast<char*>(entry.caption);
        // The start entry (Tag -1) is checked and drawn in bold as the default.
        item.fState = entry.tag == -1 ? MFS_CHECKED | MFS_DEFAULT : MFS_UNCHECKED;
        if (entry.tag == kLanguageCaptionTag) {
            item.fType = MFT_STRING;
            item.fState = MFS_DISABLED;
        }
        ::InsertMenuItemA(menu, ::GetMenuItemCount(menu), TRUE, &item);
    }
    return menu;
}

void Append(HMENU menu, UINT flags, UINT_PTR id_or_submenu, const char* caption) {
    ::AppendMenuA(menu, flags, id_or_submenu, caption);
}

// The submenu of `menu` (or `menu` itself) that holds the entry with command `id`.
HMENU MenuHolding(HMENU menu, UINT id) {
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (::GetMenuItemID(menu, i) == id) {
            return menu;
        }
        if (HMENU sub = ::GetSubMenu(menu, i)) {
            if (HMENU found = MenuHolding(sub, id)) {
                return found;
            }
        }
    }
    return nullptr;
}

}  // namespace

int ChoiceCommandId(MenuGroup group, int tag) {
    const Group& g = GroupOf(group);
    for (std::size_t i = 0; i < g.entries.size(); ++i) {
        if (g.entries[i].tag == tag && tag != kLanguageCaptionTag) {
            return g.first_id + static_cast<int>(i);
        }
    }
    return 0;
}

std::optional<MenuChoice> ChoiceOfCommand(int command_id) {
    for (const Group& g : kGroups) {
        const int index = command_id - g.first_id;
        if (index >= 0 && static_cast<std::size_t>(index) < g.entries.size() &&
            g.entries[static_cast<std::size_t>(index)].tag != kLanguageCaptionTag) {
            return MenuChoice{g.group, g.entries[static_cast<std::size_t>(index)].tag};
        }
    }
    return std::nullopt;
}

HMENU CreateMainMenu() {
    HMENU settings = ::CreatePopupMenu();
    Append(settings, MF_STRING | MF_GRAYED, Id(MenuCommand::Options), "&Options");
    Append(settings, MF_STRING, Id(MenuCommand::Reset), "&Reset");
    Append(settings, MF_POPUP,
           reinterpret_cast<UINT_PTR>(RadioSubmenu(GroupOf(MenuGroup::Background))), "Background");
    Append(settings, MF_POPUP,
           reinterpret_cast<UINT_PTR>(RadioSubmenu(GroupOf(MenuGroup::ShowRoms))), "Show Roms");
    Append(settings, MF_SEPARATOR, 0, nullptr);
    Append(settings, MF_STRING, Id(MenuCommand::Exit), "&Exit");

    HMENU help = ::CreatePopupMenu();
    Append(help, MF_STRING, Id(MenuCommand::About), "About...");
    Append(help, MF_STRING, Id(MenuCommand::Update), "Update?");

    HMENU bar = ::CreateMenu();
    Append(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(settings), "&Settings");
    Append(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(RadioSubmenu(GroupOf(MenuGroup::Genre))),
           "Genre");
    Append(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(RadioSubmenu(GroupOf(MenuGroup::Player))),
           "Player");
    Append(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(RadioSubmenu(GroupOf(MenuGroup::Region))),
           "Region");
    Append(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
    return bar;
}

void CheckChoice(HMENU menu, MenuGroup group, int tag) {
    const int id = ChoiceCommandId(group, tag);
    if (id == 0) {
        return;
    }
    const Group& g = GroupOf(group);
    const int last = g.first_id + static_cast<int>(g.entries.size()) - 1;
    HMENU holder = MenuHolding(menu, static_cast<UINT>(id));
    if (holder == nullptr) {
        return;
    }
    // The range holds the Region menu's disabled caption line, which is never checked, so
    // clearing it with the others changes nothing.
    ::CheckMenuRadioItem(holder, static_cast<UINT>(g.first_id), static_cast<UINT>(last),
                         static_cast<UINT>(id), MF_BYCOMMAND);
}

}  // namespace varnimo::win
