#include "cli/cli_main.h"

#include <cstdio>
#include <string>
#include <variant>
#include <vector>

#include "app/main_window_logic.h"
#include "app/program_version.h"
#include "cli/browse_commands.h"
#include "cli/command_line.h"
#include "cli/exit_status.h"
#include "cli/import_command.h"
#include "cli/screenshot_check.h"
#include "cli/sql_command.h"
#include "cli/terminal_text.h"
#include "cli/update_check_command.h"
#include "rtl/convert.h"
#include "rtl/files.h"

namespace varnimo::cli {
namespace {

constexpr const char* kUsageText =
    "usage: varnimo-cli [-C DIR] [FILTERS] COMMAND ...\n"
    "\n"
    "Runs the start-up sequence on the data files of the working directory (options.dat,\n"
    "SNES_screens.dat, scanned.dat), applies the filters as the menus would, then:\n"
    "  list                                the listed titles, one per line\n"
    "  show LINE [--ticks N]               select LINE (0-based) and show its details;\n"
    "                                      then N slideshow ticks\n"
    "  launch snes9x|zsnes LINE [--dry-run] select LINE and press the Run button\n"
    "  import ROMDIR [--dat FILE] ...      make a collection here from a folder of ROM\n"
    "                                      files and DAT files (import --help)\n"
    "  sql ...                             run a query on a MySQL server (sql --help)\n"
    "  update-check ...                    compare the versions with the update server\n"
    "\n"
    "Options and filters:\n"
    "  -C DIR            run in DIR\n"
    "  --directory DIR   the same as -C DIR\n"
    "  --help            this text\n"
    "  --version         the program version\n"
    "  --search TEXT     search text (applied last)\n"
    "  --genre G         Genre menu entry, by caption or Tag\n"
    "  --player P        Player menu entry, by caption or Tag\n"
    "  --region R        Region menu entry, by caption or Tag\n"
    "  --show S          Show Roms entry (Available, Missing, All), by caption or Tag\n"
    "\n"
    "Message boxes are printed on stderr as 'error: ', 'info: ' or 'notice: ' lines.\n"
    "Written to a terminal, control bytes in titles and paths show as \\xHH (\\x1b for ESC);\n"
    "to a pipe or a file every byte is written as it is.\n"
    "Exit status: 0 done, 1 start-up ended early or the command showed an error, 2 usage.\n";

void PrintUsageText(UsageText text, std::FILE* out) {
    switch (text) {
        case UsageText::Main:
            std::fputs(kUsageText, out);
            std::fputs(ScreenshotCheckNote(), out);
            return;
        case UsageText::Import:
            std::fputs(ImportUsageText(), out);
            return;
        case UsageText::UpdateCheck:
            std::fputs(UpdateCheckUsageText(), out);
            return;
    }
}

int ShowHelp(const HelpRequest& help) {
    // The update check has always shown its help where its usage errors go.
    PrintUsageText(help.text, help.text == UsageText::UpdateCheck ? stderr : stdout);
    return kCompleted;
}

int ShowUsageError(const UsageError& error) {
    if (!error.problem.empty()) {
        std::fprintf(stderr, "varnimo-cli: %s\n", TerminalText(stderr)(error.problem).c_str());
    }
    PrintUsageText(error.text, stderr);
    return kUsage;
}

int ShowVersion() {
    // Before the locale is taken in, so the version reads the same everywhere.
    std::printf("varnimo-cli %s\n", rtl::FloatToStr(app::kProgramVersion).c_str());
    return kCompleted;
}

// Enters the -C folders in turn; false (with the reason said) at the first that fails.
bool EnterFolders(const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        if (const std::error_code error = rtl::EnterFolder(folder)) {
            std::fprintf(stderr, "varnimo-cli: cannot enter %s: %s\n",
                         TerminalText(stderr)(folder).c_str(), error.message().c_str());
            return false;
        }
    }
    return true;
}

template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};

}  // namespace

int RunCli(int argc, char** argv) {
    const CommandLine command_line = ReadCommandLine({argv + 1, argv + argc});
    if (!EnterFolders(command_line.folders)) {
        return kUsage;
    }
    const Browsing& browsing = command_line.browsing;
    return std::visit(
        Overloaded{
            [&](const ListCommand&) { return RunListCommand(browsing); },
            [&](const ShowCommand& show) { return RunShowCommand(browsing, show); },
            [&](const LaunchCommand& launch) { return RunLaunchCommand(browsing, launch); },
            [](const ImportCommand& import) { return RunImportCommand(import); },
            [](const SqlCommand& sql) {
                return RunSqlCommand(static_cast<int>(sql.arguments.size()), sql.arguments.data());
            },
            [](const UpdateCheckCommand&) { return RunUpdateCheckCommand(); },
            [](const HelpRequest& help) { return ShowHelp(help); },
            [](const VersionRequest&) { return ShowVersion(); },
            [](const UsageError& error) { return ShowUsageError(error); },
        },
        command_line.action);
}

}  // namespace varnimo::cli
