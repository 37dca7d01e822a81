#pragma once

// Pure byte work of the client: every function here reads or builds packets in memory
// and never touches a socket, so it can be tested and fuzzed on its own. Every reader
// takes (data, size) and never looks at a byte outside that span.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnimo::mysql {

// Protocol constants.
inline constexpr uint8_t kProtocolVersion = 10;
inline constexpr uint8_t kOldProtocolVersion = 9;       // still spoken: the same login and scramble
inline constexpr uint32_t kMaxPacketLength = 0xFFFFFF;  // a payload must be shorter
inline constexpr uint32_t kMaxBufferSize = 16777216;    // the buffer stays below this
inline constexpr uint32_t kInitialBufferSize = 8192;
inline constexpr uint32_t kBufferStep = 4096;
inline constexpr std::size_t kMinCompressLength = 50;
inline constexpr std::size_t kPlainHeaderSize = 4;
inline constexpr std::size_t kCompressedHeaderSize = 7;

// Capability flags.
inline constexpr uint32_t kCapLongPassword = 0x0001;
inline constexpr uint32_t kCapLongFlags = 0x0004;
inline constexpr uint32_t kCapConnectWithDb = 0x0008;
inline constexpr uint32_t kCapCompress = 0x0020;
inline constexpr uint32_t kCapLocalFiles = 0x0080;
inline constexpr uint32_t kCapTransactions = 0x2000;
inline constexpr uint32_t kDefaultClientFlags = 0x2085;

// Server status flags.
inline constexpr uint32_t kStatusInTransaction = 0x0001;
inline constexpr uint32_t kStatusAutocommit = 0x0002;

// Command codes.
inline constexpr uint8_t kComQuit = 1;
inline constexpr uint8_t kComInitDb = 2;
inline constexpr uint8_t kComQuery = 3;
inline constexpr uint8_t kComPing = 14;

// Column flag that marks a numeric column.
inline constexpr uint32_t kFieldNumeric = 0x8000;

// First bytes of a server error packet, of an end marker, and of the server's request for
// another login method.
inline constexpr uint8_t kErrorPacketByte = 0xFF;
inline constexpr uint8_t kEndMarkerByte = 0xFE;
inline constexpr uint8_t kAuthRequestByte = 0xFE;

// Value of a length-coded number that stands for NULL (64-bit form; -1 in the 32-bit form).
inline constexpr uint64_t kNullLength = ~uint64_t{0};

// Longest user and database names the login packet carries.
inline constexpr std::size_t kMaxLoginUser = 32;
inline constexpr std::size_t kMaxLoginDatabase = 64;

uint32_t ReadUint16(const uint8_t* p);
uint32_t ReadUint24(const uint8_t* p);
uint32_t ReadUint32(const uint8_t* p);
void WriteUint24(uint8_t* p, uint32_t v);

// A forward reader over one packet. Every read checks that its bytes lie inside the packet;
// a read that would run past the end fails and leaves the position where it was.
class PacketReader {
  public:
    PacketReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // 64-bit form of the length-coded number: NULL marker gives kNullLength.
    bool ReadLengthCode64(uint64_t& value);
    // 32-bit form: NULL marker gives -1; 0xFE and above read 4 bytes but consume 9.
    bool ReadLengthCode(int32_t& value);
    // A length-coded text: `is_null` for the NULL marker; `text` points into the packet.
    bool ReadLengthText(std::string_view& text, bool& is_null);
    bool ReadFixed(std::size_t bytes, uint32_t& value);
    // Text up to a zero byte or the end of the packet, whichever comes first; the zero
    // byte, when there, is consumed.
    std::string_view ReadZeroText();
    bool Skip(std::size_t bytes);

    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return size_ - pos_; }
    const uint8_t* Current() const { return data_ + pos_; }

  private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// An end marker: first byte 0xFE and fewer than 8 bytes.
bool IsEndMarker(const uint8_t* data, std::size_t size);

// --- server error packets ---

struct ServerError {
    int32_t code = 0;
    std::string text;
};

// Decodes a packet whose first byte is 0xFF. `protocol_version` decides whether it carries a
// code (above 9) or only text; packets of 1 to 3 bytes give 2000 "Unknown MySQL error".
ServerError DecodeErrorPacket(const uint8_t* data, std::size_t size, uint32_t protocol_version);

// --- greeting ---

struct ServerGreeting {
    uint8_t protocol_version = 0;
    std::string server_version;
    uint32_t thread_id = 0;
    std::string scramble_seed;  // at most 8 characters
    bool has_capabilities = false;
    uint32_t capabilities = 0;
    bool has_language_and_status = false;
    uint32_t language = 0;
    uint32_t status = 0;
};

// Parses a greeting. False when the packet is empty or the version text has no zero byte
// inside the packet. A greeting too short for the thread id or the seed gives 0 and the part
// of the seed that is there.
bool ParseGreeting(const uint8_t* data, std::size_t size, ServerGreeting& greeting);

// --- login ---

// The 31-bit hash pair of a text (spaces and tabs skipped; ends at the first zero byte).
std::pair<uint32_t, uint32_t> HashPassword(std::string_view text);

// The scramble of `password` for `seed` (one character per seed character, each 0x40..0x5F).
// Empty when the password or the seed is empty.
std::string ScramblePassword(std::string_view password, std::string_view seed);

// The login packet's payload.
std::vector<uint8_t> BuildLoginPacket(uint32_t client_flags, std::string_view user,
                                      std::string_view scramble, std::string_view database,
                                      uint32_t server_capabilities);

// The server's answer to the login packet when it starts with 0xFE.
enum class AuthRequest {
    NotARequest,  // the packet does not start with 0xFE
    OldPassword,  // the one-byte form or "mysql_old_password"; the seed to use is filled in
    OtherMethod,  // some other method is named; `method` tells which
    Malformed,    // 0xFE followed by something that is not a method name and seed
};
AuthRequest ParseAuthRequest(const uint8_t* data, std::size_t size, std::string_view greeting_seed,
                             std::string& method, std::string& seed);

// --- OK packets ---

struct OkReply {
    uint64_t affected_rows = 0;
    uint64_t insert_id = 0;
    bool has_status = false;
    uint32_t status = 0;
    bool has_info = false;
    std::string info;
};

// Decodes an OK packet (first byte 0). False when a number runs past the packet's end.
bool DecodeOkPacket(const uint8_t* data, std::size_t size, bool server_has_transactions,
                    OkReply& ok);

// --- field and row packets ---

struct FieldInfo {
    std::string_view table;
    std::string_view name;
    uint32_t length = 0;
    uint32_t type = 0;
    uint32_t flags = 0;
    uint32_t decimals = 0;
};

// Decodes a field-description packet (five length-coded texts). False when it holds fewer.
// The numeric flag is added as the column type asks.
bool DecodeFieldPacket(const uint8_t* data, std::size_t size, bool long_flags, FieldInfo& field);
// The same decoding from the five texts of a field description already split apart (a value
// shorter than its field reads as if its missing high bytes were zero).
FieldInfo FieldFromTexts(const std::string_view (&values)[5], bool long_flags);

// Whether a column of this type and display length counts as numeric.
bool IsNumericColumn(uint32_t type, uint32_t length);

// One value of a row: Offset into the row packet and Length; Length 0 means none (NULL or
// empty).
struct ValueRef {
    uint32_t offset = 0;
    uint32_t length = 0;
};

// Decodes a row packet of `count` length-coded texts into `values` (count entries). False
// when the packet holds fewer values than that or a value runs past its end.
bool DecodeRow(const uint8_t* data, std::size_t size, std::size_t count, ValueRef* values);

// --- compressed frames ---

// The payload compressed into a new block, when zlib makes it shorter; false otherwise.
bool CompressToNew(const uint8_t* data, std::size_t length, std::vector<uint8_t>& block);

// Compresses the `length` bytes at `data` in place when there are at least 50 of them and zlib
// makes them shorter: then `length` becomes the compressed length and `uncompressed_length` the
// length before. Under 50 bytes `uncompressed_length` becomes 0 (send as is). False when the
// payload could not be compressed (the caller sends it as is with 0).
bool CompressPacket(uint8_t* data, std::size_t& length, std::size_t& uncompressed_length);

// Builds a whole compressed frame (7-byte header and payload) for `data`. False when memory
// is short.
bool BuildCompressedFrame(const uint8_t* data, std::size_t size, uint8_t seq,
                          std::vector<uint8_t>& frame);

// Inflates a frame payload of `size` bytes that the header says holds `uncompressed_length`
// bytes into `out`. A length of 0 means the payload is not compressed: it is copied as is.
// False on any zlib error.
bool UncompressPacket(const uint8_t* data, std::size_t size, std::size_t uncompressed_length,
                      std::vector<uint8_t>& out);
// The most bytes a frame with a `size`-byte compressed payload can inflate to, given the
// `uncompressed_length` its header claims (0: not compressed, nothing to inflate). Deflate
// cannot expand more than 1032 times, so a larger claim can never be met, and room beyond
// that bound would never be written.
std::size_t InflateRoom(std::size_t size, std::size_t uncompressed_length);
// As UncompressPacket, into `room` bytes at `to` (which must not overlap the input); `length`
// receives the inflated length.
bool InflateInto(const uint8_t* data, std::size_t size, uint8_t* to, std::size_t room,
                 std::size_t& length);

}  // namespace varnimo::mysql
