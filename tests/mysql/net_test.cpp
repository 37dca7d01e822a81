// The transport and the packet layer against the scripted server: framing, sequence numbers,
// size limits, compression and the error state after failed reads.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include "../support/test_sockets.h"
#include "mysql/errors.h"
#include "mysql/packet_channel.h"
#include "mysql/protocol.h"
#include "scripted_server.h"

namespace varnimo::mysql {
namespace {

using namespace testing;
using ::testing::AnyOf;
using ::testing::HasSubstr;

std::string Payload(const PacketChannel& net, std::size_t length) {
    return std::string(reinterpret_cast<const char*>(net.ReadPtr()), length);
}

// Opens `net` to `server`, whose script begins by sending PlainFrame(0, "hi"), and reads it.
void OpenAndReadHello(PacketChannel& net, ScriptedServer& server, int timeout = 5) {
    ASSERT_EQ(net.Open(TransportKind::TcpIp, "127.0.0.1", "", server.Port(), timeout, true),
              ConnectStatus::Connected);
    ASSERT_EQ(net.ReadReply(), 2);
}

Bytes Hello() {
    return PlainFrame(0, Text("hi"));
}

TEST(Transport, ConnectRules) {
    Transport vio;
    vio.SetLastErrorCode(77);
    vio.SetLastErrorText("old");
    // TCP/IP asked for but not allowed: nothing opens, the error state is cleared.
    EXPECT_EQ(vio.Connect(TransportKind::TcpIp, "127.0.0.1", "", 1, 0, false),
              ConnectStatus::NothingOpened);
    EXPECT_EQ(vio.Kind(), TransportKind::Closed);
    EXPECT_EQ(vio.LastErrorCode(), 0);
    EXPECT_EQ(vio.LastErrorText(), "");
    EXPECT_EQ(vio.TimeoutSecs(), 30);
    EXPECT_FALSE(vio.SetBlocking(true));

    // No named pipes here: the attempt fails as a pipe that could not be opened, naming the
    // only pipe ever opened, whatever the caller asked for.
    EXPECT_EQ(vio.Connect(TransportKind::NamedPipe, "server", "other", 1, 0, false),
              ConnectStatus::PipeFailed);
    EXPECT_EQ(vio.LastErrorCode(), kErrNamedPipeOpen);
    EXPECT_EQ(vio.LastErrorText(), "Can't open named pipe to host: .  pipe: MySQL (2)");

    // With the fallback allowed it goes on to TCP/IP and forgets the pipe's error.
    ScriptedServer server;
    server.Send(Hello());
    server.Start();
    EXPECT_EQ(vio.Connect(TransportKind::NamedPipe, "127.0.0.1", "other", server.Port(), 7, true),
              ConnectStatus::Connected);
    EXPECT_EQ(vio.Kind(), TransportKind::TcpIp);
    EXPECT_EQ(vio.LastErrorCode(), 0);
    EXPECT_TRUE(vio.IsNonBlocking());
    EXPECT_EQ(vio.PipeHandle(), 0);
    EXPECT_EQ(vio.TimeoutSecs(), 7);
    // Already open: refused, nothing changes.
    vio.SetLastErrorCode(5);
    EXPECT_EQ(vio.Connect(TransportKind::TcpIp, "127.0.0.1", "", server.Port(), 3, true),
              ConnectStatus::AlreadyOpen);
    EXPECT_EQ(vio.TimeoutSecs(), 7);
    EXPECT_EQ(vio.LastErrorCode(), 5);
    EXPECT_TRUE(vio.SetBlocking(false));
    vio.Close();
    EXPECT_EQ(vio.Kind(), TransportKind::Closed);
    EXPECT_EQ(vio.Socket(), -1);
    EXPECT_FALSE(vio.IsNonBlocking());
    EXPECT_EQ(vio.LastErrorCode(), 5);

    vio.SetLastErrorText(std::string(300, 'e'));
    EXPECT_EQ(vio.LastErrorText().size(), 200u);
}

TEST(Transport, SilentServerAndRefusedPortGive2003) {
    ScriptedServer silent;
    silent.Pause(1500);
    silent.Start();
    Transport vio;
    EXPECT_EQ(vio.Connect(TransportKind::TcpIp, "127.0.0.1", "", silent.Port(), 1, true),
              ConnectStatus::NoAnswer);
    EXPECT_EQ(vio.LastErrorCode(), kErrConnectionFailed);
    EXPECT_THAT(vio.LastErrorText(), HasSubstr("Can't connect to MySQL server on '127.0.0.1' ("));
    EXPECT_EQ(vio.Kind(), TransportKind::Closed);

    // A closed port refuses either at the connect call or while its answer is awaited.
    EXPECT_THAT(
        vio.Connect(TransportKind::TcpIp, "127.0.0.1", "", varnimo::testing::ClosedPort(), 2, true),
        AnyOf(ConnectStatus::Refused, ConnectStatus::NoAnswer));
    EXPECT_EQ(vio.LastErrorCode(), kErrConnectionFailed);
    EXPECT_EQ(vio.Kind(), TransportKind::Closed);
}

// An IPv6 address, bare or in brackets, is connected to as one: to a listener on ::1 where the
// machine has IPv6, else the attempt fails as a connection, never as an unknown host.
TEST(Transport, IPv6LoopbackBareOrInBrackets) {
    using namespace varnimo::testing;
    for (const char* host : {"::1", "[::1]"}) {
        Transport vio;
        int listener = OpenSocket(AF_INET6);
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        socklen_t length = sizeof address;
        if (listener < 0 ||
            ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener, 2) != 0 ||
            ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            EXPECT_NE(vio.Connect(TransportKind::TcpIp, host, "", ClosedPort(), 2, true),
                      ConnectStatus::Connected);
            EXPECT_THAT(vio.LastErrorCode(),
                        ::testing::AnyOf(kErrConnectionFailed, kErrTcpSocketCreate))
                << vio.LastErrorText();
        } else {
            int peer = -1;
            std::thread server([&] {
                if (PollOne(listener, POLLIN, 10000) > 0 && (peer = AcceptOn(listener)) >= 0) {
                    SendSome(peer, "x", 1);
                }
            });
            EXPECT_EQ(
                vio.Connect(TransportKind::TcpIp, host, "", ntohs(address.sin6_port), 10, true),
                ConnectStatus::Connected)
                << host << ": " << vio.LastErrorText();
            server.join();
            EXPECT_EQ(vio.Kind(), TransportKind::TcpIp) << host;
            if (peer >= 0) {
                CloseSocket(peer);
            }
        }
        if (listener >= 0) {
            CloseSocket(listener);
        }
    }
}

TEST(PacketLayer, WritesAreFramedNumberedAndBuffered) {
    ScriptedServer server;
    server.Send(Hello()).Receive(7).Receive(15);
    server.Start();
    PacketChannel net;
    OpenAndReadHello(net, server);

    net.ResetSequence();
    Bytes three = {'a', 'b', 'c'};
    ASSERT_EQ(net.WritePacket(three.data(), 3), SendStatus::Sent);
    EXPECT_EQ(net.SeqNo(), 1);
    EXPECT_EQ(Bytes(net.OutputData(), net.OutputData() + net.PendingOutput()),
              FromHex("03 00 00 00 61 62 63"));
    ASSERT_EQ(net.Flush(), SendStatus::Sent);
    EXPECT_EQ(net.PendingOutput(), 0u);

    net.ResetSequence();
    Bytes ten = Text("0123456789");
    ASSERT_EQ(net.WriteCommand(3, ten.data(), ten.size()), SendStatus::Sent);
    EXPECT_EQ(net.SeqNo(), 1);
    server.Finish(0);
    ASSERT_EQ(server.Failure(), "");
    EXPECT_EQ(server.Received()[0], FromHex("03 00 00 00 61 62 63"));
    EXPECT_EQ(server.Received()[1], Concat({FromHex("0b 00 00 00 03"), ten}));
}

TEST(PacketLayer, SixteenMegabyteLimits) {
    constexpr std::size_t kLargest = 16777214;
    ScriptedServer server;
    // The server reads late: the socket fills, and the send goes on in blocking mode.
    server.Send(Hello()).Pause(300).Receive(kLargest + 4).Send(FromHex("ff ff ff 01"));
    server.Start();
    PacketChannel net;
    OpenAndReadHello(net, server);

    Bytes big(kLargest + 1, 'x');
    net.ResetSequence();
    EXPECT_EQ(net.WritePacket(big.data(), big.size()), SendStatus::TooLarge);
    EXPECT_EQ(net.LastErrorCode(), kErrPacketTooLargeInternal);
    EXPECT_EQ(net.PendingOutput(), 0u);
    EXPECT_EQ(net.WriteCommand(3, big.data(), big.size()), SendStatus::TooLarge);

    net.ResetSequence();
    ASSERT_EQ(net.WritePacket(big.data(), kLargest), SendStatus::Sent);
    ASSERT_EQ(net.Flush(), SendStatus::Sent);
    EXPECT_TRUE(net.TransportLayer().IsNonBlocking());  // back in non-blocking mode

    // A frame that would need a buffer of 16 MiB is refused as too big, and the connection
    // is gone.
    EXPECT_EQ(net.ReadReply(), std::nullopt);
    EXPECT_EQ(net.LastErrorCode(), kErrNetPacketTooLarge);
    EXPECT_EQ(net.LastErrorText(), "Got packet bigger than 'max_allowed_packet'");
    EXPECT_FALSE(net.IsOpen());
    server.Finish(0);
    ASSERT_EQ(server.Received().size(), 1u);
    const Bytes& got = server.Received()[0];
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 4), FromHex("fe ff ff 00"));
    EXPECT_EQ(got.back(), 'x');
}

TEST(PacketLayer, BrokenFramesCloseTheConnection) {
    struct Case {
        const char* name;
        bool compressed;
        Bytes frame;
        int32_t code;
        const char* text;
    };
    const char* lost = "Lost connection to MySQL server during query";
    const char* big = "Got packet bigger than 'max_allowed_packet'";
    // A compressed frame whose uncompressed length (16777215) needs a buffer of 16 MiB.
    Bytes huge = Concat({FromHex("05 00 00 01 ff ff ff"), Text("abcde")});
    for (const Case& c :
         {Case{"wrong sequence", false, PlainFrame(5, Text("late")), kErrServerLost, lost},
          Case{"zero length", false, PlainFrame(1, {}), kErrServerLost, lost},
          Case{"cut short", false, FromHex("0a 00 00 01 61 62"), kErrServerLost, lost},
          Case{"compressed, wrong sequence", true,
               CompressedFrame(5, PlainFrame(0, Text("late")), false), kErrServerLost, lost},
          Case{"compressed, too large", true, huge, kErrNetPacketTooLarge, big}}) {
        ScriptedServer server;
        server.Send(Hello()).Send(c.frame).Disconnect();
        server.Start();
        PacketChannel net;
        OpenAndReadHello(net, server);
        net.SetCompression(c.compressed);
        EXPECT_EQ(net.ReadReply(), std::nullopt) << c.name;
        EXPECT_EQ(net.LastErrorCode(), c.code) << c.name;
        EXPECT_EQ(net.LastErrorText(), c.text) << c.name;
        EXPECT_FALSE(net.IsOpen()) << c.name;
    }
}

TEST(PacketLayer, ErrorPacketsKeepTheConnection) {
    ScriptedServer server;
    server.Send(Hello())
        .SendPacket(1, {0xFF})
        .SendPacket(2, FromHex("ff 28 04"))
        .SendPacket(3, ErrorPacket(1064, "syntax"))
        .SendPacket(4, ErrorPacket(1064, "old server"));
    server.Start();
    PacketChannel net;
    OpenAndReadHello(net, server);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(net.ReadReply(), std::nullopt);
        EXPECT_EQ(net.LastErrorCode(), kErrUnknown);
        EXPECT_EQ(net.LastErrorText(), "Unknown MySQL error");
        EXPECT_TRUE(net.IsOpen());
    }
    EXPECT_EQ(net.ReadReply(), std::nullopt);
    EXPECT_EQ(net.LastErrorCode(), 1064);
    EXPECT_EQ(net.LastErrorText(), "syntax");
    net.SetProtocolVersion(9);
    EXPECT_EQ(net.ReadReply(), std::nullopt);
    EXPECT_EQ(net.LastErrorCode(), kErrUnknown);
    EXPECT_EQ(net.LastErrorText(), "(\x04old server");
}

TEST(PacketLayer, BufferFollowsTheBytesThatArriveNotTheHeader) {
    // Frames that claim megabytes they never bring: nothing is reserved for the missing bytes
    // (ReadPacket leaves the connection open, so the buffer can be looked at). A deflated
    // payload that cannot meet its claim is handed out as far as it inflates, as before.
    struct Case {
        const char* name;
        bool compressed;
        Bytes frame;
        std::optional<std::size_t> result;
    };
    Bytes deflated = CompressedFrame(1, PlainFrame(0, Text("abc")), true);
    deflated[4] = 0xf0, deflated[5] = 0xff, deflated[6] = 0xff;  // claims 16 MiB inflated
    for (const Case& c :
         {Case{"plain, 16 MiB claimed, 10 bytes sent", false,
               Concat({FromHex("f0 ff ff 01"), Text("0123456789")}), std::nullopt},
          Case{"compressed, 16 MiB claimed, 10 bytes sent", true,
               Concat({FromHex("f0 ff ff 01 00 00 00"), Text("0123456789")}), std::nullopt},
          Case{"compressed, 16 MiB inflated claimed", true, deflated, 3}}) {
        ScriptedServer server;
        server.Send(Hello()).Send(c.frame).Disconnect();
        server.Start();
        PacketChannel net;
        OpenAndReadHello(net, server);
        net.SetCompression(c.compressed);
        ASSERT_EQ(net.ReadPacket(), c.result) << c.name;
        EXPECT_LT(net.BufferSize(), 1u << 16) << c.name;
        if (c.result == 3) {
            EXPECT_EQ(Payload(net, 3), "abc");
        }
    }
}

TEST(PacketLayer, LargeFrameGrowsTheBufferForGood) {
    // The buffer doubles while a payload arrives but ends at need + 1 rounded up to 4096
    // (20000 bytes -> 20480), and a plain connection keeps it after ShrinkBuffer.
    for (std::size_t size : {8191u, 8192u, 16000u, 16384u, 20000u, 70000u}) {
        Bytes payload(size, 'p');
        payload.back() = 'q';
        ScriptedServer server;
        server.Send(Hello()).SendPacket(1, payload);
        server.Start();
        PacketChannel net;
        OpenAndReadHello(net, server);
        ASSERT_EQ(net.ReadReply(), size);
        std::size_t want = std::max<std::size_t>(8192, (size + 1 + 4095) / 4096 * 4096);
        EXPECT_EQ(net.BufferSize(), want) << size;
        EXPECT_EQ(net.ReadPtr()[size - 1], 'q');
        EXPECT_EQ(net.ReadPtr()[size], 0);
        EXPECT_TRUE(net.ShrinkBuffer());
        EXPECT_EQ(net.BufferSize(), want) << size;
    }
}

TEST(Compression, TheMostCompressibleFrameStillFitsItsRoom) {
    // Zeros deflate as far as deflate goes; the room given for inflating must still hold them.
    Bytes zeros(16777000, 0);
    Bytes best(compressBound(static_cast<uLong>(zeros.size())));
    uLongf compressed = static_cast<uLongf>(best.size());
    ASSERT_EQ(compress2(best.data(), &compressed, zeros.data(), zeros.size(), 9), Z_OK);
    EXPECT_LT(compressed * 1000, zeros.size());  // the ratio is near deflate's limit
    EXPECT_EQ(InflateRoom(compressed, zeros.size()), zeros.size());
    EXPECT_EQ(InflateRoom(compressed, 0), 0u);

    Bytes packet = PlainFrame(1, Bytes(3000000, 0));
    ScriptedServer server;
    server.Send(Hello()).Send(CompressedFrame(1, packet, true));
    server.Start();
    PacketChannel net;
    OpenAndReadHello(net, server);
    net.SetCompression(true);
    ASSERT_EQ(net.ReadReply(), 3000000);
    EXPECT_EQ(Bytes(net.ReadPtr(), net.ReadPtr() + 3000000), Bytes(3000000, 0));
}

TEST(PacketLayer, SilentServerTimesOutAsLostConnection) {
    ScriptedServer server;
    server.Send(Hello()).Pause(1500);
    server.Start();
    PacketChannel net;
    OpenAndReadHello(net, server, 1);
    EXPECT_EQ(net.ReadReply(), std::nullopt);
    EXPECT_EQ(net.LastErrorCode(), kErrServerLost);
    EXPECT_FALSE(net.IsOpen());
}

// Past a deadline nothing more is read, not even a packet that is there already: a server
// that never pauses must not hold a bounded exchange any longer than one that trickles.
TEST(PacketLayer, NothingIsReadPastTheDeadline) {
    ScriptedServer server;
    server.Send(Concat({Hello(), PlainFrame(1, Text("hi"))}));
    server.Start();
    PacketChannel net;
    OpenAndReadHello(net, server);
    net.TransportLayer().SetDeadline(std::chrono::steady_clock::now());
    EXPECT_EQ(net.ReadReply(), std::nullopt);
    EXPECT_EQ(net.LastErrorCode(), kErrServerLost);
    EXPECT_FALSE(net.IsOpen());
}

TEST(Compression, SmallAndIncompressibleOutputGoesRaw) {
    Bytes noise(60);
    uint32_t x = 99;
    for (uint8_t& b : noise) {
        x = x * 1103515245 + 12345;
        b = static_cast<uint8_t>(x >> 16);
    }
    Bytes text(300, 't');
    ScriptedServer server;
    server.Send(Hello()).ReceiveFrame().ReceiveFrame().ReceiveFrame();
    server.Start();
    PacketChannel net;
    OpenAndReadHello(net, server);
    net.SetCompression(true);

    net.ResetSequence();
    Bytes forty(40, 'f');
    ASSERT_EQ(net.WritePacket(forty.data(), forty.size()), SendStatus::Sent);
    ASSERT_EQ(net.Flush(), SendStatus::Sent);
    EXPECT_EQ(net.SeqNo(), 1);
    ASSERT_EQ(net.WritePacket(noise.data(), noise.size()), SendStatus::Sent);
    ASSERT_EQ(net.Flush(), SendStatus::Sent);
    ASSERT_EQ(net.WriteCommand(3, text.data(), text.size()), SendStatus::Sent);
    EXPECT_EQ(net.SeqNo(), 3);
    server.Finish(0);
    ASSERT_EQ(server.Failure(), "");
    EXPECT_EQ(server.Received()[0], Concat({FromHex("2c 00 00 00 00 00 00 28 00 00 00"), forty}));
    EXPECT_EQ(server.Received()[1], Concat({FromHex("40 00 00 01 00 00 00 3c 00 00 00"), noise}));
    // Compressed: the frame says how long the packet is once inflated.
    const Bytes& packed = server.Received()[2];
    EXPECT_EQ(packed[3], 2);
    EXPECT_EQ(ReadUint24(packed.data() + 4), 305u);
    Bytes inflated;
    ASSERT_TRUE(UncompressPacket(packed.data() + 7, packed.size() - 7, 305, inflated));
    EXPECT_EQ(inflated, Concat({FromHex("2d 01 00 00 03"), text}));
}

TEST(Compression, PacketsAreCutFromInflatedFrames) {
    // Three packets in one deflated frame, then one packet spread over a raw and a deflated
    // frame, then a packet bigger than the buffer spread over several frames.
    Bytes three = Concat({PlainFrame(1, Text("abc")), PlainFrame(2, Text("defgh")),
                          PlainFrame(3, Text(std::string(60, 'i')))});
    Bytes split = PlainFrame(4, Text(std::string(100, 's')));
    Bytes huge(100000);
    for (std::size_t i = 0; i < huge.size(); ++i) {
        huge[i] = static_cast<uint8_t>(i * 7);
    }
    Bytes huge_packet = PlainFrame(5, huge);
    ScriptedServer server;
    server.Send(Hello())
        .Send(CompressedFrame(1, three, true))
        .Send(CompressedFrame(2, Bytes(split.begin(), split.begin() + 30), false))
        .Send(CompressedFrame(3, Bytes(split.begin() + 30, split.end()), true))
        .Send(CompressedFrame(4, Bytes(huge_packet.begin(), huge_packet.begin() + 40000), true))
        .Send(CompressedFrame(5, Bytes(huge_packet.begin() + 40000, huge_packet.end()), false));
    server.Start();
    PacketChannel net;
    OpenAndReadHello(net, server);
    net.SetCompression(true);

    ASSERT_EQ(net.ReadReply(), 3);
    EXPECT_STREQ(reinterpret_cast<const char*>(net.ReadPtr()), "abc");
    ASSERT_EQ(net.ReadReply(), 5);
    EXPECT_STREQ(reinterpret_cast<const char*>(net.ReadPtr()), "defgh");
    ASSERT_EQ(net.ReadReply(), 60);
    EXPECT_EQ(Payload(net, 60), std::string(60, 'i'));
    EXPECT_EQ(net.ReadPtr()[60], 0);
    ASSERT_EQ(net.ReadReply(), 100);
    EXPECT_EQ(Payload(net, 100), std::string(100, 's'));
    ASSERT_EQ(net.ReadReply(), 100000);
    EXPECT_EQ(Bytes(net.ReadPtr(), net.ReadPtr() + 100000), huge);
    EXPECT_EQ(net.SeqNo(), 6);
}

}  // namespace
}  // namespace varnimo::mysql
