#pragma once
// OptionsDialog: the Options dialog. It changes the shared ProgramOptions, the slideshow
// interval of the main window's slideshow timer and the slideshow mode at once, and saves or loads
// options.dat on request. Nothing is undone when it closes.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>

#include "settings/emulator_program.h"
#include "settings/program_options.h"

class QRadioButton;
class QLineEdit;

namespace Ui {
class OptionsDialog;
}

namespace varnimo {

class Desktop;
namespace app {
class MainWindowLogic;
}

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

class OptionsDialog : public QDialog {
    Q_OBJECT
  public:
    OptionsDialog(app::MainWindowLogic& unit, Desktop& desktop, QWidget* parent = nullptr);
    ~OptionsDialog() override;

    // Replaces the system's folder dialog (tests); `browser` must outlive the dialog.
    void SetFolderBrowser(FolderBrowser& browser) { browser_ = &browser; }

    // --- Handlers -------------------------------------------------------------------------
    // Refills the controls from the program's state; runs on every showing and after Load.
    void Refill();
    void ChooseScreenFolder();
    void ChooseRomFolder();
    void ChooseSnes9xFolder();
    void ChooseZsnesFolder();
    void SlideshowSecondsChanged(int position);
    void ChooseStartupOnly();
    void ChooseIngameOnly();
    void Save();
    void Load();
    void Exit();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ConnectEvents();
    // Asks for a plain folder (screenshots, ROMs): the path gets one separator more.
    using Folder = std::string settings::ProgramOptions::*;
    void ChooseFolder(const QString& instruction, QLineEdit* edit, Folder folder_of);
    // Asks for an emulator's folder until it holds one of its programs or the user cancels.
    void ChooseEmulatorFolder(const QString& instruction, settings::Emulator emulator,
                              const QString& not_found, QLineEdit* edit, Folder folder_of);
    // What the program does to the track bar: a new position runs its change handler, the
    // position it already has runs nothing.
    void SetTrackBarPosition(int position);
    // What the program does to the radio buttons: marking runs the button's handler when it
    // was not marked yet; unmarking runs nothing.
    static void Mark(QRadioButton* button);
    static void Unmark(QRadioButton* button);

    std::unique_ptr<Ui::OptionsDialog> ui_;
    app::MainWindowLogic& unit_;
    Desktop& desktop_;
    QtFolderBrowser system_browser_;
    FolderBrowser* browser_ = &system_browser_;
};

}  // namespace varnimo
