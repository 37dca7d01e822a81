// The shared-buffer text column under KnownRomTable: texts survive rewrites, resizes and
// compaction, and a column reloaded again and again does not keep growing.

#include "catalogue/text_column.h"

#include <gtest/gtest.h>

#include <string>

namespace varnimo::catalogue {
namespace {

TEST(TextColumn, RowsKeepTheirTextsThroughRewritesAndResizes) {
    TextColumn column;
    column.resize(3);
    EXPECT_EQ(column[0], "");
    column[0] = "Alpha (E)";
    column[1] = "Beta";
    column[2] = std::string(1000, 'x');  // no length limit
    column[1] = "Beta Longer (U)";       // longer: moves to the end
    column[0] = "A";                     // shorter: stays where it was
    EXPECT_EQ(column[0], "A");
    EXPECT_EQ(column[1], "Beta Longer (U)");
    EXPECT_EQ(column[2].size(), 1000u);

    column.resize(2);
    column.resize(4);  // rows added again start empty; the kept ones keep their texts
    EXPECT_EQ(column[0], "A");
    EXPECT_EQ(column[1], "Beta Longer (U)");
    EXPECT_EQ(column[2], "");
    EXPECT_EQ(column[3], "");
}

TEST(TextColumn, TakesTextsThatLieInsideItsOwnBuffer) {
    TextColumn column;
    column.resize(2);
    column[0] = "Gamma Quest (J)";
    column[1] = "G";
    column[1] = column[0];  // longer, so appended from the buffer being appended to
    column[0] = std::string_view(column[1]).substr(6);
    EXPECT_EQ(column[1], "Gamma Quest (J)");
    EXPECT_EQ(column[0], "Quest (J)");
}

TEST(TextColumn, ReloadingWithLongerTextsKeepsTheBufferBounded) {
    TextColumn column;
    const std::size_t rows = 500;
    column.resize(rows);
    std::string text;
    for (int round = 1; round <= 20; ++round) {
        text.assign(static_cast<std::size_t>(round), 'a' + static_cast<char>(round % 26));
        for (std::size_t row = 0; row < rows; ++row) {
            column[row] = text;
        }
        for (std::size_t row = 0; row < rows; ++row) {
            ASSERT_EQ(column[row], text) << "round " << round << " row " << row;
        }
        // Live bytes plus at most as many stale ones (and the small slack below compaction).
        EXPECT_LE(column.BufferBytes(), 2 * rows * text.size() + 4096) << "round " << round;
    }
}

TEST(TextColumn, LongTextsAndRowsAddedInOrder) {
    TextColumn column;
    const std::string long_text(70'000, 'L');  // longer than a row's size field holds
    column.push_back("first");
    column.push_back("");
    column.push_back(long_text);
    column.push_back("last");
    EXPECT_EQ(column.size(), 4u);
    EXPECT_EQ(column[1], "");
    EXPECT_EQ(column[2], long_text);
    EXPECT_EQ(column[3], "last");
    // Added rows lie one after another in row order.
    for (std::size_t row = 1; row < column.size(); ++row) {
        EXPECT_GE(column.Offset(row), column.Offset(row - 1) + column.Size(row - 1));
    }
    column[2] = std::string(69'999, 'M');  // long, shorter: stays, with its size rewritten
    EXPECT_EQ(column[2].size(), 69'999u);
    column[2] = "short now";
    EXPECT_EQ(column[2], "short now");
    column[1] = long_text + "!";  // empty to long: appended
    EXPECT_EQ(column[1].size(), long_text.size() + 1);
    EXPECT_EQ(column[0], "first");
    EXPECT_EQ(column[3], "last");
}

}  // namespace
}  // namespace varnimo::catalogue
