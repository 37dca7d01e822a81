// The transport on Windows: Winsock sockets and the local named pipe. Handles and sockets
// are kept in the 32-bit fields the class has everywhere; Windows hands out kernel handles
// and sockets whose values fit in 32 bits.

// Winsock first: windows.h would otherwise bring in the old Winsock 1 declarations.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <climits>
#include <cstdint>
#include <cstring>

#include "mysql/errors.h"
#include "mysql/pipe_calls_win.h"
#include "mysql/resolver.h"
#include "mysql/transport.h"

namespace varnimo::mysql {

namespace {

constexpr int kMostPipeOpens = 101;

// Winsock is started by the first connection that may use TCP/IP and stays started for the
// rest of the process; it is cleaned up once, at program end, when it was started.
class Winsock {
  public:
    ~Winsock() {
        if (data_.wVersion != 0) {
            ::WSACleanup();
        }
    }
    bool Start() {
        if (data_.wVersion != 0) {
            return true;
        }
        if (::WSAStartup(MAKEWORD(1, 1), &data_) != 0) {
            data_.wVersion = 0;
            return false;
        }
        return true;
    }

  private:
    WSADATA data_{};
};

Winsock g_winsock;

SOCKET SocketOf(int value) {
    return static_cast<SOCKET>(static_cast<unsigned int>(value));
}

HANDLE HandleOf(int value) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(value));
}

HANDLE OpenPipe(const char* path) {
    return ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

BOOL WaitForPipe(const char* path, DWORD millis) {
    return ::WaitNamedPipeA(path, millis);
}

PipeCalls g_pipe_calls{OpenPipe, WaitForPipe};

}  // namespace

PipeCalls ReplacePipeCalls(PipeCalls calls) {
    PipeCalls old = g_pipe_calls;
    g_pipe_calls = calls;
    return old;
}

bool Transport::StartNetworking() {
    return g_winsock.Start();
}

ConnectStatus Transport::ConnectNamedPipe(int timeout_secs) {
    const char* const host = ".";
    const char* const pipe = "MySQL";
    const char* const path = "\\\\.\\pipe\\MySQL";
    // The wait takes the timeout as the caller gave it: 0 asks for the pipe's own default,
    // a negative one waits without limit.
    DWORD wait_millis = timeout_secs < 0                ? NMPWAIT_WAIT_FOREVER
                        : timeout_secs > INT_MAX / 1000 ? static_cast<DWORD>(INT_MAX)
                                                        : static_cast<DWORD>(timeout_secs) * 1000;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < kMostPipeOpens; ++attempt) {
        handle = g_pipe_calls.open(path);
        if (handle != INVALID_HANDLE_VALUE) {
            break;
        }
        DWORD error = ::GetLastError();
        if (error != ERROR_PIPE_BUSY) {
            SetError(kErrNamedPipeOpen, FormatClientError(kErrNamedPipeOpen, host, pipe,
                                                          static_cast<unsigned>(error)));
            return ConnectStatus::PipeFailed;
        }
        if (!g_pipe_calls.wait(path, wait_millis)) {
            SetError(kErrNamedPipeWait,
                     FormatClientError(kErrNamedPipeWait, host, pipe,
                                       static_cast<unsigned long>(::GetLastError())));
            return ConnectStatus::PipeFailed;
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        // Every open found the pipe busy, though each wait said it had become free; the
        // error number is that of the last open.
        SetError(kErrNamedPipeOpen, FormatClientError(kErrNamedPipeOpen, host, pipe,
                                                      static_cast<unsigned>(ERROR_PIPE_BUSY)));
        return ConnectStatus::PipeFailed;
    }
    DWORD mode = PIPE_READMODE_BYTE | PIPE_WAIT;
    if (!::SetNamedPipeHandleState(handle, &mode, nullptr, nullptr)) {
        DWORD error = ::GetLastError();
        ::CloseHandle(handle);
        SetError(kErrNamedPipeSetState, FormatClientError(kErrNamedPipeSetState, host, pipe,
                                                          static_cast<unsigned long>(error)));
        return ConnectStatus::PipeFailed;
    }
    kind_ = TransportKind::NamedPipe;
    socket_ = 0;
    pipe_handle_ = static_cast<int>(reinterpret_cast<intptr_t>(handle));
    return ConnectStatus::Connected;
}

ConnectStatus Transport::StartConnect(const ResolvedAddress& address) {
    SOCKET s = ::socket(address.family, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) {
        last_socket_error_ = ::WSAGetLastError();
        return ConnectStatus::NoSocket;
    }
    // Not inherited by the emulators this program starts.
    ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    socket_ = static_cast<int>(s);
    kind_ = TransportKind::TcpIp;
    SetBlocking(false);
    if (::connect(s, reinterpret_cast<const sockaddr*>(&address.address), address.length) != 0 &&
        ::WSAGetLastError() != WSAEWOULDBLOCK) {
        last_socket_error_ = ::WSAGetLastError();
        ::closesocket(s);
        ForgetSocket();
        return ConnectStatus::Refused;
    }
    // A blocking send (the packet layer switches to it when the socket is full) must not
    // hang for ever on a server that stopped reading.
    DWORD send_limit = timeout_secs_ > 0 && timeout_secs_ < INT_MAX / 1000
                           ? static_cast<DWORD>(timeout_secs_) * 1000
                           : 0;
    ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&send_limit),
                 sizeof send_limit);
    return ConnectStatus::Connected;
}

void Transport::Close() {
    if (kind_ == TransportKind::NamedPipe) {
        ::CloseHandle(HandleOf(pipe_handle_));
    } else if (kind_ == TransportKind::TcpIp) {
        ::shutdown(SocketOf(socket_), SD_BOTH);
        ::closesocket(SocketOf(socket_));
    }
    ForgetSocket();
}

bool Transport::WaitForSocket(int millis) {
    // A refused or failed connect shows in the exception set, never in the read set; waiting
    // for data alone would sit out the whole timeout on a port where nobody listens.
    fd_set readable;
    fd_set failed;
    FD_ZERO(&readable);
    FD_ZERO(&failed);
    FD_SET(SocketOf(socket_), &readable);
    FD_SET(SocketOf(socket_), &failed);
    timeval limit{};
    limit.tv_sec = millis / 1000;
    limit.tv_usec = (millis % 1000) * 1000;
    int rc = ::select(0, &readable, nullptr, &failed, millis < 0 ? nullptr : &limit);
    if (rc > 0 && FD_ISSET(SocketOf(socket_), &failed)) {
        int error = 0;
        int length = sizeof error;
        ::getsockopt(SocketOf(socket_), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                     &length);
        last_socket_error_ = error != 0 ? error : WSAECONNREFUSED;
        ::WSASetLastError(last_socket_error_);
        return false;
    }
    if (rc > 0) {
        return true;
    }
    if (rc == 0) {
        // A wait that ran out is not worth retrying.
        last_socket_error_ = WSAETIMEDOUT;
        ::WSASetLastError(WSAETIMEDOUT);
    } else {
        last_socket_error_ = ::WSAGetLastError();
    }
    return false;
}

std::optional<std::size_t> Transport::Receive(uint8_t* to, std::size_t count) {
    int n = count > INT_MAX ? INT_MAX : static_cast<int>(count);
    if (kind_ == TransportKind::NamedPipe) {
        // A byte-mode pipe hands over what is there, waiting only when nothing is.
        DWORD got = 0;
        if (!::ReadFile(HandleOf(pipe_handle_), to, static_cast<DWORD>(n), &got, nullptr)) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(got);
    }
    // Data already there needs no wait; otherwise wait up to TimeoutSecs (and never past the
    // deadline) for it.
    SOCKET s = SocketOf(socket_);
    int got = ::recv(s, reinterpret_cast<char*>(to), n, 0);
    if (got < 0 && ::WSAGetLastError() == WSAEWOULDBLOCK) {
        if (!WaitForData()) {
            return std::nullopt;
        }
        got = ::recv(s, reinterpret_cast<char*>(to), n, 0);
    }
    if (got < 0) {
        last_socket_error_ = ::WSAGetLastError();
        return std::nullopt;
    }
    if (got == 0) {
        last_socket_error_ = 0;  // closed by the peer: nothing to retry
    }
    return static_cast<std::size_t>(got);
}

std::optional<std::size_t> Transport::WriteBytes(const uint8_t* buffer, std::size_t count) {
    if (kind_ == TransportKind::Closed) {
        return std::nullopt;
    }
    int n = count > INT_MAX ? INT_MAX : static_cast<int>(count);
    if (kind_ == TransportKind::NamedPipe) {
        DWORD put = 0;
        if (!::WriteFile(HandleOf(pipe_handle_), buffer, static_cast<DWORD>(n), &put, nullptr)) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(put);
    }
    int sent = ::send(SocketOf(socket_), reinterpret_cast<const char*>(buffer), n, 0);
    if (sent < 0) {
        last_socket_error_ = ::WSAGetLastError();
        return std::nullopt;
    }
    return static_cast<std::size_t>(sent);
}

bool Transport::SetBlocking(bool blocking) {
    if (kind_ == TransportKind::Closed) {
        return false;
    }
    if (kind_ == TransportKind::NamedPipe || non_blocking_ == !blocking) {
        return true;
    }
    non_blocking_ = !blocking;
    u_long value = blocking ? 0 : 1;
    if (::ioctlsocket(SocketOf(socket_), FIONBIO, &value) != 0) {
        last_socket_error_ = ::WSAGetLastError();
        return false;
    }
    return true;
}

bool Transport::SetKeepAlive(bool on) {
    int32_t value = on ? 1 : 0;
    return ::setsockopt(SocketOf(socket_), SOL_SOCKET, SO_KEEPALIVE,
                        reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

bool Transport::SetNoDelay() {
    int32_t value = 1;
    return ::setsockopt(SocketOf(socket_), IPPROTO_TCP, TCP_NODELAY,
                        reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

bool Transport::CanRetry() const {
    if (kind_ == TransportKind::Closed) {
        return false;
    }
    return last_socket_error_ == WSAEINTR || last_socket_error_ == WSAEWOULDBLOCK ||
           last_socket_error_ == WSAEINPROGRESS;
}

bool Transport::CallInterrupted() const {
    return last_socket_error_ == WSAEINTR;
}

}  // namespace varnimo::mysql
