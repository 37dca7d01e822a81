// TMysqlVio on top of a byte array instead of a socket. Only the transport's contract is
// kept: reads hand out what the "server" has (0 once it is used up), writes always succeed,
// and a connect succeeds while the server has something to say.

#include "fake_vio.h"

#include <algorithm>
#include <cstring>

#include "mysql/mysql_errors.h"
#include "mysql/mysql_vio.h"

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
std::size_t ServerBytesLeft() { return g_size - g_pos; }
const std::vector<uint8_t>& ClientBytes() { return g_written; }
int ConnectCount() { return g_connects; }

}  // namespace varnimo::fuzz

namespace varnimo::mysql {

TMysqlVio::TMysqlVio() = default;
TMysqlVio::~TMysqlVio() { Close(); }

void TMysqlVio::SetLastErrorText(std::string_view text) {
    LastErrorText_.assign(text.substr(0, kMaxErrorText));
}

int TMysqlVio::Connect(uint8_t kind, const std::string&, const std::string&, int, int timeoutSecs,
                       bool allowTcp) {
    if (Kind_ != vkClosed) {
        return -20;
    }
    TimeoutSecs_ = timeoutSecs == 0 ? DefaultTimeoutSecs : timeoutSecs;
    if (kind == 4) {
        return -2;
    }
    if (!allowTcp) {
        LastErrorText_.clear();
        LastErrorCode = 0;
        return 0;
    }
    if (fuzz::ServerBytesLeft() == 0) {
        // The silent server: nothing within the time.
        LastErrorCode = kErrConnectionFailed;
        SetLastErrorText("Can't connect to MySQL server on 'fuzz' (110)");
        return -7;
    }
    Kind_ = vkTcpIp;
    Socket_ = 1000;
    PipeHandle_ = 0;
    ModeFlags_ = 1;
    LastErrorText_.clear();
    LastErrorCode = 0;
    ++fuzz::g_connects;
    return 0;
}

int TMysqlVio::Close() {
    Socket_ = -1;
    PipeHandle_ = -1;
    Kind_ = vkClosed;
    ModeFlags_ = 0;
    return 0;
}

bool TMysqlVio::WaitReadable(int) { return Kind_ != vkClosed; }

long TMysqlVio::ReadBytes(uint8_t* buffer, std::size_t count) {
    if (Kind_ == vkClosed) {
        return -1;
    }
    std::size_t n = std::min(count, fuzz::g_size - fuzz::g_pos);
    if (fuzz::g_piece != 0) {
        n = std::min(n, fuzz::g_piece);
    }
    if (n == 0) {
        LastSocketError_ = 0;
        return 0;
    }
    std::memcpy(buffer, fuzz::g_data + fuzz::g_pos, n);
    fuzz::g_pos += n;
    return static_cast<long>(n);
}

long TMysqlVio::WriteBytes(const uint8_t* buffer, std::size_t count) {
    if (Kind_ == vkClosed) {
        return -1;
    }
    if (fuzz::g_written.size() + count > fuzz::kMaxWritten) {
        __builtin_trap();  // the client is sending without end
    }
    fuzz::g_written.insert(fuzz::g_written.end(), buffer, buffer + count);
    return static_cast<long>(count);
}

int TMysqlVio::SetBlocking(bool blocking) {
    if (Kind_ == vkClosed) {
        return -1;
    }
    if (blocking) {
        ModeFlags_ &= ~1u;
    } else {
        ModeFlags_ |= 1u;
    }
    return 0;
}

int TMysqlVio::SetKeepAlive(bool) { return Kind_ == vkClosed ? -1 : 0; }
int TMysqlVio::SetNoDelay() { return Kind_ == vkClosed ? -1 : 0; }
bool TMysqlVio::CanRetry() const { return false; }
bool TMysqlVio::CallInterrupted() const { return false; }

}  // namespace varnimo::mysql
