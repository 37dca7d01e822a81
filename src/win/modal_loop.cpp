#include "modal_loop.h"

namespace varnimo::win {

void RunModalLoop(HWND owner, const HWND& dialog) {
    const bool owner_enabled = owner != nullptr && ::IsWindowEnabled(owner);
    if (owner_enabled) {
        ::EnableWindow(owner, FALSE);
    }
    ::ShowWindow(dialog, SW_SHOWNORMAL);
    MSG message{};
    bool quit = false;
    while (dialog != nullptr) {
        if (::GetMessageA(&message, nullptr, 0, 0) <= 0) {
            quit = true;
            break;
        }
        if (dialog == nullptr || !::IsDialogMessageA(dialog, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
    if (owner_enabled) {
        ::EnableWindow(owner, TRUE);
        ::SetActiveWindow(owner);
    }
    if (quit) {
        ::PostQuitMessage(static_cast<int>(message.wParam));
    }
}

}  // namespace varnimo::win
