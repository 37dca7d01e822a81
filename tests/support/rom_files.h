#pragma once
// ROM files as dump sets hold them, made by the tests: zip archives of stored entries, and
// content whose CRC-32 is a given one (the CRC a DAT file lists for a game), so a folder of
// small files can stand for a collection of real games.

#include <zlib.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnimo::testing {

// zlib's own CRC-32, to compare with.
inline std::uint32_t Crc(std::string_view bytes) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

inline std::string Le(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
}

struct ZipEntry {
    std::string name;
    std::string content;
};

// A zip archive of stored entries, as archivers write it; with `zip64` the sizes, the count
// and the directory's place are given only in the zip64 records.
inline std::string Zip(const std::vector<ZipEntry>& entries, const std::string& comment = "",
                       bool zip64 = false) {
    std::string out;
    std::string directory;
    for (const ZipEntry& entry : entries) {
        const std::uint32_t crc = Crc(entry.content);
        const std::size_t offset = out.size();
        out += Le(0x04034b50, 4) + Le(20, 2) + Le(0, 2) + Le(0, 2) + Le(0, 4) + Le(crc, 4) +
               Le(entry.content.size(), 4) + Le(entry.content.size(), 4) +
               Le(entry.name.size(), 2) + Le(0, 2) + entry.name + entry.content;
        const std::uint64_t size32 = zip64 ? 0xFFFFFFFF : entry.content.size();
        const std::string extra =
            zip64 ? Le(1, 2) + Le(16, 2) + Le(entry.content.size(), 8) + Le(entry.content.size(), 8)
                  : "";
        directory += Le(0x02014b50, 4) + Le(45, 2) + Le(20, 2) + Le(0, 2) + Le(0, 2) + Le(0, 4) +
                     Le(crc, 4) + Le(size32, 4) + Le(size32, 4) + Le(entry.name.size(), 2) +
                     Le(extra.size(), 2) + Le(0, 2) + Le(0, 2) + Le(0, 2) + Le(0, 4) +
                     Le(offset, 4) + entry.name + extra;
    }
    const std::size_t directory_offset = out.size();
    out += directory;
    if (zip64) {
        const std::size_t record = out.size();
        out += Le(0x06064b50, 4) + Le(44, 8) + Le(45, 2) + Le(45, 2) + Le(0, 4) + Le(0, 4) +
               Le(entries.size(), 8) + Le(entries.size(), 8) + Le(directory.size(), 8) +
               Le(directory_offset, 8);
        out += Le(0x07064b50, 4) + Le(0, 4) + Le(record, 8) + Le(1, 4);
    }
    out += Le(0x06054b50, 4) + Le(0, 2) + Le(0, 2) + Le(zip64 ? 0xFFFF : entries.size(), 2) +
           Le(zip64 ? 0xFFFF : entries.size(), 2) + Le(zip64 ? 0xFFFFFFFF : directory.size(), 4) +
           Le(zip64 ? 0xFFFFFFFF : directory_offset, 4) + Le(comment.size(), 2) + comment;
    return out;
}

// `bytes` and four bytes more, chosen so that the CRC-32 of the whole is `crc`. The CRC's
// register after a byte is (register >> 8) ^ table[index], and the top bytes of the table's
// entries are all different, so the last four indexes follow from the wanted register
// backwards, and the bytes from the register before them forwards.
inline std::string WithCrc(std::string bytes, std::uint32_t crc) {
    std::array<std::uint32_t, 256> table{};
    std::array<std::uint8_t, 256> by_top_byte{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t entry = i;
        for (int bit = 0; bit < 8; ++bit)
            entry = (entry >> 1) ^ ((entry & 1) != 0 ? 0xEDB88320u : 0);
        table[i] = entry;
        by_top_byte[entry >> 24] = static_cast<std::uint8_t>(i);
    }
    std::array<std::uint8_t, 4> index{};
    std::uint32_t wanted = ~crc;
    for (int k = 3; k >= 0; --k) {
        index[static_cast<std::size_t>(k)] = by_top_byte[wanted >> 24];
        wanted = (wanted ^ table[index[static_cast<std::size_t>(k)]]) << 8;
    }
    std::uint32_t state = ~Crc(bytes);
    for (std::uint8_t i : index) {
        bytes.push_back(static_cast<char>(i ^ (state & 0xFF)));
        state = (state >> 8) ^ table[i];
    }
    return bytes;
}

}  // namespace varnimo::testing
