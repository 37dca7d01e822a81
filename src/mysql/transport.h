#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace varnimo::mysql {

struct ResolvedAddress;

// What a transport has open.
enum class TransportKind : uint8_t {
    Closed,
    TcpIp,
    NamedPipe,
};

// How an attempt to open a connection ended (Transport::Connect, PacketChannel::Open). Only
// Connected leaves a connection open; every failure leaves the transport closed, and those
// that name an error code have stored it in the error state.
enum class ConnectStatus : uint8_t {
    Connected,
    NothingOpened,  // TCP/IP was not allowed and no pipe was asked for; the error state is cleared
    AlreadyOpen,    // nothing changed
    NoNetworking,   // the platform's networking could not be started; no error stored
    PipeFailed,     // the named pipe could not be opened and TCP/IP was not allowed: 2016-2018
    NoSocket,       // 2004
    UnknownHost,    // 2005
    NoAnswer,       // the connect began, but no byte came within the timeout (or it was refused
                    // or broke meanwhile): 2003
    Refused,        // the connect itself failed: 2003
    OutOfMemory,    // the packet layer found no room for its buffer: 2008
};

// The byte transport under the protocol: one TCP/IP connection (or a named pipe where the
// platform has them), raw reads and writes, and the connection's error state. All platform
// calls of the client live in this class.
class Transport {
  public:
    static constexpr int kDefaultTimeoutSecs = 30;

    Transport();
    virtual ~Transport();
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // Opens the named pipe when `kind` asks for it, and TCP/IP when `allow_tcp` is set (at once,
    // or after the pipe failed).
    ConnectStatus Connect(TransportKind kind, const std::string& host, const std::string& pipe_name,
                          int port, int timeout_secs, bool allow_tcp);
    // Closes what is open; the error state stays.
    void Close();

    // Bytes read (0 when the peer closed), or none (also when nothing came within TimeoutSecs).
    std::optional<std::size_t> ReadBytes(uint8_t* buffer, std::size_t count);
    // Bytes written, or none.
    std::optional<std::size_t> WriteBytes(const uint8_t* buffer, std::size_t count);

    // False when the transport is closed or the platform refused the mode; a pipe is always
    // blocking.
    bool SetBlocking(bool blocking);
    bool SetKeepAlive(bool on);
    bool SetNoDelay();
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
    void SetDeadline(std::chrono::steady_clock::time_point deadline) { deadline_ = deadline; }
    std::chrono::steady_clock::time_point Deadline() const { return deadline_; }

    // The connection's error state: a code (0 none) and a text of at most 200 characters.
    int32_t LastErrorCode() const { return last_error_code_; }
    void SetLastErrorCode(int32_t code) { last_error_code_ = code; }
    void SetLastErrorText(std::string_view text);
    const std::string& LastErrorText() const { return last_error_text_; }

    TransportKind Kind() const { return kind_; }
    // A TCP/IP connection stays non-blocking; the packet layer blocks only while a full
    // socket takes a send.
    bool IsNonBlocking() const { return non_blocking_; }
    int TimeoutSecs() const { return timeout_secs_; }
    int Socket() const { return socket_; }
    int PipeHandle() const { return pipe_handle_; }

  private:
    // Once per process where the platform needs it (Winsock); false when it failed.
    static bool StartNetworking();
    // The wait for a busy pipe takes the timeout as the caller passed it.
    ConnectStatus ConnectNamedPipe(int timeout_secs);
    ConnectStatus ConnectTcp(const std::string& host, int port);
    // One address of a TCP/IP connection: a non-blocking socket of the address's family,
    // not inherited by programs this one starts, whose connect has begun and whose blocking
    // sends are bounded by the timeout. Connected, NoSocket, or Refused at once (closed again;
    // last_socket_error_ tells why).
    ConnectStatus StartConnect(const ResolvedAddress& address);
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

    std::optional<std::size_t> Receive(uint8_t* to, std::size_t count);

    int socket_ = -1;
    int pipe_handle_ = -1;
    bool non_blocking_ = false;
    TransportKind kind_ = TransportKind::Closed;
    int32_t last_error_code_ = 0;
    std::string last_error_text_;
    int timeout_secs_ = 0;
    // The platform's error number of the last failed socket call of this transport; what
    // CanRetry and CallInterrupted look at.
    int last_socket_error_ = 0;
    std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::time_point::max();
    // Bytes received ahead of what the packet layer asked for: one packet header or row at a
    // time would otherwise cost a system call each.
    std::unique_ptr<uint8_t[]> read_ahead_;
    std::size_t ahead_pos_ = 0;
    std::size_t ahead_end_ = 0;
};

}  // namespace varnimo::mysql
