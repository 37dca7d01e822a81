#include "settings/program_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/runtime_error.h"
#include "rtl/test_files.h"
#include "rtl/text_file.h"

namespace varnimo::settings {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

class OptionsFile : public ::testing::Test {
  protected:
    TempDir dir;
    ProgramOptions options;
    bool loaded = false;
    std::uint32_t interval = 2000;
    std::string mode_text;

    bool StartupLoad() {
        return LoadStartupOptions(options, loaded, interval) == OptionsFileStatus::Read;
    }
    bool DialogLoad() { return LoadDialogOptions(options, mode_text) == OptionsFileStatus::Read; }
};

TEST_F(OptionsFile, StartupLoadReadsFiveLinesTakenAsTheyAre) {
    WriteBytes("options.dat", " C:\\Shots\\ \r\nD:\\Roms\\\r\n\r\nZ\\\r\n3000\r\n2\r\n");
    ASSERT_TRUE(StartupLoad());
    EXPECT_EQ(options.screen_folder, " C:\\Shots\\ ");
    EXPECT_EQ(options.rom_folder, "D:\\Roms\\");
    EXPECT_EQ(options.snes9x_folder, "");
    EXPECT_EQ(options.zsnes_folder, "Z\\");
    EXPECT_EQ(options.interval_text, "3000");
    EXPECT_TRUE(loaded);
    EXPECT_EQ(interval, 3000u);
}

TEST_F(OptionsFile, StartupLoadWithoutFileSaysSoAndChangesNothing) {
    std::filesystem::create_directory("options.dat");  // a folder is no options file
    EXPECT_FALSE(StartupLoad());
    EXPECT_FALSE(loaded);
    EXPECT_EQ(interval, 2000u);
}

TEST_F(OptionsFile, ABadIntervalRaisesAfterThePathsAndTheFlagAreTaken) {
    // Four lines: line 5 reads as empty.
    WriteBytes("options.dat", "s/\r\nr/\r\nn/\r\nz/\r\n");
    try {
        StartupLoad();
        FAIL() << "no error";
    } catch (const rtl::ConversionError& error) {
        EXPECT_STREQ(error.what(), "'' ist kein gültiger Integerwert");
    }
    EXPECT_EQ(options.rom_folder, "r/");
    EXPECT_EQ(options.zsnes_folder, "z/");
    EXPECT_TRUE(loaded);
    EXPECT_EQ(interval, 2000u);

    // LF-only line ends: everything is one first line.
    WriteBytes("options.dat", "s/\nr/\nn/\nz/\n3000\n0\n");
    EXPECT_THROW(StartupLoad(), rtl::ConversionError);
    EXPECT_EQ(options.screen_folder, "s/\nr/\nn/\nz/\n3000\n0\n");
    EXPECT_EQ(options.rom_folder, "");
}

TEST_F(OptionsFile, CtrlZEndsTheFileForBothReaders) {
    WriteBytes("options.dat", "s/\r\nr\x1a/\r\nn/\r\nz/\r\n1000\r\n1\r\n");
    ASSERT_TRUE(DialogLoad());
    EXPECT_EQ(options.rom_folder, "r");
    EXPECT_EQ(options.snes9x_folder, "");
    EXPECT_EQ(mode_text, "");
    EXPECT_THROW(StartupLoad(), rtl::ConversionError);
}

TEST_F(OptionsFile, ZeroAndHexIntervals) {
    WriteBytes("options.dat", "\r\n\r\n\r\n\r\n0\r\n");
    ASSERT_TRUE(StartupLoad());
    EXPECT_EQ(interval, 0u);
    WriteBytes("options.dat", "\r\n\r\n\r\n\r\n$10\r\n");
    ASSERT_TRUE(StartupLoad());
    EXPECT_EQ(interval, 16u);
}

TEST_F(OptionsFile, DialogLoadPassesOverTheIntervalAndKeepsLineSix) {
    WriteBytes("options.dat", "s/\r\nr/\r\nn/\r\nz/\r\nnot a number\r\n2\r\n");
    ASSERT_TRUE(DialogLoad());
    EXPECT_EQ(options.screen_folder, "s/");
    EXPECT_EQ(options.interval_text, "");  // the start-up load's field is not touched
    EXPECT_EQ(mode_text, "2");

    // Five lines: line 6 reads as empty.
    WriteBytes("options.dat", "s/\r\nr/\r\nn/\r\nz/\r\n3000\r\n");
    ASSERT_TRUE(DialogLoad());
    EXPECT_EQ(mode_text, "");
}

TEST_F(OptionsFile, DialogLoadWithoutFile) {
    mode_text = "1";
    options.rom_folder = "r/";
    EXPECT_FALSE(DialogLoad());
    EXPECT_EQ(mode_text, "1");
    EXPECT_EQ(options.rom_folder, "r/");
}

TEST_F(OptionsFile, SaveWritesSixCrLfLinesAndReadsBackUnchanged) {
    options.screen_folder = " shots/ ";
    ASSERT_EQ(SaveOptions(options, 4000, kShowIngameOnly), SaveStatus::Saved);
    EXPECT_EQ(ReadBytes("options.dat"), " shots/ \r\n\r\n\r\n\r\n4000\r\n2\r\n");

    ProgramOptions read_back;
    std::uint32_t read_interval = 0;
    ASSERT_EQ(LoadStartupOptions(read_back, loaded, read_interval), OptionsFileStatus::Read);
    EXPECT_EQ(read_back.screen_folder, " shots/ ");
    EXPECT_EQ(read_interval, 4000u);
    EXPECT_EQ(dir.Listing(), "options.dat ");
}

TEST_F(OptionsFile, SaveNeedsOneOfTheThreeFolders) {
    WriteBytes("options.dat", "old\r\n");
    options.zsnes_folder = "z/";  // ZSNES alone does not count
    EXPECT_EQ(SaveOptions(options, 2000, kShowAlternate), SaveStatus::NoFolder);
    EXPECT_EQ(ReadBytes("options.dat"), "old\r\n");
    options.snes9x_folder = "n/";
    EXPECT_EQ(SaveOptions(options, 2000, 7),
              SaveStatus::Saved);  // an odd mode is saved back unchanged
    EXPECT_EQ(ReadBytes("options.dat"), "\r\n\r\nn/\r\nz/\r\n2000\r\n7\r\n");
}

struct FailWrites : rtl::WriteFaultHook {
    FailWrites() { previous = rtl::SetWriteFaultHook(this); }
    ~FailWrites() override { rtl::SetWriteFaultHook(previous); }
    int Fault(std::string_view operation) override { return operation == "write" ? EIO : 0; }
    rtl::WriteFaultHook* previous;
};

TEST_F(OptionsFile, AFailedSaveKeepsTheOldFileAndShowsNoSuccess) {
    WriteBytes("options.dat", "keep/\r\n\r\n\r\n\r\n1000\r\n0\r\n");
    options.rom_folder = "r/";
    FailWrites fail;
    EXPECT_THROW(SaveOptions(options, 2000, kShowAlternate), rtl::InOutError);
    EXPECT_EQ(ReadBytes("options.dat"), "keep/\r\n\r\n\r\n\r\n1000\r\n0\r\n");
    EXPECT_EQ(dir.Listing(), "options.dat ");
}

}  // namespace
}  // namespace varnimo::settings
