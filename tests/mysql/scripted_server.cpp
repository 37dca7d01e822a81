#include "scripted_server.h"

#include <zlib.h>

#include <chrono>
#include <cstring>
#include <stdexcept>

#include "../support/test_sockets.h"
#ifdef _WIN32
#include "server_pipe_win.h"
#else
namespace varnimo::mysql::testing {
class ServerPipe {};  // no named pipes here
}  // namespace varnimo::mysql::testing
#endif

namespace varnimo::mysql::testing {

namespace {

constexpr int kStepTimeoutMillis = 10000;
constexpr long kNothingYet = -2;

bool WaitFor(int fd, short events, int millis) {
    for (;;) {
        int rc = varnimo::testing::PollOne(fd, events, millis);
        if (rc > 0) {
            return true;
        }
        if (rc == 0 || !varnimo::testing::Interrupted()) {
            return false;
        }
    }
}

}  // namespace

ScriptedServer::ScriptedServer(ListenOn where) {
    using namespace varnimo::testing;
    if (where == ListenOn::NamedPipe) {
#ifdef _WIN32
        // Made at once, so that a client started right after finds the pipe.
        pipe_ = std::make_unique<ServerPipe>();
        if (!pipe_->Listen()) {
            throw std::runtime_error("scripted server: cannot make the pipe");
        }
        return;
#else
        throw std::runtime_error("scripted server: no named pipes here");
#endif
    }
    listener_ = OpenSocket();
    if (listener_ < 0) {
        throw std::runtime_error("scripted server: no socket");
    }
#ifndef _WIN32
    // (On Windows the option would let another program take the port as well.)
    SetOption(listener_, SOL_SOCKET, SO_REUSEADDR, 1);
#endif
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 4) != 0) {
        CloseSocket(listener_);
        throw std::runtime_error("scripted server: cannot listen");
    }
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
}

ScriptedServer::~ScriptedServer() {
    if (started_ && !finished_) {
        Finish(0);
    }
    CloseClient();
    if (listener_ >= 0) {
        varnimo::testing::CloseSocket(listener_);
    }
}

ScriptedServer& ScriptedServer::Send(Bytes bytes) {
    steps_.push_back({Step::Kind::Send, std::move(bytes), 0});
    return *this;
}

ScriptedServer& ScriptedServer::SendPacket(uint8_t seq, const Bytes& payload) {
    return Send(PlainFrame(seq, payload));
}

ScriptedServer& ScriptedServer::Receive(std::size_t count) {
    steps_.push_back({Step::Kind::Receive, {}, count});
    return *this;
}

ScriptedServer& ScriptedServer::ReceivePacket() {
    steps_.push_back({Step::Kind::ReceivePacket, {}, 0});
    return *this;
}

ScriptedServer& ScriptedServer::ReceiveFrame() {
    steps_.push_back({Step::Kind::ReceiveFrame, {}, 0});
    return *this;
}

ScriptedServer& ScriptedServer::Pause(int millis) {
    steps_.push_back({Step::Kind::Pause, {}, static_cast<std::size_t>(millis)});
    return *this;
}

ScriptedServer& ScriptedServer::Disconnect() {
    steps_.push_back({Step::Kind::Disconnect, {}, 0});
    return *this;
}

ScriptedServer& ScriptedServer::Accept() {
    steps_.push_back({Step::Kind::Accept, {}, 0});
    return *this;
}

void ScriptedServer::Start() {
    started_ = true;
    thread_ = std::thread([this] { Run(drain_millis_.load()); });
}

void ScriptedServer::Finish(int drain_millis) {
    if (!started_ || finished_) {
        return;
    }
    drain_millis_ = drain_millis;
    thread_.join();
    finished_ = true;
}

bool ScriptedServer::HasWaitingClient() const {
    return WaitFor(listener_, POLLIN, 0);
}

void ScriptedServer::Fail(std::string why) {
    if (failure_.empty()) {
        failure_ = std::move(why);
    }
}

bool ScriptedServer::AcceptClient() {
#ifdef _WIN32
    if (pipe_) {
        // A client that was served leaves with its instance; the next one gets a new one.
        if (client_ >= 0 && !pipe_->Listen()) {
            Fail("cannot make the pipe again");
            return false;
        }
        if (!pipe_->Accept(kStepTimeoutMillis)) {
            Fail("no client connected");
            return false;
        }
        client_ = 0;
        return true;
    }
#endif
    CloseClient();
    if (!WaitFor(listener_, POLLIN, kStepTimeoutMillis)) {
        Fail("no client connected");
        return false;
    }
    client_ = varnimo::testing::AcceptOn(listener_);
    if (client_ < 0) {
        Fail("accept failed");
        return false;
    }
    return true;
}

long ScriptedServer::ReadWithin(uint8_t* to, std::size_t count, int millis) {
#ifdef _WIN32
    if (pipe_) {
        return pipe_->Read(to, count, millis);
    }
#endif
    if (!WaitFor(client_, POLLIN, millis)) {
        return kNothingYet;
    }
    return varnimo::testing::ReceiveSome(client_, to, count);
}

bool ScriptedServer::ReadExactly(uint8_t* to, std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
        long n = ReadWithin(to + got, count - got, kStepTimeoutMillis);
        if (n == kNothingYet) {
            Fail("client sent nothing");
            return false;
        }
        if (n <= 0) {
            Fail("client closed the connection early");
            return false;
        }
        got += static_cast<std::size_t>(n);
        bytes_received_ += static_cast<std::size_t>(n);
    }
    return true;
}

bool ScriptedServer::WriteAll(const Bytes& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
#ifdef _WIN32
        long n =
            pipe_ ? pipe_->Write(bytes.data() + sent, bytes.size() - sent)
                  : varnimo::testing::SendSome(client_, bytes.data() + sent, bytes.size() - sent);
#else
        long n = varnimo::testing::SendSome(client_, bytes.data() + sent, bytes.size() - sent);
#endif
        if (n <= 0) {
            Fail("client went away while the server was sending");
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void ScriptedServer::CloseClient() {
#ifdef _WIN32
    if (pipe_) {
        pipe_->Close();
        client_ = -1;
        return;
    }
#endif
    if (client_ >= 0) {
        varnimo::testing::CloseSocket(client_);
        client_ = -1;
    }
}

void ScriptedServer::Run(int) {
    if (!AcceptClient()) {
        return;
    }
    for (const Step& step : steps_) {
        bool ok = true;
        switch (step.what) {
            case Step::Kind::Send:
                ok = WriteAll(step.bytes);
                break;
            case Step::Kind::Receive: {
                Bytes bytes(step.count);
                ok = ReadExactly(bytes.data(), bytes.size());
                received_.push_back(std::move(bytes));
                break;
            }
            case Step::Kind::ReceivePacket:
            case Step::Kind::ReceiveFrame: {
                std::size_t header = step.what == Step::Kind::ReceivePacket ? 4 : 7;
                Bytes bytes(header);
                ok = ReadExactly(bytes.data(), header);
                if (ok) {
                    std::size_t length = bytes[0] | bytes[1] << 8 | bytes[2] << 16;
                    bytes.resize(header + length);
                    ok = ReadExactly(bytes.data() + header, length);
                }
                received_.push_back(std::move(bytes));
                break;
            }
            case Step::Kind::Pause:
                std::this_thread::sleep_for(std::chrono::milliseconds(step.count));
                break;
            case Step::Kind::Disconnect:
                CloseClient();
                break;
            case Step::Kind::Accept:
                ok = AcceptClient();
                break;
        }
        if (!ok) {
            return;
        }
    }
    if (client_ < 0) {
        return;
    }
    // Whatever the client sends after the script (a quit command, say), until it closes. The
    // limit is read on every turn, so that Finish can shorten it.
    auto start = std::chrono::steady_clock::now();
    uint8_t chunk[4096];
    for (;;) {
        auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - start)
                         .count();
        if (spent >= drain_millis_.load()) {
            break;
        }
        long n = ReadWithin(chunk, sizeof chunk, 20);
        if (n == kNothingYet) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        trailing_.insert(trailing_.end(), chunk, chunk + n);
        bytes_received_ += static_cast<std::size_t>(n);
    }
}

// --- packet builders ---

Bytes FromHex(std::string_view hex) {
    Bytes bytes;
    int high = -1;
    for (char c : hex) {
        int v = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
        if (v < 0) {
            continue;
        }
        if (high < 0) {
            high = v;
        } else {
            bytes.push_back(static_cast<uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes PlainFrame(uint8_t seq, const Bytes& payload) {
    std::size_t n = payload.size();
    Bytes frame = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                   static_cast<uint8_t>(n >> 16), seq};
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

Bytes CompressedFrame(uint8_t seq, const Bytes& payload, bool deflate) {
    Bytes body = payload;
    std::size_t before = 0;
    if (deflate) {
        uLongf room = compressBound(static_cast<uLong>(payload.size()));
        body.resize(room);
        compress(body.data(), &room, payload.data(), static_cast<uLong>(payload.size()));
        body.resize(room);
        before = payload.size();
    }
    std::size_t n = body.size();
    Bytes frame = {static_cast<uint8_t>(n),           static_cast<uint8_t>(n >> 8),
                   static_cast<uint8_t>(n >> 16),     seq,
                   static_cast<uint8_t>(before),      static_cast<uint8_t>(before >> 8),
                   static_cast<uint8_t>(before >> 16)};
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

Bytes LengthCode(uint64_t value) {
    if (value < 251) {
        return {static_cast<uint8_t>(value)};
    }
    if (value < 0x10000) {
        return {0xFC, static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    }
    if (value < 0x1000000) {
        return {0xFD, static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                static_cast<uint8_t>(value >> 16)};
    }
    Bytes code = {0xFE};
    for (int i = 0; i < 8; ++i) {
        code.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    return code;
}

Bytes LengthText(std::string_view text) {
    return Concat({LengthCode(text.size()), Text(text)});
}

Bytes Greeting(const GreetingFields& greeting) {
    Bytes g = {greeting.protocol};
    g.insert(g.end(), greeting.version.begin(), greeting.version.end());
    g.push_back(0);
    for (int i = 0; i < 4; ++i) {
        g.push_back(static_cast<uint8_t>(greeting.thread_id >> (8 * i)));
    }
    g.insert(g.end(), greeting.seed.begin(), greeting.seed.end());
    g.push_back(0);
    g.push_back(static_cast<uint8_t>(greeting.capabilities));
    g.push_back(static_cast<uint8_t>(greeting.capabilities >> 8));
    g.push_back(greeting.charset);
    g.push_back(static_cast<uint8_t>(greeting.status));
    g.push_back(static_cast<uint8_t>(greeting.status >> 8));
    // The 13 filler bytes; today's servers put capability bits and more there.
    for (uint8_t b : FromHex("ff 81 15 00 00 00 00 00 00 1d 00 00 00")) {
        g.push_back(b);
    }
    return g;
}

Bytes OkPacket(uint64_t affected, uint64_t insert_id, uint16_t status, std::string_view info) {
    Bytes ok = Concat({{0},
                       LengthCode(affected),
                       LengthCode(insert_id),
                       {static_cast<uint8_t>(status), static_cast<uint8_t>(status >> 8)}});
    if (!info.empty()) {
        Bytes text = LengthText(info);
        ok.insert(ok.end(), text.begin(), text.end());
    }
    return ok;
}

Bytes ErrorPacket(uint16_t code, std::string_view text) {
    return Concat(
        {{0xFF, static_cast<uint8_t>(code), static_cast<uint8_t>(code >> 8)}, Text(text)});
}

Bytes FieldPacket(std::string_view table, std::string_view name, uint32_t length, uint8_t type,
                  uint16_t flags, uint8_t decimals) {
    return Concat({LengthText(table),
                   LengthText(name),
                   {3, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                    static_cast<uint8_t>(length >> 16)},
                   {1, type},
                   {3, static_cast<uint8_t>(flags), static_cast<uint8_t>(flags >> 8), decimals}});
}

Bytes RowPacket(const std::vector<std::optional<std::string>>& values) {
    Bytes row;
    for (const auto& value : values) {
        Bytes part = value ? LengthText(*value) : Bytes{0xFB};
        row.insert(row.end(), part.begin(), part.end());
    }
    return row;
}

Bytes EndMarker() {
    return {0xFE};
}

Bytes PayloadOf(const Bytes& packet) {
    return packet.size() < 4 ? Bytes{} : Bytes(packet.begin() + 4, packet.end());
}

}  // namespace varnimo::mysql::testing
