#pragma once
// The Update Checker on Windows: it draws the three version grids, the status and the two
// labels under the grids, and forwards its buttons and link. It implements the UpdateView
// port the checker's rules drive; it decides nothing itself.

#include <windows.h>

#include <string>

#include "app/update_view.h"
#include "desktop.h"
#include "gdi_objects.h"

namespace varnimo::win {

class UpdateDialog final : public app::UpdateView {
  public:
    // What the dialog forwards.
    class Events {
      public:
        virtual ~Events() = default;
        virtual void Shown() = 0;             // once, when the dialog is on the screen
        virtual void Connect() = 0;           // "Connect update Server"
        virtual void Exit() = 0;              // "Exit", Escape or the close command
        virtual void OpenDownloadPage() = 0;  // a click on the download link
    };

    // Creates the dialog, hidden, centred over `owner`; `desktop` shows its boxes.
    UpdateDialog(HWND owner, Desktop& desktop);
    ~UpdateDialog() override;
    UpdateDialog(const UpdateDialog&) = delete;
    UpdateDialog& operator=(const UpdateDialog&) = delete;

    // Null once the dialog has been closed.
    HWND Handle() const { return dialog_; }
    // Shows the dialog, tells `events` it is shown, and handles messages until it closes.
    void RunModal(Events& events);

    // --- UpdateView ---------------------------------------------------------------------
    void SetCell(app::UpdateGrid grid, int column, int row, const std::string& text) override;
    void SetCaption(app::UpdateLabel label, const std::string& text) override;
    void SetVisible(app::UpdateLabel label, bool visible) override;
    void PlainBox(const std::string& text) override;
    void OpenAddress(const std::string& address) override;
    void CloseDialog() override;
    void BeginWait() override;
    void EndWait() override;

  private:
    template <class Dialog>
    friend LRESULT CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
    void CreateControls();
    HWND Label(app::UpdateLabel label) const;

    HWND owner_;
    Desktop& desktop_;
    Events* events_ = nullptr;
    HWND dialog_ = nullptr;
    Font font_;
    Font bold_font_;
    Font link_font_;
    int waits_ = 0;
};

// The ids of the dialog's controls, for tests and accessibility tools.
enum class UpdateControl : int {
    StatusBox = 400,
    ConnectionLabel,
    VersionGrid,
    PackGrid1,
    PackGrid2,
    UpdatesLabel,
    DownloadLink,
    ConnectButton,
    ExitButton = IDCANCEL,  // Escape and the close command press it
};

}  // namespace varnimo::win
