#include "cli/cli_main.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // Titles and texts are written as the bytes they are, as on every other platform: the
    // C runtime would otherwise put a CR before each LF, also one inside a title.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    return varnimo::cli::RunCli(argc, argv);
}
