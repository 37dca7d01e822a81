#include <spawn.h>

#include "rtl/process.h"

extern char** environ;

namespace varnimo::rtl {

bool StartDetached(const std::string& program, const std::string& argument) {
    std::string file = program;
    std::string rom = argument;
    char* argv[] = {file.data(), rom.data(), nullptr};
    pid_t child = 0;
    return ::posix_spawnp(&child, file.c_str(), nullptr, nullptr, argv, environ) == 0;
}

}  // namespace varnimo::rtl
