#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace varnimo::mysql {

// The client's own error codes, numbered as the protocol numbers them: a caller compares the
// code in the error state with them. Codes outside 2000..2020 come from the server.
inline constexpr int32_t kErrUnknown = 2000;
inline constexpr int32_t kErrSocketCreate = 2001;
inline constexpr int32_t kErrLocalConnect = 2002;
inline constexpr int32_t kErrConnectionFailed = 2003;
inline constexpr int32_t kErrTcpSocketCreate = 2004;
inline constexpr int32_t kErrUnknownHost = 2005;
inline constexpr int32_t kErrServerGone = 2006;
inline constexpr int32_t kErrVersion = 2007;
inline constexpr int32_t kErrOutOfMemory = 2008;
inline constexpr int32_t kErrWrongHostInfo = 2009;
inline constexpr int32_t kErrLocalhostConnection = 2010;
inline constexpr int32_t kErrTcpConnection = 2011;
inline constexpr int32_t kErrServerHandshake = 2012;
inline constexpr int32_t kErrServerLost = 2013;
inline constexpr int32_t kErrCommandsOutOfSync = 2014;
inline constexpr int32_t kErrNamedPipeConnection = 2015;
inline constexpr int32_t kErrNamedPipeWait = 2016;
inline constexpr int32_t kErrNamedPipeOpen = 2017;
inline constexpr int32_t kErrNamedPipeSetState = 2018;
inline constexpr int32_t kErrCharsetInit = 2019;
inline constexpr int32_t kErrNetPacketTooLarge = 2020;

// A local file the server asked for that was opened but could not be read (a file that cannot
// be opened leaves 0); both come with their own texts.
inline constexpr int32_t kErrLocalFileRead = 2;

// Set inside the packet layer when a packet is too big; a failed read turns it into 2020.
inline constexpr int32_t kErrPacketTooLargeInternal = 1153;

inline constexpr int32_t kClientErrorFirst = 2000;
inline constexpr int32_t kClientErrorLast = 2020;
inline constexpr std::size_t kClientErrorCount = 21;

// Longest text the error state keeps, and longest text taken from a server error packet.
inline constexpr std::size_t kMaxErrorText = 200;
inline constexpr std::size_t kMaxServerErrorText = 199;

extern const char* const kErrorMessageTable[kClientErrorCount];

// Table text for a client code 2000..2020; "Unknown MySQL error" for anything else.
const char* ErrorMessage(int32_t code);

// The table text of `code` with printf-style arguments filled in (the table's own
// placeholders decide their meaning). The caller passes arguments that match the text.
std::string FormatClientError(int32_t code, ...);

// First `kMaxErrorText` characters of `text`.
std::string CutErrorText(std::string text);

}  // namespace varnimo::mysql
