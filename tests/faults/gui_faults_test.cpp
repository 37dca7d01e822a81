// The window offscreen under faults it cannot prevent: a disk that refuses a write while the
// options or the scan cache are saved, and screenshot files that are truncated or are not
// pictures at all. Each fault must end in its error box and nothing worse: the file that was
// there stays byte for byte, no half-written file is left, and the window goes on working.

#include <gtest/gtest.h>

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <cerrno>
#include <memory>

#include "app/main_window_logic.h"
#include "demo_folder.h"
#include "main_window.h"
#include "options_dialog.h"
#include "recording_desktop.h"
#include "rtl/text_file.h"

namespace varnimo::ui {
namespace {

using test::DemoFolder;
using test::NearColour;

const QString kSaved = "scanned.dat saved successfully!";
const QString kDiskFull = "E/A-Fehler 28";

// Fails one step of every file write, as a full disk would.
class FailingStep final : public rtl::WriteFaultHook {
  public:
    explicit FailingStep(std::string step) : step_(std::move(step)) {
        previous_ = rtl::SetWriteFaultHook(this);
    }
    ~FailingStep() override { rtl::SetWriteFaultHook(previous_); }
    int Fault(std::string_view operation) override { return operation == step_ ? ENOSPC : 0; }

  private:
    std::string step_;
    rtl::WriteFaultHook* previous_ = nullptr;
};

// A picture with enough detail that its compressed data is long, so cutting it leaves most
// of the pixels undelivered.
QByteArray NoisyPicture(const char* format) {
    QImage image(320, 240, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, random.generate() | 0xFF000000u);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

class Faults : public ::testing::Test {
  protected:
    void SetUp() override { test::Desktop().Clear(); }
    void TearDown() override {
        window_.reset();
        demo_.reset();
        test::Desktop().Clear();
    }

    void MakeFolder(DemoFolder::Settings settings = {}) {
        demo_ = std::make_unique<DemoFolder>(settings);
    }
    void ShowWindow() {
        window_ = std::make_unique<MainWindow>(test::Desktop());
        window_->show();
    }
    // Opens the window on the demo folder and waits for its first scan.
    void Open(DemoFolder::Settings settings = {}) {
        MakeFolder(settings);
        ShowWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return test::Desktop().Texts().contains(kSaved); }))
            << test::Desktop().Texts().join(" | ").toStdString();
        test::Desktop().Clear();
    }
    QStringList FolderEntries() const {
        return QDir(QDir::currentPath()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    template <typename T>
    T* Child(QObject* parent, const char* name) const {
        T* child = parent->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    int ListLines() const {
        return Child<QAbstractItemView>(window_.get(), "titleList")->model()->rowCount();
    }

    std::unique_ptr<DemoFolder> demo_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(Faults, FailedOptionsSaveKeepsThePreviousFileByteForByte) {
    Open();
    const QByteArray before = test::ReadFile("options.dat");
    const QStringList entries = FolderEntries();
    OptionsDialog& dialog = window_->OptionsWindow();
    dialog.show();
    QPushButton* save = Child<QPushButton>(&dialog, "saveButton");
    // Something the save would change: the ZSNES folder.
    {
        settings::ProgramOptions options = window_->Logic().Options();
        options.zsnes_folder = "changed/";
        window_->Logic().SetOptions(options);
    }

    for (const char* step : {"create", "write", "sync", "rename"}) {
        SCOPED_TRACE(step);
        test::Desktop().Clear();
        {
            FailingStep fail(step);
            QTest::mouseClick(save, Qt::LeftButton);
        }
        ASSERT_EQ(test::Desktop().boxes.size(), 1u)
            << test::Desktop().Texts().join(" | ").toStdString();
        EXPECT_EQ(test::Desktop().boxes[0].icon, QMessageBox::Critical);
        EXPECT_EQ(test::Desktop().boxes[0].text, kDiskFull);
        EXPECT_EQ(test::ReadFile("options.dat"), before);
        EXPECT_EQ(FolderEntries(), entries);  // no temporary file left behind
    }

    // The disk has room again: the same button saves.
    test::Desktop().Clear();
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_EQ(test::Desktop().Texts(), QStringList{"Saved successfully!"});
    EXPECT_TRUE(test::ReadFile("options.dat").contains("\r\nchanged/\r\n"));
    EXPECT_EQ(FolderEntries(), entries);
    dialog.hide();
}

TEST_F(Faults, FailedScanCacheWriteLeavesNoCacheAndTheNextResetScansAgain) {
    for (const char* step : {"create", "write", "sync", "rename"}) {
        SCOPED_TRACE(step);
        test::Desktop().Clear();
        MakeFolder();
        const QStringList entries = FolderEntries();
        {
            FailingStep fail(step);
            ShowWindow();
            ASSERT_TRUE(QTest::qWaitFor([&] {
                return test::Desktop().Texts().contains(kDiskFull);
            })) << test::Desktop().Texts().join(" | ").toStdString();
        }
        EXPECT_FALSE(test::Desktop().Texts().contains(kSaved));
        // A cut cache would be read as the truth on every later start: there must be none.
        EXPECT_FALSE(QFile::exists("scanned.dat"));
        EXPECT_EQ(FolderEntries(), entries);

        test::Desktop().Clear();
        Child<QAction>(window_.get(), "resetAction")->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return test::Desktop().Texts().contains(kSaved); }))
            << test::Desktop().Texts().join(" | ").toStdString();
        EXPECT_EQ(test::ReadFile("scanned.dat"), QByteArray("1\r\n1\r\n0\r\n1\r\n1\r\n"));
        EXPECT_EQ(ListLines(), 4);
        window_.reset();
        demo_.reset();
    }
}

// Lines of the demo list: 0 Alpha Quest, 1 beta Racer, 2 Delta Force, 3 Gamma Blocks.
TEST_F(Faults, BrokenScreenshotsShowTheImageErrorAndTheWindowGoesOn) {
    DemoFolder::Settings settings;
    settings.interval = 200;
    MakeFolder(settings);
    const QByteArray jpeg = NoisyPicture("JPEG");
    const QByteArray png = NoisyPicture("PNG");
    test::WriteFile("shots/alpha_t.png",
                    QByteArray::fromRawData("\x13\x77\xA0\xFE\x01garbage bytes", 18));
    test::WriteFile("shots/beta_t.JPEG", jpeg.left(jpeg.size() * 6 / 10));
    test::WriteFile("shots/gamma_t.png", png.left(png.size() / 2));
    ShowWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return test::Desktop().Texts().contains(kSaved); }));
    QAbstractItemView* list = Child<QAbstractItemView>(window_.get(), "titleList");
    auto click = [&](int line) {
        test::Desktop().Clear();
        const QRect rect = list->visualRect(list->model()->index(line, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    };
    auto screen = [&] {
        const QImage image = Child<QLabel>(window_.get(), "screenshot")->pixmap().toImage();
        return image.pixelColor(image.width() / 2, image.height() / 2);
    };

    for (int line : {0, 1, 3}) {
        SCOPED_TRACE(line);
        click(line);
        if (test::Desktop().boxes.empty()) {
            ADD_FAILURE() << "no error box";
            continue;
        }
        EXPECT_EQ(test::Desktop().boxes[0].icon, QMessageBox::Critical);
        EXPECT_TRUE(test::Desktop().boxes[0].text.startsWith(QString::fromUtf8("Ungültiges Bild")))
            << test::Desktop().boxes[0].text.toStdString();
    }
    // The slideshow goes on after the error: Alpha's in-game shot still comes up, and the
    // title shot's error comes again on the ticks that show it.
    click(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return NearColour(screen(), test::kAlphaIngame); }, 3000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return test::Desktop().boxes.size() >= 2; }, 3000));
}

}  // namespace
}  // namespace varnimo::ui
