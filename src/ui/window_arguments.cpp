#include "window_arguments.h"

#include <string_view>

namespace varnimo::ui {

const char* const kWindowUsage =
    "usage: varnimo [-C DIR | --user-collection]\n"
    "\n"
    "Opens the window on the data files of the working directory (options.dat,\n"
    "SNES_screens.dat, scanned.dat).\n"
    "  -C DIR              run in DIR\n"
    "  --user-collection   run in your own collection folder,\n"
    "                      $XDG_DATA_HOME/varnimo (else ~/.local/share/varnimo), made\n"
    "                      when missing; while it holds no SNES_screens.dat, the window\n"
    "                      first asks for your ROM and screenshot folders and makes the\n"
    "                      collection from them (as varnimo-cli import does)\n"
    "  --help              this text\n"
    "  --version           the program version\n"
    "\n"
    "The options of Qt (-platform, -style, ...) are taken as well.\n";

WindowArguments TakeWindowArguments(int& argc, char** argv) {
    WindowArguments result;
    auto usage = [&](std::string problem) {
        result.action = WindowArguments::Action::Usage;
        result.problem = std::move(problem);
    };
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") {
            if (result.action == WindowArguments::Action::Run)
                result.action = WindowArguments::Action::Help;
        } else if (arg == "--version") {
            if (result.action == WindowArguments::Action::Run)
                result.action = WindowArguments::Action::Version;
        } else if (arg == "--user-collection") {
            result.user_collection = true;
        } else if (arg == "-C") {
            if (i + 1 >= argc) {
                usage("-C needs a value");
                break;
            }
            result.directory = argv[++i];
        } else {
            argv[kept++] = argv[i];
        }
    }
    if (result.action != WindowArguments::Action::Usage && result.user_collection &&
        !result.directory.empty()) {
        usage("-C and --user-collection choose the folder both; give one");
    }
    argv[kept] = nullptr;
    argc = kept;
    return result;
}

}  // namespace varnimo::ui
