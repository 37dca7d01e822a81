// The Options dialog's wiring, driven offscreen the way a user drives it: mouse, keys and
// drags on the track bar and radio buttons, answers from a stand-in folder browser, boxes
// answered by the recording desktop. Its rules are tested on app::OptionsEditor.

#include <gtest/gtest.h>

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/main_window_logic.h"
#include "demo_folder.h"
#include "main_window.h"
#include "options_dialog.h"
#include "recording_desktop.h"

namespace varnimo::ui {
namespace {

using test::DemoFolder;

struct AnsweringBrowser : FolderBrowser {
    QString Browse(QWidget*, const QString& instruction) override {
        asked << instruction;
        return answers.isEmpty() ? QString() : answers.takeFirst();  // empty: cancelled
    }
    QStringList answers;
    QStringList asked;
};

class OptionsDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::Desktop().Clear();
        demo_ = std::make_unique<DemoFolder>(DemoFolder::Settings{.with_options = false});
        window_ = std::make_unique<MainWindow>(test::Desktop());  // never shown: no start-up runs
        dialog().SetFolderBrowser(browser_);
    }
    void TearDown() override {
        window_.reset();
        demo_.reset();
        test::Desktop().Clear();
    }

    OptionsDialog& dialog() { return window_->OptionsWindow(); }
    app::MainWindowLogic& Logic() { return window_->Logic(); }
    template <typename T>
    T* Child(const char* name) {
        T* child = dialog().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QSlider* Bar() { return Child<QSlider>("secondsBar"); }
    QRadioButton* Startup() { return Child<QRadioButton>("startupOnlyButton"); }
    QRadioButton* Ingame() { return Child<QRadioButton>("ingameOnlyButton"); }
    QString Text(const char* edit) { return Child<QLineEdit>(edit)->text(); }

    // Shows the dialog (not modally) and lets its refill run.
    void Show() {
        dialog().show();
        QCoreApplication::processEvents();
    }
    // As options.dat would have left things at start-up.
    void Loaded(std::uint32_t interval) {
        Logic().TakeLoadedOptions(Logic().Options(), Logic().ModeText());
        Logic().SetSlideshowInterval(interval);
    }

    // User operations on the track bar.
    void Drag(int to) {
        Bar()->setSliderDown(true);
        Bar()->setSliderPosition(to);
        Bar()->setSliderDown(false);
    }
    // The slideshow as the dialog and the main window show it.
    void ExpectOutcome(std::uint32_t interval, int position, const char* marked, int mode,
                       const char* what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(Logic().SlideshowInterval(), interval);
        EXPECT_EQ(window_->findChild<QTimer*>("slideshowTimer")->isActive(), interval > 0);
        EXPECT_EQ(Bar()->value(), position);
        const QString marks = QString(Startup()->isChecked() ? "startup" : "") +
                              (Ingame()->isChecked() ? "ingame" : "");
        EXPECT_EQ(marks, marked);
        EXPECT_EQ(Logic().ShowMode(), mode);
    }

    AnsweringBrowser browser_;
    std::unique_ptr<DemoFolder> demo_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(OptionsDialogTest, OpensAsDesignedAndShowsTheValues) {
    EXPECT_EQ(dialog().windowTitle(), "Options");
    EXPECT_EQ(dialog().size(), QSize(554, 408));
    EXPECT_EQ(dialog().minimumSize(), dialog().maximumSize());
    EXPECT_FALSE(dialog().windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dialog().windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(dialog().windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(dialog().pos(), QPoint(369, 208));

    // The screenshot button lies over its group box and still takes the clicks.
    QPushButton* screen_button = Child<QPushButton>("changeScreenshotsButton");
    EXPECT_EQ(dialog().childAt(screen_button->geometry().center()), screen_button);
    EXPECT_TRUE(Child<QLineEdit>("screenshotsEdit")->isReadOnly());
    EXPECT_TRUE(Child<QLineEdit>("romsEdit")->isReadOnly());
    EXPECT_FALSE(Child<QLineEdit>("snes9xEdit")->isReadOnly());
    EXPECT_EQ(Bar()->maximum(), 10);
    EXPECT_EQ(Bar()->value(), 1);
    EXPECT_FALSE(Startup()->isChecked() || Ingame()->isChecked());
    // No button takes Enter away from the edits.
    for (QPushButton* button : dialog().findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->autoDefault()) << button->objectName().toStdString();
    }

    // Tab goes through the controls in their designed order, group by group.
    QStringList order;
    QWidget* w = Child<QWidget>("changeScreenshotsButton");
    for (int i = 0; i < 8; ++i, w = w->nextInFocusChain()) {
        while (!(w->focusPolicy() & Qt::TabFocus))
            w = w->nextInFocusChain();
        order << w->objectName();
    }
    EXPECT_EQ(order, QStringList({"changeScreenshotsButton", "screenshotsEdit", "changeRomsButton",
                                  "romsEdit", "exitButton", "saveButton", "loadButton",
                                  "changeSnes9xButton"}));

    // Each showing refills the controls from the program's state.
    Loaded(3000);
    Logic().SetOptions({"", "/r/", "", "", ""});
    Show();
    EXPECT_EQ(Text("romsEdit"), "/r/");
    EXPECT_EQ(Text("screenshotsEdit"), "- no path selected -");
    EXPECT_EQ(Text("zsnesEdit"), "- no emulator executeable selected -");
    ExpectOutcome(3000, 3, "", 0, "shown at 3000");
}

TEST_F(OptionsDialogTest, EachControlForwardsAndShowsWhatTheEditorTellsIt) {
    Loaded(3000);
    Show();
    // The track bar: a drag, keys, and operations that leave it where it was.
    Drag(7);
    ExpectOutcome(7000, 7, "", 0, "dragged to 7");
    QTest::mouseClick(Ingame(), Qt::LeftButton);
    ExpectOutcome(0, 0, "ingame", 2, "ingame from 7");
    QTest::keyClick(Bar(), Qt::Key_End);
    ExpectOutcome(10000, 10, "", 0, "End key unmarks both");
    QTest::keyClick(Bar(), Qt::Key_Home);
    ExpectOutcome(0, 0, "startup", 0, "Home key to 0");
    QTest::mouseClick(Ingame(), Qt::LeftButton);
    Drag(0);
    ExpectOutcome(0, 0, "startup", 0, "dragged back to 0");
    QTest::mouseClick(Ingame(), Qt::LeftButton);
    QTest::keyClick(Bar(), Qt::Key_Left);
    ExpectOutcome(0, 0, "startup", 0, "left arrow at 0");
    QTest::keyClick(Bar(), Qt::Key_Right);
    QTest::mouseClick(Startup(), Qt::LeftButton);
    ExpectOutcome(0, 0, "startup", 1, "startup from 1");

    // Clicking the marked radio button forwards nothing.
    Logic().SetSlideshowInterval(5000);
    QTest::mouseClick(Startup(), Qt::LeftButton);
    EXPECT_EQ(Logic().SlideshowInterval(), 5000u);

    // The four folder buttons ask through the browser; an emulator's folder without its
    // program is asked again after an error box, then cancelled.
    browser_.answers = {demo_->Path("shots"), demo_->Path("roms"), demo_->Path("snes9x")};
    for (const char* button : {"changeScreenshotsButton", "changeRomsButton", "changeSnes9xButton",
                               "changeZsnesButton"}) {
        QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton);
    }
    EXPECT_EQ(browser_.asked,
              QStringList({"Please locate the screenshots.", "Please locate your Roms.",
                           "Please locate the Snes9X Folder.", "Please locate the Snes9X Folder.",
                           "Please locate the ZSNES Folder."}));
    EXPECT_EQ(Text("screenshotsEdit"), demo_->Path("shots"));
    EXPECT_EQ(Text("romsEdit"), demo_->Path("roms"));
    EXPECT_EQ(Logic().Options().rom_folder, demo_->RomPath().toStdString());
    EXPECT_EQ(test::Desktop().Texts(), QStringList({"Could not find Snes9X!"}));
    EXPECT_EQ(test::Desktop().boxes[0].icon, QMessageBox::Critical);
    test::Desktop().Clear();

    // Save and Load answer with the dialog's boxes; typing in an edit sets no path.
    QTest::keyClicks(Child<QLineEdit>("snes9xEdit"), "/typed");
    QTest::mouseClick(Child<QPushButton>("saveButton"), Qt::LeftButton);
    EXPECT_EQ(test::Desktop().Texts(), QStringList({"Saved successfully!"}));
    EXPECT_EQ(Logic().Options().snes9x_folder, demo_->Snes9xPath().toStdString());  // not typed
    test::WriteFile("options.dat", "/s/\r\n\r\n/n/\r\n/z/\r\n7000\r\n2\r\n");
    test::Desktop().Clear();
    QTest::mouseClick(Child<QPushButton>("loadButton"), Qt::LeftButton);
    EXPECT_EQ(test::Desktop().Texts(), QStringList({"Options loaded!"}));
    EXPECT_EQ(test::Desktop().boxes[0].icon, QMessageBox::Information);
    EXPECT_EQ(Text("snes9xEdit"), "/n/");
    ExpectOutcome(0, 0, "ingame", 2, "loaded mode 2");

    QTest::mouseClick(Child<QPushButton>("exitButton"), Qt::LeftButton);
    EXPECT_FALSE(dialog().isVisible());
}

TEST_F(OptionsDialogTest, MenuShowsItModallyKeepingItsContentsAndNoResetFollows) {
    window_.reset();
    demo_.reset();  // first, so that the working folder it restores is the original one
    demo_ = std::make_unique<DemoFolder>();
    window_ = std::make_unique<MainWindow>(test::Desktop());
    window_->show();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return Logic().OptionsLoaded() && !Logic().ListedRows().empty(); }));
    QTest::qWait(50);
    test::Desktop().Clear();
    Logic().SetSlideshowInterval(6000);
    window_->findChild<QLineEdit*>("searchBox")->setText("Alpha");
    // Runs `while_open` inside the modal showing the menu starts, then ends the showing with
    // the dialog's own Exit button.
    const auto from_menu = [&](const std::function<void()>& while_open) {
        bool ran = false;
        // A real timer: it fires inside the modal loop, after the refill that showing posts.
        QTimer::singleShot(30, &dialog(), [&] {
            EXPECT_EQ(QApplication::activeModalWidget(), &dialog());
            while_open();
            ran = true;
            QTest::mouseClick(Child<QPushButton>("exitButton"), Qt::LeftButton);
            if (dialog().isVisible())
                dialog().reject();  // never hang the suite
        });
        window_->findChild<QAction*>("optionsAction")->trigger();
        EXPECT_TRUE(ran);
        EXPECT_FALSE(dialog().isVisible());
    };

    from_menu([&] {
        EXPECT_EQ(Bar()->value(), 6);
        EXPECT_EQ(Text("snes9xEdit"), demo_->Snes9xPath());
        QTest::mouseClick(Ingame(), Qt::LeftButton);
    });
    EXPECT_EQ(Logic().ShowMode(), settings::kShowIngameOnly);
    // A mode that is no number ends the refill with the runtime's error; the dialog stays up.
    Logic().TakeLoadedOptions(Logic().Options(), "x");
    from_menu([&] {
        EXPECT_EQ(test::Desktop().Texts(), QStringList({"'x' ist kein gültiger Integerwert"}));
        EXPECT_TRUE(dialog().isVisible());
    });
    test::Desktop().Clear();
    QTest::qWait(50);
    EXPECT_EQ(window_->findChild<QLineEdit*>("searchBox")->text(), "Alpha");
    EXPECT_EQ(Logic().ListedRows().size(), 1u);
    EXPECT_TRUE(test::Desktop().boxes.empty());
}

}  // namespace
}  // namespace varnimo::ui
