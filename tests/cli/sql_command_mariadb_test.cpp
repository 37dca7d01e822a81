// `varnimo-cli sql` against the private MariaDB server that scripts/test starts.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>

#include "sql_command_support.h"

namespace varnimo::testing {
namespace {

// Connection options for the test server, or a skip (a failure under CI).
#define REQUIRE_SERVER(base)                                            \
    std::vector<std::string> base;                                      \
    do {                                                                \
        const char* host = std::getenv("VARNIMO_TEST_MYSQL_HOST");      \
        const char* port = std::getenv("VARNIMO_TEST_MYSQL_PORT");      \
        if (!host || !port) {                                           \
            const char* ci = std::getenv("CI");                         \
            if (ci && std::string(ci) == "true") {                      \
                FAIL() << "VARNIMO_TEST_MYSQL_HOST/PORT are not set";   \
            }                                                           \
            GTEST_SKIP() << "no test server: run through scripts/test"; \
        }                                                               \
        base = {"-h", host, "-P", port};                                \
    } while (0)

std::vector<std::string> With(std::vector<std::string> base, std::vector<std::string> more) {
    base.insert(base.end(), more.begin(), more.end());
    return base;
}

TEST(SqlCommand, PrintsHeaderAndRowsWhicheverWayTheyArrive) {
    REQUIRE_SERVER(base);
    for (const char* compression : {"--compress", "--no-compress"}) {
        for (bool buffered : {false, true}) {
            std::vector<std::string> args =
                With(base, {"-u", "pubaccount", "-p", "kobal", "-D", "varnimo", compression});
            if (buffered) {
                args.push_back("--buffered");
            }
            args.push_back("SELECT progver, catver, z FROM varnimo");
            SqlRun run = RunSql(args);
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(run.out, "progver\tcatver\tz\n0.302\t1.5\t182.2\n");
            EXPECT_EQ(run.err, "");
        }
    }
}

TEST(SqlCommand, NullAndEmptyPrintAsEmptyFields) {
    REQUIRE_SERVER(base);
    SqlRun run = RunSql(With(base, {"-u", "varnimo_nopw", "SELECT NULL AS n, '' AS e, 'x' AS x"}));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "n\te\tx\n\t\tx\n");
}

// A value's own zero byte is printed, buffered or not; an IPv6 address works as -h.
TEST(SqlCommand, WholeValuesOverEitherAddressFamily) {
    REQUIRE_SERVER(base);
    std::vector<std::vector<std::string>> servers = {base};
    const char* host6 = std::getenv("VARNIMO_TEST_MYSQL_HOST6");
    if (host6 && *host6) {
        servers.push_back({"-h", host6, "-P", base[3]});
    } else {
        std::cerr << "no IPv6 loopback on this machine: -h ::1 is not tried\n";
    }
    for (const auto& server : servers) {
        for (bool buffered : {false, true}) {
            std::vector<std::string> args = With(server, {"-u", "varnimo_nopw"});
            if (buffered) {
                args.push_back("--buffered");
            }
            args.push_back("SELECT CHAR(97,0,98) AS v");
            SqlRun run = RunSql(args);
            EXPECT_EQ(run.status, 0) << server[1] << " " << run.err;
            EXPECT_EQ(run.out, std::string("v\na\0b\n", 6)) << server[1] << " " << buffered;
        }
    }
}

TEST(SqlCommand, StatementsWithoutRowsAndFailures) {
    REQUIRE_SERVER(base);
    SqlRun done = RunSql(With(base, {"-u", "varnimo_nopw", "DO 1"}));
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_EQ(done.out, "affected rows: 0\n");

    SqlRun denied = RunSql(With(base, {"-u", "pubaccount", "-p", "wrong", "SELECT 1"}));
    EXPECT_EQ(denied.status, 1);
    EXPECT_EQ(denied.err.rfind("error 1045: Access denied for user 'pubaccount'", 0), 0u)
        << denied.err;
    EXPECT_EQ(denied.out, "");

    SqlRun bad = RunSql(With(base, {"-u", "varnimo_nopw", "SELEKT 1"}));
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err.rfind("error 1064: ", 0), 0u) << bad.err;
}

TEST(SqlCommand, LocalFilesOnlyWhenAllowed) {
    REQUIRE_SERVER(base);
    std::string table = "varnimo_test.cli_loaded_" + std::to_string(::getpid());
    std::string path = "/tmp/varnimo-sql-load-" + std::to_string(::getpid()) + ".txt";
    {
        std::ofstream out(path, std::ios::binary);
        out << "one\ntwo\n";
    }
    auto user = [&](std::vector<std::string> more) {
        return With(With(base, {"-u", "varnimo_nopw"}), more);
    };
    ASSERT_EQ(RunSql(user({"CREATE TABLE " + table + " (line VARCHAR(20))"})).status, 0);
    std::string load = "LOAD DATA LOCAL INFILE '" + path + "' INTO TABLE " + table;

    SqlRun refused = RunSql(user({load}));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("not allowed"), std::string::npos) << refused.err;

    SqlRun allowed = RunSql(user({"--allow-local-files", load}));
    EXPECT_EQ(allowed.status, 0) << allowed.err;
    EXPECT_EQ(allowed.out, "affected rows: 2\n");
    EXPECT_EQ(RunSql(user({"SELECT COUNT(*) AS n FROM " + table})).out, "n\n2\n");

    RunSql(user({"DROP TABLE " + table}));
    ::unlink(path.c_str());
}

}  // namespace
}  // namespace varnimo::testing
