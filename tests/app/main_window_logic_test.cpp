#include "app/main_window_logic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/recording_view.h"
#include "rtl/files.h"
#include "rtl/runtime_error.h"
#include "rtl/test_files.h"

namespace varnimo {
namespace {

using testing::ReadBytes;
using testing::RecordingView;
using testing::TempDir;
using testing::WriteBytes;
using Strings = std::vector<std::string>;

// Screenshot names are joined to their folder with one more separator.
const std::string kShots = std::string("shots/") + rtl::kPathSeparator;
#ifdef _WIN32
const std::string kExe = ".exe";
// Replacing a folder by a file is refused: access denied.
constexpr const char* kFolderInTheWay = "E/A-Fehler 5";
#else
const std::string kExe;
constexpr const char* kFolderInTheWay = "E/A-Fehler 21";  // EISDIR
#endif

constexpr const char* kScanNotice =
    "notice: Varnimo will now scan roms/ for ROMS - please be patient, this could take a while";

// A small collection: four catalogue rows, one title twice, three ROMs present as .zip.
class MainWindowLogicTest : public ::testing::Test {
  protected:
    TempDir dir;
    RecordingView view;
    app::MainWindowLogic logic{view};

    void SetUp() override {
        view.Attach(&logic);
        WriteBytes("options.dat", "shots/\r\nroms/\r\nemu9/\r\nemuz/\r\n3000\r\n0\r\n");
        WriteBytes("SNES_screens.dat",
                   "1.5\r\n"
                   "Zeta Quest (E);zeta_t.png;zeta_i.jpg;1;1\r\n"
                   "Alpha Run (U);alpha_t.jpg;alpha_i.png;8;3\r\n"
                   "Missing One (J);m_t.png;;6;2\r\n"
                   "Alpha Run (U);dup_t.png;dup_i.png;2;4\r\n");
        WriteBytes("roms/Zeta Quest (E).zip", std::string(1048576, 'z'));
        WriteBytes("roms/Alpha Run (U).zip", std::string(1000, 'a'));
        WriteBytes("shots/zeta_t.png", "t");
        WriteBytes("shots/zeta_i.jpg", "i");
        WriteBytes("shots/dup_t.png", "d");
    }

    Strings ListedTitles() const {
        Strings titles;
        for (std::int32_t row : view.lines) {
            titles.emplace_back(logic.TitleText(row));
        }
        return titles;
    }
    // Index of the first log entry equal to `entry` at or after `from`, or -1.
    long Find(const std::string& entry, long from = 0) const {
        auto it = std::find(view.log.begin() + from, view.log.end(), entry);
        return it == view.log.end() ? -1 : it - view.log.begin();
    }
    void Select(int line) {
        view.selected_line = line;
        logic.SelectionChanged();
    }
};

TEST_F(MainWindowLogicTest, FirstStartScansWritesTheCacheAndFillsListAndCounters) {
    logic.Reset();
    EXPECT_EQ(view.Boxes(), (Strings{kScanNotice, "info: scanned.dat saved successfully!"}));
    EXPECT_EQ(ListedTitles(), (Strings{"Alpha Run (U)", "Alpha Run (U)", "Zeta Quest (E)"}));
    EXPECT_EQ(view.Caption(app::Control::ShowingCounter), "Showing: 3/3");
    EXPECT_EQ(view.Caption(app::Control::RomCount), "You have 3 of 4 known Roms");
    EXPECT_EQ(ReadBytes("scanned.dat"), "1\r\n1\r\n0\r\n1\r\n");
    EXPECT_EQ(logic.SlideshowInterval(), 3000u);
    EXPECT_EQ(view.timer_interval, 3000u);
    EXPECT_EQ(logic.CurrentCollection().DatabaseVersion(), 1.5);
    EXPECT_EQ(logic.CurrentCollection().AvailableCount(), 3);
    EXPECT_FALSE(view.visible[app::Control::ProgressBar]);
    EXPECT_FALSE(view.visible[app::Control::LoadingStatus]);
    EXPECT_TRUE(view.visible[app::Control::ShowingCounter]);

    long assigning = Find("LoadingStatus = Assigning data...");
    long scanning = Find("LoadingStatus = Scanning...");
    ASSERT_GE(assigning, 0);
    EXPECT_GT(Find("progress range 0..4"), -1);
    EXPECT_LT(Find("progress range 0..4"), assigning);
    EXPECT_LT(assigning, scanning);
    EXPECT_LT(scanning, Find(kScanNotice));
    EXPECT_EQ(view.progress, 4);  // one step per row of the scan
}

TEST_F(MainWindowLogicTest, ResetRereadsTheCatalogueKeepsFiltersAndUsesTheCache) {
    logic.Reset();
    logic.SetFilter(app::MenuGroup::Genre, 8);
    EXPECT_EQ(ListedTitles(), (Strings{"Alpha Run (U)"}));
    view.SetSearchText("zzz");
    EXPECT_TRUE(view.lines.empty());
    WriteBytes("options.dat", "other/\r\n\r\n\r\n\r\n5000\r\n");  // no longer read once loaded
    view.log.clear();

    logic.Reset();
    EXPECT_EQ(view.Boxes(), (Strings{"notice: Varnimo will use scanned.dat"}));
    EXPECT_EQ(view.search_text, "");
    EXPECT_EQ(ListedTitles(), (Strings{"Alpha Run (U)"}));
    EXPECT_EQ(logic.CurrentBrowser().Filters().genre, 8);
    EXPECT_EQ(view.checked[app::MenuGroup::Genre], 8);
    EXPECT_EQ(logic.Options().screen_folder, "shots/");
    EXPECT_EQ(logic.SlideshowInterval(), 3000u);
    EXPECT_EQ(logic.CurrentBrowser().SelectedLine(), -1);
    EXPECT_EQ(Find("lines cleared"), 0);  // the list goes first
}

TEST_F(MainWindowLogicTest, MissingOptionsAreReportedOnEveryRunAndTheWorkingDirectoryServes) {
    std::filesystem::remove("options.dat");
    WriteBytes("Zeta Quest (E).zip", "z");
    logic.Reset();
    EXPECT_EQ(
        view.Boxes(),
        (Strings{
            "error: Could not load Options!",
            "notice: Varnimo will now scan  for ROMS - please be patient, this could take a while",
            "info: scanned.dat saved successfully!"}));
    EXPECT_EQ(ListedTitles(), (Strings{"Zeta Quest (E)"}));
    EXPECT_FALSE(logic.OptionsLoaded());
    EXPECT_EQ(logic.SlideshowInterval(), 2000u);
    view.log.clear();
    logic.Reset();
    EXPECT_EQ(view.Boxes(),
              (Strings{"error: Could not load Options!", "notice: Varnimo will use scanned.dat"}));
}

TEST_F(MainWindowLogicTest, MissingCatalogueQuitsBeforeAnyScan) {
    std::filesystem::remove("SNES_screens.dat");
    logic.Reset();
    EXPECT_EQ(view.Boxes(), (Strings{"error: Could not load Datafile!"}));
    EXPECT_TRUE(view.quit);
    EXPECT_FALSE(std::filesystem::exists("scanned.dat"));
}

TEST_F(MainWindowLogicTest, ABadCacheEndsTheSequenceWithTheListEmptyAndTheNextResetRecovers) {
    WriteBytes("scanned.dat", "1\r\nzz\r\n");
    try {
        logic.Reset();
        FAIL() << "no error";
    } catch (const rtl::ConversionError& error) {
        EXPECT_STREQ(error.what(), "'zz' ist kein gültiger Integerwert");
    }
    EXPECT_TRUE(view.lines.empty());
    EXPECT_TRUE(view.visible[app::Control::LoadingStatus]);
    EXPECT_EQ(view.Caption(app::Control::LoadingStatus), "Scanning...");
    EXPECT_EQ(view.Caption(app::Control::RomCount), "");

    WriteBytes("scanned.dat", "1\r\n0\r\n0\r\n0\r\n");
    logic.Reset();
    EXPECT_EQ(ListedTitles(), (Strings{"Zeta Quest (E)"}));
}

TEST_F(MainWindowLogicTest, ANonIntegerIntervalEndsTheStartUpAfterThePathsAreTaken) {
    WriteBytes("options.dat", "shots/\r\nroms/\r\nemu9/\r\nemuz/\r\n2.5\r\n0\r\n");
    try {
        logic.Reset();
        FAIL() << "no error";
    } catch (const rtl::ConversionError& error) {
        EXPECT_STREQ(error.what(), "'2.5' ist kein gültiger Integerwert");
    }
    EXPECT_EQ(logic.Options().rom_folder, "roms/");
    EXPECT_EQ(logic.Options().zsnes_folder, "emuz/");
    EXPECT_TRUE(logic.OptionsLoaded());
    EXPECT_TRUE(view.lines.empty());
    EXPECT_TRUE(view.Boxes().empty());  // ended before the scan
    EXPECT_EQ(logic.SlideshowInterval(), 2000u);
    EXPECT_EQ(view.timer_interval, 2000u);

    // The next Reset goes on with the paths in memory and leaves the file alone.
    WriteBytes("options.dat", "elsewhere/\r\n\r\n\r\n\r\n5000\r\n0\r\n");
    logic.Reset();
    EXPECT_EQ(logic.Options().rom_folder, "roms/");
    EXPECT_EQ(logic.SlideshowInterval(), 2000u);
    EXPECT_EQ(ListedTitles(), (Strings{"Alpha Run (U)", "Alpha Run (U)", "Zeta Quest (E)"}));
}

TEST_F(MainWindowLogicTest, ABadPackVersionEndsTheResetAndKeepsTheTableAndCounters) {
    logic.Reset();
    WriteBytes("shots/a", "2.5\r\n");
    WriteBytes("shots/c", "x\r\n");
    WriteBytes("SNES_screens.dat", "2\r\nNew;n_t.png;n_i.png;1;1\r\n");  // not reached
    try {
        logic.Reset();
        FAIL() << "no error";
    } catch (const rtl::ConversionError& error) {
        EXPECT_STREQ(error.what(), "'x' ist kein gültiger Gleitkommawert");
    }
    EXPECT_EQ(logic.CurrentCollection().ScreenPackVersions()[0], 2.5);
    EXPECT_EQ(logic.CurrentCollection().DatabaseVersion(), 1.5);
    EXPECT_EQ(logic.CurrentCollection().Table().Size(), 4u);
    EXPECT_TRUE(view.lines.empty());  // the reset empties the list first
    EXPECT_EQ(view.Caption(app::Control::ShowingCounter), "Showing: 3/3");
    EXPECT_EQ(view.Caption(app::Control::RomCount), "You have 3 of 4 known Roms");
}

TEST_F(MainWindowLogicTest, CountersWhenNothingIsListedOrKnown) {
    WriteBytes("roms/Missing One (J).zip", "m");
    logic.Reset();
    logic.SetFilter(app::MenuGroup::ShowRoms, 1);  // Missing, while every ROM is there
    EXPECT_TRUE(view.lines.empty());
    EXPECT_EQ(view.Caption(app::Control::ShowingCounter), "Showing: 0/4");

    WriteBytes("SNES_screens.dat", "1.0\r\n");  // the version line alone
    view.log.clear();
    logic.Reset();
    EXPECT_EQ(view.Boxes(), (Strings{"notice: Varnimo will use scanned.dat"}));
    EXPECT_EQ(view.Caption(app::Control::ShowingCounter), "Showing: 0/0");
    EXPECT_EQ(view.Caption(app::Control::RomCount), "You have 0 of 0 known Roms");
}

TEST_F(MainWindowLogicTest, TheSequenceIsNotReenteredFromItsOwnBoxes) {
    int runs_inside = 0;
    view.on_box = [&](const std::string&) {
        ++runs_inside;
        logic.Reset();
    };
    logic.Reset();
    EXPECT_EQ(runs_inside, 2);  // the scan notice and the saved message, nothing more
    EXPECT_EQ(view.Boxes().size(), 2u);
    view.on_box = nullptr;
    logic.Reset();  // and it runs again once the first run is over
    EXPECT_EQ(view.Boxes().back(), "notice: Varnimo will use scanned.dat");
}

TEST_F(MainWindowLogicTest, SelectionShowsDetailsAndTheSlideshowAlternates) {
    logic.Reset();
    view.log.clear();
    Select(2);
    EXPECT_EQ(logic.CurrentBrowser().SelectedLine(), 2);
    EXPECT_EQ(logic.CurrentBrowser().SelectedRow(), 0);
    EXPECT_EQ(view.Caption(app::Control::FileSize), "Size:  1024 kbyte");
    EXPECT_EQ(view.Caption(app::Control::Genre), "Genre: Puzzle");
    EXPECT_EQ(view.Caption(app::Control::Player), "Player: 1 Player");
    EXPECT_EQ(view.picture, "file " + kShots + "zeta_t.png");
    EXPECT_EQ(Find("timer stop"), 0);
    EXPECT_LT(Find("timer start"), Find("picture file " + kShots + "zeta_t.png"));
    EXPECT_GT(Find("timer start"), Find("Genre = Genre: Puzzle"));

    Strings shown;
    for (int tick = 0; tick < 3; ++tick) {
        logic.SlideshowTick();
        shown.push_back(view.picture);
    }
    EXPECT_EQ(shown, (Strings{"file " + kShots + "zeta_t.png", "file " + kShots + "zeta_i.jpg",
                              "file " + kShots + "zeta_t.png"}));

    view.SetSearchText("alpha");  // a rebuild drops the selection
    EXPECT_EQ(logic.CurrentBrowser().SelectedLine(), -1);
    logic.SlideshowTick();
    EXPECT_EQ(view.Caption(app::Control::FileSize), "Size: - select Rom -");
    EXPECT_EQ(view.Caption(app::Control::Genre), "Genre: - select Rom -");
    EXPECT_EQ(view.Caption(app::Control::Player), "Player: - select Rom -");
    EXPECT_EQ(view.picture, "default");
}

TEST_F(MainWindowLogicTest, DuplicateTitlesResolveToTheLastRowAndMissingShotsShowNoPicture) {
    logic.Reset();
    Select(0);
    EXPECT_EQ(logic.CurrentBrowser().SelectedRow(), 3);
    EXPECT_EQ(view.Caption(app::Control::Genre), "Genre: Demo");
    EXPECT_EQ(view.Caption(app::Control::Player), "Player: 2P Alternate");
    EXPECT_EQ(view.Caption(app::Control::FileSize),
              "Size:  1 kbyte");  // 1000 div 128 = 7; 7 / 8 rounds to 1
    EXPECT_EQ(view.picture, "file " + kShots + "dup_t.png");
    view.visible[app::Control::Screenshot] = false;
    logic.SlideshowTick();
    logic.SlideshowTick();
    EXPECT_EQ(view.picture, "no picture");
    EXPECT_TRUE(view.visible[app::Control::Screenshot]);

    logic.SetFilter(app::MenuGroup::ShowRoms, 2);
    Select(2);  // "Missing One (J)": no ROM, and an empty in-game name names the folder
    EXPECT_EQ(view.Caption(app::Control::FileSize), "Size: - not found -");
    EXPECT_EQ(view.Caption(app::Control::Genre), "Genre: RPG 2D");
    EXPECT_EQ(view.picture, "no picture");
    logic.SetShowMode(settings::kShowIngameOnly);
    Select(2);
    EXPECT_EQ(view.picture, "no picture");
}

TEST_F(MainWindowLogicTest, IngameOnlyNeverShowsTheTitleScreen) {
    logic.Reset();
    logic.SetShowMode(settings::kShowIngameOnly);
    Select(2);
    EXPECT_EQ(view.picture, "file " + kShots + "zeta_i.jpg");
    for (int tick = 0; tick < 3; ++tick) {
        logic.SlideshowTick();
        EXPECT_EQ(view.picture, "file " + kShots + "zeta_i.jpg");
    }
}

TEST_F(MainWindowLogicTest, SizeLineFollowsTheCachedExtensionAndRounding) {
    WriteBytes("scanned.dat", "1\r\n1\r\n2\r\n1\r\n");
    WriteBytes("roms/Missing One (J).smc", std::string(1049088, 's'));
    logic.Reset();
    EXPECT_EQ(ListedTitles(),
              (Strings{"Alpha Run (U)", "Alpha Run (U)", "Missing One (J)", "Zeta Quest (E)"}));
    Select(2);
    EXPECT_EQ(view.Caption(app::Control::FileSize), "Size:  1025 kbyte");
    WriteBytes("roms/Zeta Quest (E).zip", std::string(100, 'z'));
    Select(3);
    EXPECT_EQ(view.Caption(app::Control::FileSize), "Size:  0 kbyte");
}

TEST_F(MainWindowLogicTest, EveryCachedStatusNamesTheFileForSizeAndLaunch) {
    const char* const extensions[] = {".zip", ".smc", ".fig", ".smd", ".sfc", ".swc"};
    for (int status = 1; status <= 6; ++status) {
        const std::string extension = extensions[status - 1];
        SCOPED_TRACE(extension);
        WriteBytes("scanned.dat", "1\r\n1\r\n" + std::to_string(status) + "\r\n1\r\n");
        WriteBytes("roms/Missing One (J)" + extension, std::string(10240 * status, 'm'));
        logic.Reset();
        Select(2);
        EXPECT_EQ(view.Caption(app::Control::FileSize),
                  "Size:  " + std::to_string(10 * status) + " kbyte");
        view.log.clear();
        logic.Launch(app::Emulator::Zsnes);
        EXPECT_EQ(view.log,
                  (Strings{"start emuz/zsnesw" + kExe + " | roms/Missing One (J)" + extension}));
    }
}

TEST_F(MainWindowLogicTest, ARomGoneSinceTheScanFailsAtTheSizeLineWithoutStoppingTheSlideshow) {
    logic.Reset();
    Select(0);
    std::filesystem::remove("roms/Zeta Quest (E).zip");
    view.selected_line = 2;
    EXPECT_THROW(logic.SelectionChanged(), rtl::InOutError);
    EXPECT_EQ(view.Caption(app::Control::Genre), "Genre: Demo");  // not updated
    EXPECT_TRUE(view.timer_enabled);
}

TEST_F(MainWindowLogicTest, AnUndecodableScreenshotFailsOnlyOnTheTicksThatShowIt) {
    logic.Reset();
    view.undecodable.insert(kShots + "zeta_t.png");
    view.selected_line = 2;
    EXPECT_THROW(logic.SelectionChanged(), rtl::ImageError);
    EXPECT_THROW(logic.SlideshowTick(), rtl::ImageError);
    logic.SlideshowTick();
    EXPECT_EQ(view.picture, "file " + kShots + "zeta_i.jpg");
    EXPECT_THROW(logic.SlideshowTick(), rtl::ImageError);
}

TEST_F(MainWindowLogicTest, LaunchNeedsASelectionAndPassesThePathAsOneArgument) {
    logic.Reset();
    logic.Launch(app::Emulator::Snes9x);
    EXPECT_EQ(view.Boxes().back(), "error: Please select a ROM first!");
    Select(2);
    view.log.clear();
    logic.Launch(app::Emulator::Snes9x);
    logic.Launch(app::Emulator::Zsnes);
    EXPECT_EQ(view.log, (Strings{"start emu9/snes9x" + kExe + " | roms/Zeta Quest (E).zip",
                                 "start emuz/zsnesw" + kExe + " | roms/Zeta Quest (E).zip"}));
#ifndef _WIN32
    // The Linux builds' names, when the folder holds them instead.
    WriteBytes("emu9/snes9x-gtk", "");
    WriteBytes("emuz/zsnes", "");
    view.log.clear();
    logic.Launch(app::Emulator::Snes9x);
    logic.Launch(app::Emulator::Zsnes);
    EXPECT_EQ(view.log, (Strings{"start emu9/snes9x-gtk | roms/Zeta Quest (E).zip",
                                 "start emuz/zsnes | roms/Zeta Quest (E).zip"}));
    std::filesystem::remove("emu9/snes9x-gtk");
    std::filesystem::remove("emuz/zsnes");
#endif

    logic.SetFilter(app::MenuGroup::ShowRoms, 1);
    Select(0);
    view.log.clear();
    logic.Launch(app::Emulator::Snes9x);
    EXPECT_EQ(view.log, (Strings{"start emu9/snes9x" + kExe + " | roms/Missing One (J)"}));

    view.SetSearchText("x");
    view.log.clear();
    logic.Launch(app::Emulator::Zsnes);
    EXPECT_EQ(view.log, (Strings{"error: Please select a ROM first!"}));
}

TEST_F(MainWindowLogicTest, ASelectedLineOutsideTheListNamesNoRow) {
    logic.Reset();
    Select(99);
    EXPECT_EQ(logic.CurrentBrowser().SelectedRow(), -1);
    EXPECT_EQ(view.picture, "default");
    EXPECT_EQ(view.Caption(app::Control::FileSize), "Size: - select Rom -");
    logic.SlideshowTick();
    logic.Launch(app::Emulator::Snes9x);
    EXPECT_EQ(view.Boxes().back(), "error: Please select a ROM first!");
    EXPECT_EQ(logic.TitleText(99), "");
    EXPECT_EQ(logic.TitleText(-1), "");
}

TEST_F(MainWindowLogicTest, AFailedResetOnAShorterCatalogueLeavesNoStaleSelection) {
    logic.Reset();
    Select(2);
    WriteBytes("SNES_screens.dat", "1\r\nOnly;a;b;1;1\r\n");
    WriteBytes("scanned.dat", "bad\r\n");
    EXPECT_THROW(logic.Reset(), rtl::ConversionError);
    EXPECT_EQ(logic.CurrentBrowser().SelectedLine(), -1);
    logic.SlideshowTick();
    EXPECT_EQ(view.picture, "default");
    // The list is rebuilt from the new, shorter table; row 0 kept its old status.
    view.SetSearchText("o");
    EXPECT_EQ(ListedTitles(), (Strings{"Only"}));
    logic.SetFilter(app::MenuGroup::ShowRoms, 2);
    EXPECT_EQ(ListedTitles(), (Strings{"Only"}));
}

TEST_F(MainWindowLogicTest, MenusMoveTheirCheckMarkAndSetTheirFilter) {
    logic.Reset();
    view.log.clear();
    logic.SetFilter(app::MenuGroup::Region, 2);
    EXPECT_EQ(logic.CurrentBrowser().Filters().region, "(U)");
    EXPECT_EQ(ListedTitles(), (Strings{"Alpha Run (U)", "Alpha Run (U)"}));
    logic.SetFilter(app::MenuGroup::Region, 4);
    EXPECT_EQ(view.checked[app::MenuGroup::Region], 4);
    EXPECT_EQ(logic.CurrentBrowser().Filters().region, "(G)");
    EXPECT_LT(Find("checked 4 4"), Find("lines 0"));
    logic.SetFilter(app::MenuGroup::Region, 9);  // no marker for this Tag: the old one stays
    EXPECT_EQ(logic.CurrentBrowser().Filters().region, "(G)");
    logic.SetFilter(app::MenuGroup::Region, -1);
    EXPECT_EQ(ListedTitles().size(), 3u);

    logic.SetFilter(app::MenuGroup::Player, 3);
    EXPECT_EQ(ListedTitles(), (Strings{"Alpha Run (U)"}));
    logic.SetFilter(app::MenuGroup::Player, -1);
    logic.SetFilter(app::MenuGroup::ShowRoms, 1);
    EXPECT_EQ(ListedTitles(), (Strings{"Missing One (J)"}));
    EXPECT_EQ(view.Caption(app::Control::ShowingCounter), "Showing: 1/3");
    logic.SetFilter(app::MenuGroup::ShowRoms, 2);
    EXPECT_EQ(view.Caption(app::Control::ShowingCounter), "Showing: 4/3");

    view.SetSearchText("ZETA");
    EXPECT_EQ(ListedTitles(), (Strings{"Zeta Quest (E)"}));
    logic.ClearSearch();
    EXPECT_EQ(view.search_text, "");
    EXPECT_EQ(ListedTitles().size(), 4u);
}

TEST_F(MainWindowLogicTest, BackgroundsAndExit) {
    logic.ChooseBackground(4);
    logic.ChooseBackground(-1);
    EXPECT_EQ(view.checked[app::MenuGroup::Background], -1);
    EXPECT_EQ(view.background, -1);
    logic.ChooseBackground(3);
    logic.ChooseBackground(7);  // no picture for this Tag
    EXPECT_EQ(view.checked[app::MenuGroup::Background], 7);
    EXPECT_EQ(view.background, 3);
    logic.Quit();
    EXPECT_TRUE(view.quit);
    EXPECT_FALSE(std::filesystem::exists("scanned.dat"));  // nothing is written on the way out
}

TEST_F(MainWindowLogicTest, FoldersWhereDataFilesBelongAreNoDataFiles) {
    std::filesystem::create_directory("scanned.dat");  // not a cache: scan, then fail to replace it
    try {
        logic.Reset();
        FAIL() << "no error";
    } catch (const rtl::InOutError& error) {
        EXPECT_STREQ(error.what(), kFolderInTheWay);
    }
    EXPECT_EQ(view.Boxes(), (Strings{kScanNotice}));
    EXPECT_EQ(logic.CurrentCollection().Table().scan_status,
              (std::vector<std::int32_t>{1, 1, 0, 1}));  // set in memory
    EXPECT_TRUE(std::filesystem::is_directory("scanned.dat"));
    EXPECT_EQ(dir.Listing(), "SNES_screens.dat options.dat roms scanned.dat shots ");

    std::filesystem::remove("SNES_screens.dat");
    std::filesystem::create_directory("SNES_screens.dat");
    view.log.clear();
    logic.Reset();
    EXPECT_EQ(view.Boxes(), (Strings{"error: Could not load Datafile!"}));
    EXPECT_EQ(logic.CurrentCollection().Table().Size(),
              0u);  // a Reset without catalogue leaves no rows behind
}

TEST_F(MainWindowLogicTest, IntervalZeroFromTheOptionsFile) {
    WriteBytes("options.dat", "shots/\r\nroms/\r\n\r\n\r\n0\r\n");
    logic.Reset();
    EXPECT_EQ(logic.SlideshowInterval(), 0u);
    EXPECT_EQ(view.timer_interval, 0u);
    logic.SetSlideshowInterval(4000);
    EXPECT_EQ(logic.SlideshowInterval(), 4000u);
    EXPECT_EQ(view.timer_interval, 4000u);
}

}  // namespace
}  // namespace varnimo
