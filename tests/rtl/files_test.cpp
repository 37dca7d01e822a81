#include "rtl/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "rtl/image_format.h"
#include "rtl/runtime_error.h"
#include "rtl/test_files.h"
#include "rtl/text_file.h"

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
    EXPECT_THROW(FileSize("missing.zip"), InOutError);
}

// A name is a file only when it names a regular file by all of its bytes: a name holding a
// NUL byte (the system would read "rom.zip"), a folder, a FIFO and a device are none. None of
// them exists, and every way of opening one fails at once with "no such file", without
// waiting for a FIFO's writer.
TEST(Files, NamesThatAreNoRegularFileAreNoFiles) {
    testing::TempDir dir;
    testing::WriteBytes("rom.zip", "0123456789");
    std::filesystem::create_directory("folder.zip");
    struct Case {
        std::string name;
        int error;  // the system's number; 0 where the platform has its own reason
    };
    std::vector<Case> cases = {{std::string("rom.zip\0.png", 12), ENOENT},
                               {std::string("rom.zip\0", 8), ENOENT},
#ifdef _WIN32
                               {"folder.zip", 0}};
#else
                               {"folder.zip", ENOENT},
                               {"fifo.zip", ENOENT},
                               {"null.zip", ENOENT}};
    ASSERT_EQ(::mkfifo("fifo.zip", 0600), 0);
    testing::FifoWriter writer("fifo.zip");
    std::filesystem::create_symlink("/dev/null", "null.zip");
#endif
    const std::map<std::string, std::function<void(const std::string&)>> opens = {
        {"FileSize", [](const std::string& name) { FileSize(name); }},
        {"ReadFileBytes", [](const std::string& name) { ReadFileBytes(name, 100); }},
        {"TextFileReader", [](const std::string& name) { TextFileReader reader(name); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(FileExists(c.name));
        for (const auto& [what, open] : opens) {
            try {
                open(c.name);
                ADD_FAILURE() << what << " opened it";
            } catch (const InOutError& error) {
                if (c.error != 0) {
                    EXPECT_EQ(error.ErrorCode(), c.error) << what;
                }
            }
        }
    }
    // The file the NUL names cut short is there all along, and read whole within the limit.
    EXPECT_TRUE(FileExists("rom.zip"));
    EXPECT_EQ(FileSize("rom.zip"), 10);
    EXPECT_EQ(ReadFileBytes("rom.zip", 10), "0123456789");
    EXPECT_EQ(ReadFileBytes("rom.zip", 9), std::nullopt);
    EXPECT_THROW(ListFolder(std::string("folder.zip\0", 11)), InOutError);
    EXPECT_TRUE(RenameOver("rom.zip", std::string("moved\0", 6)));
    EXPECT_THROW(TextFileWriter(std::string("rom.zip\0", 8)), InOutError);
    EXPECT_EQ(testing::ReadBytes("rom.zip"), "0123456789");
#ifdef _WIN32
    EXPECT_EQ(dir.Listing(), "folder.zip rom.zip ");  // nothing moved, nothing half-written
#else
    EXPECT_EQ(dir.Listing(), "fifo.zip folder.zip null.zip rom.zip ");
#endif
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
    EXPECT_THROW(ListFolder("missing"), InOutError);
    EXPECT_THROW(ListFolder("roms/Game.zip"), InOutError);
}

// An opened file knows its size, reads on from where it stopped, and reads at an offset
// without moving that place; past the end it reads what is there.
TEST(InputFile, SizeReadAndReadAt) {
    testing::TempDir dir;
    testing::WriteBytes("rom.sfc", "0123456789");
    InputFile file("rom.sfc");
    EXPECT_EQ(file.Size(), 10);
    char bytes[16] = {};
    ASSERT_EQ(file.Read(bytes, 4), 4u);
    EXPECT_EQ(std::string(bytes, 4), "0123");
    ASSERT_EQ(file.ReadAt(6, bytes, sizeof bytes), 4u);
    EXPECT_EQ(std::string(bytes, 4), "6789");
    ASSERT_EQ(file.Read(bytes, sizeof bytes), 6u);
    EXPECT_EQ(std::string(bytes, 6), "456789");
    EXPECT_EQ(file.Read(bytes, sizeof bytes), 0u);
    EXPECT_THROW(InputFile("missing.sfc"), InOutError);
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
    } catch (const ImageError& error) {
        EXPECT_STREQ(error.what(), "Unbekannte Bilddateierweiterung (.gif)");
    }
    EXPECT_THROW(ImageFormatOf("shots.png/noextension"), ImageError);
}

}  // namespace
}  // namespace varnimo::rtl
