#include "rtl/files.h"

#include <gtest/gtest.h>

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
