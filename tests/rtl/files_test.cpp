#include "rtl/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "rtl/image_format.h"
#include "rtl/runtime_error.h"
#include "rtl/test_files.h"

namespace varnimo::rtl {
namespace {

TEST(Files, OnlyAFileExistsNotAFolder) {
    testing::TempDir dir;
    testing::WriteBytes("rom.zip", std::string(1000, 'x'));
    std::filesystem::create_directory("folder.zip");
    EXPECT_TRUE(FileExists("rom.zip"));
    EXPECT_FALSE(FileExists("folder.zip"));
    EXPECT_FALSE(FileExists("missing.zip"));
    EXPECT_FALSE(FileExists(""));
    EXPECT_TRUE(
        FileExists(std::string("folder.zip/..") + kPathSeparator + kPathSeparator + "rom.zip"));
    EXPECT_EQ(FileSize("rom.zip"), 1000);
    EXPECT_THROW(FileSize("missing.zip"), EInOutError);
}

TEST(Files, ListFolderTellsFilesFromFoldersFollowingLinks) {
    testing::TempDir dir;
    testing::WriteBytes("roms/Game.zip", "z");
    testing::WriteBytes("roms/Caf\xE9.smc", "s");  // an 8-bit name, kept as bytes
    std::filesystem::create_directory("roms/Folder.zip");
    std::map<std::string, bool> expected{
        {"Game.zip", true}, {"Caf\xE9.smc", true}, {"Folder.zip", false}};
#ifndef _WIN32
    // Windows file names ignore case, and Wine makes no links (its CreateSymbolicLink
    // reports success and creates nothing): these cases exist where POSIX is.
    testing::WriteBytes("roms/game.ZIP", "z");
    std::filesystem::create_symlink("Game.zip", "roms/Link.zip");
    std::filesystem::create_symlink("Folder.zip", "roms/LinkToFolder.zip");
    std::filesystem::create_symlink("nowhere", "roms/Dangling.zip");
    expected.insert({{"game.ZIP", true},
                     {"Link.zip", true},
                     {"LinkToFolder.zip", false},
                     {"Dangling.zip", false}});
#endif
    std::map<std::string, bool> seen;
    for (const FolderEntry& entry : ListFolder(std::string("roms") + kPathSeparator)) {
        EXPECT_TRUE(seen.emplace(entry.Name, entry.IsFile).second) << entry.Name;
    }
    EXPECT_EQ(seen, expected);

    EXPECT_EQ(ListFolder("roms/Folder.zip").size(), 0u);
    EXPECT_EQ(ListFolder("").size(), 1u);  // the working directory holds just "roms"
    EXPECT_THROW(ListFolder("missing"), EInOutError);
    EXPECT_THROW(ListFolder("roms/Game.zip"), EInOutError);
}

TEST(ImageFormat, ChosenByExtensionIgnoringCase) {
    EXPECT_EQ(ImageFormatOf("a/b.JPG"), ImageFormat::Jpeg);
    EXPECT_EQ(ImageFormatOf("b.jpeg"), ImageFormat::Jpeg);
    EXPECT_EQ(ImageFormatOf("b.Png"), ImageFormat::Png);
    EXPECT_EQ(ImageFormatOf("b.bmp"), ImageFormat::Bitmap);
    EXPECT_EQ(ImageFormatOf("b.ico"), ImageFormat::Icon);
    try {
        ImageFormatOf("shots.v2/b.gif");
        FAIL();
    } catch (const EImageError& error) {
        EXPECT_STREQ(error.what(), "Unbekannte Bilddateierweiterung (.gif)");
    }
    EXPECT_THROW(ImageFormatOf("shots.png/noextension"), EImageError);
}

}  // namespace
}  // namespace varnimo::rtl
