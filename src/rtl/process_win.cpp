// Windows programs receive one command line and split it themselves; the ROM path must
// arrive as one argument whatever blanks, quotes or '&' it holds, so it is quoted by the
// rules every C runtime splits by. No shell is involved: CreateProcessA gets the bytes as
// they are (system code page).
#include <windows.h>

#include "rtl/files.h"
#include "rtl/process.h"

namespace varnimo::rtl {

bool StartDetached(const std::string& program, const std::string& argument) {
    if (HoldsNul(program) || HoldsNul(argument)) {
        return false;  // the program would get a shortened name: start nothing
    }
    // The program is named as the application too, so Windows starts that very file and
    // never looks for the name in the program's folder, the current folder or PATH: the
    // caller decided which file runs. The command line's first word is then only what the
    // program sees as its name; a file name cannot hold a quote, so quoting it is enough.
    std::string command = "\"" + program + "\" " + QuoteWindowsArgument(argument);
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

}  // namespace varnimo::rtl
