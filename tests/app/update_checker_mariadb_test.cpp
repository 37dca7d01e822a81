// The Update Checker against the private MariaDB that the test command starts. Every case
// reads a database of its own, made here as root through the stock client and named after
// this process, so suites and test processes that share the server do not disturb each other.

#include <gtest/gtest.h>

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/collection.h"
#include "app/recording_update_view.h"
#include "app/recording_view.h"
#include "app/update_checker.h"

namespace varnimo::app {
namespace {

using testing::RecordingUpdateView;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : value;
}

// Runs SQL as root over the server's socket; returns what the client printed.
std::string RootSql(const std::string& sql) {
    char name[] = "/tmp/varnimo-update-sql-XXXXXX";
    int fd = ::mkstemp(name);
    if (fd < 0)
        return "mkstemp failed";
    FILE* file = ::fdopen(fd, "w");
    std::fputs(sql.c_str(), file);
    std::fclose(file);
    const std::string command = "mariadb --no-defaults -uroot -N -B --socket='" +
                                Env("VARNIMO_TEST_MYSQL_SOCKET") + "' < " + name + " 2>&1";
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            out += buffer;
        ::pclose(pipe);
    }
    ::unlink(name);
    return out;
}

std::string Columns28() {
    std::string columns = "progver TEXT, catver TEXT";
    for (char letter = 'a'; letter <= 'z'; ++letter)
        columns += std::string(", ") + letter + " TEXT";
    return columns;
}

// ", '2'" for each of the 26 packs.
std::string Twos() {
    std::string values;
    for (int k = 0; k < 26; ++k)
        values += ", '2'";
    return values;
}

// This process's database of a kind ("row", "empty", ...).
std::string Db(const std::string& kind) {
    return "varnimo_upd_" + std::to_string(::getpid()) + "_" + kind;
}

std::string MakeDatabase(const std::string& kind, const std::string& table_sql) {
    const std::string db = Db(kind);
    return "CREATE DATABASE IF NOT EXISTS " + db + ";\nUSE " + db + ";\n" + table_sql +
           "GRANT SELECT ON " + db + ".* TO 'pubaccount'@'%';\n";
}

// The server row of the "row" database, as sent and as shown.
const char* const kRow[28] = {"0.302", "1.5", "7",  "  8.25", "2.5e1", "1E-7", "-3",
                              "0.1",   "9",   "10", "11",     "12",    "13",   "14",
                              "15",    "16",  "17", "18",     "19",    "20",   "21",
                              "22",    "23",  "24", "25",     "26.75", "100",  "1e300"};
const char* const kShown[28] = {"0.302", "1.5", "7",  "8.25", "25",    "1E-7", "-3",
                                "0.1",   "9",   "10", "11",   "12",    "13",   "14",
                                "15",    "16",  "17", "18",   "19",    "20",   "21",
                                "22",    "23",  "24", "25",   "26.75", "100",  "1E300"};

class UpdateCheckerMariadb : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (Env("VARNIMO_TEST_MYSQL_PORT").empty() || Env("VARNIMO_TEST_MYSQL_SOCKET").empty())
            return;
        std::string row = "'" + std::string(kRow[0]) + "'";
        for (int i = 1; i < 28; ++i)
            row += ", '" + std::string(kRow[i]) + "'";
        const std::string table = "CREATE OR REPLACE TABLE varnimo (" + Columns28() + ");\n";
        std::string nulls = "NULL, ''";
        for (const char* odd : {"'abc'", "'1.5x'", "' 1e2'", "'.'", "'0x10'"})
            nulls += std::string(", ") + odd;
        for (int i = 7; i < 28; ++i)
            nulls += ", '1'";
        setup_output_ = RootSql(
            MakeDatabase("row", table + "INSERT INTO varnimo VALUES (" + row + ");\n") +
            MakeDatabase("empty", table) +
            MakeDatabase("short",
                         "CREATE OR REPLACE TABLE varnimo (progver TEXT, catver TEXT);\n"
                         "INSERT INTO varnimo VALUES ('0.5', '2.25');\n") +
            MakeDatabase("odd", "CREATE OR REPLACE TABLE varnimo (" + Columns28() +
                                    ", extra TEXT);\nINSERT INTO varnimo VALUES (" + nulls +
                                    ", 'x');\nINSERT INTO varnimo VALUES (" + row + ", 'y');\n") +
            MakeDatabase("notable", "DROP TABLE IF EXISTS varnimo;\n") +
            MakeDatabase("same",
                         table + "INSERT INTO varnimo VALUES ('0.301', '1.5'" + Twos() + ");\n"));
    }

    static void TearDownTestSuite() {
        if (Env("VARNIMO_TEST_MYSQL_SOCKET").empty())
            return;
        std::string drop;
        for (const char* kind : {"row", "empty", "short", "odd", "notable", "same"}) {
            drop += "DROP DATABASE IF EXISTS " + Db(kind) + ";\n";
        }
        RootSql(drop);
    }

    void SetUp() override {
        if (Env("VARNIMO_TEST_MYSQL_PORT").empty()) {
            if (Env("CI") == "true")
                FAIL() << "VARNIMO_TEST_MYSQL_* are not set: no MariaDB to test against";
            GTEST_SKIP() << "no private MariaDB (VARNIMO_TEST_MYSQL_* not set)";
        }
        ASSERT_EQ(setup_output_, "") << "setting up the test databases failed";
    }

    UpdateServerAddress Server(const std::string& database) const {
        return UpdateServerAddress{Env("VARNIMO_TEST_MYSQL_HOST"),
                                   std::atoi(Env("VARNIMO_TEST_MYSQL_PORT").c_str()), database};
    }

    // True once the server no longer lists connection `id` (a quit is handled a moment later).
    static bool ConnectionGone(std::uint32_t id) {
        for (int i = 0; i < 50; ++i) {
            if (RootSql("SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE ID = " +
                        std::to_string(id) + ";") == "0\n") {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    static inline std::string setup_output_;
    testing::RecordingView main_view;
    app::Collection collection;
    RecordingUpdateView view;
};

TEST_F(UpdateCheckerMariadb, ShowsTheServerRowOnceTheBoxIsClosed) {
    UpdateChecker checker(view, collection, Server(Db("row")));
    checker.Activate();
    std::vector<std::string> server_column_during_box;
    view.on_box = [&](const std::string&) { server_column_during_box = view.Column(2); };
    checker.Connect();

    EXPECT_EQ(view.connection_caption, "Connected!");
    EXPECT_EQ(view.boxes, std::vector<std::string>{"Downloaded Server variables"});
    EXPECT_FALSE(view.box_while_busy);
    EXPECT_EQ(server_column_during_box, std::vector<std::string>(28));
    EXPECT_EQ(view.Column(2), std::vector<std::string>(std::begin(kShown), std::end(kShown)));
    EXPECT_DOUBLE_EQ(checker.ServerProgramVersion(), 0.302);
    EXPECT_DOUBLE_EQ(checker.ServerPackVersions()[25], 1e300);
    EXPECT_EQ(checker.LastOutcome(), UpdateChecker::Outcome::Downloaded);
    // Held, unbuffered, still reading from the connected client.
    ASSERT_NE(checker.UpdateResult(), nullptr);
    EXPECT_FALSE(checker.UpdateResult()->IsBuffered());
    EXPECT_EQ(checker.UpdateResult()->SourceClient(), checker.UpdateClient());
    EXPECT_TRUE(checker.UpdateClient()->IsConnectionOpen());

    // The built-in database answers the same way.
    RecordingUpdateView real_view;
    UpdateChecker real(real_view, collection, Server("varnimo"));
    real.Activate();
    real.Connect();
    EXPECT_EQ(real_view.boxes, std::vector<std::string>{"Downloaded Server variables"});
}

TEST_F(UpdateCheckerMariadb, EachPressConnectsANewClientAndEndsTheOldOne) {
    UpdateChecker checker(view, collection, Server(Db("row")));
    checker.Activate();
    checker.Connect();
    const mysql::Client* first = checker.UpdateClient();
    const std::uint32_t first_id = first->ThreadId();
    checker.Connect();

    ASSERT_NE(checker.UpdateClient(), first);
    EXPECT_NE(checker.UpdateClient()->ThreadId(), first_id);
    ASSERT_NE(checker.UpdateResult(), nullptr);
    EXPECT_EQ(checker.UpdateResult()->SourceClient(), checker.UpdateClient());
    EXPECT_EQ(view.boxes, std::vector<std::string>(2, "Downloaded Server variables"));
    EXPECT_EQ(view.Column(2), std::vector<std::string>(std::begin(kShown), std::end(kShown)));
    EXPECT_TRUE(ConnectionGone(first_id));
}

TEST_F(UpdateCheckerMariadb, EmptyShortAndOddRowsGiveZeros) {
    struct Case {
        std::string database;
        std::vector<std::string> shown;
    };
    std::vector<std::string> short_row(28, "0");
    short_row[0] = "0.5";
    short_row[1] = "2.25";
    // NULL, empty, "abc", "1.5x", " 1e2", ".", "0x10", then 1s; the second row is ignored.
    std::vector<std::string> odd_row = {"0", "0", "0", "0", "100", "0", "0"};
    odd_row.resize(28, "1");
    for (const Case& c : {Case{Db("empty"), std::vector<std::string>(28, "0")},
                          Case{Db("short"), short_row}, Case{Db("odd"), odd_row}}) {
        RecordingUpdateView fresh;
        UpdateChecker checker(fresh, collection, Server(c.database));
        checker.Activate();
        checker.Connect();
        EXPECT_EQ(fresh.boxes, std::vector<std::string>{"Downloaded Server variables"})
            << c.database;
        EXPECT_EQ(fresh.Column(2), c.shown) << c.database;
    }
}

// After a read the link replaces "No Updates Available" when the server has a newer program,
// catalogue or pack of those the user has; a failed check changes neither label.
TEST_F(UpdateCheckerMariadb, DownloadLinkOnlyForSomethingNewer) {
    struct Case {
        std::string database;
        double catalogue;
        double pack_b;  // pack a stays 0: not the user's, whatever the server has
        bool link;
    };
    const Case cases[] = {
        {Db("same"), 1.5, 2, false},     // all equal, pack a not owned
        {Db("same"), 1.75, 2.5, false},  // the user's are newer
        {Db("same"), 1.25, 2, true},     // catalogue
        {Db("same"), 1.5, 1.5, true},    // an owned pack
        {Db("row"), 100, 100, true},     // the program (0.302 against 0.301)
        {Db("notable"), 0, 0, false},    // failed check
    };
    for (const Case& c : cases) {
        RecordingUpdateView fresh;
        collection.SetDatabaseVersion(c.catalogue);
        collection.SetScreenPackVersion(1, c.pack_b);
        UpdateChecker checker(fresh, collection, Server(c.database));
        checker.Activate();
        checker.Connect();
        EXPECT_EQ(fresh.download_link_visible, c.link) << c.database << " " << c.catalogue;
        EXPECT_EQ(fresh.no_updates_visible, !c.link) << c.database << " " << c.catalogue;
        EXPECT_EQ(checker.UpdatesAvailable(), c.link);
    }
}

TEST_F(UpdateCheckerMariadb, MissingTableIsAnErrorAfterConnecting) {
    UpdateChecker checker(view, collection, Server(Db("notable")));
    checker.Activate();
    checker.Connect();
    EXPECT_EQ(view.connection_caption, "Connected!");
    EXPECT_EQ(view.boxes, std::vector<std::string>{"There was an Error..."});
    EXPECT_EQ(view.Column(2), std::vector<std::string>(28, " ??? "));
    EXPECT_EQ(checker.UpdateResult(), nullptr);
}

TEST_F(UpdateCheckerMariadb, ExitClosesTheConnectionAndReopeningKeepsTheServerColumn) {
    UpdateChecker checker(view, collection, Server(Db("row")));
    checker.Activate();
    checker.Connect();
    const std::uint32_t id = checker.UpdateClient()->ThreadId();
    checker.Exit();

    EXPECT_EQ(view.closed, 1);
    EXPECT_FALSE(checker.UpdateClient()->IsConnectionOpen());
    ASSERT_NE(checker.UpdateResult(), nullptr);  // held, but detached: it reads nothing more
    EXPECT_EQ(checker.UpdateResult()->SourceClient(), nullptr);
    EXPECT_TRUE(ConnectionGone(id));

    // A Reset read new local versions; the next showing shows them beside the old answer.
    collection.SetDatabaseVersion(3.25);
    collection.SetScreenPackVersion(1, 2);
    checker.Activate();
    EXPECT_EQ(view.Cell(UpdateGrid::Versions, 1, 2), "3.25");
    EXPECT_EQ(view.Cell(UpdateGrid::PacksAToM, 1, 2), "2");
    EXPECT_EQ(view.Column(2), std::vector<std::string>(std::begin(kShown), std::end(kShown)));
    EXPECT_EQ(view.connection_caption, "Connected!");
    EXPECT_NE(checker.UpdateResult(), nullptr);
    EXPECT_FALSE(checker.UpdateClient()->IsConnectionOpen());

    checker.Connect();
    EXPECT_EQ(view.boxes.size(), 2u);
    EXPECT_EQ(checker.UpdateResult()->SourceClient(), checker.UpdateClient());
}

TEST_F(UpdateCheckerMariadb, ShowingAgainWithoutExitReleasesTheResultBeforeItsClient) {
    UpdateChecker checker(view, collection, Server(Db("row")));
    checker.Activate();
    checker.Connect();
    const std::uint32_t id = checker.UpdateClient()->ThreadId();
    checker.Activate();
    EXPECT_EQ(checker.UpdateResult(), nullptr);
    EXPECT_FALSE(checker.UpdateClient()->IsConnectionOpen());
    EXPECT_TRUE(ConnectionGone(id));
    EXPECT_EQ(view.waiting, 0);
}

}  // namespace
}  // namespace varnimo::app
