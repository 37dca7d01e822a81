// The stored pictures and the screenshot loader.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <cstdio>

#include "picture_loading.h"
#include "rtl/runtime_error.h"
#include "screenshot/screenshot_decoder.h"

namespace varnimo::ui {
namespace {

TEST(StoredPictures, AreInTheProgramWithTheirSizes) {
    const struct {
        const char* name;
        QSize size;
    } pictures[] = {
        {"background_default.jpg", {1377, 699}},
        {"background_space.jpg", {1024, 768}},
        {"background_rose.jpg", {552, 369}},
        {"background_fractal.jpg", {560, 420}},
        {"background_starship.jpg", {480, 360}},
        {"default_screen.jpg", {506, 400}},
        {"no_image.jpg", {256, 224}},
        {"about_logo.jpg", {93, 85}},
    };
    for (const auto& picture : pictures) {
        QImageReader reader(QStringLiteral(":/pictures/") + picture.name);
        EXPECT_EQ(reader.format(), "jpeg") << picture.name;
        EXPECT_EQ(reader.size(), picture.size) << picture.name;
        EXPECT_FALSE(reader.read().isNull()) << picture.name;
    }
    EXPECT_FALSE(RenderStoredSvg(":/pictures/detail_icon.svg", QSize(25, 15)).toImage().allGray());
    EXPECT_TRUE(QFile::exists(":/pictures/varnimo.svg"));
}

class ScreenshotLoading : public ::testing::Test {
  protected:
    QString Save(const QString& name, const char* format) {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(QColor(200, 40, 40));
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(image.save(path, format));
        return path;
    }
    static std::string Bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }
    static std::string ImageErrorOf(const QString& path) {
        try {
            LoadScreenshot(Bytes(path), QSize(253, 213));
        } catch (const rtl::ImageError& error) {
            return error.what();
        }
        return "no error";
    }

    QTemporaryDir dir_;
};

TEST_F(ScreenshotLoading, ChoosesTheDecoderByExtensionInAnyCaseAndScalesToTheScreen) {
    for (const auto& [name, format] :
         std::initializer_list<std::pair<QString, const char*>>{{"a.jpg", "JPEG"},
                                                                {"b.JPEG", "JPEG"},
                                                                {"c.Png", "PNG"},
                                                                {"d.bmp", "BMP"},
                                                                {"e.ICO", "ICO"}}) {
        const QImage image = LoadScreenshot(Bytes(Save(name, format)), QSize(253, 213));
        EXPECT_EQ(image.size(), QSize(253, 213)) << name.toStdString();
        EXPECT_GT(image.pixelColor(120, 100).red(), 150) << name.toStdString();
    }
}

TEST_F(ScreenshotLoading, OpensTheFileByItsExactBytes) {
    // A name from an 8-bit catalogue: a lone Latin-1 byte is no character in a UTF-8 locale,
    // so no QString can name this file.
    QFile saved(Save("shot.png", "PNG"));
    const std::string latin1 = Bytes(dir_.path()) + "/caf\xE9.png";
    ASSERT_EQ(std::rename(saved.fileName().toLocal8Bit().constData(), latin1.c_str()), 0);
    EXPECT_EQ(LoadScreenshot(latin1, QSize(253, 213)).size(), QSize(253, 213));
    EXPECT_THROW(LoadScreenshot(Bytes(dir_.path()) + "/gone.png"), rtl::InOutError);
}

TEST_F(ScreenshotLoading, RaisesTheImageErrorForUnknownExtensionsAndBrokenContent) {
    EXPECT_EQ(ImageErrorOf(Save("shot.gif", "PNG")), "Unbekannte Bilddateierweiterung (.gif)");
    EXPECT_EQ(ImageErrorOf(Save("shot", "PNG")), "Unbekannte Bilddateierweiterung (.)");

    // The extension decides: PNG data named .jpg is a broken JPEG.
    const QString png_as_jpeg = Save("shot.jpg", "PNG");
    EXPECT_NE(ImageErrorOf(png_as_jpeg).find("Ungültiges Bild"), std::string::npos);

    QFile garbage(dir_.filePath("garbage.png"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("not a picture at all");
    garbage.close();
    EXPECT_NE(ImageErrorOf(garbage.fileName()).find("Ungültiges Bild"), std::string::npos);

    // Cut-off files: the decoders would fill in the missing part and show it.
    for (const auto& [name, format] : {std::pair{"cut.jpg", "JPEG"}, std::pair{"cut.png", "PNG"}}) {
        QImage noisy(200, 150, QImage::Format_RGB32);
        for (int y = 0; y < noisy.height(); ++y) {
            for (int x = 0; x < noisy.width(); ++x)
                noisy.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x * y) % 256));
        }
        QFile cut(dir_.filePath(name));
        ASSERT_TRUE(noisy.save(&cut, format));
        cut.close();
        ASSERT_TRUE(cut.resize(cut.size() * 6 / 10));
        EXPECT_NE(ImageErrorOf(cut.fileName()).find("Ungültiges Bild"), std::string::npos) << name;
    }

    // Metafiles are named by the format table but nothing here decodes them.
    EXPECT_NE(ImageErrorOf(Save("shot.emf", "PNG")).find("Ungültiges Bild"), std::string::npos);

    // A file far larger than any screenshot is refused before it is read; one byte less is
    // read (and is no picture).
    QFile big(dir_.filePath("big.png"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(qint64{64} << 20));
    big.close();
    EXPECT_NE(ImageErrorOf(big.fileName()).find("Ungültiges Bild"), std::string::npos);
    ASSERT_TRUE(big.resize((qint64{64} << 20) + 1));
    EXPECT_EQ(ImageErrorOf(big.fileName()), "Bilddatei zu groß (über 64 MiB)");
}

}  // namespace
}  // namespace varnimo::ui
