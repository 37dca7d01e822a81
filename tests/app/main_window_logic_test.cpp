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
    app::MainWindowLogic unit{view};

    void SetUp() override {
        view.Attach(&unit);
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
            titles.emplace_back(unit.TitleText(row));
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
        unit.SelectionChanged();
    }
};

TEST_F(MainWindowLogicTest, FirstStartScansWritesTheCacheAndFillsListAndCounters) {
    unit.Reset();
    EXPECT_EQ(view.Boxes(), (Strings{kScanNotice, "info: scanned.dat saved successfully!"}));
    EXPECT_EQ(ListedTitles(), (Strings{"Alpha Run (U)", "Alpha Run (U)", "Zeta Quest (E)"}));
    EXPECT_EQ(view.Caption(app::Control::ShowingCounter), "Showing: 3/3");
    EXPECT_EQ(view.Caption(app::Control::RomCount), "You have 3 of 4 known Roms");
    EXPECT_EQ(ReadBytes("scanned.dat"), "1\r\n1\r\n0\r\n1\r\n");
    EXPECT_EQ(unit.SlideshowInterval(), 3000u);
    EXPECT_EQ(view.timer_interval, 3000u);
    EXPECT_EQ(unit.CurrentCollection().DatabaseVersion(), 1.5);
    EXPECT_EQ(unit.CurrentCollection().AvailableCount(), 3);
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
    unit.Reset();
    unit.SetFilter(app::MenuGroup::Genre, 8);
    EXPECT_EQ(ListedTitles(), (Strings{"Alpha Run (U)"}));
    view.SetSearchText("zzz");
    EXPECT_TRUE(view.lines.empty());
    WriteBytes("options.dat", "other/\r\n\r\n\r\n\r\n5000\r\n");  // no longer read once loaded
    view.log.clear();

    unit.Reset();
    EXPECT_EQ(view.Boxes(), (Strings{"notice: Varnimo will use scanned.dat"}));
    EXPECT_EQ(view.search_text, "");
    EXPECT_EQ(ListedTitles(), (Strings{"Alpha Run (U)"}));
    EXPECT_EQ(unit.CurrentBrowser().Filters().genre, 8);
    EXPECT_EQ(view.checked[app::MenuGroup::Genre], 8);
    EXPECT_EQ(unit.Options().screen_folder, "shots/");
    EXPECT_EQ(unit.SlideshowInterval(), 3000u);
    EXPECT_EQ(unit.CurrentBrowser().SelectedLine(), -1);
    EXPECT_EQ(Find("lines cleared"), 0);  // the list goes first
}

TEST_F(MainWindowLogicTest, MissingOptionsAreReportedOnEveryRunAndTheWorkingDirectoryServes) {
    std::filesystem::remove("options.dat");
    WriteBytes("Zeta Quest (E).zip", "z");
    unit.Reset();
    EXPECT_EQ(
        view.Boxes(),
        (Strings{
            "error: Could not load Options!",
            "notice: Varnimo will now scan  for ROMS - please be patient, this could take a while",
            "info: scanned.dat saved successfully!"}));
    EXPECT_EQ(ListedTitles(), (Strings{"Zeta Quest (E)"}));
    EXPECT_FALSE(unit.OptionsLoaded());
    EXPECT_EQ(unit.SlideshowInterval(), 2000u);
    view.log.clear();
    unit.Reset();
    EXPECT_EQ(view.Boxes(),
              (Strings{"error: Could not load Options!", "notice: Varnimo will use scanned.dat"}));
}

TEST_F(MainWindowLogicTest, MissingCatalogueQuitsBeforeAnyScan) {
    std::filesystem::remove("SNES_screens.dat");
    unit.Reset();
    EXPECT_EQ(view.Boxes(), (Strings{"error: Could not load Datafile!"}));
    EXPECT_TRUE(view.quit);
    EXPECT_FALSE(std::filesystem::exists("scanned.dat"));
}

TEST_F(MainWindowLogicTest, ABadCacheEndsTheSequenceWithTheListEmptyAndTheNextResetRecovers) {
    WriteBytes("scanned.dat", "1\r\nzz\r\n");
    try {
        unit.Reset();
        FAIL() << "no error";
    } catch (const rtl::ConversionError& error) {
        EXPECT_STREQ(error.what(), "'zz' ist kein gültiger Integerwert");
    }
    EXPECT_TRUE(view.lines.empty());
    EXPECT_TRUE(view.visible[app::Control::LoadingStatus]);
    EXPECT_EQ(view.Caption(app::Control::LoadingStatus), "Scanning...");
    EXPECT_EQ(view.Caption(app::Control::RomCount), "");

    WriteBytes("scanned.dat", "1\r\n0\r\n0\r\n0\r\n");
    unit.Reset();
    EXPECT_EQ(ListedTitles(), (Strings{"Zeta Quest (E)"}));
}

TEST_F(MainWindowLogicTest, ANonIntegerIntervalEndsTheStartUpAfterThePathsAreTaken) {
    WriteBytes("options.dat", "shots/\r\nroms/\r\nemu9/\r\nemuz/\r\n2.5\r\n0\r\n");
    try {
        unit.Reset();
        FAIL() << "no error";
    } catch (const rtl::ConversionError& error) {
        EXPECT_STREQ(error.what(), "'2.5' ist kein gültiger Integerwert");
    }
    EXPECT_EQ(unit.Options().rom_folder, "roms/");
    EXPECT_EQ(unit.Options().zsnes_folder, "emuz/");
    EXPECT_TRUE(unit.OptionsLoaded());
    EXPECT_TRUE(view.lines.empty());
    EXPECT_TRUE(view.Boxes().empty());  // ended before the scan
    EXPECT_EQ(unit.SlideshowInterval(), 2000u);
    EXPECT_EQ(view.timer_interval, 2000u);

    // The next Reset goes on with the paths in memory and leaves the file alone.
    WriteBytes("options.dat", "elsewhere/\r\n\r\n\r\n\r\n5000\r\n0\r\n");
    unit.Reset();
    EXPECT_EQ(unit.Options().rom_folder, "roms/");
    EXPECT_EQ(unit.SlideshowInterval(), 2000u);
    EXPECT_EQ(ListedTitles(), (Strings{"Alpha Run (U)", "Alpha Run (U)", "Zeta Quest (E)"}));
}

TEST_F(MainWindowLogicTest, ABadPackVersionEndsTheResetAndKeepsTheTableAndCounters) {
    unit.Reset();
    WriteBytes("shots/a", "2.5\r\n");
    WriteBytes("shots/c", "x\r\n");
    WriteBytes("SNES_screens.dat", "2\r\nNew;n_t.png;n_i.png;1;1\r\n");  // not reached
    try {
        unit.Reset();
        FAIL() << "no error";
    } catch (const rtl::ConversionError& error) {
        EXPECT_STREQ(error.what(), "'x' ist kein gültiger Gleitkommawert");
    }
    EXPECT_EQ(unit.CurrentCollection().ScreenPackVersions()[0], 2.5);
    EXPECT_EQ(unit.CurrentCollection().DatabaseVersion(), 1.5);
    EXPECT_EQ(unit.CurrentCollection().Table().Size(), 4u);
    EXPECT_TRUE(view.lines.empty());  // the reset empties the list first
    EXPECT_EQ(view.Caption(app::Control::ShowingCounter), "Showing: 3/3");
    EXPECT_EQ(view.Caption(app::Control::RomCount), "You have 3 of 4 known Roms");
}

TEST_F(MainWindowLogicTest, CountersWhenNothingIsListedOrKnown) {
    WriteBytes("roms/Missing One (J).zip", "m");
    unit.Reset();
    unit.SetFilter(app::MenuGroup::ShowRoms, 1);  // Missing, while every ROM is there
    EXPECT_TRUE(view.lines.empty());
    EXPECT_EQ(view.Caption(app::Control::ShowingCounter), "Showing: 0/4");

    WriteBytes("SNES_screens.dat", "1.0\r\n");  // the version line alone
    view.log.clear();
    unit.Reset();
    EXPECT_EQ(view.Boxes(), (Strings{"notice: Varnimo will use scanned.dat"}));
    EXPECT_EQ(view.Caption(app::Control::ShowingCounter), "Showing: 0/0");
    EXPECT_EQ(view.Caption(app::Control::RomCount), "You have 0 of 0 known Roms");
}

TEST_F(MainWindowLogicTest, TheSequenceIsNotReenteredFromItsOwnBoxes) {
    int runs_inside = 0;
    view.on_box = [&](const std::string&) {
        ++runs_inside;
        unit.Reset();
    };
    unit.Reset();
    EXPECT_EQ(runs_inside, 2);  // the scan notice and the saved message, nothing more
    EXPECT_EQ(view.Boxes().size(), 2u);
    view.on_box = nullptr;
    unit.Reset();  // and it runs again once the first run is over
    EXPECT_EQ(view.Boxes().back(), "notice: Varnimo will use scanned.dat");
}

TEST_F(MainWindowLogicTest, SelectionShowsDetailsAndTheSlideshowAlternates) {
    unit.Reset();
    view.log.clear();
    Select(2);
    EXPECT_EQ(unit.CurrentBrowser().SelectedLine(), 2);
    EXPECT_EQ(unit.CurrentBrowser().SelectedRow(), 0);
    EXPECT_EQ(view.Caption(app::Control::FileSize), "Size:  1024 kbyte");
    EXPECT_EQ(view.Caption(app::Control::Genre), "Genre: Puzzle");
    EXPECT_EQ(view.Caption(app::Control::Player), "Player: 1 Player");
    EXPECT_EQ(view.picture, "file " + kShots + "zeta_t.png");
    EXPECT_EQ(Find("timer stop"), 0);
    EXPECT_LT(Find("timer start"), Find("picture file " + kShots + "zeta_t.png"));
    EXPECT_GT(Find("timer start"), Find("Genre = Genre: Puzzle"));

    Strings shown;
    for (int tick = 0; tick < 3; ++tick) {
        unit.SlideshowTick();
        shown.push_back(view.picture);
    }
    EXPECT_EQ(shown, (Strings{"file " + kShots + "zeta_t.png", "file " + kShots + "zeta_i.jpg",
                              "file " + kShots + "zeta_t.png"}));

    view.SetSearchText("alpha");  // a rebuild drops the selection
    EXPECT_EQ(unit.CurrentBrowser().SelectedLine(), -1);
    unit.SlideshowTick();
    EXPECT_EQ(view.Caption(app::Control::FileSize), "Size: - select Rom -");
    EXPECT_EQ(view.Caption(app::Control::Genre), "Genre: - select Rom -");
    EXPECT_EQ(view.Caption(app::Control::Player), "Player: - select Rom -");
    EXPECT_EQ(view.picture, "default");
}

TEST_F(MainWindowLogicTest, DuplicateTitlesResolveToTheLastRowAndMissingShotsShowNoPicture) {
    unit.Reset();
    Select(0);
    EXPECT_EQ(unit.CurrentBrowser().SelectedRow(), 3);
    EXPECT_EQ(view.Caption(app::Control::Genre), "Genre: Demo");
    EXPECT_EQ(view.Caption(app::Control::Player), "Player: 2P Alternate");
    EXPECT_EQ(view.Caption(app::Control::FileSize),
              "Size:  1 kbyte");  // 1000 div 128 = 7; 7 / 8 rounds to 1
    EXPECT_EQ(view.picture, "file " + kShots + "dup_t.png");
    view.visible[app::Control::Screenshot] = false;
    unit.SlideshowTick();
    unit.SlideshowTick();
    EXPECT_EQ(view.picture, "no picture");
    EXPECT_TRUE(view.visible[app::Control::Screenshot]);

    unit.SetFilter(app::MenuGroup::ShowRoms, 2);
    Select(2);  // "Missing One (J)": no ROM, and an empty in-game name names the folder
    EXPECT_EQ(view.Caption(app::Control::FileSize), "Size: - not found -");
    EXPECT_EQ(view.Caption(app::Control::Genre), "Genre: RPG 2D");
    EXPECT_EQ(view.picture, "no picture");
    unit.SetShowMode(settings::kShowIngameOnly);
    Select(2);
    EXPECT_EQ(view.picture, "no picture");
}

TEST_F(MainWindowLogicTest, IngameOnlyNeverShowsTheTitleScreen) {
    unit.Reset();
    unit.SetShowMode(settings::kShowIngameOnly);
    Select(2);
    EXPECT_EQ(view.picture, "file " + kShots + "zeta_i.jpg");
    for (int tick = 0; tick < 3; ++tick) {
        unit.SlideshowTick();
        EXPECT_EQ(view.picture, "file " + kShots + "zeta_i.jpg");
    }
}

TEST_F(MainWindowLogicTest, SizeLineFollowsTheCachedExtensionAndRounding) {
    WriteBytes("scanned.dat", "1\r\n1\r\n2\r\n1\r\n");
    WriteBytes("roms/Missing One (J).smc", std::string(1049088, 's'));
    unit.Reset();
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
        unit.Reset();
        Select(2);
        EXPECT_EQ(view.Caption(app::Control::FileSize),
                  "Size:  " + std::to_string(10 * status) + " kbyte");
        view.log.clear();
        unit.Launch(app::Emulator::Zsnes);
        EXPECT_EQ(view.log,
                  (Strings{"start emuz/zsnesw" + kExe + " | roms/Missing One (J)" + extension}));
    }
}

TEST_F(MainWindowLogicTest, ARomGoneSinceTheScanFailsAtTheSizeLineWithoutStoppingTheSlideshow) {
    unit.Reset();
    Select(0);
    std::filesystem::remove("roms/Zeta Quest (E).zip");
    view.selected_line = 2;
    EXPECT_THROW(unit.SelectionChanged(), rtl::InOutError);
    EXPECT_EQ(view.Caption(app::Control::Genre), "Genre: Demo");  // not updated
    EXPECT_TRUE(view.timer_enabled);
}

TEST_F(MainWindowLogicTest, AnUndecodableScreenshotFailsOnlyOnTheTicksThatShowIt) {
    unit.Reset();
    view.undecodable.insert(kShots + "zeta_t.png");
    view.selected_line = 2;
    EXPECT_THROW(unit.SelectionChanged(), rtl::ImageError);
    EXPECT_THROW(unit.SlideshowTick(), rtl::ImageError);
    unit.SlideshowTick();
    EXPECT_EQ(view.picture, "file " + kShots + "zeta_i.jpg");
    EXPECT_THROW(unit.SlideshowTick(), rtl::ImageError);
}

TEST_F(MainWindowLogicTest, LaunchNeedsASelectionAndPassesThePathAsOneArgument) {
    unit.Reset();
    unit.Launch(app::Emulator::Snes9x);
    EXPECT_EQ(view.Boxes().back(), "error: Please select a ROM first!");
    Select(2);
    view.log.clear();
    unit.Launch(app::Emulator::Snes9x);
    unit.Launch(app::Emulator::Zsnes);
    EXPECT_EQ(view.log, (Strings{"start emu9/snes9x" + kExe + " | roms/Zeta Quest (E).zip",
                                 "start emuz/zsnesw" + kExe + " | roms/Zeta Quest (E).zip"}));
#ifndef _WIN32
    // The Linux builds' names, when the folder holds them instead.
    WriteBytes("emu9/snes9x-gtk", "");
    WriteBytes("emuz/zsnes", "");
    view.log.clear();
    unit.Launch(app::Emulator::Snes9x);
    unit.Launch(app::Emulator::Zsnes);
    EXPECT_EQ(view.log, (Strings{"start emu9/snes9x-gtk | roms/Zeta Quest (E).zip",
                                 "start emuz/zsnes | roms/Zeta Quest (E).zip"}));
    std::filesystem::remove("emu9/snes9x-gtk");
    std::filesystem::remove("emuz/zsnes");
#endif

    unit.SetFilter(app::MenuGroup::ShowRoms, 1);
    Select(0);
    view.log.clear();
    unit.Launch(app::Emulator::Snes9x);
    EXPECT_EQ(view.log, (Strings{"start emu9/snes9x" + kExe + " | roms/Missing One (J)"}));

    view.SetSearchText("x");
    view.log.clear();
    unit.Launch(app::Emulator::Zsnes);
    EXPECT_EQ(view.log, (Strings{"error: Please select a ROM first!"}));
}

TEST_F(MainWindowLogicTest, ASelectedLineOutsideTheListNamesNoRow) {
    unit.Reset();
    Select(99);
    EXPECT_EQ(unit.CurrentBrowser().SelectedRow(), -1);
    EXPECT_EQ(view.picture, "default");
    EXPECT_EQ(view.Caption(app::Control::FileSize), "Size: - select Rom -");
    unit.SlideshowTick();
    unit.Launch(app::Emulator::Snes9x);
    EXPECT_EQ(view.Boxes().back(), "error: Please select a ROM first!");
    EXPECT_EQ(unit.TitleText(99), "");
    EXPECT_EQ(unit.TitleText(-1), "");
}

TEST_F(MainWindowLogicTest, AFailedResetOnAShorterCatalogueLeavesNoStaleSelection) {
    unit.Reset();
    Select(2);
    WriteBytes("SNES_screens.dat", "1\r\nOnly;a;b;1;1\r\n");
    WriteBytes("scanned.dat", "bad\r\n");
    EXPECT_THROW(unit.Reset(), rtl::ConversionError);
    EXPECT_EQ(unit.CurrentBrowser().SelectedLine(), -1);
    unit.SlideshowTick();
    EXPECT_EQ(view.picture, "default");
    // The list is rebuilt from the new, shorter table; row 0 kept its old status.
    view.SetSearchText("o");
    EXPECT_EQ(ListedTitles(), (Strings{"Only"}));
    unit.SetFilter(app::MenuGroup::ShowRoms, 2);
    EXPECT_EQ(ListedTitles(), (Strings{"Only"}));
}

TEST_F(MainWindowLogicTest, MenusMoveTheirCheckMarkAndSetTheirFilter) {
    unit.Reset();
    view.log.clear();
    unit.SetFilter(app::MenuGroup::Region, 2);
    EXPECT_EQ(unit.CurrentBrowser().Filters().region, "(U)");
    EXPECT_EQ(ListedTitles(), (Strings{"Alpha Run (U)", "Alpha Run (U)"}));
    unit.SetFilter(app::MenuGroup::Region, 4);
    EXPECT_EQ(view.checked[app::MenuGroup::Region], 4);
    EXPECT_EQ(unit.CurrentBrowser().Filters().region, "(G)");
    EXPECT_LT(Find("checked 4 4"), Find("lines 0"));
    unit.SetFilter(app::MenuGroup::Region, 9);  // no marker for this Tag: the old one stays
    EXPECT_EQ(unit.CurrentBrowser().Filters().region, "(G)");
    unit.SetFilter(app::MenuGroup::Region, -1);
    EXPECT_EQ(ListedTitles().size(), 3u);

    unit.SetFilter(app::MenuGroup::Player, 3);
    EXPECT_EQ(ListedTitles(), (Strings{"Alpha Run (U)"}));
    unit.SetFilter(app::MenuGroup::Player, -1);
    unit.SetFilter(app::MenuGroup::ShowRoms, 1);
    EXPECT_EQ(ListedTitles(), (Strings{"Missing One (J)"}));
    EXPECT_EQ(view.Caption(app::Control::ShowingCounter), "Showing: 1/3");
    unit.SetFilter(app::MenuGroup::ShowRoms, 2);
    EXPECT_EQ(view.Caption(app::Control::ShowingCounter), "Showing: 4/3");

    view.SetSearchText("ZETA");
    EXPECT_EQ(ListedTitles(), (Strings{"Zeta Quest (E)"}));
    unit.ClearSearch();
    EXPECT_EQ(view.search_text, "");
    EXPECT_EQ(ListedTitles().size(), 4u);
}

TEST_F(MainWindowLogicTest, BackgroundsAndExit) {
    unit.ChooseBackground(4);
    unit.ChooseBackground(-1);
    EXPECT_EQ(view.checked[app::MenuGroup::Background], -1);
    EXPECT_EQ(view.background, -1);
    unit.ChooseBackground(3);
    unit.ChooseBackground(7);  // no picture for this Tag
    EXPECT_EQ(view.checked[app::MenuGroup::Background], 7);
    EXPECT_EQ(view.background, 3);
    unit.Quit();
    EXPECT_TRUE(view.quit);
    EXPECT_FALSE(std::filesystem::exists("scanned.dat"));  // nothing is written on the way out
}

TEST_F(MainWindowLogicTest, FoldersWhereDataFilesBelongAreNoDataFiles) {
    std::filesystem::create_directory("scanned.dat");  // not a cache: scan, then fail to replace it
    try {
        unit.Reset();
        FAIL() << "no error";
    } catch (const rtl::InOutError& error) {
        EXPECT_STREQ(error.what(), kFolderInTheWay);
    }
    EXPECT_EQ(view.Boxes(), (Strings{kScanNotice}));
    EXPECT_EQ(unit.CurrentCollection().Table().scan_status,
              (std::vector<std::int32_t>{1, 1, 0, 1}));  // set in memory
    EXPECT_TRUE(std::filesystem::is_directory("scanned.dat"));
    EXPECT_EQ(dir.Listing(), "SNES_screens.dat options.dat roms scanned.dat shots ");

    std::filesystem::remove("SNES_screens.dat");
    std::filesystem::create_directory("SNES_screens.dat");
    view.log.clear();
    unit.Reset();
    EXPECT_EQ(view.Boxes(), (Strings{"error: Could not load Datafile!"}));
    EXPECT_EQ(unit.CurrentCollection().Table().Size(),
              0u);  // a Reset without catalogue leaves no rows behind
}

TEST_F(MainWindowLogicTest, IntervalZeroFromTheOptionsFile) {
    WriteBytes("options.dat", "shots/\r\nroms/\r\n\r\n\r\n0\r\n");
    unit.Reset();
    EXPECT_EQ(unit.SlideshowInterval(), 0u);
    EXPECT_EQ(view.timer_interval, 0u);
    unit.SetSlideshowInterval(4000);
    EXPECT_EQ(unit.SlideshowInterval(), 4000u);
    EXPECT_EQ(view.timer_interval, 4000u);
}

}  // namespace
}  // namespace varnimo
