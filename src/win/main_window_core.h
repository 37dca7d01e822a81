#pragma once
// Every call the Windows window makes into the core's main-window logic, in one place and
// under the names of the events the window forwards. The window knows only this class; when
// the core's logic changes its names, this file and its .cpp are all that follow.

#include <cstdint>
#include <memory>
#include <string_view>

#include <windows.h>

#include "desktop.h"
#include "main_view_port.h"

namespace varnimo::app {
class MainWindowLogic;
}

namespace varnimo::win {

class OptionsDialog;

class MainWindowCore {
  public:
    // The logic draws through `view`, which must outlive this object.
    explicit MainWindowCore(app::MainView& view);
    ~MainWindowCore();
    MainWindowCore(const MainWindowCore&) = delete;
    MainWindowCore& operator=(const MainWindowCore&) = delete;

    // The collection is the user's own (--user-collection).
    void UseOwnCollection();

    // The events of the window, each one user action.
    void Reset();
    void SearchChanged();
    void ClearSearch();
    // A radio choice of Show Roms, Genre, Player or Region.
    void SetFilter(app::MenuGroup group, int tag);
    void ChooseBackground(int tag);
    void SelectionChanged();
    void SlideshowTick();
    void Launch(app::Emulator emulator);
    void Quit();

    // Shows the Options dialog modal over `owner`, its boxes and folder pickers shown by
    // `desktop`. The dialog is made at the first showing and kept, so that its controls keep
    // what they show between showings.
    void RunOptions(HWND owner, Desktop& desktop);
    // Settings > Import ROM folder...: the New collection dialog over `owner`, filled with
    // the collection's folders; once it made the collection again, the reset sequence reads
    // it as at the start. True when it was made.
    bool ImportRomFolder(HWND owner, Desktop& desktop);

    // Runs the Update Checker modal over `owner`, its boxes shown by `desktop`. The server is
    // the one VARNIMO_UPDATE_SERVER names, else the program's own.
    void RunUpdateChecker(HWND owner, Desktop& desktop);

    // The title of a table row as the list shows it, bytes in the system code page.
    std::string_view TitleText(std::int32_t row) const;

  private:
    std::unique_ptr<app::MainWindowLogic> logic_;
    std::unique_ptr<OptionsDialog> options_;
};

// Shows the About box modal over `owner` with its rules: the link opens the homepage
// through `desktop` (or shows the address), Exit closes the box.
void RunAboutBox(HWND owner, Desktop& desktop);

}  // namespace varnimo::win
