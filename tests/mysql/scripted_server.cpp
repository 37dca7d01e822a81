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
class TServerPipe {};  // no named pipes here
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

TScriptedServer::TScriptedServer(TListenOn where) {
    using namespace varnimo::testing;
    if (where == TListenOn::NamedPipe) {
#ifdef _WIN32
        // Made at once, so that a client started right after finds the pipe.
        Pipe_ = std::make_unique<TServerPipe>();
        if (!Pipe_->Listen()) {
            throw std::runtime_error("scripted server: cannot make the pipe");
        }
        return;
#else
        throw std::runtime_error("scripted server: no named pipes here");
#endif
    }
    Listener_ = OpenSocket();
    if (Listener_ < 0) {
        throw std::runtime_error("scripted server: no socket");
    }
#ifndef _WIN32
    // (On Windows the option would let another program take the port as well.)
    SetOption(Listener_, SOL_SOCKET, SO_REUSEADDR, 1);
#endif
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(Listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(Listener_, 4) != 0) {
        CloseSocket(Listener_);
        throw std::runtime_error("scripted server: cannot listen");
    }
    socklen_t length = sizeof address;
    ::getsockname(Listener_, reinterpret_cast<sockaddr*>(&address), &length);
    Port_ = ntohs(address.sin_port);
}

TScriptedServer::~TScriptedServer() {
    if (Started_ && !Finished_) {
        Finish(0);
    }
    CloseClient();
    if (Listener_ >= 0) {
        varnimo::testing::CloseSocket(Listener_);
    }
}

TScriptedServer& TScriptedServer::Send(TBytes bytes) {
    Steps_.push_back({Step::kSend, std::move(bytes), 0});
    return *this;
}

TScriptedServer& TScriptedServer::SendPacket(uint8_t seq, const TBytes& payload) {
    return Send(PlainFrame(seq, payload));
}

TScriptedServer& TScriptedServer::Receive(std::size_t count) {
    Steps_.push_back({Step::kReceive, {}, count});
    return *this;
}

TScriptedServer& TScriptedServer::ReceivePacket() {
    Steps_.push_back({Step::kReceivePacket, {}, 0});
    return *this;
}

TScriptedServer& TScriptedServer::ReceiveFrame() {
    Steps_.push_back({Step::kReceiveFrame, {}, 0});
    return *this;
}

TScriptedServer& TScriptedServer::Pause(int millis) {
    Steps_.push_back({Step::kPause, {}, static_cast<std::size_t>(millis)});
    return *this;
}

TScriptedServer& TScriptedServer::Disconnect() {
    Steps_.push_back({Step::kDisconnect, {}, 0});
    return *this;
}

TScriptedServer& TScriptedServer::Accept() {
    Steps_.push_back({Step::kAccept, {}, 0});
    return *this;
}

void TScriptedServer::Start() {
    Started_ = true;
    Thread_ = std::thread([this] { Run(DrainMillis_.load()); });
}

void TScriptedServer::Finish(int drainMillis) {
    if (!Started_ || Finished_) {
        return;
    }
    DrainMillis_ = drainMillis;
    Thread_.join();
    Finished_ = true;
}

bool TScriptedServer::HasWaitingClient() const {
    return WaitFor(Listener_, POLLIN, 0);
}

void TScriptedServer::Fail(std::string why) {
    if (Failure_.empty()) {
        Failure_ = std::move(why);
    }
}

bool TScriptedServer::AcceptClient() {
#ifdef _WIN32
    if (Pipe_) {
        // A client that was served leaves with its instance; the next one gets a new one.
        if (Client_ >= 0 && !Pipe_->Listen()) {
            Fail("cannot make the pipe again");
            return false;
        }
        if (!Pipe_->Accept(kStepTimeoutMillis)) {
            Fail("no client connected");
            return false;
        }
        Client_ = 0;
        return true;
    }
#endif
    CloseClient();
    if (!WaitFor(Listener_, POLLIN, kStepTimeoutMillis)) {
        Fail("no client connected");
        return false;
    }
    Client_ = varnimo::testing::AcceptOn(Listener_);
    if (Client_ < 0) {
        Fail("accept failed");
        return false;
    }
    return true;
}

long TScriptedServer::ReadWithin(uint8_t* to, std::size_t count, int millis) {
#ifdef _WIN32
    if (Pipe_) {
        return Pipe_->Read(to, count, millis);
    }
#endif
    if (!WaitFor(Client_, POLLIN, millis)) {
        return kNothingYet;
    }
    return varnimo::testing::ReceiveSome(Client_, to, count);
}

bool TScriptedServer::ReadExactly(uint8_t* to, std::size_t count) {
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
        BytesReceived_ += static_cast<std::size_t>(n);
    }
    return true;
}

bool TScriptedServer::WriteAll(const TBytes& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
#ifdef _WIN32
        long n =
            Pipe_ ? Pipe_->Write(bytes.data() + sent, bytes.size() - sent)
                  : varnimo::testing::SendSome(Client_, bytes.data() + sent, bytes.size() - sent);
#else
        long n = varnimo::testing::SendSome(Client_, bytes.data() + sent, bytes.size() - sent);
#endif
        if (n <= 0) {
            Fail("client went away while the server was sending");
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void TScriptedServer::CloseClient() {
#ifdef _WIN32
    if (Pipe_) {
        Pipe_->Close();
        Client_ = -1;
        return;
    }
#endif
    if (Client_ >= 0) {
        varnimo::testing::CloseSocket(Client_);
        Client_ = -1;
    }
}

void TScriptedServer::Run(int) {
    if (!AcceptClient()) {
        return;
    }
    for (const Step& step : Steps_) {
        bool ok = true;
        switch (step.What) {
            case Step::kSend:
                ok = WriteAll(step.Bytes);
                break;
            case Step::kReceive: {
                TBytes bytes(step.Count);
                ok = ReadExactly(bytes.data(), bytes.size());
                Received_.push_back(std::move(bytes));
                break;
            }
            case Step::kReceivePacket:
            case Step::kReceiveFrame: {
                std::size_t header = step.What == Step::kReceivePacket ? 4 : 7;
                TBytes bytes(header);
                ok = ReadExactly(bytes.data(), header);
                if (ok) {
                    std::size_t length = bytes[0] | bytes[1] << 8 | bytes[2] << 16;
                    bytes.resize(header + length);
                    ok = ReadExactly(bytes.data() + header, length);
                }
                Received_.push_back(std::move(bytes));
                break;
            }
            case Step::kPause:
                std::this_thread::sleep_for(std::chrono::milliseconds(step.Count));
                break;
            case Step::kDisconnect:
                CloseClient();
                break;
            case Step::kAccept:
                ok = AcceptClient();
                break;
        }
        if (!ok) {
            return;
        }
    }
    if (Client_ < 0) {
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
        if (spent >= DrainMillis_.load()) {
            break;
        }
        long n = ReadWithin(chunk, sizeof chunk, 20);
        if (n == kNothingYet) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        Trailing_.insert(Trailing_.end(), chunk, chunk + n);
        BytesReceived_ += static_cast<std::size_t>(n);
    }
}

// --- packet builders ---

TBytes FromHex(std::string_view hex) {
    TBytes bytes;
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

TBytes Concat(std::initializer_list<TBytes> parts) {
    TBytes all;
    for (const TBytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

TBytes Text(std::string_view text) {
    return TBytes(text.begin(), text.end());
}

TBytes PlainFrame(uint8_t seq, const TBytes& payload) {
    std::size_t n = payload.size();
    TBytes frame = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                    static_cast<uint8_t>(n >> 16), seq};
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

TBytes CompressedFrame(uint8_t seq, const TBytes& payload, bool deflate) {
    TBytes body = payload;
    std::size_t before = 0;
    if (deflate) {
        uLongf room = compressBound(static_cast<uLong>(payload.size()));
        body.resize(room);
        compress(body.data(), &room, payload.data(), static_cast<uLong>(payload.size()));
        body.resize(room);
        before = payload.size();
    }
    std::size_t n = body.size();
    TBytes frame = {static_cast<uint8_t>(n),           static_cast<uint8_t>(n >> 8),
                    static_cast<uint8_t>(n >> 16),     seq,
                    static_cast<uint8_t>(before),      static_cast<uint8_t>(before >> 8),
                    static_cast<uint8_t>(before >> 16)};
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

TBytes LengthCode(uint64_t value) {
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
    TBytes code = {0xFE};
    for (int i = 0; i < 8; ++i) {
        code.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    return code;
}

TBytes LengthText(std::string_view text) {
    return Concat({LengthCode(text.size()), Text(text)});
}

TBytes Greeting(const TGreetingFields& greeting) {
    TBytes g = {greeting.Protocol};
    g.insert(g.end(), greeting.Version.begin(), greeting.Version.end());
    g.push_back(0);
    for (int i = 0; i < 4; ++i) {
        g.push_back(static_cast<uint8_t>(greeting.ThreadId >> (8 * i)));
    }
    g.insert(g.end(), greeting.Seed.begin(), greeting.Seed.end());
    g.push_back(0);
    g.push_back(static_cast<uint8_t>(greeting.Capabilities));
    g.push_back(static_cast<uint8_t>(greeting.Capabilities >> 8));
    g.push_back(greeting.Charset);
    g.push_back(static_cast<uint8_t>(greeting.Status));
    g.push_back(static_cast<uint8_t>(greeting.Status >> 8));
    // The 13 filler bytes; today's servers put capability bits and more there.
    for (uint8_t b : FromHex("ff 81 15 00 00 00 00 00 00 1d 00 00 00")) {
        g.push_back(b);
    }
    return g;
}

TBytes OkPacket(uint64_t affected, uint64_t insertId, uint16_t status, std::string_view info) {
    TBytes ok = Concat({{0},
                        LengthCode(affected),
                        LengthCode(insertId),
                        {static_cast<uint8_t>(status), static_cast<uint8_t>(status >> 8)}});
    if (!info.empty()) {
        TBytes text = LengthText(info);
        ok.insert(ok.end(), text.begin(), text.end());
    }
    return ok;
}

TBytes ErrorPacket(uint16_t code, std::string_view text) {
    return Concat(
        {{0xFF, static_cast<uint8_t>(code), static_cast<uint8_t>(code >> 8)}, Text(text)});
}

TBytes FieldPacket(std::string_view table, std::string_view name, uint32_t length, uint8_t type,
                   uint16_t flags, uint8_t decimals) {
    return Concat({LengthText(table),
                   LengthText(name),
                   {3, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                    static_cast<uint8_t>(length >> 16)},
                   {1, type},
                   {3, static_cast<uint8_t>(flags), static_cast<uint8_t>(flags >> 8), decimals}});
}

TBytes RowPacket(const std::vector<std::optional<std::string>>& values) {
    TBytes row;
    for (const auto& value : values) {
        TBytes part = value ? LengthText(*value) : TBytes{0xFB};
        row.insert(row.end(), part.begin(), part.end());
    }
    return row;
}

TBytes EndMarker() {
    return {0xFE};
}

TBytes PayloadOf(const TBytes& packet) {
    return packet.size() < 4 ? TBytes{} : TBytes(packet.begin() + 4, packet.end());
}

}  // namespace varnimo::mysql::testing
