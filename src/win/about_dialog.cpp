#include "about_dialog.h"

#include "fonts.h"
#include "modal_loop.h"
#include "rtl/runtime_error.h"

namespace varnimo::win {

namespace {

constexpr char kAboutClass[] = "VarnimoAbout";
constexpr int kClientWidth = 316;
constexpr int kClientHeight = 269;
constexpr COLORREF kLinkBlue = RGB(0x00, 0x00, 0xFF);

HINSTANCE Instance() {
    return ::GetModuleHandleA(nullptr);
}

}  // namespace

AboutDialog::AboutDialog(HWND owner, Events& events)
    : owner_(owner), events_(events), font_(CreateWindowFont()) {
    static const bool registered = [] {
        WNDCLASSEXA about{};
        about.cbSize = sizeof about;
        about.lpfnWndProc = &DialogProcedure<AboutDialog>;
        about.hInstance = Instance();
        about.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
        about.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
        about.lpszClassName = kAboutClass;
        ::RegisterClassExA(&about);
        return true;
    }();
    (void)registered;
    bold_font_ = DerivedFont(font_.Get(), true, false);
    link_font_ = DerivedFont(font_.Get(), false, true);
    logo_ = LoadStoredPicture(StoredPicture::AboutLogo, {137, 89});

    // A thin tool-window title without buttons: Exit is the way out.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
    RECT frame{0, 0, kClientWidth, kClientHeight};
    ::AdjustWindowRectEx(&frame, style, FALSE, WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME);
    ::CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME, kAboutClass, "About...", style, 422,
                      260, frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                      Instance(), this);
    if (dialog_ == nullptr) {
        throw rtl::RuntimeError("Das Fenster konnte nicht angelegt werden");
    }
    CreateControls();
}

AboutDialog::~AboutDialog() {
    if (dialog_ != nullptr) {
        ::DestroyWindow(dialog_);
    }
}

void AboutDialog::CreateControls() {
    auto child = [&](const char* window_class, const char* text, DWORD style, int x, int y,
                     int width, int height, AboutControl id, HFONT font) {
        HWND control = ::CreateWindowExA(
            0, window_class, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, dialog_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
        ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return control;
    };
    HWND logo = child("STATIC", "", SS_BITMAP, 24, 24, 137, 89, AboutControl::Logo, nullptr);
    ::SendMessageA(logo, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo_.Handle()));
    const DWORD label = SS_LEFTNOWORDWRAP | SS_NOPREFIX;
    child("STATIC", "Varnimo", label, 176, 32, 75, 13, AboutControl::Name, bold_font_.Get());
    child("STATIC", "Version 0.301", label, 176, 56, 79, 13, AboutControl::Version,
          bold_font_.Get());
    // The link is a label that reports clicks; the hand shows it can be clicked.
    child("STATIC", "Varnimo Homepage", label | SS_NOTIFY, 176, 88, 116, 14, AboutControl::Homepage,
          link_font_.Get());
    child("STATIC", "(c) 2004-2005 Varn Imoldt", label, 88, 136, 187, 13, AboutControl::Copyright,
          bold_font_.Get());
    child("STATIC", "Written for a SNES shelf that grew too big.", label, 32, 160, 248, 13,
          AboutControl::Written, font_.Get());
    child("STATIC", "Greetings to my family and all my friends!", label, 32, 184, 272, 13,
          AboutControl::Greetings, font_.Get());
    child("STATIC", "Thanks for help and ideas!", label, 125, 200, 180, 13, AboutControl::Thanks,
          font_.Get());
    HWND exit = child("BUTTON", "E&xit", WS_TABSTOP | BS_DEFPUSHBUTTON, 120, 232, 75, 25,
                      AboutControl::ExitButton, font_.Get());
    ::SetFocus(exit);
}

LRESULT AboutDialog::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
            switch (static_cast<AboutControl>(LOWORD(wparam))) {
                case AboutControl::ExitButton:
                    events_.Exit();
                    return 0;
                case AboutControl::Homepage:
                    if (HIWORD(wparam) == STN_CLICKED) {
                        events_.OpenHomepage();
                    }
                    return 0;
                default:
                    if (LOWORD(wparam) == IDOK) {
                        events_.Exit();  // Enter presses the default button
                    }
                    return 0;
            }
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wparam) ==
                ::GetDlgItem(dialog_, static_cast<int>(AboutControl::Homepage))) {
                ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
                return TRUE;
            }
            break;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lparam) ==
                ::GetDlgItem(dialog_, static_cast<int>(AboutControl::Homepage))) {
                auto dc = reinterpret_cast<HDC>(wparam);
                ::SetTextColor(dc, kLinkBlue);
                ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
            }
            break;
        case WM_PAINT: {
            // The raised panel that fills the box.
            PAINTSTRUCT paint{};
            HDC dc = ::BeginPaint(dialog_, &paint);
            RECT panel{0, 0, 313, 273};
            ::DrawEdge(dc, &panel, BDR_RAISEDINNER, BF_RECT);
            ::EndPaint(dialog_, &paint);
            return 0;
        }
        case WM_CLOSE:
            events_.Exit();
            return 0;
        default:
            break;
    }
    return ::DefWindowProcA(dialog_, message, wparam, lparam);
}

void AboutDialog::RunModal() {
    RunModalLoop(owner_, dialog_);
}

void AboutDialog::Close() {
    if (dialog_ == nullptr) {
        return;
    }
    if (owner_ != nullptr) {
        ::EnableWindow(owner_, TRUE);
    }
    ::DestroyWindow(dialog_);
}

}  // namespace varnimo::win
