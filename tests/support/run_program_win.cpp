#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "rtl/process.h"
#include "run_program.h"

namespace varnimo::testing {

namespace {

std::string SlurpAndRemove(const std::string& path) {
    std::string text;
    {
        std::ifstream in(path, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ::DeleteFileA(path.c_str());
    return text;
}

HANDLE CreateOutput(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{};
    inherit.nLength = sizeof inherit;
    inherit.bInheritHandle = TRUE;
    return ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// NAME=value strings, ours first, then the inherited ones whose names we do not set.
std::string EnvironmentBlock(const std::vector<std::string>& env) {
    std::string block;
    std::vector<std::string> names;
    for (const std::string& var : env) {
        block += var;
        block.push_back('\0');
        names.push_back(var.substr(0, var.find('=') + 1));
    }
    char* inherited = ::GetEnvironmentStringsA();
    for (const char* var = inherited; *var != '\0'; var += std::strlen(var) + 1) {
        bool overridden = false;
        for (const std::string& name : names) {
            overridden = overridden || _strnicmp(var, name.c_str(), name.size()) == 0;
        }
        if (!overridden) {
            block += var;
            block.push_back('\0');
        }
    }
    ::FreeEnvironmentStringsA(inherited);
    block.push_back('\0');
    return block;
}

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    std::string command = "\"" + args[0] + "\"";
    for (std::size_t i = 1; i < args.size(); ++i) {
        command += " " + rtl::QuoteWindowsArgument(args[i]);
    }
    std::string stem = (std::filesystem::temp_directory_path() /
                        ("varnimo-run-" + std::to_string(::GetCurrentProcessId())))
                           .string();
    std::string outPath = stem + ".out";
    std::string errPath = stem + ".err";
    HANDLE out = CreateOutput(outPath);
    HANDLE err = CreateOutput(errPath);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::string block = EnvironmentBlock(env);
    PROCESS_INFORMATION started{};
    ProgramRun run;
    if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, block.data(), nullptr,
                         &startup, &started)) {
        ::WaitForSingleObject(started.hProcess, INFINITE);
        DWORD code = 0;
        if (::GetExitCodeProcess(started.hProcess, &code)) {
            run.status = static_cast<int>(code);
        }
        ::CloseHandle(started.hThread);
        ::CloseHandle(started.hProcess);
    }
    ::CloseHandle(out);
    ::CloseHandle(err);
    run.out = SlurpAndRemove(outPath);
    run.err = SlurpAndRemove(errPath);
    return run;
}

}  // namespace varnimo::testing
