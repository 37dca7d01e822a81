#include "options_dialog.h"

#include <commctrl.h>

#include <algorithm>

#include "app/options_editor.h"
#include "fonts.h"
#include "modal_loop.h"
#include "rtl/runtime_error.h"

namespace varnimo::win {

namespace {

constexpr char kOptionsClass[] = "VarnimoOptions";
constexpr int kClientWidth = 554;
constexpr int kClientHeight = 408;
// Refills the controls once the dialog is up and its loop runs, so that an error of the
// refill ends only the refill and is shown like any other.
constexpr UINT kRefill = WM_APP + 1;

HINSTANCE Instance() {
    return ::GetModuleHandleA(nullptr);
}

int ControlId(OptionsControl control) {
    return static_cast<int>(control);
}

// A radio button at least as wide as designed, and wide enough for its mark and its caption.
void FitRadioToText(HWND radio) {
    RECT designed{};
    ::GetClientRect(radio, &designed);
    FitLabelToText(radio);
    RECT text{};
    ::GetClientRect(radio, &text);
    const int width =
        std::max<int>(designed.right, text.right + ::GetSystemMetrics(SM_CXMENUCHECK) + 8);
    ::SetWindowPos(radio, nullptr, 0, 0, width, designed.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

OptionsControl EditOf(app::OptionsFolder folder) {
    switch (folder) {
        case app::OptionsFolder::Screenshots:
            return OptionsControl::ScreenshotsEdit;
        case app::OptionsFolder::Roms:
            return OptionsControl::RomsEdit;
        case app::OptionsFolder::Snes9x:
            return OptionsControl::Snes9xEdit;
        case app::OptionsFolder::Zsnes:
            return OptionsControl::ZsnesEdit;
    }
    return OptionsControl::ScreenshotsEdit;
}

OptionsControl ButtonOf(app::SlideshowChoice choice) {
    return choice == app::SlideshowChoice::StartupOnly ? OptionsControl::StartupOnly
                                                       : OptionsControl::IngameOnly;
}

}  // namespace

OptionsDialog::OptionsDialog(HWND owner, Desktop& desktop, app::MainWindowLogic& logic)
    : owner_(owner), desktop_(desktop), font_(CreateWindowFont()), editor_(*this, logic) {
    static const bool registered = [] {
        WNDCLASSEXA options{};
        options.cbSize = sizeof options;
        options.lpfnWndProc = &DialogProcedure<OptionsDialog>;
        options.hInstance = Instance();
        options.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
        options.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
        options.lpszClassName = kOptionsClass;
        ::RegisterClassExA(&options);
        return true;
    }();
    (void)registered;
}

OptionsDialog::~OptionsDialog() {
    if (dialog_ != nullptr) {
        ::DestroyWindow(dialog_);
    }
}

void OptionsDialog::CreateWindowAndControls() {
    // A dialog border with the close box only: not resizable, no minimise or maximise box.
    // Not clipping its children: the dialog paints the inside of its frames, which are
    // transparent.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD ex_style = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT frame{0, 0, kClientWidth, kClientHeight};
    ::AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    ::CreateWindowExA(ex_style, kOptionsClass, "Options", style, 369, 208, frame.right - frame.left,
                      frame.bottom - frame.top, owner_, nullptr, Instance(), this);
    if (dialog_ == nullptr) {
        throw rtl::RuntimeError("Das Fenster konnte nicht angelegt werden");
    }
    auto child = [&](DWORD ex_style, const char* window_class, const char* text, DWORD style, int x,
                     int y, int width, int height, OptionsControl id) {
        HWND control = ::CreateWindowExA(
            ex_style, window_class, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
            dialog_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
        ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        return control;
    };
    // The frames first; the controls inside them are the dialog's own children, placed at the
    // frame's corner plus their place in it, so that their events come to the dialog.
    struct Frame {
        OptionsControl id;
        const char* caption;
        RECT area;
    };
    const Frame frames[] = {
        {OptionsControl::ScreenshotsBox, "Screenshots", {16, 8, 529, 49}},
        {OptionsControl::RomsBox, "ROMS", {16, 72, 529, 49}},
        {OptionsControl::Snes9xBox, "Snes9X", {16, 136, 529, 49}},
        {OptionsControl::ZsnesBox, "ZSNES", {16, 200, 529, 49}},
        {OptionsControl::SlideshowBox,
         "Seconds between toggle of Startup and Ingame Screenshot",
         {16, 264, 409, 89}},
    };
    for (const Frame& frame : frames) {
        child(0, "BUTTON", frame.caption, BS_GROUPBOX, frame.area.left, frame.area.top,
              frame.area.right, frame.area.bottom, frame.id);
    }
    const DWORD scale = SS_LEFTNOWORDWRAP | SS_NOPREFIX;
    FitLabelToText(
        child(0, "STATIC", "0", scale, 16 + 64, 264 + 48, 8, 13, OptionsControl::ScaleStart));
    FitLabelToText(
        child(0, "STATIC", "5", scale, 16 + 202, 264 + 48, 8, 13, OptionsControl::ScaleMiddle));
    FitLabelToText(
        child(0, "STATIC", "10", scale, 16 + 338, 264 + 48, 13, 13, OptionsControl::ScaleEnd));

    // Screen readers name an edit box or a track bar after the static text just before it;
    // these show their names on their frames, so a hidden static before each repeats it.
    auto name_next = [&](const char* name) {
        ::CreateWindowExA(0, "STATIC", name, WS_CHILD | SS_NOPREFIX, 0, 0, 0, 0, dialog_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(-1)), Instance(), nullptr);
    };

    // The controls that take the focus, created in the designed tab order.
    const DWORD stop = WS_TABSTOP | WS_GROUP;
    const DWORD button = stop | BS_PUSHBUTTON;
    const DWORD edit = stop | ES_AUTOHSCROLL;
    child(0, "BUTTON", "Change", button, 440, 24, 75, 25, OptionsControl::ScreenshotsChange);
    name_next(frames[0].caption);
    child(WS_EX_CLIENTEDGE, "EDIT", folder_texts_[0].c_str(), edit | ES_READONLY, 16 + 4, 8 + 16,
          400, 21, OptionsControl::ScreenshotsEdit);
    child(0, "BUTTON", "Change", button, 16 + 424, 72 + 16, 75, 25, OptionsControl::RomsChange);
    name_next(frames[1].caption);
    child(WS_EX_CLIENTEDGE, "EDIT", folder_texts_[1].c_str(), edit | ES_READONLY, 16 + 4, 72 + 16,
          400, 21, OptionsControl::RomsEdit);
    child(0, "BUTTON", "&Exit", button, 456, 368, 65, 25, OptionsControl::ExitButton);
    child(0, "BUTTON", "&Save", button, 96, 368, 75, 25, OptionsControl::SaveButton);
    child(0, "BUTTON", "&Load", button, 240, 368, 73, 25, OptionsControl::LoadButton);
    child(0, "BUTTON", "Change", button, 16 + 424, 136 + 16, 75, 25, OptionsControl::Snes9xChange);
    // The emulator fields take typing, as designed; only the Change buttons set the folders.
    name_next(frames[2].caption);
    child(WS_EX_CLIENTEDGE, "EDIT", folder_texts_[2].c_str(), edit, 16 + 4, 136 + 16, 401, 21,
          OptionsControl::Snes9xEdit);
    child(0, "BUTTON", "Change", button, 16 + 424, 200 + 16, 75, 25, OptionsControl::ZsnesChange);
    name_next(frames[3].caption);
    child(WS_EX_CLIENTEDGE, "EDIT", folder_texts_[3].c_str(), edit, 16 + 4, 200 + 16, 401, 21,
          OptionsControl::ZsnesEdit);
    // Wine's oleacc reads a track bar's name from its window text instead, which it never draws.
    const char* seconds = frames[4].caption;
    name_next(seconds);
    HWND bar = child(0, TRACKBAR_CLASSA, seconds, stop | TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS,
                     16 + 56, 264 + 16, 297, 33, OptionsControl::Seconds);
    ::SendMessageA(bar, TBM_SETRANGE, FALSE, MAKELPARAM(0, app::kLongestSlideshowSeconds));
    ::SendMessageA(bar, TBM_SETTICFREQ, 1, 0);
    ::SendMessageA(bar, TBM_SETLINESIZE, 0, 1);
    ::SendMessageA(bar, TBM_SETPAGESIZE, 0, 2);
    ::SendMessageA(bar, TBM_SETPOS, TRUE, seconds_);
    // Plain radio buttons: the dialog marks them, so that the editor sees each mark once.
    const DWORD radio = WS_TABSTOP | BS_RADIOBUTTON;
    FitRadioToText(child(0, "BUTTON", "Startup Screen only", radio | WS_GROUP, 16 + 64, 264 + 64,
                         113, 17, OptionsControl::StartupOnly));
    FitRadioToText(child(0, "BUTTON", "Ingame Screen only", radio, 16 + 224, 264 + 64, 113, 17,
                         OptionsControl::IngameOnly));
    SetMarked(app::SlideshowChoice::StartupOnly, startup_marked_);
    SetMarked(app::SlideshowChoice::IngameOnly, ingame_marked_);
    ::SetFocus(Item(ControlId(OptionsControl::ScreenshotsChange)));
}

LRESULT OptionsDialog::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wparam), HIWORD(wparam));
            return 0;
        case WM_HSCROLL:
            // Every operation of the user runs the change event, also one that leaves the bar
            // where it was (an arrow key at the end, a click on the thumb, a drag back to its
            // start); the end of each operation (TB_ENDTRACK) is no operation of its own.
            // Positions the editor sets send nothing.
            if (reinterpret_cast<HWND>(lparam) == Item(ControlId(OptionsControl::Seconds)) &&
                LOWORD(wparam) != TB_ENDTRACK) {
                editor_.SecondsChanged(SecondsPosition());
            }
            return 0;
        case kRefill:
            editor_.Refill();
            return 0;
        case WM_CLOSE:
            editor_.Exit();
            return 0;
        default:
            break;
    }
    return ::DefWindowProcA(dialog_, message, wparam, lparam);
}

void OptionsDialog::OnCommand(int id, int code) {
    if (code != BN_CLICKED) {
        return;
    }
    switch (static_cast<OptionsControl>(id)) {
        case OptionsControl::ScreenshotsChange:
            editor_.ChooseFolder(app::OptionsFolder::Screenshots);
            return;
        case OptionsControl::RomsChange:
            editor_.ChooseFolder(app::OptionsFolder::Roms);
            return;
        case OptionsControl::Snes9xChange:
            editor_.ChooseFolder(app::OptionsFolder::Snes9x);
            return;
        case OptionsControl::ZsnesChange:
            editor_.ChooseFolder(app::OptionsFolder::Zsnes);
            return;
        case OptionsControl::StartupOnly:
        case OptionsControl::IngameOnly: {
            // The user marks a button; marking the one already marked runs nothing.
            const app::SlideshowChoice choice =
                static_cast<OptionsControl>(id) == OptionsControl::StartupOnly
                    ? app::SlideshowChoice::StartupOnly
                    : app::SlideshowChoice::IngameOnly;
            if (IsMarked(choice)) {
                return;
            }
            SetMarked(choice, true);
            if (choice == app::SlideshowChoice::StartupOnly) {
                editor_.ChooseStartupOnly();
            } else {
                editor_.ChooseIngameOnly();
            }
            return;
        }
        case OptionsControl::SaveButton:
            editor_.Save();
            return;
        case OptionsControl::LoadButton:
            editor_.Load();
            return;
        case OptionsControl::ExitButton:
            editor_.Exit();
            return;
        default:
            return;  // Enter (IDOK) presses no button: none of them is the default
    }
}

void OptionsDialog::RunModal() {
    if (dialog_ == nullptr) {
        CreateWindowAndControls();
    }
    ::PostMessageA(dialog_, kRefill, 0, 0);
    RunModalLoop(owner_, dialog_);
}

// --- app::OptionsView ----------------------------------------------------------------------

void OptionsDialog::SetFolderText(app::OptionsFolder folder, const std::string& text) {
    ::SetWindowTextA(Item(ControlId(EditOf(folder))), text.c_str());
}

std::optional<std::string> OptionsDialog::AskFolder(const std::string& instruction) {
    return desktop_.AskFolder(dialog_, instruction);
}

int OptionsDialog::SecondsPosition() const {
    return static_cast<int>(
        ::SendMessageA(Item(ControlId(OptionsControl::Seconds)), TBM_GETPOS, 0, 0));
}

void OptionsDialog::SetSecondsPosition(int seconds) {
    ::SendMessageA(Item(ControlId(OptionsControl::Seconds)), TBM_SETPOS, TRUE, seconds);
}

bool OptionsDialog::IsMarked(app::SlideshowChoice choice) const {
    return ::SendMessageA(Item(ControlId(ButtonOf(choice))), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void OptionsDialog::SetMarked(app::SlideshowChoice choice, bool marked) {
    // Marking one button of the pair unmarks the other; the program may unmark both.
    if (marked) {
        const app::SlideshowChoice other = choice == app::SlideshowChoice::StartupOnly
                                               ? app::SlideshowChoice::IngameOnly
                                               : app::SlideshowChoice::StartupOnly;
        ::SendMessageA(Item(ControlId(ButtonOf(other))), BM_SETCHECK, BST_UNCHECKED, 0);
    }
    ::SendMessageA(Item(ControlId(ButtonOf(choice))), BM_SETCHECK,
                   marked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void OptionsDialog::ErrorBox(const std::string& text) {
    desktop_.ShowBox(dialog_, BoxIcon::Error, "Error", text);
}

void OptionsDialog::InfoBox(const std::string& text) {
    desktop_.ShowBox(dialog_, BoxIcon::Information, "Information", text);
}

void OptionsDialog::Close() {
    if (dialog_ == nullptr) {
        return;
    }
    for (app::OptionsFolder folder : {app::OptionsFolder::Screenshots, app::OptionsFolder::Roms,
                                      app::OptionsFolder::Snes9x, app::OptionsFolder::Zsnes}) {
        HWND edit = Item(ControlId(EditOf(folder)));
        std::string& kept = folder_texts_[static_cast<std::size_t>(folder)];
        kept.assign(static_cast<std::size_t>(::GetWindowTextLengthA(edit)) + 1, '\0');
        kept.resize(static_cast<std::size_t>(
            ::GetWindowTextA(edit, kept.data(), static_cast<int>(kept.size()))));
    }
    seconds_ = SecondsPosition();
    startup_marked_ = IsMarked(app::SlideshowChoice::StartupOnly);
    ingame_marked_ = IsMarked(app::SlideshowChoice::IngameOnly);
    // The owner first, so that the system activates it and not another program.
    if (owner_ != nullptr) {
        ::EnableWindow(owner_, TRUE);
    }
    ::DestroyWindow(dialog_);
}

}  // namespace varnimo::win
