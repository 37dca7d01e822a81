// varnimo-bench-spawn: times whole processes, taking turns.
//
//   varnimo-bench-spawn [--runs N] [--warmup W] [--cwd DIR] -- NAME PROGRAM ARGS... [-- NAME ...]
//
// Each group after a "--" is one command: its name, then the program and its arguments.
// The commands run in turns (A B A B ...), W rounds unmeasured, then N measured rounds, with
// stdout and stderr sent to /dev/null. For every command one line is printed:
//
//   NAME median_ms min_ms max_ms peak_rss_kb runs median_cpu_ms
//
// peak_rss_kb is the largest resident size any measured run of that command reached;
// median_cpu_ms the median of its user plus system time (the part a busy machine inflates
// least). A
// command that exits with anything but status 0 ends the tool with status 1.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace varnimo::bench {
namespace {

struct Command {
    std::string name;
    std::vector<char*> argv;  // null-terminated
    std::vector<double> millis;
    std::vector<double> cpu_millis;
    long peak_rss_kb = 0;
};

bool ParseCount(const char* text, int& out) {
    const char* end = text + std::strlen(text);
    auto [ptr, ec] = std::from_chars(text, end, out);
    return ec == std::errc() && ptr == end && out >= 0;
}

// Runs one command to its end; false when it could not start or did not exit with 0.
bool RunOnce(Command& command, int devnull, double& millis, double& cpu_millis, long& rss_kb) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, devnull, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, devnull, STDERR_FILENO);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int error =
        ::posix_spawnp(&pid, command.argv[0], &actions, nullptr, command.argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        std::fprintf(stderr, "varnimo-bench-spawn: cannot start %s: %s\n", command.argv[0],
                     std::strerror(error));
        return false;
    }
    int status = 0;
    struct rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("varnimo-bench-spawn: wait4");
            return false;
        }
    }
    const auto end = std::chrono::steady_clock::now();
    millis = std::chrono::duration<double, std::milli>(end - start).count();
    rss_kb = usage.ru_maxrss;
    auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    cpu_millis = ms(usage.ru_utime) + ms(usage.ru_stime);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "varnimo-bench-spawn: %s ended with status %d\n", command.name.c_str(),
                     WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
        return false;
    }
    return true;
}

int Run(int argc, char** argv) {
    int runs = 5;
    int warmup = 1;
    int i = 1;
    for (; i < argc && std::string_view(argv[i]) != "--"; ++i) {
        std::string_view option = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "varnimo-bench-spawn: %s needs a value\n", argv[i]);
            return 2;
        }
        const char* value = argv[++i];
        if ((option == "--runs" && ParseCount(value, runs) && runs > 0) ||
            (option == "--warmup" && ParseCount(value, warmup))) {
            continue;
        }
        if (option == "--cwd" && ::chdir(value) == 0)
            continue;
        std::fprintf(stderr, "varnimo-bench-spawn: bad option %s %s\n", argv[i - 1], value);
        return 2;
    }
    std::vector<Command> commands;
    for (; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--") {
            commands.emplace_back();
            continue;
        }
        Command& command = commands.back();
        if (command.name.empty()) {
            command.name = argv[i];
        } else {
            command.argv.push_back(argv[i]);
        }
    }
    for (Command& command : commands) {
        if (command.argv.empty()) {
            std::fprintf(stderr,
                         "usage: varnimo-bench-spawn [--runs N] [--warmup W] [--cwd DIR] "
                         "-- NAME PROGRAM ARGS... [-- NAME ...]\n");
            return 2;
        }
        command.argv.push_back(nullptr);
    }
    if (commands.empty()) {
        std::fprintf(stderr, "varnimo-bench-spawn: no command\n");
        return 2;
    }

    const int devnull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (devnull < 0) {
        std::perror("varnimo-bench-spawn: /dev/null");
        return 1;
    }
    for (int round = 0; round < warmup + runs; ++round) {
        for (Command& command : commands) {
            double millis = 0;
            double cpu_millis = 0;
            long rss_kb = 0;
            if (!RunOnce(command, devnull, millis, cpu_millis, rss_kb))
                return 1;
            if (round >= warmup) {
                command.millis.push_back(millis);
                command.cpu_millis.push_back(cpu_millis);
                command.peak_rss_kb = std::max(command.peak_rss_kb, rss_kb);
            }
        }
    }
    auto median_of = [](std::vector<double>& m) {
        std::sort(m.begin(), m.end());
        const std::size_t n = m.size();
        return n % 2 == 1 ? m[n / 2] : (m[n / 2 - 1] + m[n / 2]) / 2;
    };
    for (Command& command : commands) {
        std::vector<double>& m = command.millis;
        const double median = median_of(m);
        std::printf("%s %.3f %.3f %.3f %ld %zu %.3f\n", command.name.c_str(), median, m.front(),
                    m.back(), command.peak_rss_kb, m.size(), median_of(command.cpu_millis));
    }
    return 0;
}

}  // namespace
}  // namespace varnimo::bench

int main(int argc, char** argv) {
    return varnimo::bench::Run(argc, argv);
}
