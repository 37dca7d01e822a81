#include "mysql/mysql_vio.h"

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

#include "mysql/mysql_errors.h"
#include "mysql/mysql_resolve.h"

namespace varnimo::mysql {

namespace {

// Writes must never raise SIGPIPE when the server has gone.
#if defined(MSG_NOSIGNAL)
constexpr int kSendFlags = MSG_NOSIGNAL;
#else
constexpr int kSendFlags = 0;
#endif

constexpr int kModeNonBlocking = 0x0001;

}  // namespace

// POSIX sockets need no start-up.
bool TMysqlVio::StartNetworking() {
    return true;
}

int TMysqlVio::ConnectNamedPipe(int) {
    // This platform has no named pipes: the attempt fails as an open that found no pipe,
    // naming the pipe that would have been opened.
    SetError(kErrNamedPipeOpen,
             FormatClientError(kErrNamedPipeOpen, ".", "MySQL", static_cast<unsigned>(ENOENT)));
    return -9;
}

int TMysqlVio::StartConnect(const TResolvedAddress& address) {
    int s = ::socket(address.Family, SOCK_STREAM, 0);
    if (s < 0) {
        LastSocketError_ = errno;
        return -8;
    }
    ::fcntl(s, F_SETFD, FD_CLOEXEC);
    Socket_ = s;
    Kind_ = vkTcpIp;
    SetBlocking(false);
    if (::connect(s, reinterpret_cast<const sockaddr*>(&address.Address), address.Length) != 0 &&
        errno != EINPROGRESS && errno != EWOULDBLOCK) {
        LastSocketError_ = errno;
        ::close(s);
        ForgetSocket();
        return -6;
    }
    // A blocking send (the packet layer switches to it when the socket is full) must not
    // hang for ever on a server that stopped reading.
    timeval limit{};
    limit.tv_sec = TimeoutSecs_ > 0 ? TimeoutSecs_ : 0;
    ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    return 0;
}

int TMysqlVio::Close() {
    int result = 0;
    if (Kind_ == vkTcpIp || Kind_ == vkLocalSocket) {
        if (::shutdown(Socket_, SHUT_RDWR) != 0) {
            result = -1;
        }
        if (::close(Socket_) != 0) {
            result = -1;
        }
    }
    ForgetSocket();
    return result;
}

bool TMysqlVio::WaitForSocket(int millis) {
    pollfd entry{};
    entry.fd = Socket_;
    entry.events = POLLIN;
    for (;;) {
        int rc = ::poll(&entry, 1, millis);
        if (rc > 0) {
            // A refused or broken connection reports an error instead of data; recv then
            // tells the caller.
            if (entry.revents & (POLLERR | POLLNVAL)) {
                int error = 0;
                socklen_t length = sizeof error;
                ::getsockopt(Socket_, SOL_SOCKET, SO_ERROR, &error, &length);
                if (error != 0) {
                    LastSocketError_ = error;
                    return false;
                }
            }
            return true;
        }
        if (rc == 0) {
            // A wait that ran out is not worth retrying.
            LastSocketError_ = ETIMEDOUT;
            return false;
        }
        if (errno != EINTR) {
            LastSocketError_ = errno;
            return false;
        }
    }
}

long TMysqlVio::Receive(uint8_t* to, std::size_t count) {
    // Data already there needs no wait; otherwise wait up to TimeoutSecs (and never past the
    // deadline) for it.
    ssize_t n = ::recv(Socket_, to, count, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        if (!WaitForData()) {
            return -1;
        }
        n = ::recv(Socket_, to, count, MSG_DONTWAIT);
    }
    if (n < 0) {
        LastSocketError_ = errno;
    } else if (n == 0) {
        LastSocketError_ = 0;  // closed by the peer: nothing to retry
    }
    return static_cast<long>(n);
}

long TMysqlVio::WriteBytes(const uint8_t* buffer, std::size_t count) {
    if (Kind_ == vkClosed || Kind_ == vkNamedPipe) {
        return -1;
    }
    ssize_t n = ::send(Socket_, buffer, count, kSendFlags);
    if (n < 0) {
        LastSocketError_ = errno;
    }
    return static_cast<long>(n);
}

int TMysqlVio::SetBlocking(bool blocking) {
    if (Kind_ == vkClosed) {
        return -1;
    }
    if (Kind_ == vkNamedPipe) {
        return 0;
    }
    uint32_t old = ModeFlags_;
    if (blocking) {
        ModeFlags_ &= ~uint32_t{kModeNonBlocking};
    } else {
        ModeFlags_ |= kModeNonBlocking;
    }
    if (old == ModeFlags_) {
        return 0;
    }
    int value = blocking ? 0 : 1;
    int rc = ::ioctl(Socket_, FIONBIO, &value);
    if (rc != 0) {
        LastSocketError_ = errno;
    }
    return rc;
}

int TMysqlVio::SetKeepAlive(bool on) {
    int32_t value = on ? 1 : 0;
    return ::setsockopt(Socket_, SOL_SOCKET, SO_KEEPALIVE, &value, sizeof value) == 0 ? 0 : -1;
}

int TMysqlVio::SetNoDelay() {
    int32_t value = 1;
    return ::setsockopt(Socket_, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) == 0 ? 0 : -1;
}

bool TMysqlVio::CanRetry() const {
    if (Kind_ == vkClosed) {
        return false;
    }
    return LastSocketError_ == EINTR || LastSocketError_ == EAGAIN ||
           LastSocketError_ == EWOULDBLOCK || LastSocketError_ == EINPROGRESS;
}

bool TMysqlVio::CallInterrupted() const {
    return LastSocketError_ == EINTR;
}

}  // namespace varnimo::mysql
