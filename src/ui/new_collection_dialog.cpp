#include "new_collection_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include "catalogue/catalogue_file.h"
#include "desktop.h"
#include "rtl/files.h"

namespace varnimo::ui {

namespace {

// A folder as the fields show it: without the separator the options keep at its end.
QString FolderField(const std::string& folder) {
    QString text = QDir::toNativeSeparators(QFile::decodeName(QByteArray::fromStdString(folder)));
    if (text.size() > 1 && text.endsWith(QDir::separator()))
        text.chop(1);
    return text;
}

std::string FileName(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

QString FileField(const std::string& names) {
    return QFile::decodeName(QByteArray::fromStdString(names));
}

}  // namespace

QStringList QtFilesBrowser::Browse(QWidget* parent, const QString& instruction) {
    return QFileDialog::getOpenFileNames(parent, instruction, QDir::homePath(),
                                         QStringLiteral("DAT files (*.dat *.xml);;All files (*)"));
}

NewCollectionDialog::NewCollectionDialog(Desktop& desktop, catalogue::RomImportRequest base,
                                         QWidget* parent)
    : QDialog(parent), desktop_(desktop), rules_(*this, std::move(base)) {
    const catalogue::RomImportRequest& filled = rules_.Base();
    setObjectName(QStringLiteral("newCollectionDialog"));
    setWindowTitle(QStringLiteral("New collection"));
    auto* layout = new QVBoxLayout(this);
    const QString about = QString::fromStdString(app::NewCollectionIntro(filled.replace));
    auto* intro = new QLabel(about);
    intro->setObjectName(QStringLiteral("introLabel"));
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    auto add_row = [&](int row, const QString& caption, const char* name,
                       const std::function<void()>& browse_click) {
        auto* label = new QLabel(caption);
        grid->addWidget(label, row, 0);
        auto* edit = new QLineEdit;
        edit->setObjectName(QString::fromLatin1(name) + QStringLiteral("Edit"));
        edit->setMinimumWidth(360);
        label->setBuddy(edit);
        grid->addWidget(edit, row, 1);
        auto* browse = new QPushButton(QStringLiteral("Browse..."));
        browse->setObjectName(QString::fromLatin1(name) + QStringLiteral("BrowseButton"));
        grid->addWidget(browse, row, 2);
        connect(browse, &QPushButton::clicked, this, browse_click);
        return edit;
    };
    rom_edit_ = add_row(0, QStringLiteral("ROM folder:"), "romFolder",
                        [this] { Browse(QStringLiteral("Please locate your Roms."), rom_edit_); });
    screen_edit_ =
        add_row(1, QStringLiteral("Screenshot folder (optional):"), "screenshotFolder",
                [this] { Browse(QStringLiteral("Please locate the screenshots."), screen_edit_); });
    dat_edit_ = add_row(2, QStringLiteral("Game information (optional):"), "datFiles", [this] {
        const QStringList files =
            files_browser_->Browse(this, QStringLiteral("Please locate the DAT files."));
        if (!files.isEmpty()) {
            std::vector<std::string> names;
            for (const QString& file : files)
                names.push_back(FileName(QDir::toNativeSeparators(file)));
            dat_edit_->setText(FileField(app::JoinFileList(names)));
        }
    });
    dat_edit_->setPlaceholderText(QStringLiteral("DAT files, each in double quotes"));

    progress_ = new QProgressBar;
    progress_->setObjectName(QStringLiteral("importProgress"));
    progress_->setFormat(QStringLiteral("%v of %m ROM files read"));
    // Its room is kept while it is hidden, so the texts above keep theirs when it shows.
    QSizePolicy keep_room = progress_->sizePolicy();
    keep_room.setRetainSizeWhenHidden(true);
    progress_->setSizePolicy(keep_room);
    progress_->hide();
    layout->addWidget(progress_);

    auto* buttons = new QDialogButtonBox;
    create_button_ = buttons->addButton(QStringLiteral("Create"), QDialogButtonBox::AcceptRole);
    create_button_->setObjectName(QStringLiteral("createButton"));
    cancel_button_ = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel_button_->setObjectName(QStringLiteral("cancelButton"));
    layout->addWidget(buttons);
    connect(create_button_, &QPushButton::clicked, this, [this] { rules_.Create(); });
    connect(cancel_button_, &QPushButton::clicked, this, &QDialog::reject);
    connect(rom_edit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { create_button_->setEnabled(!text.isEmpty()); });

    rom_edit_->setText(FolderField(filled.rom_folder));
    screen_edit_->setText(FolderField(filled.screen_folder));
    dat_edit_->setText(FileField(app::JoinFileList(filled.dat_files)));
    create_button_->setEnabled(!rom_edit_->text().isEmpty());
}

NewCollectionDialog::~NewCollectionDialog() = default;

void NewCollectionDialog::Browse(const QString& instruction, QLineEdit* edit) {
    const QString folder = browser_->Browse(this, instruction);
    if (!folder.isEmpty())
        edit->setText(QDir::toNativeSeparators(folder));
}

app::NewCollectionFields NewCollectionDialog::Fields() const {
    // Folders and files go to the import as the bytes the file system knows them by.
    app::NewCollectionFields fields;
    fields.rom_folder = FileName(rom_edit_->text());
    fields.screen_folder = FileName(screen_edit_->text());
    fields.dat_files = app::SplitFileList(FileName(dat_edit_->text()));
    return fields;
}

void NewCollectionDialog::Post(std::function<void()> task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void NewCollectionDialog::ShowBusy(bool busy) {
    if (busy) {
        SetInputsEnabled(false);
        progress_->setRange(0, 0);  // busy until the ROM files are read
        progress_->show();
        QApplication::setOverrideCursor(Qt::BusyCursor);
        return;
    }
    QApplication::restoreOverrideCursor();
    progress_->hide();
    SetInputsEnabled(true);
}

void NewCollectionDialog::ShowProgress(std::size_t done, std::size_t total) {
    progress_->setRange(0, static_cast<int>(std::min<std::size_t>(total, INT_MAX)));
    progress_->setValue(static_cast<int>(std::min<std::size_t>(done, INT_MAX)));
}

void NewCollectionDialog::InfoBox(const std::string& text) {
    desktop_.ShowBox(this, QMessageBox::Information, QStringLiteral("New collection"),
                     QString::fromLocal8Bit(text));
}

void NewCollectionDialog::ErrorBox(const std::string& text) {
    desktop_.ShowBox(this, QMessageBox::Critical, QStringLiteral("New collection"),
                     QString::fromLocal8Bit(text));
}

void NewCollectionDialog::Accept() {
    accept();
}

void NewCollectionDialog::SetInputsEnabled(bool enabled) {
    for (QWidget* input : findChildren<QLineEdit*>())
        input->setEnabled(enabled);
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setEnabled(enabled);
    if (enabled)
        create_button_->setEnabled(!rom_edit_->text().isEmpty());
}

void NewCollectionDialog::reject() {
    // The import writes the collection's files; it is not stopped half-way.
    if (!Importing())
        QDialog::reject();
}

bool OfferNewCollection(Desktop& desktop) {
    if (rtl::FileExists(catalogue::kCatalogueFileName))
        return true;
    catalogue::RomImportRequest first;
    first.remember_dat_files = true;
    NewCollectionDialog dialog(desktop, std::move(first));
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace varnimo::ui
