#pragma once
// "New collection": asked for when the user's own collection folder holds no catalogue yet,
// and by Settings > Import ROM folder... to make the collection again. It takes a ROM folder
// and, if the user has them, a screenshot folder and DAT files, and makes the collection in
// the working directory with the same import as `varnimo-cli import`. The import runs on a
// thread of its own, so the windows keep drawing while the ROM files are read; its progress
// comes back to this thread as events.

#include <QDialog>
#include <QStringList>
#include <string>
#include <thread>

#include "catalogue/rom_import.h"
#include "options_dialog.h"
#include "settings/program_options.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace varnimo {

class Desktop;

// Asks the user for files. Tests answer it instead of a person.
class FilesBrowser {
  public:
    virtual ~FilesBrowser() = default;
    // Modal; shows `instruction` and lets the user pick several files. Returns them, or none
    // when the user cancelled.
    virtual QStringList Browse(QWidget* parent, const QString& instruction) = 0;
};

// The system's file dialog.
class QtFilesBrowser final : public FilesBrowser {
  public:
    QStringList Browse(QWidget* parent, const QString& instruction) override;
};

// Several file names in one line: each in double quotes, separated by a blank, as file
// dialogs write them; one name alone stays bare. Split reads what Join wrote, and also bare
// names between quoted ones.
QString JoinFileList(const QStringList& files);
QStringList SplitFileList(const QString& text);

class NewCollectionDialog : public QDialog {
    Q_OBJECT
  public:
    // `base` fills the fields (folders, DAT files) and gives what the dialog does not ask for:
    // the emulator folders, the slideshow settings, whether a collection there is replaced.
    NewCollectionDialog(Desktop& desktop, catalogue::RomImportRequest base,
                        QWidget* parent = nullptr);
    ~NewCollectionDialog() override;

    // Replace the system's dialogs (tests); a browser must outlive the dialog.
    void SetFolderBrowser(FolderBrowser& browser) { browser_ = &browser; }
    void SetFilesBrowser(FilesBrowser& browser) { files_browser_ = &browser; }

    // Starts the import. When it ends: on success tells what was imported and closes the
    // dialog as accepted; when the import refuses or fails, shows why and stays open.
    void Create();
    // True while an import runs; the dialog cannot be closed meanwhile.
    bool Importing() const { return worker_.joinable(); }

    void reject() override;

  private:
    struct Outcome {
        bool done = false;
        std::string text;  // the summary line, or why nothing was made
    };
    void Browse(const QString& instruction, QLineEdit* edit);
    void ShowProgress(std::size_t done, std::size_t total);
    void Finished(const Outcome& outcome);
    void SetInputsEnabled(bool enabled);

    Desktop& desktop_;
    catalogue::RomImportRequest base_;
    QLineEdit* rom_edit_;
    QLineEdit* screen_edit_;
    QLineEdit* dat_edit_;
    QPushButton* create_button_;
    QPushButton* cancel_button_;
    QProgressBar* progress_;
    QtFolderBrowser system_browser_;
    FolderBrowser* browser_ = &system_browser_;
    QtFilesBrowser system_files_browser_;
    FilesBrowser* files_browser_ = &system_files_browser_;
    std::thread worker_;
};

// When the working directory holds no catalogue, shows the dialog modally and returns when
// it is closed: true when the collection was made, false when the user cancelled (there is
// nothing to show then). Returns true at once where a catalogue is there.
bool OfferNewCollection(Desktop& desktop);

// The request that makes the collection of the working directory again from `options`'
// folders and the DAT files it was last made with, replacing it and keeping the emulator
// folders, the slideshow interval and mode.
catalogue::RomImportRequest ImportAgainRequest(const settings::ProgramOptions& options,
                                               std::uint32_t interval, std::int32_t show_mode);

}  // namespace varnimo
