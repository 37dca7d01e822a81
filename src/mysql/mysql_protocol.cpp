#include "mysql/mysql_protocol.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "mysql/mysql_errors.h"

namespace varnimo::mysql {

uint32_t ReadUint16(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8;
}

uint32_t ReadUint24(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
}

uint32_t ReadUint32(const uint8_t* p) {
    return ReadUint24(p) | uint32_t{p[3]} << 24;
}

void WriteUint24(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
}

namespace {

// Little-endian number from the bytes that are there, at most `bytes` of them; a short value
// reads as if the missing high bytes were zero.
uint32_t ReadPartial(std::string_view value, std::size_t bytes) {
    uint32_t v = 0;
    for (std::size_t i = 0; i < bytes && i < value.size(); ++i) {
        v |= uint32_t{static_cast<uint8_t>(value[i])} << (8 * i);
    }
    return v;
}

}  // namespace

// --- TPacketReader ---

bool TPacketReader::ReadLengthCode64(uint64_t& value) {
    if (Pos_ >= Size_) {
        return false;
    }
    uint8_t b = Data_[Pos_];
    std::size_t need = b < 251 ? 1 : b == 251 ? 1 : b == 252 ? 3 : b == 253 ? 4 : 9;
    if (Size_ - Pos_ < need) {
        return false;
    }
    const uint8_t* p = Data_ + Pos_ + 1;
    if (b < 251) {
        value = b;
    } else if (b == 251) {
        value = kNullLength;
    } else if (b == 252) {
        value = ReadUint16(p);
    } else if (b == 253) {
        value = ReadUint24(p);
    } else {
        value = uint64_t{ReadUint32(p)} | uint64_t{ReadUint32(p + 4)} << 32;
    }
    Pos_ += need;
    return true;
}

bool TPacketReader::ReadLengthCode(int32_t& value) {
    uint64_t v = 0;
    if (!ReadLengthCode64(v)) {
        return false;
    }
    value = v == kNullLength ? -1 : static_cast<int32_t>(static_cast<uint32_t>(v));
    return true;
}

bool TPacketReader::ReadLengthText(std::string_view& text, bool& isNull) {
    std::size_t start = Pos_;
    uint64_t length = 0;
    if (!ReadLengthCode64(length)) {
        return false;
    }
    if (length == kNullLength) {
        isNull = true;
        text = {};
        return true;
    }
    if (length > Size_ - Pos_) {
        Pos_ = start;
        return false;
    }
    isNull = false;
    text = std::string_view(reinterpret_cast<const char*>(Data_ + Pos_), length);
    Pos_ += length;
    return true;
}

bool TPacketReader::ReadFixed(std::size_t bytes, uint32_t& value) {
    if (bytes > 4 || Size_ - Pos_ < bytes) {
        return false;
    }
    value = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        value |= uint32_t{Data_[Pos_ + i]} << (8 * i);
    }
    Pos_ += bytes;
    return true;
}

std::string_view TPacketReader::ReadZeroText() {
    const uint8_t* start = Data_ + Pos_;
    const void* zero = std::memchr(start, 0, Size_ - Pos_);
    std::size_t length = zero ? static_cast<const uint8_t*>(zero) - start : Size_ - Pos_;
    Pos_ += length + (zero ? 1 : 0);
    return {reinterpret_cast<const char*>(start), length};
}

bool TPacketReader::Skip(std::size_t bytes) {
    if (Size_ - Pos_ < bytes) {
        return false;
    }
    Pos_ += bytes;
    return true;
}

bool IsEndMarker(const uint8_t* data, std::size_t size) {
    return size >= 1 && size < 8 && data[0] == 0xFE;
}

// --- error packets ---

TServerError DecodeErrorPacket(const uint8_t* data, std::size_t size, uint32_t protocolVersion) {
    TServerError error;
    if (size <= 3) {
        error.Code = kErrUnknown;
        error.Text = ErrorMessage(kErrUnknown);
        return error;
    }
    std::size_t textStart = 1;
    if (protocolVersion > 9) {
        error.Code = static_cast<int32_t>(ReadUint16(data + 1));
        // Code 0 means "no error" to every caller; a failure must never read as that.
        if (error.Code == 0) {
            error.Code = kErrUnknown;
        }
        textStart = 3;
    } else {
        error.Code = kErrUnknown;
    }
    TPacketReader reader(data + textStart, size - textStart);
    std::string_view text = reader.ReadZeroText();
    error.Text.assign(text.substr(0, kMaxServerErrorText));
    return error;
}

// --- greeting ---

bool ParseGreeting(const uint8_t* data, std::size_t size, TGreeting& greeting) {
    if (size < 1) {
        return false;
    }
    greeting.ProtocolVersion = data[0];
    const void* zero = std::memchr(data + 1, 0, size - 1);
    if (!zero) {
        return false;
    }
    std::size_t v = static_cast<const uint8_t*>(zero) - (data + 1);
    greeting.ServerVersion.assign(reinterpret_cast<const char*>(data + 1), v);
    greeting.ThreadId = size >= v + 6 ? ReadUint32(data + v + 2) : 0;
    // The seed is a zero-terminated text of up to 8 characters; take what the packet holds.
    greeting.ScrambleSeed.clear();
    if (size > v + 6) {
        TPacketReader reader(data + v + 6, size - (v + 6));
        greeting.ScrambleSeed.assign(reader.ReadZeroText().substr(0, 8));
    }
    greeting.HasCapabilities = size >= v + 16;
    if (greeting.HasCapabilities) {
        // With exactly V + 16 bytes the high byte would be the terminator behind the packet,
        // which is always zero.
        greeting.Capabilities =
            uint32_t{data[v + 15]} | (size >= v + 17 ? uint32_t{data[v + 16]} << 8 : 0);
    }
    greeting.HasLanguageAndStatus = size >= v + 33;
    if (greeting.HasLanguageAndStatus) {
        greeting.Language = data[v + 17];
        greeting.Status = ReadUint16(data + v + 18);
    }
    return true;
}

// --- login ---

std::pair<uint32_t, uint32_t> HashPassword(std::string_view text) {
    uint32_t nr = 1345345333u;
    uint32_t add = 7;
    uint32_t nr2 = 0x12345671u;
    for (char ch : text) {
        uint32_t c = static_cast<uint8_t>(ch);
        if (c == 0) {
            break;
        }
        if (c == ' ' || c == '\t') {
            continue;
        }
        nr ^= (((nr & 63) + add) * c) + (nr << 8);
        nr2 += (nr2 << 8) ^ nr;
        add += c;
    }
    return {nr & 0x7FFFFFFFu, nr2 & 0x7FFFFFFFu};
}

std::string ScramblePassword(std::string_view password, std::string_view seed) {
    if (password.empty() || seed.empty()) {
        return {};
    }
    constexpr uint64_t kMax = 0x3FFFFFFF;
    auto [p1, p2] = HashPassword(password);
    auto [m1, m2] = HashPassword(seed);
    uint64_t s1 = (p1 ^ m1) % kMax;
    uint64_t s2 = (p2 ^ m2) % kMax;
    auto next = [&] {
        s1 = (s1 * 3 + s2) % kMax;
        s2 = (s1 + s2 + 33) % kMax;
        return static_cast<double>(s1) / static_cast<double>(kMax);
    };
    std::string result(seed.size(), '\0');
    for (char& c : result) {
        c = static_cast<char>(static_cast<int>(std::floor(next() * 31)) + 64);
    }
    char extra = static_cast<char>(std::floor(next() * 31));
    for (char& c : result) {
        c = static_cast<char>(c ^ extra);
    }
    return result;
}

std::vector<uint8_t> BuildLoginPacket(uint32_t clientFlags, std::string_view user,
                                      std::string_view scramble, std::string_view database,
                                      uint32_t serverCapabilities) {
    std::vector<uint8_t> packet;
    packet.reserve(5 + kMaxLoginUser + 1 + scramble.size() + 1 + kMaxLoginDatabase);
    packet.push_back(static_cast<uint8_t>(clientFlags));
    packet.push_back(static_cast<uint8_t>(clientFlags >> 8));
    packet.insert(packet.end(), 3, 0);  // maximum packet size: left to the server
    user = user.substr(0, kMaxLoginUser);
    packet.insert(packet.end(), user.begin(), user.end());
    packet.push_back(0);
    packet.insert(packet.end(), scramble.begin(), scramble.end());
    packet.push_back(0);
    if (!database.empty() && (serverCapabilities & kCapConnectWithDb)) {
        database = database.substr(0, kMaxLoginDatabase);
        packet.insert(packet.end(), database.begin(), database.end());
    } else {
        packet.push_back(0);
    }
    return packet;
}

TAuthRequest ParseAuthRequest(const uint8_t* data, std::size_t size, std::string_view greetingSeed,
                              std::string& method, std::string& seed) {
    method.clear();
    seed.clear();
    if (size < 1 || data[0] != 0xFE) {
        return TAuthRequest::NotARequest;
    }
    if (size == 1) {
        seed.assign(greetingSeed.substr(0, 8));
        return TAuthRequest::OldPassword;
    }
    const void* zero = std::memchr(data + 1, 0, size - 1);
    if (!zero) {
        return TAuthRequest::Malformed;
    }
    TPacketReader reader(data + 1, size - 1);
    method.assign(reader.ReadZeroText());
    if (method != "mysql_old_password") {
        return method.empty() ? TAuthRequest::Malformed : TAuthRequest::OtherMethod;
    }
    seed.assign(reader.ReadZeroText().substr(0, 8));
    return seed.size() == 8 ? TAuthRequest::OldPassword : TAuthRequest::Malformed;
}

// --- OK packets ---

bool DecodeOkPacket(const uint8_t* data, std::size_t size, bool serverHasTransactions,
                    TOkPacket& ok) {
    TPacketReader reader(data, size);
    uint64_t fieldCount = 0;
    if (!reader.ReadLengthCode64(fieldCount) || !reader.ReadLengthCode64(ok.AffectedRows) ||
        !reader.ReadLengthCode64(ok.InsertId)) {
        return false;
    }
    ok.HasStatus = serverHasTransactions;
    if (serverHasTransactions && !reader.ReadFixed(2, ok.Status)) {
        return false;
    }
    ok.HasInfo = false;
    ok.Info.clear();
    uint64_t infoLength = 0;
    if (reader.Remaining() > 0 && reader.ReadLengthCode64(infoLength) && infoLength != 0) {
        ok.HasInfo = true;
        ok.Info.assign(reader.ReadZeroText());
    }
    return true;
}

// --- field and row packets ---

bool IsNumericColumn(uint32_t type, uint32_t length) {
    return (type <= 9 && (type != 7 || length == 14 || length == 8)) || type == 13;
}

bool DecodeFieldPacket(const uint8_t* data, std::size_t size, bool longFlags, TFieldInfo& field) {
    TPacketReader reader(data, size);
    std::string_view values[5];
    for (auto& value : values) {
        bool isNull = false;
        if (!reader.ReadLengthText(value, isNull)) {
            return false;
        }
    }
    field = FieldFromTexts(values, longFlags);
    return true;
}

TFieldInfo FieldFromTexts(const std::string_view (&values)[5], bool longFlags) {
    TFieldInfo field;
    field.Table = values[0];
    field.Name = values[1];
    field.Length = ReadPartial(values[2], 3);
    field.Type = ReadPartial(values[3], 1);
    if (longFlags) {
        field.Flags = ReadPartial(values[4], 2);
        field.Decimals = ReadPartial(values[4].size() > 2 ? values[4].substr(2) : "", 1);
    } else {
        field.Flags = ReadPartial(values[4], 1);
        field.Decimals = ReadPartial(values[4].size() > 1 ? values[4].substr(1) : "", 1);
    }
    if (IsNumericColumn(field.Type, field.Length)) {
        field.Flags |= kFieldNumeric;
    }
    return field;
}

bool DecodeRow(const uint8_t* data, std::size_t size, std::size_t count, TValueRef* values) {
    std::size_t pos = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (pos >= size) {
            return false;
        }
        uint8_t b = data[pos];
        uint64_t length;
        if (b < 251) {
            // The common case, kept short: one-byte length.
            length = b;
            ++pos;
        } else {
            TPacketReader reader(data + pos, size - pos);
            if (!reader.ReadLengthCode64(length)) {
                return false;
            }
            pos += reader.Position();
            if (length == kNullLength) {
                values[i] = {};
                continue;
            }
        }
        if (length > size - pos) {
            return false;
        }
        values[i].Offset = static_cast<uint32_t>(pos);
        values[i].Length = static_cast<uint32_t>(length);
        pos += length;
    }
    return true;
}

// --- compressed frames ---

bool CompressToNew(const uint8_t* data, std::size_t length, std::vector<uint8_t>& block) {
    uLongf room = static_cast<uLongf>(length * 120 / 100 + 12);
    try {
        block.resize(room);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (compress(block.data(), &room, data, static_cast<uLong>(length)) != Z_OK || room >= length) {
        return false;
    }
    block.resize(room);
    return true;
}

bool CompressPacket(uint8_t* data, std::size_t& length, std::size_t& uncompressedLength) {
    if (length < kMinCompressLength) {
        uncompressedLength = 0;
        return true;
    }
    std::vector<uint8_t> block;
    if (!CompressToNew(data, length, block)) {
        return false;
    }
    std::memcpy(data, block.data(), block.size());
    uncompressedLength = length;
    length = block.size();
    return true;
}

bool BuildCompressedFrame(const uint8_t* data, std::size_t size, uint8_t seq,
                          std::vector<uint8_t>& frame) {
    try {
        frame.resize(kCompressedHeaderSize + size);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (size > 0) {
        std::memcpy(frame.data() + kCompressedHeaderSize, data, size);
    }
    std::size_t length = size;
    std::size_t before = 0;
    if (!CompressPacket(frame.data() + kCompressedHeaderSize, length, before)) {
        length = size;
        before = 0;
    }
    frame.resize(kCompressedHeaderSize + length);
    WriteUint24(frame.data(), static_cast<uint32_t>(length));
    frame[3] = seq;
    WriteUint24(frame.data() + 4, static_cast<uint32_t>(before));
    return true;
}

std::size_t InflateRoom(std::size_t size, std::size_t uncompressedLength) {
    // 1032:1 is deflate's limit (258-byte matches at about two bits each); the zlib wrapper
    // only adds bytes, and the slack covers the smallest streams.
    constexpr std::size_t kDeflateMaxRatio = 1032;
    constexpr std::size_t kSlack = 1024;
    return std::min(uncompressedLength, size * kDeflateMaxRatio + kSlack);
}

bool InflateInto(const uint8_t* data, std::size_t size, uint8_t* to, std::size_t room,
                 std::size_t& length) {
    uLongf out = static_cast<uLongf>(room);
    if (uncompress(to, &out, data, static_cast<uLong>(size)) != Z_OK) {
        return false;
    }
    length = out;
    return true;
}

bool UncompressPacket(const uint8_t* data, std::size_t size, std::size_t uncompressedLength,
                      std::vector<uint8_t>& out) {
    try {
        if (uncompressedLength == 0) {
            out.assign(data, data + size);
            return true;
        }
        out.resize(uncompressedLength);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::size_t length = 0;
    if (!InflateInto(data, size, out.data(), out.size(), length)) {
        return false;
    }
    out.resize(length);
    return true;
}

}  // namespace varnimo::mysql
