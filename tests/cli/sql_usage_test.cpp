// `varnimo-cli sql` refuses what it cannot run before it touches the network.

#include <gtest/gtest.h>

#include "sql_command_support.h"

namespace varnimo::testing {
namespace {

TEST(SqlCommandUsage, MistakesExitWithStatusTwo) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"-P", "port", "SELECT 1"},
                                               {"-P", "70000", "SELECT 1"},
                                               {"--timeout", "-1", "SELECT 1"},
                                               {"--bogus", "SELECT 1"},
                                               {"SELECT 1", "SELECT 2"},
                                               {"SELECT 1", "-h"}}) {
        SqlRun run = RunSql(args);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(args);
        EXPECT_NE(run.err.find("usage: varnimo-cli sql"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
}

TEST(SqlCommandUsage, NoHostIsAClientFailure) {
    SqlRun run = RunSql({"SELECT 1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("error ", 0), 0u) << run.err;
}

// No server listens on the pipe here (and POSIX has none at all): the open fails, naming the
// pipe that is always meant, whatever host was given.
TEST(SqlCommandUsage, NoPipeServerIs2017) {
    SqlRun run = RunSql({"--pipe", "-h", "db.example.net", "SELECT 1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "error 2017: Can't open named pipe to host: .  pipe: MySQL (2)\n");
}

}  // namespace
}  // namespace varnimo::testing
