#pragma once
// The Options dialog on Windows: the four folder fields with their "Change" buttons, the
// slideshow's track bar and radio buttons, Save, Load and Exit. It implements the OptionsView
// port and forwards every operation of the user to app::OptionsEditor, which holds the rules.
// Its controls keep what they show between showings: the window goes when the dialog closes,
// as the other dialogs' windows do, and the next showing makes it again with what its
// controls showed.

#include <windows.h>

#include <array>
#include <optional>
#include <string>

#include "app/options_editor.h"
#include "app/options_view.h"
#include "desktop.h"
#include "gdi_objects.h"

namespace varnimo::app {
class MainWindowLogic;
}

namespace varnimo::win {

class OptionsDialog final : private app::OptionsView {
  public:
    // A dialog owned by `owner` that changes `logic`'s options, slideshow interval and mode.
    // `desktop` shows its boxes and folder pickers.
    OptionsDialog(HWND owner, Desktop& desktop, app::MainWindowLogic& logic);
    ~OptionsDialog() override;
    OptionsDialog(const OptionsDialog&) = delete;
    OptionsDialog& operator=(const OptionsDialog&) = delete;

    // Null while the dialog is not shown.
    HWND Handle() const { return dialog_; }
    // Shows the dialog, refills it from the program's state and handles messages until Exit
    // or the close box closes it.
    void RunModal();

  private:
    template <class Dialog>
    friend LRESULT CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
    void OnCommand(int id, int code);
    void CreateWindowAndControls();
    HWND Item(int id) const { return ::GetDlgItem(dialog_, id); }

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

    HWND owner_;
    Desktop& desktop_;
    HWND dialog_ = nullptr;
    Font font_;
    // What the controls showed when the dialog closed last: the four fields, the track bar,
    // the two radio buttons. At first what the dialog is designed with.
    std::array<std::string, 4> folder_texts_ = {"- no path selected -", "- no path selected -",
                                                "- no emulator executeable selected -",
                                                "- no emulator executeable selected -"};
    int seconds_ = 1;
    bool startup_marked_ = false;
    bool ingame_marked_ = false;
    app::OptionsEditor editor_;
};

// The ids of the dialog's controls, for tests and accessibility tools.
enum class OptionsControl : int {
    ScreenshotsBox = 500,
    ScreenshotsChange,
    ScreenshotsEdit,
    RomsBox,
    RomsChange,
    RomsEdit,
    Snes9xBox,
    Snes9xChange,
    Snes9xEdit,
    ZsnesBox,
    ZsnesChange,
    ZsnesEdit,
    SlideshowBox,
    Seconds,  // the track bar, 0 to 10
    ScaleStart,
    ScaleMiddle,
    ScaleEnd,
    StartupOnly,
    IngameOnly,
    SaveButton,
    LoadButton,
    ExitButton = IDCANCEL,  // Escape and the close box press it
};

}  // namespace varnimo::win
