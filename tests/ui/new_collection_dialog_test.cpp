// The "New collection" dialog of a user's own collection, driven offscreen: folders and files
// from stand-in browsers, boxes answered by the recording desktop, then the window's start
// and its Settings > Import ROM folder....

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "app/main_window_logic.h"
#include "catalogue/rom_import.h"
#include "demo_folder.h"
#include "main_window.h"
#include "new_collection_dialog.h"
#include "recording_desktop.h"
#include "rtl/text_file.h"

namespace varnimo::ui {
namespace {

struct AnsweringBrowser : FolderBrowser {
    QString Browse(QWidget*, const QString& instruction) override {
        asked << instruction;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QStringList answers;
    QStringList asked;
};

struct AnsweringFilesBrowser : FilesBrowser {
    QStringList Browse(QWidget*, const QString& instruction) override {
        asked << instruction;
        return answer;
    }
    QStringList answer;
    QStringList asked;
};

void Touch(const QString& path, const QByteArray& bytes = "x") {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A genre DAT and a players DAT of the libretro database's kind, naming one game of the folder.
const QByteArray kGenreDat =
    "clrmamepro (\n\tname \"genre\"\n)\n\ngame (\n\tcomment \"alpha (U)\"\n"
    "\tgenre \"Puzzle\"\n\trom ( crc 12345678 )\n)\n";
const QByteArray kPlayersDat =
    "clrmamepro (\n\tname \"maxusers\"\n)\n\ngame (\n\tcomment \"Beta "
    "(E)\"\n\tusers 2\n\trom ( crc 87654321 )\n)\n";

class NewCollection : public ::testing::Test {
  protected:
    void SetUp() override {
        test::Desktop().Clear();
        previous_ = QDir::currentPath();
        QDir(dir_.path()).mkdir(QStringLiteral("collection"));
        QDir::setCurrent(dir_.filePath(QStringLiteral("collection")));
        Touch(dir_.filePath(QStringLiteral("roms/Beta (E).smc")));
        Touch(dir_.filePath(QStringLiteral("roms/alpha (U).zip")));
        Touch(dir_.filePath(QStringLiteral("roms/notes.txt")));
        Touch(dir_.filePath(QStringLiteral("shots/Named_Titles/alpha (U).png")));
        Touch(dir_.filePath(QStringLiteral("dats/genre.dat")), kGenreDat);
        Touch(dir_.filePath(QStringLiteral("dats/max users.dat")), kPlayersDat);
        Touch(dir_.filePath(QStringLiteral("docs/manual.txt")));
    }
    void TearDown() override {
        window_.reset();
        QDir::setCurrent(previous_);
        test::Desktop().Clear();
    }

    // Runs the start as main does: the offer first (answered by `answer`, which gets the
    // open dialog), then the window, unless the offer was cancelled.
    bool Start(const std::function<void(NewCollectionDialog&)>& answer) {
        Answer(answer);
        if (!OfferNewCollection(test::Desktop()))
            return false;
        window_ = std::make_unique<MainWindow>(test::Desktop());
        window_->SetOwnCollection();
        window_->show();
        return true;
    }
    // Answers the next modal dialog, a New collection dialog, with `answer`.
    void Answer(const std::function<void(NewCollectionDialog&)>& answer) {
        QTimer::singleShot(0, [this, answer] {
            auto* dialog = qobject_cast<NewCollectionDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), "New collection");
            dialog->SetFolderBrowser(browser_);
            dialog->SetFilesBrowser(files_browser_);
            answer(*dialog);
            if (dialog->isVisible() && !dialog->Importing())
                dialog->reject();  // never leave the test waiting
        });
    }
    QStringList Lines() {
        QAbstractItemModel* model =
            window_->findChild<QAbstractItemView*>(QStringLiteral("titleList"))->model();
        QStringList lines;
        for (int i = 0; i < model->rowCount(); ++i)
            lines << model->index(i, 0).data().toString();
        return lines;
    }
    static void Click(QWidget& dialog, const char* button) {
        QTest::mouseClick(dialog.findChild<QPushButton*>(QString::fromLatin1(button)),
                          Qt::LeftButton);
    }
    static QLineEdit* Field(QWidget& dialog, const char* name) {
        return dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    // Presses Create and waits for the import to end.
    static void Create(NewCollectionDialog& dialog) {
        Click(dialog, "createButton");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.Importing(); }, 10000));
    }
    QString Path(const char* relative) const {
        return dir_.filePath(QString::fromLatin1(relative));
    }

    QTemporaryDir dir_;
    QString previous_;
    AnsweringBrowser browser_;
    AnsweringFilesBrowser files_browser_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(NewCollection, CreateImportsTheChosenFoldersAndDatFilesAndTheWindowListsThem) {
    ASSERT_TRUE(Start([&](NewCollectionDialog& dialog) {
        auto* create = dialog.findChild<QPushButton*>(QStringLiteral("createButton"));
        EXPECT_FALSE(create->isEnabled());  // nothing to import yet
        browser_.answers = {Path("roms"), Path("shots")};
        files_browser_.answer = {Path("dats/genre.dat"), Path("dats/max users.dat")};
        Click(dialog, "romFolderBrowseButton");
        Click(dialog, "screenshotFolderBrowseButton");
        Click(dialog, "datFilesBrowseButton");
        EXPECT_EQ(browser_.asked,
                  QStringList({"Please locate your Roms.", "Please locate the screenshots."}));
        EXPECT_EQ(files_browser_.asked, QStringList({"Please locate the DAT files."}));
        EXPECT_EQ(Field(dialog, "datFilesEdit")->text(),
                  '"' + Path("dats/genre.dat") + "\" \"" + Path("dats/max users.dat") + '"');
        EXPECT_TRUE(create->isEnabled());
        Create(dialog);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Lines().size() == 2; }));
    EXPECT_EQ(Lines(), QStringList({"alpha (U)", "Beta (E)"}));
    // The summary, and nothing about the scan cache: the collection is the program's own.
    EXPECT_EQ(test::Desktop().Texts(),
              QStringList({"imported 2 titles from " + Path("roms") +
                           "/, 1 with screenshots, 1 with a genre, 1 with players, 0 matched by "
                           "CRC and 2 by name; skipped 1 other file (.txt 1)"}));
    EXPECT_EQ(test::ReadFile(catalogue::kDatListFileName),
              (Path("dats/genre.dat") + "\r\n" + Path("dats/max users.dat") + "\r\n").toUtf8());
}

TEST_F(NewCollection, ARefusedImportSaysWhyAndStaysOpenAndCancelEndsTheStartQuietly) {
    Touch(Path("dats/broken.dat"), "clrmamepro (\n\tname \"x\"\n)\ngame ( comment \"x\"\n");
    const struct {
        const char* rom_folder;
        QString dats;
        QString why;
    } refusals[] = {
        {"missing", "", "the ROM folder missing: No such file or directory"},
        {"docs", "",
         "the ROM folder " + Path("docs") +
             " holds no ROM files (.zip, .smc, .fig, .smd, .sfc or .swc): it holds 1 other file "
             "(.txt 1)"},
        {"roms", Path("dats/broken.dat"),
         Path("dats/broken.dat") + ":4: the '(' of this line is not closed"},
    };
    EXPECT_FALSE(Start([&](NewCollectionDialog& dialog) {
        for (const auto& refusal : refusals) {
            test::Desktop().Clear();
            const QString folder = QString::fromLatin1(refusal.rom_folder);
            Field(dialog, "romFolderEdit")
                ->setText(folder == "missing" ? folder : Path(refusal.rom_folder));
            Field(dialog, "datFilesEdit")->setText(refusal.dats);
            Create(dialog);
            EXPECT_EQ(test::Desktop().Texts(), QStringList({refusal.why}));
            EXPECT_TRUE(dialog.isVisible());  // the user may choose again
        }
        test::Desktop().Clear();
        Click(dialog, "cancelButton");
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }));
    EXPECT_TRUE(test::Desktop().boxes.empty()) << test::Desktop().Texts().join(" | ").toStdString();
    EXPECT_TRUE(QDir::current().entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(NewCollection, ASecondCreateWorksAfterAFailedOne) {
    // The first import cannot put its last file in place, as on a full network share.
    struct FailThirdRename final : rtl::WriteFaultHook {
        FailThirdRename() : previous(rtl::SetWriteFaultHook(this)) {}
        ~FailThirdRename() override { rtl::SetWriteFaultHook(previous); }
        int Fault(std::string_view operation) override {
            return operation == "rename" && ++renames == 3 ? ENOSPC : 0;
        }
        rtl::WriteFaultHook* previous;
        int renames = 0;
    } fault;
    ASSERT_TRUE(Start([&](NewCollectionDialog& dialog) {
        Field(dialog, "romFolderEdit")->setText(Path("roms"));
        Create(dialog);
        EXPECT_EQ(test::Desktop().Texts(), QStringList({"E/A-Fehler 28"}));
        EXPECT_TRUE(dialog.isVisible());
        const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
        EXPECT_EQ(QDir::current().entryList(all).join(' ').toStdString(), "");  // nothing half made
        test::Desktop().Clear();
        Create(dialog);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Lines().size() == 2; }));
    EXPECT_EQ(Lines(), QStringList({"alpha (U)", "Beta (E)"}));
}

// The import runs beside the windows: while it is held half-way, this thread goes on handling
// events, the dialog shows the ROM files read and takes no input, and it cannot be closed.
TEST_F(NewCollection, TheWindowsKeepDrawingWhileTheImportRuns) {
    struct HoldFirstCreate final : rtl::WriteFaultHook {
        HoldFirstCreate() : previous(rtl::SetWriteFaultHook(this)) {}
        ~HoldFirstCreate() override { rtl::SetWriteFaultHook(previous); }
        int Fault(std::string_view operation) override {
            std::unique_lock<std::mutex> lock(mutex);
            if (operation == "create" && !reached) {
                reached = true;
                released_again.wait_for(lock, std::chrono::seconds(10), [&] { return released; });
            }
            return 0;
        }
        bool Reached() {
            std::lock_guard<std::mutex> lock(mutex);
            return reached;
        }
        void Release() {
            std::lock_guard<std::mutex> lock(mutex);
            released = true;
            released_again.notify_all();
        }
        rtl::WriteFaultHook* previous;
        std::mutex mutex;
        std::condition_variable released_again;
        bool reached = false;
        bool released = false;
    } hold;
    ASSERT_TRUE(Start([&](NewCollectionDialog& dialog) {
        Field(dialog, "romFolderEdit")->setText(Path("roms"));
        Field(dialog, "datFilesEdit")->setText(Path("dats/genre.dat"));
        Click(dialog, "createButton");
        auto* progress = dialog.findChild<QProgressBar*>(QStringLiteral("importProgress"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return hold.Reached(); }));
        // The two ROM files were read for their CRCs before the files are written.
        ASSERT_TRUE(QTest::qWaitFor([&] { return progress->value() == 2; }));
        EXPECT_TRUE(dialog.Importing());
        EXPECT_TRUE(progress->isVisible());
        EXPECT_EQ(progress->maximum(), 2);
        EXPECT_FALSE(Field(dialog, "romFolderEdit")->isEnabled());
        EXPECT_FALSE(dialog.findChild<QPushButton*>(QStringLiteral("cancelButton"))->isEnabled());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        dialog.reject();
        EXPECT_TRUE(dialog.isVisible());
        hold.Release();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.Importing(); }));
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(progress->isVisible());
    }));
    hold.Release();
}

// Settings > Import ROM folder... mends a collection: the dialog comes filled with today's
// folders and DAT files; a folder without ROM files is refused and the dialog stays; Create
// replaces the collection, keeping the emulator folders and the slideshow settings, and the
// window shows the new one.
TEST_F(NewCollection, ImportRomFolderFromTheWindowReplacesTheCollection) {
    ASSERT_TRUE(Start([&](NewCollectionDialog& dialog) {
        Field(dialog, "romFolderEdit")->setText(Path("roms"));
        Field(dialog, "screenshotFolderEdit")->setText(Path("shots"));
        Field(dialog, "datFilesEdit")->setText(Path("dats/genre.dat"));
        Create(dialog);
    }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Lines().size() == 2; }));
    auto* settings = window_->findChild<QMenu*>(QStringLiteral("settingsMenu"));
    QAction* item = window_->findChild<QAction*>(QStringLiteral("importRomFolderAction"));
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isVisible());
    EXPECT_EQ(item->text(), "&Import ROM folder...");
    const QList<QAction*> entries = settings->actions();
    EXPECT_EQ(entries.indexOf(item),
              entries.indexOf(window_->findChild<QAction*>(QStringLiteral("resetAction"))) + 1);
    // What the Options dialog would have changed since.
    {
        settings::ProgramOptions options = window_->Logic().Options();
        options.snes9x_folder = "/opt/snes9x/";
        window_->Logic().SetOptions(options);
    }
    window_->Logic().SetSlideshowInterval(5000);
    window_->Logic().SetShowMode(2);

    Touch(Path("roms 2/Gamma (J).sfc"));
    Touch(Path("roms 2/Gamma (J).srm"));
    test::Desktop().Clear();
    Answer([&](NewCollectionDialog& dialog) {
        EXPECT_EQ(Field(dialog, "romFolderEdit")->text(), Path("roms"));
        EXPECT_EQ(Field(dialog, "screenshotFolderEdit")->text(), Path("shots"));
        EXPECT_EQ(Field(dialog, "datFilesEdit")->text(), Path("dats/genre.dat"));
        Field(dialog, "romFolderEdit")->setText(Path("docs"));
        Create(dialog);
        ASSERT_EQ(test::Desktop().Texts().size(), 1);
        EXPECT_TRUE(test::Desktop().Texts()[0].startsWith("the ROM folder " + Path("docs") +
                                                          " holds no ROM files"));
        EXPECT_TRUE(dialog.isVisible());
        test::Desktop().Clear();
        Field(dialog, "romFolderEdit")->setText(Path("roms 2"));
        Field(dialog, "datFilesEdit")->clear();
        Create(dialog);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    });
    item->trigger();
    EXPECT_EQ(Lines(), QStringList({"Gamma (J)"}));
    EXPECT_EQ(test::Desktop().Texts(),
              QStringList({"imported 1 title from " + Path("roms 2") +
                           "/, 0 with screenshots; skipped 1 other file (.srm 1)"}));
    EXPECT_EQ(window_->Logic().Options().rom_folder, (Path("roms 2") + '/').toStdString());
    EXPECT_EQ(
        test::ReadFile("options.dat"),
        (Path("shots") + "/\r\n" + Path("roms 2") + "/\r\n/opt/snes9x/\r\n" +
         QString::fromStdString(window_->Logic().Options().zsnes_folder) + "\r\n5000\r\n2\r\n")
            .toUtf8());
    EXPECT_EQ(test::ReadFile(catalogue::kDatListFileName), "");
}

TEST_F(NewCollection, IsNotOfferedWhereACatalogueIsThere) {
    Touch(QStringLiteral("SNES_screens.dat"));
    // Would wait for a person if it showed the dialog.
    EXPECT_TRUE(OfferNewCollection(test::Desktop()));
    EXPECT_TRUE(test::Desktop().boxes.empty());
}

}  // namespace
}  // namespace varnimo::ui
