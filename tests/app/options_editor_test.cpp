// The Options dialog's rules, without a dialog: what a refill shows and marks, how the track
// bar and the radio buttons drive each other, the emulator folder check, Save and Load.

#include "app/options_editor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window_logic.h"
#include "app/recording_options_view.h"
#include "app/recording_view.h"
#include "rtl/files.h"
#include "rtl/runtime_error.h"
#include "rtl/test_files.h"
#include "settings/emulator_program.h"

namespace varnimo {
namespace {

using app::OptionsFolder;
using testing::ReadBytes;
using testing::RecordingOptionsView;
using testing::RecordingView;
using testing::TempDir;
using testing::WriteBytes;
using Strings = std::vector<std::string>;

class OptionsEditorTest : public ::testing::Test {
  protected:
    TempDir dir;
    RecordingView main_view;
    app::MainWindowLogic logic{main_view};
    RecordingOptionsView view;
    app::OptionsEditor editor{view, logic};

    // As the start-up load leaves things when options.dat holds `paths` and `interval`.
    void Loaded(const settings::ProgramOptions& paths, std::uint32_t interval,
                const std::string& mode_text = "") {
        logic.TakeLoadedOptions(paths, mode_text);
        logic.SetSlideshowInterval(interval);
    }
};

TEST_F(OptionsEditorTest, RefillShowsTheStateAndTakesTheModeLine) {
    const struct {
        std::uint32_t interval;
        const char* mode_text;
        int seconds;  // the track bar afterwards
        bool startup, ingame;
        std::int32_t mode;
        std::uint32_t interval_after;
    } cases[] = {
        {3000, "", 3, false, false, settings::kShowAlternate, 3000},
        {3999, "", 3, false, false, settings::kShowAlternate, 3000},  // whole seconds
        {25000, "", 10, false, false, settings::kShowAlternate, 10000},
        {4294967295u, "", 10, false, false, settings::kShowAlternate, 10000},
        {999, "", 0, false, false, settings::kShowAlternate, 999},  // the bar is at 0: no event
        {3000, "1", 0, true, false, settings::kShowStartupOnly, 0},
        {3000, "2", 0, false, true, settings::kShowIngameOnly, 0},
        {3000, "7", 3, false, false, 7, 3000},  // kept, acting as Alternate
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.interval) + " '" + c.mode_text + "'");
        view = RecordingOptionsView();
        Loaded({"/s/", "", "/e/", "", "3000"}, c.interval, c.mode_text);
        editor.Refill();
        EXPECT_EQ(view.texts[OptionsFolder::Screenshots], "/s/");
        EXPECT_EQ(view.texts[OptionsFolder::Roms], "- no path selected -");
        EXPECT_EQ(view.texts[OptionsFolder::Snes9x], "/e/");
        EXPECT_EQ(view.texts[OptionsFolder::Zsnes], "- no emulator executeable selected -");
        EXPECT_EQ(view.seconds, c.seconds);
        EXPECT_EQ(view.startup_marked, c.startup);
        EXPECT_EQ(view.ingame_marked, c.ingame);
        EXPECT_EQ(logic.ShowMode(), c.mode);
        EXPECT_EQ(logic.SlideshowInterval(), c.interval_after);
        EXPECT_EQ(main_view.timer_interval, c.interval_after);
    }
}

TEST_F(OptionsEditorTest, RefillBeforeAnyLoadKeepsTheControlsAndABadModeLineFailsLast) {
    view.texts[OptionsFolder::Roms] = "/chosen/";
    editor.Refill();
    EXPECT_EQ(view.texts.size(), 1u);

    Loaded({"/s/", "/r/", "", "", ""}, 4000, "x");
    EXPECT_THROW(editor.Refill(), rtl::ConversionError);
    EXPECT_EQ(view.texts[OptionsFolder::Roms], "/r/");
    EXPECT_EQ(view.seconds, 4);
}

TEST_F(OptionsEditorTest, TrackBarAndRadioButtonsDriveEachOther) {
    Loaded({}, 5000);
    editor.ChooseIngameOnly();
    EXPECT_EQ(view.seconds, 0);
    EXPECT_TRUE(view.ingame_marked);
    EXPECT_FALSE(view.startup_marked);
    EXPECT_EQ(logic.ShowMode(), settings::kShowIngameOnly);
    EXPECT_EQ(logic.SlideshowInterval(), 0u);

    // Moving the bar away unmarks both and alternates again.
    view.seconds = 6;
    editor.SecondsChanged(6);
    EXPECT_FALSE(view.ingame_marked || view.startup_marked);
    EXPECT_EQ(logic.ShowMode(), settings::kShowAlternate);
    EXPECT_EQ(logic.SlideshowInterval(), 6000u);

    // Back at 0 the title screen alone is shown, yet the mode stays Alternate.
    view.seconds = 0;
    editor.SecondsChanged(0);
    EXPECT_TRUE(view.startup_marked);
    EXPECT_EQ(logic.ShowMode(), settings::kShowAlternate);
    EXPECT_EQ(logic.SlideshowInterval(), 0u);

    editor.ChooseStartupOnly();
    EXPECT_EQ(logic.ShowMode(), settings::kShowStartupOnly);
}

TEST_F(OptionsEditorTest, FoldersGetASeparatorAndEmulatorFoldersMustHoldTheProgram) {
    // The program's file name as this platform's emulator has it (snes9x.exe on Windows).
    WriteBytes("emu/" + settings::EmulatorProgramNames(settings::Emulator::Snes9x).front(), "");
    WriteBytes("other/" + settings::EmulatorProgramNames(settings::Emulator::Zsnes).front(), "");
    view.answers = {"roms"};
    editor.ChooseFolder(OptionsFolder::Roms);
    EXPECT_EQ(logic.Options().rom_folder, std::string("roms") + rtl::kPathSeparator);
    EXPECT_EQ(view.texts[OptionsFolder::Roms], "roms");

    // A folder without the program: the box, then the question again, until it is found.
    view.asked.clear();
    view.answers = {"other", "emu"};
    editor.ChooseFolder(OptionsFolder::Snes9x);
    EXPECT_EQ(view.boxes, Strings{"error: Could not find Snes9X!"});
    EXPECT_EQ(view.asked, Strings(2, "Please locate the Snes9X Folder."));
    EXPECT_EQ(logic.Options().snes9x_folder, std::string("emu") + rtl::kPathSeparator);
    EXPECT_EQ(view.texts[OptionsFolder::Snes9x], "emu");

    // Cancelled after a wrong folder: the path keeps that folder, the text what it showed.
    view.answers = {"other"};
    editor.ChooseFolder(OptionsFolder::Snes9x);
    EXPECT_EQ(logic.Options().snes9x_folder, std::string("other") + rtl::kPathSeparator);
    EXPECT_EQ(view.texts[OptionsFolder::Snes9x], "emu");

    // Cancelled at once: nothing changes.
    editor.ChooseFolder(OptionsFolder::Screenshots);
    EXPECT_EQ(logic.Options().screen_folder, "");
    EXPECT_EQ(view.texts.count(OptionsFolder::Screenshots), 0u);
}

TEST_F(OptionsEditorTest, SaveAndLoadReportThroughTheDialogsBoxes) {
    Loaded({}, 2000);
    editor.Save();
    EXPECT_EQ(view.boxes, Strings{"error: Please enter at least a ROM path!!"});
    EXPECT_FALSE(rtl::FileExists("options.dat"));

    editor.Load();
    EXPECT_EQ(view.boxes.back(), "error: Could not load Options File!");

    Loaded({"/s/", "/r/", "", "/z/", ""}, 7000);
    editor.ChooseIngameOnly();
    editor.Save();
    EXPECT_EQ(view.boxes.back(), "info: Saved successfully!");
    EXPECT_EQ(ReadBytes("options.dat"), "/s/\r\n/r/\r\n\r\n/z/\r\n0\r\n2\r\n");

    // Load takes the paths and the mode line, not the interval, and refills.
    WriteBytes("options.dat", "/s2/\r\n/r2/\r\n/e2/\r\n\r\n9000\r\n1\r\n");
    editor.Load();
    EXPECT_EQ(view.boxes.back(), "info: Options loaded!");
    EXPECT_EQ(logic.Options().rom_folder, "/r2/");
    EXPECT_EQ(view.texts[OptionsFolder::Snes9x], "/e2/");
    EXPECT_EQ(logic.ShowMode(), settings::kShowStartupOnly);
    EXPECT_TRUE(view.startup_marked);
    EXPECT_EQ(logic.SlideshowInterval(), 0u);

    editor.Exit();
    EXPECT_TRUE(view.closed);
}

}  // namespace
}  // namespace varnimo
