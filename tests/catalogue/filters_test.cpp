#include "catalogue/filters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include <string>
#include <vector>

namespace varnimo::catalogue {
namespace {

struct Row {
    std::string title;
    std::int32_t genre;
    std::int32_t players;
    std::int32_t status;
};

class TitleFilters : public ::testing::Test {
  protected:
    KnownRomTable table;
    TitleIndex index;

    void Fill(const std::vector<Row>& rows) {
        table.Resize(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            table.title[i] = rows[i].title;
            table.genre_code[i] = rows[i].genre;
            table.player_code[i] = rows[i].players;
            table.scan_status[i] = rows[i].status;
        }
        index.Build(table.title);
    }
    std::vector<std::string> Listed(const Filters& filters) {
        std::vector<std::int32_t> rows;
        FilterRows(table, index, filters, rows);
        std::vector<std::string> titles;
        for (std::int32_t row : rows) {
            titles.emplace_back(table.title[static_cast<std::size_t>(row)]);
        }
        return titles;
    }
    static Filters Search(std::string_view text, std::int32_t availability = kShowAll) {
        Filters filters;
        filters.search_text = text;
        filters.availability = availability;
        return filters;
    }
};

using Titles = std::vector<std::string>;

TEST_F(TitleFilters, ListOrderFoldsAsciiLettersAndKeepsTableOrderForEqualKeys) {
    Fill({{"beta", 0, 0, 1},
          {"Alpha", 0, 0, 1},
          {"alpha", 0, 0, 1},
          {"_under", 0, 0, 1},
          {"Beta", 0, 0, 1},
          {"\xc3\xa9t\xc3\xa9", 0, 0, 1},
          {"Alpha", 0, 0, 1},
          {"", 0, 0, 1},
          {"alph", 0, 0, 1}});
    std::vector<std::int32_t> rows;
    FilterRows(table, index, Search(""), rows);
    EXPECT_EQ(rows, (std::vector<std::int32_t>{7, 3, 8, 1, 2, 6, 0, 4, 5}));
    EXPECT_TRUE(TitleLess("alpha", "BETA"));

    // Long shared beginnings and NUL bytes (from a damaged file) still sort as bytes do.
    Fill({{std::string("ab\0", 3), 0, 0, 1},
          {"ab", 0, 0, 1},
          {"a very long common beginning Z", 0, 0, 1},
          {"A very long common beginning y", 0, 0, 1},
          {"A VERY LONG COMMON BEGINNING", 0, 0, 1}});
    FilterRows(table, index, Search(""), rows);
    EXPECT_EQ(rows, (std::vector<std::int32_t>{4, 3, 2, 1, 0}));
    EXPECT_FALSE(TitleLess("ALPHA", "alpha"));
}

// The list order comes from a radix sort over eight folded bytes at a time; over many titles
// with long shared beginnings, letters in both cases, NUL bytes and equal titles it must be
// the order of a stable sort by TitleLess.
TEST(TitleIndexOrder, MatchesAStableSortByTitleLess) {
    std::mt19937 random(5);
    const std::string beginnings[] = {"", "Super ", "super Mario ", "SUPER MARIO WORLD ",
                                      std::string("ab\0", 3)};
    const std::string alphabet = std::string("aAbB \0(", 7);
    TextColumn titles;
    for (int i = 0; i < 120000; ++i) {  // enough for the sort to take a second thread
        std::string title = beginnings[random() % 5];
        for (std::size_t k = random() % 12; k > 0; --k)
            title.push_back(alphabet[random() % alphabet.size()]);
        titles.push_back(title);
    }
    TitleIndex index;
    index.Build(titles);
    std::vector<std::int32_t> expected(titles.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        expected[i] = static_cast<std::int32_t>(i);
    std::stable_sort(expected.begin(), expected.end(), [&](std::int32_t a, std::int32_t b) {
        return TitleLess(titles[static_cast<std::size_t>(a)], titles[static_cast<std::size_t>(b)]);
    });
    EXPECT_EQ(index.Order(), expected);
}

TEST_F(TitleFilters, SearchIgnoresAsciiCaseOnlyAndMatchesAnywhere) {
    Fill({{"Super Thing (U)", 0, 0, 1},
          {"other (u) [!]", 0, 0, 1},
          {"Caf\xc3\xa9 (F)", 0, 0, 1},
          {"CAF\xc3\x89 (F)", 0, 0, 1},
          {"ab", 0, 0, 1},
          {"cd", 0, 0, 1}});
    EXPECT_EQ(Listed(Search("THING")), Listed(Search("thing")));
    EXPECT_EQ(Listed(Search("(u)")), (Titles{"other (u) [!]", "Super Thing (U)"}));
    EXPECT_EQ(Listed(Search("caf\xc3\xa9")),
              (Titles{"Caf\xc3\xa9 (F)"}));                            // accents keep their case
    EXPECT_EQ(Listed(Search("Thing ")), (Titles{"Super Thing (U)"}));  // a blank must occur too
    EXPECT_EQ(Listed(Search("thing  ")), Titles{});
    EXPECT_EQ(Listed(Search("bc")), Titles{});  // no match across two titles
    EXPECT_EQ(Listed(Search("b;c")), Titles{});
    EXPECT_EQ(Listed(Search("")).size(), 6u);
}

TEST_F(TitleFilters, AllFiveFiltersTogether) {
    Fill({{"Racer (E) (U)", 13, 2, 1},
          {"Racer (E)", 13, 2, 2},
          {"Racer (U)", 13, 1, 0},
          {"Puzzler (E)", 1, 1, 4},
          {"Demo Disk (E)", 2, 0, -1}});
    Filters region;
    region.region = "(E)";
    region.search_text = "(u)";
    EXPECT_EQ(Listed(region), (Titles{"Racer (E) (U)"}));

    Filters genre;
    genre.genre = 13;
    genre.player = 2;
    EXPECT_EQ(Listed(genre), (Titles{"Racer (E)", "Racer (E) (U)"}));

    EXPECT_EQ(Listed(Search("", kShowMissing)), (Titles{"Racer (U)"}));
    EXPECT_EQ(Listed(Search("", kShowAvailable)),
              (Titles{"Puzzler (E)", "Racer (E)", "Racer (E) (U)"}));
    EXPECT_EQ(Listed(Search("", kShowAll)).size(),
              5u);  // a negative status is only listed under All
}

TEST_F(TitleFilters, AMillionRows) {
    std::vector<Row> rows;
    rows.reserve(1'000'000);
    for (int i = 0; i < 1'000'000; ++i) {
        rows.push_back({"Game " + std::to_string(1'000'000 - i) + (i % 3 ? " (E)" : " (U)"), i % 21,
                        i % 6, i % 2});
    }
    Fill(rows);
    Filters filters = Search("game 99999");
    filters.region = "(u)";
    Titles listed = Listed(filters);
    // "Game 99999" and "Game 999990".."Game 999999" whose row is a multiple of three.
    Titles expected;
    for (int n :
         {99999, 999990, 999991, 999992, 999993, 999994, 999995, 999996, 999997, 999998, 999999}) {
        if ((1'000'000 - n) % 3 == 0) {
            expected.push_back("Game " + std::to_string(n) + " (U)");
        }
    }
    EXPECT_EQ(listed, expected);
}

// The search scans the title column sixteen bytes at a time around a pair of needle bytes,
// and a large table is filtered and listed in parts on two threads; over many random titles
// and texts from a small alphabet (so that pairs recur everywhere, at title ends, at part
// boundaries and at the end of the buffer), with random statuses and codes, it must list
// exactly what a plain scan in list order lists: with the titles freshly in row order, with
// stale bytes between them (titles rewritten shorter in place), and with rows out of order
// in the column.
TEST_F(TitleFilters, ListMatchesAPlainScanOverRandomTitles) {
    std::mt19937 random(11);
    const std::string alphabet = "abAB() u";
    auto text = [&](std::size_t max_length) {
        std::string t(random() % (max_length + 1), ' ');
        for (char& c : t)
            c = alphabet[random() % alphabet.size()];
        return t;
    };
    std::vector<Row> rows;
    for (int i = 0; i < 150000; ++i)  // more than two parts of the shared work
        rows.push_back({text(40), static_cast<std::int32_t>(random() % 3),
                        static_cast<std::int32_t>(random() % 3),
                        static_cast<std::int32_t>(random() % 3)});
    auto contains = [](std::string title, std::string needle) {
        for (std::string* t : {&title, &needle})
            for (char& c : *t)
                c = FoldAscii(c);
        return title.find(needle) != std::string::npos;
    };
    for (int layout = 0; layout < 4; ++layout) {
        table = KnownRomTable();
        if (layout == 0) {
            Fill(rows);
        } else if (layout == 3) {
            // Emptied texts whose place was moved to the end of the buffer first, at the
            // start and the end of parts.
            for (std::size_t i : {std::size_t{0}, std::size_t{65535}, std::size_t{65536},
                                  std::size_t{131071}, rows.size() - 1}) {
                rows[i].title.clear();
            }
            Fill(rows);
            for (std::size_t i = 0; i < rows.size(); ++i) {
                if (rows[i].title.empty()) {
                    table.title[i] = std::string(100, 'a');
                    table.title[i] = "";
                }
            }
            index.Build(table.title);
        } else {
            std::vector<Row> longer = rows;
            for (Row& row : longer)
                row.title += text(8);
            Fill(longer);
            // Rewritten shorter in place, so the old tails stay behind as stale bytes;
            // layout 2 also moves every other row to the end of the buffer.
            for (std::size_t i = 0; i < rows.size(); ++i) {
                table.title[i] =
                    (layout == 2 && i % 2) ? rows[i].title + std::string(60, 'a') : rows[i].title;
                table.title[i] = rows[i].title;
            }
            index.Build(table.title);
        }
        for (int round = 0; round < 12; ++round) {
            std::string needle = text(6);
            if (needle.empty())
                needle = "(";
            Filters filters = Search(needle);
            const std::int32_t availabilities[] = {kShowAll, kShowAvailable, kShowMissing};
            filters.availability = availabilities[round % 3];
            filters.genre = round % 4 == 1 ? 2 : -1;
            filters.player = round % 5 == 2 ? 0 : -1;
            const std::string region = round % 2 ? "(a" : "";
            filters.region = region;
            std::vector<std::int32_t> expected;
            for (std::int32_t r : index.Order()) {
                const Row& row = rows[static_cast<std::size_t>(r)];
                const bool status_passes =
                    filters.availability == kShowAll ||
                    (filters.availability == kShowAvailable ? row.status > 0 : row.status == 0);
                if (status_passes && (filters.genre == -1 || row.genre == filters.genre) &&
                    (filters.player == -1 || row.players == filters.player) &&
                    contains(row.title, region) && contains(row.title, needle))
                    expected.push_back(r);
            }
            std::vector<std::int32_t> listed;
            FilterRows(table, index, filters, listed);
            ASSERT_EQ(listed, expected)
                << "layout " << layout << " search text '" << needle << "' round " << round;
        }
    }
}

// Region > Europe ... French list the titles with their marker, as always, and the titles
// whose groups in parentheses name the region in words. Each case says under which of the
// six regions (Europe, USA, Japan, German, Spanish, French) it is listed. The table is
// repeated so that it spans several parts of the shared work.
TEST_F(TitleFilters, RegionMenuListsTitlesByMarkerOrByRegionWords) {
    struct Case {
        const char* title;
        const char* regions;  // "EUJGSF", '-' where not listed
    };
    const Case cases[] = {
        {"Alpha (USA)", "-U----"},
        {"Beta (usa)", "-U----"},
        {"Gamma (USA, Europe)", "EU----"},
        {"Delta (Europe) (En,Fr,De)", "E--G-F"},
        {"Epsilon (World)", "EUJ---"},
        {"Zeta (Germany)", "---G--"},
        {"Eta (Europe) (De)", "E--G--"},
        {"Theta (U)", "-U----"},
        {"Iota (Deutsch)", "------"},
        {"Fresh Prince (Fr)", "-----F"},
        {"Kappa (E) (Japan)", "E-J---"},  // marker and words
        {"Lambda ( Spain ,\tEs )", "----S-"},
        {"Mu (En, Es) [!]", "----S-"},
        {"Nu USA Edition", "------"},
        {"Xi (USA", "------"},
        {"Omicron (France)(Ge)", "-----F"},
        {"Pi (Japan-USA)", "------"},
        {"Rho (Europe Edition)", "------"},
        {"(s) Sigma", "----S-"},
        {"Tau (Fr)(De)", "---G-F"},
        {"Upsilon (Rev 1) (Spain)", "----S-"},
        {"Phi (Brazil) (Hong Kong)", "------"},
        {"Chi (EUROPE,JAPAN)", "E-J---"},
        {"Psi ((USA))", "-U----"},
        {"Omega (Es,)", "----S-"},
    };
    std::vector<Row> rows;
    for (int copy = 0; copy < 3000; ++copy) {
        for (const Case& c : cases)
            rows.push_back({c.title, 0, 0, 1});
    }
    Fill(rows);
    for (std::int32_t tag = 1; tag <= 6; ++tag) {
        Filters filters = Search("");
        filters.region = RegionMarkerForTag(tag);
        filters.region_tag = tag;
        Titles listed = Listed(filters);
        std::sort(listed.begin(), listed.end());
        Titles expected;
        for (const Row& row : rows) {
            for (const Case& c : cases) {
                if (row.title == c.title && c.regions[tag - 1] != '-')
                    expected.push_back(row.title);
            }
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(listed, expected) << "Region tag " << tag;
    }
    // Without its Tag a marker is only the marker: the documented filter.
    Filters marker_only = Search("");
    marker_only.region = "(U)";
    EXPECT_EQ(Listed(marker_only).size(), 3000u);
    // The words of another table's titles are not taken for the new ones'.
    Fill({{"Solo (Japan)", 0, 0, 1}, {"Duo (USA)", 0, 0, 1}});
    Filters usa = Search("");
    usa.region = RegionMarkerForTag(2);
    usa.region_tag = 2;
    EXPECT_EQ(Listed(usa), Titles{"Duo (USA)"});
}

TEST(RegionMarkers, ByTag) {
    EXPECT_STREQ(RegionMarkerForTag(-1), "");
    EXPECT_STREQ(RegionMarkerForTag(2), "(U)");
    EXPECT_STREQ(RegionMarkerForTag(6), "(F)");
    EXPECT_EQ(RegionMarkerForTag(-6), nullptr);
    EXPECT_EQ(RegionMarkerForTag(0), nullptr);
    EXPECT_EQ(RegionMarkerForTag(7), nullptr);
}

}  // namespace
}  // namespace varnimo::catalogue
