#include "rtl/process.h"

namespace varnimo::rtl {

std::string QuoteWindowsArgument(const std::string& argument) {
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only in front of a quote: there each one is doubled, and the
        // quote itself gets one more.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    // The closing quote is a quote as well.
    quoted.append(backslashes * 2, '\\');
    quoted.push_back('"');
    return quoted;
}

}  // namespace varnimo::rtl
