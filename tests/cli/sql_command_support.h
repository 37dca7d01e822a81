#pragma once
// Runs `varnimo-cli sql ...` and collects its exit status and output.

#include <string>
#include <vector>

#include "run_program.h"

namespace varnimo::testing {

using SqlRun = ProgramRun;

inline SqlRun RunSql(std::vector<std::string> args) {
    static const std::string cli = BuiltFile(VARNIMO_CLI_PATH);
    std::vector<std::string> all = {cli, "sql"};
    all.insert(all.end(), args.begin(), args.end());
    return RunProgram(all);
}

}  // namespace varnimo::testing
