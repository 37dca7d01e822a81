// The Update Checker against the in-process scripted server, for answers a real server does
// not give to its query: a reply without a result set, bytes that come one at a time, rows
// without end.

#include <gtest/gtest.h>

#include "app/collection.h"
#include "app/recording_update_view.h"
#include "app/recording_view.h"
#include "app/update_checker.h"
#include "mysql/errors.h"
#include "scripted_server.h"
#include "support/test_sockets.h"

namespace varnimo::app {
namespace {

using namespace mysql::testing;

// A first press that reads program 9, catalogue 7 and pack a 8 (the other packs are missing
// columns: 0); the row's end marker stays unread, as the checker reads the first row only.
// The press after it connects anew.
void AnswerFirstPressWithARow(ScriptedServer& server, const GreetingFields& greeting) {
    Bytes answer =
        Concat({PlainFrame(1, {3}), PlainFrame(2, FieldPacket("t", "progver", 16, 254)),
                PlainFrame(3, FieldPacket("t", "dbver", 16, 254)),
                PlainFrame(4, FieldPacket("t", "a", 16, 254)), PlainFrame(5, EndMarker()),
                PlainFrame(6, RowPacket({"9", "7", "8"})), PlainFrame(7, EndMarker())});
    server.SendPacket(0, Greeting(greeting))
        .ReceivePacket()
        .SendPacket(2, OkPacket())  // login
        .ReceivePacket()
        .SendPacket(1, OkPacket())  // ping
        .ReceivePacket()
        .Send(answer)
        .Accept();
}

void PressForTheFirstRow(UpdateChecker& checker, testing::RecordingUpdateView& view) {
    checker.Activate();
    checker.Connect();
    ASSERT_EQ(checker.LastOutcome(), UpdateChecker::Outcome::Downloaded);
    ASSERT_EQ(checker.ServerProgramVersion(), 9);
    ASSERT_EQ(checker.ServerPackVersions()[0], 8);
    view.boxes.clear();
}

TEST(UpdateCheckerScripted, AnswerWithoutResultSetChangesNothingButSaysSo) {
    GreetingFields greeting;
    greeting.capabilities &= ~0x0020;  // no compression: the script speaks plain packets
    ScriptedServer server;
    AnswerFirstPressWithARow(server, greeting);
    server.SendPacket(0, Greeting(greeting))
        .ReceivePacket()
        .SendPacket(2, OkPacket())  // login
        .ReceivePacket()
        .SendPacket(1, OkPacket())  // ping
        .ReceivePacket()
        .SendPacket(1, OkPacket(1));  // the query, answered like a statement
    server.Start();

    testing::RecordingView main_view;
    app::Collection collection;
    testing::RecordingUpdateView view;
    {
        UpdateChecker checker(view, collection, UpdateServerAddress{"127.0.0.1", server.Port()});
        PressForTheFirstRow(checker, view);
        const std::vector<std::string> first_column = view.Column(2);
        checker.Connect();

        EXPECT_EQ(view.connection_caption, "Connected!");
        EXPECT_EQ(view.boxes, std::vector<std::string>{"All Checked, but something was wrong"});
        EXPECT_EQ(view.Column(2), first_column);
        EXPECT_EQ(checker.ServerProgramVersion(), 9);
        EXPECT_EQ(checker.ServerPackVersions()[0], 8);
        EXPECT_EQ(checker.UpdateResult(), nullptr);
        EXPECT_EQ(checker.LastOutcome(), UpdateChecker::Outcome::NoResultSet);
    }
    server.Finish();
    EXPECT_EQ(server.Failure(), "");
    ASSERT_EQ(server.Received().size(), 6u);
    const Bytes& query = server.Received()[5];
    EXPECT_EQ(std::string(query.begin() + 5, query.end()), "SELECT * FROM varnimo");
    EXPECT_EQ(query[4], 3);  // the query command
}

// A first connection that fails is tried exactly once more (by the query's reconnect), and
// then the check fails the ordinary way: a server that hangs up at once, and one that
// refuses the login.
TEST(UpdateCheckerScripted, FailedConnectIsTriedOnceMoreThenUnknowns) {
    GreetingFields greeting;
    greeting.capabilities &= ~0x0020;
    const Bytes refusal = ErrorPacket(1045, "Access denied for user 'pubaccount'");
    struct Case {
        const char* name;
        bool refuse_login;
    };
    for (const Case& c : {Case{"hangs up", false}, Case{"login refused", true}}) {
        ScriptedServer server;
        AnswerFirstPressWithARow(server, greeting);
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (attempt > 0)
                server.Accept();
            if (c.refuse_login)
                server.SendPacket(0, Greeting(greeting)).ReceivePacket().SendPacket(2, refusal);
            else
                server.Disconnect();
        }
        server.Start();
        testing::RecordingView main_view;
        app::Collection collection;
        testing::RecordingUpdateView view;
        UpdateChecker checker(view, collection, UpdateServerAddress{"127.0.0.1", server.Port()});
        PressForTheFirstRow(checker, view);
        checker.Connect();

        EXPECT_EQ(view.connection_caption, "ERROR - Not connected!") << c.name;
        EXPECT_EQ(view.boxes, std::vector<std::string>{"There was an Error..."}) << c.name;
        EXPECT_EQ(view.Column(2), std::vector<std::string>(28, " ??? ")) << c.name;
        EXPECT_EQ(checker.ServerProgramVersion(), 0) << c.name;
        EXPECT_EQ(checker.ServerDatabaseVersion(), 0) << c.name;
        EXPECT_EQ(checker.ServerPackVersions()[0], 8) << c.name;
        EXPECT_EQ(checker.LastOutcome(), UpdateChecker::Outcome::Failed) << c.name;
        // The labels stay as the first press left them: program 9 is newer.
        EXPECT_TRUE(!view.no_updates_visible && view.download_link_visible) << c.name;
        server.Finish(0);
        EXPECT_EQ(server.Failure(), "") << c.name;
        EXPECT_FALSE(server.HasWaitingClient()) << c.name << ": a third attempt";
        EXPECT_EQ(server.Received().size(), c.refuse_login ? 5u : 3u) << c.name;
    }
}

// A server that sends one byte at a time, each well within the client's timeout, is given up
// on when the check's deadline has passed: while it sends its greeting (the query's second
// connection attempt then finds no time left either), and while it sends the query's answer.
TEST(UpdateCheckerScripted, TrickleIsCutOffAtTheDeadline) {
    GreetingFields greeting;
    greeting.capabilities &= ~0x0020;
    const Bytes answer =
        Concat({PlainFrame(1, {1}), PlainFrame(2, FieldPacket("t", "progver", 16, 254)),
                PlainFrame(3, EndMarker()), PlainFrame(4, RowPacket({"0.5"})),
                PlainFrame(5, EndMarker())});
    auto trickle = [](ScriptedServer& server, const Bytes& bytes) {
        for (uint8_t byte : bytes)
            server.Send({byte}).Pause(40);
    };
    struct Case {
        bool slow_greeting;
        const char* label;
        int32_t code;
        std::string text;
    };
    const Case cases[] = {
        {true, "ERROR - Not connected!", mysql::kErrConnectionFailed,
         mysql::FormatClientError(mysql::kErrConnectionFailed, "127.0.0.1",
                                  varnimo::testing::kTimedOut)},
        {false, "Connected!", mysql::kErrServerLost, mysql::ErrorMessage(mysql::kErrServerLost)},
    };
    for (const Case& c : cases) {
        ScriptedServer server;
        if (c.slow_greeting)
            trickle(server, PlainFrame(0, Greeting(greeting)));
        else
            server.SendPacket(0, Greeting(greeting));
        server.ReceivePacket()
            .SendPacket(2, OkPacket())  // login
            .ReceivePacket()
            .SendPacket(1, OkPacket())  // ping
            .ReceivePacket();
        if (c.slow_greeting)
            server.Send(answer);
        else
            trickle(server, answer);
        server.Start();

        testing::RecordingView main_view;
        app::Collection collection;
        testing::RecordingUpdateView view;
        UpdateChecker checker(view, collection, UpdateServerAddress{"127.0.0.1", server.Port()},
                              std::chrono::milliseconds(300));
        checker.Activate();
        checker.Connect();

        EXPECT_EQ(checker.LastOutcome(), UpdateChecker::Outcome::Failed) << c.label;
        EXPECT_EQ(view.connection_caption, c.label);
        EXPECT_EQ(view.boxes, std::vector<std::string>{"There was an Error..."}) << c.label;
        EXPECT_EQ(checker.UpdateClient()->LastErrorCode(), c.code) << c.label;
        EXPECT_EQ(checker.UpdateClient()->LastErrorText(), c.text) << c.label;
        EXPECT_EQ(view.waiting, 0);
        server.Finish(0);
    }
}

// A server that sends rows without end: the check reads the first, and when it lets the
// result go (a second press, showing the dialog again, the end of the check in the terminal)
// it closes the connection with the quit command instead of reading the rest.
TEST(UpdateCheckerScripted, RowsWithoutEndAreNotReadToTheirEnd) {
    GreetingFields greeting;
    greeting.capabilities &= ~0x0020;
    // Sent in one piece, so that the server is done sending before the client lets go.
    Bytes answer = Concat({PlainFrame(1, {1}), PlainFrame(2, FieldPacket("t", "progver", 16, 254)),
                           PlainFrame(3, EndMarker())});
    for (uint8_t seq = 4; seq < 40; ++seq)
        answer = Concat({answer, PlainFrame(seq, RowPacket({"0." + std::to_string(seq)}))});
    enum class LetGo { SecondPress, ShownAgain, CheckEnds };
    for (LetGo let_go : {LetGo::SecondPress, LetGo::ShownAgain, LetGo::CheckEnds}) {
        ScriptedServer server;
        server.SendPacket(0, Greeting(greeting))
            .ReceivePacket()
            .SendPacket(2, OkPacket())  // login
            .ReceivePacket()
            .SendPacket(1, OkPacket())  // ping
            .ReceivePacket()
            .Send(answer);
        server.Start();  // and then nothing: no end marker, the connection stays open

        testing::RecordingView main_view;
        app::Collection collection;
        testing::RecordingUpdateView view;
        auto checker = std::make_unique<UpdateChecker>(
            view, collection, UpdateServerAddress{"127.0.0.1", server.Port()},
            std::chrono::milliseconds(300));
        checker->Activate();
        checker->Connect();
        EXPECT_EQ(checker->ServerProgramVersion(), 0.4);
        switch (let_go) {
            case LetGo::SecondPress:  // finds no greeting on its own connection
                checker->Connect();
                EXPECT_EQ(checker->UpdateResult(), nullptr);
                break;
            case LetGo::ShownAgain:
                checker->Activate();
                EXPECT_EQ(checker->UpdateResult(), nullptr);
                break;
            case LetGo::CheckEnds:
                checker.reset();
                break;
        }
        server.Finish();
        EXPECT_EQ(server.Failure(), "");
        EXPECT_EQ(server.Trailing(), FromHex("01 00 00 00 01")) << static_cast<int>(let_go);
    }
}

}  // namespace
}  // namespace varnimo::app
