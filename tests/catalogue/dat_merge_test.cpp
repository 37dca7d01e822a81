#include "catalogue/dat_merge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace varnimo::catalogue {
namespace {

// The table, and where the words of real files differ from it only in letter case
// or blanks; words without a genre code give 0.
TEST(GameInformation, GenreAndPlayersCodes) {
    const std::pair<const char*, std::int32_t> genres[] = {
        {"Action", 15},
        {"Adventure", 15},
        {"Platform", 8},
        {"Role-playing (RPG)", 6},
        {"Sports", 7},
        {"Sports with Animals", 7},
        {"Hunting and Fishing", 7},
        {"Racing", 13},
        {"Puzzle", 1},
        {"Quiz", 1},
        {"Board", 5},
        {"Card", 5},
        {"Gambling", 5},
        {"Shooter", 18},
        {"Lightgun Shooter", 18},
        {"Shoot'em Up", 9},
        {"Fighting", 4},
        {"Beat'em Up", 4},
        {"Strategy", 20},
        {"Simulation", 11},
        {"Pinball", 17},
        {"Educational", 16},
        {"Music / Dancing", 16},
        {"Compilation", 19},
        {"Various", 19},
        {"beat'em up", 4},
        {"Shoot 'em Up", 9},
        {"Music/Dancing", 16},
        {"ROLE-PLAYING (RPG)", 6},
        {"Sports, Racing", 7},
        {"Unheard of, Racing", 13},
        {"", 0},
        {"Action-Adventure", 0},
        {"Arcade", 0},
        {"Sport", 0},
        {"Racing Simulation", 0},
    };
    for (const auto& [words, code] : genres)
        EXPECT_EQ(GenreCodeOfWords(words), code) << words;
    const std::pair<std::optional<std::int32_t>, std::int32_t> players[] = {
        {std::nullopt, 0}, {0, 0}, {-1, 0}, {1, 1}, {2, 2}, {3, 5}, {8, 5}};
    for (const auto& [users, code] : players)
        EXPECT_EQ(PlayerCodeOfUsers(users), code) << (users ? *users : -100);
}

std::vector<std::string> Rows(const KnownRomTable& table) {
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < table.Size(); ++i) {
        rows.push_back(std::string(table.title[i]) + "|" + std::to_string(table.scan_status[i]) +
                       "|" + std::to_string(table.genre_code[i]) + "|" +
                       std::to_string(table.player_code[i]));
    }
    return rows;
}

std::string Counts(const MergeCounts& c) {
    return "genre " + std::to_string(c.with_genre) + " players " + std::to_string(c.with_players) +
           " crc " + std::to_string(c.by_crc) + " name " + std::to_string(c.by_name) + " known " +
           std::to_string(c.known) + " missing " + std::to_string(c.missing);
}

// The catalogue of DATs and files: rows "title|status|genre|players" in list order.
TEST(MergeCatalogue, OfDatsAndFiles) {
    const std::string listing =
        "game ( name \"Alpha (USA)\" rom ( name \"Alpha (USA).sfc\" size 4 crc 00000001 ) )\n"
        "game ( name \"Beta (Europe)\" rom ( name \"Beta (Europe).sfc\" size 4 crc 00000002 ) )\n"
        "game ( name \"Gamma (Japan)\" rom ( name \"Gamma (Japan) (Unl).sfc\" size 4 crc 00000003 "
        ") )\n"
        "game ( name \"Delta (USA)\" rom ( name \"Delta (USA).sfc\" size 4 crc 00000004 ) )\n";
    const std::string genres =
        "game ( comment \"Alpha (USA)\" genre Platform rom ( crc 00000001 ) )\n"
        "game ( comment \"Other (USA)\" genre Racing rom ( crc 00000007 ) )\n"
        "game ( comment \"beta (europe)\" genre \"Role-playing (RPG)\" rom ( crc 000000AA ) )\n";
    const std::string users =
        "game ( comment \"Alpha (USA)\" users 2 rom ( crc 00000001 ) )\n"
        "game ( comment \"Zed\" users 4 )\n";
    const std::string twins =
        "game ( name \"Same\" genre Puzzle rom ( name \"Same.sfc\" size 1 crc 00000005 ) )\n"
        "game ( name \"Same (Virtual Console)\" rom ( name \"x.sfc\" size 1 crc 00000005 ) )\n";
    struct Case {
        const char* what;
        std::vector<std::string> dats;
        std::vector<FoundRomFile> files;
        std::vector<std::string> rows;
        const char* counts;
    };
    const Case cases[] = {
        {"no DAT: a row per title, of the lowest code",
         {},
         {{"B", kFoundSfc, 1}, {"a", kFoundZip, {}}, {"B", kFoundZip, {}}, {"C", kFoundSwc, {}}},
         {"a|1|0|0", "B|1|0|0", "C|6|0|0"},
         "genre 0 players 0 crc 0 name 0 known 0 missing 0"},
        {"a listing DAT: every game a row, by CRC, by name, by ROM name, missing, unknown",
         {listing},
         {{"my alpha", kFoundZip, 1},
          {"beta (europe)", kFoundSfc, {}},
          {"Gamma (Japan) (Unl)", kFoundSfc, 0xFF},
          {"Hack", kFoundSmc, 9}},
         {"beta (europe)|5|0|0", "Delta (USA)|0|0|0", "Gamma (Japan) (Unl)|5|0|0", "Hack|2|0|0",
          "my alpha|1|0|0"},
         "genre 0 players 0 crc 1 name 2 known 4 missing 1"},
        {"information DATs join the listing by CRC, else by name; their other games are no rows",
         {genres, users, listing},
         {{"Alpha (USA)", kFoundSfc, {}}, {"zed", kFoundZip, {}}, {"Other", kFoundZip, 7}},
         {"Alpha (USA)|5|8|2", "Beta (Europe)|0|6|0", "Delta (USA)|0|0|0", "Gamma (Japan)|0|0|0",
          "Other|1|13|0", "zed|1|0|5"},
         "genre 3 players 2 crc 1 name 2 known 4 missing 3"},
        {"the listing's names win whatever the order of the DATs",
         {listing, genres},
         {},
         {"Alpha (USA)|0|8|0", "Beta (Europe)|0|6|0", "Delta (USA)|0|0|0", "Gamma (Japan)|0|0|0"},
         "genre 2 players 0 crc 0 name 0 known 4 missing 4"},
        {"games of one DAT stay apart; a second file of a game is a row of its own",
         {twins},
         {{"One", kFoundSfc, 5}, {"Two", kFoundSmc, 5}},
         {"One|5|1|0", "Same (Virtual Console)|0|0|0", "Two|2|1|0"},
         "genre 2 players 0 crc 2 name 0 known 2 missing 1"},
    };
    for (const Case& c : cases) {
        std::vector<std::vector<DatGame>> dats;
        for (const std::string& text : c.dats)
            dats.push_back(ParseDat(text, "t.dat").Value());
        const MergedCatalogue merged = MergeCatalogue(dats, c.files);
        EXPECT_EQ(Rows(merged.table), c.rows) << c.what;
        EXPECT_EQ(Counts(merged.counts), c.counts) << c.what;
    }
}

// The three real excerpts together: the No-Intro games are the rows, with genre and players
// from the two metadata files wherever their CRCs or names meet.
TEST(MergeCatalogue, OfTheRealExcerpts) {
    const std::string data = VARNIMO_CATALOGUE_TEST_DATA;
    std::vector<std::vector<DatGame>> dats;
    for (const char* file :
         {"snes-genre-excerpt.dat", "snes-maxusers-excerpt.dat", "snes-no-intro-excerpt.dat"})
        dats.push_back(ReadDatFile(data + "/" + file).Value());
    const MergedCatalogue merged = MergeCatalogue(
        dats, {{"Battle Pinball (Japan)", kFoundSfc, 0x54901522},
               {"3 ninjas kick back (usa)", kFoundZip, std::nullopt},
               {"16 BIT XMAS 2011 - Christmas Craze (World) (Aftermarket) (Unl)", kFoundSfc, {}},
               {"My Hack (USA)", kFoundSmc, 0x12345678}});
    EXPECT_EQ(Counts(merged.counts), "genre 221 players 221 crc 1 name 2 known 250 missing 247");
    const std::vector<std::string> rows = Rows(merged.table);
    ASSERT_EQ(rows.size(), 251u);
    for (const char* row :
         {"Battle Pinball (Japan)|5|17|1", "3 ninjas kick back (usa)|1|8|2",
          "16 BIT XMAS 2011 - Christmas Craze (World) (Aftermarket) (Unl)|5|0|0",
          "My Hack (USA)|2|0|0", "'96 Zenkoku Koukou Soccer Senshuken (Japan)|0|7|2",
          "Advanced Dungeons & Dragons - Eye of the Beholder (USA)|0|6|1"}) {
        EXPECT_NE(std::find(rows.begin(), rows.end(), row), rows.end()) << row;
    }
}

}  // namespace
}  // namespace varnimo::catalogue
