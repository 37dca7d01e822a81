#pragma once

namespace varnimo::cli {

// varnimo-cli [-C DIR] [FILTERS] COMMAND ... ; returns the exit status.
int RunCli(int argc, char** argv);

}  // namespace varnimo::cli
