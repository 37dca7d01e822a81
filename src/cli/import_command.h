#pragma once

#include "cli/command_line.h"

namespace varnimo::cli {

// `varnimo-cli import ROMDIR [--dat FILE]... [--screens DIR] [--snes9x DIR] [--zsnes DIR]
// [--force]`: makes a collection in the working directory from a folder of ROM files (and the
// game information of DAT files) and prints one summary line, with the reading of the ROM
// files shown on stderr when that is a terminal. Emulators without a folder are looked for on
// PATH. Returns the exit status: 0 done, 1 refused: nothing was made (the reason on stderr as
// an "error: " line). A write that fails raises the runtime's error and leaves the folder as
// it was.
int RunImportCommand(const ImportCommand& import);

// The import's help text.
const char* ImportUsageText();

}  // namespace varnimo::cli
