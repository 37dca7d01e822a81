// varnimo-cli update-check where no update server answers.

#include <gtest/gtest.h>

#include "app/closed_port.h"
#include "cli/update_check_support.h"

namespace varnimo {
namespace {

using testing::Grids;
using testing::RunUpdateCheck;

using testing::ClosedPort;

TEST(UpdateCheckCommand, ServerDownPrintsUnknownsBesideTheLocalVersions) {
    testing::TempDir dir;
    testing::WriteCollection("3.5");
    const std::vector<std::string> unknown(28, " ??? ");

    auto run = RunUpdateCheck(
        {"LC_ALL=C", "VARNIMO_UPDATE_SERVER=127.0.0.1:" + std::to_string(ClosedPort())});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, Grids("0.301", "2.07", "3.5", unknown, "No Updates Available"));
    EXPECT_NE(run.err.find("notice: There was an Error...\n"), std::string::npos) << run.err;

    // A setting that cannot be read is said so, and no server is asked.
    run = RunUpdateCheck({"LC_ALL=C", "VARNIMO_UPDATE_SERVER=127.0.0.1:port"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, Grids("0.301", "2.07", "3.5", unknown, "No Updates Available"));
    EXPECT_NE(run.err.find("varnimo-cli: VARNIMO_UPDATE_SERVER=127.0.0.1:port is not host[:port]"),
              std::string::npos)
        << run.err;
}

TEST(UpdateCheckCommand, UsageAndAMissingCatalogueEndBeforeAnyCheck) {
    testing::TempDir dir;
    auto run = RunUpdateCheck({}, {"now"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("usage: varnimo-cli [-C DIR] update-check"), std::string::npos);

    run = RunUpdateCheck({"VARNIMO_UPDATE_SERVER=127.0.0.1:1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.find("There was an Error"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace varnimo
