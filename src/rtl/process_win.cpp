// Windows programs receive one command line and split it themselves; the ROM path must
// arrive as one argument whatever blanks, quotes or '&' it holds, so it is quoted by the
// rules every C runtime splits by. No shell is involved: CreateProcessA gets the bytes as
// they are (system code page).
#include <windows.h>

#include "rtl/process.h"

namespace varnimo::rtl {

bool StartDetached(const std::string& program, const std::string& argument) {
    // No application name: the first word of the command line is then looked up the way
    // Windows looks up programs (the program's folder, the current folder, PATH) when it
    // has no folder of its own. A file name cannot hold a quote, so quoting it is enough.
    std::string command = "\"" + program + "\" " + QuoteWindowsArgument(argument);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started)) {
        return false;
    }
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return true;
}

}  // namespace varnimo::rtl
