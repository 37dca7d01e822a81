#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "run_program.h"

extern char** environ;

namespace varnimo::testing {

namespace {

std::string SlurpAndRemove(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ::unlink(path.c_str());
    return text;
}

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    std::vector<std::string> all = args;
    std::vector<char*> argv;
    for (std::string& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> vars = env;
    for (char** e = environ; *e != nullptr; ++e) {
        vars.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& var : vars) {
        envp.push_back(var.data());  // the first of a name wins
    }
    envp.push_back(nullptr);

    // Outside the working directory, which some tests list.
    std::string stem =
        (std::filesystem::temp_directory_path() / ("varnimo-run-" + std::to_string(::getpid())))
            .string();
    std::string outPath = stem + ".out";
    std::string errPath = stem + ".err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    ProgramRun run;
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        ::waitpid(child, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = SlurpAndRemove(outPath);
    run.err = SlurpAndRemove(errPath);
    return run;
}

}  // namespace varnimo::testing
