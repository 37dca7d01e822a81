#pragma once
// The port through which MainWindowLogic drives the main window. The logic owns the state
// and the order of every main-window event; a view only draws and answers. Three views
// implement it: the Qt window, the terminal view of varnimo-cli, and the recording
// fake of the tests.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/emulator_program.h"

namespace varnimo::app {

// Controls of the main window that the logic writes captions to or shows and hides.
enum class Control {
    TitleList,
    SearchBox,
    ShowingCounter,
    RomCount,
    FileSize,
    Genre,
    Player,
    ProgressBar,
    LoadingStatus,
    Screenshot,
};

// The pictures the window carries inside itself.
enum class BuiltInPicture {
    Default,    // shown while no ROM is selected (the `defaultScreenHolder` label)
    NoPicture,  // shown when a screenshot file is missing (the `noPictureHolder` label)
};

// Radio groups of the menu bar; an entry is named by its Tag.
enum class MenuGroup { Background, ShowRoms, Genre, Player, Region };

// The two launch buttons.
using settings::Emulator;

class MainView {
  public:
    virtual ~MainView() = default;

    // Title list. `rows` are rows of the collection's table in display order (already sorted); the
    // view shows their titles. ClearTitleLines empties the list.
    virtual void SetTitleLines(const std::vector<std::int32_t>& rows) = 0;
    virtual void ClearTitleLines() = 0;
    // The selected line of the list, -1 when none.
    virtual int SelectedLine() const = 0;

    // Search box, as bytes in the system's 8-bit code page. Setting a text that differs
    // from the current one fires the box's change event, which calls MainWindowLogic::SearchChanged
    // before SetSearchText returns; setting the same text fires nothing.
    virtual std::string SearchText() const = 0;
    virtual void SetSearchText(const std::string& text) = 0;

    virtual void SetCaption(Control control, const std::string& text) = 0;
    virtual void SetVisible(Control control, bool visible) = 0;
    // Redraw the window now (the catalogue load does this before its long loop).
    virtual void Repaint() = 0;

    virtual void SetProgressRange(int min, int max) = 0;
    virtual void SetProgress(int position) = 0;
    virtual void StepProgress() = 0;
    // `steps` steps one after another; a view that draws may show only where they end.
    virtual void StepProgressBy(std::size_t steps) {
        for (; steps > 0; --steps) {
            StepProgress();
        }
    }

    // Loads a screenshot file into the screenshot control. Throws rtl::ImageError (the runtime's
    // image error) when the extension names no known format or the content cannot be
    // decoded; the screenshot then keeps its previous picture.
    virtual void ShowScreenshotFile(const std::string& path) = 0;
    virtual void ShowBuiltInPicture(BuiltInPicture picture) = 0;
    // Copies the background holder chosen by a Background menu Tag (-1, 1..4) into
    // the visible background.
    virtual void ShowBackground(int tag) = 0;
    // Puts the check mark on the entry of `group` whose Tag is `tag`; the other
    // entries of that group lose theirs.
    virtual void SetMenuChecked(MenuGroup group, int tag) = 0;

    // The slideshow timer. An interval of 0 means no ticks; setting another
    // interval (re)starts the period. Stop/Start disable and enable the timer; Start
    // begins a full new period.
    virtual void SetTimerInterval(std::uint32_t milliseconds) = 0;
    virtual void StopTimer() = 0;
    virtual void StartTimer() = 0;

    // Modal message boxes with one OK button; each returns when it is closed.
    virtual void ErrorBox(const std::string& text) = 0;
    virtual void InfoBox(const std::string& text) = 0;
    virtual void PlainBox(const std::string& text) = 0;  // no icon, titled "Varnimo"

    // Starts `file` with `argument` as its one argument, without a shell, and does
    // not wait. The outcome is not reported.
    virtual void StartProgram(const std::string& file, const std::string& argument) = 0;
    virtual void OpenAddress(const std::string& address) = 0;
    // Ends the program once the current handler has returned.
    virtual void RequestQuit() = 0;
};

}  // namespace varnimo::app
