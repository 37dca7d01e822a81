#include <algorithm>
#include <cstring>
#include <new>

#include "mysql/mysql_errors.h"
#include "mysql/mysql_vio.h"

// What the transport does the same way on every platform: the order of the connection
// attempts, the error state and the read-ahead. The platform calls live beside this file
// (mysql_vio.cpp for POSIX, mysql_vio_win.cpp for Windows).

namespace varnimo::mysql {

namespace {

constexpr std::size_t kReadAheadSize = 65536;

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
