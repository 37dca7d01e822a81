#pragma once

namespace varnimo::cli {

// `varnimo-cli import ROMDIR [--dat FILE]... [--screens DIR] [--snes9x DIR] [--zsnes DIR]
// [--force]`: makes a collection in the working directory from a folder of ROM files (and the
// game information of DAT files) and prints one summary line, with the reading of the ROM
// files shown on stderr when that is a terminal. argv starts after the word "import". Returns the
// exit status: 0 done, 1 nothing was made (the reason on stderr as an "error: " line), 2 usage
// error.
int RunImportCommand(int argc, char** argv);

}  // namespace varnimo::cli
