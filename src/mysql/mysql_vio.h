#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace varnimo::mysql {

struct TResolvedAddress;

// What a transport has open.
enum TVioKind : uint8_t {
    vkClosed = 0,
    vkTcpIp = 1,
    vkLocalSocket = 2,  // never opened: a request for it is served by TCP/IP
    vkNamedPipe = 3,
};

// The byte transport under the protocol: one TCP/IP connection (or a named pipe where the
// platform has them), raw reads and writes, and the connection's error state. All platform
// calls of the client live in this class.
class TMysqlVio {
  public:
    static constexpr int DefaultTimeoutSecs = 30;

    TMysqlVio();
    virtual ~TMysqlVio();
    TMysqlVio(const TMysqlVio&) = delete;
    TMysqlVio& operator=(const TMysqlVio&) = delete;

    // 0, or -20 already open, -2 unknown kind, -1 networking not available, -9 named pipe
    // failed without TCP/IP fallback, -8 no socket, -7 unknown host or silent server,
    // -6 connect failed.
    int Connect(uint8_t kind, const std::string& host, const std::string& pipeName, int port,
                int timeoutSecs, bool allowTcp);
    int Close();

    // Bytes read (0 when the peer closed), or -1 (also when nothing came within TimeoutSecs).
    long ReadBytes(uint8_t* buffer, std::size_t count);
    // Bytes written, or -1.
    long WriteBytes(const uint8_t* buffer, std::size_t count);

    int SetBlocking(bool blocking);
    int SetKeepAlive(bool on);
    int SetNoDelay();
    // True when the socket has data within `secs` seconds (negative: no limit).
    bool WaitReadable(int secs);
    bool CanRetry() const;
    bool CallInterrupted() const;

    // A moment by which every wait for the server ends, whatever TimeoutSecs allows each one
    // (the name lookup, the connect and every read alike); once it has passed nothing more is
    // read, as after a wait that ran out. For callers that bound a whole exchange rather than
    // each wait. The default, time_point::max(), sets none; it outlives Close. Writes do not
    // wait for it: they block only on a full socket buffer, which the few hundred bytes of
    // such an exchange never fill.
    void SetDeadline(std::chrono::steady_clock::time_point deadline) { Deadline_ = deadline; }
    std::chrono::steady_clock::time_point Deadline() const { return Deadline_; }

    void SetLastErrorText(std::string_view text);
    const std::string& LastErrorText() const { return LastErrorText_; }

    // Read and written directly by the packet layer.
    int32_t LastErrorCode = 0;

    TVioKind Kind() const { return Kind_; }
    uint32_t ModeFlags() const { return ModeFlags_; }
    int TimeoutSecs() const { return TimeoutSecs_; }
    int Socket() const { return Socket_; }
    int PipeHandle() const { return PipeHandle_; }

  private:
    // Once per process where the platform needs it (Winsock); false when it failed.
    static bool StartNetworking();
    // The wait for a busy pipe takes the timeout as the caller passed it.
    int ConnectNamedPipe(int timeoutSecs);
    int ConnectTcp(const std::string& host, int port);
    // One address of a TCP/IP connection: a non-blocking socket of the address's family,
    // not inherited by programs this one starts, whose connect has begun and whose blocking
    // sends are bounded by the timeout. 0, or -8 no socket, -6 refused at once (closed again;
    // LastSocketError_ tells why).
    int StartConnect(const TResolvedAddress& address);
    // True at once for a pipe (its reads block) and for bytes already read ahead, false when
    // closed; otherwise what WaitForSocket says.
    bool WaitReadableFor(int millis);
    // The platform's wait for the socket to have data within `millis` (negative: no limit).
    bool WaitForSocket(int millis);
    bool WaitReadableUntil(std::chrono::steady_clock::time_point deadline);
    // The wait before a socket read: up to TimeoutSecs, never past the deadline.
    bool WaitForData();
    // When the wait that starts now must end: TimeoutSecs from now or the deadline, whichever
    // comes first.
    std::chrono::steady_clock::time_point WaitEnd() const;
    void SetError(int32_t code, std::string text);
    void ForgetSocket();

    long Receive(uint8_t* to, std::size_t count);

    int Socket_ = -1;
    int PipeHandle_ = -1;
    uint32_t ModeFlags_ = 0;
    TVioKind Kind_ = vkClosed;
    std::string LastErrorText_;
    int TimeoutSecs_ = 0;
    // The platform's error number of the last failed socket call of this transport; what
    // CanRetry and CallInterrupted look at.
    int LastSocketError_ = 0;
    std::chrono::steady_clock::time_point Deadline_ = std::chrono::steady_clock::time_point::max();
    // Bytes received ahead of what the packet layer asked for: one packet header or row at a
    // time would otherwise cost a system call each.
    std::unique_ptr<uint8_t[]> ReadAhead_;
    std::size_t AheadPos_ = 0;
    std::size_t AheadEnd_ = 0;
};

}  // namespace varnimo::mysql
