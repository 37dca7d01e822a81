// Transport on top of a byte array instead of a socket. Only the transport's contract is
// kept: reads hand out what the "server" has (0 once it is used up), writes always succeed,
// and a connect succeeds while the server has something to say.

#include "fake_transport.h"

#include <algorithm>
#include <cstring>

#include "mysql/errors.h"
#include "mysql/transport.h"

namespace varnimo::fuzz {
namespace {
const uint8_t* g_data = nullptr;
std::size_t g_size = 0;
std::size_t g_pos = 0;
std::size_t g_piece = 0;
std::vector<uint8_t> g_written;
int g_connects = 0;
// Enough for every honest reply to a fuzz input; a client that writes more is looping.
constexpr std::size_t kMaxWritten = 64 << 20;
}  // namespace

void SetServerBytes(const uint8_t* data, std::size_t size, std::size_t piece) {
    g_data = data;
    g_size = size;
    g_pos = 0;
    g_piece = piece;
    g_written.clear();
    g_connects = 0;
}
std::size_t ServerBytesLeft() {
    return g_size - g_pos;
}
const std::vector<uint8_t>& ClientBytes() {
    return g_written;
}
int ConnectCount() {
    return g_connects;
}

}  // namespace varnimo::fuzz

namespace varnimo::mysql {

Transport::Transport() = default;
Transport::~Transport() {
    Close();
}

void Transport::SetLastErrorText(std::string_view text) {
    last_error_text_.assign(text.substr(0, kMaxErrorText));
}

ConnectStatus Transport::Connect(TransportKind, const std::string&, const std::string&, int,
                                 int timeout_secs, bool allow_tcp) {
    if (kind_ != TransportKind::Closed) {
        return ConnectStatus::AlreadyOpen;
    }
    timeout_secs_ = timeout_secs == 0 ? kDefaultTimeoutSecs : timeout_secs;
    if (!allow_tcp) {
        last_error_text_.clear();
        last_error_code_ = 0;
        return ConnectStatus::NothingOpened;
    }
    if (fuzz::ServerBytesLeft() == 0) {
        // The silent server: nothing within the time.
        last_error_code_ = kErrConnectionFailed;
        SetLastErrorText("Can't connect to MySQL server on 'fuzz' (110)");
        return ConnectStatus::NoAnswer;
    }
    kind_ = TransportKind::TcpIp;
    socket_ = 1000;
    pipe_handle_ = 0;
    non_blocking_ = true;
    last_error_text_.clear();
    last_error_code_ = 0;
    ++fuzz::g_connects;
    return ConnectStatus::Connected;
}

void Transport::Close() {
    socket_ = -1;
    pipe_handle_ = -1;
    kind_ = TransportKind::Closed;
    non_blocking_ = false;
}

bool Transport::WaitReadable(int) {
    return kind_ != TransportKind::Closed;
}

std::optional<std::size_t> Transport::ReadBytes(uint8_t* buffer, std::size_t count) {
    if (kind_ == TransportKind::Closed) {
        return std::nullopt;
    }
    std::size_t n = std::min(count, fuzz::g_size - fuzz::g_pos);
    if (fuzz::g_piece != 0) {
        n = std::min(n, fuzz::g_piece);
    }
    if (n == 0) {
        last_socket_error_ = 0;
        return 0;
    }
    std::memcpy(buffer, fuzz::g_data + fuzz::g_pos, n);
    fuzz::g_pos += n;
    return n;
}

std::optional<std::size_t> Transport::WriteBytes(const uint8_t* buffer, std::size_t count) {
    if (kind_ == TransportKind::Closed) {
        return std::nullopt;
    }
    if (fuzz::g_written.size() + count > fuzz::kMaxWritten) {
        __builtin_trap();  // the client is sending without end
    }
    fuzz::g_written.insert(fuzz::g_written.end(), buffer, buffer + count);
    return count;
}

bool Transport::SetBlocking(bool blocking) {
    if (kind_ == TransportKind::Closed) {
        return false;
    }
    non_blocking_ = !blocking;
    return true;
}

bool Transport::SetKeepAlive(bool) {
    return kind_ != TransportKind::Closed;
}
bool Transport::SetNoDelay() {
    return kind_ != TransportKind::Closed;
}
bool Transport::CanRetry() const {
    return false;
}
bool Transport::CallInterrupted() const {
    return false;
}

}  // namespace varnimo::mysql
