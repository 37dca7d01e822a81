// The client against peers that misbehave at the socket level: a server that takes the
// connection and never speaks, one that falls silent after the greeting or in the middle of a
// query, and one that resets the connection at each step of the login. Every case must end in
// the documented error within the timeout, leave the connection closed, and leave the client
// able to connect to a good server afterwards.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "../support/test_sockets.h"
#include "mysql/client.h"
#include "mysql/errors.h"
#include "scripted_server.h"

namespace varnimo::mysql {
namespace {

using namespace testing;
using varnimo::testing::AcceptOn;
using varnimo::testing::CloseSocket;
using varnimo::testing::OpenSocket;
using varnimo::testing::PollOne;
using varnimo::testing::ReceiveSome;
using varnimo::testing::SendSome;
using varnimo::testing::SetOption;
using varnimo::testing::socklen_t;
using Clock = std::chrono::steady_clock;

// A loopback peer that runs `script` on the accepted connection on its own thread and then
// resets it (RST, not an orderly close) unless the script closed it already.
class ResettingPeer {
  public:
    using Script = std::function<void(int fd)>;
    explicit ResettingPeer(Script script) {
        listener_ = OpenSocket();
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(listener_, 1), 0);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, script = std::move(script)] {
            if (PollOne(listener_, POLLIN, 10000) != 1) {
                return;
            }
            int fd = AcceptOn(listener_);
            if (fd < 0) {
                return;
            }
            script(fd);
            linger reset{1, 0};
            SetOption(fd, SOL_SOCKET, SO_LINGER, reset);
            CloseSocket(fd);
        });
    }
    ~ResettingPeer() {
        thread_.join();
        CloseSocket(listener_);
    }
    int Port() const { return port_; }

    static void SendAll(int fd, const Bytes& bytes) {
        ASSERT_EQ(SendSome(fd, bytes.data(), bytes.size()), static_cast<long>(bytes.size()));
    }
    // Reads one plain packet; false when the client closed or sent nothing within 10 s.
    static bool ReadPacket(int fd) {
        uint8_t header[4];
        if (!ReadExactly(fd, header, 4)) {
            return false;
        }
        std::size_t length = header[0] | (header[1] << 8) | (header[2] << 16);
        std::vector<uint8_t> payload(length);
        return ReadExactly(fd, payload.data(), length);
    }

  private:
    static bool ReadExactly(int fd, uint8_t* to, std::size_t count) {
        std::size_t got = 0;
        while (got < count) {
            if (PollOne(fd, POLLIN, 10000) != 1) {
                return false;
            }
            long n = ReceiveSome(fd, to + got, count - got);
            if (n <= 0) {
                return false;
            }
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
};

std::unique_ptr<Client> NewClient(int port, int timeout, const std::string& password = "") {
    auto client = std::make_unique<Client>();
    client->SetServerHost("127.0.0.1");
    client->SetPort(port);
    client->SetConnectTimeout(timeout);
    client->SetAutoReconnect(false);
    client->SetUseCompression(false);
    client->SetUserName("pubaccount");
    client->SetUserPassword(password);
    return client;
}

// After a fault, the same client object logs in to a good server and runs a query.
void ExpectUsableAfterwards(Client& client) {
    ScriptedServer good;
    good.SendPacket(0, Greeting())
        .ReceivePacket()
        .SendPacket(2, OkPacket())
        .ReceivePacket()
        .SendPacket(1, OkPacket(3));
    good.Start();
    client.SetPort(good.Port());
    ASSERT_TRUE(client.OpenConnection()) << client.LastErrorText();
    EXPECT_EQ(client.RunQuery("DELETE FROM t", true).status, QueryStatus::NoResultSet);
    EXPECT_EQ(client.AffectedRows(), 3u);
    good.Finish(200);
    EXPECT_EQ(good.Failure(), "");
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(SilentServer, ConnectWaitsTheTimeoutThenReportsCantConnect) {
    ScriptedServer silent;
    silent.Pause(4000);
    silent.Start();
    auto client = NewClient(silent.Port(), 1);
    const auto start = Clock::now();
    EXPECT_FALSE(client->OpenConnection());
    const double waited = SecondsSince(start);
    EXPECT_GE(waited, 0.9);
    EXPECT_LT(waited, 3.5);  // bounded by the timeout, not by the peer
    EXPECT_EQ(client->LastErrorCode(), kErrConnectionFailed);
    EXPECT_EQ(client->LastErrorText(), "Can't connect to MySQL server on '127.0.0.1' (" +
                                           std::to_string(varnimo::testing::kTimedOut) + ")");
    EXPECT_FALSE(client->IsConnectionOpen());
    silent.Finish(0);
    ExpectUsableAfterwards(*client);
}

TEST(SilentServer, SilenceAfterTheGreetingOrDuringAQueryIsALostConnection) {
    {
        ScriptedServer server;
        server.SendPacket(0, Greeting()).ReceivePacket().Pause(4000);
        server.Start();
        auto client = NewClient(server.Port(), 1);
        const auto start = Clock::now();
        EXPECT_FALSE(client->OpenConnection());
        EXPECT_GE(SecondsSince(start), 0.9);
        EXPECT_LT(SecondsSince(start), 3.5);
        EXPECT_EQ(client->LastErrorCode(), kErrServerLost);
        EXPECT_EQ(client->LastErrorText(), "Lost connection to MySQL server during query");
        EXPECT_FALSE(client->IsConnectionOpen());
        server.Finish(0);
    }
    {
        ScriptedServer server;
        server.SendPacket(0, Greeting())
            .ReceivePacket()
            .SendPacket(2, OkPacket())
            .ReceivePacket()
            // The header and the first field, then nothing more.
            .SendPacket(1, LengthCode(2))
            .SendPacket(2, FieldPacket("t", "a", 10, 253))
            .Pause(4000);
        server.Start();
        auto client = NewClient(server.Port(), 1);
        ASSERT_TRUE(client->OpenConnection());
        const auto start = Clock::now();
        EXPECT_EQ(client->RunQuery("SELECT a, b FROM t", true).status, QueryStatus::Failed);
        EXPECT_GE(SecondsSince(start), 0.9);
        EXPECT_LT(SecondsSince(start), 3.5);
        EXPECT_EQ(client->LastErrorCode(), kErrServerLost);
        EXPECT_FALSE(client->IsConnectionOpen());
        EXPECT_EQ(client->Status(), ClientStatus::Ready);
        server.Finish(0);
        ExpectUsableAfterwards(*client);
    }
}

// Each step of the login, with the connection reset right after it.
TEST(ConnectionReset, AtEachStepOfTheLoginEndsInALostConnection) {
    const std::vector<std::pair<const char*, ResettingPeer::Script>> cases = {
        {"before the greeting", [](int) {}},
        {"inside the greeting",
         [](int fd) {
             Bytes greeting = PlainFrame(0, Greeting());
             greeting.resize(greeting.size() / 2);
             ResettingPeer::SendAll(fd, greeting);
             // Let the client take the first half (the connect is made) before the reset.
             std::this_thread::sleep_for(std::chrono::milliseconds(300));
         }},
        {"after the login packet",
         [](int fd) {
             ResettingPeer::SendAll(fd, PlainFrame(0, Greeting()));
             ResettingPeer::ReadPacket(fd);
         }},
        {"after asking for the old scramble",
         [](int fd) {
             ResettingPeer::SendAll(fd, PlainFrame(0, Greeting()));
             ResettingPeer::ReadPacket(fd);
             ResettingPeer::SendAll(
                 fd, PlainFrame(2, Concat({FromHex("fe"), Text("mysql_old_password"), FromHex("00"),
                                           Text("abcdefgh"), FromHex("00")})));
             ResettingPeer::ReadPacket(fd);
         }},
    };
    for (const auto& [when, script] : cases) {
        SCOPED_TRACE(when);
        ResettingPeer peer(script);
        auto client = NewClient(peer.Port(), 5, "kobal");
        const auto start = Clock::now();
        EXPECT_FALSE(client->OpenConnection());
        EXPECT_LT(SecondsSince(start), 4.0);  // a reset is noticed at once, not at the timeout
        const int32_t code = client->LastErrorCode();
        // A reset before the server's first byte can already fail the connect itself.
        if (code == kErrConnectionFailed) {
            EXPECT_STREQ(when, "before the greeting");
        } else {
            EXPECT_EQ(code, kErrServerLost);
            EXPECT_EQ(client->LastErrorText(), "Lost connection to MySQL server during query");
        }
        EXPECT_FALSE(client->IsConnectionOpen());
        ExpectUsableAfterwards(*client);
    }
}

}  // namespace
}  // namespace varnimo::mysql
