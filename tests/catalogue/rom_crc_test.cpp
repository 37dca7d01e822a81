#include "catalogue/rom_crc.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <optional>
#include <string>
#include <vector>

#include "catalogue/known_rom_table.h"
#include "rtl/test_files.h"

namespace varnimo::catalogue {
namespace {

using testing::TempDir;
using testing::WriteBytes;

std::uint32_t Crc(std::string_view bytes) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string Le(std::uint64_t value, int bytes) {
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
std::string Zip(const std::vector<ZipEntry>& entries, const std::string& comment = "",
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

std::string Bytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 9)) & 0xFF);
    return bytes;
}

// The CRC a file is matched by: for a zip the one its directory stores for the ROM entry, for
// a raw file that of its bytes without a copier's header.
TEST(RomCrc, OfZipArchivesAndRawFiles) {
    TempDir dir;
    const std::string rom = Bytes(4096, 1);
    const std::string other = Bytes(9000, 2);
    const std::string small = Bytes(100, 3);
    // A comment holding an end record's signature that does not reach the end of the file.
    const std::string fake_end = Le(0x06054b50, 4) + std::string(18, '\0') + "tail";
    std::vector<ZipEntry> many;
    for (int i = 0; i < 1000; ++i)  // a directory larger than the end read in one piece
        many.push_back({std::string(80, 'n') + std::to_string(i) + ".txt", "x"});
    many.push_back({"Game.sfc", rom});
    const std::string zip = Zip({{"Game (USA).sfc", rom}});
    const std::string header = Bytes(512, 4);
    const std::string big = Bytes((2 << 20) + 1024, 5);
    std::string bad_count = zip;
    bad_count[bad_count.size() - 12] = 2;  // two entries said, one there

    struct Case {
        const char* what;
        std::int32_t status;
        std::string bytes;
        std::optional<std::uint32_t> crc;
    };
    const Case cases[] = {
        {"zip of one entry", kFoundZip, zip, Crc(rom)},
        {"zip with a comment", kFoundZip, Zip({{"g.smc", rom}}, "made by hand"), Crc(rom)},
        {"zip with the longest comment", kFoundZip, Zip({{"g", rom}}, std::string(0xFFFF, 'c')),
         Crc(rom)},
        {"zip with a false end in its comment", kFoundZip, Zip({{"g", rom}}, fake_end), Crc(rom)},
        {"ROM entry among larger others", kFoundZip,
         Zip({{"readme.txt", other}, {"dir/", ""}, {"Game.SMC", small}}), Crc(small)},
        {"the largest of several ROM entries", kFoundZip,
         Zip({{"a.fig", small}, {"b.bin", rom}, {"c.sfc", small}, {"big.txt", other}}), Crc(rom)},
        {"the largest entry when none is a ROM", kFoundZip,
         Zip({{"a.txt", small}, {"b.dat", other}, {"c", rom}}), Crc(other)},
        {"zip64 records, sizes in the extra fields", kFoundZip,
         Zip({{"a.txt", small}, {"b.txt", rom}, {"c.txt", small}}, "", true), Crc(rom)},
        {"a directory of a thousand entries", kFoundZip, Zip(many), Crc(rom)},
        {"only a folder", kFoundZip, Zip({{"dir/", ""}}), std::nullopt},
        {"no entry", kFoundZip, Zip({}), std::nullopt},
        {"truncated end record", kFoundZip, zip.substr(0, zip.size() - 5), std::nullopt},
        {"truncated at the front", kFoundZip, zip.substr(30), std::nullopt},
        {"a count beyond the directory", kFoundZip, bad_count, std::nullopt},
        {"not a zip", kFoundZip, "just some text that is long enough to hold an end", std::nullopt},
        {"empty file as zip", kFoundZip, "", std::nullopt},
        {"raw file", kFoundSfc, rom, Crc(rom)},
        {"raw file with a copier header", kFoundSmc, header + rom, Crc(rom)},
        {"header across the first read", kFoundFig, header + big, Crc(big)},
        {"a multiple of 1,024 keeps its first 512 bytes", kFoundSwc, big, Crc(big)},
        {"only a header", kFoundSmd, header, Crc("")},
        {"empty raw file", kFoundSfc, "", Crc("")},
        {"not a ROM file code", kNotFound, rom, std::nullopt},
    };
    for (const Case& c : cases) {
        WriteBytes("rom", c.bytes);
        EXPECT_EQ(RomFileCrc("rom", c.status), c.crc) << c.what;
    }
    EXPECT_EQ(ZipRomCrc("missing.zip"), std::nullopt);
    EXPECT_EQ(RawRomCrc("missing.sfc"), std::nullopt);
    EXPECT_EQ(RawRomCrc("."), std::nullopt);  // a folder
}

}  // namespace
}  // namespace varnimo::catalogue
