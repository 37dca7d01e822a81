// The "New collection" dialog of a user's own collection, driven offscreen: folders from a
// stand-in browser, boxes answered by the recording desktop, then the window's start.

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "main_window.h"
#include "new_collection_dialog.h"
#include "recording_desktop.h"
#include "rtl/text_file.h"

namespace varnimo {
namespace {

struct AnsweringBrowser : FolderBrowser {
    QString Browse(QWidget*, const QString& instruction) override {
        asked << instruction;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QStringList answers;
    QStringList asked;
};

void Touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
}

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
    }
    void TearDown() override {
        QDir::setCurrent(previous_);
        test::Desktop().Clear();
    }

    // Runs the start as main does: the offer first (answered by `answer`, which gets the
    // open dialog), then the window.
    void Start(const std::function<void(NewCollectionDialog&)>& answer) {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<NewCollectionDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), "New collection");
            dialog->SetFolderBrowser(browser_);
            answer(*dialog);
            if (dialog->isVisible())
                dialog->reject();  // never leave the test waiting
        });
        OfferNewCollection(test::Desktop());
        form_ = std::make_unique<TForm1>(test::Desktop());
        form_->show();
    }
    QStringList Lines() {
        QAbstractItemModel* model =
            form_->findChild<QAbstractItemView*>(QStringLiteral("TitleBox"))->model();
        QStringList lines;
        for (int i = 0; i < model->rowCount(); ++i)
            lines << model->index(i, 0).data().toString();
        return lines;
    }
    static void Click(QWidget& dialog, const char* button) {
        QTest::mouseClick(dialog.findChild<QPushButton*>(QString::fromLatin1(button)),
                          Qt::LeftButton);
    }

    QTemporaryDir dir_;
    QString previous_;
    AnsweringBrowser browser_;
    std::unique_ptr<TForm1> form_;
};

TEST_F(NewCollection, CreateImportsTheChosenFoldersAndTheWindowListsThem) {
    Start([&](NewCollectionDialog& dialog) {
        auto* create = dialog.findChild<QPushButton*>(QStringLiteral("create_button"));
        EXPECT_FALSE(create->isEnabled());  // nothing to import yet
        browser_.answers = {dir_.filePath(QStringLiteral("roms")),
                            dir_.filePath(QStringLiteral("shots"))};
        Click(dialog, "rom_edit_browse");
        Click(dialog, "screen_edit_browse");
        EXPECT_EQ(browser_.asked,
                  QStringList({"Please locate your Roms.", "Please locate the screenshots."}));
        EXPECT_TRUE(create->isEnabled());
        Click(dialog, "create_button");
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return Lines().size() == 2; }));
    EXPECT_EQ(Lines(), QStringList({"alpha (U)", "Beta (E)"}));
    const QStringList boxes = test::Desktop().Texts();
    ASSERT_FALSE(boxes.isEmpty());
    EXPECT_EQ(boxes[0], "imported 2 titles from " + dir_.filePath(QStringLiteral("roms")) +
                            "/, 1 with screenshots; skipped 1 file the scan cannot find (.txt 1)");
    EXPECT_EQ(boxes.mid(1), QStringList({"Varnimo will use scanned.dat"}));
}

TEST_F(NewCollection, ARefusedImportSaysWhyAndCancelLeavesTheDocumentedStart) {
    Start([&](NewCollectionDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("rom_edit"))
            ->setText(QStringLiteral("missing"));
        Click(dialog, "create_button");
        EXPECT_EQ(test::Desktop().Texts(),
                  QStringList({"the ROM folder missing: No such file or directory"}));
        EXPECT_TRUE(dialog.isVisible());  // the user may choose again
        test::Desktop().Clear();
        Click(dialog, "cancel_button");
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form_->isVisible(); }));
    EXPECT_EQ(test::Desktop().Texts(),
              QStringList({"Could not load Options!", "Could not load Datafile!"}));
    EXPECT_TRUE(QDir::current().entryList(QDir::Files).isEmpty());
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
    Start([&](NewCollectionDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("rom_edit"))
            ->setText(dir_.filePath(QStringLiteral("roms")));
        Click(dialog, "create_button");
        EXPECT_EQ(test::Desktop().Texts(), QStringList({"E/A-Fehler 28"}));
        EXPECT_TRUE(dialog.isVisible());
        const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
        EXPECT_EQ(QDir::current().entryList(all).join(' ').toStdString(), "");  // nothing half made
        test::Desktop().Clear();
        Click(dialog, "create_button");
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return Lines().size() == 2; }));
    EXPECT_EQ(Lines(), QStringList({"alpha (U)", "Beta (E)"}));
}

TEST_F(NewCollection, IsNotOfferedWhereACatalogueIsThere) {
    Touch(QStringLiteral("SNES_screens.dat"));
    OfferNewCollection(test::Desktop());  // would wait for a person if it showed the dialog
    EXPECT_TRUE(test::Desktop().boxes.empty());
}

}  // namespace
}  // namespace varnimo
