#pragma once
// "New collection": asked for when the user's own collection folder holds no catalogue yet.
// It takes a ROM folder and, if the user has one, a screenshot folder, and makes the
// collection in the working directory with the same import as `varnimo-cli import`.

#include <QDialog>
#include <string>

#include "path_form.h"

class QLineEdit;
class QPushButton;

namespace varnimo {

class Desktop;

class NewCollectionDialog : public QDialog {
    Q_OBJECT
  public:
    NewCollectionDialog(Desktop& desktop, QWidget* parent = nullptr);

    // Replaces the system's folder dialog (tests); `browser` must outlive the dialog.
    void SetFolderBrowser(FolderBrowser& browser) { browser_ = &browser; }

    // Runs the import. On success tells what was imported and closes the dialog as
    // accepted; when the import refuses or fails, shows why and stays open.
    void CreateClick();

  private:
    void Browse(const QString& instruction, QLineEdit* edit);
    void Refused(const std::string& text);

    Desktop& desktop_;
    QLineEdit* rom_edit_;
    QLineEdit* screen_edit_;
    QPushButton* create_button_;
    QtFolderBrowser system_browser_;
    FolderBrowser* browser_ = &system_browser_;
};

// When the working directory holds no catalogue, shows the dialog modally and returns when
// it is closed, with the collection made or not; otherwise does nothing.
void OfferNewCollection(Desktop& desktop);

}  // namespace varnimo
