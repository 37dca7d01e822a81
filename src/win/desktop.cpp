#include "desktop.h"

#include <shellapi.h>

namespace varnimo::win {

void Desktop::OpenAddress(HWND owner, const std::string& address) {
    if (OpenUrl(owner, address)) {
        return;
    }
    ShowBox(owner, BoxIcon::Information, "Varnimo",
            "No web browser could be started. The address to copy:\n\n" + address);
}

void SystemDesktop::ShowBox(HWND owner, BoxIcon icon, const std::string& title,
                            const std::string& text) {
    UINT style = MB_OK;
    switch (icon) {
        case BoxIcon::Error:
            style |= MB_ICONERROR;
            break;
        case BoxIcon::Information:
            style |= MB_ICONINFORMATION;
            break;
        case BoxIcon::None:
            break;
    }
    // Without an owner (a box before the window exists) the box still blocks the whole program.
    if (owner == nullptr) {
        style |= MB_TASKMODAL;
    }
    ::MessageBoxA(owner, text.c_str(), title.c_str(), style);
}

bool SystemDesktop::OpenUrl(HWND owner, const std::string& address) {
    // Above 32 is success; the value is an HINSTANCE only for old programs' sake.
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteA(owner, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

}  // namespace varnimo::win
