#pragma once
// OptionsDialog: the Options dialog. It draws the controls and forwards the user's operations
// to app::OptionsEditor, which holds the dialog's rules.

#include <QDialog>
#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "app/options_editor.h"
#include "app/options_view.h"

class QRadioButton;
class QLineEdit;

namespace Ui {
class OptionsDialog;
}

namespace varnimo::app {
class MainWindowLogic;
}

namespace varnimo::ui {

class Desktop;

// Asks the user for a folder. Tests answer it instead of a person.
class FolderBrowser {
  public:
    virtual ~FolderBrowser() = default;
    // Modal; shows `instruction`, preselects nothing and offers folders only. Returns the
    // chosen folder as the system names it (no trailing separator except on a root), or an
    // empty text when the user cancelled.
    virtual QString Browse(QWidget* parent, const QString& instruction) = 0;
};

// The system's folder dialog.
class QtFolderBrowser final : public FolderBrowser {
  public:
    QString Browse(QWidget* parent, const QString& instruction) override;
};

class OptionsDialog : public QDialog, private app::OptionsView {
    Q_OBJECT
  public:
    OptionsDialog(app::MainWindowLogic& logic, Desktop& desktop, QWidget* parent = nullptr);
    ~OptionsDialog() override;

    // Replaces the system's folder dialog (tests); `browser` must outlive the dialog.
    void SetFolderBrowser(FolderBrowser& browser) { browser_ = &browser; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ConnectEvents();
    QLineEdit* Edit(app::OptionsFolder folder) const;
    QRadioButton* Button(app::SlideshowChoice choice) const;

    // --- app::OptionsView -----------------------------------------------------------------
    void SetFolderText(app::OptionsFolder folder, const std::string& text) override;
    std::optional<std::string> AskFolder(const std::string& instruction) override;
    int SecondsPosition() const override;
    void SetSecondsPosition(int seconds) override;
    bool IsMarked(app::SlideshowChoice choice) const override;
    void SetMarked(app::SlideshowChoice choice, bool marked) override;
    void ErrorBox(const std::string& text) override;
    void InfoBox(const std::string& text) override;
    void Close() override;

    std::unique_ptr<Ui::OptionsDialog> ui_;
    Desktop& desktop_;
    app::OptionsEditor editor_;
    QtFolderBrowser system_browser_;
    FolderBrowser* browser_ = &system_browser_;
};

}  // namespace varnimo::ui
