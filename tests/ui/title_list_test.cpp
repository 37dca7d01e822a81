// The title list model: one reset per rebuild, and no work per row when a million are shown.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QCoreApplication>
#include <QHoverEvent>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTest>

#include "title_list.h"

namespace varnimo::ui {
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
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = static_cast<std::int32_t>(i);
    model.SetRows(rows);
    view.repaint();
    QTest::qWait(10);
    EXPECT_EQ(model.rowCount(), 1'000'000);
    EXPECT_GT(asked, 0) << "the rebuilt list shows no titles right after the rebuild";
    // Accessibility tools see every line, and reading one asks for that title alone.
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->childCount(), 1'000'000);
    QAccessibleInterface* last = list->child(999'999);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->text(QAccessible::Name), "Some Title (E)");
    EXPECT_LT(asked, 200) << "the view asked for titles it does not show";
}

// The list box's own geometry: keys move the current line as a list box's do, the line the
// keys reach is scrolled into view, and a point on a drawn line hits that line.
TEST(TitleList, KeysScrollingAndHitsFollowTheFixedLineHeight) {
    TitleListModel model([](std::int32_t) -> std::string_view { return "Title"; });
    TitleListView view;
    view.setModel(&model);
    view.resize(200, 10 * TitleListModel::kLineHeight + 2 * view.frameWidth());
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    std::vector<std::int32_t> rows(100);
    model.SetRows(rows);
    QCoreApplication::processEvents();
    const int page = view.viewport()->height() / TitleListModel::kLineHeight - 1;

    view.setFocus();
    const struct {
        Qt::Key key;
        int line;
    } steps[] = {{Qt::Key_Down, 0}, {Qt::Key_Down, 1}, {Qt::Key_PageDown, 1 + page},
                 {Qt::Key_End, 99}, {Qt::Key_Up, 98},  {Qt::Key_PageUp, 98 - page},
                 {Qt::Key_Home, 0}, {Qt::Key_Up, 0},   {Qt::Key_End, 99},
                 {Qt::Key_Down, 99}};
    for (const auto& step : steps) {
        QTest::keyClick(&view, step.key);
        const QModelIndex current = view.currentIndex();
        ASSERT_EQ(current.row(), step.line) << "after key " << step.key;
        EXPECT_TRUE(view.viewport()->rect().contains(view.visualRect(current)))
            << "line " << step.line << " is not on the screen";
        EXPECT_EQ(view.indexAt(view.visualRect(current).center()), current);
        EXPECT_EQ(view.selectionModel()->selectedRows().size(), 1);
    }
    EXPECT_FALSE(view.indexAt(QPoint(5, view.viewport()->height() + 40)).isValid());

    view.scrollTo(model.index(50), QAbstractItemView::PositionAtTop);
    EXPECT_EQ(view.indexAt(QPoint(5, 1)).row(), 50);
    model.SetRows(std::vector<std::int32_t>(3));  // a rebuild shows the new lines from the top
    QCoreApplication::processEvents();
    EXPECT_EQ(view.indexAt(QPoint(5, 1)).row(), 0);
    EXPECT_FALSE(view.indexAt(QPoint(5, 3 * TitleListModel::kLineHeight + 1)).isValid());
}

// Styles that mark the line under the mouse (they turn on hover events for the list) get it
// painted as such, and only that line.
TEST(TitleList, TheLineUnderTheMouseIsPaintedAsHovered) {
    class Recorder : public QStyledItemDelegate {
      public:
        void paint(QPainter* painter, const QStyleOptionViewItem& option,
                   const QModelIndex& index) const override {
            if (option.state & QStyle::State_MouseOver)
                hovered.push_back(index.row());
            QStyledItemDelegate::paint(painter, option, index);
        }
        mutable std::vector<int> hovered;
    } recorder;
    TitleListModel model([](std::int32_t) -> std::string_view { return "Title"; });
    TitleListView view;
    view.setModel(&model);
    view.setItemDelegate(&recorder);
    view.viewport()->setAttribute(Qt::WA_Hover);
    view.resize(200, 100);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    model.SetRows(std::vector<std::int32_t>(20));
    QCoreApplication::processEvents();

    QHoverEvent move(QEvent::HoverMove, QPointF(5, 2.5 * TitleListModel::kLineHeight),
                     QPointF(5, 2.5 * TitleListModel::kLineHeight), QPointF(-1, -1));
    QCoreApplication::sendEvent(view.viewport(), &move);
    recorder.hovered.clear();
    view.viewport()->repaint();
    EXPECT_EQ(recorder.hovered, std::vector<int>{2});

    QHoverEvent leave(QEvent::HoverLeave, QPointF(-1, -1), QPointF(-1, -1), QPointF(5, 30));
    QCoreApplication::sendEvent(view.viewport(), &leave);
    recorder.hovered.clear();
    view.viewport()->repaint();
    EXPECT_TRUE(recorder.hovered.empty());
}

}  // namespace
}  // namespace varnimo::ui
