#include "cli/cli_main.h"

#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/main_window_logic.h"
#include "app/program_version.h"
#include "catalogue/names.h"
#include "cli/import_command.h"
#include "cli/screenshot_check.h"
#include "cli/sql_command.h"
#include "cli/terminal_text.h"
#include "cli/terminal_view.h"
#include "cli/update_check_command.h"
#include "rtl/convert.h"
#include "rtl/runtime_error.h"

namespace varnimo::cli {
namespace {

constexpr int kCompleted = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

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

int Usage(const std::string& problem) {
    if (!problem.empty()) {
        std::fprintf(stderr, "varnimo-cli: %s\n", TerminalText(stderr)(problem).c_str());
    }
    std::fputs(kUsageText, stderr);
    std::fputs(ScreenshotCheckNote(), stderr);
    return kUsage;
}

bool SameCaption(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
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

std::optional<int> LineNumber(std::string_view text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    return rtl::ParseInteger(text);
}

struct MenuChoice {
    app::MenuGroup group;
    int tag;
};

// Runs one event of MainWindowLogic the way the window's event loop would: an error of
// any kind ends the event and shows its text. Returns false when that happened.
bool RunHandler(TerminalView& view, const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (...) {
        view.ReportError(rtl::CurrentErrorText());
        return false;
    }
}

void PrintCaptions(TerminalView& view) {
    std::printf("%s\n%s\n%s\n", view.Caption(app::Control::FileSize).c_str(),
                view.Caption(app::Control::Genre).c_str(),
                view.Caption(app::Control::Player).c_str());
}

// The screenshot's path is made of catalogue fields: shown as the terminal is to show it.
void PrintPicture(TerminalView& view, const TerminalText& out) {
    if (auto picture = view.TakePicture()) {
        std::printf("screen: %s\n", out(*picture).c_str());
    }
}

}  // namespace

int RunCli(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    std::size_t i = 0;
    std::optional<std::string> search_text;
    std::vector<MenuChoice> choices;
    auto value_of = [&](std::string_view option) -> std::optional<std::string_view> {
        if (i + 1 >= args.size()) {
            return std::nullopt;
        }
        (void)option;
        i += 2;
        return args[i - 1];
    };
    while (i < args.size() && args[i].size() > 1 && args[i][0] == '-') {
        std::string_view option = args[i];
        if (option == "--help") {
            std::fputs(kUsageText, stdout);
            std::fputs(ScreenshotCheckNote(), stdout);
            return kCompleted;
        }
        if (option == "--version") {
            // Before the locale is taken in, so the version reads the same everywhere.
            std::printf("varnimo-cli %s\n", rtl::FloatToStr(app::kProgramVersion).c_str());
            return kCompleted;
        }
        auto value = value_of(option);
        if (!value) {
            return Usage(std::string(option) + " needs a value");
        }
        if (option == "-C" || option == "--directory") {
            if (::chdir(std::string(*value).c_str()) != 0) {
                std::fprintf(stderr, "varnimo-cli: cannot enter %s: %s\n",
                             TerminalText(stderr)(*value).c_str(), std::strerror(errno));
                return kUsage;
            }
        } else if (option == "--search") {
            search_text = std::string(*value);
        } else {
            std::span<const catalogue::MenuEntry> menu;
            app::MenuGroup group = app::MenuGroup::ShowRoms;
            if (option == "--genre") {
                menu = catalogue::GenreMenu();
                group = app::MenuGroup::Genre;
            } else if (option == "--player") {
                menu = catalogue::PlayerMenu();
                group = app::MenuGroup::Player;
            } else if (option == "--region") {
                menu = catalogue::RegionMenu();
                group = app::MenuGroup::Region;
            } else if (option == "--show") {
                menu = catalogue::ShowRomsMenu();
                group = app::MenuGroup::ShowRoms;
            } else {
                return Usage("unknown option " + std::string(option));
            }
            auto tag = MenuTag(menu, *value);
            if (!tag) {
                return Usage("no menu entry " + std::string(*value) + " for " +
                             std::string(option));
            }
            choices.push_back({group, *tag});
        }
    }
    if (i >= args.size()) {
        return Usage("no command");
    }
    const std::string_view command = args[i++];
    const std::vector<std::string_view> rest(args.begin() + static_cast<std::ptrdiff_t>(i),
                                             args.end());

    if (command == "import") {
        if (search_text || !choices.empty()) {
            return Usage("import takes no filters");
        }
        return RunImportCommand(argc - 1 - static_cast<int>(i), argv + 1 + i);
    }
    if (command == "sql") {
        return RunSqlCommand(argc - 1 - static_cast<int>(i), argv + 1 + i);
    }
    if (command == "update-check") {
        return RunUpdateCheckCommand(argc - 1 - static_cast<int>(i), argv + 1 + i);
    }

    // Check the command's own arguments before anything is read or written.
    std::optional<int> line;
    int ticks = 0;
    bool dry_run = false;
    app::Emulator emulator = app::Emulator::Snes9x;
    if (command == "list") {
        if (!rest.empty()) {
            return Usage("list takes no arguments");
        }
    } else if (command == "show") {
        if (rest.size() != 1 && !(rest.size() == 3 && rest[1] == "--ticks")) {
            return Usage("show LINE [--ticks N]");
        }
        line = LineNumber(rest[0]);
        std::optional<int> count = rest.size() == 3 ? LineNumber(rest[2]) : std::optional<int>(0);
        if (!line || !count) {
            return Usage("show LINE [--ticks N]: LINE and N are whole numbers");
        }
        ticks = *count;
    } else if (command == "launch") {
        if (rest.size() < 2 || rest.size() > 3 || (rest.size() == 3 && rest[2] != "--dry-run")) {
            return Usage("launch snes9x|zsnes LINE [--dry-run]");
        }
        if (rest[0] == "snes9x") {
            emulator = app::Emulator::Snes9x;
        } else if (rest[0] == "zsnes") {
            emulator = app::Emulator::Zsnes;
        } else {
            return Usage("launch: the emulator is snes9x or zsnes");
        }
        line = LineNumber(rest[1]);
        if (!line) {
            return Usage("launch: LINE is a whole number");
        }
        dry_run = rest.size() == 3;
    } else {
        return Usage("unknown command " + std::string(command));
    }

    // Numbers are shown with the user's decimal separator, as in the window.
    std::setlocale(LC_ALL, "");

    TerminalView view(stderr);
    app::MainWindowLogic unit(view);
    view.Attach(&unit);
    if (!RunHandler(view, [&] { unit.Reset(); }) || view.QuitRequested()) {
        return kFailed;
    }
    const int errors_before = view.ErrorBoxCount();
    for (const MenuChoice& choice : choices) {
        RunHandler(view, [&] { unit.SetFilter(choice.group, choice.tag); });
    }
    if (search_text) {
        RunHandler(view, [&] { view.SetSearchText(*search_text); });
    }

    if (command == "list") {
        // Written in pieces: a million titles gathered into one string first would take as
        // much memory again as the titles themselves.
        const TerminalText shown(stdout);
        std::string out;
        constexpr std::size_t kPiece = 256 * 1024;
        out.reserve(kPiece);
        for (std::int32_t row : unit.ListedRows()) {
            shown.Append(out, unit.TitleText(row));
            out.push_back('\n');
            if (out.size() >= kPiece) {
                std::fwrite(out.data(), 1, out.size(), stdout);
                out.clear();
            }
        }
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n%s\n", view.Caption(app::Control::ShowingCounter).c_str(),
                     view.Caption(app::Control::RomCount).c_str());
    } else if (command == "show") {
        view.SelectLine(*line);
        if (view.SelectedLine() < 0) {
            // No title on that line: what the Run buttons say for no selection, as `launch`
            // does; there are no details to show.
            view.ErrorBox(app::kNoSelectionError);
        } else {
            const TerminalText shown(stdout);
            view.TakePicture();
            // A click is a mouse press followed by the click itself; both run the selection
            // update.
            if (RunHandler(view, [&] { unit.SelectionChanged(); })) {
                RunHandler(view, [&] { unit.SelectionChanged(); });
            }
            PrintCaptions(view);
            PrintPicture(view, shown);
            for (int tick = 0; tick < ticks; ++tick) {
                RunHandler(view, [&] { unit.SlideshowTick(); });
                PrintPicture(view, shown);
            }
        }
    } else {
        view.SelectLine(*line);
        if (dry_run) {
            view.SetDryRun(stdout);
        }
        // A selection update that fails (a ROM gone since the scan, a screenshot that cannot
        // be decoded) shows its error, but the line stays selected, so the Run button still
        // starts the emulator, as it does in the window.
        if (RunHandler(view, [&] { unit.SelectionChanged(); })) {
            RunHandler(view, [&] { unit.SelectionChanged(); });
        }
        RunHandler(view, [&] { unit.Launch(emulator); });
    }
    std::fflush(stdout);
    return view.ErrorBoxCount() > errors_before ? kFailed : kCompleted;
}

}  // namespace varnimo::cli
