#pragma once
// The BSD socket calls the test peers use, on POSIX and on Winsock alike. Sockets are kept
// in an int, as Windows hands out socket values that fit in one.

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace varnimo::testing {

#ifdef _WIN32
using socklen_t = int;
inline constexpr int kNoSigPipe = 0;
// The socket error of a wait that ran out, as error texts show it.
inline constexpr int kTimedOut = WSAETIMEDOUT;

// Winsock must be started before the first socket; the program under test starts it again
// for itself, which Winsock counts.
inline bool StartSockets() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}
inline int OpenSocket(int family = AF_INET) {
    StartSockets();
    SOCKET s = ::socket(family, SOCK_STREAM, 0);
    return s == INVALID_SOCKET ? -1 : static_cast<int>(s);
}
inline int AcceptOn(int listener) {
    SOCKET s = ::accept(static_cast<SOCKET>(listener), nullptr, nullptr);
    return s == INVALID_SOCKET ? -1 : static_cast<int>(s);
}
inline void CloseSocket(int s) {
    ::closesocket(static_cast<SOCKET>(s));
}
inline int PollOne(int s, short events, int millis) {
    WSAPOLLFD entry{};
    entry.fd = static_cast<SOCKET>(s);
    entry.events = events;
    return ::WSAPoll(&entry, 1, millis);
}
inline bool Interrupted() {
    return ::WSAGetLastError() == WSAEINTR;
}
#else
using ::socklen_t;
inline constexpr int kTimedOut = ETIMEDOUT;
#if defined(MSG_NOSIGNAL)
inline constexpr int kNoSigPipe = MSG_NOSIGNAL;
#else
inline constexpr int kNoSigPipe = 0;
#endif

inline int OpenSocket(int family = AF_INET) {
    return ::socket(family, SOCK_STREAM, 0);
}
inline int AcceptOn(int listener) {
    return ::accept(listener, nullptr, nullptr);
}
inline void CloseSocket(int s) {
    ::close(s);
}
inline int PollOne(int s, short events, int millis) {
    pollfd entry{};
    entry.fd = s;
    entry.events = events;
    return ::poll(&entry, 1, millis);
}
inline bool Interrupted() {
    return errno == EINTR;
}
#endif

// Socket option values are passed as bytes on Winsock.
template <typename T>
int SetOption(int s, int level, int name, const T& value) {
    return ::setsockopt(s, level, name, reinterpret_cast<const char*>(&value), sizeof value);
}

inline long SendSome(int s, const void* data, std::size_t count) {
    return static_cast<long>(
        ::send(s, static_cast<const char*>(data), static_cast<int>(count), kNoSigPipe));
}
inline long ReceiveSome(int s, void* data, std::size_t count) {
    return static_cast<long>(::recv(s, static_cast<char*>(data), static_cast<int>(count), 0));
}

// A loopback port on which nothing listens, so a connection there is refused at once.
inline int ClosedPort() {
    int s = OpenSocket();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    CloseSocket(s);
    return ntohs(address.sin_port);
}

}  // namespace varnimo::testing
