#pragma once
// The main window's menu bar: built from one table, with a radio group per submenu whose
// entries carry the Tag the core reads, and command ids for WM_COMMAND.

#include <windows.h>

#include <optional>

#include "main_view_port.h"

namespace varnimo::win {

// Commands of the entries that are no radio choice.
enum class MenuCommand : int {
    Options = 1000,
    Reset,
    Exit,
    About,
    Update,
    ImportRomFolder,  // only in the user's own collection: see AddImportEntry
};

constexpr int Id(MenuCommand command) {
    return static_cast<int>(command);
}

// A radio entry: the group it belongs to and its Tag.
struct MenuChoice {
    MenuGroup group = MenuGroup::Background;
    int tag = -1;
};

// The command id of the radio entry of `group` with `tag`; 0 when there is none.
int ChoiceCommandId(MenuGroup group, int tag);
// The radio entry a command id stands for; nothing for any other id (the disabled
// "-- Language --" line among them).
std::optional<MenuChoice> ChoiceOfCommand(int command_id);

// Builds the menu bar with the start entry of every group checked and drawn in bold.
HMENU CreateMainMenu();
// Puts "&Import ROM folder..." under Settings, after "&Reset" (once; a second call adds
// nothing).
void AddImportEntry(HMENU menu);

// Puts the radio mark on the entry of `group` whose Tag is `tag`; the other entries of the
// group lose theirs. Nothing happens for a Tag the group has no entry for.
void CheckChoice(HMENU menu, MenuGroup group, int tag);

}  // namespace varnimo::win
