// The emulator launch through the window's own code, really starting a program: an emulator
// folder and a ROM title full of what a shell or a command line would take apart (blanks,
// quotes, "$", ";", "&", parentheses) and bytes outside ASCII must reach the started program
// as one argument, byte for byte.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>

#include "app/main_window_logic.h"
#include "desktop.h"
#include "main_window.h"
#include "recording_desktop.h"

namespace varnimo::ui {
namespace {

// Records boxes like the test desktop, but starts programs the way the real one does.
class StartingDesktop final : public Desktop {
  public:
    void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                 const QString& text) override {
        test::Desktop().ShowBox(parent, icon, title, text);
    }
    void StartDetached(const QString& program, const QStringList& arguments) override {
        real_.StartDetached(program, arguments);
    }
    void StartDetachedBytes(const std::string& program, const std::string& argument) override {
        real_.StartDetachedBytes(program, argument);
    }
    bool OpenUrl(const QUrl&) override { return true; }

  private:
    QtDesktop real_;
};

std::string ReadAll(const std::string& path) {
    QFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

void WriteAll(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    ::chmod(path.c_str(), mode);
}

// Writes its argument count and its arguments, each ended by a zero byte, to `out`.
std::string RecordingProgram(const std::string& out) {
    return "#!/bin/sh\n{ printf '%s\\0' \"$#\"; for a in \"$@\"; do printf '%s\\0' \"$a\"; done; } "
           "> '" +
           out + ".part'\nmv '" + out + ".part' '" + out + "'\n";
}

TEST(Launch, HostileFolderAndTitleReachTheEmulatorAsOneIntactArgument) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const std::string root = temp.path().toStdString();
    // Valid UTF-8 (é) and a lone Latin-1 byte (0xE9, 0xFC) as a Windows catalogue has them.
    const std::string folder = root + "/emu dir 'q' \"dq\" $HOME ; & (x) \xC3\xA9 \xE9";
    // A title cannot hold ";" (it separates the catalogue's fields); the ROM folder does.
    const std::string title = "Tom's \"Game\" $PATH && rm -rf (J) `id` \xC3\xBC \xFC";
    const std::string roms = root + "/roms; (1) & $x \xFC/";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(roms.c_str(), 0755), 0);
    WriteAll(folder + "/snes9x", RecordingProgram(root + "/snes9x.out"), 0755);
    WriteAll(folder + "/zsnesw", RecordingProgram(root + "/zsnesw.out"), 0755);
    WriteAll(roms + title + ".zip", "rom");
    WriteAll(root + "/SNES_screens.dat", "1.0\r\n" + title + ";t.png;i.png;1;1\r\n");
    WriteAll(root + "/options.dat",
             root + "/\r\n" + roms + "\r\n" + folder + "/\r\n" + folder + "/\r\n0\r\n0\r\n");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(temp.path()));

    test::Desktop().Clear();
    StartingDesktop desktop;
    {
        MainWindow window(desktop);
        window.show();
        ASSERT_TRUE(QTest::qWaitFor([] {
            return test::Desktop().Texts().contains("scanned.dat saved successfully!");
        })) << test::Desktop().Texts().join(" | ").toStdString();
        auto* list = window.findChild<QAbstractItemView*>("titleList");
        ASSERT_EQ(list->model()->rowCount(), 1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(0, 0)).center());
        test::Desktop().Clear();
        QTest::mouseClick(window.findChild<QPushButton*>("runSnes9xButton"), Qt::LeftButton);
        QTest::mouseClick(window.findChild<QPushButton*>("runZsnesButton"), Qt::LeftButton);
        EXPECT_TRUE(test::Desktop().boxes.empty())
            << test::Desktop().Texts().join(" | ").toStdString();

        const std::string expected = std::string("1") + '\0' + roms + title + ".zip" + '\0';
        for (const char* program : {"snes9x", "zsnesw"}) {
            SCOPED_TRACE(program);
            const std::string out = root + "/" + program + ".out";
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return QFile::exists(QString::fromStdString(out)); }, 10000));
            EXPECT_EQ(ReadAll(out), expected);
        }

        // No Snes9X folder: the bare name, found where the shell would find it.
        const std::string out = root + "/snes9x.out";
        std::filesystem::remove(out);
        settings::ProgramOptions options = window.Logic().Options();
        options.snes9x_folder.clear();
        window.Logic().SetOptions(options);
        const std::string path = ::getenv("PATH");
        ::setenv("PATH", (folder + ":" + path).c_str(), 1);
        QTest::mouseClick(window.findChild<QPushButton*>("runSnes9xButton"), Qt::LeftButton);
        ::setenv("PATH", path.c_str(), 1);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return QFile::exists(QString::fromStdString(out)); }, 10000));
        EXPECT_EQ(ReadAll(out), expected);
    }
    QDir::setCurrent(previous);
    // QTemporaryDir cannot remove names that are not valid in the locale's encoding.
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

}  // namespace
}  // namespace varnimo::ui
