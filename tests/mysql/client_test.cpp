// The connection and result classes against the scripted server: greetings of every shape,
// the login exchange, replies that break the rules, local files, and command ordering.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "mysql/client.h"
#include "mysql/errors.h"
#include "scripted_server.h"

namespace varnimo::mysql {
namespace {

using namespace testing;
using ::testing::HasSubstr;

constexpr std::size_t kVersionLength = 32;  // of GreetingFields's version text

void Aim(Client& client, const ScriptedServer& server) {
    client.SetServerHost("127.0.0.1");
    client.SetPort(server.Port());
    client.SetConnectTimeout(5);
    client.SetUseCompression(false);
    client.SetAutoReconnect(false);
}

void AimAndOpen(Client& client, const ScriptedServer& server) {
    Aim(client, server);
    ASSERT_TRUE(client.OpenConnection()) << client.LastErrorText();
}

// Greeting, login packet, OK.
ScriptedServer& Login(ScriptedServer& server, const GreetingFields& greeting = {}) {
    return server.SendPacket(0, Greeting(greeting)).ReceivePacket().SendPacket(2, OkPacket());
}

Bytes Cut(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

TEST(Handshake, LoginPacketThenInitDbWhenTheServerCannotTakeTheDatabase) {
    GreetingFields greeting;
    greeting.capabilities = 0xF7F6;  // no connect-with-database
    ScriptedServer server;
    Login(server, greeting).ReceivePacket().SendPacket(1, OkPacket());
    server.Start();
    Client client;
    Aim(client, server);
    client.SetUserName("pubaccount");
    client.SetUserPassword("kobal");
    client.SetDatabaseName("varnimo");
    ASSERT_TRUE(client.OpenConnection()) << client.LastErrorText();
    EXPECT_EQ(client.ThreadId(), 5u);
    EXPECT_EQ(client.ServerVersion(), greeting.version);
    EXPECT_EQ(client.ClientFlags(), 0x208Du);
    EXPECT_TRUE(client.OpenConnection());  // already open: nothing sent
    client.CloseConnection();
    server.Finish();
    ASSERT_EQ(server.Failure(), "");
    EXPECT_EQ(server.Received()[0], Concat({FromHex("1a 00 00 01 8d 20 00 00 00"),
                                            Text("pubaccount"),
                                            {0},
                                            Text("HLHDZZVC"),
                                            {0, 0}}));
    EXPECT_EQ(server.Received()[1], Concat({FromHex("08 00 00 00 02"), Text("varnimo")}));
    EXPECT_EQ(server.Trailing(), FromHex("01 00 00 00 01"));  // the quit command
}

TEST(Handshake, ProtocolNineIsSpokenElevenRefused) {
    GreetingFields nine;
    nine.protocol = 9;
    ScriptedServer old;
    Login(old, nine).ReceivePacket().SendPacket(1, ErrorPacket(1045, "denied"));
    old.Start();
    Client client;
    Aim(client, old);
    ASSERT_TRUE(client.OpenConnection());
    EXPECT_FALSE(client.Ping());
    EXPECT_EQ(client.LastErrorCode(), kErrUnknown);
    EXPECT_EQ(client.LastErrorText(),
              "\x15\x04"
              "denied");
    EXPECT_TRUE(client.IsConnectionOpen());

    GreetingFields eleven;
    eleven.protocol = 11;
    ScriptedServer future;
    future.SendPacket(0, Greeting(eleven));
    future.Start();
    Client other;
    Aim(other, future);
    EXPECT_FALSE(other.OpenConnection());
    EXPECT_EQ(other.LastErrorCode(), kErrVersion);
    EXPECT_EQ(other.LastErrorText(), "Protocol mismatch. Server Version = 11 Client Version = 10");
    EXPECT_FALSE(other.IsConnectionOpen());
}

TEST(Handshake, ShortGreetingsKeepWhatTheyDoNotHold) {
    GreetingFields greeting;
    greeting.charset = 33;
    greeting.status = 3;
    struct Case {
        std::size_t size;
        uint32_t caps;
        uint32_t language;
        uint32_t status;
    };
    for (const Case& c :
         {Case{kVersionLength + 15, 0, 0, 2}, Case{kVersionLength + 32, 0xF7FE, 0, 2},
          Case{kVersionLength + 33, 0xF7FE, 33, 3}}) {
        ScriptedServer server;
        server.SendPacket(0, Cut(Greeting(greeting), c.size))
            .ReceivePacket()
            .SendPacket(2, OkPacket());
        server.Start();
        Client client;
        Aim(client, server);
        ASSERT_TRUE(client.OpenConnection()) << c.size;
        EXPECT_EQ(client.ServerCapabilities(), c.caps) << c.size;
        EXPECT_EQ(client.ServerLanguage(), c.language) << c.size;
        EXPECT_EQ(client.ServerStatus(), c.status) << c.size;
        EXPECT_EQ(client.ScrambleSeed(), "dI!f`1pb");
    }
    // A version text without its zero byte: the handshake fails, nothing is read past it.
    ScriptedServer broken;
    broken.SendPacket(0, Concat({{10}, Text("5.5.5-no-end")}));
    broken.Start();
    Client client;
    Aim(client, broken);
    EXPECT_FALSE(client.OpenConnection());
    EXPECT_EQ(client.LastErrorCode(), kErrServerHandshake);
    EXPECT_FALSE(client.IsConnectionOpen());
}

TEST(Handshake, OldPasswordRequestIsAnswered) {
    Bytes named =
        Concat({{0xFE}, Text("mysql_old_password"), {0}, Text("dI!f`1pbwTz,gCZxpHVW"), {0}});
    for (const Bytes& request : {named, Bytes{0xFE}}) {
        ScriptedServer server;
        server.SendPacket(0, Greeting())
            .ReceivePacket()
            .SendPacket(2, request)
            .ReceivePacket()
            .SendPacket(4, OkPacket())
            .ReceivePacket()
            .SendPacket(1, OkPacket());
        server.Start();
        Client client;
        Aim(client, server);
        client.SetUserName("pubaccount");
        client.SetUserPassword("kobal");
        ASSERT_TRUE(client.OpenConnection()) << client.LastErrorText();
        // The next command goes through: the exchange did not leave the packets out of order.
        EXPECT_TRUE(client.Ping()) << client.LastErrorText();
        client.CloseConnection();
        server.Finish();
        ASSERT_EQ(server.Failure(), "");
        EXPECT_EQ(server.Received()[1], Concat({FromHex("09 00 00 03"), Text("HLHDZZVC"), {0}}));
    }
}

TEST(Handshake, OtherAuthenticationMethodFailsClearly) {
    ScriptedServer server;
    server.SendPacket(0, Greeting())
        .ReceivePacket()
        .SendPacket(
            2,
            Concat(
                {{0xFE}, Text("caching_sha2_password"), {0}, Text("12345678901234567890"), {0}}));
    server.Start();
    Client client;
    Aim(client, server);
    client.SetUserName("someone");
    client.SetUserPassword("secret");
    EXPECT_FALSE(client.OpenConnection());
    EXPECT_EQ(client.LastErrorCode(), kErrServerHandshake);
    EXPECT_THAT(client.LastErrorText(), HasSubstr("'caching_sha2_password'"));
    EXPECT_FALSE(client.IsConnectionOpen());
    server.Finish();
    EXPECT_TRUE(server.Trailing().empty());
}

TEST(Handshake, EmptyHostIsNoConnection) {
    Client client;
    EXPECT_FALSE(client.OpenConnection());
    EXPECT_EQ(client.LastErrorCode(), 0);
}

// A 2-column result set header with its fields (sequence numbers 1 to 4; rows go on at 5).
ScriptedServer& ResultHeader(ScriptedServer& server) {
    return server.ReceivePacket()
        .SendPacket(1, {2})
        .SendPacket(2, FieldPacket("t", "id", 11, 3))
        .SendPacket(3, FieldPacket("t", "name", 300, 253))
        .SendPacket(4, EndMarker());
}

TEST(Results, BufferedAndUnbufferedReadTheSameRows) {
    for (bool store_all : {true, false}) {
        ScriptedServer server;
        Login(server);
        ResultHeader(server)
            .SendPacket(5, RowPacket({"1", std::string(300, 'n')}))
            .SendPacket(6, RowPacket({std::nullopt, ""}))
            .SendPacket(7, RowPacket({"3", "c"}))
            .SendPacket(8, EndMarker());
        server.Start();
        Client client;
        AimAndOpen(client, server);
        QueryReply reply = client.RunQuery("SELECT id, name FROM t", store_all);
        ASSERT_EQ(reply.status, QueryStatus::ResultSet) << client.LastErrorText();
        auto& result = reply.result;
        ASSERT_EQ(result->ColumnCount(), 2);
        EXPECT_EQ(result->Fields()[1].name, "name");
        EXPECT_EQ(result->Fields()[0].flags & 0x8000, 0x8000u);
        EXPECT_EQ(result->Fields()[1].max_length, store_all ? 300u : 0u);
        EXPECT_EQ(client.Status(), store_all ? ClientStatus::Ready : ClientStatus::UsingRows);
        std::vector<std::string> seen;
        while (!result->AtEnd()) {
            const char* id = result->ColumnText(0);
            const char* name = result->ColumnText(1);
            seen.push_back(std::string(id ? id : "<none>") + "|" +
                           (name ? std::to_string(std::strlen(name)) : "<none>"));
            EXPECT_EQ(result->ColumnText(-1), nullptr);
            EXPECT_EQ(result->ColumnText(2), nullptr);
            result->FetchRow();
        }
        EXPECT_EQ(seen, (std::vector<std::string>{"1|300", "<none>|<none>", "3|1"}));
        EXPECT_EQ(result->RowCount(), 3u);
        EXPECT_STREQ(result->ColumnText(0), "3");  // the last row stays visible
        EXPECT_EQ(client.Status(), ClientStatus::Ready);
        EXPECT_EQ(client.AffectedRows(), 3u);
    }
}

TEST(Results, RowShorterThanItsColumnsIsALostConnection) {
    for (bool store_all : {true, false}) {
        ScriptedServer server;
        Login(server);
        ResultHeader(server).SendPacket(5, RowPacket({"1"})).SendPacket(6, EndMarker());
        server.Start();
        Client client;
        AimAndOpen(client, server);
        auto result = client.RunQuery("SELECT id, name FROM t", store_all).result;
        if (result) {
            EXPECT_TRUE(result->AtEnd());
            EXPECT_EQ(result->LastFetch(), RowStatus::Failed);
            EXPECT_EQ(result->ColumnText(0), nullptr);
        }
        EXPECT_EQ(client.LastErrorCode(), kErrServerLost) << store_all;
        EXPECT_FALSE(client.IsConnectionOpen());
        EXPECT_EQ(client.Status(), ClientStatus::Ready);
    }
}

TEST(Results, ReplyCutInsideANumberIsALostConnection) {
    ScriptedServer server;
    Login(server).ReceivePacket().SendPacket(1, FromHex("00 fc 01"));
    server.Start();
    Client client;
    AimAndOpen(client, server);
    EXPECT_EQ(client.RunQuery("DO 1", true).status, QueryStatus::Failed);
    EXPECT_EQ(client.LastErrorCode(), kErrServerLost);
    EXPECT_FALSE(client.IsConnectionOpen());
}

// A header may announce any number of columns; one that announces more than any result has
// must not make the client set aside room for them.
TEST(Results, HeaderAnnouncingAbsurdlyManyColumnsIsALostConnection) {
    for (uint64_t columns : {uint64_t{65536}, uint64_t{0x7FFFFFFF}, uint64_t{1} << 40}) {
        ScriptedServer server;
        Login(server).ReceivePacket().SendPacket(1, LengthCode(columns)).SendPacket(2, EndMarker());
        server.Start();
        Client client;
        AimAndOpen(client, server);
        EXPECT_EQ(client.RunQuery("SELECT *", false).status, QueryStatus::Failed) << columns;
        EXPECT_EQ(client.LastErrorCode(), kErrServerLost) << columns;
        EXPECT_FALSE(client.IsConnectionOpen());
        EXPECT_TRUE(client.Fields().empty());
    }
}

// What one result holds in memory is bounded: its column descriptions together to 16 MiB, the
// rows of a buffered result to MaxBufferedBytes. A server that sends more fails the query with
// 2008, and the rest of its reply is not read.
TEST(Results, MemoryHeldForOneResultIsBounded) {
    const std::string huge(9 << 20, 'n');
    Bytes rows = Concat({PlainFrame(1, {1}), PlainFrame(2, FieldPacket("t", "a", 1000, 253)),
                         PlainFrame(3, EndMarker())});
    for (uint8_t seq = 4; seq < 40; ++seq) {
        rows = Concat({rows, PlainFrame(seq, RowPacket({std::string(1000, 'r')}))});
    }
    struct Case {
        const char* name;
        Bytes reply;
        QueryStatus status;
    };
    const Case cases[] = {
        {"descriptions",
         Concat({PlainFrame(1, {2}), PlainFrame(2, FieldPacket("t", huge, 1, 253)),
                 PlainFrame(3, FieldPacket("t", huge, 1, 253)), PlainFrame(4, EndMarker())}),
         QueryStatus::Failed},
        {"buffered rows", Concat({rows, PlainFrame(40, EndMarker())}), QueryStatus::ResultLost},
    };
    for (const Case& c : cases) {
        ScriptedServer server;
        Login(server).ReceivePacket().Send(c.reply);
        server.Start();
        Client client;
        client.SetMaxBufferedBytes(16 << 10);
        AimAndOpen(client, server);
        EXPECT_EQ(client.RunQuery("SELECT *", true).status, c.status) << c.name;
        EXPECT_EQ(client.LastErrorCode(), kErrOutOfMemory) << c.name;
        EXPECT_FALSE(client.IsConnectionOpen()) << c.name;
        EXPECT_EQ(client.Status(), ClientStatus::Ready) << c.name;
        EXPECT_TRUE(client.Fields().empty()) << c.name;
    }
}

// Column descriptions are five length-coded texts whose binary parts may hold zero bytes or be
// cut short; a server that describes fewer columns than announced leaves the rest zeroed, one
// that describes more has broken the reply.
TEST(Results, ColumnDescriptionsAreUnpackedFromTheirTexts) {
    ScriptedServer server;
    Login(server)
        .ReceivePacket()
        .SendPacket(1, {3})
        .SendPacket(2, FieldPacket("t", "stamp", 14, 7))  // timestamp of length 14
        .SendPacket(3, RowPacket({"t", "short", "\x05", "\x0d", std::nullopt}))  // year, cut short
        .SendPacket(4, EndMarker())
        .SendPacket(5, EndMarker());
    server.Start();
    Client client;
    AimAndOpen(client, server);
    auto result = client.RunQuery("SELECT *", true).result;
    ASSERT_TRUE(result) << client.LastErrorText();
    ASSERT_EQ(result->Fields().size(), 3u);
    EXPECT_EQ(result->Fields()[0].length, 14u);
    EXPECT_EQ(result->Fields()[0].flags, 0x8000u);
    EXPECT_EQ(result->Fields()[1].name, "short");
    EXPECT_EQ(result->Fields()[1].length, 5u);
    EXPECT_EQ(result->Fields()[1].type, 13u);
    EXPECT_EQ(result->Fields()[1].flags, 0x8000u);
    EXPECT_EQ(result->Fields()[2].name, "");
    EXPECT_EQ(result->Fields()[2].type, 0u);
    EXPECT_TRUE(result->AtEnd());

    // The announced count bounds the descriptions read: where the end marker belongs, a
    // second description ends the reply, and nothing behind it is read (here a server error
    // that would otherwise be reported, after more descriptions that could go on for ever).
    const Bytes more = FieldPacket("t", "c", 11, 3);
    for (bool endless : {false, true}) {
        ScriptedServer too_many;
        Login(too_many)
            .ReceivePacket()
            .SendPacket(1, {1})
            .SendPacket(2, FieldPacket("t", "a", 11, 3))
            .SendPacket(3, FieldPacket("t", "b", 11, 3));
        if (endless) {
            too_many.SendPacket(4, more).SendPacket(5, more).SendPacket(6, ErrorPacket(1105, "x"));
        } else {
            too_many.SendPacket(4, EndMarker());
        }
        too_many.Start();
        Client other;
        AimAndOpen(other, too_many);
        EXPECT_EQ(other.RunQuery("SELECT *", endless).status, QueryStatus::Failed);
        EXPECT_EQ(other.LastErrorCode(), kErrServerLost) << endless;
        EXPECT_FALSE(other.IsConnectionOpen());
        EXPECT_TRUE(other.Fields().empty());
        EXPECT_EQ(other.Status(), ClientStatus::Ready);
    }
}

TEST(Results, OkReplyWithoutTransactionsCapability) {
    GreetingFields greeting;
    greeting.capabilities = 0xD7FE;  // no transactions: no status bytes in OK packets
    ScriptedServer server;
    Login(server, greeting).ReceivePacket().SendPacket(1, Concat({{0, 4, 9}, LengthText("done")}));
    server.Start();
    Client client;
    AimAndOpen(client, server);
    EXPECT_EQ(client.RunQuery("UPDATE t SET x = 1", true).status, QueryStatus::NoResultSet);
    EXPECT_EQ(client.AffectedRows(), 4u);
    EXPECT_EQ(client.InsertId(), 9u);
    EXPECT_EQ(client.Info(), "done");
}

TEST(Results, UnbufferedResultBlocksCommandsUntilFreed) {
    ScriptedServer server;
    Login(server);
    ResultHeader(server)
        .SendPacket(5, RowPacket({"1", "a"}))
        .SendPacket(6, RowPacket({"2", "b"}))
        .SendPacket(7, RowPacket({"3", "c"}))
        .SendPacket(8, EndMarker())
        .ReceivePacket()
        .SendPacket(1, OkPacket(7));
    server.Start();
    Client client;
    AimAndOpen(client, server);
    auto first = client.RunQuery("SELECT id, name FROM t", false).result;
    ASSERT_TRUE(first);
    EXPECT_STREQ(first->ColumnText(1), "a");
    EXPECT_EQ(client.RunQuery("DELETE FROM t", false).status, QueryStatus::Failed);
    EXPECT_EQ(client.LastErrorCode(), kErrCommandsOutOfSync);
    first.reset();  // reads the rest of the rows away
    EXPECT_EQ(client.Status(), ClientStatus::Ready);
    EXPECT_EQ(client.RunQuery("DELETE FROM t", false).status, QueryStatus::NoResultSet);
    EXPECT_EQ(client.AffectedRows(), 7u);
}

TEST(LocalFiles, RefusedUnlessAllowed) {
    std::string path = ::testing::TempDir() + "varnimo_local_file.txt";
    {
        std::ofstream out(path, std::ios::binary);
        out << "line one\nline two\n";
    }
    Bytes request = Concat({{0xFB}, Text(path)});

    ScriptedServer refused;
    Login(refused).ReceivePacket().SendPacket(1, request).ReceivePacket().SendPacket(3, OkPacket());
    refused.Start();
    Client client;
    AimAndOpen(client, refused);
    EXPECT_EQ(client.RunQuery("LOAD DATA LOCAL INFILE 'x' INTO TABLE t", false).status,
              QueryStatus::Failed);
    EXPECT_NE(client.LastErrorCode(), 0);
    EXPECT_THAT(client.LastErrorText(), HasSubstr("not allowed"));
    EXPECT_TRUE(client.IsConnectionOpen());
    client.CloseConnection();
    refused.Finish();
    ASSERT_EQ(refused.Failure(), "");
    EXPECT_EQ(refused.Received()[2], FromHex("00 00 00 02"));  // the empty packet, no bytes

    ScriptedServer allowed;
    Login(allowed)
        .ReceivePacket()
        .SendPacket(1, request)
        .ReceivePacket()
        .ReceivePacket()
        .SendPacket(4, OkPacket(2));
    allowed.Start();
    Client trusting;
    AimAndOpen(trusting, allowed);
    trusting.SetAllowLocalFiles(true);
    EXPECT_EQ(trusting.RunQuery("LOAD DATA LOCAL INFILE 'x' INTO TABLE t", false).status,
              QueryStatus::NoResultSet)
        << trusting.LastErrorText();
    EXPECT_EQ(trusting.AffectedRows(), 2u);
    trusting.CloseConnection();
    allowed.Finish();
    ASSERT_EQ(allowed.Failure(), "");
    EXPECT_EQ(allowed.Received()[2], PlainFrame(2, Text("line one\nline two\n")));
    EXPECT_EQ(allowed.Received()[3], FromHex("00 00 00 03"));
    std::remove(path.c_str());
}

// A file that cannot be opened or read still ends the server's wait with the empty packet;
// the query fails with the file's own code and text.
TEST(LocalFiles, MissingOrUnreadableFileIsReportedAfterTheEmptyPacket) {
    const std::string missing = ::testing::TempDir() + "varnimo_no_such_file.txt";
    std::remove(missing.c_str());
    const std::string folder = ::testing::TempDir();
    struct Case {
        std::string path;
        int32_t code;
        std::string text;
    };
    const Case cases[] = {
        {missing, 0, "File '" + missing + "' not found (Errcode: " + std::to_string(ENOENT) + ")"},
#if defined(_WIN32)
        // Windows refuses to open a folder as a file.
        {folder, 0, "File '" + folder + "' not found (Errcode: " + std::to_string(EACCES) + ")"},
#else
        // A folder opens, but cannot be read.
        {folder, 2,
         "Error reading file '" + folder + "' (Errcode: " + std::to_string(EISDIR) + ")"},
#endif
    };
    for (const Case& c : cases) {
        ScriptedServer server;
        Login(server)
            .ReceivePacket()
            .SendPacket(1, Concat({{0xFB}, Text(c.path)}))
            .ReceivePacket()
            .SendPacket(3, OkPacket());
        server.Start();
        Client client;
        AimAndOpen(client, server);
        client.SetAllowLocalFiles(true);
        EXPECT_EQ(client.RunQuery("LOAD DATA LOCAL INFILE 'x' INTO TABLE t", false).status,
                  QueryStatus::Failed);
        EXPECT_EQ(client.LastErrorCode(), c.code);
        EXPECT_EQ(client.LastErrorText(), c.text);
        EXPECT_TRUE(client.IsConnectionOpen());
        client.CloseConnection();
        server.Finish();
        ASSERT_EQ(server.Failure(), "") << c.path;
        EXPECT_EQ(server.Received()[2], FromHex("00 00 00 02")) << c.path;
    }
}

TEST(Reconnect, PingReconnectsAfterTheServerClosed) {
    ScriptedServer server;
    Login(server)
        .ReceivePacket()
        .Disconnect()
        .Accept()
        .SendPacket(0, Greeting())
        .ReceivePacket()
        .SendPacket(2, OkPacket())
        .ReceivePacket()
        .SendPacket(1, OkPacket());
    server.Start();
    Client client;
    Aim(client, server);
    client.SetAutoReconnect(true);
    ASSERT_TRUE(client.OpenConnection());
    EXPECT_TRUE(client.Ping()) << client.LastErrorText();
    EXPECT_EQ(client.LastErrorCode(), 0);
    client.CloseConnection();
    server.Finish();
    EXPECT_EQ(server.Failure(), "");
}

// A command that cannot be written (the client's own side of the socket is shut, so every
// send fails at once) closes the connection, reconnects and writes it again; when that is not
// possible the result is 2006. No reconnect happens inside a transaction: the flag is cleared
// instead, and the next command reconnects.
TEST(Reconnect, FailedCommandWriteReconnectsAndResendsOrIsGone) {
    struct Case {
        const char* name;
        bool in_transaction;
        bool server_takes_reconnect;
    };
    for (const Case& c : {Case{"reconnect and resend", false, true},
                          Case{"nobody answers the reconnect", false, false},
                          Case{"in a transaction", true, true}}) {
        ScriptedServer server;
        Login(server);
        if (c.in_transaction) {
            server.ReceivePacket().SendPacket(1, OkPacket(0, 0, 0x0001));
        }
        if (c.server_takes_reconnect) {
            Login(server.Accept()).ReceivePacket().SendPacket(1, OkPacket());
        }
        server.Start();
        Client client;
        AimAndOpen(client, server);
        client.SetConnectTimeout(1);
        if (c.in_transaction) {
            ASSERT_EQ(client.RunQuery("BEGIN", false).status, QueryStatus::NoResultSet)
                << client.LastErrorText();
            ASSERT_EQ(client.ServerStatus() & 0x0001, 0x0001u);
        }
        client.SetAutoReconnect(true);
#if defined(_WIN32)
        ::shutdown(static_cast<SOCKET>(client.Channel().TransportLayer().Socket()), SD_SEND);
#else
        ::shutdown(client.Channel().TransportLayer().Socket(), SHUT_WR);
#endif
        const bool resent = !c.in_transaction && c.server_takes_reconnect;
        EXPECT_EQ(client.Ping(), resent) << c.name;
        if (!resent) {
            EXPECT_EQ(client.LastErrorCode(), kErrServerGone) << c.name;
            EXPECT_EQ(client.LastErrorText(), "MySQL server has gone away") << c.name;
            EXPECT_FALSE(client.IsConnectionOpen()) << c.name;
            EXPECT_EQ(client.ServerStatus() & 0x0001, 0u) << c.name;
        }
        if (c.in_transaction) {
            EXPECT_TRUE(client.Ping()) << client.LastErrorText();  // the flag is gone
        }
        client.CloseConnection();
        server.Finish(200);
        EXPECT_EQ(server.Failure(), "") << c.name;
    }
}

TEST(Connection, NamedPipeFallsBackToTcpOrFails) {
    ScriptedServer server;
    Login(server);
    server.Start();
    Client client;
    Aim(client, server);
    client.SetUseNamedPipe(true);
    client.SetPipeFallback(true);
    client.SetPipeName("anything");
    ASSERT_TRUE(client.OpenConnection()) << client.LastErrorText();
    EXPECT_EQ(client.Channel().ConnectionKind(), TransportKind::TcpIp);
    EXPECT_FALSE(client.UsesNamedPipe());
    EXPECT_EQ(client.PipeName(), "");

    Client strict;
    strict.SetServerHost("127.0.0.1");
    strict.SetUseNamedPipe(true);
    EXPECT_FALSE(strict.OpenConnection());
    EXPECT_EQ(strict.LastErrorCode(), kErrNamedPipeOpen);
}

TEST(Connection, ChangedCredentialsDropTheConnectionWithoutQuit) {
    ScriptedServer server;
    Login(server);
    server.Start();
    Client client;
    AimAndOpen(client, server);
    client.SetUserName("");  // the same value: nothing happens
    EXPECT_TRUE(client.IsConnectionOpen());
    client.SetUserPassword("new");
    EXPECT_FALSE(client.IsConnectionOpen());
    server.Finish();
    EXPECT_TRUE(server.Trailing().empty());
}

TEST(Connection, RejectedDatabaseIsAskedForTwiceWithReconnect) {
    ScriptedServer server;
    Login(server)
        .ReceivePacket()
        .SendPacket(1, ErrorPacket(1049, "Unknown database 'nope'"))
        .ReceivePacket()
        .SendPacket(1, ErrorPacket(1049, "Unknown database 'nope'"));
    server.Start();
    Client client;
    AimAndOpen(client, server);
    client.SetAutoReconnect(true);
    EXPECT_FALSE(client.SelectDatabase("nope"));
    EXPECT_EQ(client.LastErrorCode(), 1049);
    EXPECT_EQ(client.LastErrorText(), "Unknown database 'nope'");
    EXPECT_TRUE(client.IsConnectionOpen());
    EXPECT_EQ(client.Database(), "");
    client.CloseConnection();
    server.Finish();
    ASSERT_EQ(server.Failure(), "");
    EXPECT_EQ(server.Received()[1], server.Received()[2]);
}

TEST(Connection, QueryConnectsThroughPingAndFlagsStayForLaterLogins) {
    ScriptedServer server;
    Login(server)
        .ReceivePacket()
        .SendPacket(1, OkPacket())
        .ReceivePacket()
        .SendPacket(1, OkPacket(1))
        .Accept()
        .SendPacket(0, Greeting())
        .ReceivePacket()
        .SendPacket(2, OkPacket());
    server.Start();
    Client client;
    Aim(client, server);
    client.SetAutoReconnect(true);
    client.SetDatabaseName("db");
    EXPECT_EQ(client.RunQuery("DO 1", true).status, QueryStatus::NoResultSet)
        << client.LastErrorText();
    EXPECT_EQ(client.AffectedRows(), 1u);
    client.CloseConnection();
    // The database bit stays in the flags after the database was dropped from the settings.
    client.SetDatabaseName("");
    EXPECT_TRUE(client.OpenConnection());
    client.CloseConnection();
    server.Finish();
    ASSERT_EQ(server.Failure(), "");
    EXPECT_EQ(server.Received()[0][4], 0x8D);
    EXPECT_EQ(server.Received()[3][4], 0x8D);
    EXPECT_EQ(server.Received()[1], FromHex("01 00 00 00 0e"));  // ping first
}

TEST(Connection, CloseDetachesAnUnbufferedResult) {
    ScriptedServer server;
    Login(server);
    ResultHeader(server).SendPacket(5, RowPacket({"1", "a"})).SendPacket(6, RowPacket({"2", "b"}));
    server.Start();
    Client client;
    AimAndOpen(client, server);
    auto result = client.RunQuery("SELECT id, name FROM t", false).result;
    ASSERT_TRUE(result);
    client.CloseConnection();
    EXPECT_EQ(result->SourceClient(), nullptr);
    EXPECT_STREQ(result->ColumnText(1), "a");
    result->FetchRow();
    EXPECT_TRUE(result->AtEnd());
    EXPECT_EQ(result->LastFetch(), RowStatus::Failed);
    EXPECT_STREQ(result->ColumnText(1), "a");
    result.reset();  // reads nothing from the closed connection
    EXPECT_EQ(client.Status(), ClientStatus::Ready);
}

}  // namespace
}  // namespace varnimo::mysql
