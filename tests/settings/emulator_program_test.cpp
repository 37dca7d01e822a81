#include "settings/emulator_program.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "rtl/test_files.h"

namespace varnimo::settings {
namespace {

using testing::TempDir;
using testing::WriteBytes;

#ifndef _WIN32
TEST(EmulatorProgram, TheFirstNameThatExistsInTheFolderIsStarted) {
    const struct {
        std::vector<std::string> files;  // in the folder emu/; a name ending in '/' is a folder
        Emulator emulator;
        const char* found;  // FindEmulatorProgram("emu/")
        const char* start;  // EmulatorProgramToStart("emu/")
    } cases[] = {
        {{}, Emulator::Snes9x, "", "emu/snes9x"},
        {{"snes9x-gtk"}, Emulator::Snes9x, "emu/snes9x-gtk", "emu/snes9x-gtk"},
        {{"snes9x-gtk", "snes9x"}, Emulator::Snes9x, "emu/snes9x", "emu/snes9x"},
        {{"snes9x/", "snes9x.exe", "zsnes"}, Emulator::Snes9x, "", "emu/snes9x"},
        {{"zsnes"}, Emulator::Zsnes, "emu/zsnes", "emu/zsnes"},
        {{"zsnes", "zsnesw"}, Emulator::Zsnes, "emu/zsnesw", "emu/zsnesw"},
        {{"snes9x", "zsnesw.exe"}, Emulator::Zsnes, "", "emu/zsnesw"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::filesystem::create_directory("emu");
        for (const std::string& name : c.files) {
            if (name.back() == '/') {
                std::filesystem::create_directory("emu/" + name);
            } else {
                WriteBytes("emu/" + name, "");
            }
        }
        SCOPED_TRACE(c.start);
        EXPECT_EQ(FindEmulatorProgram("emu/", c.emulator), c.found);
        EXPECT_EQ(EmulatorProgramToStart("emu/", c.emulator), c.start);
    }
}

TEST(EmulatorProgram, WithoutAFolderTheProgramFoundOnThePathIsStartedByItsPath) {
    TempDir dir;
    const std::string here = dir.Path().string();
    WriteBytes("a/zsnes", "");
    WriteBytes("b/snes9x-gtk", "");
    WriteBytes("b/zsnesw", "");
    WriteBytes("snes9x", "");  // found only by a search that takes relative entries
    const std::string path = here + "/a:relative:" + here + "/b";
    EXPECT_EQ(FindEmulatorOnPath(Emulator::Snes9x, path), here + "/b/");
    // zsnesw is preferred even where it comes later on the path.
    EXPECT_EQ(FindEmulatorOnPath(Emulator::Zsnes, path), here + "/b/");
    EXPECT_EQ(FindEmulatorOnPath(Emulator::Zsnes, here + "/a"), here + "/a/");
    EXPECT_EQ(FindEmulatorOnPath(Emulator::Snes9x, ""), "");

    const char* old = std::getenv("PATH");
    const std::string saved = old != nullptr ? old : "";
    for (const auto& [value, zsnes, snes9x] : {
             std::tuple<std::string, std::string, std::string>{here + "/a", here + "/a/zsnes", ""},
             {path, here + "/b/zsnesw", here + "/b/snes9x-gtk"},
             {":.:" + here + "/a/", here + "/a/zsnes", ""},
             {"", "", ""},
         }) {
        ::setenv("PATH", value.c_str(), 1);
        EXPECT_EQ(EmulatorProgramToStart("", Emulator::Zsnes), zsnes) << value;
        EXPECT_EQ(EmulatorProgramToStart("", Emulator::Snes9x), snes9x) << value;
    }
    ::unsetenv("PATH");
    EXPECT_EQ(EmulatorProgramToStart("", Emulator::Snes9x), "");
    ::setenv("PATH", saved.c_str(), 1);
}
#endif

}  // namespace
}  // namespace varnimo::settings
