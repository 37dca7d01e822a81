// Windows programs receive one command line and split it themselves; the ROM path must
// arrive as one argument whatever blanks, quotes or '&' it holds, so it is quoted by the
// rules every C runtime splits by. No shell is involved: CreateProcessA gets the bytes as
// they are (system code page).
#include <windows.h>

#include "rtl/files.h"
#include "rtl/process.h"

namespace varnimo::rtl {

bool StartDetached(const std::string& program, std::span<const std::string> arguments) {
    if (HoldsNul(program)) {
        return false;  // the program would get a shortened name: start nothing
    }
    // The program is named as the application too, so Windows starts that very file and
    // never looks for the name in the program's folder, the current folder or PATH: the
    // caller decided which file runs. The command line's first word is then only what the
    // program sees as its name; a file name cannot hold a quote, so quoting it is enough.
    std::string command = "\"" + program + "\"";
    for (const std::string& argument : arguments) {
        if (HoldsNul(argument)) {
            return false;
        }
        command += " " + QuoteWindowsArgument(argument);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &started)) {
        return false;
    }
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return true;
}

std::string ProgramFolder() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path.substr(0, path.find_last_of("\\/") + 1);
        }
        path.resize(path.size() * 2);  // cut short: ask again with more room
    }
}

void* LoadModuleFunction(const std::string& path, const char* name, std::string& reason) {
    HMODULE module = ::LoadLibraryA(path.c_str());
    if (module == nullptr) {
        reason = path + ": error " + std::to_string(::GetLastError());
        return nullptr;
    }
    if (FARPROC function = ::GetProcAddress(module, name)) {
        return reinterpret_cast<void*>(function);
    }
    reason = path + ": no " + name;
    ::FreeLibrary(module);
    return nullptr;
}

}  // namespace varnimo::rtl
