// The About dialog offscreen: its look, the homepage link, and its modal showing from the
// main window's Help menu.

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "about_dialog.h"
#include "app/homepage.h"
#include "app/main_window_logic.h"
#include "demo_folder.h"
#include "main_window.h"
#include "recording_desktop.h"
#include "update_dialog.h"

namespace varnimo::ui {
namespace {

class AboutDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::Desktop().Clear();
        window_ = std::make_unique<MainWindow>(test::Desktop());
    }
    void TearDown() override {
        window_.reset();
        test::Desktop().Clear();
    }
    AboutDialog& dialog() { return window_->AboutWindow(); }
    QLabel* Label(const char* name) {
        QLabel* label = dialog().findChild<QLabel*>(QString::fromLatin1(name));
        EXPECT_NE(label, nullptr) << name;
        return label;
    }

    std::unique_ptr<MainWindow> window_;
};

TEST_F(AboutDialogTest, OpensAsDesigned) {
    EXPECT_EQ(dialog().windowTitle(), "About...");
    EXPECT_EQ(dialog().size(), QSize(316, 269));
    EXPECT_EQ(dialog().minimumSize(), dialog().maximumSize());
    EXPECT_EQ(dialog().pos(), QPoint(422, 260));
    const Qt::WindowFlags flags = dialog().windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowSystemMenuHint));

    EXPECT_EQ(Label("versionLabel")->text(), "Version " + QString::number(app::kProgramVersion));
    for (const char* credit :
         {"copyrightLabel", "dedicationLabel", "greetingsLabel", "thanksLabel"}) {
        // Each line is whole inside the panel.
        EXPECT_LE(Label(credit)->geometry().right(), 313) << credit;
        EXPECT_GE(Label(credit)->width(), Label(credit)->sizeHint().width()) << credit;
    }
    QLabel* link = Label("homepageLink");
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(Label("logo")->hasScaledContents());
    EXPECT_FALSE(Label("logo")->pixmap().isNull());

    auto* exit = dialog().findChild<QPushButton*>("exitButton");
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
}

TEST_F(AboutDialogTest, LinkOpensTheHomepageEachTimeAndTheDialogStaysOpen) {
    test::DemoFolder demo;
    window_->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window_->Logic().ListedRows().empty(); }))
        << test::Desktop().Texts().join(" | ").toStdString();
    QTest::qWait(50);
    window_->findChild<QLineEdit*>("searchBox")->setText("Alpha");
    test::Desktop().Clear();

    bool ran = false;
    QTimer::singleShot(0, &dialog(), [&] {
        EXPECT_EQ(QApplication::activeModalWidget(), &dialog());
        QLabel* link = Label("homepageLink");
        QTest::mouseClick(link, Qt::LeftButton);
        EXPECT_TRUE(dialog().isVisible());
        QTest::mouseClick(link, Qt::LeftButton);
        // A press that slides off the link before the release is no click.
        QTest::mousePress(link, Qt::LeftButton);
        QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-5, -5));
        EXPECT_TRUE(dialog().isVisible());
        ran = true;
        QTest::mouseClick(dialog().findChild<QPushButton*>("exitButton"), Qt::LeftButton);
        if (dialog().isVisible())
            dialog().reject();  // never hang the suite
    });
    window_->findChild<QAction*>("aboutAction")->trigger();  // returns when the showing ends
    ASSERT_TRUE(ran);
    EXPECT_FALSE(dialog().isVisible());

    const QUrl homepage(QString::fromLatin1(app::kHomepageAddress));
    EXPECT_EQ(test::Desktop().urls, std::vector<QUrl>({homepage, homepage}));
    // Closing the dialog runs no reset: the search stays, no box came up.
    QTest::qWait(50);
    EXPECT_EQ(window_->findChild<QLineEdit*>("searchBox")->text(), "Alpha");
    EXPECT_TRUE(test::Desktop().boxes.empty());
}

// Without a web browser, every link to the homepage shows the address in a box the user can
// copy it from; with one, no box comes up.
TEST_F(AboutDialogTest, AnAddressNoBrowserTakesIsShownToCopy) {
    const QString homepage = QString::fromLatin1(app::kHomepageAddress);
    const std::function<void()> links[] = {
        [&] { dialog().OpenHomepage(); },
        [&] { window_->UpdateWindow().Checker().OpenDownloadPage(); },
        [&] { window_->OpenAddress(app::kHomepageAddress); },
    };
    for (const bool browser : {true, false}) {
        for (const auto& open : links) {
            test::Desktop().Clear();
            test::Desktop().opens_urls = browser;
            open();
            EXPECT_EQ(test::Desktop().urls, std::vector<QUrl>({QUrl(homepage)}));
            if (browser) {
                EXPECT_TRUE(test::Desktop().boxes.empty());
                continue;
            }
            ASSERT_EQ(test::Desktop().boxes.size(), 1u);
            EXPECT_TRUE(test::Desktop().boxes[0].copyable);
            EXPECT_EQ(test::Desktop().boxes[0].title, "Varnimo");
            EXPECT_TRUE(test::Desktop().boxes[0].text.endsWith("\n" + homepage))
                << test::Desktop().boxes[0].text.toStdString();
        }
    }
}

}  // namespace
}  // namespace varnimo::ui
