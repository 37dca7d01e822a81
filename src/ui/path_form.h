#pragma once
// Tpath_form: the Options dialog. It changes the shared ProgramOptions, the slideshow
// interval of the main window's Timer2 and ShowMode at once, and saves or loads options.dat
// on request. Nothing is undone when it closes.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>

#include "settings/emulator_program.h"

class QRadioButton;
class QLineEdit;

namespace Ui {
class Tpath_form;
}

namespace varnimo {

class Desktop;
class Unit1;

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

class Tpath_form : public QDialog {
    Q_OBJECT
  public:
    Tpath_form(Unit1& unit, Desktop& desktop, QWidget* parent = nullptr);
    ~Tpath_form() override;

    // Replaces the system's folder dialog (tests); `browser` must outlive the dialog.
    void SetFolderBrowser(FolderBrowser& browser) { browser_ = &browser; }

    // --- Handlers -------------------------------------------------------------------------
    // Refills the controls from the program's state; runs on every showing and after Load.
    void options_show();
    void screen_path_buttonClick();
    void rom_path_buttonClick();
    void emu_path_buttonClick();
    void zsnes_path_buttonClick();
    void screen_timerbarChange(int position);
    void startup_screen_buttonClick();
    void ingame_screen_buttonClick();
    void save_options_buttonClick();
    void load_options_buttonClick();
    void ExitClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ConnectEvents();
    // Asks for a plain folder (screenshots, ROMs): the path gets one separator more.
    void ChooseFolder(const QString& instruction, QLineEdit* edit, std::string& path);
    // Asks for an emulator's folder until it holds one of its programs or the user cancels.
    void ChooseEmulatorFolder(const QString& instruction, settings::Emulator emulator,
                              const QString& not_found, QLineEdit* edit, std::string& path);
    // What the program does to the track bar: a new position runs its change handler, the
    // position it already has runs nothing.
    void SetTrackBarPosition(int position);
    // What the program does to the radio buttons: marking runs the button's handler when it
    // was not marked yet; unmarking runs nothing.
    static void Mark(QRadioButton* button);
    static void Unmark(QRadioButton* button);

    std::unique_ptr<Ui::Tpath_form> ui_;
    Unit1& unit_;
    Desktop& desktop_;
    QtFolderBrowser system_browser_;
    FolderBrowser* browser_ = &system_browser_;
};

}  // namespace varnimo
