#include "catalogue/rom_import.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "rtl/runtime_error.h"
#include "rtl/test_files.h"
#include "rtl/text_file.h"
#include "support/rom_files.h"

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
    // After the version line; "~" stands for the thumbnail set's names of the row's title.
    // nullptr: refused, nothing written.
    const char* catalogue;
    const char* scan;     // scanned.dat, or the error's text when refused
    const char* summary;  // part of the summary line
};

const ImportCase kCases[] = {
    {"one row per title in list order, letter case folded",
     {"b.zip", "A.smc", "c (E).fig", "D.smd", "a.zip", "e (USA).sfc", "F.swc"},
     {},
     {},
     false,
     "A;~;0;0\r\na;~;0;0\r\nb;~;0;0\r\nc (E);~;0;0\r\nD;~;0;0\r\ne (USA);~;0;0\r\nF;~;0;0\r\n",
     "2\r\n1\r\n1\r\n3\r\n4\r\n5\r\n6\r\n",
     "imported 7 titles"},
    {"several files of one title: .zip, then .smc, .fig, .smd, .sfc, .swc",
     {"x.smd", "x.fig", "x.smc", "x.sfc", "y.swc", "y.zip", "z.swc", "z.sfc", "z.smd", "w.swc",
      "w.sfc"},
     {},
     {},
     false,
     "w;~;0;0\r\nx;~;0;0\r\ny;~;0;0\r\nz;~;0;0\r\n",
     "5\r\n2\r\n1\r\n4\r\n",
     "imported 4 titles"},
    {"other extensions, upper case ones too, are skipped and counted by extension",
     {"a.SFC", "b.sfc", "c.ZIP", "README", "e.7z", "f.srm", "g.swc"},
     {},
     {},
     false,
     "b;~;0;0\r\ng;~;0;0\r\n",
     "5\r\n6\r\n",
     "2 titles from"},
    {"... and named in the summary",
     {"a.SFC", "b.sfc", "c.ZIP", "README", "e.7z", "f.srm", "g.swc"},
     {},
     {},
     false,
     "b;~;0;0\r\ng;~;0;0\r\n",
     "5\r\n6\r\n",
     "; skipped 5 other files (no extension 1, .7z 1, .SFC 1, .ZIP 1, .srm 1)"},
    {"names that cannot be a title are skipped and counted",
     {"a;b.zip", "c\rd.zip", "e\nf.zip", std::string("g\x1ah.zip"), ".zip", "ok.zip"},
     {},
     {},
     false,
     "ok;~;0;0\r\n",
     "1\r\n",
     "skipped 5 names that cannot be a title"},
    {"subfolders are not looked into",
     {"sub/", "sub/x.zip", "y.zip.d/", "z.zip"},
     {},
     {},
     false,
     "z;~;0;0\r\n",
     "1\r\n",
     "skipped 2 subfolders or other non-files"},
    {"names that are no UTF-8 stay bytes",
     {"caf\xe9 (G).zip", "\xff\xfe.smc"},
     {},
     {},
     false,
     "caf\xe9 (G);~;0;0\r\n\xff\xfe;~;0;0\r\n",
     "1\r\n2\r\n",
     "nothing skipped"},
    {"thumbnail set: special characters become _, also in the names of pictures not there",
     {"A: B & C?.zip", "Q*\"|<>`\\.zip"},
     {"Named_Titles/A_ B _ C_.png", "Named_Snaps/A_ B _ C_.png", "Named_Snaps/Q_______.png"},
     {},
     false,
     "A: B & C?;Named_Titles/A_ B _ C_.png;Named_Snaps/A_ B _ C_.png;0;0\r\n"
     "Q*\"|<>`\\;Named_Titles/Q_______.png;Named_Snaps/Q_______.png;0;0\r\n",
     "1\r\n1\r\n",
     "2 titles from"},
    {"pictures named after the title where the set has none; only pictures there are counted",
     {"p.zip", "q.zip", "r.zip", "s.zip", "t.zip"},
     {"p.jpg", "q.jpeg", "q.png", "Named_Titles/r.png", "s.gif", "T.png", "Named_Snaps/t.PNG"},
     {},
     false,
     "p;p.jpg;p.jpg;0;0\r\nq;q.png;q.png;0;0\r\nr;~;0;0\r\ns;~;0;0\r\nt;~;0;0\r\n",
     "1\r\n1\r\n1\r\n1\r\n1\r\n",
     "/roms/, 3 with screenshots"},
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
     "a;~;0;0\r\n",
     "1\r\n",
     "1 title from"},
    {"a ROM folder without ROM files is refused, saying what it holds",
     {"a.7z", "b.7z", "readme.txt", "sub/"},
     {},
     {},
     false,
     nullptr,
     "the ROM folder roms holds no ROM files (.zip, .smc, .fig, .smd, .sfc or .swc): it holds 3 "
     "other files (.7z 2, .txt 1), 1 subfolder or other non-file (subfolders are not looked "
     "into)",
     ""},
    {"... an empty one too",
     {},
     {},
     {},
     false,
     nullptr,
     "the ROM folder roms holds no ROM files (.zip, .smc, .fig, .smd, .sfc or .swc)",
     ""},
};

// The expected catalogue lines with "~" spelled out: the thumbnail set's names of the title.
std::string Expanded(const char* lines) {
    std::string text;
    std::string_view rest = lines;
    for (std::size_t end; (end = rest.find('\n')) != std::string_view::npos;
         rest.remove_prefix(end + 1)) {
        std::string line(rest.substr(0, end + 1));
        const std::string title = line.substr(0, line.find(';'));
        if (const std::size_t mark = line.find(";~;"); mark != std::string::npos) {
            line.replace(mark + 1, 1,
                         "Named_Titles/" + title + ".png;Named_Snaps/" + title + ".png");
        }
        text += line;
    }
    return text;
}

RomImportRequest Request(std::string roms, std::string shots = "", bool force = false) {
    RomImportRequest request;
    request.rom_folder = std::move(roms);
    request.screen_folder = std::move(shots);
    request.replace = force;
    return request;
}

// The summary of an import that is to be made; a refused one fails the test with its reason.
RomImportSummary Imported(const RomImportRequest& request) {
    const RomImportOutcome outcome = ImportRomFolder(request);
    if (!outcome) {
        ADD_FAILURE() << "refused: " << outcome.Error().message;
        return {};
    }
    return outcome.Value();
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
        const RomImportOutcome outcome = ImportRomFolder(request);
        ASSERT_FALSE(outcome) << "imported";
        EXPECT_EQ(outcome.Error().message, c.scan);
        EXPECT_EQ(outcome.Error().existing_file,
                  c.present.empty() ? std::nullopt : std::optional(c.present[0]));
        EXPECT_EQ(dir.Listing(), before);
        for (const std::string& name : c.present)
            EXPECT_EQ(ReadBytes(name), "old");
        return;
    }
    const RomImportSummary summary = Imported(request);
    EXPECT_EQ(ReadBytes("SNES_screens.dat"), "0\r\n" + Expanded(c.catalogue));
    EXPECT_EQ(ReadBytes("scanned.dat"), c.scan);
    EXPECT_NE(summary.Line().find(c.summary), std::string::npos) << summary.Line();
    EXPECT_EQ(dir.Listing(), "SNES_screens.dat options.dat roms scanned.dat " +
                                 std::string(c.shots.empty() ? "" : "shots "));
}

INSTANTIATE_TEST_SUITE_P(Cases, RomImportRules, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ImportCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

// A collection named the way today's sets name files, with game information from a list of
// every known game (Logiqx XML), a genre DAT and a players DAT (clrmamepro text): files are
// recognised by the CRC of their content (a zip's from its directory, a headered file's
// without the header), else by name; known games without a file are rows with status 0.
struct DatCase {
    const char* rule;
    std::vector<std::string> dats;  // of kDats, or a file that is not there
    const char* catalogue;          // as in ImportCase; nullptr: refused
    const char* scan;               // scanned.dat, or the error's text when refused
    const char* summary;            // part of the summary line
};

const std::map<std::string, std::string> kDats = {
    {"list.xml",
     "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<datafile>\r\n"
     "<header><name>Test set</name></header>\r\n"
     "<game name=\"Alpha Quest (USA)\"><rom name=\"Alpha Quest (USA).sfc\" size=\"1024\" "
     "crc=\"11111111\"/></game>\r\n"
     "<game name=\"Beta Racer (Europe)\"><rom name=\"Beta Racer (Europe).sfc\" size=\"1024\" "
     "crc=\"22222222\"/></game>\r\n"
     "<game name=\"Gamma &amp; Co (Japan)\"><rom name=\"Gamma &amp; Co (Japan).sfc\" "
     "size=\"1024\" crc=\"33333333\"/></game>\r\n"
     "<game name=\"Delta (USA)\"><rom name=\"Delta (USA).sfc\" size=\"1024\" "
     "crc=\"44444444\"/></game>\r\n"
     "<game name=\"Epsilon (USA)\"><rom name=\"Epsilon (USA).sfc\" size=\"1024\" "
     "crc=\"55555555\"/></game>\r\n"
     "</datafile>\r\n"},
    {"genre.dat",
     "clrmamepro (\n\tname \"genres\"\n)\n\n"
     "game (\n\tcomment \"Alpha Quest (USA)\"\n\tgenre \"Platform\"\n\trom ( crc 11111111 )\n)\n"
     "game (\n\tcomment \"Beta Racer (Europe)\"\n\tgenre \"Racing\"\n\trom ( crc 22222222 )\n)\n"
     "game (\n\tcomment \"Gamma & Co (Japan)\"\n\tgenre \"Puzzle\"\n\trom ( crc 33333333 )\n)\n"
     "game (\n\tcomment \"Epsilon (USA)\"\n\tgenre \"Sports\"\n\trom ( crc 55555555 )\n)\n"},
    {"users.dat",
     "clrmamepro (\n\tname \"players\"\n)\n\n"
     "game (\n\tcomment \"Alpha Quest (USA)\"\n\tusers 1\n\trom ( crc 11111111 )\n)\n"
     "game (\n\tcomment \"Beta Racer (Europe)\"\n\tusers 2\n\trom ( crc 22222222 )\n)\n"
     "game (\n\tcomment \"Delta (USA)\"\n\tusers 4\n\trom ( crc 44444444 )\n)\n"},
    {"bad.dat", "clrmamepro (\n\tname \"broken\"\n)\n\ngame (\n\tcomment \"Open\n)\n"},
};

const DatCase kDatCases[] = {
    {"every known game, genre and players from three DATs",
     {"list.xml", "genre.dat", "users.dat"},
     "alpha;~;8;1\r\nBeta Racer (Europe);~;13;2\r\nDelta (USA);~;0;5\r\nEpsilon (USA);~;7;0\r\n"
     "Gamma & Co (Japan);Named_Titles/Gamma _ Co (Japan).png;Named_Snaps/Gamma _ Co (Japan).png;1;"
     "0\r\nHack (USA);~;0;0\r\n",
     "5\r\n2\r\n5\r\n1\r\n0\r\n1\r\n",
     "imported 5 titles from $/roms/, 0 with screenshots, 3 with a genre, 3 with players, 3 "
     "matched by CRC and 1 by name; 1 of 5 known games missing; skipped 1 other file (.txt 1)"},
    {"a genre DAT alone lists no games: only the files are rows",
     {"genre.dat"},
     "alpha;~;8;0\r\nBeta Racer (Europe);~;13;0\r\nDelta (USA);~;0;0\r\nEpsilon (USA);~;7;0\r\n"
     "Hack (USA);~;0;0\r\n",
     "5\r\n2\r\n5\r\n1\r\n1\r\n",
     ", 3 with a genre, 0 with players, 3 matched by CRC and 0 by name; skipped"},
    {"without DAT files nothing is read",
     {},
     "alpha;~;0;0\r\nBeta Racer (Europe);~;0;0\r\nDelta (USA);~;0;0\r\nEpsilon (USA);~;0;0\r\n"
     "Hack (USA);~;0;0\r\n",
     "5\r\n2\r\n5\r\n1\r\n1\r\n",
     "imported 5 titles from $/roms/, 0 with screenshots; skipped"},
    {"a malformed DAT is named with its line and nothing is written",
     {"genre.dat", "bad.dat"},
     nullptr,
     "bad.dat:6: a quoted text is not closed on its line",
     ""},
    {"a DAT that is not there", {"list.xml", "missing.dat"}, nullptr, "missing.dat: ", ""},
};

void PrintTo(const DatCase& c, std::ostream* out) {
    *out << c.rule;
}

class ImportWithDats : public ::testing::TestWithParam<DatCase> {};

TEST_P(ImportWithDats, RecognisesFilesAndKnownGames) {
    const DatCase& c = GetParam();
    TempDir dir;
    const std::string rom(1020, 'r');
    WriteBytes("roms/alpha.sfc", testing::WithCrc(rom, 0x11111111));
    WriteBytes("roms/Beta Racer (Europe).smc",
               std::string(512, 'h') + testing::WithCrc(rom, 0x22222222));
    WriteBytes("roms/Delta (USA).sfc", rom);
    WriteBytes("roms/Epsilon (USA).zip",
               testing::Zip({{"read me.txt", rom + rom},
                             {"Epsilon.sfc", testing::WithCrc(rom, 0x55555555)}}));
    WriteBytes("roms/Hack (USA).zip", testing::Zip({{"Hack.sfc", rom}}));
    WriteBytes("roms/notes.txt", "");
    RomImportRequest request = Request("roms");
    for (const std::string& dat : c.dats) {
        if (kDats.count(dat) != 0)
            WriteBytes(dat, kDats.at(dat));
        request.dat_files.push_back(dat);
    }
    std::vector<std::pair<std::size_t, std::size_t>> progress;
    request.progress = [&](std::size_t done, std::size_t total) {
        progress.emplace_back(done, total);
    };
    const std::string before = dir.Listing();
    if (c.catalogue == nullptr) {
        const RomImportOutcome outcome = ImportRomFolder(request);
        ASSERT_FALSE(outcome) << "imported";
        EXPECT_EQ(outcome.Error().message.rfind(c.scan, 0), 0u) << outcome.Error().message;
        EXPECT_EQ(dir.Listing(), before);
        return;
    }
    std::string summary = Imported(request).Line();
    EXPECT_EQ(ReadBytes("SNES_screens.dat"), "0\r\n" + Expanded(c.catalogue));
    EXPECT_EQ(ReadBytes("scanned.dat"), c.scan);
    const std::string here = dir.Path().string();
    std::string expected = c.summary;
    if (const std::size_t at = expected.find('$'); at != std::string::npos)
        expected.replace(at, 1, here);
    EXPECT_NE(summary.find(expected), std::string::npos) << summary;
    // Each ROM file read once, with the progress of every one; none read without DAT files.
    std::vector<std::pair<std::size_t, std::size_t>> each;
    for (std::size_t done = 1; !c.dats.empty() && done <= 5; ++done)
        each.emplace_back(done, 5);
    EXPECT_EQ(progress, each);
}

INSTANTIATE_TEST_SUITE_P(Cases, ImportWithDats, ::testing::ValuesIn(kDatCases),
                         [](const ::testing::TestParamInfo<DatCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

// The window's import keeps the DAT files it was given beside the collection, by their whole
// names, for the next import; the terminal's leaves no such note.
TEST(RomImport, RemembersItsDatFilesWhenAsked) {
    TempDir dir;
    WriteBytes("roms/a.sfc", "rom");
    WriteBytes("dats/genre.dat", kDats.at("genre.dat"));
    WriteBytes("list.xml", kDats.at("list.xml"));
    RomImportRequest request = Request("roms");
    request.dat_files = {"dats/genre.dat", "./dats/../list.xml"};
    Imported(request);
    EXPECT_EQ(dir.Listing(), "SNES_screens.dat dats list.xml options.dat roms scanned.dat ");
    EXPECT_EQ(RememberedDatFiles(), std::vector<std::string>{});

    request.remember_dat_files = true;
    request.replace = true;
    Imported(request);
    const std::string here = dir.Path().string();
    EXPECT_EQ(ReadBytes(kDatListFileName), here + "/dats/genre.dat\r\n" + here + "/list.xml\r\n");
    EXPECT_EQ(RememberedDatFiles(),
              (std::vector<std::string>{here + "/dats/genre.dat", here + "/list.xml"}));
    request.dat_files.clear();
    Imported(request);
    EXPECT_EQ(RememberedDatFiles(), std::vector<std::string>{});
}

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
    const RomImportSummary summary = Imported(request);
    // snes9x is preferred wherever on the path it is; zsnes is the only ZSNES there.
    EXPECT_EQ(ReadBytes("options.dat"), here + "shots/\r\n" + here + "roms/\r\n" + here +
                                            "bin2/\r\n" + here + "bin2/\r\n2000\r\n0\r\n");
    EXPECT_EQ(summary.Line(),
              "imported 1 title from " + here + "roms/, 1 with screenshots; nothing skipped");

    // Folders given are taken as given (made whole); none found leaves the line empty.
    request.snes9x_folder = "emu";
    request.search_path = "";
    request.replace = true;
    Imported(request);
    EXPECT_EQ(ReadBytes("options.dat"),
              here + "shots/\r\n" + here + "roms/\r\n" + here + "emu/\r\n\r\n2000\r\n0\r\n");
}

TEST(RomImport, FoldersThatCannotBeReadStopTheImport) {
    TempDir dir;
    WriteBytes("file.zip", "rom");
    WriteBytes("roms/a.zip", "rom");
    const struct {
        RomImportRequest request;
        const char* error;
    } cases[] = {
        {Request("missing"), "the ROM folder missing: No such file or directory"},
        {Request("file.zip"), "the ROM folder file.zip is not a folder"},
        {Request("roms", "nope"), "the screenshot folder nope: No such file or directory"},
    };
    for (const auto& c : cases) {
        const RomImportOutcome outcome = ImportRomFolder(c.request);
        EXPECT_EQ(outcome ? "imported" : outcome.Error().message, c.error);
        EXPECT_EQ(dir.Listing(), "file.zip roms ");
    }
}

// Everything in the working directory, by name: the type, the permission bits and the bytes
// of each file, where a link points. Checks that a failed import left the folder as it was.
std::map<std::string, std::string> FolderBytes() {
    std::map<std::string, std::string> folder;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        struct stat info {};
        EXPECT_EQ(::lstat(name.c_str(), &info), 0) << name;
        char mode[8];
        std::snprintf(mode, sizeof mode, "%o ", static_cast<unsigned>(info.st_mode & 07777));
        std::string& what = folder[name];
        what = mode;
        if (S_ISLNK(info.st_mode)) {
            what += "link to " + std::filesystem::read_symlink(name).string();
        } else if (S_ISDIR(info.st_mode)) {
            what += "folder";
        } else {
            what += ReadBytes(name);
        }
    }
    return folder;
}

// What a killed import leaves: temporary files of the three data files.
const std::vector<std::string> kLeftovers = {"options.dat.Ab12Cd", "SNES_screens.dat.x9Y8z7",
                                             "scanned.dat.000000"};

// Sets up a collection folder: ROMs, the old data files `present`, a killed import's
// leftovers, and names like them that are no leftovers of ours and must stay.
void MakeCollectionFolder(const std::vector<std::string>& present) {
    WriteBytes("roms/a.zip", "rom");
    WriteBytes("roms/b.smc", "rom");
    for (const std::string& name : present) {
        WriteBytes(name, "old " + name + "\r\n");
        ::chmod(name.c_str(), 0640);
    }
    for (const std::string& name : kLeftovers)
        WriteBytes(name, "half");
    for (const char* name : {"options.dat.Ab12C", "options.dat.Ab12Cd7", "scanned.dat.Ab-2Cd",
                             "roms.dat.Ab12Cd", "xoptions.dat.Ab12Cd"}) {
        WriteBytes(name, "mine");
    }
    std::filesystem::create_directory("scanned.dat.Qw12Er");
    std::filesystem::create_symlink("roms", "SNES_screens.dat.Lnk123");
}

// Counts the steps of the writes and fails the n-th (from 1) as a full disk or a failed
// rename would; 0 fails none. Without hard links every link is refused, as FAT does.
class FailingStep final : public rtl::WriteFaultHook {
  public:
    FailingStep(int fail_at, bool hard_links) : fail_at_(fail_at), hard_links_(hard_links) {
        previous_ = rtl::SetWriteFaultHook(this);
    }
    ~FailingStep() override { rtl::SetWriteFaultHook(previous_); }
    int Fault(std::string_view operation) override {
        if (operation == "link" && !hard_links_)
            return EPERM;
        steps_.push_back(std::string(operation));
        return static_cast<int>(steps_.size()) == fail_at_ ? ENOSPC : 0;
    }
    std::string Steps() const {
        std::string all;
        for (const std::string& step : steps_)
            all += step + " ";
        return all;
    }

  private:
    int fail_at_;
    bool hard_links_;
    std::vector<std::string> steps_;
    rtl::WriteFaultHook* previous_;
};

struct HalfWayCase {
    const char* rule;
    std::vector<std::string> present;  // data files there before
    bool hard_links;
    const char* steps;  // every step of a whole import, in order
};

const HalfWayCase kHalfWay[] = {
    {"a first import",
     {},
     true,
     "create create create write sync write sync write sync rename rename rename "},
    {"a forced import over a whole collection",
     {"options.dat", "scanned.dat", "SNES_screens.dat"},
     true,
     "create create create write sync write sync write sync link rename link rename link rename "},
    {"the same where the file system has no links: the old files are moved aside",
     {"options.dat", "scanned.dat", "SNES_screens.dat"},
     false,
     "create create create write sync write sync write sync "
     "rename rename rename rename rename rename "},
    {"a forced import beside an options.dat alone",
     {"options.dat"},
     true,
     "create create create write sync write sync write sync link rename rename rename "},
};

void PrintTo(const HalfWayCase& c, std::ostream* out) {
    *out << c.rule;
}

class ImportFailingHalfWay : public ::testing::TestWithParam<HalfWayCase> {};

// All three data files are put in place or none: whichever step fails, the folder holds what
// it held before, byte for byte, less the leftovers of a killed import, and nothing new.
TEST_P(ImportFailingHalfWay, LeavesTheFolderAsItWas) {
    const HalfWayCase& c = GetParam();
    const RomImportRequest request = Request("roms", "", !c.present.empty());
    auto before = [](const std::vector<std::string>& present) {
        MakeCollectionFolder(present);
        std::map<std::string, std::string> folder = FolderBytes();
        for (const std::string& name : kLeftovers)
            folder.erase(name);
        return folder;
    };
    int steps = 0;
    {
        TempDir dir;
        std::map<std::string, std::string> expected = before(c.present);
        FailingStep count(0, c.hard_links);
        Imported(request);
        EXPECT_EQ(count.Steps(), c.steps);
        steps = static_cast<int>(std::count(c.steps, c.steps + std::strlen(c.steps), ' '));
        // A replaced file keeps its mode; a new one gets what the umask grants, as the files
        // the test made did.
        auto mode = [&](const char* name) {
            return std::count(c.present.begin(), c.present.end(), name) != 0
                       ? std::string("640 ")
                       : expected["roms.dat.Ab12Cd"].substr(0, 4);
        };
        expected["SNES_screens.dat"] =
            mode("SNES_screens.dat") +
            "0\r\na;Named_Titles/a.png;Named_Snaps/a.png;0;0\r\nb;Named_Titles/b.png;Named_Snaps/"
            "b.png;0;0\r\n";
        expected["scanned.dat"] = mode("scanned.dat") + "1\r\n2\r\n";
        expected["options.dat"] = mode("options.dat") + "\r\n" +
                                  std::filesystem::current_path().string() +
                                  "/roms/\r\n\r\n\r\n2000\r\n0\r\n";
        EXPECT_EQ(FolderBytes(), expected);
    }
    for (int fail_at = 1; fail_at <= steps; ++fail_at) {
        TempDir dir;
        const std::map<std::string, std::string> expected = before(c.present);
        FailingStep fault(fail_at, c.hard_links);
        try {
            const RomImportOutcome outcome = ImportRomFolder(request);
            ADD_FAILURE() << "step " << fail_at << ": "
                          << (outcome ? "imported" : "refused: " + outcome.Error().message);
        } catch (const rtl::InOutError& error) {
            EXPECT_STREQ(error.what(), "E/A-Fehler 28") << "step " << fail_at;
        }
        EXPECT_EQ(FolderBytes(), expected) << "step " << fail_at << " of " << fault.Steps();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ImportFailingHalfWay, ::testing::ValuesIn(kHalfWay),
                         [](const ::testing::TestParamInfo<HalfWayCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

#ifdef __linux__
// Runs `body` in a child process with a mount namespace of its own, where it may mount a file
// system that nobody else sees and that goes away with it. Returns what the child reports, or
// why it could not run. As root the namespace needs nothing else; otherwise (or where a
// container withholds the right) a user namespace of the child's own grants it.
std::string InPrivateMountNamespace(const std::function<std::string()>& body) {
    int report[2];
    if (::pipe(report) != 0)
        return std::string("pipe: ") + std::strerror(errno);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        std::string text;
        auto write_file = [](const char* path, const std::string& bytes) {
            std::ofstream out(path);
            out << bytes;
            return static_cast<bool>(out.flush());
        };
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWNS) != 0 &&
            (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 ||
             !write_file("/proc/self/setgroups", "deny") ||
             !write_file("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
             !write_file("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))) {
            text = std::string("no mount namespace of our own: ") + std::strerror(errno);
        } else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            // Else the mount could show in the namespace we came from.
            text = std::string("cannot make the mounts private: ") + std::strerror(errno);
        } else {
            try {
                text = body();
            } catch (const std::exception& error) {
                text = std::string("unexpected: ") + error.what();
            }
        }
        for (std::size_t done = 0; done < text.size();) {
            const ssize_t put = ::write(report[1], text.data() + done, text.size() - done);
            if (put <= 0)
                break;
            done += static_cast<std::size_t>(put);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(report[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    ::close(report[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        text += " (the child ended with status " + std::to_string(status) + ")";
    return text;
}

// One line per entry: the name, the mode and the size of what is there.
std::string Describe(const std::map<std::string, std::string>& folder) {
    std::string text;
    for (const auto& [name, what] : folder)
        text += "\n  " + name + ": " + what.substr(0, what.find(' ')) + ", " +
                std::to_string(what.size()) + " bytes";
    return text;
}

// A really full file system, not an injected failure: a tmpfs holds a collection and is then
// made so small that a forced import of a bigger ROM folder runs out of pages or inodes at
// the step each row names. The old collection stays, byte for byte, with nothing beside it.
TEST(RomImport, AFullFileSystemLeavesTheOldCollection) {
    const struct {
        const char* limit;  // tmpfs option: what runs out
        unsigned room;      // pages or inodes left beside the old collection
        const char* steps;  // the steps up to the one that found no room
    } cases[] = {
        {"size", 0, "create create create write "},
        {"size", 1, "create create create write sync write "},
        {"size", 2, "create create create write sync write sync write "},
        {"size", 3, "create create create write sync write sync write write "},
        {"nr_inodes", 0, "create "},
        {"nr_inodes", 2, "create create create "},
        // tmpfs counts every further link as an inode.
        {"nr_inodes", 3, "create create create write sync write sync write sync link "},
    };
    TempDir dir;
    // Titles long enough that the catalogue of the big folder needs several pages, and short
    // enough that the writer holds it whole until the end (a title is there three times:
    // itself and in its two picture names).
    for (int i = 0; i < 300; ++i)
        WriteBytes("big/" + std::to_string(i) + std::string(52, 'x') + ".zip", "");
    WriteBytes("small/a.zip", "");
    const std::string here = dir.Path().string() + "/";
    for (const auto& c : cases) {
        std::filesystem::create_directory("collection");
        const std::string report = InPrivateMountNamespace([&] {
            if (::mount("tmpfs", "collection", "tmpfs", MS_NOSUID | MS_NODEV, "size=1m") != 0)
                return std::string("cannot mount a tmpfs: ") + std::strerror(errno);
            if (::chdir("collection") != 0)
                return std::string("cannot enter it: ") + std::strerror(errno);
            if (const RomImportOutcome small = ImportRomFolder(Request(here + "small")); !small)
                return "refused: " + small.Error().message;
            struct statvfs use {};
            if (::statvfs(".", &use) != 0)
                return std::string("statvfs: ") + std::strerror(errno);
            const bool pages = c.limit == std::string("size");
            const auto limit = pages ? (use.f_blocks - use.f_bfree + c.room) * use.f_frsize
                                     : use.f_files - use.f_ffree + c.room;
            const std::string options = std::string(c.limit) + "=" + std::to_string(limit);
            if (::mount("tmpfs", ".", "tmpfs", MS_REMOUNT | MS_NOSUID | MS_NODEV,
                        options.c_str()) != 0) {
                return "cannot remount with " + options + ": " + std::strerror(errno);
            }
            const std::map<std::string, std::string> before = FolderBytes();
            FailingStep steps(0, true);
            try {
                const RomImportOutcome big = ImportRomFolder(Request(here + "big", "", true));
                return (big ? "imported with " : "refused: " + big.Error().message + " with ") +
                       options;
            } catch (const rtl::InOutError& error) {
                std::string problems;
                if (error.what() != std::string("E/A-Fehler 28"))
                    problems += std::string(" failed with ") + error.what();
                if (steps.Steps() != c.steps)
                    problems += " failed after the steps " + steps.Steps();
                if (const auto after = FolderBytes(); after != before)
                    problems +=
                        " changed the folder from" + Describe(before) + "\nto" + Describe(after);
                return problems;
            }
        });
        EXPECT_EQ(report, "") << c.limit << " " << c.room;
        std::filesystem::remove("collection");
    }
}
#endif

}  // namespace
}  // namespace varnimo::catalogue
