// The packet decoders of the client on any bytes: the greeting, the answer to the login
// (the 0xFE request for another scramble included), OK, error, field and row packets, and the
// length-coded numbers. The first byte picks the decoder; the rest is the packet, in a block
// of exactly its size so that any read past its end is caught.

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "mysql/protocol.h"

using namespace varnimo;
using namespace varnimo::mysql;
using fuzz::Check;

namespace {

bool InPacket(std::string_view part, const uint8_t* data, std::size_t size) {
    const char* begin = reinterpret_cast<const char*>(data);
    return part.empty() || (part.data() >= begin && part.data() + part.size() <= begin + size);
}

void LengthCodes(const uint8_t* data, std::size_t size) {
    // Walk the packet as a run of length-coded texts; the position only ever moves forward
    // and never beyond the end.
    PacketReader reader(data, size);
    std::size_t last = 0;
    for (int guard = 0; guard < 4096 && reader.Remaining() > 0; ++guard) {
        std::size_t at = reader.Position();
        std::string_view text;
        bool is_null = false;
        if (!reader.ReadLengthText(text, is_null)) {
            Check(reader.Position() == at, "failed read moved the position");
            break;
        }
        Check(reader.Position() > last || reader.Position() == size, "no progress");
        Check(InPacket(text, data, size), "text outside the packet");
        Check(!is_null || text.empty(), "NULL with a text");
        last = reader.Position();
    }
    PacketReader numbers(data, size);
    uint64_t wide = 0;
    while (numbers.Remaining() > 0) {
        std::size_t at = numbers.Position();
        PacketReader narrow(data + at, size - at);
        int32_t small = 0;
        bool narrow_ok = narrow.ReadLengthCode(small);
        if (!numbers.ReadLengthCode64(wide)) {
            Check(numbers.Position() == at, "failed number moved the position");
            break;
        }
        // Both forms consume the same bytes and agree on the low 32 bits.
        Check(narrow_ok && narrow.Position() == numbers.Position() - at, "forms consume alike");
        Check(static_cast<uint32_t>(small) == static_cast<uint32_t>(wide), "forms agree");
    }
    PacketReader texts(data, size);
    while (texts.Remaining() > 0) {
        std::string_view text = texts.ReadZeroText();
        Check(InPacket(text, data, size), "zero text outside the packet");
        Check(text.find('\0') == std::string_view::npos, "zero text holds a zero");
    }
}

void GreetingPacket(const uint8_t* data, std::size_t size) {
    ServerGreeting greeting;
    if (!ParseGreeting(data, size, greeting)) {
        return;
    }
    Check(size > 0 && greeting.protocol_version == data[0], "protocol version byte");
    Check(greeting.scramble_seed.size() <= 8, "seed longer than 8");
    Check(greeting.server_version.find('\0') == std::string::npos, "version text holds a zero");
    // The login that follows: whatever the greeting said, the packet is built and sane.
    std::string scramble = ScramblePassword("kobal", greeting.scramble_seed);
    Check(scramble.size() == greeting.scramble_seed.size(), "scramble length");
    for (char c : scramble) {
        Check(c >= 0x40 && c <= 0x5F, "scramble character range");
    }
    std::vector<uint8_t> login = BuildLoginPacket(kDefaultClientFlags, "pubaccount", scramble,
                                                  "varnimo", greeting.capabilities);
    Check(login.size() >= 5 + 11 + scramble.size(), "login packet too short");
}

void AuthAnswer(const uint8_t* data, std::size_t size) {
    // The rest splits into the greeting's seed (first 8 bytes) and the server's answer.
    std::size_t seed_length = std::min<std::size_t>(size, 8);
    std::string seed(reinterpret_cast<const char*>(data), seed_length);
    std::unique_ptr<uint8_t[]> answer(new uint8_t[size - seed_length]);
    std::memcpy(answer.get(), data + seed_length, size - seed_length);
    std::string method;
    std::string new_seed;
    AuthRequest kind = ParseAuthRequest(answer.get(), size - seed_length, seed, method, new_seed);
    if (size == seed_length || answer[0] != 0xFE) {
        Check(kind == AuthRequest::NotARequest, "a non-0xFE answer taken as a request");
    }
    if (kind == AuthRequest::OldPassword) {
        Check(!ScramblePassword("kobal", new_seed).empty() || new_seed.empty(), "old scramble");
    }
}

void OkPacket(const uint8_t* data, std::size_t size) {
    for (bool transactions : {false, true}) {
        OkReply ok;
        if (DecodeOkPacket(data, size, transactions, ok)) {
            Check(!ok.has_status || transactions, "status without the capability");
            Check(ok.info.size() <= size, "info longer than the packet");
        }
    }
}

void ErrorPacket(const uint8_t* data, std::size_t size) {
    for (uint32_t version : {9u, 10u}) {
        ServerError error = DecodeErrorPacket(data, size, version);
        Check(error.text.size() <= 199, "error text longer than 199");
        if (size <= 3) {
            Check(error.code == 2000 && error.text == "Unknown MySQL error", "short error packet");
        } else if (version == 9) {
            Check(error.code == 2000, "old-protocol error code");
        } else {
            // Code 0 is stored as 2000: a failure must never read as "no error".
            int32_t sent = static_cast<int32_t>(data[1] | (data[2] << 8));
            Check(error.code == (sent == 0 ? 2000 : sent), "error code");
        }
    }
}

void FieldPacket(const uint8_t* data, std::size_t size) {
    for (bool long_flags : {false, true}) {
        FieldInfo field;
        if (DecodeFieldPacket(data, size, long_flags, field)) {
            Check(InPacket(field.table, data, size) && InPacket(field.name, data, size),
                  "field names outside the packet");
            Check(field.type <= 0xFF, "type wider than a byte");
            Check(((field.flags & kFieldNumeric) != 0) >= IsNumericColumn(field.type, field.length),
                  "numeric flag missing");
        }
    }
}

void RowPacket(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        return;
    }
    std::size_t count = data[0] % 40;
    std::vector<ValueRef> values(count + 1);
    if (DecodeRow(data + 1, size - 1, count, values.data())) {
        for (std::size_t i = 0; i < count; ++i) {
            Check(values[i].offset + static_cast<std::size_t>(values[i].length) <= size - 1,
                  "row value outside the packet");
        }
    }
    (void)IsEndMarker(data + 1, size - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    uint8_t pick = data[0];
    // An exact-size copy: the fuzzer's own buffer may have slack behind it.
    std::size_t n = size - 1;
    std::unique_ptr<uint8_t[]> packet(new uint8_t[n]);
    std::memcpy(packet.get(), data + 1, n);
    switch (pick % 7) {
        case 0:
            LengthCodes(packet.get(), n);
            break;
        case 1:
            GreetingPacket(packet.get(), n);
            break;
        case 2:
            AuthAnswer(packet.get(), n);
            break;
        case 3:
            OkPacket(packet.get(), n);
            break;
        case 4:
            ErrorPacket(packet.get(), n);
            break;
        case 5:
            FieldPacket(packet.get(), n);
            break;
        default:
            RowPacket(packet.get(), n);
            break;
    }
    return 0;
}
