#include "catalogue/catalogue_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

#include "catalogue/names.h"
#include "rtl/runtime_error.h"
#include "rtl/test_files.h"

namespace varnimo::catalogue {
namespace {

using testing::TempDir;
using testing::WriteBytes;

TEST(SplitCatalogueLine, FieldsArePositional) {
    CatalogueLine a = SplitCatalogueLine("Some Game (E) [!];t.png;i.jpg;8;1");
    EXPECT_EQ(a.title, "Some Game (E) [!]");
    EXPECT_EQ(a.startup_shot, "t.png");
    EXPECT_EQ(a.ingame_shot, "i.jpg");
    EXPECT_EQ(a.genre, 8);
    EXPECT_EQ(a.players, 1);

    CatalogueLine blanks = SplitCatalogueLine(" Some Game ;t.png;i.jpg; 8;1 ");
    EXPECT_EQ(blanks.title, " Some Game ");
    EXPECT_EQ(blanks.genre, 8);
    EXPECT_EQ(blanks.players, 0);

    CatalogueLine none = SplitCatalogueLine("$1F");  // no ";": the whole line is field 5
    EXPECT_EQ(none.title, "");
    EXPECT_EQ(none.ingame_shot, "");
    EXPECT_EQ(none.genre, 0);
    EXPECT_EQ(none.players, 31);

    CatalogueLine sixth = SplitCatalogueLine("T;a;b;3;2;extra");
    EXPECT_EQ(sixth.genre, 3);
    EXPECT_EQ(sixth.players, 0);

    CatalogueLine short_line = SplitCatalogueLine("T;a;4");
    EXPECT_EQ(short_line.startup_shot, "a");
    EXPECT_EQ(short_line.ingame_shot, "");
    EXPECT_EQ(short_line.genre, 0);
    EXPECT_EQ(short_line.players, 4);

    EXPECT_EQ(SplitCatalogueLine("T;a;b;99999999999;-1").genre, 0);
}

class CatalogueFile : public ::testing::Test {
  protected:
    TempDir dir;
    KnownRomTable table;
    double version = -1;
    int steps = 0;

    std::size_t Load() {
        auto lines = CountCatalogueLines();
        EXPECT_TRUE(lines.has_value());
        std::size_t rows = lines && *lines > 0 ? *lines - 1 : 0;
        table.Resize(rows);
        LoadKnownRomTable(table, version, [this] { ++steps; });
        return rows;
    }
};

TEST_F(CatalogueFile, VersionLineUsesThePointWhateverTheLocale) {
    WriteBytes(kCatalogueFileName, "1.25\r\n");
    EXPECT_EQ(Load(), 0u);
    EXPECT_EQ(version, 1.25);
    WriteBytes(kCatalogueFileName, "1,25\r\nA;;;1;1\r\n");
    EXPECT_EQ(Load(), 1u);
    EXPECT_EQ(version, 0.0);
    WriteBytes(kCatalogueFileName, "");
    EXPECT_EQ(Load(), 0u);
    EXPECT_FALSE(CountCatalogueLines("missing.dat").has_value());
}

TEST_F(CatalogueFile, RowsFollowTheFileAndStepOncePerRow) {
    WriteBytes(kCatalogueFileName, "2\r\nA (E);a.png;a.jpg;8;1\r\nB\nC;b.png;b.jpg;2;3\r\nC;;;x;5");
    ASSERT_EQ(Load(), 3u);
    EXPECT_EQ(table.title[0], "A (E)");
    EXPECT_EQ(table.title[1], "B\nC");
    EXPECT_EQ(table.genre_code[1], 2);
    EXPECT_EQ(table.genre_code[2], 0);
    EXPECT_EQ(table.player_code[2], 5);
    EXPECT_EQ(steps, 3);
}

TEST_F(CatalogueFile, TheSecondPassNeverStoresMoreRowsThanTheFirstCounted) {
    WriteBytes(kCatalogueFileName, "1\r\nA;;;1;1\r\n");
    table.Resize(*CountCatalogueLines() - 1);
    WriteBytes(kCatalogueFileName, "1\r\nA2;;;1;1\r\nB;;;1;1\r\nC;;;1;1\r\n");
    LoadKnownRomTable(table, version, [] {});
    ASSERT_EQ(table.Size(), 1u);
    EXPECT_EQ(table.title[0], "A2");

    // A file that lost lines leaves the rows it no longer reaches as they were.
    table.Resize(3);
    table.title[2] = "kept";
    WriteBytes(kCatalogueFileName, "1\r\nX;;;1;1\r\n");
    LoadKnownRomTable(table, version, [] {});
    EXPECT_EQ(table.title[0], "X");
    EXPECT_EQ(table.title[2], "kept");
}

TEST_F(CatalogueFile, ResizingKeepsOldValuesAndZeroesNewRows) {
    table.Resize(2);
    table.title[1] = "t";
    table.scan_status[1] = 2;
    table.Resize(1);
    table.Resize(3);
    EXPECT_EQ(table.title[1], "");
    EXPECT_EQ(table.scan_status[1], 0);
    table.title[0] = "keep";
    table.scan_status[0] = 4;
    table.Resize(5);
    EXPECT_EQ(table.title[0], "keep");
    EXPECT_EQ(table.scan_status[0], 4);
    EXPECT_EQ(CountAvailable(table), 1);
}

TEST_F(CatalogueFile, BadInputIsReadWithoutHarm) {
    std::mt19937 random(7);
    std::string binary(1 << 20, '\0');
    for (char& c : binary) {
        c = static_cast<char>(random());
    }
    WriteBytes(kCatalogueFileName, binary);
    std::size_t rows = Load();
    EXPECT_EQ(table.Size(), rows);

    const std::string long_title(10 * 1024 * 1024, 'L');
    WriteBytes(kCatalogueFileName, "1\r\n" + long_title + ";s;i;1;1\r\nshort;;;2;2\r\n");
    ASSERT_EQ(Load(), 2u);
    EXPECT_EQ(table.title[0].size(), long_title.size());
    EXPECT_EQ(table.title[1], "short");
}

TEST_F(CatalogueFile, PackVersionsPerLetterMissingOnesKeepTheirValue) {
    std::array<double, 26> versions{};
    versions[1] = 9;
    WriteBytes("shots/a", "1.5\r\n");
    WriteBytes("shots/c", " 3 \r\nignored");
    std::filesystem::create_directory("shots/d");  // a folder is not a version file
    ReadScreenPackVersions("shots/", versions);
    EXPECT_EQ(versions[0], 1.5);
    EXPECT_EQ(versions[1], 9);
    EXPECT_EQ(versions[2], 3);
    EXPECT_EQ(versions[3], 0);

    WriteBytes("shots/a", "2\r\n");
    WriteBytes("shots/e", "");
    WriteBytes("shots/f", "4\r\n");
    try {
        ReadScreenPackVersions("shots/", versions);
        FAIL() << "no error";
    } catch (const rtl::ConversionError& error) {
        EXPECT_STREQ(error.what(), "'' ist kein gültiger Gleitkommawert");
    }
    EXPECT_EQ(versions[0], 2);  // letters before the bad one are stored
    EXPECT_EQ(versions[5], 0);
}

// The one read must give what the two passes give: the same line count, version and rows,
// over files made of the bytes that steer the line and field rules.
TEST_F(CatalogueFile, OneReadGivesWhatTheTwoPassesGive) {
    std::mt19937 random(17);
    const std::string alphabet = "\r\n;;;\x1a 0123456789$x-+.aAzZ()";
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        const std::size_t length = random() % (round < 290 ? 200 : 3'000'000);
        std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
        for (std::size_t i = 0; i < length; ++i) {
            // Ctrl-Z rarely, so most files have many lines before the end of their text.
            char c = alphabet[pick(random)];
            bytes.push_back(c == '\x1a' && random() % 8 != 0 ? 'q' : c);
        }
        WriteBytes(kCatalogueFileName, bytes);
        table = KnownRomTable();
        version = -1;
        steps = 0;
        const std::size_t rows = Load();

        std::optional<CatalogueContents> contents = ReadCatalogue();
        ASSERT_TRUE(contents.has_value());
        EXPECT_EQ(contents->lines, *CountCatalogueLines()) << round;
        EXPECT_EQ(contents->version, version) << round;
        KnownRomTable once;
        once.Resize(2);
        once.scan_status = {3, 4};
        StoreCatalogue(std::move(*contents), once);
        ASSERT_EQ(once.Size(), rows) << round;
        for (std::size_t i = 0; i < rows; ++i) {
            ASSERT_EQ(once.title[i], table.title[i]) << round << " row " << i;
            ASSERT_EQ(once.startup_shot[i], table.startup_shot[i]) << round << " row " << i;
            ASSERT_EQ(once.ingame_shot[i], table.ingame_shot[i]) << round << " row " << i;
            ASSERT_EQ(once.genre_code[i], table.genre_code[i]) << round << " row " << i;
            ASSERT_EQ(once.player_code[i], table.player_code[i]) << round << " row " << i;
            // The scan column is not the catalogue's: kept where the row was there before.
            ASSERT_EQ(once.scan_status[i], i < 2 ? 3 + static_cast<int>(i) : 0);
        }
    }
    EXPECT_FALSE(ReadCatalogue("missing.dat").has_value());
}

TEST(Names, DetailNamesDifferFromMenuCaptions) {
    EXPECT_EQ(GenreName(2), "Demo");
    EXPECT_EQ(GenreName(8), "Jump-n-Run");
    EXPECT_EQ(GenreName(20), "Strategy");
    EXPECT_EQ(GenreName(21), "unknown");
    EXPECT_EQ(GenreName(-1), "unknown");
    EXPECT_EQ(PlayerName(3), "2P Splitscreen");
    EXPECT_EQ(PlayerName(6), "unknown");
    EXPECT_EQ(GenreMenu().size(), 20u);
    EXPECT_EQ(RegionMenu().size(), 7u);
}

}  // namespace
}  // namespace varnimo::catalogue
