#pragma once

namespace varnimo::cli {

// `varnimo-cli import ROMDIR [--screens DIR] [--snes9x DIR] [--zsnes DIR] [--force]`: makes
// a collection in the working directory from a folder of ROM files and prints one summary
// line. argv starts after the word "import". Returns the exit status: 0 done, 1 nothing was
// made (the reason on stderr as an "error: " line), 2 usage error.
int RunImportCommand(int argc, char** argv);

}  // namespace varnimo::cli
