// varnimo.exe as a whole program: its options, a timed start on a collection, and the Start
// menu entry's --user-collection, each run as a user or the installer's shortcut runs it.

#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <filesystem>
#include <string>
#include <vector>

#include "run_program.h"
#include "win/window_test_support.h"

namespace varnimo::win {
namespace {

const std::string kWindow = testing::BuiltFile(VARNIMO_WINDOW_PATH);
const std::string kQuitWhenListed = "VARNIMO_QUIT_WHEN_LISTED=1";

// What a run wrote to stderr, its text-mode line ends made plain.
std::string Said(const testing::ProgramRun& run) {
    std::string text = run.err;
    std::erase(text, '\r');
    return text;
}

std::filesystem::path RoamingAppData() {
    wchar_t* wide = nullptr;
    std::filesystem::path folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &wide))) {
        folder = wide;
    }
    ::CoTaskMemFree(wide);
    return folder;
}

TEST(WinProgram, OptionsAndATimedStartOnACollection) {
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string out_starts;
        std::string err_starts;
    } cases[] = {
        {{"--help"}, 0, "usage: varnimo [-C DIR | --user-collection]", ""},
        {{"--version"}, 0, "varnimo 0.301", ""},
        {{"--bogus"}, 2, "", "varnimo: "},
        {{"-C", "Z:\\no\\such\\folder"}, 2, "", "varnimo: cannot enter Z:\\no\\such\\folder"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv = {kWindow};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const testing::ProgramRun run = testing::RunProgram(argv);
        SCOPED_TRACE(c.arguments.front());
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(run.out.rfind(c.out_starts, 0), 0u) << run.out;
        EXPECT_EQ(run.err.rfind(c.err_starts, 0), 0u) << run.err;
    }

    test::DemoFolder demo;
    const std::string folder = demo.Path().string();
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    const testing::ProgramRun run = testing::RunProgram({kWindow, "-C", folder}, {kQuitWhenListed});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Said(run), "notice: Varnimo will now scan " + demo.RomPath() +
                             " for ROMS - please be patient, this could take a while\n"
                             "info: scanned.dat saved successfully!\n");
    EXPECT_TRUE(std::filesystem::exists(demo.Path("scanned.dat")));
}

// The Start menu entry: the user's own folder is made when missing and the program says how
// to fill it; started again, it opens the folder as it is.
TEST(WinProgram, TheUserCollectionIsMadeInTheRoamingAppDataFolder) {
    const std::filesystem::path folder = RoamingAppData() / "Varnimo";
    ASSERT_FALSE(folder.parent_path().empty());
    if (std::filesystem::exists(folder)) {
        GTEST_SKIP() << folder.string() << " is a real collection; it is not touched";
    }
    const testing::ProgramRun first =
        testing::RunProgram({kWindow, "--user-collection"}, {kQuitWhenListed});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_NE(first.err.find("info: Your collection folder"), std::string::npos) << first.err;
    EXPECT_NE(first.err.find(folder.string()), std::string::npos) << first.err;

    // A collection put there is opened: its list is shown and the program ends.
    test::WriteFile(folder / "SNES_screens.dat", "1.5\r\nAlpha Quest (U);a.png;b.png;8;1\r\n");
    test::WriteFile(folder / "options.dat", "shots\\\r\nroms\\\r\n\r\n\r\n2000\r\n0\r\n");
    std::filesystem::create_directories(folder / "roms");
    const testing::ProgramRun second =
        testing::RunProgram({kWindow, "--user-collection"}, {kQuitWhenListed});
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(Said(second),
              "notice: Varnimo will now scan roms\\ for ROMS - please be patient, "
              "this could take a while\n"
              "info: scanned.dat saved successfully!\n");
    // The scan cache of the user's own collection is used without a notice.
    const testing::ProgramRun third =
        testing::RunProgram({kWindow, "--user-collection"}, {kQuitWhenListed});
    EXPECT_EQ(third.status, 0) << third.err;
    EXPECT_EQ(Said(third), "");
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

}  // namespace
}  // namespace varnimo::win
