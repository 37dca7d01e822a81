#include "cli/command_line.h"

#include <cstddef>
#include <string_view>
#include <utility>

#include "catalogue/names.h"
#include "rtl/convert.h"

namespace varnimo::cli {
namespace {

bool SameCaption(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    const auto fold = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

// A menu entry named by its caption (letter case ignored) or its Tag number.
std::optional<int> MenuTag(std::span<const catalogue::MenuEntry> menu, std::string_view value) {
    for (const auto& entry : menu) {
        if (SameCaption(entry.caption, value)) {
            return entry.tag;
        }
    }
    if (auto number = rtl::ParseInteger(value)) {
        for (const auto& entry : menu) {
            if (entry.tag == *number) {
                return entry.tag;
            }
        }
    }
    return std::nullopt;
}

// The menu an option names entries of.
std::optional<MenuGroup> FilterMenu(std::string_view option) {
    if (option == "--genre") {
        return MenuGroup::Genre;
    }
    if (option == "--player") {
        return MenuGroup::Player;
    }
    if (option == "--region") {
        return MenuGroup::Region;
    }
    if (option == "--show") {
        return MenuGroup::ShowRoms;
    }
    return std::nullopt;
}

std::span<const catalogue::MenuEntry> MenuEntries(MenuGroup group) {
    switch (group) {
        case MenuGroup::Genre:
            return catalogue::GenreMenu();
        case MenuGroup::Player:
            return catalogue::PlayerMenu();
        case MenuGroup::Region:
            return catalogue::RegionMenu();
        case MenuGroup::ShowRoms:
            return catalogue::ShowRomsMenu();
        case MenuGroup::Background:
            break;
    }
    return catalogue::BackgroundMenu();
}

// Digits only: no sign, no blanks.
std::optional<int> LineNumber(std::string_view text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    return rtl::ParseInteger(text);
}

bool IsOption(std::string_view argument) {
    return argument.size() > 1 && argument[0] == '-';
}

UsageError MainUsage(std::string problem) {
    return {UsageText::Main, std::move(problem)};
}

UsageError ImportUsage(std::string problem) {
    return {UsageText::Import, std::move(problem)};
}

using Arguments = std::span<char*>;

Action ReadShow(Arguments rest) {
    if (rest.size() != 1 && !(rest.size() == 3 && std::string_view(rest[1]) == "--ticks")) {
        return MainUsage("show LINE [--ticks N]");
    }
    const std::optional<int> line = LineNumber(rest[0]);
    const std::optional<int> ticks = rest.size() == 3 ? LineNumber(rest[2]) : 0;
    if (!line || !ticks) {
        return MainUsage("show LINE [--ticks N]: LINE and N are whole numbers");
    }
    return ShowCommand{*line, *ticks};
}

Action ReadLaunch(Arguments rest) {
    if (rest.size() < 2 || rest.size() > 3 ||
        (rest.size() == 3 && std::string_view(rest[2]) != "--dry-run")) {
        return MainUsage("launch snes9x|zsnes LINE [--dry-run]");
    }
    LaunchCommand launch;
    const std::string_view emulator = rest[0];
    if (emulator == "snes9x") {
        launch.emulator = Emulator::Snes9x;
    } else if (emulator == "zsnes") {
        launch.emulator = Emulator::Zsnes;
    } else {
        return MainUsage("launch: the emulator is snes9x or zsnes");
    }
    const std::optional<int> line = LineNumber(rest[1]);
    if (!line) {
        return MainUsage("launch: LINE is a whole number");
    }
    launch.line = *line;
    launch.dry_run = rest.size() == 3;
    return launch;
}

Action ReadImport(Arguments rest) {
    ImportCommand import;
    catalogue::RomImportRequest& request = import.request;
    bool have_rom_folder = false;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const std::string_view argument = rest[i];
        const bool has_value = i + 1 < rest.size();
        if (argument == "--help") {
            return HelpRequest{UsageText::Import};
        }
        if (argument == "--force") {
            request.replace = true;
        } else if (argument == "--dat") {
            if (!has_value) {
                return ImportUsage("--dat needs a file");
            }
            request.dat_files.emplace_back(rest[++i]);
        } else if (argument == "--screens" || argument == "--snes9x" || argument == "--zsnes") {
            if (!has_value) {
                return ImportUsage(std::string(argument) + " needs a folder");
            }
            std::string folder = rest[++i];
            if (argument == "--screens") {
                request.screen_folder = std::move(folder);
            } else if (argument == "--snes9x") {
                request.snes9x_folder = std::move(folder);
            } else {
                request.zsnes_folder = std::move(folder);
            }
        } else if (IsOption(argument)) {
            return ImportUsage("import: unknown option " + std::string(argument));
        } else if (have_rom_folder) {
            return ImportUsage("import takes one ROM folder");
        } else {
            request.rom_folder = argument;
            have_rom_folder = true;
        }
    }
    if (request.rom_folder.empty()) {
        return ImportUsage("import needs a ROM folder");
    }
    return import;
}

Action ReadUpdateCheck(Arguments rest) {
    if (rest.empty()) {
        return UpdateCheckCommand{};
    }
    const std::string_view first = rest[0];
    if (first == "--help" || first == "-h") {
        return HelpRequest{UsageText::UpdateCheck};
    }
    return UsageError{UsageText::UpdateCheck, {}};
}

// The command word and what follows it.
Action ReadCommand(std::string_view command, Arguments rest, const Browsing& browsing) {
    if (command == "import") {
        if (browsing.search_text || !browsing.filters.empty()) {
            return MainUsage("import takes no filters");
        }
        return ReadImport(rest);
    }
    if (command == "sql") {
        return SqlCommand{rest};
    }
    if (command == "update-check") {
        return ReadUpdateCheck(rest);
    }
    if (command == "list") {
        if (!rest.empty()) {
            return MainUsage("list takes no arguments");
        }
        return ListCommand{};
    }
    if (command == "show") {
        return ReadShow(rest);
    }
    if (command == "launch") {
        return ReadLaunch(rest);
    }
    return MainUsage("unknown command " + std::string(command));
}

}  // namespace

CommandLine ReadCommandLine(std::span<char*> arguments) {
    CommandLine command_line{{}, {}, ListCommand{}};
    std::size_t i = 0;
    while (i < arguments.size() && IsOption(arguments[i])) {
        const std::string option = arguments[i];
        if (option == "--help") {
            command_line.action = HelpRequest{UsageText::Main};
            return command_line;
        }
        if (option == "--version") {
            command_line.action = VersionRequest{};
            return command_line;
        }
        // Every other option takes a value, the next argument whatever it looks like.
        if (i + 1 >= arguments.size()) {
            command_line.action = MainUsage(option + " needs a value");
            return command_line;
        }
        const std::string value = arguments[i + 1];
        i += 2;
        if (option == "-C" || option == "--directory") {
            command_line.folders.push_back(value);
        } else if (option == "--search") {
            command_line.browsing.search_text = value;
        } else if (const std::optional<MenuGroup> group = FilterMenu(option)) {
            const std::optional<int> tag = MenuTag(MenuEntries(*group), value);
            if (!tag) {
                command_line.action = MainUsage("no menu entry " + value + " for " + option);
                return command_line;
            }
            command_line.browsing.filters.push_back({*group, *tag});
        } else {
            command_line.action = MainUsage("unknown option " + option);
            return command_line;
        }
    }
    if (i >= arguments.size()) {
        command_line.action = MainUsage("no command");
        return command_line;
    }
    command_line.action =
        ReadCommand(arguments[i], arguments.subspan(i + 1), command_line.browsing);
    return command_line;
}

}  // namespace varnimo::cli
