// The packet decoders of the client on any bytes: the greeting, the answer to the login
// (the 0xFE request for another scramble included), OK, error, field and row packets, and the
// length-coded numbers. The first byte picks the decoder; the rest is the packet, in a block
// of exactly its size so that any read past its end is caught.

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "mysql/mysql_protocol.h"

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
    TPacketReader reader(data, size);
    std::size_t last = 0;
    for (int guard = 0; guard < 4096 && reader.Remaining() > 0; ++guard) {
        std::size_t at = reader.Position();
        std::string_view text;
        bool isNull = false;
        if (!reader.ReadLengthText(text, isNull)) {
            Check(reader.Position() == at, "failed read moved the position");
            break;
        }
        Check(reader.Position() > last || reader.Position() == size, "no progress");
        Check(InPacket(text, data, size), "text outside the packet");
        Check(!isNull || text.empty(), "NULL with a text");
        last = reader.Position();
    }
    TPacketReader numbers(data, size);
    uint64_t wide = 0;
    while (numbers.Remaining() > 0) {
        std::size_t at = numbers.Position();
        TPacketReader narrow(data + at, size - at);
        int32_t small = 0;
        bool narrowOk = narrow.ReadLengthCode(small);
        if (!numbers.ReadLengthCode64(wide)) {
            Check(numbers.Position() == at, "failed number moved the position");
            break;
        }
        // Both forms consume the same bytes and agree on the low 32 bits.
        Check(narrowOk && narrow.Position() == numbers.Position() - at, "forms consume alike");
        Check(static_cast<uint32_t>(small) == static_cast<uint32_t>(wide), "forms agree");
    }
    TPacketReader texts(data, size);
    while (texts.Remaining() > 0) {
        std::string_view text = texts.ReadZeroText();
        Check(InPacket(text, data, size), "zero text outside the packet");
        Check(text.find('\0') == std::string_view::npos, "zero text holds a zero");
    }
}

void Greeting(const uint8_t* data, std::size_t size) {
    TGreeting greeting;
    if (!ParseGreeting(data, size, greeting)) {
        return;
    }
    Check(size > 0 && greeting.ProtocolVersion == data[0], "protocol version byte");
    Check(greeting.ScrambleSeed.size() <= 8, "seed longer than 8");
    Check(greeting.ServerVersion.find('\0') == std::string::npos, "version text holds a zero");
    // The login that follows: whatever the greeting said, the packet is built and sane.
    std::string scramble = ScramblePassword("kobal", greeting.ScrambleSeed);
    Check(scramble.size() == greeting.ScrambleSeed.size(), "scramble length");
    for (char c : scramble) {
        Check(c >= 0x40 && c <= 0x5F, "scramble character range");
    }
    std::vector<uint8_t> login =
        BuildLoginPacket(kDefaultClientFlags, "pubaccount", scramble, "varnimo", greeting.Capabilities);
    Check(login.size() >= 5 + 11 + scramble.size(), "login packet too short");
}

void AuthAnswer(const uint8_t* data, std::size_t size) {
    // The rest splits into the greeting's seed (first 8 bytes) and the server's answer.
    std::size_t seedLength = std::min<std::size_t>(size, 8);
    std::string seed(reinterpret_cast<const char*>(data), seedLength);
    std::unique_ptr<uint8_t[]> answer(new uint8_t[size - seedLength]);
    std::memcpy(answer.get(), data + seedLength, size - seedLength);
    std::string method;
    std::string newSeed;
    TAuthRequest kind = ParseAuthRequest(answer.get(), size - seedLength, seed, method, newSeed);
    if (size == seedLength || answer[0] != 0xFE) {
        Check(kind == TAuthRequest::NotARequest, "a non-0xFE answer taken as a request");
    }
    if (kind == TAuthRequest::OldPassword) {
        Check(!ScramblePassword("kobal", newSeed).empty() || newSeed.empty(), "old scramble");
    }
}

void Ok(const uint8_t* data, std::size_t size) {
    for (bool transactions : {false, true}) {
        TOkPacket ok;
        if (DecodeOkPacket(data, size, transactions, ok)) {
            Check(!ok.HasStatus || transactions, "status without the capability");
            Check(ok.Info.size() <= size, "info longer than the packet");
        }
    }
}

void Error(const uint8_t* data, std::size_t size) {
    for (uint32_t version : {9u, 10u}) {
        TServerError error = DecodeErrorPacket(data, size, version);
        Check(error.Text.size() <= 199, "error text longer than 199");
        if (size <= 3) {
            Check(error.Code == 2000 && error.Text == "Unknown MySQL error", "short error packet");
        } else if (version == 9) {
            Check(error.Code == 2000, "old-protocol error code");
        } else {
            // Code 0 is stored as 2000: a failure must never read as "no error".
            int32_t sent = static_cast<int32_t>(data[1] | (data[2] << 8));
            Check(error.Code == (sent == 0 ? 2000 : sent), "error code");
        }
    }
}

void Field(const uint8_t* data, std::size_t size) {
    for (bool longFlags : {false, true}) {
        TFieldInfo field;
        if (DecodeFieldPacket(data, size, longFlags, field)) {
            Check(InPacket(field.Table, data, size) && InPacket(field.Name, data, size),
                  "field names outside the packet");
            Check(field.Type <= 0xFF, "type wider than a byte");
            Check(((field.Flags & kFieldNumeric) != 0) >= IsNumericColumn(field.Type, field.Length),
                  "numeric flag missing");
        }
    }
}

void Row(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        return;
    }
    std::size_t count = data[0] % 40;
    std::vector<TValueRef> values(count + 1);
    if (DecodeRow(data + 1, size - 1, count, values.data())) {
        for (std::size_t i = 0; i < count; ++i) {
            Check(values[i].Offset + static_cast<std::size_t>(values[i].Length) <= size - 1,
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
    case 0: LengthCodes(packet.get(), n); break;
    case 1: Greeting(packet.get(), n); break;
    case 2: AuthAnswer(packet.get(), n); break;
    case 3: Ok(packet.get(), n); break;
    case 4: Error(packet.get(), n); break;
    case 5: Field(packet.get(), n); break;
    default: Row(packet.get(), n); break;
    }
    return 0;
}
