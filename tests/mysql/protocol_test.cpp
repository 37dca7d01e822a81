// The pure byte functions, checked against a real MariaDB conversation and against the edge
// cases a server may send.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture.h"
#include "mysql/mysql_errors.h"
#include "mysql/mysql_protocol.h"
#include "scripted_server.h"

namespace varnimo::mysql {
namespace {

using testing::Concat;
using testing::FromHex;
using testing::LengthCode;
using testing::TBytes;

std::string AsText(const TBytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class CapturedConversation : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        Packets = testing::ReadCapture(VARNIMO_MYSQL_TEST_DATA "/mariadb-10.11-conversation.txt");
    }
    static const TBytes& Packet(std::size_t i) { return Packets.at(i).Payload; }
    static inline std::vector<testing::TCapturedPacket> Packets;
};

TEST_F(CapturedConversation, GreetingFieldsAreRead) {
    ASSERT_GE(Packets.size(), 35u);
    const TBytes& g = Packet(0);
    TGreeting greeting;
    ASSERT_TRUE(ParseGreeting(g.data(), g.size(), greeting));
    EXPECT_EQ(greeting.ProtocolVersion, 10);
    EXPECT_EQ(greeting.ServerVersion, "5.5.5-10.11.19-MariaDB-0+deb12u1");
    EXPECT_EQ(greeting.ThreadId, 5u);
    EXPECT_EQ(greeting.ScrambleSeed, "dI!f`1pb");
    EXPECT_TRUE(greeting.HasCapabilities);
    EXPECT_EQ(greeting.Capabilities, 0xF7FEu);
    EXPECT_TRUE(greeting.HasLanguageAndStatus);
    EXPECT_EQ(greeting.Language, 8u);
    EXPECT_EQ(greeting.Status, 2u);
}

TEST_F(CapturedConversation, LoginPacketAndOldPasswordAnswerMatchTheWire) {
    EXPECT_EQ(ScramblePassword("kobal", "dI!f`1pb"), "HLHDZZVC");
    TBytes login = BuildLoginPacket(0x208D, "pubaccount", ScramblePassword("kobal", "dI!f`1pb"),
                                    "varnimo", 0xF7FE);
    EXPECT_EQ(login, Packet(1));
    EXPECT_EQ(Packets[1].Seq, 1);

    std::string method;
    std::string seed;
    const TBytes& request = Packet(2);
    EXPECT_EQ(ParseAuthRequest(request.data(), request.size(), "other!!!", method, seed),
              TAuthRequest::OldPassword);
    EXPECT_EQ(method, "mysql_old_password");
    EXPECT_EQ(seed, "dI!f`1pb");
    EXPECT_EQ(ScramblePassword("kobal", seed) + '\0', AsText(Packet(3)));

    TOkPacket ok;
    ASSERT_TRUE(DecodeOkPacket(Packet(4).data(), Packet(4).size(), true, ok));
    EXPECT_EQ(ok.AffectedRows, 0u);
    EXPECT_EQ(ok.Status, 2u);
    EXPECT_FALSE(ok.HasInfo);
}

TEST_F(CapturedConversation, ResultSetDecodes) {
    EXPECT_EQ(AsText(Packet(5)), "\x03SELECT * FROM varnimo");
    TPacketReader header(Packet(6).data(), Packet(6).size());
    uint64_t columns = 0;
    ASSERT_TRUE(header.ReadLengthCode64(columns));
    ASSERT_EQ(columns, 28u);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < 28; ++i) {
        TFieldInfo field;
        ASSERT_TRUE(DecodeFieldPacket(Packet(7 + i).data(), Packet(7 + i).size(), true, field));
        EXPECT_EQ(field.Table, "varnimo");
        EXPECT_EQ(field.Type, 253u);
        EXPECT_EQ(field.Length, 20u);
        EXPECT_EQ(field.Flags, 0u);
        names.emplace_back(field.Name);
    }
    EXPECT_EQ(names[0], "progver");
    EXPECT_EQ(names[1], "catver");
    EXPECT_EQ(names[27], "z");
    EXPECT_TRUE(IsEndMarker(Packet(35).data(), Packet(35).size()));
    const TBytes& row = Packet(36);
    EXPECT_FALSE(IsEndMarker(row.data(), row.size()));
    TValueRef values[28];
    ASSERT_TRUE(DecodeRow(row.data(), row.size(), 28, values));
    auto value = [&](int i) {
        return std::string(reinterpret_cast<const char*>(row.data()) + values[i].Offset,
                           values[i].Length);
    };
    EXPECT_EQ(value(0), "0.302");
    EXPECT_EQ(value(1), "1.5");
    EXPECT_EQ(value(2), "7.1");
    EXPECT_EQ(value(27), "182.2");
    EXPECT_TRUE(IsEndMarker(Packet(37).data(), Packet(37).size()));
    EXPECT_EQ(Packet(38), TBytes{1});
}

TEST(LengthCode, AllForms) {
    TBytes bytes = FromHex("fa fb fc 2c 01 fd 01 02 03 fe 01 00 00 00 02 00 00 00");
    TPacketReader reader(bytes.data(), bytes.size());
    uint64_t v = 0;
    ASSERT_TRUE(reader.ReadLengthCode64(v));
    EXPECT_EQ(v, 250u);
    ASSERT_TRUE(reader.ReadLengthCode64(v));
    EXPECT_EQ(v, kNullLength);
    ASSERT_TRUE(reader.ReadLengthCode64(v));
    EXPECT_EQ(v, 300u);
    ASSERT_TRUE(reader.ReadLengthCode64(v));
    EXPECT_EQ(v, 0x030201u);
    ASSERT_TRUE(reader.ReadLengthCode64(v));
    EXPECT_EQ(v, 2 * (uint64_t{1} << 32) + 1);
    EXPECT_EQ(reader.Remaining(), 0u);

    // The 32-bit form reads 4 bytes of the 8 and still moves past all 9.
    TPacketReader narrow(bytes.data() + 9, 9);
    int32_t n = 0;
    ASSERT_TRUE(narrow.ReadLengthCode(n));
    EXPECT_EQ(n, 1);
    EXPECT_EQ(narrow.Remaining(), 0u);
    TBytes null = {0xFB};
    TPacketReader nullReader(null.data(), null.size());
    ASSERT_TRUE(nullReader.ReadLengthCode(n));
    EXPECT_EQ(n, -1);
}

TEST(LengthCode, RunningPastThePacketFails) {
    for (const char* hex : {"", "fc 2c", "fd 01 02", "fe 01 00 00 00 02 00 00"}) {
        TBytes bytes = FromHex(hex);
        TPacketReader reader(bytes.data(), bytes.size());
        uint64_t v = 0;
        EXPECT_FALSE(reader.ReadLengthCode64(v)) << hex;
        EXPECT_EQ(reader.Position(), 0u);
    }
    TBytes text = FromHex("05 61 62");
    TPacketReader reader(text.data(), text.size());
    std::string_view value;
    bool isNull = false;
    EXPECT_FALSE(reader.ReadLengthText(value, isNull));
}

TEST(ErrorPacket, DecodedByLengthAndProtocol) {
    TBytes shortPacket = FromHex("ff 28 04");
    TServerError e = DecodeErrorPacket(shortPacket.data(), shortPacket.size(), 10);
    EXPECT_EQ(e.Code, 2000);
    EXPECT_EQ(e.Text, "Unknown MySQL error");
    for (std::size_t n : {1u, 2u}) {
        EXPECT_EQ(DecodeErrorPacket(shortPacket.data(), n, 10).Code, 2000);
    }

    TBytes full = testing::ErrorPacket(1064, "You have an error");
    e = DecodeErrorPacket(full.data(), full.size(), 10);
    EXPECT_EQ(e.Code, 1064);
    EXPECT_EQ(e.Text, "You have an error");

    e = DecodeErrorPacket(full.data(), full.size(), 9);
    EXPECT_EQ(e.Code, 2000);
    EXPECT_EQ(e.Text, "(\x04You have an error");

    // A server that sends code 0 must not make the failure read as "no error".
    TBytes zero = testing::ErrorPacket(0, "odd server");
    e = DecodeErrorPacket(zero.data(), zero.size(), 10);
    EXPECT_EQ(e.Code, 2000);
    EXPECT_EQ(e.Text, "odd server");

    TBytes longText = testing::ErrorPacket(1146, std::string(300, 'x'));
    e = DecodeErrorPacket(longText.data(), longText.size(), 10);
    EXPECT_EQ(e.Text.size(), 199u);
}

TEST(Greeting, ShortAndBrokenGreetings) {
    TBytes full = testing::Greeting();
    std::size_t v = 32;  // length of the version text
    TGreeting g;
    g.Capabilities = 0x1234;
    ASSERT_TRUE(ParseGreeting(full.data(), v + 15, g));
    EXPECT_FALSE(g.HasCapabilities);
    EXPECT_EQ(g.ScrambleSeed, "dI!f`1pb");
    EXPECT_EQ(g.ThreadId, 5u);

    // With V + 16 bytes the capabilities' high byte is not there: it reads as zero.
    ASSERT_TRUE(ParseGreeting(full.data(), v + 16, g));
    EXPECT_TRUE(g.HasCapabilities);
    EXPECT_EQ(g.Capabilities, 0xFEu);
    EXPECT_FALSE(g.HasLanguageAndStatus);
    ASSERT_TRUE(ParseGreeting(full.data(), v + 32, g));
    EXPECT_EQ(g.Capabilities, 0xF7FEu);
    EXPECT_FALSE(g.HasLanguageAndStatus);

    // Cut inside the thread id and the seed: nothing outside the packet is read.
    ASSERT_TRUE(ParseGreeting(full.data(), v + 4, g));
    EXPECT_EQ(g.ThreadId, 0u);
    EXPECT_EQ(g.ScrambleSeed, "");
    ASSERT_TRUE(ParseGreeting(full.data(), v + 10, g));
    EXPECT_EQ(g.ScrambleSeed, "dI!f");

    // No zero byte after the version text.
    TBytes broken = {10, 'a', 'b', 'c'};
    EXPECT_FALSE(ParseGreeting(broken.data(), broken.size(), g));
    EXPECT_FALSE(ParseGreeting(full.data(), 0, g));
}

TEST(Login, PacketLayout) {
    // Empty password: no scramble, only its zero byte; no database: two zeros at the end.
    EXPECT_EQ(BuildLoginPacket(0x2085, "bob", "", "", 0xF7FE),
              FromHex("85 20 00 00 00 62 6f 62 00 00 00"));
    // Empty user: the scramble starts right after the first zero at offset 5.
    EXPECT_EQ(BuildLoginPacket(0x2085, "", "ABCDEFGH", "", 0xF7FE),
              Concat({FromHex("85 20 00 00 00 00"), testing::Text("ABCDEFGH"), {0, 0}}));
    // A server without connect-with-database gets no name in the packet.
    EXPECT_EQ(BuildLoginPacket(0x208D, "u", "", "db", 0xF7F6),
              FromHex("8d 20 00 00 00 75 00 00 00"));
    // Names are cut to 32 and 64 characters.
    TBytes cut = BuildLoginPacket(0x208D, std::string(40, 'u'), "", std::string(70, 'd'), 0x0008);
    EXPECT_EQ(cut.size(), 5 + 32 + 1 + 1 + 64u);
}

TEST(Login, ScrambleSkipsBlanksAndNeverHoldsZero) {
    EXPECT_EQ(ScramblePassword("ko bal", "dI!f`1pb"), "HLHDZZVC");
    EXPECT_EQ(ScramblePassword("\tkobal ", "dI!f`1pb"), "HLHDZZVC");
    EXPECT_EQ(ScramblePassword("", "dI!f`1pb"), "");
    EXPECT_EQ(ScramblePassword("kobal", ""), "");
    std::string s = ScramblePassword("a much longer password 123", "ABCD");
    ASSERT_EQ(s.size(), 4u);
    for (char c : s) {
        EXPECT_GE(static_cast<unsigned char>(c), 0x40);
        EXPECT_LE(static_cast<unsigned char>(c), 0x5F);
    }
}

TEST(Login, AuthRequestForms) {
    std::string method;
    std::string seed;
    TBytes oneByte = {0xFE};
    EXPECT_EQ(ParseAuthRequest(oneByte.data(), 1, "12345678", method, seed),
              TAuthRequest::OldPassword);
    EXPECT_EQ(seed, "12345678");
    TBytes other =
        Concat({{0xFE}, testing::Text("caching_sha2_password"), {0}, testing::Text("x")});
    EXPECT_EQ(ParseAuthRequest(other.data(), other.size(), "", method, seed),
              TAuthRequest::OtherMethod);
    EXPECT_EQ(method, "caching_sha2_password");
    TBytes unterminated = Concat({{0xFE}, testing::Text("mysql_old_password")});
    EXPECT_EQ(ParseAuthRequest(unterminated.data(), unterminated.size(), "", method, seed),
              TAuthRequest::Malformed);
    TBytes shortSeed =
        Concat({{0xFE}, testing::Text("mysql_old_password"), {0}, testing::Text("abc")});
    EXPECT_EQ(ParseAuthRequest(shortSeed.data(), shortSeed.size(), "", method, seed),
              TAuthRequest::Malformed);
    TBytes ok = {0};
    EXPECT_EQ(ParseAuthRequest(ok.data(), 1, "", method, seed), TAuthRequest::NotARequest);
}

TEST(OkPacket, WithAndWithoutStatusAndInfo) {
    TBytes withInfo = testing::OkPacket(3, 7, 0x0003, "Rows matched: 3");
    TOkPacket ok;
    ASSERT_TRUE(DecodeOkPacket(withInfo.data(), withInfo.size(), true, ok));
    EXPECT_EQ(ok.AffectedRows, 3u);
    EXPECT_EQ(ok.InsertId, 7u);
    EXPECT_EQ(ok.Status, 3u);
    EXPECT_EQ(ok.Info, "Rows matched: 3");

    // Without the transactions capability the message length follows the insert id.
    TBytes noStatus = Concat({{0, 1, 0}, testing::LengthText("hello")});
    ASSERT_TRUE(DecodeOkPacket(noStatus.data(), noStatus.size(), false, ok));
    EXPECT_FALSE(ok.HasStatus);
    EXPECT_EQ(ok.Info, "hello");

    TBytes cut = {0, 0xFC, 1};
    EXPECT_FALSE(DecodeOkPacket(cut.data(), cut.size(), false, ok));
}

TEST(Rows, ValuesNullsAndShortRows) {
    TBytes row = testing::RowPacket({"abc", std::nullopt, "", std::string(300, 'v')});
    EXPECT_EQ(TBytes(row.begin() + 6, row.begin() + 9), FromHex("fc 2c 01"));
    TValueRef values[4];
    ASSERT_TRUE(DecodeRow(row.data(), row.size(), 4, values));
    EXPECT_EQ(values[0].Length, 3u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(row.data()) + values[0].Offset, 3), "abc");
    EXPECT_EQ(values[1].Length, 0u);
    EXPECT_EQ(values[2].Length, 0u);
    EXPECT_EQ(values[3].Length, 300u);

    TValueRef more[5];
    EXPECT_FALSE(DecodeRow(row.data(), row.size(), 5, more));
    EXPECT_FALSE(DecodeRow(row.data(), row.size() - 1, 4, values));

    TBytes oneByteEnd = {0xFE};
    EXPECT_TRUE(IsEndMarker(oneByteEnd.data(), 1));
    // A row of 8 bytes or more that starts with 0xFE carries a long length code.
    TBytes longRow = Concat({LengthCode(uint64_t{1} << 24), TBytes(1 << 24, 'x')});
    EXPECT_FALSE(IsEndMarker(longRow.data(), longRow.size()));
    TValueRef big;
    ASSERT_TRUE(DecodeRow(longRow.data(), longRow.size(), 1, &big));
    EXPECT_EQ(big.Length, 1u << 24);
}

TEST(Fields, DecodeAndNumericFlag) {
    TBytes packet = testing::FieldPacket("t", "price", 10, 246, 0x0001, 2);
    TFieldInfo field;
    ASSERT_TRUE(DecodeFieldPacket(packet.data(), packet.size(), true, field));
    EXPECT_EQ(field.Table, "t");
    EXPECT_EQ(field.Name, "price");
    EXPECT_EQ(field.Length, 10u);
    EXPECT_EQ(field.Type, 246u);
    EXPECT_EQ(field.Flags, 1u);
    EXPECT_EQ(field.Decimals, 2u);
    // Short flags: one byte of flags, then the decimals.
    ASSERT_TRUE(DecodeFieldPacket(packet.data(), packet.size(), false, field));
    EXPECT_EQ(field.Flags, 1u);
    EXPECT_EQ(field.Decimals, 0u);
    EXPECT_FALSE(DecodeFieldPacket(packet.data(), packet.size() - 4, true, field));

    EXPECT_TRUE(IsNumericColumn(7, 14));
    EXPECT_TRUE(IsNumericColumn(7, 8));
    EXPECT_FALSE(IsNumericColumn(7, 19));
    EXPECT_TRUE(IsNumericColumn(13, 4));
    EXPECT_TRUE(IsNumericColumn(3, 11));
    EXPECT_FALSE(IsNumericColumn(253, 20));
    EXPECT_FALSE(IsNumericColumn(246, 10));
}

TEST(Compression, FramesRoundTrip) {
    TBytes small(49, 'a');
    TBytes frame;
    ASSERT_TRUE(BuildCompressedFrame(small.data(), small.size(), 3, frame));
    EXPECT_EQ(TBytes(frame.begin(), frame.begin() + 7), FromHex("31 00 00 03 00 00 00"));

    TBytes text(5000, 'z');
    ASSERT_TRUE(BuildCompressedFrame(text.data(), text.size(), 0, frame));
    EXPECT_LT(frame.size(), 200u);
    EXPECT_EQ(ReadUint24(frame.data() + 4), 5000u);
    TBytes back;
    ASSERT_TRUE(UncompressPacket(frame.data() + 7, ReadUint24(frame.data()), 5000, back));
    EXPECT_EQ(back, text);

    // Bytes zlib cannot shorten go out as they are.
    TBytes noise(200);
    uint32_t x = 12345;
    for (uint8_t& b : noise) {
        x = x * 1103515245 + 12345;
        b = static_cast<uint8_t>(x >> 16);
    }
    ASSERT_TRUE(BuildCompressedFrame(noise.data(), noise.size(), 0, frame));
    EXPECT_EQ(ReadUint24(frame.data() + 4), 0u);
    EXPECT_EQ(TBytes(frame.begin() + 7, frame.end()), noise);

    EXPECT_FALSE(UncompressPacket(noise.data(), noise.size(), 100, back));
}

TEST(ErrorTable, TextsAndFormatting) {
    // All 21 rows, byte for byte, those this client never sets included.
    const char* const texts[kClientErrorCount] = {
        "Unknown MySQL error",
        "Can't create UNIX socket (%d)",
        "Can't connect to local MySQL server through socket '%-.64s' (%d)",
        "Can't connect to MySQL server on '%-.64s' (%d)",
        "Can't create TCP/IP socket (%d)",
        "Unknown MySQL Server Host '%-.64s' (%d)",
        "MySQL server has gone away",
        "Protocol mismatch. Server Version = %d Client Version = %d",
        "MySQL client run out of memory",
        "Wrong host info",
        "Localhost via UNIX socket",
        "%-.64s via TCP/IP",
        "Error in server handshake",
        "Lost connection to MySQL server during query",
        "Commands out of sync;  You can't run this command now",
        "%-.64s via named pipe",
        "Can't wait for named pipe to host: %-.64s  pipe: %-.32s (%lu)",
        "Can't open named pipe to host: %-.64s  pipe: %-.32s (%u)",
        "Can't set state of named pipe to host: %-.64s  pipe: %-.32s (%lu)",
        "Can't initialize character set %-.64s (path: %-.64s)",
        "Got packet bigger than 'max_allowed_packet'",
    };
    for (int32_t code = kClientErrorFirst; code <= kClientErrorLast; ++code) {
        EXPECT_STREQ(ErrorMessageTable[code - kClientErrorFirst], texts[code - kClientErrorFirst])
            << code;
        EXPECT_STREQ(ErrorMessage(code), texts[code - kClientErrorFirst]) << code;
    }
    EXPECT_STREQ(ErrorMessage(1999), "Unknown MySQL error");
    EXPECT_STREQ(ErrorMessage(2021), "Unknown MySQL error");
    EXPECT_EQ(FormatClientError(2007, 8, 10),
              "Protocol mismatch. Server Version = 8 Client Version = 10");
    EXPECT_EQ(FormatClientError(2017, ".", "MySQL", 2u),
              "Can't open named pipe to host: .  pipe: MySQL (2)");
    std::string host(100, 'h');
    EXPECT_EQ(FormatClientError(2003, host.c_str(), 111),
              "Can't connect to MySQL server on '" + std::string(64, 'h') + "' (111)");
}

}  // namespace
}  // namespace varnimo::mysql
