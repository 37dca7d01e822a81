#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <new>

#include "mysql/mysql_errors.h"
#include "mysql/mysql_resolve.h"
#include "mysql/mysql_vio.h"

// What the transport does the same way on every platform: the order of the connection
// attempts, the error state and the read-ahead. The platform calls live beside this file
// (mysql_vio.cpp for POSIX, mysql_vio_win.cpp for Windows).

namespace varnimo::mysql {

namespace {

constexpr std::size_t kReadAheadSize = 65536;

#if defined(_WIN32)
constexpr int kTimedOut = WSAETIMEDOUT;
#else
constexpr int kTimedOut = ETIMEDOUT;
#endif

}  // namespace

TMysqlVio::TMysqlVio() = default;

TMysqlVio::~TMysqlVio() {
    Close();
}

void TMysqlVio::SetLastErrorText(std::string_view text) {
    LastErrorText_.assign(text.substr(0, kMaxErrorText));
}

void TMysqlVio::SetError(int32_t code, std::string text) {
    LastErrorCode = code;
    SetLastErrorText(text);
}

int TMysqlVio::Connect(uint8_t kind, const std::string& host, const std::string& pipeName, int port,
                       int timeoutSecs, bool allowTcp) {
    if (Kind_ != vkClosed) {
        return -20;
    }
    TimeoutSecs_ = timeoutSecs == 0 ? DefaultTimeoutSecs : timeoutSecs;
    if (kind == 4) {
        return -2;
    }
    if ((kind == vkTcpIp || allowTcp) && !StartNetworking()) {
        return -1;
    }
    if (kind == vkNamedPipe) {
        // The pipe opened is the local one named MySQL whatever the caller named; the
        // caller's host and pipe name are kept for the TCP/IP attempt.
        (void)pipeName;
        int result = ConnectNamedPipe(timeoutSecs);
        if (result == 0) {
            return 0;
        }
        if (!allowTcp) {
            return result;
        }
    }
    if (allowTcp) {
        int result = ConnectTcp(host, port);
        if (result != 0) {
            return result;
        }
    }
    PipeHandle_ = 0;
    LastErrorText_.clear();
    LastErrorCode = 0;
    return 0;
}

int TMysqlVio::ConnectTcp(const std::string& callerHost, int port) {
    std::string host = callerHost.empty() ? "localhost" : callerHost;
    if (port == 0) {
        port = 3306;
    }
    // One timeout covers the whole attempt: the name lookup and every address tried.
    const TResolveClock::time_point deadline = WaitEnd();
    TResolveResult found = ResolveHost(host, port, deadline);
    if (found.Addresses.empty()) {
        std::string text = FormatClientError(kErrUnknownHost, host.c_str(), found.ErrorNumber);
        SetError(kErrUnknownHost, text + ": " + found.Message);
        return -7;
    }

    // The addresses in the resolver's order; the first that answers wins. A refused address
    // gives way to the next at once; a silent one uses up the time that is left.
    int result = -6;
    int32_t code = kErrConnectionFailed;
    int error = 0;
    for (const TResolvedAddress& address : found.Addresses) {
        result = StartConnect(address);
        if (result != 0) {
            error = LastSocketError_;
            code = result == -8 ? kErrTcpSocketCreate : kErrConnectionFailed;
            continue;
        }
        SetNoDelay();
        SetKeepAlive(true);
        // The connection counts as made when the server's first bytes are there.
        if (WaitReadableUntil(deadline)) {
            return 0;
        }
        error = LastSocketError_;
        Close();
        result = -7;
        code = kErrConnectionFailed;
        if (error == kTimedOut) {
            break;  // no time left for another address
        }
    }
    if (code == kErrTcpSocketCreate) {
        SetError(code, FormatClientError(code, error));
    } else {
        SetError(code, FormatClientError(code, host.c_str(), error));
    }
    return result;
}

bool TMysqlVio::WaitReadableFor(int millis) {
    if (Kind_ == vkNamedPipe || (Kind_ != vkClosed && AheadPos_ < AheadEnd_)) {
        return true;
    }
    if (Kind_ == vkClosed) {
        return false;
    }
    return WaitForSocket(millis);
}

bool TMysqlVio::WaitReadable(int secs) {
    return WaitReadableFor(secs < 0 ? -1 : (secs > INT_MAX / 1000 ? INT_MAX : secs * 1000));
}

bool TMysqlVio::WaitReadableUntil(TResolveClock::time_point deadline) {
    if (deadline == TResolveClock::time_point::max()) {
        return WaitReadableFor(-1);
    }
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TResolveClock::now());
    return WaitReadableFor(static_cast<int>(std::clamp<long long>(left.count(), 0, INT_MAX)));
}

TResolveClock::time_point TMysqlVio::WaitEnd() const {
    if (TimeoutSecs_ < 0) {
        return Deadline_;
    }
    return std::min(Deadline_, TResolveClock::now() + std::chrono::seconds(TimeoutSecs_));
}

bool TMysqlVio::WaitForData() {
    if (Deadline_ == TResolveClock::time_point::max()) {
        return WaitReadable(TimeoutSecs_);
    }
    return WaitReadableUntil(WaitEnd());
}

void TMysqlVio::ForgetSocket() {
    AheadPos_ = 0;
    AheadEnd_ = 0;
    Socket_ = -1;
    PipeHandle_ = -1;
    Kind_ = vkClosed;
    ModeFlags_ = 0;
}

long TMysqlVio::ReadBytes(uint8_t* buffer, std::size_t count) {
    if (Kind_ == vkClosed) {
        return -1;
    }
    // Past the deadline even bytes that are there already are not taken: a server that
    // sends without pause must not keep the caller any longer than one that trickles.
    if (Deadline_ != TResolveClock::time_point::max() && TResolveClock::now() >= Deadline_) {
        LastSocketError_ = kTimedOut;
        return -1;
    }
    if (AheadPos_ < AheadEnd_) {
        std::size_t n = std::min(count, AheadEnd_ - AheadPos_);
        std::memcpy(buffer, ReadAhead_.get() + AheadPos_, n);
        AheadPos_ += n;
        return static_cast<long>(n);
    }
    if (count >= kReadAheadSize) {
        return Receive(buffer, count);
    }
    if (!ReadAhead_) {
        ReadAhead_.reset(new (std::nothrow) uint8_t[kReadAheadSize]);
        if (!ReadAhead_) {
            return Receive(buffer, count);
        }
    }
    long got = Receive(ReadAhead_.get(), kReadAheadSize);
    if (got <= 0) {
        return got;
    }
    std::size_t n = std::min(count, static_cast<std::size_t>(got));
    std::memcpy(buffer, ReadAhead_.get(), n);
    AheadPos_ = n;
    AheadEnd_ = static_cast<std::size_t>(got);
    return static_cast<long>(n);
}

}  // namespace varnimo::mysql
