#include "new_collection_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "catalogue/catalogue_file.h"
#include "catalogue/rom_import.h"
#include "desktop.h"
#include "rtl/files.h"

namespace varnimo {

NewCollectionDialog::NewCollectionDialog(Desktop& desktop, QWidget* parent)
    : QDialog(parent), desktop_(desktop) {
    setObjectName(QStringLiteral("new_collection"));
    setWindowTitle(QStringLiteral("New collection"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral(
        "Varnimo lists the ROM files (.zip, .smc, .fig, .smd) of a folder and makes your\n"
        "collection from them. Screenshots are found by title: Named_Titles and Named_Snaps\n"
        "of a thumbnail set, or pictures named after the titles (.png, .jpg, .jpeg)."));
    layout->addWidget(intro);

    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    auto add_row = [&](int row, const QString& caption, const char* name,
                       const QString& instruction) {
        grid->addWidget(new QLabel(caption), row, 0);
        auto* edit = new QLineEdit;
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMinimumWidth(360);
        grid->addWidget(edit, row, 1);
        auto* browse = new QPushButton(QStringLiteral("Browse..."));
        browse->setObjectName(QString::fromLatin1(name) + QStringLiteral("_browse"));
        grid->addWidget(browse, row, 2);
        connect(browse, &QPushButton::clicked, this,
                [this, instruction, edit] { Browse(instruction, edit); });
        return edit;
    };
    rom_edit_ = add_row(0, QStringLiteral("ROM folder:"), "rom_edit",
                        QStringLiteral("Please locate your Roms."));
    screen_edit_ = add_row(1, QStringLiteral("Screenshot folder (optional):"), "screen_edit",
                           QStringLiteral("Please locate the screenshots."));

    auto* buttons = new QDialogButtonBox;
    create_button_ = buttons->addButton(QStringLiteral("Create"), QDialogButtonBox::AcceptRole);
    create_button_->setObjectName(QStringLiteral("create_button"));
    create_button_->setEnabled(false);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancel_button"));
    layout->addWidget(buttons);
    connect(create_button_, &QPushButton::clicked, this, &NewCollectionDialog::CreateClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(rom_edit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { create_button_->setEnabled(!text.isEmpty()); });
}

void NewCollectionDialog::Browse(const QString& instruction, QLineEdit* edit) {
    const QString folder = browser_->Browse(this, instruction);
    if (!folder.isEmpty())
        edit->setText(QDir::toNativeSeparators(folder));
}

void NewCollectionDialog::CreateClick() {
    catalogue::RomImportRequest request;
    // Folders go to the import as the bytes the file system knows them by.
    request.rom_folder = QFile::encodeName(rom_edit_->text()).toStdString();
    request.screen_folder = QFile::encodeName(screen_edit_->text()).toStdString();
    if (const char* path = std::getenv("PATH"))
        request.search_path = path;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const catalogue::RomImportSummary summary = catalogue::ImportRomFolder(request);
        QApplication::restoreOverrideCursor();
        desktop_.ShowBox(this, QMessageBox::Information, QStringLiteral("New collection"),
                         QString::fromLocal8Bit(summary.Line()));
        accept();
    } catch (const catalogue::RomImportError& error) {
        // Nothing was made: say why and let the user choose again.
        std::string text = error.what();
        if (!error.ExistingFile().empty()) {
            text += ": move it out of " + QFile::encodeName(QDir::currentPath()).toStdString() +
                    " to make a new collection there";
        }
        Refused(text);
    } catch (const std::runtime_error& error) {
        Refused(error.what());  // a write failed; what was there before is still there
    }
}

void NewCollectionDialog::Refused(const std::string& text) {
    QApplication::restoreOverrideCursor();
    desktop_.ShowBox(this, QMessageBox::Critical, QStringLiteral("New collection"),
                     QString::fromLocal8Bit(text));
}

void OfferNewCollection(Desktop& desktop) {
    if (rtl::FileExists(catalogue::kCatalogueFileName))
        return;
    NewCollectionDialog dialog(desktop);
    dialog.exec();
}

}  // namespace varnimo
