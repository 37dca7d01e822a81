#include "mysql/transport.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "mysql/errors.h"
#include "mysql/resolver.h"

namespace varnimo::mysql {

namespace {

// Writes must never raise SIGPIPE when the server has gone.
#if defined(MSG_NOSIGNAL)
constexpr int kSendFlags = MSG_NOSIGNAL;
#else
constexpr int kSendFlags = 0;
#endif

}  // namespace

// POSIX sockets need no start-up.
bool Transport::StartNetworking() {
    return true;
}

ConnectStatus Transport::ConnectNamedPipe(int) {
    // This platform has no named pipes: the attempt fails as an open that found no pipe,
    // naming the pipe that would have been opened.
    SetError(kErrNamedPipeOpen,
             FormatClientError(kErrNamedPipeOpen, ".", "MySQL", static_cast<unsigned>(ENOENT)));
    return ConnectStatus::PipeFailed;
}

ConnectStatus Transport::StartConnect(const ResolvedAddress& address) {
    int s = ::socket(address.family, SOCK_STREAM, 0);
    if (s < 0) {
        last_socket_error_ = errno;
        return ConnectStatus::NoSocket;
    }
    ::fcntl(s, F_SETFD, FD_CLOEXEC);
    socket_ = s;
    kind_ = TransportKind::TcpIp;
    SetBlocking(false);
    if (::connect(s, reinterpret_cast<const sockaddr*>(&address.address), address.length) != 0 &&
        errno != EINPROGRESS && errno != EWOULDBLOCK) {
        last_socket_error_ = errno;
        ::close(s);
        ForgetSocket();
        return ConnectStatus::Refused;
    }
    // A blocking send (the packet layer switches to it when the socket is full) must not
    // hang for ever on a server that stopped reading.
    timeval limit{};
    limit.tv_sec = timeout_secs_ > 0 ? timeout_secs_ : 0;
    ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    return ConnectStatus::Connected;
}

void Transport::Close() {
    if (kind_ == TransportKind::TcpIp) {
        ::shutdown(socket_, SHUT_RDWR);
        ::close(socket_);
    }
    ForgetSocket();
}

bool Transport::WaitForSocket(int millis) {
    pollfd entry{};
    entry.fd = socket_;
    entry.events = POLLIN;
    for (;;) {
        int rc = ::poll(&entry, 1, millis);
        if (rc > 0) {
            // A refused or broken connection reports an error instead of data; recv then
            // tells the caller.
            if (entry.revents & (POLLERR | POLLNVAL)) {
                int error = 0;
                socklen_t length = sizeof error;
                ::getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &length);
                if (error != 0) {
                    last_socket_error_ = error;
                    return false;
                }
            }
            return true;
        }
        if (rc == 0) {
            // A wait that ran out is not worth retrying.
            last_socket_error_ = ETIMEDOUT;
            return false;
        }
        if (errno != EINTR) {
            last_socket_error_ = errno;
            return false;
        }
    }
}

std::optional<std::size_t> Transport::Receive(uint8_t* to, std::size_t count) {
    // Data already there needs no wait; otherwise wait up to TimeoutSecs (and never past the
    // deadline) for it.
    ssize_t n = ::recv(socket_, to, count, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        if (!WaitForData()) {
            return std::nullopt;
        }
        n = ::recv(socket_, to, count, MSG_DONTWAIT);
    }
    if (n < 0) {
        last_socket_error_ = errno;
        return std::nullopt;
    }
    if (n == 0) {
        last_socket_error_ = 0;  // closed by the peer: nothing to retry
    }
    return static_cast<std::size_t>(n);
}

std::optional<std::size_t> Transport::WriteBytes(const uint8_t* buffer, std::size_t count) {
    if (kind_ == TransportKind::Closed || kind_ == TransportKind::NamedPipe) {
        return std::nullopt;
    }
    ssize_t n = ::send(socket_, buffer, count, kSendFlags);
    if (n < 0) {
        last_socket_error_ = errno;
        return std::nullopt;
    }
    return static_cast<std::size_t>(n);
}

bool Transport::SetBlocking(bool blocking) {
    if (kind_ == TransportKind::Closed) {
        return false;
    }
    if (kind_ == TransportKind::NamedPipe || non_blocking_ == !blocking) {
        return true;
    }
    non_blocking_ = !blocking;
    int value = blocking ? 0 : 1;
    if (::ioctl(socket_, FIONBIO, &value) != 0) {
        last_socket_error_ = errno;
        return false;
    }
    return true;
}

bool Transport::SetKeepAlive(bool on) {
    int32_t value = on ? 1 : 0;
    return ::setsockopt(socket_, SOL_SOCKET, SO_KEEPALIVE, &value, sizeof value) == 0;
}

bool Transport::SetNoDelay() {
    int32_t value = 1;
    return ::setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) == 0;
}

bool Transport::CanRetry() const {
    if (kind_ == TransportKind::Closed) {
        return false;
    }
    return last_socket_error_ == EINTR || last_socket_error_ == EAGAIN ||
           last_socket_error_ == EWOULDBLOCK || last_socket_error_ == EINPROGRESS;
}

bool Transport::CallInterrupted() const {
    return last_socket_error_ == EINTR;
}

}  // namespace varnimo::mysql
