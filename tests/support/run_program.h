#pragma once
// Runs a built program the way a user or a script would, waits for it, and collects its
// exit status and what it wrote, on POSIX and on Windows alike.

#include <filesystem>
#include <string>
#include <vector>

namespace varnimo::testing {

struct ProgramRun {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// `argv[0]` is the program. `env` entries ("NAME=value") come before the inherited
// environment and win over it.
ProgramRun RunProgram(const std::vector<std::string>& argv,
                      const std::vector<std::string>& env = {});

// A path of the build tree as an absolute path, fixed before any test changes the working
// directory (under Wine a build path has no drive until it is made absolute).
inline std::string BuiltFile(const char* path) {
    return std::filesystem::absolute(path).string();
}

}  // namespace varnimo::testing
