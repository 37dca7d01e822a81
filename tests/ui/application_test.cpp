// The top-level error handler: a runtime error thrown inside a handler must reach the
// application object on this Qt build, whichever way Qt called the handler, end only that
// handler, and leave the program running.

#include <gtest/gtest.h>

#include <QAction>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QStringListModel>
#include <QTest>
#include <QTimer>
#include <functional>
#include <new>
#include <stdexcept>

#include "application.h"
#include "recording_desktop.h"
#include "rtl/runtime_error.h"

namespace varnimo::ui {
namespace {

class TopLevelErrors : public ::testing::Test {
  protected:
    void SetUp() override { test::Desktop().Clear(); }

    // The handler every path below ends in.
    void Fail(const char* where) {
        ++entered_;
        throw rtl::ConversionError::InvalidInteger(where);
        ++finished_;  // never reached
    }

    void ExpectOneErrorBox(const QString& text) {
        ASSERT_EQ(test::Desktop().boxes.size(), 1u);
        const test::RecordedBox& box = test::Desktop().boxes.front();
        EXPECT_EQ(box.icon, QMessageBox::Critical);
        EXPECT_EQ(box.title, "Varnimo");
        EXPECT_EQ(box.text, text);
        test::Desktop().Clear();
    }

    int entered_ = 0;
    int finished_ = 0;
};

TEST_F(TopLevelErrors, ReachTheApplicationFromTimersButtonsMenusListsAndQueuedCalls) {
    QTimer::singleShot(0, [this] { Fail("timer"); });
    QTest::qWait(20);
    ExpectOneErrorBox(QString::fromUtf8("'timer' ist kein gültiger Integerwert"));

    QPushButton button("Run");
    QObject::connect(&button, &QPushButton::clicked, [this] { Fail("button"); });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    ExpectOneErrorBox(QString::fromUtf8("'button' ist kein gültiger Integerwert"));
    // The button is not left half-pressed: the next click runs the handler again.
    QTest::mouseClick(&button, Qt::LeftButton);
    ExpectOneErrorBox(QString::fromUtf8("'button' ist kein gültiger Integerwert"));
    EXPECT_FALSE(button.isDown());

    QMenu menu;
    QAction* action = menu.addAction("Reset");
    QObject::connect(action, &QAction::triggered, [this] { Fail("menu"); });
    menu.popup(QPoint(10, 10));
    QTest::keyClick(&menu, Qt::Key_Down);
    QTest::keyClick(&menu, Qt::Key_Return);
    QTest::qWait(20);
    ExpectOneErrorBox(QString::fromUtf8("'menu' ist kein gültiger Integerwert"));

    QStringListModel lines({"one", "two", "three"});
    QListView list;
    list.setModel(&lines);
    list.show();
    list.setFocus();
    list.setCurrentIndex(lines.index(0));
    QObject::connect(list.selectionModel(), &QItemSelectionModel::selectionChanged,
                     [this] { Fail("list"); });
    QTest::keyClick(list.viewport(), Qt::Key_Down);
    ExpectOneErrorBox(QString::fromUtf8("'list' ist kein gültiger Integerwert"));
    EXPECT_EQ(list.currentIndex().row(), 1);

    QMetaObject::invokeMethod(
        &button, [this] { Fail("queued"); }, Qt::QueuedConnection);
    QTest::qWait(20);
    ExpectOneErrorBox(QString::fromUtf8("'queued' ist kein gültiger Integerwert"));

    EXPECT_EQ(entered_, 6);
    EXPECT_EQ(finished_, 0);
}

// Not only the runtime's errors: whatever a handler throws ends that handler, never the
// program.
TEST_F(TopLevelErrors, EveryKindOfExceptionEndsOnlyItsHandler) {
    const struct {
        std::function<void()> fail;
        const char* text;
    } cases[] = {
        {[] { throw std::bad_alloc(); }, "Zu wenig Arbeitsspeicher"},
        {[] { throw std::out_of_range("vector index"); }, "vector index"},
        {[] { throw 42; }, "Unbekannter Fehler"},
    };
    for (const auto& c : cases) {
        QPushButton button("Run");
        QObject::connect(&button, &QPushButton::clicked, c.fail);
        button.show();
        QTest::mouseClick(&button, Qt::LeftButton);
        ExpectOneErrorBox(QString::fromUtf8(c.text));
    }
}

TEST_F(TopLevelErrors, ErrorsInsideABoxThatIsOpenAreShownToo) {
    // A handler that fails while an earlier error box is still up (its nested loop runs
    // timers) is reported on its own; both boxes are seen.
    int nested = 0;
    test::Desktop().while_open = [&](const test::RecordedBox&) {
        if (nested++ == 0) {
            QTimer::singleShot(0, [this] { Fail("second"); });
            QTest::qWait(20);
        }
    };
    QTimer::singleShot(0, [this] { Fail("first"); });
    QTest::qWait(50);
    ASSERT_EQ(test::Desktop().boxes.size(), 2u);
    EXPECT_EQ(test::Desktop().boxes[0].text,
              QString::fromUtf8("'first' ist kein gültiger Integerwert"));
    EXPECT_EQ(test::Desktop().boxes[1].text,
              QString::fromUtf8("'second' ist kein gültiger Integerwert"));
}

}  // namespace
}  // namespace varnimo::ui
