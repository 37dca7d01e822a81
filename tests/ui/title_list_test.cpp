// The title list model: one reset per rebuild, and no work per row when a million are shown.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "title_list.h"

namespace varnimo {
namespace {

TEST(TitleList, ShowsTheTitlesOfTheGivenRowsWithOneResetPerRebuild) {
    const std::vector<std::string> titles = {"Zeta", "alpha (U)", "M\xC3\xBCnchen"};
    TitleListModel model([&](std::int32_t row) -> std::string_view {
        return titles[static_cast<std::size_t>(row)];
    });
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);

    model.SetRows({1, 2, 0});
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserts.count(), 0);
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.data(model.index(0), Qt::DisplayRole).toString(), "alpha (U)");
    EXPECT_EQ(model.data(model.index(1), Qt::DisplayRole).toString(), QString::fromUtf8("München"));
    EXPECT_EQ(model.data(model.index(2), Qt::SizeHintRole).toSize().height(), 13);
    EXPECT_EQ(model.RowOfLine(2), 0);
    EXPECT_EQ(model.RowOfLine(3), -1);
    EXPECT_EQ(model.RowOfLine(-1), -1);

    model.Clear();
    EXPECT_EQ(resets.count(), 2);
    EXPECT_EQ(model.rowCount(), 0);
    model.Clear();  // already empty: no reset, no redraw
    EXPECT_EQ(resets.count(), 2);
}

TEST(TitleList, AMillionRowsAskOnlyForTheVisibleTitles) {
    int asked = 0;
    TitleListModel model([&](std::int32_t) -> std::string_view {
        ++asked;
        return "Some Title (E)";
    });
    TitleListView view;
    view.setModel(&model);
    view.resize(345, 257);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    std::vector<std::int32_t> rows(1'000'000);
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<std::int32_t>(i);
    model.SetRows(rows);
    view.repaint();
    QTest::qWait(10);
    EXPECT_EQ(model.rowCount(), 1'000'000);
    EXPECT_LT(asked, 200) << "the view asked for titles it does not show";
    EXPECT_GT(asked, 0) << "the rebuilt list shows no titles right after the rebuild";
}

}  // namespace
}  // namespace varnimo
