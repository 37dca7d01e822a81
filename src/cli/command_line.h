#pragma once
// The command line of varnimo-cli read into a value before anything runs: the folders to
// enter, the filters, and the one command with its own arguments; or what ended the reading
// early (a help or version request, a usage error). Reading touches nothing: entering the
// folders and running the command are the caller's.

#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "app/main_view.h"
#include "catalogue/rom_import.h"

namespace varnimo::cli {

using app::Emulator;
using app::MenuGroup;

// A menu entry named on the command line (--genre, --player, --region, --show), applied as a
// click on it would be.
struct MenuFilter {
    MenuGroup group;
    int tag;

    bool operator==(const MenuFilter&) const = default;
};

// What the list, show and launch commands see: the menu entries in the order given, then the
// search text.
struct Browsing {
    std::vector<MenuFilter> filters;
    std::optional<std::string> search_text;
};

struct ListCommand {};
struct ShowCommand {
    int line = 0;
    int ticks = 0;  // slideshow ticks after the details
};
struct LaunchCommand {
    Emulator emulator = Emulator::Snes9x;
    int line = 0;
    bool dry_run = false;
};
struct ImportCommand {
    // The folders, DAT files and --force; where to look for emulators and how to show the
    // progress are the running command's.
    catalogue::RomImportRequest request;
};
// The sql command reads its own arguments.
struct SqlCommand {
    std::span<char*> arguments;
};
struct UpdateCheckCommand {};

// The usage text a help request or a usage error shows.
enum class UsageText { Main, Import, UpdateCheck };
struct HelpRequest {
    UsageText text;
};
struct VersionRequest {};
struct UsageError {
    UsageText text;
    std::string problem;  // empty: the usage text alone
};

using Action = std::variant<ListCommand, ShowCommand, LaunchCommand, ImportCommand, SqlCommand,
                            UpdateCheckCommand, HelpRequest, VersionRequest, UsageError>;

struct CommandLine {
    // -C and --directory, in the order given, each entered from the one before. Where the
    // reading ended early, the ones before the word it ended at: a folder that cannot be
    // entered is said before a later mistake, and after an earlier one not at all.
    std::vector<std::string> folders;
    Browsing browsing;
    Action action;
};

// Reads `arguments`, the program's arguments after its name. The options before the command
// word are read in order and the first mistake, --help or --version ends the reading.
CommandLine ReadCommandLine(std::span<char*> arguments);

}  // namespace varnimo::cli
