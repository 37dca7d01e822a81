#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "rtl/files.h"
#include "rtl/process.h"

namespace varnimo::rtl {

bool StartDetached(const std::string& program, const std::string& argument) {
    if (HoldsNul(program) || HoldsNul(argument)) {
        return false;  // the program would get a shortened name: start nothing
    }
    // Everything the children need is made before fork: after it only async-signal-safe
    // calls run. A pipe that closes on exec tells whether the program was started.
    const char* argv[] = {program.c_str(), argument.c_str(), nullptr};
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
            ::execv(argv[0], const_cast<char* const*>(argv));
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

}  // namespace varnimo::rtl
