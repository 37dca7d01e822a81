// varnimo-cli update-check against the private MariaDB that the test command starts, in a
// locale that writes numbers with a comma.

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

#include "cli/update_check_support.h"

namespace varnimo {
namespace {

using testing::Grids;
using testing::RunUpdateCheck;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : value;
}

TEST(UpdateCheckCommandMariadb, CommaLocaleShowsBothColumnsWithCommas) {
    if (Env("VARNIMO_TEST_MYSQL_PORT").empty()) {
        if (Env("CI") == "true")
            FAIL() << "VARNIMO_TEST_MYSQL_* are not set: no MariaDB to test against";
        GTEST_SKIP() << "no private MariaDB (VARNIMO_TEST_MYSQL_* not set)";
    }
    const auto locales = std::filesystem::temp_directory_path() / "varnimo-locale";
    std::filesystem::create_directories(locales);
    if (!std::filesystem::exists(locales / "de_DE.UTF-8" / "LC_NUMERIC")) {
        const std::string command = "localedef -i de_DE -f UTF-8 " +
                                    (locales / "de_DE.UTF-8").string() + " >/dev/null 2>&1";
        (void)std::system(command.c_str());  // warnings give a non-zero status too
    }
    if (!std::filesystem::exists(locales / "de_DE.UTF-8" / "LC_NUMERIC")) {
        GTEST_SKIP() << "cannot build a de_DE locale here";
    }

    testing::TempDir dir;
    testing::WriteCollection("3,5");  // pack files use the locale's separator
    // The server by its IPv4 address, and by its IPv6 one in brackets where it has one.
    const std::string port = Env("VARNIMO_TEST_MYSQL_PORT");
    std::vector<std::string> servers = {Env("VARNIMO_TEST_MYSQL_HOST") + ":" + port};
    if (!Env("VARNIMO_TEST_MYSQL_HOST6").empty())
        servers.push_back("[" + Env("VARNIMO_TEST_MYSQL_HOST6") + "]:" + port);
    else
        std::cerr << "no IPv6 loopback on this machine: [::1] is not tried\n";
    for (const std::string& server : servers) {
        auto run = RunUpdateCheck({"LOCPATH=" + locales.string(), "LC_ALL=de_DE.UTF-8",
                                   "VARNIMO_UPDATE_SERVER=" + server});

        // The row the test server keeps in varnimo.varnimo: its program, 0.302, is newer.
        const std::vector<std::string> row = {
            "0,302", "1,5",  "7,1",   "14,2",  "21,3",  "28",   "35,1",  "42,2", "49,3",  "56",
            "63,1",  "70,2", "77,3",  "84",    "91,1",  "98,2", "105,3", "112",  "119,1", "126,2",
            "133,3", "140",  "147,1", "154,2", "161,3", "168",  "175,1", "182,2"};
        EXPECT_EQ(run.status, 0) << server << " " << run.err;
        EXPECT_EQ(run.out, Grids("0,301", "2,07", "3,5", row, "Click here to go to Download Page"))
            << server;
        EXPECT_NE(run.err.find("notice: Downloaded Server variables\n"), std::string::npos)
            << run.err;
    }
}

}  // namespace
}  // namespace varnimo
