#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <new>

#include "mysql/errors.h"
#include "mysql/resolver.h"
#include "mysql/transport.h"

// What the transport does the same way on every platform: the order of the connection
// attempts, the error state and the read-ahead. The platform calls live beside this file
// (transport_posix.cpp and transport_win.cpp).

namespace varnimo::mysql {

namespace {

constexpr std::size_t kReadAheadSize = 65536;

#if defined(_WIN32)
constexpr int kTimedOut = WSAETIMEDOUT;
#else
constexpr int kTimedOut = ETIMEDOUT;
#endif

}  // namespace

Transport::Transport() = default;

Transport::~Transport() {
    Close();
}

void Transport::SetLastErrorText(std::string_view text) {
    last_error_text_.assign(text.substr(0, kMaxErrorText));
}

void Transport::SetError(int32_t code, std::string text) {
    last_error_code_ = code;
    SetLastErrorText(text);
}

ConnectStatus Transport::Connect(TransportKind kind, const std::string& host,
                                 const std::string& pipe_name, int port, int timeout_secs,
                                 bool allow_tcp) {
    if (kind_ != TransportKind::Closed) {
        return ConnectStatus::AlreadyOpen;
    }
    timeout_secs_ = timeout_secs == 0 ? kDefaultTimeoutSecs : timeout_secs;
    if ((kind == TransportKind::TcpIp || allow_tcp) && !StartNetworking()) {
        return ConnectStatus::NoNetworking;
    }
    if (kind == TransportKind::NamedPipe) {
        // The pipe opened is the local one named MySQL whatever the caller named; the
        // caller's host and pipe name are kept for the TCP/IP attempt.
        (void)pipe_name;
        ConnectStatus status = ConnectNamedPipe(timeout_secs);
        if (status == ConnectStatus::Connected || !allow_tcp) {
            return status;
        }
    }
    if (allow_tcp) {
        ConnectStatus status = ConnectTcp(host, port);
        if (status != ConnectStatus::Connected) {
            return status;
        }
    }
    pipe_handle_ = 0;
    last_error_text_.clear();
    last_error_code_ = 0;
    return allow_tcp ? ConnectStatus::Connected : ConnectStatus::NothingOpened;
}

ConnectStatus Transport::ConnectTcp(const std::string& caller_host, int port) {
    std::string host = caller_host.empty() ? "localhost" : caller_host;
    if (port == 0) {
        port = 3306;
    }
    // One timeout covers the whole attempt: the name lookup and every address tried.
    const ResolveClock::time_point deadline = WaitEnd();
    LookupResult found = ResolveHost(host, port, deadline);
    if (found.addresses.empty()) {
        std::string text = FormatClientError(kErrUnknownHost, host.c_str(), found.error_number);
        SetError(kErrUnknownHost, text + ": " + found.message);
        return ConnectStatus::UnknownHost;
    }

    // The addresses in the resolver's order; the first that answers wins. A refused address
    // gives way to the next at once; a silent one uses up the time that is left.
    ConnectStatus status = ConnectStatus::Refused;
    int32_t code = kErrConnectionFailed;
    int error = 0;
    for (const ResolvedAddress& address : found.addresses) {
        status = StartConnect(address);
        if (status != ConnectStatus::Connected) {
            error = last_socket_error_;
            code = status == ConnectStatus::NoSocket ? kErrTcpSocketCreate : kErrConnectionFailed;
            continue;
        }
        SetNoDelay();
        SetKeepAlive(true);
        // The connection counts as made when the server's first bytes are there.
        if (WaitReadableUntil(deadline)) {
            return ConnectStatus::Connected;
        }
        error = last_socket_error_;
        Close();
        status = ConnectStatus::NoAnswer;
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
    return status;
}

bool Transport::WaitReadableFor(int millis) {
    if (kind_ == TransportKind::NamedPipe ||
        (kind_ != TransportKind::Closed && ahead_pos_ < ahead_end_)) {
        return true;
    }
    if (kind_ == TransportKind::Closed) {
        return false;
    }
    return WaitForSocket(millis);
}

bool Transport::WaitReadable(int secs) {
    return WaitReadableFor(secs < 0 ? -1 : (secs > INT_MAX / 1000 ? INT_MAX : secs * 1000));
}

bool Transport::WaitReadableUntil(ResolveClock::time_point deadline) {
    if (deadline == ResolveClock::time_point::max()) {
        return WaitReadableFor(-1);
    }
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - ResolveClock::now());
    return WaitReadableFor(static_cast<int>(std::clamp<long long>(left.count(), 0, INT_MAX)));
}

ResolveClock::time_point Transport::WaitEnd() const {
    if (timeout_secs_ < 0) {
        return deadline_;
    }
    return std::min(deadline_, ResolveClock::now() + std::chrono::seconds(timeout_secs_));
}

bool Transport::WaitForData() {
    if (deadline_ == ResolveClock::time_point::max()) {
        return WaitReadable(timeout_secs_);
    }
    return WaitReadableUntil(WaitEnd());
}

void Transport::ForgetSocket() {
    ahead_pos_ = 0;
    ahead_end_ = 0;
    socket_ = -1;
    pipe_handle_ = -1;
    kind_ = TransportKind::Closed;
    non_blocking_ = false;
}

std::optional<std::size_t> Transport::ReadBytes(uint8_t* buffer, std::size_t count) {
    if (kind_ == TransportKind::Closed) {
        return std::nullopt;
    }
    // Past the deadline even bytes that are there already are not taken: a server that
    // sends without pause must not keep the caller any longer than one that trickles.
    if (deadline_ != ResolveClock::time_point::max() && ResolveClock::now() >= deadline_) {
        last_socket_error_ = kTimedOut;
        return std::nullopt;
    }
    if (ahead_pos_ < ahead_end_) {
        std::size_t n = std::min(count, ahead_end_ - ahead_pos_);
        std::memcpy(buffer, read_ahead_.get() + ahead_pos_, n);
        ahead_pos_ += n;
        return n;
    }
    if (count >= kReadAheadSize) {
        return Receive(buffer, count);
    }
    if (!read_ahead_) {
        read_ahead_.reset(new (std::nothrow) uint8_t[kReadAheadSize]);
        if (!read_ahead_) {
            return Receive(buffer, count);
        }
    }
    std::optional<std::size_t> got = Receive(read_ahead_.get(), kReadAheadSize);
    if (!got || *got == 0) {
        return got;
    }
    std::size_t n = std::min(count, *got);
    std::memcpy(buffer, read_ahead_.get(), n);
    ahead_pos_ = n;
    ahead_end_ = *got;
    return n;
}

}  // namespace varnimo::mysql
