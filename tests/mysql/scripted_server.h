#pragma once

// A server on 127.0.0.1 that plays a fixed script of bytes to one client at a time and records
// what the client sent, for protocol cases a real server will not produce. The script runs on
// its own thread; every wait in it is bounded, so a test can fail but never hang.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace varnimo::mysql::testing {

using TBytes = std::vector<uint8_t>;

class TServerPipe;

// Where the server listens: a loopback TCP port, or (on Windows) the local pipe named MySQL.
enum class TListenOn { Loopback, NamedPipe };

class TScriptedServer {
  public:
    explicit TScriptedServer(TListenOn where = TListenOn::Loopback);
    ~TScriptedServer();
    TScriptedServer(const TScriptedServer&) = delete;
    TScriptedServer& operator=(const TScriptedServer&) = delete;

    int Port() const { return Port_; }

    // Script steps, run in order once Start is called. The first step waits for a client.
    TScriptedServer& Send(TBytes bytes);
    TScriptedServer& SendPacket(uint8_t seq, const TBytes& payload);
    // Reads exactly `count` bytes and records them as one entry of Received().
    TScriptedServer& Receive(std::size_t count);
    // Reads one plain packet (header and payload) and records it whole.
    TScriptedServer& ReceivePacket();
    // Reads one compressed frame (7-byte header and payload) and records it whole.
    TScriptedServer& ReceiveFrame();
    TScriptedServer& Pause(int millis);
    // Closes the client's connection.
    TScriptedServer& Disconnect();
    // Waits for the next client connection (after Disconnect, or to serve a reconnect).
    TScriptedServer& Accept();

    void Start();
    // Waits for the script's end; then records what the client still sends until it closes
    // its side (at most `drainMillis`) in Trailing().
    void Finish(int drainMillis = 2000);

    const std::vector<TBytes>& Received() const { return Received_; }
    const TBytes& Trailing() const { return Trailing_; }
    // Empty when every step ran; otherwise what went wrong first.
    const std::string& Failure() const { return Failure_; }
    // A client is waiting to be accepted that no step of the script took.
    bool HasWaitingClient() const;
    // Total bytes read by Receive steps and the drain.
    std::size_t BytesReceived() const { return BytesReceived_; }

  private:
    struct Step {
        enum Kind { kSend, kReceive, kReceivePacket, kReceiveFrame, kPause, kDisconnect, kAccept };
        Kind What;
        TBytes Bytes;
        std::size_t Count = 0;
    };

    void Run(int drainMillis);
    bool AcceptClient();
    // Bytes read, 0 when the client closed, -1 on failure, -2 when nothing came within
    // `millis`.
    long ReadWithin(uint8_t* to, std::size_t count, int millis);
    bool ReadExactly(uint8_t* to, std::size_t count);
    bool WriteAll(const TBytes& bytes);
    void CloseClient();
    void Fail(std::string why);

    int Listener_ = -1;
    int Client_ = -1;
    std::unique_ptr<TServerPipe> Pipe_;
    int Port_ = 0;
    std::vector<Step> Steps_;
    std::vector<TBytes> Received_;
    TBytes Trailing_;
    std::string Failure_;
    std::size_t BytesReceived_ = 0;
    std::thread Thread_;
    std::atomic<int> DrainMillis_{2000};
    bool Started_ = false;
    bool Finished_ = false;
};

// --- packet builders for scripts ---

TBytes FromHex(std::string_view hex);
TBytes Concat(std::initializer_list<TBytes> parts);
TBytes Text(std::string_view text);
TBytes PlainFrame(uint8_t seq, const TBytes& payload);
// A compressed frame holding `payload`; `deflate` chooses zlib data or raw bytes (length 0).
TBytes CompressedFrame(uint8_t seq, const TBytes& payload, bool deflate);
TBytes LengthCode(uint64_t value);
TBytes LengthText(std::string_view text);

struct TGreetingFields {
    uint8_t Protocol = 10;
    std::string Version = "5.5.5-10.11.19-MariaDB-0+deb12u1";
    uint32_t ThreadId = 5;
    std::string Seed = "dI!f`1pb";
    uint16_t Capabilities = 0xF7FE;
    uint8_t Charset = 8;
    uint16_t Status = 2;
};
TBytes Greeting(const TGreetingFields& greeting = {});
TBytes OkPacket(uint64_t affected = 0, uint64_t insertId = 0, uint16_t status = 2,
                std::string_view info = {});
TBytes ErrorPacket(uint16_t code, std::string_view text);
TBytes FieldPacket(std::string_view table, std::string_view name, uint32_t length, uint8_t type,
                   uint16_t flags = 0, uint8_t decimals = 0);
TBytes RowPacket(const std::vector<std::optional<std::string>>& values);
TBytes EndMarker();

// Payload of a plain packet recorded whole by ReceivePacket.
TBytes PayloadOf(const TBytes& packet);

}  // namespace varnimo::mysql::testing
