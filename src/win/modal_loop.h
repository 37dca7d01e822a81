#pragma once
// The message loop of a modal window of our own: the owner is disabled while `dialog` is up,
// the dialog's keys (Tab, Alt with a letter, Enter, Escape) go to it, and the owner is
// enabled again before the dialog goes, so the system activates the owner and not another
// program. A WM_QUIT that arrives meanwhile is passed on to the loop outside.

#include <windows.h>

#include "desktop.h"
#include "rtl/runtime_error.h"

namespace varnimo::win {

// The window procedure of a dialog of our own, for its window class: the object passed as the
// window's creation parameter learns its window in `dialog_` and answers every message in
// `OnMessage(message, wparam, lparam)`; when the window goes, `dialog_` is cleared (and
// `WindowGone()` runs where the dialog has one). A runtime error raised by one message ends
// only that event and is shown in a box through the dialog's `desktop_`, as in the main
// window (a dialog without one beeps). A dialog makes this its friend.
template <class Dialog>
LRESULT CALLBACK DialogProcedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Dialog*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        self->dialog_ = dialog;
        ::SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Dialog*>(::GetWindowLongPtrA(dialog, GWLP_USERDATA));
    if (self == nullptr) {
        return ::DefWindowProcA(dialog, message, wparam, lparam);
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
        self->dialog_ = nullptr;
        if constexpr (requires { self->WindowGone(); }) {
            self->WindowGone();
        }
        return ::DefWindowProcA(dialog, message, wparam, lparam);
    }
    try {
        return self->OnMessage(message, wparam, lparam);
    } catch (...) {
        try {
            if constexpr (requires { self->desktop_; }) {
                self->desktop_.ShowBox(dialog, BoxIcon::Error, "Varnimo", rtl::CurrentErrorText());
            } else {
                ::MessageBeep(MB_ICONERROR);
            }
        } catch (...) {
            ::MessageBeep(MB_ICONERROR);
        }
    }
    return 0;
}

// Shows `dialog` and returns once it has been destroyed (`dialog` is then null: the window
// procedure clears it).
void RunModalLoop(HWND owner, const HWND& dialog);

}  // namespace varnimo::win
