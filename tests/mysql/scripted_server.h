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

using Bytes = std::vector<uint8_t>;

class ServerPipe;

// Where the server listens: a loopback TCP port, or (on Windows) the local pipe named MySQL.
enum class ListenOn { Loopback, NamedPipe };

class ScriptedServer {
  public:
    explicit ScriptedServer(ListenOn where = ListenOn::Loopback);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    int Port() const { return port_; }

    // Script steps, run in order once Start is called. The first step waits for a client.
    ScriptedServer& Send(Bytes bytes);
    ScriptedServer& SendPacket(uint8_t seq, const Bytes& payload);
    // Reads exactly `count` bytes and records them as one entry of Received().
    ScriptedServer& Receive(std::size_t count);
    // Reads one plain packet (header and payload) and records it whole.
    ScriptedServer& ReceivePacket();
    // Reads one compressed frame (7-byte header and payload) and records it whole.
    ScriptedServer& ReceiveFrame();
    ScriptedServer& Pause(int millis);
    // Closes the client's connection.
    ScriptedServer& Disconnect();
    // Waits for the next client connection (after Disconnect, or to serve a reconnect).
    ScriptedServer& Accept();

    void Start();
    // Waits for the script's end; then records what the client still sends until it closes
    // its side (at most `drain_millis`) in Trailing().
    void Finish(int drain_millis = 2000);

    const std::vector<Bytes>& Received() const { return received_; }
    const Bytes& Trailing() const { return trailing_; }
    // Empty when every step ran; otherwise what went wrong first.
    const std::string& Failure() const { return failure_; }
    // A client is waiting to be accepted that no step of the script took.
    bool HasWaitingClient() const;
    // Total bytes read by Receive steps and the drain.
    std::size_t BytesReceived() const { return bytes_received_; }

  private:
    struct Step {
        enum class Kind { Send, Receive, ReceivePacket, ReceiveFrame, Pause, Disconnect, Accept };
        Kind what;
        Bytes bytes;
        std::size_t count = 0;
    };

    void Run(int drain_millis);
    bool AcceptClient();
    // Bytes read, 0 when the client closed, -1 on failure, -2 when nothing came within
    // `millis`.
    long ReadWithin(uint8_t* to, std::size_t count, int millis);
    bool ReadExactly(uint8_t* to, std::size_t count);
    bool WriteAll(const Bytes& bytes);
    void CloseClient();
    void Fail(std::string why);

    int listener_ = -1;
    int client_ = -1;
    std::unique_ptr<ServerPipe> pipe_;
    int port_ = 0;
    std::vector<Step> steps_;
    std::vector<Bytes> received_;
    Bytes trailing_;
    std::string failure_;
    std::size_t bytes_received_ = 0;
    std::thread thread_;
    std::atomic<int> drain_millis_{2000};
    bool started_ = false;
    bool finished_ = false;
};

// --- packet builders for scripts ---

Bytes FromHex(std::string_view hex);
Bytes Concat(std::initializer_list<Bytes> parts);
Bytes Text(std::string_view text);
Bytes PlainFrame(uint8_t seq, const Bytes& payload);
// A compressed frame holding `payload`; `deflate` chooses zlib data or raw bytes (length 0).
Bytes CompressedFrame(uint8_t seq, const Bytes& payload, bool deflate);
Bytes LengthCode(uint64_t value);
Bytes LengthText(std::string_view text);

struct GreetingFields {
    uint8_t protocol = 10;
    std::string version = "5.5.5-10.11.19-MariaDB-0+deb12u1";
    uint32_t thread_id = 5;
    std::string seed = "dI!f`1pb";
    uint16_t capabilities = 0xF7FE;
    uint8_t charset = 8;
    uint16_t status = 2;
};
Bytes Greeting(const GreetingFields& greeting = {});
Bytes OkPacket(uint64_t affected = 0, uint64_t insert_id = 0, uint16_t status = 2,
               std::string_view info = {});
Bytes ErrorPacket(uint16_t code, std::string_view text);
Bytes FieldPacket(std::string_view table, std::string_view name, uint32_t length, uint8_t type,
                  uint16_t flags = 0, uint8_t decimals = 0);
Bytes RowPacket(const std::vector<std::optional<std::string>>& values);
Bytes EndMarker();

// Payload of a plain packet recorded whole by ReceivePacket.
Bytes PayloadOf(const Bytes& packet);

}  // namespace varnimo::mysql::testing
