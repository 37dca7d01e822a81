// `varnimo-cli sql --pipe` against the scripted server listening on \\.\pipe\MySQL.

#include <gtest/gtest.h>

#include "scripted_server.h"
#include "sql_command_support.h"

namespace varnimo::testing {
namespace {

using namespace mysql::testing;

TEST(SqlCommandPipe, RowsComeOverTheLocalPipe) {
    ScriptedServer server(ListenOn::NamedPipe);
    server.SendPacket(0, Greeting())
        .ReceivePacket()
        .SendPacket(2, OkPacket())
        .ReceivePacket()  // the ping before the query
        .SendPacket(1, OkPacket())
        .ReceivePacket()
        .SendPacket(1, {2})
        .SendPacket(2, FieldPacket("varnimo", "progver", 20, 252))
        .SendPacket(3, FieldPacket("varnimo", "catver", 20, 252))
        .SendPacket(4, EndMarker())
        .SendPacket(5, RowPacket({"0.302", "1.5"}))
        .SendPacket(6, EndMarker());
    server.Start();
    SqlRun run = RunSql({"--pipe", "--no-compress", "-u", "pubaccount", "-p", "kobal",
                         "SELECT progver, catver FROM varnimo"});
    server.Finish(500);
    EXPECT_EQ(server.Failure(), "");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "progver\tcatver\n0.302\t1.5\n");
    ASSERT_EQ(server.Received().size(), 3u);
    EXPECT_EQ(PayloadOf(server.Received()[2]),
              Concat({{3}, Text("SELECT progver, catver FROM varnimo")}));
}

}  // namespace
}  // namespace varnimo::testing
