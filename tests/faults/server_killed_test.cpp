// A MariaDB server of this test's own (never the shared one the other suites use) is killed
// while the client reads a long result, then started again on the same port. The client must
// report the lost connection, return to a usable state, and reconnect once the server is back.

#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "mysql/client.h"
#include "mysql/errors.h"

namespace varnimo::mysql {
namespace {

// Runs scripts/test-server; returns its standard output, or nothing when it failed.
std::optional<std::string> TestServer(const std::string& arguments) {
    std::string command = std::string(VARNIMO_SOURCE_DIR) + "/scripts/test-server " + arguments;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        return std::nullopt;
    }
    std::string out;
    char buffer[512];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) {
        out.append(buffer, n);
    }
    return ::pclose(pipe) == 0 ? std::optional(out) : std::nullopt;
}

class KilledServer : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        char templ[] = "/tmp/varnimo-fault-db-XXXXXX";
        ASSERT_NE(::mkdtemp(templ), nullptr);
        dir_ = templ;
        auto out = TestServer("start " + dir_);
        ASSERT_TRUE(out) << "cannot start a private MariaDB in " << dir_;
        std::size_t at = out->find("VARNIMO_TEST_MYSQL_PORT=");
        ASSERT_NE(at, std::string::npos);
        port_ = std::stoi(out->substr(at + 24));
    }
    static void TearDownTestSuite() {
        if (!dir_.empty()) {
            TestServer("stop " + dir_);
            std::error_code ignored;
            std::filesystem::remove_all(dir_, ignored);
        }
    }
    void SetUp() override {
        if (port_ == 0) {
            GTEST_SKIP() << "no private server";
        }
    }

    static pid_t ServerPid() {
        std::ifstream in(dir_ + "/pid");
        pid_t pid = 0;
        in >> pid;
        return pid;
    }
    // Kills the server outright, as a crash or a pulled plug would, and waits until it is gone.
    static void Kill() {
        pid_t pid = ServerPid();
        ASSERT_GT(pid, 0);
        ASSERT_EQ(::kill(pid, SIGKILL), 0);
        for (int i = 0; i < 200 && ::kill(pid, 0) == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        std::filesystem::remove(dir_ + "/pid");
    }
    static void Restart() {
        ASSERT_TRUE(TestServer("start " + dir_ + " " + std::to_string(port_)));
    }

    std::unique_ptr<Client> NewClient() const {
        auto client = std::make_unique<Client>();
        client->SetServerHost("127.0.0.1");
        client->SetPort(port_);
        client->SetConnectTimeout(10);
        client->SetUserName("pubaccount");
        client->SetUserPassword("kobal");
        client->SetDatabaseName("varnimo");
        return client;
    }

    // Far more rows than the socket buffers hold, so the server is still sending when killed.
    static constexpr const char* kLongQuery = "SELECT seq, REPEAT('x', 1000) FROM seq_1_to_3000000";

    static void ExpectVersionRow(Client& client) {
        auto result = client.RunQuery("SELECT progver FROM varnimo", true).result;
        ASSERT_TRUE(result) << client.LastErrorCode() << " " << client.LastErrorText();
        ASSERT_NE(result->ColumnText(0), nullptr);
        EXPECT_STREQ(result->ColumnText(0), "0.302");
    }

    static inline std::string dir_;
    static inline int port_ = 0;
};

TEST_F(KilledServer, WhileRowsAreFetchedOneByOne) {
    auto client = NewClient();
    ASSERT_TRUE(client->OpenConnection()) << client->LastErrorText();
    auto result = client->RunQuery(kLongQuery, false).result;
    ASSERT_TRUE(result) << client->LastErrorText();
    for (int i = 0; i < 100 && !result->AtEnd(); ++i) {
        result->FetchRow();
    }
    ASSERT_FALSE(result->AtEnd());
    Kill();
    uint64_t rows = 0;
    while (!result->AtEnd() && rows < 3000000) {
        result->FetchRow();
        ++rows;
    }
    EXPECT_TRUE(result->AtEnd());
    EXPECT_EQ(result->LastFetch(), RowStatus::Failed);
    EXPECT_LT(result->RowCount(), 3000000u);
    EXPECT_EQ(client->LastErrorCode(), kErrServerLost);
    EXPECT_EQ(client->LastErrorText(), "Lost connection to MySQL server during query");
    EXPECT_FALSE(client->IsConnectionOpen());
    EXPECT_EQ(client->Status(), ClientStatus::Ready);
    result.reset();

    // Down: a query fails cleanly instead of hanging or crashing.
    EXPECT_EQ(client->RunQuery("SELECT 1", true).status, QueryStatus::Failed);
    EXPECT_EQ(client->LastErrorCode(), kErrConnectionFailed);

    Restart();
    // The same client reconnects by itself; a new one connects as well.
    ExpectVersionRow(*client);
    auto fresh = NewClient();
    ASSERT_TRUE(fresh->OpenConnection()) << fresh->LastErrorText();
    ExpectVersionRow(*fresh);
}

TEST_F(KilledServer, WhileAllRowsAreStored) {
    auto client = NewClient();
    ASSERT_TRUE(client->OpenConnection()) << client->LastErrorText();
    std::thread killer([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        Kill();
    });
    // Short rows: what is stored before the kill stays small.
    auto result = client->RunQuery("SELECT seq FROM seq_1_to_100000000", true).result;
    killer.join();
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(client->LastErrorCode(), kErrServerLost);
    EXPECT_FALSE(client->IsConnectionOpen());
    EXPECT_EQ(client->Status(), ClientStatus::Ready);
    EXPECT_TRUE(client->Fields().empty());

    Restart();
    ExpectVersionRow(*client);
}

}  // namespace
}  // namespace varnimo::mysql
