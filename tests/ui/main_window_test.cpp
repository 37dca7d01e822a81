// The main window on a small collection, driven the way a user drives it. Every message box
// is answered by the recording desktop.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QActionGroup>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window_logic.h"
#include "demo_folder.h"
#include "main_window.h"
#include "options_dialog.h"
#include "picture_loading.h"
#include "recording_desktop.h"

namespace varnimo::ui {
namespace {

using test::DemoFolder;
using test::NearColour;

const QString kScanNotice = "Varnimo will now scan ";
const QString kSaved = "scanned.dat saved successfully!";

// Records what the title list tells accessibility tools: "focus 2" (line 2 has the focus; -1
// is the list itself), "select 2", "unselect 2", "reset" (rebuilt). Qt hands events on only
// over a real accessibility bus (the gui_accessibility_bus test runs inside one); offscreen
// nothing is told and Hears() is false.
class ListAnnouncements {
  public:
    explicit ListAnnouncements(QObject* list) {
        list_ = list;
        told_ = &told_here_;
        previous_ = QAccessible::installUpdateHandler(&Record);
    }
    ~ListAnnouncements() {
        QAccessible::installUpdateHandler(previous_);
        told_ = nullptr;
    }
    static bool Hears() { return QAccessible::isActive(); }
    std::vector<std::string> Take() { return std::exchange(told_here_, {}); }

  private:
    static void Record(QAccessibleEvent* event) {
        if (told_ == nullptr || event->object() != list_)
            return;
        const std::string line = std::to_string(event->child());
        switch (event->type()) {
            case QAccessible::Focus:
                told_->push_back("focus " + line);
                break;
            case QAccessible::SelectionAdd:
                told_->push_back("select " + line);
                break;
            case QAccessible::SelectionRemove:
                told_->push_back("unselect " + line);
                break;
            case QAccessible::TableModelChanged:
                if (static_cast<QAccessibleTableModelChangeEvent*>(event)->modelChangeType() ==
                    QAccessibleTableModelChangeEvent::ModelReset) {
                    told_->push_back("reset");
                }
                break;
            default:
                break;
        }
    }
    static inline QObject* list_ = nullptr;
    static inline std::vector<std::string>* told_ = nullptr;
    std::vector<std::string> told_here_;
    QAccessible::UpdateHandler previous_ = nullptr;
};

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { test::Desktop().Clear(); }
    void TearDown() override {
        window_.reset();
        test::Desktop().Clear();
    }

    // Opens the window and waits for its first activation to have filled the list.
    void Open(DemoFolder::Settings settings = {}) {
        demo_ = std::make_unique<DemoFolder>(settings);
        window_ = std::make_unique<MainWindow>(test::Desktop());
        window_->show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return test::Desktop().Texts().contains(kSaved); }))
            << test::Desktop().Texts().join(" | ").toStdString();
        test::Desktop().Clear();
    }

    template <typename T>
    T* Child(const char* name) const {
        T* child = window_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QString Caption(const char* label) const { return Child<QLabel>(label)->text(); }
    QAction* Action(const char* name) const { return Child<QAction>(name); }
    TitleListView* List() const { return Child<TitleListView>("titleList"); }

    QStringList Lines() const {
        QStringList lines;
        const QAbstractItemModel* model = List()->model();
        for (int i = 0; i < model->rowCount(); ++i)
            lines << model->index(i, 0).data().toString();
        return lines;
    }
    QColor ScreenColour() const {
        const QImage image = Child<QLabel>("screenshot")->pixmap().toImage();
        return image.pixelColor(image.width() / 2, image.height() / 2);
    }
    QImage ScreenImage() const { return Child<QLabel>("screenshot")->pixmap().toImage(); }

    void ClickLine(int line) {
        const QRect rect = List()->visualRect(List()->model()->index(line, 0));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    int Checked(const char* group) const {
        int checked = 0;
        for (QAction* action : Child<QActionGroup>(group)->actions())
            checked += action->isChecked();
        return checked;
    }
    bool WaitForScreen(const QColor& colour) {
        return QTest::qWaitFor([&] { return NearColour(ScreenColour(), colour); }, 2000);
    }

    std::unique_ptr<DemoFolder> demo_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, OpensAsDesignedWithTheMenuTree) {
    Open();
    EXPECT_EQ(window_->windowTitle(), "Varnimo");
    EXPECT_EQ(Child<QWidget>("client")->size(), QSize(660, 424));
    EXPECT_EQ(window_->minimumSize(), window_->maximumSize());
    EXPECT_FALSE(window_->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window_->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(window_->focusWidget(), Child<QLineEdit>("searchBox"));

    // Tab moves through the controls that take focus in the designed order.
    QStringList tab_order;
    QWidget* widget = List();
    do {
        if (widget->focusPolicy() & Qt::TabFocus)
            tab_order << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != List());
    EXPECT_EQ(tab_order, QStringList({"titleList", "runSnes9xButton", "searchBox", "clearButton",
                                      "runZsnesButton", "loadingStatusButton"}));
    EXPECT_EQ(List()->visualRect(List()->model()->index(0, 0)).height(), 13);

    // The Windows fonts where present, else the platform's sans, at the designed sizes.
    const QFontInfo detail_font(Child<QLabel>("genreLabel")->font());
    EXPECT_EQ(detail_font.pointSize(), 9);
    EXPECT_TRUE(QStringList({"Comic Sans MS", "DejaVu Sans"}).contains(detail_font.family()))
        << detail_font.family().toStdString();
    EXPECT_EQ(QFontInfo(List()->font()).pointSize(), 8);

    // Windowed controls lie above every picture and text, the list above the background.
    const QObjectList& order = Child<QWidget>("client")->children();
    EXPECT_LT(order.indexOf(Child<QLabel>("background")), order.indexOf(List()));
    EXPECT_LT(order.indexOf(Child<QLabel>("showingCounter")),
              order.indexOf(Child<QWidget>("screenshotPanel")));

    QStringList menus;
    for (QAction* menu : window_->menuBar()->actions())
        menus << menu->text();
    EXPECT_EQ(menus, QStringList({"&Settings", "Genre", "Player", "Region", "&Help"}));

    // One exclusive group per radio menu, the start entry checked and drawn in bold.
    const struct {
        const char* group;
        int entries;
        const char* start;
    } groups[] = {{"backgroundGroup", 5, "defaultBackgroundAction"},
                  {"showRomsGroup", 3, "showAvailableAction"},
                  {"genreGroup", 20, "allGenresAction"},
                  {"playerGroup", 7, "allPlayersAction"},
                  {"regionGroup", 7, "allRegionsAction"}};
    for (const auto& g : groups) {
        QActionGroup* group = Child<QActionGroup>(g.group);
        EXPECT_EQ(group->actions().size(), g.entries) << g.group;
        EXPECT_TRUE(group->isExclusive()) << g.group;
        EXPECT_EQ(group->checkedAction(), Action(g.start)) << g.group;
        for (QAction* action : group->actions()) {
            EXPECT_EQ(action->font().bold(), action == Action(g.start)) << g.group;
            EXPECT_EQ(action->data().toInt() == -1, action == Action(g.start)) << g.group;
        }
    }
    EXPECT_EQ(Action("jumpAndRunAction")->data().toInt(), 8);
    EXPECT_EQ(Action("jumpAndRunAction")->text(), "Jump 'n Run");
    EXPECT_EQ(Action("twoPlayersSplitScreenAction")->text(), "2P Split");
    EXPECT_EQ(Action("frenchAction")->data().toInt(), 6);
    EXPECT_FALSE(Action("languageHeading")->isEnabled());
    EXPECT_FALSE(Action("languageHeading")->isCheckable());

    // Every dialog entry opens its dialog; the import is offered only for the user's own
    // collection.
    EXPECT_FALSE(Action("importRomFolderAction")->isVisible());
    EXPECT_TRUE(Action("optionsAction")->isEnabled());
    EXPECT_TRUE(Action("aboutAction")->isEnabled());
    EXPECT_TRUE(Action("updateCheckAction")->isEnabled());
}

TEST_F(MainWindowTest, FirstActivationRunsTheStartUpOnceAndNeverAgainOnItsOwn) {
    // While the first notice is up, the window is activated again: nothing nests.
    int scans_seen_while_open = 0;
    test::Desktop().while_open = [&](const test::RecordedBox& box) {
        if (!box.text.startsWith(kScanNotice))
            return;
        ++scans_seen_while_open;
        QApplication::setActiveWindow(window_.get());
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(window_.get(), &activate);
        QTest::qWait(30);
    };
    demo_ = std::make_unique<DemoFolder>();
    window_ = std::make_unique<MainWindow>(test::Desktop());
    EXPECT_EQ(List()->model()->rowCount(), 0);  // nothing is read before the window shows
    window_->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return test::Desktop().Texts().contains(kSaved); }));
    QTest::qWait(50);
    EXPECT_EQ(scans_seen_while_open, 1);
    ASSERT_EQ(test::Desktop().boxes.size(), 2u);
    EXPECT_EQ(
        test::Desktop().boxes[0].text,
        kScanNotice + demo_->RomPath() + " for ROMS - please be patient, this could take a while");
    EXPECT_EQ(test::Desktop().boxes[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(test::Desktop().boxes[0].title, "Varnimo");
    EXPECT_EQ(test::Desktop().boxes[1].icon, QMessageBox::Information);

    EXPECT_EQ(Lines(), QStringList({"Alpha Quest (U)", "beta Racer (E)", "Delta Force (G)",
                                    "Gamma Blocks (J)"}));
    EXPECT_EQ(Caption("showingCounter"), "Showing: 4/4");
    EXPECT_TRUE(Child<QLabel>("showingCounter")->isVisible());
    EXPECT_EQ(Caption("romCountLabel"), "You have 4 of 5 known Roms");
    EXPECT_FALSE(Child<QProgressBar>("progressBar")->isVisible());
    EXPECT_FALSE(Child<QPushButton>("loadingStatusButton")->isVisible());

    // A message box that closes, a hide and show, a new activation: no second start-up.
    test::Desktop().Clear();
    QTest::mouseClick(Child<QPushButton>("runSnes9xButton"), Qt::LeftButton);
    window_->hide();
    window_->show();
    QApplication::setActiveWindow(window_.get());
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(window_.get(), &activate);
    QTest::qWait(50);
    EXPECT_EQ(test::Desktop().Texts(), QStringList({"Please select a ROM first!"}));

    // Settings > Reset runs it again, now from the cache, keeping the filters.
    Action("puzzleAction")->trigger();
    test::Desktop().Clear();
    Action("resetAction")->trigger();
    EXPECT_EQ(test::Desktop().Texts(), QStringList({"Varnimo will use scanned.dat"}));
    EXPECT_TRUE(Action("puzzleAction")->isChecked());
    EXPECT_EQ(Lines(), QStringList({"Gamma Blocks (J)"}));
}

TEST_F(MainWindowTest, MenuChoicesMoveTheCheckMarkAndRefilter) {
    Open();
    Action("puzzleAction")->trigger();
    EXPECT_EQ(Lines(), QStringList({"Gamma Blocks (J)"}));
    EXPECT_EQ(Caption("showingCounter"), "Showing: 1/4");
    EXPECT_TRUE(Action("puzzleAction")->isChecked());
    EXPECT_EQ(Checked("genreGroup"), 1);

    Action("showAllAction")->trigger();  // Show Roms > All: the missing puzzle joins
    EXPECT_EQ(Lines(), QStringList({"Gamma Blocks (J)", "Omega Missing (U)"}));
    EXPECT_EQ(Caption("showingCounter"), "Showing: 2/4");
    Action("showMissingAction")->trigger();
    EXPECT_EQ(Lines(), QStringList({"Omega Missing (U)"}));
    EXPECT_EQ(Checked("showRomsGroup"), 1);

    Action("allGenresAction")->trigger();
    Action("showAvailableAction")->trigger();
    Action("twoPlayersSimultaneousAction")->trigger();
    EXPECT_EQ(Lines(), QStringList({"beta Racer (E)"}));
    Action("allPlayersAction")->trigger();

    Action("usaAction")->trigger();
    EXPECT_EQ(Lines(), QStringList({"Alpha Quest (U)"}));
    Action("germanAction")->trigger();  // a language choice replaces the region choice
    EXPECT_EQ(Lines(), QStringList({"Delta Force (G)"}));
    EXPECT_FALSE(Action("usaAction")->isChecked());
    EXPECT_TRUE(Action("germanAction")->isChecked());
    Action("languageHeading")->trigger();  // the disabled caption line does nothing
    EXPECT_TRUE(Action("germanAction")->isChecked());
    EXPECT_EQ(Lines(), QStringList({"Delta Force (G)"}));
    for (const char* group :
         {"backgroundGroup", "showRomsGroup", "genreGroup", "playerGroup", "regionGroup"}) {
        EXPECT_EQ(Checked(group), 1) << group;
    }
}

TEST_F(MainWindowTest, TypingAndClearRebuildTheList) {
    Open();
    QLineEdit* search = Child<QLineEdit>("searchBox");
    QTest::keyClicks(search, "RACER");
    EXPECT_EQ(Lines(), QStringList({"beta Racer (E)"}));
    EXPECT_EQ(Caption("showingCounter"), "Showing: 1/4");
    search->clear();
    QTest::keyClicks(search, "(u");
    EXPECT_EQ(Lines(), QStringList({"Alpha Quest (U)"}));

    QTest::mouseClick(Child<QPushButton>("clearButton"), Qt::LeftButton);
    EXPECT_TRUE(search->text().isEmpty());
    EXPECT_EQ(Lines().size(), 4);
    EXPECT_EQ(Caption("showingCounter"), "Showing: 4/4");
}

TEST_F(MainWindowTest, ASelectionShowsDetailsAndTicksAlternateTheScreenshots) {
    Open({.interval = 80});
    ClickLine(0);  // Alpha Quest (U)
    EXPECT_EQ(window_->Logic().CurrentBrowser().SelectedRow(), 1);
    EXPECT_EQ(Caption("fileSizeLabel"), "Size:  2 kbyte");
    EXPECT_EQ(Caption("genreLabel"), "Genre: Jump-n-Run");
    EXPECT_EQ(Caption("playerLabel"), "Player: 1 Player");
    EXPECT_TRUE(NearColour(ScreenColour(), test::kAlphaTitle));
    EXPECT_EQ(ScreenImage().size(), QSize(253, 213));

    // Ticks: the title screen again, then the in-game one, then back.
    ASSERT_TRUE(WaitForScreen(test::kAlphaIngame));
    ASSERT_TRUE(WaitForScreen(test::kAlphaTitle));

    // A keyboard move runs the same update (beta's title shot is a .JPEG, in-game a .bmp).
    QTest::keyClick(List()->viewport(), Qt::Key_Down);
    EXPECT_EQ(window_->Logic().CurrentBrowser().SelectedRow(), 3);
    EXPECT_EQ(Caption("fileSizeLabel"), "Size:  1024 kbyte");
    EXPECT_EQ(Caption("playerLabel"), "Player: 2P Simultan");
    ASSERT_TRUE(WaitForScreen(test::kBetaIngame));
    ASSERT_TRUE(WaitForScreen(test::kBetaTitle));

    // A shot that is missing shows the stored no-picture image.
    QTest::mouseClick(Child<QPushButton>("clearButton"), Qt::LeftButton);
    ClickLine(3);  // Gamma Blocks (J): no in-game shot
    const QImage no_image = LoadStoredPicture(":/pictures/no_image.jpg", QSize(253, 213))
                                .convertToFormat(QImage::Format_RGB32);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return ScreenImage().convertToFormat(QImage::Format_RGB32) == no_image; }, 2000));
}

// The list as a screen reader sees it: its titles, the chosen one selected and the caret's
// line focused, every move told. Keys work as in a list box (focus by Tab puts the caret on
// the first title and the first Down chooses it), and each choice runs the window's update.
TEST_F(MainWindowTest, TheTitleListIsReadAndDrivenThroughAccessibility) {
    if (qEnvironmentVariableIsSet("VARNIMO_EXPECT_ACCESSIBILITY_BUS")) {
        ASSERT_TRUE(QTest::qWaitFor([] { return ListAnnouncements::Hears(); }))
            << "no accessibility bus came up";
    }
    Open();
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window_->isActiveWindow(); }));
    ListAnnouncements told(List());
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(List());
    ASSERT_NE(list, nullptr);
    ASSERT_NE(list->tableInterface(), nullptr);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(list->text(QAccessible::Name), "Roms");
    const QLineEdit* search = window_->findChild<QLineEdit*>("searchBox");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(const_cast<QLineEdit*>(search))
                  ->text(QAccessible::Name),
              "Search");
    const auto names = [&] {
        QStringList names;
        for (int line = 0; line < list->childCount(); ++line) {
            const QAccessibleInterface* child = list->child(line);
            names << (child != nullptr ? child->text(QAccessible::Name) : "(none)");
        }
        return names;
    };
    EXPECT_EQ(names(), QStringList({"Alpha Quest (U)", "beta Racer (E)", "Delta Force (G)",
                                    "Gamma Blocks (J)"}));

    const auto key = [this](Qt::Key pressed) {
        return [this, pressed] { QTest::keyClick(List(), pressed); };
    };
    const struct {
        const char* what;
        std::function<void()> act;
        int selected;  // -1: none
        int focused;
        std::vector<std::string> told;
    } steps[] = {
        {"Tab into the list",
         [&] {
             Child<QPushButton>("runZsnesButton")->setFocus();  // the control before the list
             QTest::keyClick(Child<QPushButton>("runZsnesButton"), Qt::Key_Tab);
         },
         -1,
         0,
         {"focus 0", "focus -1"}},
        {"first Down", key(Qt::Key_Down), 0, 0, {"select 0"}},
        {"Down", key(Qt::Key_Down), 1, 1, {"select 1", "unselect 0", "focus 1"}},
        {"End", key(Qt::Key_End), 3, 3, {"select 3", "unselect 1", "focus 3"}},
        {"PageUp", key(Qt::Key_PageUp), 0, 0, {"select 0", "unselect 3", "focus 0"}},
        {"Up on the first line", key(Qt::Key_Up), 0, 0, {}},
        {"PageDown", key(Qt::Key_PageDown), 3, 3, {"select 3", "unselect 0", "focus 3"}},
        {"Home", key(Qt::Key_Home), 0, 0, {"select 0", "unselect 3", "focus 0"}},
        {"click", [&] { ClickLine(2); }, 2, 2, {"focus 2", "select 2", "unselect 0"}},
        {"choose through the table",
         [&] { list->tableInterface()->selectRow(1); },
         1,
         1,
         {"select 1", "unselect 2", "focus 1"}},
        {"the line's own action",
         [&] {
             list->child(3)->actionInterface()->doAction(
                 QAccessibleActionInterface::toggleAction());
         },
         3,
         3,
         {"select 3", "unselect 1", "focus 3"}},
        {"rebuild", [&] { Action("showAllAction")->trigger(); }, -1, -1, {"reset"}},
        {"End after the rebuild", key(Qt::Key_End), 4, 4, {"select 4", "focus 4"}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        if (ListAnnouncements::Hears()) {
            EXPECT_EQ(told.Take(), step.told);
        }
        for (int line = 0; line < list->childCount(); ++line) {
            const QAccessible::State state = list->child(line)->state();
            EXPECT_EQ(bool(state.selected), line == step.selected) << "line " << line;
            EXPECT_EQ(bool(state.focused), line == step.focused) << "line " << line;
        }
        QAccessibleInterface* focus = list->focusChild();
        EXPECT_EQ(focus != nullptr ? list->indexOfChild(focus) : -1, step.focused);
        EXPECT_EQ(window_->Logic().CurrentBrowser().SelectedLine(), step.selected);
    }
    EXPECT_EQ(names(), QStringList({"Alpha Quest (U)", "beta Racer (E)", "Delta Force (G)",
                                    "Gamma Blocks (J)", "Omega Missing (U)"}));
    EXPECT_EQ(Caption("genreLabel"), "Genre: Puzzle");  // Omega, chosen by End
}

TEST_F(MainWindowTest, ARebuildClearsTheSelectionAndTheNextTickShowsThePlaceholders) {
    Open({.interval = 80});
    ClickLine(1);
    ASSERT_EQ(window_->Logic().CurrentBrowser().SelectedLine(), 1);
    QTest::keyClicks(Child<QLineEdit>("searchBox"), "a");
    EXPECT_EQ(window_->SelectedLine(), -1);
    EXPECT_EQ(window_->Logic().CurrentBrowser().SelectedLine(), -1);

    const QImage default_screen =
        LoadStoredPicture(":/pictures/default_screen.jpg", QSize(253, 213))
            .convertToFormat(QImage::Format_RGB32);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return ScreenImage().convertToFormat(QImage::Format_RGB32) == default_screen; }));
    EXPECT_EQ(Caption("fileSizeLabel"), "Size: - select Rom -");
    EXPECT_EQ(Caption("genreLabel"), "Genre: - select Rom -");
    EXPECT_EQ(Caption("playerLabel"), "Player: - select Rom -");
}

TEST_F(MainWindowTest, CtrlOnTheSelectedTitleKeepsItSelected) {
    Open();
    ClickLine(0);
    const QPoint line = List()->visualRect(List()->model()->index(0, 0)).center();
    const std::function<void()> ctrl_on_it[] = {
        [&] { QTest::mouseClick(List()->viewport(), Qt::LeftButton, Qt::ControlModifier, line); },
        [&] { QTest::keyClick(List()->viewport(), Qt::Key_Space, Qt::ControlModifier); }};
    for (const auto& action : ctrl_on_it) {
        action();
        EXPECT_EQ(window_->SelectedLine(), 0);
        EXPECT_EQ(window_->Logic().CurrentBrowser().SelectedLine(), 0);
        EXPECT_EQ(Caption("genreLabel"), "Genre: Jump-n-Run");
    }
    QTest::mouseClick(Child<QPushButton>("runSnes9xButton"), Qt::LeftButton);
    EXPECT_TRUE(test::Desktop().boxes.empty()) << test::Desktop().Texts().join(" | ").toStdString();
    EXPECT_EQ(test::Desktop().starts.size(), 1u);

    // Ctrl with a click on another title still moves the selection there.
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      List()->visualRect(List()->model()->index(1, 0)).center());
    EXPECT_EQ(window_->SelectedLine(), 1);
    EXPECT_EQ(window_->Logic().CurrentBrowser().SelectedLine(), 1);
}

TEST_F(MainWindowTest, RunButtonsStartTheSelectedRomOrAskForOne) {
    Open();
    QTest::mouseClick(Child<QPushButton>("runZsnesButton"), Qt::LeftButton);
    EXPECT_EQ(test::Desktop().Texts(), QStringList({"Please select a ROM first!"}));
    EXPECT_EQ(test::Desktop().boxes[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(test::Desktop().starts.empty());

    test::Desktop().Clear();
    ClickLine(0);
    QTest::mouseClick(Child<QPushButton>("runSnes9xButton"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>("runZsnesButton"), Qt::LeftButton);
    ASSERT_EQ(test::Desktop().starts.size(), 2u);
    const QStringList rom = {demo_->RomPath() + "Alpha Quest (U).zip"};
    EXPECT_EQ(test::Desktop().starts[0].program, demo_->Snes9xPath() + "snes9x");
    EXPECT_EQ(test::Desktop().starts[0].arguments, rom);
    EXPECT_EQ(test::Desktop().starts[1].program, demo_->ZsnesPath() + "zsnesw");
    EXPECT_EQ(test::Desktop().starts[1].arguments, rom);
    EXPECT_TRUE(test::Desktop().boxes.empty());
}

// A double-click on a title and Enter in the list are "Run with Snes9X": the same start, and
// the same box when nothing is chosen. Other buttons and the empty part of the list do
// nothing.
TEST_F(MainWindowTest, ADoubleClickOrEnterInTheListRunsSnes9X) {
    Open();
    const QString rom = demo_->RomPath();
    // As the window system sends it: a click, then the second press as a double-click, and its
    // release.
    const auto double_click = [&](Qt::MouseButton button, QPoint at) {
        QTest::mouseClick(List()->viewport(), button, {}, at);
        QTest::mouseDClick(List()->viewport(), button, {}, at);
        QTest::mouseRelease(List()->viewport(), button, {}, at);
    };
    const auto line_centre = [&](int line) {
        return List()->visualRect(List()->model()->index(line, 0)).center();
    };
    const struct {
        const char* what;
        std::function<void()> act;
        QString started;  // the ROM started, or empty
        QStringList boxes;
    } steps[] = {
        {"Enter with nothing chosen",
         [&] { QTest::keyClick(List(), Qt::Key_Return); },
         "",
         {"Please select a ROM first!"}},
        {"double-click on a title",
         [&] { double_click(Qt::LeftButton, line_centre(1)); },
         rom + "beta Racer (E).zip",
         {}},
        {"right double-click", [&] { double_click(Qt::RightButton, line_centre(3)); }, "", {}},
        {"double-click below the last title",
         [&] { double_click(Qt::LeftButton, QPoint(20, List()->viewport()->height() - 3)); },
         "",
         {}},
        {"Enter on the chosen title",
         [&] {
             ClickLine(0);
             QTest::keyClick(List(), Qt::Key_Return);
         },
         rom + "Alpha Quest (U).zip",
         {}},
        {"Enter of the keypad after a move",
         [&] {
             QTest::keyClick(List(), Qt::Key_Down);
             QTest::keyClick(List(), Qt::Key_Enter, Qt::KeypadModifier);
         },
         rom + "beta Racer (E).zip",
         {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        test::Desktop().Clear();
        step.act();
        EXPECT_EQ(test::Desktop().Texts(), step.boxes);
        if (step.started.isEmpty()) {
            EXPECT_TRUE(test::Desktop().starts.empty());
            continue;
        }
        ASSERT_EQ(test::Desktop().starts.size(), 1u);
        EXPECT_EQ(test::Desktop().starts[0].program, demo_->Snes9xPath() + "snes9x");
        EXPECT_EQ(test::Desktop().starts[0].arguments, QStringList({step.started}));
    }
}

TEST_F(MainWindowTest, ABrokenScreenshotIsReportedAndThePictureStays) {
    Open();
    ClickLine(0);
    ASSERT_TRUE(NearColour(ScreenColour(), test::kAlphaTitle));
    ClickLine(2);  // Delta Force (G): its title shot is not a picture
    ASSERT_FALSE(test::Desktop().boxes.empty());
    EXPECT_EQ(test::Desktop().boxes[0].title, "Varnimo");
    EXPECT_TRUE(test::Desktop().boxes[0].text.startsWith(QString::fromUtf8("Ungültiges Bild")))
        << test::Desktop().boxes[0].text.toStdString();
    EXPECT_TRUE(NearColour(ScreenColour(), test::kAlphaTitle));
    EXPECT_EQ(Caption("genreLabel"), "Genre: Shooter");
    EXPECT_EQ(Caption("fileSizeLabel"), "Size:  0 kbyte");
}

TEST_F(MainWindowTest, BackgroundsSwapAndExitCloses) {
    Open();
    const auto background = [&] {
        return Child<QLabel>("background")
            ->pixmap()
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    const auto stored = [](const char* name) {
        return LoadStoredPicture(QStringLiteral(":/pictures/") + name, QSize(665, 426))
            .convertToFormat(QImage::Format_RGB32);
    };
    EXPECT_EQ(background(), stored("background_default.jpg"));
    Action("starShipBackgroundAction")->trigger();
    EXPECT_EQ(background(), stored("background_starship.jpg"));
    EXPECT_TRUE(Action("starShipBackgroundAction")->isChecked());
    // The entry already checked copies its picture again.
    Child<QLabel>("background")->clear();
    Action("starShipBackgroundAction")->trigger();
    EXPECT_EQ(background(), stored("background_starship.jpg"));
    EXPECT_TRUE(Action("starShipBackgroundAction")->isChecked());
    Action("roseBackgroundAction")->trigger();
    EXPECT_EQ(background(), stored("background_rose.jpg"));
    Action("defaultBackgroundAction")->trigger();
    EXPECT_EQ(background(), stored("background_default.jpg"));
    EXPECT_EQ(Checked("backgroundGroup"), 1);

    Action("quitAction")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window_->isVisible(); }));
    EXPECT_TRUE(test::Desktop().boxes.empty());
}

TEST_F(MainWindowTest, ANewRomFolderFromTheOptionsDialogScansNothingWhileTheCacheExists) {
    Open();
    const QByteArray cache = test::ReadFile("scanned.dat");
    QDir().mkdir(demo_->Path("other roms"));
    test::WriteFile(demo_->Path("other roms/Omega Missing (U).zip"), "o");
    struct : FolderBrowser {
        QString Browse(QWidget*, const QString&) override { return folder; }
        QString folder;
    } browser;
    browser.folder = demo_->Path("other roms");
    window_->OptionsWindow().SetFolderBrowser(browser);
    QTest::mouseClick(window_->OptionsWindow().findChild<QPushButton*>("changeRomsButton"),
                      Qt::LeftButton);
    ASSERT_EQ(window_->Logic().Options().rom_folder, (browser.folder + "/").toStdString());

    Action("resetAction")->trigger();
    EXPECT_EQ(test::Desktop().Texts(), QStringList({"Varnimo will use scanned.dat"}));
    EXPECT_EQ(Lines(), QStringList({"Alpha Quest (U)", "beta Racer (E)", "Delta Force (G)",
                                    "Gamma Blocks (J)"}));
    EXPECT_EQ(test::ReadFile("scanned.dat"), cache);
}

TEST_F(MainWindowTest, AMissingCatalogueEndsTheProgram) {
    demo_ = std::make_unique<DemoFolder>(DemoFolder::Settings{.with_catalogue = false});
    window_ = std::make_unique<MainWindow>(test::Desktop());
    window_->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window_->isVisible(); }));
    EXPECT_EQ(test::Desktop().Texts(), QStringList({"Could not load Datafile!"}));
}

TEST_F(MainWindowTest, ProgressBarNeverShowsTheBusyAnimationAndWrapsWhenOverrun) {
    Open();
    QProgressBar* bar = Child<QProgressBar>("progressBar");
    window_->SetProgressRange(0, 0);  // an empty catalogue
    EXPECT_LT(bar->minimum(), bar->maximum());
    EXPECT_EQ(bar->value(), bar->minimum());
    window_->SetProgressRange(0, 2);
    window_->SetProgress(0);
    window_->StepProgress();
    window_->StepProgress();
    EXPECT_EQ(bar->value(), 2);
    window_->StepProgress();  // more cache lines than rows
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(MainWindowTest, TheSlideshowTimerFollowsTheIntervalAndStopsAtZero) {
    Open();
    QTimer* timer = Child<QTimer>("slideshowTimer");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 2000);
    window_->SetTimerInterval(0);
    EXPECT_FALSE(timer->isActive());
    window_->StopTimer();
    window_->StartTimer();
    EXPECT_FALSE(timer->isActive());  // still 0: no ticks
    window_->SetTimerInterval(4'000'000'000u);
    EXPECT_TRUE(timer->isActive());
    EXPECT_GT(timer->interval(), 0);
    window_->StopTimer();
    EXPECT_FALSE(timer->isActive());
}

}  // namespace
}  // namespace varnimo::ui
