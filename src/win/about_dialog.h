#pragma once
// The About box on Windows: it only draws (the logo, the program's name and version, the
// homepage link, the credits, an Exit button) and forwards its two actions to whoever runs
// its rules; the rules decide what a click does and tell the box to close.

#include <windows.h>

#include <memory>
#include <string>

#include "gdi_objects.h"
#include "pictures.h"

namespace varnimo::win {

class AboutDialog {
  public:
    // What the box forwards.
    class Events {
      public:
        virtual ~Events() = default;
        virtual void OpenHomepage() = 0;  // a click on the homepage link
        virtual void Exit() = 0;          // the Exit button, Alt+X, Enter or Escape
    };

    // Creates the box, hidden, owned by `owner`; `events` must outlive it.
    AboutDialog(HWND owner, Events& events);
    ~AboutDialog();
    AboutDialog(const AboutDialog&) = delete;
    AboutDialog& operator=(const AboutDialog&) = delete;

    // Null once the box has been closed.
    HWND Handle() const { return dialog_; }
    // Shows the box and handles its messages until it closes, with the owner disabled.
    void RunModal();

    // --- What the rules tell it ---------------------------------------------------------
    void Close();

  private:
    template <class Dialog>
    friend LRESULT CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
    void CreateControls();

    HWND owner_;
    Events& events_;
    HWND dialog_ = nullptr;
    Font font_;
    Font bold_font_;
    Font link_font_;
    Picture logo_;
};

// The ids of the box's controls, for tests and accessibility tools.
enum class AboutControl : int {
    Logo = 300,
    Name,
    Version,
    Homepage,
    Copyright,
    Written,
    Greetings,
    Thanks,
    ExitButton = IDCANCEL,  // Escape and the close command press it
};

}  // namespace varnimo::win
