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

#include "mysql/mysql_errors.h"
#include "mysql/mysql_pipe_calls_win.h"
#include "mysql/mysql_resolve.h"
#include "mysql/mysql_vio.h"

namespace varnimo::mysql {

namespace {

constexpr uint32_t kModeNonBlocking = 0x0001;
constexpr int kMostPipeOpens = 101;

// Winsock is started by the first connection that may use TCP/IP and stays started for the
// rest of the process; it is cleaned up once, at program end, when it was started.
class TWinsock {
  public:
    ~TWinsock() {
        if (Data_.wVersion != 0) {
            ::WSACleanup();
        }
    }
    bool Start() {
        if (Data_.wVersion != 0) {
            return true;
        }
        if (::WSAStartup(MAKEWORD(1, 1), &Data_) != 0) {
            Data_.wVersion = 0;
            return false;
        }
        return true;
    }

  private:
    WSADATA Data_{};
};

TWinsock g_winsock;

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

TPipeCalls g_pipe_calls{OpenPipe, WaitForPipe};

}  // namespace

TPipeCalls ReplacePipeCalls(TPipeCalls calls) {
    TPipeCalls old = g_pipe_calls;
    g_pipe_calls = calls;
    return old;
}

bool TMysqlVio::StartNetworking() {
    return g_winsock.Start();
}

int TMysqlVio::ConnectNamedPipe(int timeoutSecs) {
    const char* const host = ".";
    const char* const pipe = "MySQL";
    const char* const path = "\\\\.\\pipe\\MySQL";
    // The wait takes the timeout as the caller gave it: 0 asks for the pipe's own default,
    // a negative one waits without limit.
    DWORD waitMillis = timeoutSecs < 0                ? NMPWAIT_WAIT_FOREVER
                       : timeoutSecs > INT_MAX / 1000 ? static_cast<DWORD>(INT_MAX)
                                                      : static_cast<DWORD>(timeoutSecs) * 1000;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < kMostPipeOpens; ++attempt) {
        handle = g_pipe_calls.Open(path);
        if (handle != INVALID_HANDLE_VALUE) {
            break;
        }
        DWORD error = ::GetLastError();
        if (error != ERROR_PIPE_BUSY) {
            SetError(kErrNamedPipeOpen, FormatClientError(kErrNamedPipeOpen, host, pipe,
                                                          static_cast<unsigned>(error)));
            return -9;
        }
        if (!g_pipe_calls.Wait(path, waitMillis)) {
            SetError(kErrNamedPipeWait,
                     FormatClientError(kErrNamedPipeWait, host, pipe,
                                       static_cast<unsigned long>(::GetLastError())));
            return -9;
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        // Every open found the pipe busy, though each wait said it had become free; the
        // error number is that of the last open.
        SetError(kErrNamedPipeOpen, FormatClientError(kErrNamedPipeOpen, host, pipe,
                                                      static_cast<unsigned>(ERROR_PIPE_BUSY)));
        return -9;
    }
    DWORD mode = PIPE_READMODE_BYTE | PIPE_WAIT;
    if (!::SetNamedPipeHandleState(handle, &mode, nullptr, nullptr)) {
        DWORD error = ::GetLastError();
        ::CloseHandle(handle);
        SetError(kErrNamedPipeSetState, FormatClientError(kErrNamedPipeSetState, host, pipe,
                                                          static_cast<unsigned long>(error)));
        return -9;
    }
    Kind_ = vkNamedPipe;
    Socket_ = 0;
    PipeHandle_ = static_cast<int>(reinterpret_cast<intptr_t>(handle));
    return 0;
}

int TMysqlVio::StartConnect(const TResolvedAddress& address) {
    SOCKET s = ::socket(address.Family, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) {
        LastSocketError_ = ::WSAGetLastError();
        return -8;
    }
    // Not inherited by the emulators this program starts.
    ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    Socket_ = static_cast<int>(s);
    Kind_ = vkTcpIp;
    SetBlocking(false);
    if (::connect(s, reinterpret_cast<const sockaddr*>(&address.Address), address.Length) != 0 &&
        ::WSAGetLastError() != WSAEWOULDBLOCK) {
        LastSocketError_ = ::WSAGetLastError();
        ::closesocket(s);
        ForgetSocket();
        return -6;
    }
    // A blocking send (the packet layer switches to it when the socket is full) must not
    // hang for ever on a server that stopped reading.
    DWORD sendLimit = TimeoutSecs_ > 0 && TimeoutSecs_ < INT_MAX / 1000
                          ? static_cast<DWORD>(TimeoutSecs_) * 1000
                          : 0;
    ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendLimit),
                 sizeof sendLimit);
    return 0;
}

int TMysqlVio::Close() {
    int result = 0;
    if (Kind_ == vkNamedPipe) {
        result = ::CloseHandle(HandleOf(PipeHandle_)) ? 0 : -1;
    } else if (Kind_ == vkTcpIp || Kind_ == vkLocalSocket) {
        if (::shutdown(SocketOf(Socket_), SD_BOTH) != 0) {
            result = -1;
        }
        if (::closesocket(SocketOf(Socket_)) != 0) {
            result = -1;
        }
    }
    ForgetSocket();
    return result;
}

bool TMysqlVio::WaitForSocket(int millis) {
    // A refused or failed connect shows in the exception set, never in the read set; waiting
    // for data alone would sit out the whole timeout on a port where nobody listens.
    fd_set readable;
    fd_set failed;
    FD_ZERO(&readable);
    FD_ZERO(&failed);
    FD_SET(SocketOf(Socket_), &readable);
    FD_SET(SocketOf(Socket_), &failed);
    timeval limit{};
    limit.tv_sec = millis / 1000;
    limit.tv_usec = (millis % 1000) * 1000;
    int rc = ::select(0, &readable, nullptr, &failed, millis < 0 ? nullptr : &limit);
    if (rc > 0 && FD_ISSET(SocketOf(Socket_), &failed)) {
        int error = 0;
        int length = sizeof error;
        ::getsockopt(SocketOf(Socket_), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                     &length);
        LastSocketError_ = error != 0 ? error : WSAECONNREFUSED;
        ::WSASetLastError(LastSocketError_);
        return false;
    }
    if (rc > 0) {
        return true;
    }
    if (rc == 0) {
        // A wait that ran out is not worth retrying.
        LastSocketError_ = WSAETIMEDOUT;
        ::WSASetLastError(WSAETIMEDOUT);
    } else {
        LastSocketError_ = ::WSAGetLastError();
    }
    return false;
}

long TMysqlVio::Receive(uint8_t* to, std::size_t count) {
    int n = count > INT_MAX ? INT_MAX : static_cast<int>(count);
    if (Kind_ == vkNamedPipe) {
        // A byte-mode pipe hands over what is there, waiting only when nothing is.
        DWORD got = 0;
        if (!::ReadFile(HandleOf(PipeHandle_), to, static_cast<DWORD>(n), &got, nullptr)) {
            return -1;
        }
        return static_cast<long>(got);
    }
    // Data already there needs no wait; otherwise wait up to TimeoutSecs (and never past the
    // deadline) for it.
    SOCKET s = SocketOf(Socket_);
    int got = ::recv(s, reinterpret_cast<char*>(to), n, 0);
    if (got < 0 && ::WSAGetLastError() == WSAEWOULDBLOCK) {
        if (!WaitForData()) {
            return -1;
        }
        got = ::recv(s, reinterpret_cast<char*>(to), n, 0);
    }
    if (got < 0) {
        LastSocketError_ = ::WSAGetLastError();
    } else if (got == 0) {
        LastSocketError_ = 0;  // closed by the peer: nothing to retry
    }
    return got;
}

long TMysqlVio::WriteBytes(const uint8_t* buffer, std::size_t count) {
    if (Kind_ == vkClosed) {
        return -1;
    }
    int n = count > INT_MAX ? INT_MAX : static_cast<int>(count);
    if (Kind_ == vkNamedPipe) {
        DWORD put = 0;
        if (!::WriteFile(HandleOf(PipeHandle_), buffer, static_cast<DWORD>(n), &put, nullptr)) {
            return -1;
        }
        return static_cast<long>(put);
    }
    int sent = ::send(SocketOf(Socket_), reinterpret_cast<const char*>(buffer), n, 0);
    if (sent < 0) {
        LastSocketError_ = ::WSAGetLastError();
    }
    return sent;
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
        ModeFlags_ &= ~kModeNonBlocking;
    } else {
        ModeFlags_ |= kModeNonBlocking;
    }
    if (old == ModeFlags_) {
        return 0;
    }
    u_long value = blocking ? 0 : 1;
    int rc = ::ioctlsocket(SocketOf(Socket_), FIONBIO, &value);
    if (rc != 0) {
        LastSocketError_ = ::WSAGetLastError();
    }
    return rc;
}

int TMysqlVio::SetKeepAlive(bool on) {
    int32_t value = on ? 1 : 0;
    return ::setsockopt(SocketOf(Socket_), SOL_SOCKET, SO_KEEPALIVE,
                        reinterpret_cast<const char*>(&value), sizeof value) == 0
               ? 0
               : -1;
}

int TMysqlVio::SetNoDelay() {
    int32_t value = 1;
    return ::setsockopt(SocketOf(Socket_), IPPROTO_TCP, TCP_NODELAY,
                        reinterpret_cast<const char*>(&value), sizeof value) == 0
               ? 0
               : -1;
}

bool TMysqlVio::CanRetry() const {
    if (Kind_ == vkClosed) {
        return false;
    }
    return LastSocketError_ == WSAEINTR || LastSocketError_ == WSAEWOULDBLOCK ||
           LastSocketError_ == WSAEINPROGRESS;
}

bool TMysqlVio::CallInterrupted() const {
    return LastSocketError_ == WSAEINTR;
}

}  // namespace varnimo::mysql
