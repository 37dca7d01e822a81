#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace varnimo::mysql {

// The client's own error codes. Codes outside 2000..2020 come from the server.
enum : int32_t {
    kErrUnknown = 2000,
    kErrSocketCreate = 2001,
    kErrLocalConnect = 2002,
    kErrConnectionFailed = 2003,
    kErrTcpSocketCreate = 2004,
    kErrUnknownHost = 2005,
    kErrServerGone = 2006,
    kErrVersion = 2007,
    kErrOutOfMemory = 2008,
    kErrWrongHostInfo = 2009,
    kErrLocalhostConnection = 2010,
    kErrTcpConnection = 2011,
    kErrServerHandshake = 2012,
    kErrServerLost = 2013,
    kErrCommandsOutOfSync = 2014,
    kErrNamedPipeConnection = 2015,
    kErrNamedPipeWait = 2016,
    kErrNamedPipeOpen = 2017,
    kErrNamedPipeSetState = 2018,
    kErrCharsetInit = 2019,
    kErrNetPacketTooLarge = 2020,
};

// Set inside the packet layer when a packet is too big; a failed read turns it into 2020.
inline constexpr int32_t kErrPacketTooLargeInternal = 1153;

inline constexpr int32_t kClientErrorFirst = 2000;
inline constexpr int32_t kClientErrorLast = 2020;
inline constexpr std::size_t kClientErrorCount = 21;

// Longest text the error state keeps, and longest text taken from a server error packet.
inline constexpr std::size_t kMaxErrorText = 200;
inline constexpr std::size_t kMaxServerErrorText = 199;

extern const char* const ErrorMessageTable[kClientErrorCount];

// Table text for a client code 2000..2020; "Unknown MySQL error" for anything else.
const char* ErrorMessage(int32_t code);

// The table text of `code` with printf-style arguments filled in (the table's own
// placeholders decide their meaning). The caller passes arguments that match the text.
std::string FormatClientError(int32_t code, ...);

// First `kMaxErrorText` characters of `text`.
std::string CutErrorText(std::string text);

}  // namespace varnimo::mysql
