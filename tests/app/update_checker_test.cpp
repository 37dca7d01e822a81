// The Update Checker's logic without a server: the server setting, the local column, and
// every way a check can fail before a server answers.

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/closed_port.h"
#include "app/collection.h"
#include "app/recording_update_view.h"
#include "app/recording_view.h"
#include "app/update_checker.h"
#include "support/test_env.h"

namespace varnimo::app {
namespace {

using testing::RecordingUpdateView;

TEST(UpdateServerSetting, ReadsHostAndPortForms) {
    auto check = [](const char* text, const char* host, int port) {
        auto address = ParseUpdateServer(text);
        ASSERT_TRUE(address) << text;
        EXPECT_EQ(address->host, host) << text;
        EXPECT_EQ(address->port, port) << text;
        EXPECT_EQ(address->database, "varnimo");
    };
    check("db.example.net", "db.example.net", 3306);
    check("127.0.0.1:3307", "127.0.0.1", 3307);
    check("[::1]:65535", "::1", 65535);
    check("[fe80::1]", "fe80::1", 3306);
    check("::1", "::1", 3306);
    for (const char* bad : {"", ":3307", "host:", "host:0", "host:65536", "host:33o6", "host:+1",
                            "host:-1", "host:3306 ", "[::1", "[::1]x", "[]:3306", "a b:1"}) {
        EXPECT_FALSE(ParseUpdateServer(bad)) << bad;
    }
}

TEST(UpdateServerSetting, UnreadableValueAsksNoServer) {
    std::string problem;
    testing::UnsetVariable(kUpdateServerVariable);
    EXPECT_EQ(UpdateServerFromEnvironment(&problem).host, kUpdateServerHost);
    testing::SetVariable(kUpdateServerVariable, "localhost:99999");
    EXPECT_EQ(UpdateServerFromEnvironment(&problem).host, "");
    EXPECT_NE(problem.find("localhost:99999"), std::string::npos) << problem;
    testing::SetVariable(kUpdateServerVariable, "localhost:3310");
    EXPECT_EQ(UpdateServerFromEnvironment().port, 3310);
    testing::UnsetVariable(kUpdateServerVariable);
}

using testing::ClosedPort;

class UpdateCheckerTest : public ::testing::Test {
  protected:
    testing::RecordingView main_view;
    app::Collection collection;
    RecordingUpdateView view;
};

TEST_F(UpdateCheckerTest, ActivationWritesHeadersAndTheLocalVersionsEveryTime) {
    UpdateChecker checker(view, collection, UpdateServerAddress{"127.0.0.1", ClosedPort()});
    collection.SetDatabaseVersion(2.07);
    collection.SetScreenPackVersion(0, 3);
    collection.SetScreenPackVersion(12, 12.5);
    collection.SetScreenPackVersion(25, 1e-7);
    checker.Activate();

    EXPECT_EQ(view.Cell(UpdateGrid::Versions, 0, 0), "Versions");
    EXPECT_EQ(view.Cell(UpdateGrid::Versions, 2, 0), "Server");
    EXPECT_EQ(view.Cell(UpdateGrid::Versions, 0, 2), "Database");
    EXPECT_EQ(view.Cell(UpdateGrid::PacksNToZ, 0, 0), "Letter");
    EXPECT_EQ(view.Cell(UpdateGrid::PacksAToM, 0, 13), "m");
    EXPECT_EQ(view.Cell(UpdateGrid::PacksNToZ, 0, 1), "n");
    EXPECT_EQ(view.Cell(UpdateGrid::PacksNToZ, 0, 13), "z");
    std::vector<std::string> yours = view.Column(1);
    EXPECT_EQ(yours[0], "0.301");
    EXPECT_EQ(yours[1], "2.07");
    EXPECT_EQ(yours[2], "3");
    EXPECT_EQ(yours[3], "0");
    EXPECT_EQ(yours[14], "12.5");
    EXPECT_EQ(yours[27], "1E-7");
    EXPECT_EQ(view.Column(2), std::vector<std::string>(28));  // nothing asked yet
    mysql::Client* first = checker.UpdateClient();
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(first->IsConnectionOpen());

    // A Reset between two showings changes the local values; the next showing shows them.
    collection.SetDatabaseVersion(2.5);
    collection.SetScreenPackVersion(25, 4);
    checker.Activate();
    EXPECT_EQ(view.Cell(UpdateGrid::Versions, 1, 2), "2.5");
    EXPECT_EQ(view.Cell(UpdateGrid::PacksNToZ, 1, 13), "4");
    EXPECT_NE(checker.UpdateClient(), nullptr);
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(UpdateCheckerTest, NoServerShowsUnknownsAndEndsTheWaitFirst) {
    // Refused at the port, and a setting that names no server at all: both the ordinary
    // failure, and the second never touches the network.
    for (UpdateServerAddress server :
         {UpdateServerAddress{"127.0.0.1", ClosedPort()}, UpdateServerAddress{"", 3306}}) {
        RecordingUpdateView fresh;
        UpdateChecker checker(fresh, collection, server);
        checker.Activate();
        checker.Connect();

        EXPECT_EQ(fresh.connection_caption, "ERROR - Not connected!");
        EXPECT_EQ(fresh.boxes, std::vector<std::string>{"There was an Error..."});
        EXPECT_FALSE(fresh.box_while_busy);
        EXPECT_EQ(fresh.waiting, 0);
        EXPECT_EQ(fresh.Column(2), std::vector<std::string>(28, " ??? "));
        EXPECT_EQ(checker.ServerProgramVersion(), 0);
        EXPECT_EQ(checker.ServerDatabaseVersion(), 0);
        EXPECT_EQ(checker.ServerPackVersions()[4], 0);
        EXPECT_EQ(checker.UpdateResult(), nullptr);
        EXPECT_EQ(checker.LastOutcome(), UpdateChecker::Outcome::Failed);

        checker.Exit();
        EXPECT_EQ(fresh.closed, 1);
    }
}

TEST_F(UpdateCheckerTest, DownloadLinkOpensTheHomepage) {
    UpdateChecker checker(view, collection, UpdateServerAddress{});
    checker.OpenDownloadPage();
    checker.OpenDownloadPage();
    EXPECT_EQ(view.addresses, std::vector<std::string>(2, app::kHomepageAddress));
}

}  // namespace
}  // namespace varnimo::app
