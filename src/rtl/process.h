#pragma once
// Starting an outside program (an emulator) with one argument, without a shell and without
// waiting for it.

#include <string>

namespace varnimo::rtl {

// Starts the program file `program` with `argument` as its one argument and returns at
// once. The name is a path, never looked for on PATH (a name without a folder is the file in
// the working directory): the caller decides which file runs. False when it could not be
// started, a name holding a NUL byte among them; nothing waits for or watches the program
// afterwards, and it is nobody's child to be reaped.
bool StartDetached(const std::string& program, const std::string& argument);

// `argument` as one argument of a Windows command line: in double quotes, with the
// backslashes before a quote or the closing quote doubled and every quote escaped, so that a
// program's C runtime hands back exactly these bytes as one argv entry.
std::string QuoteWindowsArgument(const std::string& argument);

}  // namespace varnimo::rtl
