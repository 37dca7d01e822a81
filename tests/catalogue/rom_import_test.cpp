#include "catalogue/rom_import.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "rtl/test_files.h"

namespace varnimo::catalogue {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

struct ImportCase {
    const char* rule;
    std::vector<std::string> roms;     // under roms/; a name ending in '/' is a folder
    std::vector<std::string> shots;    // under shots/; with none, no screenshot folder is given
    std::vector<std::string> present;  // data files there before the import
    bool force;
    const char* catalogue;  // after the version line; nullptr: refused, nothing written
    const char* scan;       // scanned.dat, or the error's text when refused
    const char* summary;    // part of the summary line
};

const ImportCase kCases[] = {
    {"one row per title in list order, letter case folded",
     {"b.zip", "A.smc", "c (E).fig", "D.smd", "a.zip"},
     {},
     {},
     false,
     "A;;;0;0\r\na;;;0;0\r\nb;;;0;0\r\nc (E);;;0;0\r\nD;;;0;0\r\n",
     "2\r\n1\r\n1\r\n3\r\n4\r\n",
     "imported 5 titles"},
    {"several files of one title: .zip, then .smc, .fig, .smd",
     {"x.smd", "x.fig", "x.smc", "y.smd", "y.zip", "z.fig", "z.smd"},
     {},
     {},
     false,
     "x;;;0;0\r\ny;;;0;0\r\nz;;;0;0\r\n",
     "2\r\n1\r\n3\r\n",
     "imported 3 titles"},
    {"other extensions, upper case ones too, are counted by extension",
     {"a.SFC", "b.sfc", "c.ZIP", "README", "e.7z", "f.sfc"},
     {},
     {},
     false,
     "",
     "0\r\n",
     "no .zip, .smc, .fig or .smd files there: the collection is empty); skipped 6 files the "
     "scan cannot find (no extension 1, .7z 1, .SFC 1, .ZIP 1, .sfc 2)"},
    {"names that cannot be a title are skipped and counted",
     {"a;b.zip", "c\rd.zip", "e\nf.zip", std::string("g\x1ah.zip"), ".zip", "ok.zip"},
     {},
     {},
     false,
     "ok;;;0;0\r\n",
     "1\r\n",
     "skipped 5 names that cannot be a title"},
    {"subfolders are not looked into",
     {"sub/", "sub/x.zip", "y.zip.d/"},
     {},
     {},
     false,
     "",
     "0\r\n",
     "skipped 2 subfolders or other non-files"},
    {"names that are no UTF-8 stay bytes",
     {"caf\xe9 (G).zip", "\xff\xfe.smc"},
     {},
     {},
     false,
     "caf\xe9 (G);;;0;0\r\n\xff\xfe;;;0;0\r\n",
     "1\r\n2\r\n",
     "nothing skipped"},
    {"thumbnail set: special characters become _",
     {"A: B & C?.zip", "Q*\"|<>`\\.zip"},
     {"Named_Titles/A_ B _ C_.png", "Named_Snaps/A_ B _ C_.png", "Named_Snaps/Q_______.png"},
     {},
     false,
     "A: B & C?;Named_Titles/A_ B _ C_.png;Named_Snaps/A_ B _ C_.png;0;0\r\n"
     "Q*\"|<>`\\;;Named_Snaps/Q_______.png;0;0\r\n",
     "1\r\n1\r\n",
     "2 titles from"},
    {"pictures named after the title, for both, where the set has none",
     {"p.zip", "q.zip", "r.zip", "s.zip", "t.zip"},
     {"p.jpg", "q.jpeg", "q.png", "Named_Titles/r.png", "s.gif", "T.png", "Named_Snaps/t.PNG"},
     {},
     false,
     "p;p.jpg;p.jpg;0;0\r\nq;q.png;q.png;0;0\r\nr;Named_Titles/"
     "r.png;;0;0\r\ns;;;0;0\r\nt;;;0;0\r\n",
     "1\r\n1\r\n1\r\n1\r\n1\r\n",
     "5 titles from"},
    {"a data file that is there already stops the import",
     {"a.zip"},
     {},
     {"scanned.dat"},
     false,
     nullptr,
     "scanned.dat is there already",
     ""},
    {"--force replaces each data file",
     {"a.zip"},
     {},
     {"options.dat", "SNES_screens.dat", "scanned.dat"},
     true,
     "a;;;0;0\r\n",
     "1\r\n",
     "1 title from"},
    {"an empty ROM folder makes an empty collection that reads back",
     {},
     {},
     {},
     false,
     "",
     "0\r\n",
     "collection is empty); nothing skipped"},
};

RomImportRequest Request(std::string roms, std::string shots = "", bool force = false) {
    RomImportRequest request;
    request.rom_folder = std::move(roms);
    request.screen_folder = std::move(shots);
    request.replace = force;
    return request;
}

void PrintTo(const ImportCase& c, std::ostream* out) {
    *out << c.rule;
}

class RomImportRules : public ::testing::TestWithParam<ImportCase> {};

TEST_P(RomImportRules, MakesTheCollection) {
    const ImportCase& c = GetParam();
    TempDir dir;
    std::filesystem::create_directory("roms");
    for (const std::string& name : c.roms) {
        if (name.back() == '/') {
            std::filesystem::create_directories("roms/" + name);
        } else {
            WriteBytes("roms/" + name, "rom");
        }
    }
    for (const std::string& name : c.shots)
        WriteBytes("shots/" + name, "picture");
    for (const std::string& name : c.present)
        WriteBytes(name, "old");
    const std::string before = dir.Listing();

    const RomImportRequest request = Request("roms", c.shots.empty() ? "" : "shots", c.force);
    if (c.catalogue == nullptr) {
        try {
            ImportRomFolder(request);
            FAIL() << "imported";
        } catch (const RomImportError& error) {
            EXPECT_EQ(error.what(), std::string(c.scan));
            EXPECT_EQ(error.ExistingFile(), c.present.at(0));
        }
        EXPECT_EQ(dir.Listing(), before);
        for (const std::string& name : c.present)
            EXPECT_EQ(ReadBytes(name), "old");
        return;
    }
    const RomImportSummary summary = ImportRomFolder(request);
    EXPECT_EQ(ReadBytes("SNES_screens.dat"), std::string("0\r\n") + c.catalogue);
    EXPECT_EQ(ReadBytes("scanned.dat"), c.scan);
    EXPECT_NE(summary.Line().find(c.summary), std::string::npos) << summary.Line();
    EXPECT_EQ(dir.Listing(), "SNES_screens.dat options.dat roms scanned.dat " +
                                 std::string(c.shots.empty() ? "" : "shots "));
}

INSTANTIATE_TEST_SUITE_P(Cases, RomImportRules, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ImportCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

TEST(RomImport, OptionsHoldWholeFoldersAndEmulatorsFromThePath) {
    TempDir dir;
    const std::string here = dir.Path().string() + "/";
    WriteBytes("roms/a.zip", "rom");
    WriteBytes("shots/a.png", "picture");
    WriteBytes("bin1/snes9x-gtk", "");
    WriteBytes("bin2/snes9x", "");
    WriteBytes("bin2/zsnes", "");
    RomImportRequest request = Request("roms/", here + "shots");
    request.search_path = "relative:" + here + "bin1:" + here + "bin2/";
    const RomImportSummary summary = ImportRomFolder(request);
    // snes9x is preferred wherever on the path it is; zsnes is the only ZSNES there.
    EXPECT_EQ(ReadBytes("options.dat"), here + "shots/\r\n" + here + "roms/\r\n" + here +
                                            "bin2/\r\n" + here + "bin2/\r\n2000\r\n0\r\n");
    EXPECT_EQ(summary.Line(),
              "imported 1 title from " + here + "roms/, 1 with screenshots; nothing skipped");

    // Folders given are taken as given (made whole); none found leaves the line empty.
    request.snes9x_folder = "emu";
    request.search_path = "";
    request.replace = true;
    ImportRomFolder(request);
    EXPECT_EQ(ReadBytes("options.dat"),
              here + "shots/\r\n" + here + "roms/\r\n" + here + "emu/\r\n\r\n2000\r\n0\r\n");
}

TEST(RomImport, FoldersThatCannotBeReadStopTheImport) {
    TempDir dir;
    WriteBytes("file.zip", "rom");
    std::filesystem::create_directory("roms");
    const struct {
        RomImportRequest request;
        const char* error;
    } cases[] = {
        {Request("missing"), "the ROM folder missing: No such file or directory"},
        {Request("file.zip"), "the ROM folder file.zip is not a folder"},
        {Request("roms", "nope"), "the screenshot folder nope: No such file or directory"},
    };
    for (const auto& c : cases) {
        try {
            ImportRomFolder(c.request);
            ADD_FAILURE() << "imported";
        } catch (const RomImportError& error) {
            EXPECT_EQ(error.what(), std::string(c.error));
        }
        EXPECT_EQ(dir.Listing(), "file.zip roms ");
    }
}

}  // namespace
}  // namespace varnimo::catalogue
