// The Options dialog, driven offscreen the way a user drives it: mouse, keys and drags on the
// track bar and radio buttons, answers from a stand-in folder browser, boxes answered by the
// recording desktop.

#include <gtest/gtest.h>

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <functional>

#include "app/main_window_logic.h"
#include "demo_folder.h"
#include "main_window.h"
#include "options_dialog.h"
#include "recording_desktop.h"
#include "rtl/text_file.h"

namespace varnimo {
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
        form_ = std::make_unique<MainWindow>(test::Desktop());  // never shown: no start-up runs
        dialog().SetFolderBrowser(browser_);
    }
    void TearDown() override {
        form_.reset();
        demo_.reset();
        test::Desktop().Clear();
    }

    OptionsDialog& dialog() { return form_->OptionsWindow(); }
    app::MainWindowLogic& Logic() { return form_->Logic(); }
    template <typename T>
    T* Child(const char* name) {
        T* child = dialog().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QSlider* Bar() { return Child<QSlider>("screen_timer_bar"); }
    QRadioButton* Startup() { return Child<QRadioButton>("startup_screen_button"); }
    QRadioButton* Ingame() { return Child<QRadioButton>("ingame_screen_button"); }
    QString Text(const char* edit) { return Child<QLineEdit>(edit)->text(); }
    QTimer* SlideshowTimer() { return form_->findChild<QTimer*>(QStringLiteral("slideshowTimer")); }

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
    void ClickThumb() {
        QStyleOptionSlider option;
        option.initFrom(Bar());
        option.orientation = Qt::Horizontal;
        option.minimum = Bar()->minimum();
        option.maximum = Bar()->maximum();
        option.sliderPosition = option.sliderValue = Bar()->value();
        option.tickPosition = Bar()->tickPosition();
        option.tickInterval = Bar()->tickInterval();
        option.subControls = QStyle::SC_All;
        const QRect handle = Bar()->style()->subControlRect(QStyle::CC_Slider, &option,
                                                            QStyle::SC_SliderHandle, Bar());
        QTest::mouseClick(Bar(), Qt::LeftButton, {}, handle.center());
    }

    // The four columns of the outcome table.
    void ExpectOutcome(std::uint32_t interval, int position, const char* marked, int mode,
                       const char* what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(Logic().SlideshowInterval(), interval);
        EXPECT_EQ(SlideshowTimer()->isActive(), interval > 0);
        EXPECT_EQ(Bar()->value(), position);
        const QString marks = QString(Startup()->isChecked() ? "startup" : "") +
                              (Ingame()->isChecked() ? "ingame" : "");
        EXPECT_EQ(marks, marked);
        EXPECT_EQ(Logic().ShowMode(), mode);
    }

    AnsweringBrowser browser_;
    std::unique_ptr<DemoFolder> demo_;
    std::unique_ptr<MainWindow> form_;
};

TEST_F(OptionsDialogTest, OpensAsDesigned) {
    EXPECT_EQ(dialog().windowTitle(), "Options");
    EXPECT_EQ(dialog().size(), QSize(554, 408));
    EXPECT_EQ(dialog().minimumSize(), dialog().maximumSize());
    EXPECT_FALSE(dialog().windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dialog().windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(dialog().windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(dialog().pos(), QPoint(369, 208));

    // The screenshot button lies over its group box and still takes the clicks.
    QPushButton* screen_button = Child<QPushButton>("screen_path_button");
    EXPECT_EQ(dialog().childAt(screen_button->geometry().center()), screen_button);
    EXPECT_TRUE(Child<QLineEdit>("screen_edit")->isReadOnly());
    EXPECT_TRUE(Child<QLineEdit>("rom_edit")->isReadOnly());
    EXPECT_FALSE(Child<QLineEdit>("emu_edit")->isReadOnly());
    EXPECT_EQ(Bar()->maximum(), 10);
    EXPECT_EQ(Bar()->value(), 1);
    EXPECT_FALSE(Startup()->isChecked() || Ingame()->isChecked());
    // No button takes Enter away from the edits.
    for (QPushButton* button : dialog().findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->autoDefault()) << button->objectName().toStdString();
    }

    // Tab goes through the controls in their designed order, group by group.
    QStringList order;
    QWidget* w = Child<QWidget>("screen_path_button");
    for (int i = 0; i < 8; ++i, w = w->nextInFocusChain()) {
        while (!(w->focusPolicy() & Qt::TabFocus))
            w = w->nextInFocusChain();
        order << w->objectName();
    }
    EXPECT_EQ(order, QStringList({"screen_path_button", "screen_edit", "rom_path_button",
                                  "rom_edit", "Exit", "save_options_button", "load_options_button",
                                  "emu_path_button"}));
}

TEST_F(OptionsDialogTest, EveryUserActionEndsAsTheTableSays) {
    Loaded(3000);
    Show();
    ExpectOutcome(3000, 3, "", 0, "shown at 3000");

    Drag(7);
    ExpectOutcome(7000, 7, "", 0, "dragged to 7");
    QTest::mouseClick(Ingame(), Qt::LeftButton);
    ExpectOutcome(0, 0, "ingame", 2, "ingame from 7");
    QTest::keyClick(Bar(), Qt::Key_End);
    ExpectOutcome(10000, 10, "", 0, "End key from ingame");
    QTest::keyClick(Bar(), Qt::Key_Home);
    ExpectOutcome(0, 0, "startup", 0, "Home key to 0");

    Drag(4);
    QTest::mouseClick(Startup(), Qt::LeftButton);
    ExpectOutcome(0, 0, "startup", 1, "startup from 4");
    Drag(4);
    QTest::mouseClick(Ingame(), Qt::LeftButton);
    ExpectOutcome(0, 0, "ingame", 2, "ingame from 4");
    QTest::mouseClick(Startup(), Qt::LeftButton);
    ExpectOutcome(0, 0, "startup", 1, "startup from ingame");
    QTest::mouseClick(Ingame(), Qt::LeftButton);
    ExpectOutcome(0, 0, "ingame", 2, "ingame from startup");

    // Operations that end where they started still count: the thumb clicked at 0 and an
    // arrow key at the left end both turn "ingame" into the title screen at Alternate.
    ClickThumb();
    ExpectOutcome(0, 0, "startup", 0, "thumb clicked at 0");
    QTest::mouseClick(Ingame(), Qt::LeftButton);
    QTest::keyClick(Bar(), Qt::Key_Left);
    ExpectOutcome(0, 0, "startup", 0, "left arrow at 0");
    QTest::keyClick(Bar(), Qt::Key_Right);
    ExpectOutcome(1000, 1, "", 0, "right arrow");
}

TEST_F(OptionsDialogTest, ClickingTheMarkedRadioButtonChangesNothing) {
    Loaded(2000);
    Show();
    QTest::mouseClick(Ingame(), Qt::LeftButton);
    Logic().SetSlideshowInterval(5000);  // its handler would stop the timer again
    Logic().SetShowMode(7);
    QTest::mouseClick(Ingame(), Qt::LeftButton);
    EXPECT_TRUE(Ingame()->isChecked());
    EXPECT_EQ(Logic().SlideshowInterval(), 5000u);
    EXPECT_EQ(Logic().ShowMode(), 7);
}

TEST_F(OptionsDialogTest, BeforeOptionsAreReadShowingKeepsWhatTheControlsShow) {
    browser_.answers = {demo_->Path("shots")};
    QTest::mouseClick(Child<QPushButton>("screen_path_button"), Qt::LeftButton);
    Show();
    EXPECT_EQ(Text("screen_edit"), demo_->Path("shots"));
    EXPECT_EQ(Text("rom_edit"), "- no path selected -");
    EXPECT_EQ(Bar()->value(), 1);
    EXPECT_EQ(Logic().SlideshowInterval(), 2000u);

    // Once loaded, every showing rewrites the edits and takes the mode from the empty
    // ModeText, while the radio button chosen earlier stays marked.
    Loaded(2000);
    QTest::mouseClick(Ingame(), Qt::LeftButton);
    {
        settings::ProgramOptions options = Logic().Options();
        options.rom_folder = "/r/";
        Logic().SetOptions(options);
    }
    dialog().hide();
    Show();
    EXPECT_EQ(Text("rom_edit"), "/r/");
    EXPECT_EQ(Text("screen_edit"), demo_->Path("shots") + "/");
    EXPECT_EQ(Logic().ShowMode(), settings::kShowAlternate);
    EXPECT_TRUE(Ingame()->isChecked());
}

TEST_F(OptionsDialogTest, FolderButtonsStoreTheFolderWithOneSeparatorMore) {
    browser_.answers = {demo_->Path("roms"), "/"};
    QTest::mouseClick(Child<QPushButton>("rom_path_button"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>("screen_path_button"), Qt::LeftButton);
    EXPECT_EQ(browser_.asked,
              QStringList({"Please locate your Roms.", "Please locate the screenshots."}));
    EXPECT_EQ(Text("rom_edit"), demo_->Path("roms"));
    EXPECT_EQ(Logic().Options().rom_folder, (demo_->Path("roms") + "/").toStdString());
    EXPECT_EQ(Text("screen_edit"), "/");
    EXPECT_EQ(Logic().Options().screen_folder, "//");  // a root keeps its own separator

    // Cancelled: nothing changes.
    QTest::mouseClick(Child<QPushButton>("rom_path_button"), Qt::LeftButton);
    EXPECT_EQ(Text("rom_edit"), demo_->Path("roms"));
    EXPECT_EQ(Logic().Options().rom_folder, (demo_->Path("roms") + "/").toStdString());
}

TEST_F(OptionsDialogTest, SaveWritesTheTimerAndModeAndIgnoresTypedText) {
    Loaded(2000);
    Show();
    QTest::mouseClick(Child<QPushButton>("save_options_button"), Qt::LeftButton);
    EXPECT_EQ(test::Desktop().Texts(), QStringList({"Please enter at least a ROM path!!"}));
    EXPECT_EQ(test::ReadFile("options.dat"), "(missing)");
    {
        settings::ProgramOptions options = Logic().Options();
        options.screen_folder = "/s/";
        Logic().SetOptions(options);
    }
    {
        settings::ProgramOptions options = Logic().Options();
        options.zsnes_folder = "/z/";
        Logic().SetOptions(options);
    }
    QTest::keyClicks(Child<QLineEdit>("emu_edit"), "/typed");
    Drag(4);
    test::Desktop().Clear();
    QTest::mouseClick(Child<QPushButton>("save_options_button"), Qt::LeftButton);
    EXPECT_EQ(test::Desktop().Texts(), QStringList({"Saved successfully!"}));
    EXPECT_EQ(test::ReadFile("options.dat"), "/s/\r\n\r\n\r\n/z/\r\n4000\r\n0\r\n");

    QTest::mouseClick(Ingame(), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>("save_options_button"), Qt::LeftButton);
    EXPECT_EQ(test::ReadFile("options.dat"), "/s/\r\n\r\n\r\n/z/\r\n0\r\n2\r\n");

    // A failed write ends the handler with the runtime's error and no success message.
    struct FailWrites : rtl::WriteFaultHook {
        int Fault(std::string_view operation) override { return operation == "write" ? EIO : 0; }
    } fail;
    rtl::WriteFaultHook* previous = rtl::SetWriteFaultHook(&fail);
    test::Desktop().Clear();
    QTest::mouseClick(Child<QPushButton>("save_options_button"), Qt::LeftButton);
    rtl::SetWriteFaultHook(previous);
    ASSERT_EQ(test::Desktop().boxes.size(), 1u);
    EXPECT_TRUE(test::Desktop().boxes[0].text.startsWith("E/A-Fehler"));
    EXPECT_EQ(test::ReadFile("options.dat"), "/s/\r\n\r\n\r\n/z/\r\n0\r\n2\r\n");
}

TEST_F(OptionsDialogTest, LoadTakesPathsAndModeAndRefillsTheDialog) {
    Show();
    QTest::mouseClick(Child<QPushButton>("load_options_button"), Qt::LeftButton);
    EXPECT_EQ(test::Desktop().Texts(), QStringList({"Could not load Options File!"}));
    EXPECT_FALSE(Logic().OptionsLoaded());

    // Line 6 is 2: in-game only, the timer stops, the bar goes to 0; line 5 is not taken.
    test::WriteFile("options.dat", "/s/\r\n\r\n/n/\r\n/z/\r\n7000\r\n2\r\n");
    Drag(3);
    test::Desktop().Clear();
    QTest::mouseClick(Child<QPushButton>("load_options_button"), Qt::LeftButton);
    EXPECT_EQ(test::Desktop().Texts(), QStringList({"Options loaded!"}));
    EXPECT_EQ(Text("screen_edit"), "/s/");
    EXPECT_EQ(Text("rom_edit"), "- no path selected -");
    EXPECT_EQ(Text("emu_edit"), "/n/");
    ExpectOutcome(0, 0, "ingame", 2, "loaded mode 2");

    // Five lines: the mode goes back to Alternate and the radio buttons stay as they are.
    test::WriteFile("options.dat", "/s/\r\n\r\n/n/\r\n/z/\r\n7000\r\n");
    QTest::mouseClick(Child<QPushButton>("load_options_button"), Qt::LeftButton);
    ExpectOutcome(0, 0, "ingame", 0, "loaded without line 6");

    // Line 6 is 1: marking "Startup Screen only" runs its handler, which stops the timer and
    // moves the bar, whose own handler runs in turn; the mark and the mode are startup only.
    // Then 5, no mode at all: the radio buttons are left as they are, the mode is taken.
    Drag(3);
    for (int mode : {1, 5}) {
        test::WriteFile("options.dat",
                        "/s/\r\n\r\n/n/\r\n/z/\r\n7000\r\n" + QByteArray::number(mode) + "\r\n");
        QTest::mouseClick(Child<QPushButton>("load_options_button"), Qt::LeftButton);
        ExpectOutcome(0, 0, "startup", mode, mode == 1 ? "loaded mode 1" : "loaded mode 5");
    }

    // A line 6 that is no number: the paths are in, the conversion error is shown.
    test::WriteFile("options.dat", "/t/\r\n\r\n\r\n\r\n1000\r\ntwo\r\n");
    test::Desktop().Clear();
    QTest::mouseClick(Child<QPushButton>("load_options_button"), Qt::LeftButton);
    EXPECT_EQ(test::Desktop().Texts(),
              QStringList({"Options loaded!", "'two' ist kein gültiger Integerwert"}));
    EXPECT_EQ(Logic().Options().screen_folder, "/t/");
    EXPECT_EQ(Text("screen_edit"), "/t/");
}

// Runs `while_open` inside the modal showing that `open` starts, then ends the showing with
// the dialog's own Exit button.
void WhileModal(QDialog& dialog, const std::function<void()>& open,
                const std::function<void()>& while_open, const char* exit_button) {
    bool ran = false;
    // A real timer: it fires inside the modal loop, after the refill that showing posts.
    QTimer::singleShot(30, &dialog, [&] {
        EXPECT_EQ(QApplication::activeModalWidget(), &dialog);
        while_open();
        ran = true;
        QTest::mouseClick(dialog.findChild<QPushButton*>(exit_button), Qt::LeftButton);
        if (dialog.isVisible())
            dialog.reject();  // never hang the suite
    });
    open();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(OptionsDialogTest, MenuShowsItModallyKeepingItsContentsAndNoResetFollows) {
    form_.reset();
    demo_.reset();  // first, so that the working folder it restores is the original one
    demo_ = std::make_unique<DemoFolder>();
    form_ = std::make_unique<MainWindow>(test::Desktop());
    form_->show();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return Logic().OptionsLoaded() && !Logic().ListedRows().empty(); }));
    QTest::qWait(50);
    test::Desktop().Clear();
    Logic().SetSlideshowInterval(6000);
    form_->findChild<QLineEdit*>("search_edit_box")->setText("Alpha");
    QAction* options = form_->findChild<QAction*>("path");

    WhileModal(
        dialog(), [&] { options->trigger(); },
        [&] {
            EXPECT_EQ(Bar()->value(), 6);
            QTest::mouseClick(Ingame(), Qt::LeftButton);
        },
        "Exit");
    EXPECT_EQ(Logic().ShowMode(), settings::kShowIngameOnly);
    WhileModal(
        dialog(), [&] { options->trigger(); },
        [&] {
            // The mark stays; the mode is taken again from the still empty ModeText.
            ExpectOutcome(0, 0, "ingame", 0, "second showing");
            EXPECT_EQ(Text("emu_edit"), demo_->Snes9xPath());
        },
        "Exit");
    // A mode that is no number ends the refill with the runtime's error; the dialog stays up.
    Logic().TakeLoadedOptions(Logic().Options(), "x");
    WhileModal(
        dialog(), [&] { options->trigger(); },
        [&] {
            EXPECT_EQ(test::Desktop().Texts(), QStringList({"'x' ist kein gültiger Integerwert"}));
            EXPECT_TRUE(dialog().isVisible());
        },
        "Exit");
    test::Desktop().Clear();
    QTest::qWait(50);
    EXPECT_EQ(form_->findChild<QLineEdit*>("search_edit_box")->text(), "Alpha");
    EXPECT_EQ(Logic().ListedRows().size(), 1u);
    EXPECT_TRUE(test::Desktop().boxes.empty());
}

}  // namespace
}  // namespace varnimo
