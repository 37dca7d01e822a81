#include "catalogue/rom_scan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rtl/files.h"
#include "rtl/runtime_error.h"
#include "rtl/test_files.h"

namespace varnimo::catalogue {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

class RomScan : public ::testing::Test {
  protected:
    TempDir dir;
    KnownRomTable table;
    int steps = 0;

    void SetUp() override {
        table.Resize(5);
        const char* titles[] = {"Alpha (E)", "Beta (U)", "Gamma (J)", "Delta", "Epsilon"};
        for (std::size_t i = 0; i < 5; ++i) {
            table.title[i] = titles[i];
            table.scan_status[i] = 9;
        }
    }
    std::function<void()> Step() {
        return [this] { ++steps; };
    }
};

TEST_F(RomScan, FreshScanLooksForZipFilesOnly) {
    WriteBytes("roms/Alpha (E).zip", "z");
    WriteBytes("roms/Gamma (J).zip", "z");
    WriteBytes("roms/Epsilon.zip", "");
    WriteBytes("roms/Beta (U).smc", "s");                   // found only through the cache
    std::filesystem::create_directories("roms/Delta.zip");  // a folder is not a ROM
    ScanRomFolder("roms/", table, Step());
    EXPECT_EQ(table.scan_status, (std::vector<std::int32_t>{1, 0, 1, 0, 1}));
    EXPECT_EQ(CountAvailable(table), 3);
    EXPECT_EQ(steps, 5);

    WriteScanCache(table);
    EXPECT_EQ(ReadBytes(kScanCacheFileName), "1\r\n0\r\n1\r\n0\r\n1\r\n");
}

// The codes and their extensions both ways, lower case only; the cache keeps every code.
TEST_F(RomScan, CodesAndTheirExtensions) {
    const std::pair<std::int32_t, std::string_view> codes[] = {{kNotFound, ""},
                                                               {kFoundZip, ".zip"},
                                                               {kFoundSmc, ".smc"},
                                                               {kFoundFig, ".fig"},
                                                               {kFoundSmd, ".smd"},
                                                               {kFoundSfc, ".sfc"},
                                                               {kFoundSwc, ".swc"},
                                                               {7, ""},
                                                               {-1, ""}};
    for (const auto& [code, extension] : codes) {
        EXPECT_EQ(RomExtension(code), extension) << code;
        if (!extension.empty()) {
            EXPECT_EQ(ScanStatusOfExtension(extension), code) << extension;
        }
    }
    for (std::string_view other : {"", ".", ".SFC", ".Zip", ".7z", ".srm", "sfc", ".sfc "})
        EXPECT_EQ(ScanStatusOfExtension(other), kNotFound) << other;

    table.scan_status = {6, 5, 1, 0, 4};
    WriteScanCache(table);
    EXPECT_EQ(ReadBytes(kScanCacheFileName), "6\r\n5\r\n1\r\n0\r\n4\r\n");
    table.scan_status.assign(5, 9);
    ReadScanCache(table, Step());
    EXPECT_EQ(table.scan_status, (std::vector<std::int32_t>{6, 5, 1, 0, 4}));
}

TEST_F(RomScan, TheCacheOfAnEmptyCatalogueReadsBack) {
    KnownRomTable empty;
    WriteScanCache(empty);
    EXPECT_EQ(ReadBytes(kScanCacheFileName), "0\r\n");
    EXPECT_NO_THROW(ReadScanCache(empty, Step()));
}

// The scan reads the folder's listing once; its answer must be the one existence test per
// name would give, over entries that look alike: case, folders, links, names that reach
// into other folders, other extensions, and folder settings with and without their
// separator. A NUL byte in a title or the folder names no file, though the name before it
// does (the system would read only that far).
TEST_F(RomScan, ListingGivesTheAnswerOfOneTestPerName) {
    namespace fs = std::filesystem;
    WriteBytes("roms/Game.zip", "z");
    WriteBytes("roms/game2.zip", "z");
    WriteBytes("roms/Other.ZIP", "z");
    WriteBytes("roms/Plain", "z");
    WriteBytes("roms/.zip", "z");
    WriteBytes("roms/trailing .zip", "z");
    WriteBytes("roms/sub/Inner.zip", "z");
    WriteBytes("roms/romsLead.zip", "z");
    WriteBytes("romsLead.zip", "z");
    WriteBytes("Top.zip", "z");
    fs::create_directories("roms/Folder.zip");
#ifndef _WIN32
    // Wine cannot make links; on Windows these titles are simply missing.
    fs::create_symlink("Game.zip", "roms/Linked.zip");
    fs::create_symlink("Folder.zip", "roms/LinkToFolder.zip");
    fs::create_symlink("Nowhere.zip", "roms/Dangling.zip");
#endif
    const std::vector<std::string> titles = {"Game",
                                             "game",
                                             "GAME",
                                             "game2",
                                             "Game2",
                                             "Other",
                                             "Plain",
                                             "",
                                             "trailing ",
                                             "trailing",
                                             "sub/Inner",
                                             "sub",
                                             "Folder",
                                             "Linked",
                                             "LinkToFolder",
                                             "Dangling",
                                             "Lead",
                                             "romsLead",
                                             "../Top",
                                             "../roms/Game",
                                             std::string("Game\0x", 6),
                                             std::string("Game.zip\0", 9),
                                             std::string("Plain\0", 6),
                                             std::string("\0", 1),
                                             "Top",
                                             "Missing"};
    table.Resize(titles.size());
    for (std::size_t i = 0; i < titles.size(); ++i) {
        table.title[i] = titles[i];
    }
    for (const std::string& rom_path :
         {std::string("roms/"), std::string("roms"), std::string(), std::string("./roms/"),
          std::string("roms//"), std::string("missing/"), std::string("roms/Plain\0/", 12),
          std::string("roms/Game.zip\0", 14)}) {
        table.scan_status.assign(titles.size(), 9);
        steps = 0;
        ScanRomFolder(rom_path, table, Step());
        EXPECT_EQ(steps, static_cast<int>(titles.size()));
        for (std::size_t i = 0; i < titles.size(); ++i) {
            const std::string name = rom_path + titles[i] + ".zip";
            EXPECT_EQ(table.scan_status[i], rtl::FileExists(name) && !rtl::HoldsNul(name) ? 1 : 0)
                << "folder '" << rom_path << "' title '" << titles[i] << "'";
        }
    }
    ScanRomFolder("roms/", table, Step());  // and the answers really differ between names
#ifndef _WIN32
    EXPECT_EQ(table.scan_status[0] + table.scan_status[1] + table.scan_status[13], 2);
#else
    EXPECT_EQ(table.scan_status[0] + table.scan_status[1], 2);  // letter case ignored there
#endif
}

// Thousands of names, so that look-ups collide in the table and names of one length and
// hash tag meet: every title still gets the answer of its own existence test.
TEST_F(RomScan, ManyNamesInTheListing) {
    std::filesystem::create_directories("roms");
    table.Resize(6000);
    for (std::size_t i = 0; i < 6000; ++i) {
        table.title[i] = "Title " + std::to_string(i * 7919 % 10007);
        if (i % 2 == 0) {
            WriteBytes("roms/" + std::string(table.title[i]) + ".zip", "");
        }
    }
    ScanRomFolder("roms/", table, Step());
    int found = 0;
    for (std::size_t i = 0; i < 6000; ++i) {
        ASSERT_EQ(table.scan_status[i], i % 2 == 0 ? 1 : 0) << table.title[i];
        found += table.scan_status[i];
    }
    EXPECT_EQ(found, 3000);
}

TEST_F(RomScan, EmptyRomPathMeansTheWorkingDirectory) {
    WriteBytes("Delta.zip", "z");
    ScanRomFolder("", table, Step());
    EXPECT_EQ(table.scan_status, (std::vector<std::int32_t>{0, 0, 0, 1, 0}));
}

TEST_F(RomScan, CacheLinesGoToRowsByPosition) {
    WriteBytes(kScanCacheFileName, "1\r\n2\r\n0");
    ReadScanCache(table, Step());
    EXPECT_EQ(table.scan_status,
              (std::vector<std::int32_t>{1, 2, 0, 9, 9}));  // rows without a line keep theirs
    EXPECT_EQ(steps, 3);

    WriteBytes(kScanCacheFileName, "1\r\n1\r\n1\r\n1\r\n1\r\n3\r\n4\r\n0\r\n");
    ReadScanCache(table, Step());
    EXPECT_EQ(table.scan_status, (std::vector<std::int32_t>{1, 1, 1, 1, 1}));
    EXPECT_EQ(table.Size(), 5u);
}

TEST_F(RomScan, ABadCacheLineStopsWithTheRowsBeforeItSet) {
    WriteBytes(kScanCacheFileName, "1\r\n1 \r\n1\r\n");
    try {
        ReadScanCache(table, Step());
        FAIL() << "no error";
    } catch (const rtl::ConversionError& error) {
        EXPECT_STREQ(error.what(), "'1 ' ist kein gültiger Integerwert");
    }
    EXPECT_EQ(table.scan_status[0], 1);
    EXPECT_EQ(table.scan_status[1], 9);

    // An empty cache is one empty line, also for an empty table; so is a bad extra line.
    WriteBytes(kScanCacheFileName, "");
    EXPECT_THROW(ReadScanCache(table, Step()), rtl::ConversionError);
    KnownRomTable empty;
    EXPECT_THROW(ReadScanCache(empty, Step()), rtl::ConversionError);
    WriteBytes(kScanCacheFileName, "1\r\nx\r\n");
    EXPECT_THROW(ReadScanCache(empty, Step()), rtl::ConversionError);
}

}  // namespace
}  // namespace varnimo::catalogue
