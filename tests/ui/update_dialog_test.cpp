// The Update Checker dialog offscreen: its look, the grids after a showing and after a
// failed check, its ways out, and its modal showing from Help > Update?. Checks against a
// real server are the logic's suites; here no server answers.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <string>

#include "../app/closed_port.h"
#include "app/collection.h"
#include "main_window.h"
#include "recording_desktop.h"
#include "update_dialog.h"

namespace varnimo::ui {
namespace {

using testing::ClosedPort;

class UpdateDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::Desktop().Clear();
        // The main window makes its dialog with the server of this run.
        ::setenv("VARNIMO_UPDATE_SERVER", ("127.0.0.1:" + std::to_string(ClosedPort())).c_str(), 1);
        window_ = std::make_unique<MainWindow>(test::Desktop());
        ::unsetenv("VARNIMO_UPDATE_SERVER");
    }
    void TearDown() override {
        own_.reset();
        window_.reset();
        test::Desktop().Clear();
    }
    UpdateDialog& dialog() { return own_ ? *own_ : window_->UpdateWindow(); }
    template <typename T>
    T* Child(const char* name) {
        T* child = dialog().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QString Cell(const char* grid, int column, int row) {
        QTableWidgetItem* item = Child<QTableWidget>(grid)->item(row, column);
        return item ? item->text() : QStringLiteral("(none)");
    }
    QStringList ServerColumn() {
        QStringList texts = {Cell("versionsGrid", 2, 1), Cell("versionsGrid", 2, 2)};
        for (int k = 0; k < 26; ++k)
            texts << Cell(k < 13 ? "packsAToMGrid" : "packsNToZGrid", 2, k % 13 + 1);
        return texts;
    }

    std::unique_ptr<MainWindow> window_;
    app::Collection versions_;
    std::unique_ptr<UpdateDialog> own_;  // a dialog over versions_, where a test made one
};

TEST_F(UpdateDialogTest, OpensAsDesigned) {
    EXPECT_EQ(dialog().windowTitle(), "Update Checker");
    EXPECT_EQ(dialog().size(), QSize(623, 372));
    EXPECT_EQ(dialog().minimumSize(), dialog().maximumSize());
    const Qt::WindowFlags flags = dialog().windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowSystemMenuHint));

    EXPECT_EQ(Child<QGroupBox>("statusBox")->geometry(), QRect(80, 16, 201, 33));
    EXPECT_EQ(Child<QGroupBox>("statusBox")->title(), "Status");
    auto* status = Child<QLabel>("connectionStatus");
    EXPECT_EQ(status->parentWidget(), Child<QGroupBox>("statusBox"));
    EXPECT_EQ(status->text(), "- unknown-");
    EXPECT_TRUE(status->font().bold());
    EXPECT_EQ(Child<QLabel>("noUpdatesLabel")->text(), "No Updates Available");
    auto* link = Child<QLabel>("downloadLink");
    EXPECT_EQ(link->text(), "Click here to go to Download Page");
    EXPECT_TRUE(link->isHidden());
    EXPECT_TRUE(link->font().underline() && link->font().bold());
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(Child<QPushButton>("connectButton")->geometry(), QRect(32, 232, 145, 25));
    EXPECT_EQ(Child<QPushButton>("connectButton")->text(), "Connect update Server");
    EXPECT_EQ(Child<QPushButton>("exitButton")->geometry(), QRect(216, 232, 75, 25));

    struct GridDesign {
        const char* name;
        QRect geometry;
        int rows, width, height;
    };
    for (const GridDesign& design :
         {GridDesign{"versionsGrid", {56, 72, 240, 80}, 3, 80, 24},
          GridDesign{"packsAToMGrid", {320, 56, 121, 270}, 14, 40, 18},
          GridDesign{"packsNToZGrid", {480, 56, 121, 270}, 14, 40, 18}}) {
        auto* grid = Child<QTableWidget>(design.name);
        EXPECT_EQ(grid->geometry(), design.geometry) << design.name;
        EXPECT_EQ(grid->columnCount(), 3);
        EXPECT_EQ(grid->rowCount(), design.rows);
        EXPECT_EQ(grid->columnWidth(2), design.width);
        EXPECT_EQ(grid->rowHeight(design.rows - 1), design.height);
        // Display only: nothing to select, edit, focus or scroll.
        EXPECT_EQ(grid->selectionMode(), QAbstractItemView::NoSelection);
        EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        EXPECT_EQ(grid->focusPolicy(), Qt::NoFocus);
        EXPECT_EQ(grid->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        EXPECT_EQ(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        EXPECT_TRUE(grid->testAttribute(Qt::WA_TransparentForMouseEvents));
        EXPECT_FALSE(grid->horizontalHeader()->isVisible());
        EXPECT_FALSE(grid->item(1, 1)->flags() & (Qt::ItemIsEditable | Qt::ItemIsSelectable));
    }
}

TEST_F(UpdateDialogTest, ShowingFillsTheLocalColumnCentredOnTheMainWindow) {
    window_->move(100, 80);
    // The versions come from a collection of the test's own: the window's is read from files.
    versions_.SetDatabaseVersion(2.07);
    versions_.SetScreenPackVersion(13, 4.5);
    own_ = std::make_unique<UpdateDialog>(versions_, test::Desktop(),
                                          UpdateDialog::ServerForThisRun(), window_.get());
    dialog().show();
    // Tab visits the two buttons only, "Exit" first.
    QStringList tab_order;
    QWidget* widget = &dialog();
    do {
        if (widget->focusPolicy() & Qt::TabFocus)
            tab_order << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != &dialog());
    EXPECT_EQ(tab_order, QStringList({"exitButton", "connectButton"}));
    EXPECT_LE(
        (dialog().frameGeometry().center() - window_->frameGeometry().center()).manhattanLength(),
        2);

    EXPECT_EQ(Cell("versionsGrid", 0, 0), "Versions");
    EXPECT_EQ(Cell("versionsGrid", 1, 0), "Yours");
    EXPECT_EQ(Cell("versionsGrid", 0, 1), "Program");
    EXPECT_EQ(Cell("versionsGrid", 1, 1), "0.301");
    EXPECT_EQ(Cell("versionsGrid", 1, 2), "2.07");
    EXPECT_EQ(Cell("packsNToZGrid", 0, 0), "Letter");
    EXPECT_EQ(Cell("packsNToZGrid", 0, 1), "n");
    EXPECT_EQ(Cell("packsNToZGrid", 1, 1), "4.5");
    EXPECT_EQ(Cell("packsAToMGrid", 1, 13), "0");
    EXPECT_EQ(ServerColumn(), QStringList(28, QString()));

    // Every showing reads the local versions again.
    dialog().hide();
    versions_.SetDatabaseVersion(3);
    dialog().show();
    EXPECT_EQ(Cell("versionsGrid", 1, 2), "3");
    dialog().hide();
}

TEST_F(UpdateDialogTest, FailedCheckShowsUnknownsAndTheBoxComesWithTheCursorBack) {
    dialog().show();
    bool busy_during_box = true;
    test::Desktop().while_open = [&](const test::RecordedBox&) {
        busy_during_box = QApplication::overrideCursor() != nullptr;
    };
    QTest::mouseClick(Child<QPushButton>("connectButton"), Qt::LeftButton);

    ASSERT_EQ(test::Desktop().boxes.size(), 1u);
    EXPECT_EQ(test::Desktop().boxes[0].text, "There was an Error...");
    EXPECT_EQ(test::Desktop().boxes[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(test::Desktop().boxes[0].title, "Varnimo");
    EXPECT_FALSE(busy_during_box);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Child<QLabel>("connectionStatus")->text(), "ERROR - Not connected!");
    EXPECT_GE(Child<QLabel>("connectionStatus")->width(),
              Child<QLabel>("connectionStatus")->sizeHint().width());
    EXPECT_EQ(ServerColumn(), QStringList(28, " ??? "));
    EXPECT_EQ(Child<QLabel>("noUpdatesLabel")->isVisible(), true);

    // While the network blocks, the whole application shows the wait cursor.
    dialog().BeginWait();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    dialog().EndWait();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    dialog().hide();
}

// Against the private MariaDB (its program version, 0.302, is newer than ours): the link
// takes the place of "No Updates Available" and opens the homepage.
TEST_F(UpdateDialogTest, NewerServerShowsTheDownloadLink) {
    const char* host = std::getenv("VARNIMO_TEST_MYSQL_HOST");
    const char* port = std::getenv("VARNIMO_TEST_MYSQL_PORT");
    if (!host || !port) {
        const char* ci = std::getenv("CI");
        if (ci && std::string(ci) == "true")
            FAIL() << "VARNIMO_TEST_MYSQL_* are not set: no MariaDB to test against";
        GTEST_SKIP() << "no private MariaDB (VARNIMO_TEST_MYSQL_* not set)";
    }
    window_.reset();
    ::setenv("VARNIMO_UPDATE_SERVER", (std::string(host) + ":" + port).c_str(), 1);
    window_ = std::make_unique<MainWindow>(test::Desktop());
    ::unsetenv("VARNIMO_UPDATE_SERVER");
    dialog().show();
    QTest::mouseClick(Child<QPushButton>("connectButton"), Qt::LeftButton);
    ASSERT_EQ(test::Desktop().boxes.size(), 1u);
    EXPECT_EQ(test::Desktop().boxes[0].text, "Downloaded Server variables");
    EXPECT_FALSE(Child<QLabel>("noUpdatesLabel")->isVisible());
    auto* link = Child<QLabel>("downloadLink");
    EXPECT_TRUE(link->isVisible());
    QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    ASSERT_EQ(test::Desktop().urls.size(), 1u);
    EXPECT_EQ(test::Desktop().urls[0], QUrl(QString::fromLatin1(app::kHomepageAddress)));
    QTest::mouseClick(Child<QPushButton>("exitButton"), Qt::LeftButton);
}

TEST_F(UpdateDialogTest, ExitEscapeAndTheDownloadLink) {
    dialog().show();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Child<QLabel>("downloadLink"), &press);
    QApplication::sendEvent(Child<QLabel>("downloadLink"), &release);
    ASSERT_EQ(test::Desktop().urls.size(), 1u);
    EXPECT_EQ(test::Desktop().urls[0], QUrl(QString::fromLatin1(app::kHomepageAddress)));
    EXPECT_TRUE(dialog().isVisible());

    QTest::mouseClick(Child<QPushButton>("exitButton"), Qt::LeftButton);
    EXPECT_FALSE(dialog().isVisible());
    dialog().show();
    QTest::keyClick(&dialog(), Qt::Key_Escape);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_FALSE(dialog().Checker().UpdateClient()->IsConnectionOpen());
}

TEST_F(UpdateDialogTest, HelpUpdateShowsTheDialogModally) {
    QAction* entry = window_->findChild<QAction*>("updateCheckAction");
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->isEnabled());
    bool was_modal = false;
    QTimer::singleShot(0, &dialog(), [&] {
        was_modal = dialog().isVisible() && QApplication::activeModalWidget() == &dialog();
        QTest::mouseClick(Child<QPushButton>("exitButton"), Qt::LeftButton);
    });
    entry->trigger();  // returns when the dialog is closed
    EXPECT_TRUE(was_modal);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(Cell("versionsGrid", 1, 1), "0.301");
}

}  // namespace
}  // namespace varnimo::ui
