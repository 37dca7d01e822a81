#include "menu_bar.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <vector>

#include "catalogue/names.h"

namespace varnimo::win {

namespace {

struct Entry {
    std::string caption;
    int tag;
};

// The disabled caption line of the Region menu carries this Tag and no command.
constexpr int kLanguageCaptionTag = -6;

std::vector<Entry> EntriesOf(std::span<const catalogue::MenuEntry> menu) {
    std::vector<Entry> entries;
    for (const catalogue::MenuEntry& entry : menu) {
        entries.push_back({std::string(entry.caption), entry.tag});
    }
    return entries;
}

// The Region menu as it is drawn: the languages under a disabled caption line.
std::vector<Entry> RegionEntries() {
    std::vector<Entry> entries = EntriesOf(catalogue::RegionMenu());
    const auto first_language =
        std::find_if(entries.begin(), entries.end(), [](const Entry& e) { return e.tag == 4; });
    entries.insert(first_language, {"-- Language --", kLanguageCaptionTag});
    return entries;
}

struct Group {
    MenuGroup group;
    int first_id;  // the command id of the group's first entry; the others follow in order
    std::vector<Entry> entries;
};

// The captions and Tags are the catalogue's, so both windows and the CLI name the same entries.
const std::array<Group, 5>& Groups() {
    static const std::array<Group, 5> groups = {
        {{MenuGroup::Background, 2000, EntriesOf(catalogue::BackgroundMenu())},
         {MenuGroup::ShowRoms, 2100, EntriesOf(catalogue::ShowRomsMenu())},
         {MenuGroup::Genre, 2200, EntriesOf(catalogue::GenreMenu())},
         {MenuGroup::Player, 2300, EntriesOf(catalogue::PlayerMenu())},
         {MenuGroup::Region, 2400, RegionEntries()}}};
    return groups;
}

const Group& GroupOf(MenuGroup group) {
    for (const Group& g : Groups()) {
        if (g.group == group) {
            return g;
        }
    }
    return Groups()[0];
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
        item.dwTypeData = const_cast<char*>(entry.caption.c_str());
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
    for (const Group& g : Groups()) {
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
    Append(settings, MF_STRING, Id(MenuCommand::Options), "&Options");
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

void AddImportEntry(HMENU menu) {
    HMENU settings = MenuHolding(menu, static_cast<UINT>(Id(MenuCommand::Reset)));
    if (settings == nullptr ||
        ::GetMenuState(settings, static_cast<UINT>(Id(MenuCommand::ImportRomFolder)),
                       MF_BYCOMMAND) != static_cast<UINT>(-1)) {
        return;
    }
    // Its place: right after Reset, which is the second entry.
    ::InsertMenuA(settings, 2, MF_BYPOSITION | MF_STRING,
                  static_cast<UINT_PTR>(Id(MenuCommand::ImportRomFolder)), "&Import ROM folder...");
}

}  // namespace varnimo::win
