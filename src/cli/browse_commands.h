#pragma once
// The commands that run the start-up sequence, apply the filters as the menus would and then
// use the title list: list, show and launch. Each returns the exit status.

#include "cli/command_line.h"

namespace varnimo::cli {

// The listed titles on stdout, one per line; the counters on stderr.
int RunListCommand(const Browsing& browsing);
// Selects a line, prints its details and screenshot, then one screenshot line per tick.
int RunShowCommand(const Browsing& browsing, const ShowCommand& show);
// Selects a line and presses a Run button (with a dry run, prints what it would start).
int RunLaunchCommand(const Browsing& browsing, const LaunchCommand& launch);

}  // namespace varnimo::cli
