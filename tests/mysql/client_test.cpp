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

#include "mysql/mysql_client.h"
#include "mysql/mysql_errors.h"
#include "scripted_server.h"

namespace varnimo::mysql {
namespace {

using namespace testing;
using ::testing::HasSubstr;

constexpr std::size_t kVersionLength = 32;  // of TGreetingFields's version text

void Aim(TMysqlClient& client, const TScriptedServer& server) {
    client.SetServerHost("127.0.0.1");
    client.Port = server.Port();
    client.ConnectTimeout = 5;
    client.UseCompression = false;
    client.Reconnect = false;
}

void AimAndOpen(TMysqlClient& client, const TScriptedServer& server) {
    Aim(client, server);
    ASSERT_TRUE(client.OpenConnection()) << client.Net().LastErrorText();
}

// Greeting, login packet, OK.
TScriptedServer& Login(TScriptedServer& server, const TGreetingFields& greeting = {}) {
    return server.SendPacket(0, Greeting(greeting)).ReceivePacket().SendPacket(2, OkPacket());
}

TBytes Cut(TBytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

TEST(Handshake, LoginPacketThenInitDbWhenTheServerCannotTakeTheDatabase) {
    TGreetingFields greeting;
    greeting.Capabilities = 0xF7F6;  // no connect-with-database
    TScriptedServer server;
    Login(server, greeting).ReceivePacket().SendPacket(1, OkPacket());
    server.Start();
    TMysqlClient client;
    Aim(client, server);
    client.SetUserName("pubaccount");
    client.SetUserPassword("kobal");
    client.SetDatabaseName("varnimo");
    ASSERT_TRUE(client.OpenConnection()) << client.Net().LastErrorText();
    EXPECT_EQ(client.ThreadId(), 5u);
    EXPECT_EQ(client.ServerVersion(), greeting.Version);
    EXPECT_EQ(client.ClientFlags, 0x208Du);
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
    TGreetingFields nine;
    nine.Protocol = 9;
    TScriptedServer old;
    Login(old, nine).ReceivePacket().SendPacket(1, ErrorPacket(1045, "denied"));
    old.Start();
    TMysqlClient client;
    Aim(client, old);
    ASSERT_TRUE(client.OpenConnection());
    EXPECT_FALSE(client.Ping());
    EXPECT_EQ(client.Net().LastErrorCode(), kErrUnknown);
    EXPECT_EQ(client.Net().LastErrorText(),
              "\x15\x04"
              "denied");
    EXPECT_TRUE(client.IsConnectionOpen());

    TGreetingFields eleven;
    eleven.Protocol = 11;
    TScriptedServer future;
    future.SendPacket(0, Greeting(eleven));
    future.Start();
    TMysqlClient other;
    Aim(other, future);
    EXPECT_FALSE(other.OpenConnection());
    EXPECT_EQ(other.Net().LastErrorCode(), kErrVersion);
    EXPECT_EQ(other.Net().LastErrorText(),
              "Protocol mismatch. Server Version = 11 Client Version = 10");
    EXPECT_FALSE(other.IsConnectionOpen());
}

TEST(Handshake, ShortGreetingsKeepWhatTheyDoNotHold) {
    TGreetingFields greeting;
    greeting.Charset = 33;
    greeting.Status = 3;
    struct Case {
        std::size_t size;
        uint32_t caps;
        uint32_t language;
        uint32_t status;
    };
    for (const Case& c :
         {Case{kVersionLength + 15, 0, 0, 2}, Case{kVersionLength + 32, 0xF7FE, 0, 2},
          Case{kVersionLength + 33, 0xF7FE, 33, 3}}) {
        TScriptedServer server;
        server.SendPacket(0, Cut(Greeting(greeting), c.size))
            .ReceivePacket()
            .SendPacket(2, OkPacket());
        server.Start();
        TMysqlClient client;
        Aim(client, server);
        ASSERT_TRUE(client.OpenConnection()) << c.size;
        EXPECT_EQ(client.ServerCapabilities(), c.caps) << c.size;
        EXPECT_EQ(client.ServerLanguage(), c.language) << c.size;
        EXPECT_EQ(client.ServerStatus(), c.status) << c.size;
        EXPECT_EQ(client.ScrambleSeed(), "dI!f`1pb");
    }
    // A version text without its zero byte: the handshake fails, nothing is read past it.
    TScriptedServer broken;
    broken.SendPacket(0, Concat({{10}, Text("5.5.5-no-end")}));
    broken.Start();
    TMysqlClient client;
    Aim(client, broken);
    EXPECT_FALSE(client.OpenConnection());
    EXPECT_EQ(client.Net().LastErrorCode(), kErrServerHandshake);
    EXPECT_FALSE(client.IsConnectionOpen());
}

TEST(Handshake, OldPasswordRequestIsAnswered) {
    TBytes named =
        Concat({{0xFE}, Text("mysql_old_password"), {0}, Text("dI!f`1pbwTz,gCZxpHVW"), {0}});
    for (const TBytes& request : {named, TBytes{0xFE}}) {
        TScriptedServer server;
        server.SendPacket(0, Greeting())
            .ReceivePacket()
            .SendPacket(2, request)
            .ReceivePacket()
            .SendPacket(4, OkPacket())
            .ReceivePacket()
            .SendPacket(1, OkPacket());
        server.Start();
        TMysqlClient client;
        Aim(client, server);
        client.SetUserName("pubaccount");
        client.SetUserPassword("kobal");
        ASSERT_TRUE(client.OpenConnection()) << client.Net().LastErrorText();
        // The next command goes through: the exchange did not leave the packets out of order.
        EXPECT_TRUE(client.Ping()) << client.Net().LastErrorText();
        client.CloseConnection();
        server.Finish();
        ASSERT_EQ(server.Failure(), "");
        EXPECT_EQ(server.Received()[1], Concat({FromHex("09 00 00 03"), Text("HLHDZZVC"), {0}}));
    }
}

TEST(Handshake, OtherAuthenticationMethodFailsClearly) {
    TScriptedServer server;
    server.SendPacket(0, Greeting())
        .ReceivePacket()
        .SendPacket(
            2,
            Concat(
                {{0xFE}, Text("caching_sha2_password"), {0}, Text("12345678901234567890"), {0}}));
    server.Start();
    TMysqlClient client;
    Aim(client, server);
    client.SetUserName("someone");
    client.SetUserPassword("secret");
    EXPECT_FALSE(client.OpenConnection());
    EXPECT_EQ(client.Net().LastErrorCode(), kErrServerHandshake);
    EXPECT_THAT(client.Net().LastErrorText(), HasSubstr("'caching_sha2_password'"));
    EXPECT_FALSE(client.IsConnectionOpen());
    server.Finish();
    EXPECT_TRUE(server.Trailing().empty());
}

TEST(Handshake, EmptyHostIsNoConnection) {
    TMysqlClient client;
    EXPECT_FALSE(client.OpenConnection());
    EXPECT_EQ(client.Net().LastErrorCode(), 0);
}

// A 2-column result set header with its fields (sequence numbers 1 to 4; rows go on at 5).
TScriptedServer& ResultHeader(TScriptedServer& server) {
    return server.ReceivePacket()
        .SendPacket(1, {2})
        .SendPacket(2, FieldPacket("t", "id", 11, 3))
        .SendPacket(3, FieldPacket("t", "name", 300, 253))
        .SendPacket(4, EndMarker());
}

TEST(Results, BufferedAndUnbufferedReadTheSameRows) {
    for (bool storeAll : {true, false}) {
        TScriptedServer server;
        Login(server);
        ResultHeader(server)
            .SendPacket(5, RowPacket({"1", std::string(300, 'n')}))
            .SendPacket(6, RowPacket({std::nullopt, ""}))
            .SendPacket(7, RowPacket({"3", "c"}))
            .SendPacket(8, EndMarker());
        server.Start();
        TMysqlClient client;
        AimAndOpen(client, server);
        bool completed = false;
        auto result = client.RunQuery("SELECT id, name FROM t", storeAll, completed);
        ASSERT_TRUE(result) << client.Net().LastErrorText();
        EXPECT_TRUE(completed);
        ASSERT_EQ(result->ColumnCount, 2);
        EXPECT_EQ(result->Fields[1].Name, "name");
        EXPECT_EQ(result->Fields[0].Flags & 0x8000, 0x8000u);
        EXPECT_EQ(result->Fields[1].MaxLength, storeAll ? 300u : 0u);
        EXPECT_EQ(client.Status(), storeAll ? TClientStatus::Ready : TClientStatus::UsingRows);
        std::vector<std::string> seen;
        while (!result->Eof) {
            const char* id = result->ColumnText(0);
            const char* name = result->ColumnText(1);
            seen.push_back(std::string(id ? id : "<none>") + "|" +
                           (name ? std::to_string(std::strlen(name)) : "<none>"));
            EXPECT_EQ(result->ColumnText(-1), nullptr);
            EXPECT_EQ(result->ColumnText(2), nullptr);
            result->FetchRow();
        }
        EXPECT_EQ(seen, (std::vector<std::string>{"1|300", "<none>|<none>", "3|1"}));
        EXPECT_EQ(result->RowCount, 3u);
        EXPECT_STREQ(result->ColumnText(0), "3");  // the last row stays visible
        EXPECT_EQ(client.Status(), TClientStatus::Ready);
        EXPECT_EQ(client.AffectedRows(), 3u);
    }
}

TEST(Results, RowShorterThanItsColumnsIsALostConnection) {
    for (bool storeAll : {true, false}) {
        TScriptedServer server;
        Login(server);
        ResultHeader(server).SendPacket(5, RowPacket({"1"})).SendPacket(6, EndMarker());
        server.Start();
        TMysqlClient client;
        AimAndOpen(client, server);
        bool completed = false;
        auto result = client.RunQuery("SELECT id, name FROM t", storeAll, completed);
        if (result) {
            EXPECT_TRUE(result->Eof);
            EXPECT_EQ(result->FetchState, -1);
            EXPECT_EQ(result->ColumnText(0), nullptr);
        }
        EXPECT_EQ(client.Net().LastErrorCode(), kErrServerLost) << storeAll;
        EXPECT_FALSE(client.IsConnectionOpen());
        EXPECT_EQ(client.Status(), TClientStatus::Ready);
    }
}

TEST(Results, ReplyCutInsideANumberIsALostConnection) {
    TScriptedServer server;
    Login(server).ReceivePacket().SendPacket(1, FromHex("00 fc 01"));
    server.Start();
    TMysqlClient client;
    AimAndOpen(client, server);
    bool completed = true;
    EXPECT_EQ(client.RunQuery("DO 1", true, completed), nullptr);
    EXPECT_FALSE(completed);
    EXPECT_EQ(client.Net().LastErrorCode(), kErrServerLost);
    EXPECT_FALSE(client.IsConnectionOpen());
}

// A header may announce any number of columns; one that announces more than any result has
// must not make the client set aside room for them.
TEST(Results, HeaderAnnouncingAbsurdlyManyColumnsIsALostConnection) {
    for (uint64_t columns : {uint64_t{65536}, uint64_t{0x7FFFFFFF}, uint64_t{1} << 40}) {
        TScriptedServer server;
        Login(server).ReceivePacket().SendPacket(1, LengthCode(columns)).SendPacket(2, EndMarker());
        server.Start();
        TMysqlClient client;
        AimAndOpen(client, server);
        bool completed = true;
        EXPECT_EQ(client.RunQuery("SELECT *", false, completed), nullptr) << columns;
        EXPECT_FALSE(completed);
        EXPECT_EQ(client.Net().LastErrorCode(), kErrServerLost) << columns;
        EXPECT_FALSE(client.IsConnectionOpen());
        EXPECT_TRUE(client.Fields().empty());
    }
}

// What one result holds in memory is bounded: its column descriptions together to 16 MiB, the
// rows of a buffered result to MaxBufferedBytes. A server that sends more fails the query with
// 2008, and the rest of its reply is not read.
TEST(Results, MemoryHeldForOneResultIsBounded) {
    const std::string huge(9 << 20, 'n');
    TBytes rows = Concat({PlainFrame(1, {1}), PlainFrame(2, FieldPacket("t", "a", 1000, 253)),
                          PlainFrame(3, EndMarker())});
    for (uint8_t seq = 4; seq < 40; ++seq) {
        rows = Concat({rows, PlainFrame(seq, RowPacket({std::string(1000, 'r')}))});
    }
    struct Case {
        const char* name;
        TBytes reply;
        bool completed;
    };
    const Case cases[] = {
        {"descriptions",
         Concat({PlainFrame(1, {2}), PlainFrame(2, FieldPacket("t", huge, 1, 253)),
                 PlainFrame(3, FieldPacket("t", huge, 1, 253)), PlainFrame(4, EndMarker())}),
         false},
        {"buffered rows", Concat({rows, PlainFrame(40, EndMarker())}), true},
    };
    for (const Case& c : cases) {
        TScriptedServer server;
        Login(server).ReceivePacket().Send(c.reply);
        server.Start();
        TMysqlClient client;
        client.MaxBufferedBytes = 16 << 10;
        AimAndOpen(client, server);
        bool completed = !c.completed;
        EXPECT_EQ(client.RunQuery("SELECT *", true, completed), nullptr) << c.name;
        EXPECT_EQ(completed, c.completed) << c.name;
        EXPECT_EQ(client.Net().LastErrorCode(), kErrOutOfMemory) << c.name;
        EXPECT_FALSE(client.IsConnectionOpen()) << c.name;
        EXPECT_EQ(client.Status(), TClientStatus::Ready) << c.name;
        EXPECT_TRUE(client.Fields().empty()) << c.name;
    }
}

// Column descriptions are five length-coded texts whose binary parts may hold zero bytes or be
// cut short; a server that describes fewer columns than announced leaves the rest zeroed, one
// that describes more has broken the reply.
TEST(Results, ColumnDescriptionsAreUnpackedFromTheirTexts) {
    TScriptedServer server;
    Login(server)
        .ReceivePacket()
        .SendPacket(1, {3})
        .SendPacket(2, FieldPacket("t", "stamp", 14, 7))  // timestamp of length 14
        .SendPacket(3, RowPacket({"t", "short", "\x05", "\x0d", std::nullopt}))  // year, cut short
        .SendPacket(4, EndMarker())
        .SendPacket(5, EndMarker());
    server.Start();
    TMysqlClient client;
    AimAndOpen(client, server);
    bool completed = false;
    auto result = client.RunQuery("SELECT *", true, completed);
    ASSERT_TRUE(result) << client.Net().LastErrorText();
    ASSERT_EQ(result->Fields.size(), 3u);
    EXPECT_EQ(result->Fields[0].Length, 14u);
    EXPECT_EQ(result->Fields[0].Flags, 0x8000u);
    EXPECT_EQ(result->Fields[1].Name, "short");
    EXPECT_EQ(result->Fields[1].Length, 5u);
    EXPECT_EQ(result->Fields[1].Type, 13u);
    EXPECT_EQ(result->Fields[1].Flags, 0x8000u);
    EXPECT_EQ(result->Fields[2].Name, "");
    EXPECT_EQ(result->Fields[2].Type, 0u);
    EXPECT_TRUE(result->Eof);

    // The announced count bounds the descriptions read: where the end marker belongs, a
    // second description ends the reply, and nothing behind it is read (here a server error
    // that would otherwise be reported, after more descriptions that could go on for ever).
    const TBytes more = FieldPacket("t", "c", 11, 3);
    for (bool endless : {false, true}) {
        TScriptedServer tooMany;
        Login(tooMany)
            .ReceivePacket()
            .SendPacket(1, {1})
            .SendPacket(2, FieldPacket("t", "a", 11, 3))
            .SendPacket(3, FieldPacket("t", "b", 11, 3));
        if (endless) {
            tooMany.SendPacket(4, more).SendPacket(5, more).SendPacket(6, ErrorPacket(1105, "x"));
        } else {
            tooMany.SendPacket(4, EndMarker());
        }
        tooMany.Start();
        TMysqlClient other;
        AimAndOpen(other, tooMany);
        EXPECT_EQ(other.RunQuery("SELECT *", endless, completed), nullptr);
        EXPECT_FALSE(completed);
        EXPECT_EQ(other.Net().LastErrorCode(), kErrServerLost) << endless;
        EXPECT_FALSE(other.IsConnectionOpen());
        EXPECT_TRUE(other.Fields().empty());
        EXPECT_EQ(other.Status(), TClientStatus::Ready);
    }
}

TEST(Results, OkReplyWithoutTransactionsCapability) {
    TGreetingFields greeting;
    greeting.Capabilities = 0xD7FE;  // no transactions: no status bytes in OK packets
    TScriptedServer server;
    Login(server, greeting).ReceivePacket().SendPacket(1, Concat({{0, 4, 9}, LengthText("done")}));
    server.Start();
    TMysqlClient client;
    AimAndOpen(client, server);
    bool completed = false;
    EXPECT_EQ(client.RunQuery("UPDATE t SET x = 1", true, completed), nullptr);
    EXPECT_TRUE(completed);
    EXPECT_EQ(client.AffectedRows(), 4u);
    EXPECT_EQ(client.InsertId(), 9u);
    EXPECT_EQ(client.Info(), "done");
}

TEST(Results, UnbufferedResultBlocksCommandsUntilFreed) {
    TScriptedServer server;
    Login(server);
    ResultHeader(server)
        .SendPacket(5, RowPacket({"1", "a"}))
        .SendPacket(6, RowPacket({"2", "b"}))
        .SendPacket(7, RowPacket({"3", "c"}))
        .SendPacket(8, EndMarker())
        .ReceivePacket()
        .SendPacket(1, OkPacket(7));
    server.Start();
    TMysqlClient client;
    AimAndOpen(client, server);
    bool completed = false;
    auto first = client.RunQuery("SELECT id, name FROM t", false, completed);
    ASSERT_TRUE(first);
    EXPECT_STREQ(first->ColumnText(1), "a");
    EXPECT_EQ(client.RunQuery("DELETE FROM t", false, completed), nullptr);
    EXPECT_FALSE(completed);
    EXPECT_EQ(client.Net().LastErrorCode(), kErrCommandsOutOfSync);
    first.reset();  // reads the rest of the rows away
    EXPECT_EQ(client.Status(), TClientStatus::Ready);
    EXPECT_EQ(client.RunQuery("DELETE FROM t", false, completed), nullptr);
    EXPECT_TRUE(completed);
    EXPECT_EQ(client.AffectedRows(), 7u);
}

TEST(LocalFiles, RefusedUnlessAllowed) {
    std::string path = ::testing::TempDir() + "varnimo_local_file.txt";
    {
        std::ofstream out(path, std::ios::binary);
        out << "line one\nline two\n";
    }
    TBytes request = Concat({{0xFB}, Text(path)});

    TScriptedServer refused;
    Login(refused).ReceivePacket().SendPacket(1, request).ReceivePacket().SendPacket(3, OkPacket());
    refused.Start();
    TMysqlClient client;
    AimAndOpen(client, refused);
    bool completed = true;
    EXPECT_EQ(client.RunQuery("LOAD DATA LOCAL INFILE 'x' INTO TABLE t", false, completed),
              nullptr);
    EXPECT_FALSE(completed);
    EXPECT_NE(client.Net().LastErrorCode(), 0);
    EXPECT_THAT(client.Net().LastErrorText(), HasSubstr("not allowed"));
    EXPECT_TRUE(client.IsConnectionOpen());
    client.CloseConnection();
    refused.Finish();
    ASSERT_EQ(refused.Failure(), "");
    EXPECT_EQ(refused.Received()[2], FromHex("00 00 00 02"));  // the empty packet, no bytes

    TScriptedServer allowed;
    Login(allowed)
        .ReceivePacket()
        .SendPacket(1, request)
        .ReceivePacket()
        .ReceivePacket()
        .SendPacket(4, OkPacket(2));
    allowed.Start();
    TMysqlClient trusting;
    AimAndOpen(trusting, allowed);
    trusting.AllowLocalFiles = true;
    EXPECT_EQ(trusting.RunQuery("LOAD DATA LOCAL INFILE 'x' INTO TABLE t", false, completed),
              nullptr);
    EXPECT_TRUE(completed) << trusting.Net().LastErrorText();
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
        std::string Path;
        int32_t Code;
        std::string Text;
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
        TScriptedServer server;
        Login(server)
            .ReceivePacket()
            .SendPacket(1, Concat({{0xFB}, Text(c.Path)}))
            .ReceivePacket()
            .SendPacket(3, OkPacket());
        server.Start();
        TMysqlClient client;
        AimAndOpen(client, server);
        client.AllowLocalFiles = true;
        bool completed = true;
        EXPECT_EQ(client.RunQuery("LOAD DATA LOCAL INFILE 'x' INTO TABLE t", false, completed),
                  nullptr);
        EXPECT_FALSE(completed);
        EXPECT_EQ(client.Net().LastErrorCode(), c.Code);
        EXPECT_EQ(client.Net().LastErrorText(), c.Text);
        EXPECT_TRUE(client.IsConnectionOpen());
        client.CloseConnection();
        server.Finish();
        ASSERT_EQ(server.Failure(), "") << c.Path;
        EXPECT_EQ(server.Received()[2], FromHex("00 00 00 02")) << c.Path;
    }
}

TEST(Reconnect, PingReconnectsAfterTheServerClosed) {
    TScriptedServer server;
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
    TMysqlClient client;
    Aim(client, server);
    client.Reconnect = true;
    ASSERT_TRUE(client.OpenConnection());
    EXPECT_TRUE(client.Ping()) << client.Net().LastErrorText();
    EXPECT_EQ(client.Net().LastErrorCode(), 0);
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
        bool inTransaction;
        bool serverTakesReconnect;
    };
    for (const Case& c : {Case{"reconnect and resend", false, true},
                          Case{"nobody answers the reconnect", false, false},
                          Case{"in a transaction", true, true}}) {
        TScriptedServer server;
        Login(server);
        if (c.inTransaction) {
            server.ReceivePacket().SendPacket(1, OkPacket(0, 0, 0x0001));
        }
        if (c.serverTakesReconnect) {
            Login(server.Accept()).ReceivePacket().SendPacket(1, OkPacket());
        }
        server.Start();
        TMysqlClient client;
        AimAndOpen(client, server);
        client.ConnectTimeout = 1;
        bool completed = false;
        if (c.inTransaction) {
            client.RunQuery("BEGIN", false, completed);
            ASSERT_TRUE(completed) << client.Net().LastErrorText();
            ASSERT_EQ(client.ServerStatus() & 0x0001, 0x0001u);
        }
        client.Reconnect = true;
#if defined(_WIN32)
        ::shutdown(static_cast<SOCKET>(client.Net().Vio().Socket()), SD_SEND);
#else
        ::shutdown(client.Net().Vio().Socket(), SHUT_WR);
#endif
        const bool resent = !c.inTransaction && c.serverTakesReconnect;
        EXPECT_EQ(client.Ping(), resent) << c.name;
        if (!resent) {
            EXPECT_EQ(client.Net().LastErrorCode(), kErrServerGone) << c.name;
            EXPECT_EQ(client.Net().LastErrorText(), "MySQL server has gone away") << c.name;
            EXPECT_FALSE(client.IsConnectionOpen()) << c.name;
            EXPECT_EQ(client.ServerStatus() & 0x0001, 0u) << c.name;
        }
        if (c.inTransaction) {
            EXPECT_TRUE(client.Ping()) << client.Net().LastErrorText();  // the flag is gone
        }
        client.CloseConnection();
        server.Finish(200);
        EXPECT_EQ(server.Failure(), "") << c.name;
    }
}

TEST(Connection, NamedPipeFallsBackToTcpOrFails) {
    TScriptedServer server;
    Login(server);
    server.Start();
    TMysqlClient client;
    Aim(client, server);
    client.UseNamedPipe = true;
    client.PipeFallback = true;
    client.PipeName = "anything";
    ASSERT_TRUE(client.OpenConnection()) << client.Net().LastErrorText();
    EXPECT_EQ(client.Net().ConnectionKind(), vkTcpIp);
    EXPECT_FALSE(client.UseNamedPipe);
    EXPECT_EQ(client.PipeName, "");

    TMysqlClient strict;
    strict.SetServerHost("127.0.0.1");
    strict.UseNamedPipe = true;
    EXPECT_FALSE(strict.OpenConnection());
    EXPECT_EQ(strict.Net().LastErrorCode(), kErrNamedPipeOpen);
}

TEST(Connection, ChangedCredentialsDropTheConnectionWithoutQuit) {
    TScriptedServer server;
    Login(server);
    server.Start();
    TMysqlClient client;
    AimAndOpen(client, server);
    client.SetUserName("");  // the same value: nothing happens
    EXPECT_TRUE(client.IsConnectionOpen());
    client.SetUserPassword("new");
    EXPECT_FALSE(client.IsConnectionOpen());
    server.Finish();
    EXPECT_TRUE(server.Trailing().empty());
}

TEST(Connection, RejectedDatabaseIsAskedForTwiceWithReconnect) {
    TScriptedServer server;
    Login(server)
        .ReceivePacket()
        .SendPacket(1, ErrorPacket(1049, "Unknown database 'nope'"))
        .ReceivePacket()
        .SendPacket(1, ErrorPacket(1049, "Unknown database 'nope'"));
    server.Start();
    TMysqlClient client;
    AimAndOpen(client, server);
    client.Reconnect = true;
    EXPECT_FALSE(client.SelectDatabase("nope"));
    EXPECT_EQ(client.Net().LastErrorCode(), 1049);
    EXPECT_EQ(client.Net().LastErrorText(), "Unknown database 'nope'");
    EXPECT_TRUE(client.IsConnectionOpen());
    EXPECT_EQ(client.Database(), "");
    client.CloseConnection();
    server.Finish();
    ASSERT_EQ(server.Failure(), "");
    EXPECT_EQ(server.Received()[1], server.Received()[2]);
}

TEST(Connection, QueryConnectsThroughPingAndFlagsStayForLaterLogins) {
    TScriptedServer server;
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
    TMysqlClient client;
    Aim(client, server);
    client.Reconnect = true;
    client.SetDatabaseName("db");
    bool completed = false;
    EXPECT_EQ(client.RunQuery("DO 1", true, completed), nullptr);
    EXPECT_TRUE(completed) << client.Net().LastErrorText();
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
    TScriptedServer server;
    Login(server);
    ResultHeader(server).SendPacket(5, RowPacket({"1", "a"})).SendPacket(6, RowPacket({"2", "b"}));
    server.Start();
    TMysqlClient client;
    AimAndOpen(client, server);
    bool completed = false;
    auto result = client.RunQuery("SELECT id, name FROM t", false, completed);
    ASSERT_TRUE(result);
    client.CloseConnection();
    EXPECT_EQ(result->Client(), nullptr);
    EXPECT_STREQ(result->ColumnText(1), "a");
    result->FetchRow();
    EXPECT_TRUE(result->Eof);
    EXPECT_EQ(result->FetchState, -1);
    EXPECT_STREQ(result->ColumnText(1), "a");
    result.reset();  // reads nothing from the closed connection
    EXPECT_EQ(client.Status(), TClientStatus::Ready);
}

}  // namespace
}  // namespace varnimo::mysql
