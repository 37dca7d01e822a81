#include "mysql/errors.h"

#include <cstdarg>
#include <cstdio>

namespace varnimo::mysql {

const char* const kErrorMessageTable[kClientErrorCount] = {
    "Unknown MySQL error",
    "Can't create UNIX socket (%d)",
    "Can't connect to local MySQL server through socket '%-.64s' (%d)",
    "Can't connect to MySQL server on '%-.64s' (%d)",
    "Can't create TCP/IP socket (%d)",
    "Unknown MySQL Server Host '%-.64s' (%d)",
    "MySQL server has gone away",
    "Protocol mismatch. Server Version = %d Client Version = %d",
    "MySQL client run out of memory",
    "Wrong host info",
    "Localhost via UNIX socket",
    "%-.64s via TCP/IP",
    "Error in server handshake",
    "Lost connection to MySQL server during query",
    "Commands out of sync;  You can't run this command now",
    "%-.64s via named pipe",
    "Can't wait for named pipe to host: %-.64s  pipe: %-.32s (%lu)",
    "Can't open named pipe to host: %-.64s  pipe: %-.32s (%u)",
    "Can't set state of named pipe to host: %-.64s  pipe: %-.32s (%lu)",
    "Can't initialize character set %-.64s (path: %-.64s)",
    "Got packet bigger than 'max_allowed_packet'",
};

const char* ErrorMessage(int32_t code) {
    if (code < kClientErrorFirst || code > kClientErrorLast) {
        return kErrorMessageTable[0];
    }
    return kErrorMessageTable[code - kClientErrorFirst];
}

std::string FormatClientError(int32_t code, ...) {
    char text[512];
    va_list args;
    va_start(args, code);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    // The format comes from the constant table above, never from outside.
    int n = std::vsnprintf(text, sizeof text, ErrorMessage(code), args);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    va_end(args);
    if (n < 0) {
        return ErrorMessage(code);
    }
    return CutErrorText(text);
}

std::string CutErrorText(std::string text) {
    if (text.size() > kMaxErrorText) {
        text.resize(kMaxErrorText);
    }
    return text;
}

}  // namespace varnimo::mysql
