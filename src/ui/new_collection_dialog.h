#pragma once
// "New collection": asked for when the user's own collection folder holds no catalogue yet,
// and by Settings > Import ROM folder... to make the collection again. It takes a ROM folder
// and, if the user has them, a screenshot folder and DAT files, and makes the collection in
// the working directory with the same import as `varnimo-cli import`. The import runs on a
// thread of its own, so the windows keep drawing while the ROM files are read; its progress
// comes back to this thread as events. The rules are app::NewCollection's.

#include <QDialog>
#include <QStringList>
#include <functional>
#include <string>

#include "app/new_collection.h"
#include "app/new_collection_view.h"
#include "catalogue/rom_import.h"
#include "options_dialog.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace varnimo::ui {

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

class NewCollectionDialog : public QDialog, private app::NewCollectionView {
    Q_OBJECT
  public:
    // `base`: see app::NewCollection.
    NewCollectionDialog(Desktop& desktop, catalogue::RomImportRequest base,
                        QWidget* parent = nullptr);
    ~NewCollectionDialog() override;

    // Replace the system's dialogs (tests); a browser must outlive the dialog.
    void SetFolderBrowser(FolderBrowser& browser) { browser_ = &browser; }
    void SetFilesBrowser(FilesBrowser& browser) { files_browser_ = &browser; }

    // The Create button, as a click runs it.
    void Create() { rules_.Create(); }
    bool Importing() const { return rules_.Importing(); }

    void reject() override;

  private:
    void Browse(const QString& instruction, QLineEdit* edit);
    void SetInputsEnabled(bool enabled);

    // --- app::NewCollectionView -----------------------------------------------------------
    app::NewCollectionFields Fields() const override;
    void Post(std::function<void()> task) override;
    void ShowBusy(bool busy) override;
    void ShowProgress(std::size_t done, std::size_t total) override;
    void InfoBox(const std::string& text) override;
    void ErrorBox(const std::string& text) override;
    void Accept() override;

    Desktop& desktop_;
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
    // Declared last: its destructor waits for an import that still runs, which may post to
    // this dialog until then.
    app::NewCollection rules_;
};

// When the working directory holds no catalogue, shows the dialog modally and returns when
// it is closed: true when the collection was made, false when the user cancelled (there is
// nothing to show then). Returns true at once where a catalogue is there.
bool OfferNewCollection(Desktop& desktop);

}  // namespace varnimo::ui
