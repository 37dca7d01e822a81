// The client against the private MariaDB server that scripts/test starts (see
// scripts/test-server for its accounts and data).

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "mysql/client.h"
#include "mysql/errors.h"

namespace varnimo::mysql {
namespace {

struct TestServer {
    std::string host;
    int port = 0;
};

// The server's address, or a skip (a failure under CI, which must never skip silently).
#define REQUIRE_SERVER(server)                                                                 \
    TestServer server;                                                                         \
    do {                                                                                       \
        const char* host = std::getenv("VARNIMO_TEST_MYSQL_HOST");                             \
        const char* port = std::getenv("VARNIMO_TEST_MYSQL_PORT");                             \
        if (!host || !port) {                                                                  \
            const char* ci = std::getenv("CI");                                                \
            if (ci && std::string(ci) == "true") {                                             \
                FAIL() << "VARNIMO_TEST_MYSQL_HOST/PORT are not set (scripts/test sets them)"; \
            }                                                                                  \
            GTEST_SKIP() << "no test server: run through scripts/test";                        \
        }                                                                                      \
        server.host = host;                                                                    \
        server.port = std::atoi(port);                                                         \
    } while (0)

std::unique_ptr<Client> NewClient(const TestServer& server, const std::string& user,
                                  const std::string& password, const std::string& database,
                                  bool compress = false) {
    auto client = std::make_unique<Client>();
    client->SetServerHost(server.host);
    client->SetPort(server.port);
    client->SetConnectTimeout(10);
    client->SetUseCompression(compress);
    client->SetUserName(user);
    client->SetUserPassword(password);
    client->SetDatabaseName(database);
    return client;
}

std::string Text(const ResultSet& result, int column) {
    const char* text = result.ColumnText(column);
    return text ? text : "<none>";
}

TEST(MariaDbLogin, OldPasswordAccountReadsTheVersionRow) {
    REQUIRE_SERVER(server);
    for (bool compress : {false, true}) {
        auto client = NewClient(server, "pubaccount", "kobal", "varnimo", compress);
        ASSERT_TRUE(client->OpenConnection())
            << client->LastErrorCode() << " " << client->LastErrorText();
        EXPECT_EQ(client->Channel().Compress(), compress);
        EXPECT_NE(client->ThreadId(), 0u);
        auto result = client->RunQuery("SELECT * FROM varnimo", false).result;
        ASSERT_TRUE(result) << client->LastErrorText();
        ASSERT_EQ(result->ColumnCount(), 28);
        EXPECT_EQ(result->Fields()[0].name, "progver");
        EXPECT_EQ(Text(*result, 0), "0.302");
        EXPECT_EQ(Text(*result, 1), "1.5");
        EXPECT_EQ(Text(*result, 2), "7.1");
        EXPECT_EQ(Text(*result, 27), "182.2");
        result->FetchRow();
        EXPECT_TRUE(result->AtEnd());
        client->CloseConnection();
        EXPECT_FALSE(client->IsConnectionOpen());
    }
}

TEST(MariaDbLogin, PasswordlessAccount) {
    REQUIRE_SERVER(server);
    auto client = NewClient(server, "varnimo_nopw", "", "");
    ASSERT_TRUE(client->OpenConnection()) << client->LastErrorText();
    EXPECT_TRUE(client->Ping());
    EXPECT_TRUE(client->SelectDatabase("varnimo_test"));
    EXPECT_EQ(client->Database(), "varnimo_test");
}

TEST(MariaDbLogin, RefusedLogins) {
    REQUIRE_SERVER(server);
    auto wrong = NewClient(server, "pubaccount", "wrong", "varnimo");
    EXPECT_FALSE(wrong->OpenConnection());
    EXPECT_EQ(wrong->LastErrorCode(), 1045);
    EXPECT_FALSE(wrong->IsConnectionOpen());

    auto unknown = NewClient(server, "nobody_here", "secret", "");
    EXPECT_FALSE(unknown->OpenConnection());
    EXPECT_EQ(unknown->LastErrorCode(), 1251);

    auto no_database = NewClient(server, "varnimo_nopw", "", "no_such_database");
    EXPECT_FALSE(no_database->OpenConnection());
    EXPECT_TRUE(no_database->LastErrorCode() == 1049 || no_database->LastErrorCode() == 1044)
        << no_database->LastErrorCode();

    auto client = NewClient(server, "varnimo_nopw", "", "");
    ASSERT_TRUE(client->OpenConnection());
    EXPECT_FALSE(client->SelectDatabase("no_such_database"));
    EXPECT_NE(client->LastErrorCode(), 0);
    EXPECT_TRUE(client->IsConnectionOpen());
}

class MariaDbQueries : public ::testing::TestWithParam<std::tuple<bool, bool>> {};

TEST_P(MariaDbQueries, OkRepliesAndResultSets) {
    REQUIRE_SERVER(server);
    auto [compress, store_all] = GetParam();
    auto client = NewClient(server, "varnimo_nopw", "", "varnimo_test", compress);
    ASSERT_TRUE(client->OpenConnection()) << client->LastErrorText();
    ASSERT_EQ(client
                  ->RunQuery("CREATE TEMPORARY TABLE t (id INT AUTO_INCREMENT PRIMARY KEY, v "
                             "VARCHAR(400), d DECIMAL(5,2))",
                             store_all)
                  .status,
              QueryStatus::NoResultSet)
        << client->LastErrorText();
    ASSERT_EQ(client
                  ->RunQuery("INSERT INTO t (v, d) VALUES ('a', 1.5), (NULL, NULL), ('', 2), "
                             "(REPEAT('x', 300), 3)",
                             store_all)
                  .status,
              QueryStatus::NoResultSet)
        << client->LastErrorText();
    EXPECT_EQ(client->AffectedRows(), 4u);
    EXPECT_EQ(client->InsertId(), 1u);

    auto result = client->RunQuery("SELECT id, v, d FROM t ORDER BY id", store_all).result;
    ASSERT_TRUE(result) << client->LastErrorText();
    EXPECT_EQ(result->Fields()[2].type, 246u);
    std::vector<std::string> rows;
    while (!result->AtEnd()) {
        rows.push_back(Text(*result, 0) + "|" + Text(*result, 1).substr(0, 3) + "|" +
                       Text(*result, 2));
        if (Text(*result, 0) == "4") {
            EXPECT_EQ(Text(*result, 1), std::string(300, 'x'));
        }
        result->FetchRow();
    }
    EXPECT_EQ(rows,
              (std::vector<std::string>{"1|a|1.50", "2|<no|<none>", "3|<no|2.00", "4|xxx|3.00"}));
    EXPECT_EQ(result->Fields()[1].max_length, store_all ? 300u : 0u);
    result.reset();

    // A value with a zero byte of its own keeps all its bytes in both forms.
    auto binary = client->RunQuery("SELECT CHAR(97,0,98), 'x'", store_all).result;
    ASSERT_TRUE(binary) << client->LastErrorText();
    ASSERT_EQ(binary->ColumnLength(0), 3u);
    EXPECT_EQ(std::string(binary->ColumnText(0), 3), std::string("a\0b", 3));
    EXPECT_EQ(binary->ColumnLength(1), 1u);
    binary.reset();

    auto empty = client->RunQuery("SELECT id FROM t WHERE id > 100", store_all).result;
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->AtEnd());
    EXPECT_EQ(empty->ColumnText(0), nullptr);
    empty.reset();

    auto many = client->RunQuery("SELECT seq, 'row' FROM seq_1_to_100000", store_all).result;
    ASSERT_TRUE(many) << client->LastErrorText();
    uint64_t count = 0;
    std::string last;
    while (!many->AtEnd()) {
        ++count;
        last = Text(*many, 0);
        many->FetchRow();
    }
    EXPECT_EQ(count, 100000u);
    EXPECT_EQ(last, "100000");
    EXPECT_EQ(many->RowCount(), 100000u);
    EXPECT_EQ(client->Status(), ClientStatus::Ready);

    // A server error leaves the connection usable.
    EXPECT_EQ(client->RunQuery("SELEKT 1", store_all).status, QueryStatus::Failed);
    EXPECT_EQ(client->LastErrorCode(), 1064);
    EXPECT_TRUE(client->Ping());
}

INSTANTIATE_TEST_SUITE_P(PlainAndCompressed, MariaDbQueries,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

// The server also listens on the IPv6 loopback; its address in either spelling reaches it
// over IPv6.
TEST(MariaDbConnection, Ipv6AddressesAndNames) {
    REQUIRE_SERVER(server);
    const char* host6 = std::getenv("VARNIMO_TEST_MYSQL_HOST6");
    if (!host6 || !*host6) {
        GTEST_SKIP() << "this machine has no IPv6 loopback: the test server listens on "
                        "127.0.0.1 only";
    }
    for (std::string host : {std::string(host6), "[" + std::string(host6) + "]"}) {
        TestServer v6{host, server.port};
        auto client = NewClient(v6, "pubaccount", "kobal", "varnimo");
        ASSERT_TRUE(client->OpenConnection())
            << host << ": " << client->LastErrorCode() << " " << client->LastErrorText();
        auto peer =
            client
                ->RunQuery(
                    "SELECT host FROM information_schema.processlist WHERE id = CONNECTION_ID()",
                    true)
                .result;
        ASSERT_TRUE(peer) << client->LastErrorText();
        EXPECT_EQ(Text(*peer, 0).rfind("::1:", 0), 0u) << host << " came from " << Text(*peer, 0);
    }
    // A port where nobody listens on either loopback: every address is tried, then 2003.
    TestServer nobody{"localhost", 1};
    auto refused = NewClient(nobody, "pubaccount", "kobal", "varnimo");
    EXPECT_FALSE(refused->OpenConnection());
    EXPECT_EQ(refused->LastErrorCode(), kErrConnectionFailed);
}

TEST(MariaDbConnection, UnbufferedResultFreedEarly) {
    REQUIRE_SERVER(server);
    auto client = NewClient(server, "varnimo_nopw", "", "varnimo_test", true);
    ASSERT_TRUE(client->OpenConnection());
    auto rows = client->RunQuery("SELECT seq FROM seq_1_to_50000", false).result;
    ASSERT_TRUE(rows);
    EXPECT_EQ(Text(*rows, 0), "1");
    rows.reset();
    auto one = client->RunQuery("SELECT 42", true).result;
    ASSERT_TRUE(one) << client->LastErrorText();
    EXPECT_EQ(Text(*one, 0), "42");
}

TEST(MariaDbConnection, PingReconnectsAfterKill) {
    REQUIRE_SERVER(server);
    auto client = NewClient(server, "varnimo_nopw", "", "");
    ASSERT_TRUE(client->OpenConnection());
    uint32_t before = client->ThreadId();
    auto killer = NewClient(server, "varnimo_nopw", "", "");
    ASSERT_EQ(killer->RunQuery("KILL " + std::to_string(before), true).status,
              QueryStatus::NoResultSet)
        << killer->LastErrorText();
    EXPECT_TRUE(client->Ping()) << client->LastErrorText();
    EXPECT_TRUE(client->IsConnectionOpen());
    EXPECT_NE(client->ThreadId(), before);

    // Without reconnect the lost connection is reported and stays lost.
    uint32_t second = client->ThreadId();
    client->SetAutoReconnect(false);
    killer->RunQuery("KILL " + std::to_string(second), true);
    EXPECT_FALSE(client->Ping());
    EXPECT_EQ(client->LastErrorCode(), kErrServerLost);
    EXPECT_FALSE(client->IsConnectionOpen());
}

TEST(MariaDbConnection, LocalFileRefusedThenAllowed) {
    REQUIRE_SERVER(server);
    std::string path = ::testing::TempDir() + "varnimo_load_" + std::to_string(::getpid()) + ".txt";
    {
        std::ofstream out(path, std::ios::binary);
        out << "first\nsecond\n";
    }
    auto client = NewClient(server, "varnimo_nopw", "", "varnimo_test");
    ASSERT_TRUE(client->OpenConnection());
    ASSERT_EQ(client->RunQuery("CREATE TEMPORARY TABLE loaded (line VARCHAR(40))", true).status,
              QueryStatus::NoResultSet);
    // A backslash (of a Windows path) escapes the next character in an SQL string.
    std::string quoted;
    for (char c : path) {
        quoted += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    std::string load = "LOAD DATA LOCAL INFILE '" + quoted + "' INTO TABLE loaded";
    EXPECT_EQ(client->RunQuery(load, true).status, QueryStatus::Failed);
    EXPECT_NE(client->LastErrorText().find("not allowed"), std::string::npos)
        << client->LastErrorText();
    auto count = client->RunQuery("SELECT COUNT(*) FROM loaded", true).result;
    ASSERT_TRUE(count) << client->LastErrorText();
    EXPECT_EQ(Text(*count, 0), "0");

    client->SetAllowLocalFiles(true);
    EXPECT_EQ(client->RunQuery(load, true).status, QueryStatus::NoResultSet)
        << client->LastErrorText();
    EXPECT_EQ(client->AffectedRows(), 2u);
    count = client->RunQuery("SELECT line FROM loaded ORDER BY line", true).result;
    ASSERT_TRUE(count);
    EXPECT_EQ(Text(*count, 0), "first");
    std::remove(path.c_str());
}

}  // namespace
}  // namespace varnimo::mysql
