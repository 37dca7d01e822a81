#pragma once
// Starting an outside program (an emulator) without a shell and without waiting for it, and
// what a program knows of itself: where its file lies, and the modules it loads.

#include <span>
#include <string>

namespace varnimo::rtl {

// Starts the program file `program` with `arguments` and returns at once. The name is a path,
// never looked for on PATH (a name without a folder is the file in the working directory):
// the caller decides which file runs. False when it could not be started, a name or an
// argument holding a NUL byte among them; nothing waits for or watches the program
// afterwards, and it is nobody's child to be reaped. The one way the window and the terminal
// program start a program.
bool StartDetached(const std::string& program, std::span<const std::string> arguments);
// The same with one argument.
inline bool StartDetached(const std::string& program, const std::string& argument) {
    return StartDetached(program, std::span<const std::string>(&argument, 1));
}

// `argument` as one argument of a Windows command line: in double quotes, with the
// backslashes before a quote or the closing quote doubled and every quote escaped, so that a
// program's C runtime hands back exactly these bytes as one argv entry.
std::string QuoteWindowsArgument(const std::string& argument);

// The folder of this program's file, with its trailing separator; empty when the system does
// not tell.
std::string ProgramFolder();

// Loads the module (shared library) `path` for the rest of the process and returns its
// function `name`. Null when either fails, with what went wrong in `reason`: the system's
// text (or the path) when the module does not load, "<path>: no <name>" when it lacks the
// function.
void* LoadModuleFunction(const std::string& path, const char* name, std::string& reason);

}  // namespace varnimo::rtl
