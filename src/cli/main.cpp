#include <cstdio>
#include <string>

#include "cli/cli_main.h"
#include "cli/terminal_text.h"
#include "rtl/runtime_error.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // Titles and texts are written as the bytes they are, as on every other platform: the
    // C runtime would otherwise put a CR before each LF, also one inside a title.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    // Whatever a command runs into, it ends with an error line and status 1, never an abort.
    try {
        return varnimo::cli::RunCli(argc, argv);
    } catch (...) {
        std::fflush(stdout);
        const std::string text = varnimo::rtl::CurrentErrorText();
        std::fprintf(stderr, "error: %s\n", varnimo::cli::TerminalText(stderr)(text).c_str());
        return 1;
    }
}
