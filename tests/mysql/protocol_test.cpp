// The pure byte functions, checked against a real MariaDB conversation and against the edge
// cases a server may send.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture.h"
#include "mysql/errors.h"
#include "mysql/protocol.h"
#include "scripted_server.h"

namespace varnimo::mysql {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::FromHex;
using testing::LengthCode;

std::string AsText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class CapturedConversation : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        Packets = testing::ReadCapture(VARNIMO_MYSQL_TEST_DATA "/mariadb-10.11-conversation.txt");
    }
    static const Bytes& Packet(std::size_t i) { return Packets.at(i).payload; }
    static inline std::vector<testing::CapturedPacket> Packets;
};

TEST_F(CapturedConversation, GreetingFieldsAreRead) {
    ASSERT_GE(Packets.size(), 35u);
    const Bytes& g = Packet(0);
    ServerGreeting greeting;
    ASSERT_TRUE(ParseGreeting(g.data(), g.size(), greeting));
    EXPECT_EQ(greeting.protocol_version, 10);
    EXPECT_EQ(greeting.server_version, "5.5.5-10.11.19-MariaDB-0+deb12u1");
    EXPECT_EQ(greeting.thread_id, 5u);
    EXPECT_EQ(greeting.scramble_seed, "dI!f`1pb");
    EXPECT_TRUE(greeting.has_capabilities);
    EXPECT_EQ(greeting.capabilities, 0xF7FEu);
    EXPECT_TRUE(greeting.has_language_and_status);
    EXPECT_EQ(greeting.language, 8u);
    EXPECT_EQ(greeting.status, 2u);
}

TEST_F(CapturedConversation, LoginPacketAndOldPasswordAnswerMatchTheWire) {
    EXPECT_EQ(ScramblePassword("kobal", "dI!f`1pb"), "HLHDZZVC");
    Bytes login = BuildLoginPacket(0x208D, "pubaccount", ScramblePassword("kobal", "dI!f`1pb"),
                                   "varnimo", 0xF7FE);
    EXPECT_EQ(login, Packet(1));
    EXPECT_EQ(Packets[1].seq, 1);

    std::string method;
    std::string seed;
    const Bytes& request = Packet(2);
    EXPECT_EQ(ParseAuthRequest(request.data(), request.size(), "other!!!", method, seed),
              AuthRequest::OldPassword);
    EXPECT_EQ(method, "mysql_old_password");
    EXPECT_EQ(seed, "dI!f`1pb");
    EXPECT_EQ(ScramblePassword("kobal", seed) + '\0', AsText(Packet(3)));

    OkReply ok;
    ASSERT_TRUE(DecodeOkPacket(Packet(4).data(), Packet(4).size(), true, ok));
    EXPECT_EQ(ok.affected_rows, 0u);
    EXPECT_EQ(ok.status, 2u);
    EXPECT_FALSE(ok.has_info);
}

TEST_F(CapturedConversation, ResultSetDecodes) {
    EXPECT_EQ(AsText(Packet(5)), "\x03SELECT * FROM varnimo");
    PacketReader header(Packet(6).data(), Packet(6).size());
    uint64_t columns = 0;
    ASSERT_TRUE(header.ReadLengthCode64(columns));
    ASSERT_EQ(columns, 28u);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < 28; ++i) {
        FieldInfo field;
        ASSERT_TRUE(DecodeFieldPacket(Packet(7 + i).data(), Packet(7 + i).size(), true, field));
        EXPECT_EQ(field.table, "varnimo");
        EXPECT_EQ(field.type, 253u);
        EXPECT_EQ(field.length, 20u);
        EXPECT_EQ(field.flags, 0u);
        names.emplace_back(field.name);
    }
    EXPECT_EQ(names[0], "progver");
    EXPECT_EQ(names[1], "catver");
    EXPECT_EQ(names[27], "z");
    EXPECT_TRUE(IsEndMarker(Packet(35).data(), Packet(35).size()));
    const Bytes& row = Packet(36);
    EXPECT_FALSE(IsEndMarker(row.data(), row.size()));
    ValueRef values[28];
    ASSERT_TRUE(DecodeRow(row.data(), row.size(), 28, values));
    auto value = [&](int i) {
        return std::string(reinterpret_cast<const char*>(row.data()) + values[i].offset,
                           values[i].length);
    };
    EXPECT_EQ(value(0), "0.302");
    EXPECT_EQ(value(1), "1.5");
    EXPECT_EQ(value(2), "7.1");
    EXPECT_EQ(value(27), "182.2");
    EXPECT_TRUE(IsEndMarker(Packet(37).data(), Packet(37).size()));
    EXPECT_EQ(Packet(38), Bytes{1});
}

TEST(LengthCode, AllForms) {
    Bytes bytes = FromHex("fa fb fc 2c 01 fd 01 02 03 fe 01 00 00 00 02 00 00 00");
    PacketReader reader(bytes.data(), bytes.size());
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
    PacketReader narrow(bytes.data() + 9, 9);
    int32_t n = 0;
    ASSERT_TRUE(narrow.ReadLengthCode(n));
    EXPECT_EQ(n, 1);
    EXPECT_EQ(narrow.Remaining(), 0u);
    Bytes null = {0xFB};
    PacketReader null_reader(null.data(), null.size());
    ASSERT_TRUE(null_reader.ReadLengthCode(n));
    EXPECT_EQ(n, -1);
}

TEST(LengthCode, RunningPastThePacketFails) {
    for (const char* hex : {"", "fc 2c", "fd 01 02", "fe 01 00 00 00 02 00 00"}) {
        Bytes bytes = FromHex(hex);
        PacketReader reader(bytes.data(), bytes.size());
        uint64_t v = 0;
        EXPECT_FALSE(reader.ReadLengthCode64(v)) << hex;
        EXPECT_EQ(reader.Position(), 0u);
    }
    Bytes text = FromHex("05 61 62");
    PacketReader reader(text.data(), text.size());
    std::string_view value;
    bool is_null = false;
    EXPECT_FALSE(reader.ReadLengthText(value, is_null));
}

TEST(ErrorPacket, DecodedByLengthAndProtocol) {
    Bytes short_packet = FromHex("ff 28 04");
    ServerError e = DecodeErrorPacket(short_packet.data(), short_packet.size(), 10);
    EXPECT_EQ(e.code, 2000);
    EXPECT_EQ(e.text, "Unknown MySQL error");
    for (std::size_t n : {1u, 2u}) {
        EXPECT_EQ(DecodeErrorPacket(short_packet.data(), n, 10).code, 2000);
    }

    Bytes full = testing::ErrorPacket(1064, "You have an error");
    e = DecodeErrorPacket(full.data(), full.size(), 10);
    EXPECT_EQ(e.code, 1064);
    EXPECT_EQ(e.text, "You have an error");

    e = DecodeErrorPacket(full.data(), full.size(), 9);
    EXPECT_EQ(e.code, 2000);
    EXPECT_EQ(e.text, "(\x04You have an error");

    // A server that sends code 0 must not make the failure read as "no error".
    Bytes zero = testing::ErrorPacket(0, "odd server");
    e = DecodeErrorPacket(zero.data(), zero.size(), 10);
    EXPECT_EQ(e.code, 2000);
    EXPECT_EQ(e.text, "odd server");

    Bytes long_text = testing::ErrorPacket(1146, std::string(300, 'x'));
    e = DecodeErrorPacket(long_text.data(), long_text.size(), 10);
    EXPECT_EQ(e.text.size(), 199u);
}

TEST(Greeting, ShortAndBrokenGreetings) {
    Bytes full = testing::Greeting();
    std::size_t v = 32;  // length of the version text
    ServerGreeting g;
    g.capabilities = 0x1234;
    ASSERT_TRUE(ParseGreeting(full.data(), v + 15, g));
    EXPECT_FALSE(g.has_capabilities);
    EXPECT_EQ(g.scramble_seed, "dI!f`1pb");
    EXPECT_EQ(g.thread_id, 5u);

    // With V + 16 bytes the capabilities' high byte is not there: it reads as zero.
    ASSERT_TRUE(ParseGreeting(full.data(), v + 16, g));
    EXPECT_TRUE(g.has_capabilities);
    EXPECT_EQ(g.capabilities, 0xFEu);
    EXPECT_FALSE(g.has_language_and_status);
    ASSERT_TRUE(ParseGreeting(full.data(), v + 32, g));
    EXPECT_EQ(g.capabilities, 0xF7FEu);
    EXPECT_FALSE(g.has_language_and_status);

    // Cut inside the thread id and the seed: nothing outside the packet is read.
    ASSERT_TRUE(ParseGreeting(full.data(), v + 4, g));
    EXPECT_EQ(g.thread_id, 0u);
    EXPECT_EQ(g.scramble_seed, "");
    ASSERT_TRUE(ParseGreeting(full.data(), v + 10, g));
    EXPECT_EQ(g.scramble_seed, "dI!f");

    // No zero byte after the version text.
    Bytes broken = {10, 'a', 'b', 'c'};
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
    Bytes cut = BuildLoginPacket(0x208D, std::string(40, 'u'), "", std::string(70, 'd'), 0x0008);
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
    Bytes one_byte = {0xFE};
    EXPECT_EQ(ParseAuthRequest(one_byte.data(), 1, "12345678", method, seed),
              AuthRequest::OldPassword);
    EXPECT_EQ(seed, "12345678");
    Bytes other = Concat({{0xFE}, testing::Text("caching_sha2_password"), {0}, testing::Text("x")});
    EXPECT_EQ(ParseAuthRequest(other.data(), other.size(), "", method, seed),
              AuthRequest::OtherMethod);
    EXPECT_EQ(method, "caching_sha2_password");
    Bytes unterminated = Concat({{0xFE}, testing::Text("mysql_old_password")});
    EXPECT_EQ(ParseAuthRequest(unterminated.data(), unterminated.size(), "", method, seed),
              AuthRequest::Malformed);
    Bytes short_seed =
        Concat({{0xFE}, testing::Text("mysql_old_password"), {0}, testing::Text("abc")});
    EXPECT_EQ(ParseAuthRequest(short_seed.data(), short_seed.size(), "", method, seed),
              AuthRequest::Malformed);
    Bytes ok = {0};
    EXPECT_EQ(ParseAuthRequest(ok.data(), 1, "", method, seed), AuthRequest::NotARequest);
}

TEST(OkPacket, WithAndWithoutStatusAndInfo) {
    Bytes with_info = testing::OkPacket(3, 7, 0x0003, "Rows matched: 3");
    OkReply ok;
    ASSERT_TRUE(DecodeOkPacket(with_info.data(), with_info.size(), true, ok));
    EXPECT_EQ(ok.affected_rows, 3u);
    EXPECT_EQ(ok.insert_id, 7u);
    EXPECT_EQ(ok.status, 3u);
    EXPECT_EQ(ok.info, "Rows matched: 3");

    // Without the transactions capability the message length follows the insert id.
    Bytes no_status = Concat({{0, 1, 0}, testing::LengthText("hello")});
    ASSERT_TRUE(DecodeOkPacket(no_status.data(), no_status.size(), false, ok));
    EXPECT_FALSE(ok.has_status);
    EXPECT_EQ(ok.info, "hello");

    Bytes cut = {0, 0xFC, 1};
    EXPECT_FALSE(DecodeOkPacket(cut.data(), cut.size(), false, ok));
}

TEST(Rows, ValuesNullsAndShortRows) {
    Bytes row = testing::RowPacket({"abc", std::nullopt, "", std::string(300, 'v')});
    EXPECT_EQ(Bytes(row.begin() + 6, row.begin() + 9), FromHex("fc 2c 01"));
    ValueRef values[4];
    ASSERT_TRUE(DecodeRow(row.data(), row.size(), 4, values));
    EXPECT_EQ(values[0].length, 3u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(row.data()) + values[0].offset, 3), "abc");
    EXPECT_EQ(values[1].length, 0u);
    EXPECT_EQ(values[2].length, 0u);
    EXPECT_EQ(values[3].length, 300u);

    ValueRef more[5];
    EXPECT_FALSE(DecodeRow(row.data(), row.size(), 5, more));
    EXPECT_FALSE(DecodeRow(row.data(), row.size() - 1, 4, values));

    Bytes one_byte_end = {0xFE};
    EXPECT_TRUE(IsEndMarker(one_byte_end.data(), 1));
    // A row of 8 bytes or more that starts with 0xFE carries a long length code.
    Bytes long_row = Concat({LengthCode(uint64_t{1} << 24), Bytes(1 << 24, 'x')});
    EXPECT_FALSE(IsEndMarker(long_row.data(), long_row.size()));
    ValueRef big;
    ASSERT_TRUE(DecodeRow(long_row.data(), long_row.size(), 1, &big));
    EXPECT_EQ(big.length, 1u << 24);
}

TEST(Fields, DecodeAndNumericFlag) {
    Bytes packet = testing::FieldPacket("t", "price", 10, 246, 0x0001, 2);
    FieldInfo field;
    ASSERT_TRUE(DecodeFieldPacket(packet.data(), packet.size(), true, field));
    EXPECT_EQ(field.table, "t");
    EXPECT_EQ(field.name, "price");
    EXPECT_EQ(field.length, 10u);
    EXPECT_EQ(field.type, 246u);
    EXPECT_EQ(field.flags, 1u);
    EXPECT_EQ(field.decimals, 2u);
    // Short flags: one byte of flags, then the decimals.
    ASSERT_TRUE(DecodeFieldPacket(packet.data(), packet.size(), false, field));
    EXPECT_EQ(field.flags, 1u);
    EXPECT_EQ(field.decimals, 0u);
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
    Bytes small(49, 'a');
    Bytes frame;
    ASSERT_TRUE(BuildCompressedFrame(small.data(), small.size(), 3, frame));
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 7), FromHex("31 00 00 03 00 00 00"));

    Bytes text(5000, 'z');
    ASSERT_TRUE(BuildCompressedFrame(text.data(), text.size(), 0, frame));
    EXPECT_LT(frame.size(), 200u);
    EXPECT_EQ(ReadUint24(frame.data() + 4), 5000u);
    Bytes back;
    ASSERT_TRUE(UncompressPacket(frame.data() + 7, ReadUint24(frame.data()), 5000, back));
    EXPECT_EQ(back, text);

    // Bytes zlib cannot shorten go out as they are.
    Bytes noise(200);
    uint32_t x = 12345;
    for (uint8_t& b : noise) {
        x = x * 1103515245 + 12345;
        b = static_cast<uint8_t>(x >> 16);
    }
    ASSERT_TRUE(BuildCompressedFrame(noise.data(), noise.size(), 0, frame));
    EXPECT_EQ(ReadUint24(frame.data() + 4), 0u);
    EXPECT_EQ(Bytes(frame.begin() + 7, frame.end()), noise);

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
        EXPECT_STREQ(kErrorMessageTable[code - kClientErrorFirst], texts[code - kClientErrorFirst])
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
