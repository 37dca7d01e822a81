// The rules of varnimo-cli's command line that the runs of the program do not show: the order
// in which options are read, what ends the reading, and what each command accepts.

#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnimo::cli {
namespace {

const char* UsageName(UsageText text) {
    switch (text) {
        case UsageText::Main:
            return "main";
        case UsageText::Import:
            return "import";
        case UsageText::UpdateCheck:
            return "update-check";
    }
    return "?";
}

const char* MenuName(MenuGroup group) {
    switch (group) {
        case MenuGroup::Genre:
            return "genre";
        case MenuGroup::Player:
            return "player";
        case MenuGroup::Region:
            return "region";
        case MenuGroup::ShowRoms:
            return "show";
        case MenuGroup::Background:
            return "background";
    }
    return "?";
}

template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};

std::string Describe(const Action& action) {
    return std::visit(
        Overloaded{
            [](const ListCommand&) -> std::string { return "list"; },
            [](const ShowCommand& show) {
                return "show " + std::to_string(show.line) + " ticks " + std::to_string(show.ticks);
            },
            [](const LaunchCommand& launch) {
                return std::string("launch ") +
                       (launch.emulator == Emulator::Zsnes ? "zsnes " : "snes9x ") +
                       std::to_string(launch.line) + (launch.dry_run ? " dry-run" : "");
            },
            [](const ImportCommand& import) {
                const catalogue::RomImportRequest& request = import.request;
                std::string text = "import " + request.rom_folder;
                for (const std::string& dat : request.dat_files) {
                    text += " dat=" + dat;
                }
                if (!request.screen_folder.empty()) {
                    text += " screens=" + request.screen_folder;
                }
                if (request.snes9x_folder) {
                    text += " snes9x=" + *request.snes9x_folder;
                }
                if (request.zsnes_folder) {
                    text += " zsnes=" + *request.zsnes_folder;
                }
                return text + (request.replace ? " force" : "");
            },
            [](const SqlCommand& sql) {
                std::string text = "sql";
                for (const char* argument : sql.arguments) {
                    text += std::string(" ") + argument;
                }
                return text;
            },
            [](const UpdateCheckCommand&) -> std::string { return "update-check"; },
            [](const HelpRequest& help) { return std::string("help ") + UsageName(help.text); },
            [](const VersionRequest&) -> std::string { return "version"; },
            [](const UsageError& error) {
                return std::string("usage ") + UsageName(error.text) + ": " + error.problem;
            },
        },
        action);
}

// The folders, the filters and the search, then the action, on one line.
std::string Read(std::vector<std::string> arguments) {
    std::vector<char*> pointers;
    for (std::string& argument : arguments) {
        pointers.push_back(argument.data());
    }
    const CommandLine line = ReadCommandLine(pointers);
    std::string text;
    for (const std::string& folder : line.folders) {
        text += "-C " + folder + " | ";
    }
    for (const MenuFilter& filter : line.browsing.filters) {
        text += std::string(MenuName(filter.group)) + "=" + std::to_string(filter.tag) + " | ";
    }
    if (line.browsing.search_text) {
        text += "search=" + *line.browsing.search_text + " | ";
    }
    return text + Describe(line.action);
}

TEST(CommandLine, OptionsAreReadInOrderUntilTheFirstMistakeOrRequest) {
    const struct {
        std::vector<std::string> arguments;
        const char* read;
    } cases[] = {
        // --help and --version end the reading wherever they stand; a mistake before them
        // is said instead.
        {{"--help", "--bogus"}, "help main"},
        {{"-C", "a", "--version", "list", "extra"}, "-C a | version"},
        {{"--genre", "Demo", "--help"}, "usage main: no menu entry Demo for --genre"},
        // The folders before the mistake are entered (and can fail first), later ones not.
        {{"-C", "a", "--directory", "b", "--bogus", "x", "-C", "c"},
         "-C a | -C b | usage main: unknown option --bogus"},
        {{"--bogus", "x", "-C", "a", "list"}, "usage main: unknown option --bogus"},
        // Every option but --help and --version takes the next argument, whatever it is.
        {{"--bogus"}, "usage main: --bogus needs a value"},
        {{"--search", "--genre", "list"}, "search=--genre | list"},
        {{"-C", "-x", "list"}, "-C -x | list"},
        {{"-h"}, "usage main: -h needs a value"},
        {{"-"}, "usage main: unknown command -"},
        {{"--search", "x"}, "search=x | usage main: no command"},
        // Menu entries by caption (any letter case) or Tag (a number as the runtime reads
        // one), in the order given; the last search counts.
        {{"--genre", "8", "--genre", "PUZZLE", "--show", "all", "list"},
         "genre=8 | genre=1 | show=2 | list"},
        {{"--search", "a", "--search", "b", "list"}, "search=b | list"},
        {{"--region", "-6", "list"}, "usage main: no menu entry -6 for --region"},
        {{"--player", " +1", "list"}, "player=1 | list"},
        {{"--background", "1", "list"}, "usage main: unknown option --background"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Read(c.arguments), c.read) << ::testing::PrintToString(c.arguments);
    }
}

TEST(CommandLine, EachCommandTakesItsOwnArguments) {
    const struct {
        std::vector<std::string> arguments;
        const char* read;
    } cases[] = {
        {{"show", "12"}, "show 12 ticks 0"},
        {{"show", "0", "--ticks", "3"}, "show 0 ticks 3"},
        {{"show", "+1"}, "usage main: show LINE [--ticks N]: LINE and N are whole numbers"},
        {{"show", "1", "--ticks", "-1"},
         "usage main: show LINE [--ticks N]: LINE and N are whole numbers"},
        {{"show", "99999999999"},
         "usage main: show LINE [--ticks N]: LINE and N are whole numbers"},
        {{"show", "1", "2"}, "usage main: show LINE [--ticks N]"},
        {{"show", "1", "--ticks"}, "usage main: show LINE [--ticks N]"},
        {{"launch", "zsnes", "4", "--dry-run"}, "launch zsnes 4 dry-run"},
        {{"launch", "snes9x", "0"}, "launch snes9x 0"},
        {{"launch", "Snes9x", "0"}, "usage main: launch: the emulator is snes9x or zsnes"},
        {{"launch", "snes9x", "x"}, "usage main: launch: LINE is a whole number"},
        {{"launch", "snes9x", "0", "--dry"}, "usage main: launch snes9x|zsnes LINE [--dry-run]"},
        {{"list", "--genre", "8"}, "usage main: list takes no arguments"},
        // The import: options anywhere, --help only before a mistake.
        {{"-C", "new", "import", "--force", "roms", "--dat", "a.dat", "--dat", "b.dat", "--screens",
          "s", "--snes9x", "", "--zsnes", "z"},
         "-C new | import roms dat=a.dat dat=b.dat screens=s snes9x= zsnes=z force"},
        {{"import", "roms", "--help", "--bogus"}, "help import"},
        {{"import", "--bogus", "--help"}, "usage import: import: unknown option --bogus"},
        {{"import", ""}, "usage import: import needs a ROM folder"},
        {{"import", "", "roms"}, "usage import: import takes one ROM folder"},
        {{"import", "-"}, "import -"},
        {{"import", "roms", "--zsnes"}, "usage import: --zsnes needs a folder"},
        {{"--search", "x", "import", "--help"}, "search=x | usage main: import takes no filters"},
        // The update check takes nothing; its help is -h as well.
        {{"update-check", "-h", "x"}, "help update-check"},
        {{"update-check", "now"}, "usage update-check: "},
        {{"--genre", "8", "update-check"}, "genre=8 | update-check"},
        // sql reads its own arguments.
        {{"sql", "-h", "db", "--help", "SELECT 1"}, "sql -h db --help SELECT 1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Read(c.arguments), c.read) << ::testing::PrintToString(c.arguments);
    }
}

}  // namespace
}  // namespace varnimo::cli
