#pragma once

namespace varnimo::cli {

// `varnimo-cli update-check`: runs the start-up sequence, shows the Update Checker and
// presses "Connect update Server". The three grids go to stdout, one line per grid row with
// the cells separated by a tab; message boxes go to stderr. Returns the exit status: 0 the
// server's versions were read, 1 the start-up ended early or the check did not get them.
int RunUpdateCheckCommand();

// The update check's help text.
const char* UpdateCheckUsageText();

}  // namespace varnimo::cli
