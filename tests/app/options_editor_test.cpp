// The Options dialog's rules, without a dialog: what a refill shows and marks, how the track
// bar and the radio buttons drive each other, the folder questions, Save and Load.

#include "app/options_editor.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "app/main_window_logic.h"
#include "app/recording_options_view.h"
#include "app/recording_view.h"
#include "rtl/files.h"
#include "rtl/runtime_error.h"
#include "rtl/test_files.h"
#include "rtl/text_file.h"
#include "settings/emulator_program.h"

namespace varnimo {
namespace {

using app::OptionsFolder;
using settings::kShowAlternate;
using settings::kShowIngameOnly;
using settings::kShowStartupOnly;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using Strings = std::vector<std::string>;

// One editor over a fresh main window state and recording dialog.
struct Rig {
    testing::RecordingView main_view;
    app::MainWindowLogic logic{main_view};
    testing::RecordingOptionsView view;
    app::OptionsEditor editor{view, logic};

    // As the start-up load leaves things when options.dat holds `paths` and `interval`.
    void Loaded(const settings::ProgramOptions& paths, std::uint32_t interval,
                const std::string& mode_text = "") {
        logic.TakeLoadedOptions(paths, mode_text);
        logic.SetSlideshowInterval(interval);
    }
    // The dialog as the user left it: the bar at `seconds`, `marks` marked ("", "startup",
    // "ingame"), and the main window's interval and mode to match.
    void Start(int seconds, const std::string& marks, std::int32_t mode) {
        view.seconds = seconds;
        view.startup_marked = marks == "startup";
        view.ingame_marked = marks == "ingame";
        logic.SetSlideshowInterval(static_cast<std::uint32_t>(seconds) * 1000u);
        logic.SetShowMode(mode);
    }
    std::string Marks() const {
        return std::string(view.startup_marked ? "startup" : "") +
               (view.ingame_marked ? "ingame" : "");
    }
    // The four columns every slideshow outcome is checked by; the timer follows the interval.
    void ExpectSlideshow(std::uint32_t interval, int seconds, const std::string& marks,
                         std::int32_t mode) const {
        EXPECT_EQ(logic.SlideshowInterval(), interval);
        EXPECT_EQ(main_view.timer_interval, interval);
        EXPECT_EQ(view.seconds, seconds);
        EXPECT_EQ(Marks(), marks);
        EXPECT_EQ(logic.ShowMode(), mode);
    }
};

class OptionsEditorTest : public ::testing::Test {
  protected:
    TempDir dir;
};

TEST_F(OptionsEditorTest, RefillShowsTheStateAndTakesTheModeLine) {
    const struct {
        std::uint32_t interval;
        const char* mode_text;
        const char* marks_before;
        int seconds;  // the track bar afterwards
        const char* marks;
        std::int32_t mode;
        std::uint32_t interval_after;
    } cases[] = {
        {3000, "", "", 3, "", kShowAlternate, 3000},
        {3999, "", "", 3, "", kShowAlternate, 3000},  // whole seconds
        {25000, "", "", 10, "", kShowAlternate, 10000},
        {4294967295u, "", "", 10, "", kShowAlternate, 10000},
        {999, "", "", 0, "", kShowAlternate, 999},  // the bar is at 0: no event
        {3000, "1", "", 0, "startup", kShowStartupOnly, 0},
        {3000, "2", "", 0, "ingame", kShowIngameOnly, 0},
        {3000, "7", "", 3, "", 7, 3000},  // kept, acting as Alternate
        // A bar that stays put runs nothing: the earlier mark stays under Alternate.
        {0, "", "ingame", 0, "ingame", kShowAlternate, 0},
        {3000, "", "ingame", 3, "", kShowAlternate, 3000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.interval) + " '" + c.mode_text + "' " + c.marks_before);
        Rig rig;
        rig.Start(0, c.marks_before, kShowAlternate);
        rig.Loaded({"/s/", "", "/e/", "", "3000"}, c.interval, c.mode_text);
        rig.editor.Refill();
        EXPECT_EQ(rig.view.texts[OptionsFolder::Screenshots], "/s/");
        EXPECT_EQ(rig.view.texts[OptionsFolder::Roms], "- no path selected -");
        EXPECT_EQ(rig.view.texts[OptionsFolder::Snes9x], "/e/");
        EXPECT_EQ(rig.view.texts[OptionsFolder::Zsnes], "- no emulator executeable selected -");
        rig.ExpectSlideshow(c.interval_after, c.seconds, c.marks, c.mode);
    }

    // Before any load the controls keep what they show; a bad mode line fails last.
    Rig rig;
    rig.view.texts[OptionsFolder::Roms] = "/chosen/";
    rig.editor.Refill();
    EXPECT_EQ(rig.view.texts.size(), 1u);

    rig.Loaded({"/s/", "/r/", "", "", ""}, 4000, "x");
    EXPECT_THROW(rig.editor.Refill(), rtl::ConversionError);
    EXPECT_EQ(rig.view.texts[OptionsFolder::Roms], "/r/");
    EXPECT_EQ(rig.view.seconds, 4);
}

TEST_F(OptionsEditorTest, TrackBarAndRadioButtonsDriveEachOther) {
    enum class Operation { Bar, Startup, Ingame };
    const struct {
        int seconds;  // the state before
        const char* marks;
        std::int32_t mode;
        Operation operation;
        int to;  // where the user leaves the bar
        int seconds_after;
        const char* marks_after;
        std::int32_t mode_after;
    } cases[] = {
        {3, "", kShowAlternate, Operation::Bar, 7, 7, "", kShowAlternate},
        {7, "", kShowAlternate, Operation::Ingame, 0, 0, "ingame", kShowIngameOnly},
        {4, "", kShowAlternate, Operation::Startup, 0, 0, "startup", kShowStartupOnly},
        {0, "ingame", kShowIngameOnly, Operation::Startup, 0, 0, "startup", kShowStartupOnly},
        {0, "startup", kShowStartupOnly, Operation::Ingame, 0, 0, "ingame", kShowIngameOnly},
        // Moving the bar away unmarks both and alternates again.
        {0, "ingame", kShowIngameOnly, Operation::Bar, 10, 10, "", kShowAlternate},
        {0, "startup", kShowStartupOnly, Operation::Bar, 1, 1, "", kShowAlternate},
        // Back at 0 the title screen alone is shown, yet the mode stays Alternate; so too
        // when the bar is operated where it is (a click on the thumb, an arrow at the end).
        {10, "", kShowAlternate, Operation::Bar, 0, 0, "startup", kShowAlternate},
        {0, "ingame", kShowIngameOnly, Operation::Bar, 0, 0, "startup", kShowAlternate},
        {0, "startup", kShowStartupOnly, Operation::Bar, 0, 0, "startup", kShowAlternate},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        Rig rig;
        rig.Start(c.seconds, c.marks, c.mode);
        // The dialog shows the user's operation before it forwards it.
        if (c.operation == Operation::Bar) {
            rig.view.seconds = c.to;
            rig.editor.SecondsChanged(c.to);
        } else if (c.operation == Operation::Startup) {
            rig.view.SetMarked(app::SlideshowChoice::StartupOnly, true);
            rig.editor.ChooseStartupOnly();
        } else {
            rig.view.SetMarked(app::SlideshowChoice::IngameOnly, true);
            rig.editor.ChooseIngameOnly();
        }
        rig.ExpectSlideshow(c.seconds_after * 1000u, c.seconds_after, c.marks_after, c.mode_after);
    }
}

TEST_F(OptionsEditorTest, FoldersGetASeparatorAndEmulatorFoldersMustHoldTheProgram) {
    // The programs' file names as this platform's emulators have them (snes9x.exe on Windows).
    WriteBytes("snes/" + settings::EmulatorProgramNames(settings::Emulator::Snes9x).front(), "");
    WriteBytes("zsnes/" + settings::EmulatorProgramNames(settings::Emulator::Zsnes).front(), "");
    const std::string sep(1, rtl::kPathSeparator);
    using settings::ProgramOptions;
    const char* const kScreens = "Please locate the screenshots.";
    const char* const kZsnes = "Please locate the ZSNES Folder.";
    const struct {
        OptionsFolder folder;
        std::string ProgramOptions::*path;
        const char* answer;  // what the user picks; nullptr: cancels
        const char* then;    // picked when asked again
        const char* asked;
        std::size_t questions;
        std::string path_after;
        std::string text_after;
        const char* box;
    } cases[] = {
        {OptionsFolder::Roms, &ProgramOptions::rom_folder, "roms", nullptr,
         "Please locate your Roms.", 1, "roms" + sep, "roms", nullptr},
        // A root keeps its own separator and gets one more: readers append names directly.
        {OptionsFolder::Screenshots, &ProgramOptions::screen_folder, sep.c_str(), nullptr, kScreens,
         1, sep + sep, sep, nullptr},
        {OptionsFolder::Screenshots, &ProgramOptions::screen_folder, nullptr, nullptr, kScreens, 1,
         "old", "shown", nullptr},
        // A folder without the program: the box, then the question again, until it is found.
        {OptionsFolder::Snes9x, &ProgramOptions::snes9x_folder, "zsnes", "snes",
         "Please locate the Snes9X Folder.", 2, "snes" + sep, "snes", "Could not find Snes9X!"},
        {OptionsFolder::Zsnes, &ProgramOptions::zsnes_folder, "snes", "zsnes", kZsnes, 2,
         "zsnes" + sep, "zsnes", "Could not find ZSNES!"},
        // Cancelled after a wrong folder: the path keeps that folder, the text what it showed.
        {OptionsFolder::Zsnes, &ProgramOptions::zsnes_folder, "snes", nullptr, kZsnes, 2,
         "snes" + sep, "shown", "Could not find ZSNES!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        Rig rig;
        rig.logic.SetOptions({"old", "old", "old", "old", ""});
        rig.view.texts[c.folder] = "shown";
        for (const char* answer : {c.answer, c.then}) {
            if (answer) {
                rig.view.answers.push_back(answer);
            }
        }
        rig.editor.ChooseFolder(c.folder);
        EXPECT_EQ(rig.view.asked, Strings(c.questions, c.asked));
        EXPECT_EQ(rig.logic.Options().*c.path, c.path_after);
        EXPECT_EQ(rig.view.texts[c.folder], c.text_after);
        EXPECT_EQ(rig.view.boxes, c.box ? Strings{"error: " + std::string(c.box)} : Strings{});
    }
}

TEST_F(OptionsEditorTest, SaveWritesThePathsTheIntervalAndTheModeAndExitCloses) {
    const struct {
        const char* screens;
        const char* roms;
        int seconds;
        const char* marks;
        std::int32_t mode;
        const char* box;
        const char* file;
    } cases[] = {
        // The ZSNES folder alone does not count.
        {"", "", 2, "", kShowAlternate, "error: Please enter at least a ROM path!!", "(missing)"},
        {"/s/", "", 4, "", kShowAlternate, "info: Saved successfully!",
         "/s/\r\n\r\n\r\n/z/\r\n4000\r\n0\r\n"},
        {"/s/", "/r/", 0, "ingame", kShowIngameOnly, "info: Saved successfully!",
         "/s/\r\n/r/\r\n\r\n/z/\r\n0\r\n2\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Rig rig;
        rig.Loaded({c.screens, c.roms, "", "/z/", ""}, 0);
        rig.Start(c.seconds, c.marks, c.mode);
        rig.editor.Save();
        EXPECT_EQ(rig.view.boxes, Strings{c.box});
        EXPECT_EQ(rtl::FileExists("options.dat") ? ReadBytes("options.dat") : "(missing)", c.file);
    }

    // A failed write ends Save with the runtime's error, no box and the old file kept.
    struct FailWrites : rtl::WriteFaultHook {
        int Fault(std::string_view operation) override { return operation == "write" ? EIO : 0; }
    } fail;
    Rig rig;
    rig.Loaded({"/t/", "", "", "", ""}, 0);
    rtl::WriteFaultHook* previous = rtl::SetWriteFaultHook(&fail);
    EXPECT_THROW(rig.editor.Save(), rtl::InOutError);
    rtl::SetWriteFaultHook(previous);
    EXPECT_TRUE(rig.view.boxes.empty());
    EXPECT_EQ(ReadBytes("options.dat"), "/s/\r\n/r/\r\n\r\n/z/\r\n0\r\n2\r\n");

    rig.editor.Exit();
    EXPECT_TRUE(rig.view.closed);
}

TEST_F(OptionsEditorTest, LoadTakesThePathsAndTheModeButNotTheIntervalAndRefills) {
    const struct {
        const char* file;  // nullptr: there is none
        int seconds;       // the state before
        const char* marks;
        std::int32_t mode;
        const char* box;
        int seconds_after;
        const char* marks_after;
        std::int32_t mode_after;
    } cases[] = {
        {nullptr, 3, "", kShowAlternate, "error: Could not load Options File!", 3, "",
         kShowAlternate},
        // In-game only: the timer stops and the bar goes to 0; line 5 is never taken.
        {"/s/\r\n\r\n/n/\r\n/z/\r\n7000\r\n2\r\n", 3, "", kShowAlternate, "info: Options loaded!",
         0, "ingame", kShowIngameOnly},
        {"/s/\r\n\r\n/n/\r\n/z/\r\n7000\r\n1\r\n", 3, "", kShowAlternate, "info: Options loaded!",
         0, "startup", kShowStartupOnly},
        // Five lines: Alternate again, and the radio buttons stay as they are.
        {"/s/\r\n\r\n/n/\r\n/z/\r\n7000\r\n", 0, "ingame", kShowIngameOnly, "info: Options loaded!",
         0, "ingame", kShowAlternate},
        {"/s/\r\n\r\n/n/\r\n/z/\r\n7000\r\n", 3, "", kShowAlternate, "info: Options loaded!", 3, "",
         kShowAlternate},
        // No mode the dialog knows: taken, and nothing is marked for it.
        {"/s/\r\n\r\n/n/\r\n/z/\r\n7000\r\n5\r\n", 0, "startup", kShowStartupOnly,
         "info: Options loaded!", 0, "startup", 5},
        // A mode line that is no number: the paths are in, then the runtime's error.
        {"/s/\r\n\r\n/n/\r\n/z/\r\n1000\r\ntwo\r\n", 3, "", kShowAlternate, "info: Options loaded!",
         3, "", kShowAlternate},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "(missing)");
        TempDir case_dir;
        if (c.file) {
            WriteBytes("options.dat", c.file);
        }
        Rig rig;
        rig.Start(c.seconds, c.marks, c.mode);
        if (c.file && std::string(c.file).ends_with("two\r\n")) {
            EXPECT_THROW(rig.editor.Load(), rtl::ConversionError);
        } else {
            rig.editor.Load();
        }
        EXPECT_EQ(rig.view.boxes, Strings{c.box});
        EXPECT_EQ(rig.logic.OptionsLoaded(), c.file != nullptr);
        EXPECT_EQ(rig.view.texts[OptionsFolder::Snes9x], c.file ? "/n/" : "");
        rig.ExpectSlideshow(c.seconds_after * 1000u, c.seconds_after, c.marks_after, c.mode_after);
    }
}

}  // namespace
}  // namespace varnimo
