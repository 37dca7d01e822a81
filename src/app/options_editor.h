#pragma once
// OptionsEditor: the Options dialog's rules, toolkit-free. It changes the main window's
// options, slideshow interval and slideshow mode at once, and saves or loads options.dat on
// request; nothing is undone when the dialog closes. The view forwards the user's operations
// to the events below and draws what the editor tells it through OptionsView.

#include <string>

#include "app/options_view.h"
#include "settings/emulator_program.h"
#include "settings/program_options.h"

namespace varnimo::app {

class MainWindowLogic;

// The track bar's right end: the longest slideshow interval the dialog offers, in seconds.
inline constexpr int kLongestSlideshowSeconds = 10;

class OptionsEditor {
  public:
    OptionsEditor(OptionsView& view, MainWindowLogic& logic);

    // --- Events -------------------------------------------------------------------------
    // Refills the controls from the program's state; runs on every showing and after Load.
    // A mode line that is no integer raises rtl::ConversionError after the rest is shown.
    void Refill();
    void ChooseFolder(OptionsFolder folder);
    // The user moved the track bar (or operated it without moving it) to `seconds`.
    void SecondsChanged(int seconds);
    // The user (or the editor) marked a radio button.
    void ChooseStartupOnly();
    void ChooseIngameOnly();
    void Save();
    void Load();
    void Exit();

  private:
    // Asks for a plain folder (screenshots, ROMs): the path gets one separator more.
    void ChoosePlainFolder(OptionsFolder folder, const char* instruction,
                           std::string settings::ProgramOptions::*path);
    // Asks for an emulator's folder until it holds one of its programs or the user cancels.
    void ChooseEmulatorFolder(OptionsFolder folder, settings::Emulator emulator,
                              const char* instruction, const char* not_found,
                              std::string settings::ProgramOptions::*path);
    // What the program does to the track bar: a new position runs its change event, the
    // position it already has runs nothing.
    void SetSecondsPosition(int seconds);
    // What the program does to the radio buttons: marking runs the button's event when it
    // was not marked yet; unmarking runs nothing.
    void Mark(SlideshowChoice choice);
    void Unmark(SlideshowChoice choice);
    void SetPath(std::string settings::ProgramOptions::*path, std::string value);

    OptionsView& view_;
    MainWindowLogic& logic_;
};

}  // namespace varnimo::app
