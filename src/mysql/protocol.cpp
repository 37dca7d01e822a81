#include "mysql/protocol.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "mysql/errors.h"

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

// --- PacketReader ---

bool PacketReader::ReadLengthCode64(uint64_t& value) {
    if (pos_ >= size_) {
        return false;
    }
    uint8_t b = data_[pos_];
    std::size_t need = b < 251 ? 1 : b == 251 ? 1 : b == 252 ? 3 : b == 253 ? 4 : 9;
    if (size_ - pos_ < need) {
        return false;
    }
    const uint8_t* p = data_ + pos_ + 1;
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
    pos_ += need;
    return true;
}

bool PacketReader::ReadLengthCode(int32_t& value) {
    uint64_t v = 0;
    if (!ReadLengthCode64(v)) {
        return false;
    }
    value = v == kNullLength ? -1 : static_cast<int32_t>(static_cast<uint32_t>(v));
    return true;
}

bool PacketReader::ReadLengthText(std::string_view& text, bool& is_null) {
    std::size_t start = pos_;
    uint64_t length = 0;
    if (!ReadLengthCode64(length)) {
        return false;
    }
    if (length == kNullLength) {
        is_null = true;
        text = {};
        return true;
    }
    if (length > size_ - pos_) {
        pos_ = start;
        return false;
    }
    is_null = false;
    text = std::string_view(reinterpret_cast<const char*>(data_ + pos_), length);
    pos_ += length;
    return true;
}

bool PacketReader::ReadFixed(std::size_t bytes, uint32_t& value) {
    if (bytes > 4 || size_ - pos_ < bytes) {
        return false;
    }
    value = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        value |= uint32_t{data_[pos_ + i]} << (8 * i);
    }
    pos_ += bytes;
    return true;
}

std::string_view PacketReader::ReadZeroText() {
    const uint8_t* start = data_ + pos_;
    const void* zero = std::memchr(start, 0, size_ - pos_);
    std::size_t length = zero ? static_cast<const uint8_t*>(zero) - start : size_ - pos_;
    pos_ += length + (zero ? 1 : 0);
    return {reinterpret_cast<const char*>(start), length};
}

bool PacketReader::Skip(std::size_t bytes) {
    if (size_ - pos_ < bytes) {
        return false;
    }
    pos_ += bytes;
    return true;
}

bool IsEndMarker(const uint8_t* data, std::size_t size) {
    return size >= 1 && size < 8 && data[0] == kEndMarkerByte;
}

// --- error packets ---

ServerError DecodeErrorPacket(const uint8_t* data, std::size_t size, uint32_t protocol_version) {
    ServerError error;
    if (size <= 3) {
        error.code = kErrUnknown;
        error.text = ErrorMessage(kErrUnknown);
        return error;
    }
    std::size_t text_start = 1;
    if (protocol_version > kOldProtocolVersion) {
        error.code = static_cast<int32_t>(ReadUint16(data + 1));
        // Code 0 means "no error" to every caller; a failure must never read as that.
        if (error.code == 0) {
            error.code = kErrUnknown;
        }
        text_start = 3;
    } else {
        error.code = kErrUnknown;
    }
    PacketReader reader(data + text_start, size - text_start);
    std::string_view text = reader.ReadZeroText();
    error.text.assign(text.substr(0, kMaxServerErrorText));
    return error;
}

// --- greeting ---

bool ParseGreeting(const uint8_t* data, std::size_t size, ServerGreeting& greeting) {
    if (size < 1) {
        return false;
    }
    greeting.protocol_version = data[0];
    const void* zero = std::memchr(data + 1, 0, size - 1);
    if (!zero) {
        return false;
    }
    std::size_t v = static_cast<const uint8_t*>(zero) - (data + 1);
    greeting.server_version.assign(reinterpret_cast<const char*>(data + 1), v);
    greeting.thread_id = size >= v + 6 ? ReadUint32(data + v + 2) : 0;
    // The seed is a zero-terminated text of up to 8 characters; take what the packet holds.
    greeting.scramble_seed.clear();
    if (size > v + 6) {
        PacketReader reader(data + v + 6, size - (v + 6));
        greeting.scramble_seed.assign(reader.ReadZeroText().substr(0, 8));
    }
    greeting.has_capabilities = size >= v + 16;
    if (greeting.has_capabilities) {
        // With exactly V + 16 bytes the high byte would be the terminator behind the packet,
        // which is always zero.
        greeting.capabilities =
            uint32_t{data[v + 15]} | (size >= v + 17 ? uint32_t{data[v + 16]} << 8 : 0);
    }
    greeting.has_language_and_status = size >= v + 33;
    if (greeting.has_language_and_status) {
        greeting.language = data[v + 17];
        greeting.status = ReadUint16(data + v + 18);
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

std::vector<uint8_t> BuildLoginPacket(uint32_t client_flags, std::string_view user,
                                      std::string_view scramble, std::string_view database,
                                      uint32_t server_capabilities) {
    std::vector<uint8_t> packet;
    packet.reserve(5 + kMaxLoginUser + 1 + scramble.size() + 1 + kMaxLoginDatabase);
    packet.push_back(static_cast<uint8_t>(client_flags));
    packet.push_back(static_cast<uint8_t>(client_flags >> 8));
    packet.insert(packet.end(), 3, 0);  // maximum packet size: left to the server
    user = user.substr(0, kMaxLoginUser);
    packet.insert(packet.end(), user.begin(), user.end());
    packet.push_back(0);
    packet.insert(packet.end(), scramble.begin(), scramble.end());
    packet.push_back(0);
    if (!database.empty() && (server_capabilities & kCapConnectWithDb)) {
        database = database.substr(0, kMaxLoginDatabase);
        packet.insert(packet.end(), database.begin(), database.end());
    } else {
        packet.push_back(0);
    }
    return packet;
}

AuthRequest ParseAuthRequest(const uint8_t* data, std::size_t size, std::string_view greeting_seed,
                             std::string& method, std::string& seed) {
    method.clear();
    seed.clear();
    if (size < 1 || data[0] != kAuthRequestByte) {
        return AuthRequest::NotARequest;
    }
    if (size == 1) {
        seed.assign(greeting_seed.substr(0, 8));
        return AuthRequest::OldPassword;
    }
    const void* zero = std::memchr(data + 1, 0, size - 1);
    if (!zero) {
        return AuthRequest::Malformed;
    }
    PacketReader reader(data + 1, size - 1);
    method.assign(reader.ReadZeroText());
    if (method != "mysql_old_password") {
        return method.empty() ? AuthRequest::Malformed : AuthRequest::OtherMethod;
    }
    seed.assign(reader.ReadZeroText().substr(0, 8));
    return seed.size() == 8 ? AuthRequest::OldPassword : AuthRequest::Malformed;
}

// --- OK packets ---

bool DecodeOkPacket(const uint8_t* data, std::size_t size, bool server_has_transactions,
                    OkReply& ok) {
    PacketReader reader(data, size);
    uint64_t field_count = 0;
    if (!reader.ReadLengthCode64(field_count) || !reader.ReadLengthCode64(ok.affected_rows) ||
        !reader.ReadLengthCode64(ok.insert_id)) {
        return false;
    }
    ok.has_status = server_has_transactions;
    if (server_has_transactions && !reader.ReadFixed(2, ok.status)) {
        return false;
    }
    ok.has_info = false;
    ok.info.clear();
    uint64_t info_length = 0;
    if (reader.Remaining() > 0 && reader.ReadLengthCode64(info_length) && info_length != 0) {
        ok.has_info = true;
        ok.info.assign(reader.ReadZeroText());
    }
    return true;
}

// --- field and row packets ---

bool IsNumericColumn(uint32_t type, uint32_t length) {
    return (type <= 9 && (type != 7 || length == 14 || length == 8)) || type == 13;
}

bool DecodeFieldPacket(const uint8_t* data, std::size_t size, bool long_flags, FieldInfo& field) {
    PacketReader reader(data, size);
    std::string_view values[5];
    for (auto& value : values) {
        bool is_null = false;
        if (!reader.ReadLengthText(value, is_null)) {
            return false;
        }
    }
    field = FieldFromTexts(values, long_flags);
    return true;
}

FieldInfo FieldFromTexts(const std::string_view (&values)[5], bool long_flags) {
    FieldInfo field;
    field.table = values[0];
    field.name = values[1];
    field.length = ReadPartial(values[2], 3);
    field.type = ReadPartial(values[3], 1);
    if (long_flags) {
        field.flags = ReadPartial(values[4], 2);
        field.decimals = ReadPartial(values[4].size() > 2 ? values[4].substr(2) : "", 1);
    } else {
        field.flags = ReadPartial(values[4], 1);
        field.decimals = ReadPartial(values[4].size() > 1 ? values[4].substr(1) : "", 1);
    }
    if (IsNumericColumn(field.type, field.length)) {
        field.flags |= kFieldNumeric;
    }
    return field;
}

bool DecodeRow(const uint8_t* data, std::size_t size, std::size_t count, ValueRef* values) {
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
            PacketReader reader(data + pos, size - pos);
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
        values[i].offset = static_cast<uint32_t>(pos);
        values[i].length = static_cast<uint32_t>(length);
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

bool CompressPacket(uint8_t* data, std::size_t& length, std::size_t& uncompressed_length) {
    if (length < kMinCompressLength) {
        uncompressed_length = 0;
        return true;
    }
    std::vector<uint8_t> block;
    if (!CompressToNew(data, length, block)) {
        return false;
    }
    std::memcpy(data, block.data(), block.size());
    uncompressed_length = length;
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

std::size_t InflateRoom(std::size_t size, std::size_t uncompressed_length) {
    // 1032:1 is deflate's limit (258-byte matches at about two bits each); the zlib wrapper
    // only adds bytes, and the slack covers the smallest streams.
    constexpr std::size_t kDeflateMaxRatio = 1032;
    constexpr std::size_t kSlack = 1024;
    return std::min(uncompressed_length, size * kDeflateMaxRatio + kSlack);
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

bool UncompressPacket(const uint8_t* data, std::size_t size, std::size_t uncompressed_length,
                      std::vector<uint8_t>& out) {
    try {
        if (uncompressed_length == 0) {
            out.assign(data, data + size);
            return true;
        }
        out.resize(uncompressed_length);
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
