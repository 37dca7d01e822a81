#pragma once
// Starting an outside program (an emulator) with one argument, without a shell and without
// waiting for it.

#include <string>

namespace varnimo::rtl {

// Starts `program` with `argument` as its one argument and returns at once. A program
// without a folder is looked for the platform's usual way. False when it could not be
// started; nothing waits for or watches the program afterwards.
bool StartDetached(const std::string& program, const std::string& argument);

// `argument` as one argument of a Windows command line: in double quotes, with the
// backslashes before a quote or the closing quote doubled and every quote escaped, so that a
// program's C runtime hands back exactly these bytes as one argv entry.
std::string QuoteWindowsArgument(const std::string& argument);

}  // namespace varnimo::rtl
