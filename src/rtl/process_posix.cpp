#include <dlfcn.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "rtl/files.h"
#include "rtl/process.h"

namespace varnimo::rtl {

bool StartDetached(const std::string& program, std::span<const std::string> arguments) {
    if (HoldsNul(program)) {
        return false;  // the program would get a shortened name: start nothing
    }
    // Everything the children need is made before fork: after it only async-signal-safe
    // calls run. A pipe that closes on exec tells whether the program was started.
    std::vector<const char*> argv = {program.c_str()};
    for (const std::string& argument : arguments) {
        if (HoldsNul(argument)) {
            return false;
        }
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t middle = ::fork();
    if (middle == 0) {
        // The middle process ends at once, so the program is nobody's child to wait for
        // and never lingers as a zombie of a long-running window.
        ::close(report[0]);
        ::setsid();
        const pid_t started = ::fork();
        if (started == 0) {
            // The path as given, never looked for on PATH: the caller decided which file runs.
            ::execv(argv[0], const_cast<char* const*>(argv.data()));
        }
        if (started <= 0) {
            const int error = errno;
            (void)!::write(report[1], &error, sizeof error);
        }
        ::_exit(started == 0 ? 127 : 0);
    }
    ::close(report[1]);
    if (middle > 0) {
        int status = 0;
        while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
        }
    }
    int error = 0;
    ssize_t got = 0;
    while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    // Nothing to read: the pipe closed at exec.
    return middle > 0 && got == 0;
}

std::string ProgramFolder() {
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) {
        return {};
    }
    path.resize(static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

void* LoadModuleFunction(const std::string& path, const char* name, std::string& reason) {
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* error = ::dlerror();
        reason = error != nullptr ? error : path;
        return nullptr;
    }
    if (void* function = ::dlsym(module, name)) {
        return function;
    }
    reason = path + ": no " + name;
    ::dlclose(module);
    return nullptr;
}

}  // namespace varnimo::rtl
