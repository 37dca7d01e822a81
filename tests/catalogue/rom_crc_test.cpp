#include "catalogue/rom_crc.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "catalogue/known_rom_table.h"
#include "rtl/test_files.h"
#include "support/rom_files.h"

namespace varnimo::catalogue {
namespace {

using testing::Crc;
using testing::Le;
using testing::TempDir;
using testing::WithCrc;
using testing::WriteBytes;
using testing::Zip;
using testing::ZipEntry;

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
        {"raw file made to have a DAT's CRC", kFoundSfc, WithCrc(rom, 0xF2EE11F9), 0xF2EE11F9},
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
