#include "new_collection_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <utility>

#include "catalogue/catalogue_file.h"
#include "fonts.h"
#include "modal_loop.h"
#include "rtl/files.h"
#include "rtl/runtime_error.h"

namespace varnimo::win {

namespace {

constexpr char kNewCollectionClass[] = "VarnimoNewCollection";
constexpr char kTitle[] = "New collection";
// Tells the dialog's window that the import's thread handed it something to run.
constexpr UINT kRunPosted = WM_APP + 1;

// The layout: a margin all round, the text at the top, three rows of caption, field and
// button, the progress, and Create and Cancel at the bottom right.
constexpr int kClientWidth = 652;
constexpr int kMargin = 12;
constexpr int kCaptionWidth = 180;
constexpr int kFieldLeft = kMargin + kCaptionWidth + 4;
constexpr int kFieldWidth = 360;
constexpr int kBrowseLeft = kFieldLeft + kFieldWidth + 8;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kRowHeight = 29;

HINSTANCE Instance() {
    return ::GetModuleHandleA(nullptr);
}

int ControlId(NewCollectionControl control) {
    return static_cast<int>(control);
}

// A folder as the fields show it: without the separator the options keep at its end.
std::string FolderField(std::string folder) {
    std::replace(folder.begin(), folder.end(), '/', '\\');
    if (folder.size() > 1 && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

// The dialog's text with Windows line ends, which a static control needs to break lines.
std::string IntroText(bool replaces) {
    std::string text;
    for (const char c : app::NewCollectionIntro(replaces))
        text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return text;
}

// The height `text` takes when wrapped to `width` pixels in `font`.
int WrappedHeight(const std::string& text, HFONT font, int width) {
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ previous = ::SelectObject(dc, font);
    RECT area{0, 0, width, 0};
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area,
                DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    ::SelectObject(dc, previous);
    ::ReleaseDC(nullptr, dc);
    return area.bottom;
}

}  // namespace

NewCollectionDialog::NewCollectionDialog(HWND owner, Desktop& desktop,
                                         catalogue::RomImportRequest base)
    : owner_(owner), desktop_(desktop), font_(CreateWindowFont()), rules_(*this, std::move(base)) {
    static const bool registered = [] {
        WNDCLASSEXA dialog{};
        dialog.cbSize = sizeof dialog;
        dialog.lpfnWndProc = &DialogProcedure<NewCollectionDialog>;
        dialog.hInstance = Instance();
        dialog.hIcon = ::LoadIconA(Instance(), MAKEINTRESOURCEA(1));
        dialog.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
        dialog.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
        dialog.lpszClassName = kNewCollectionClass;
        ::RegisterClassExA(&dialog);
        return true;
    }();
    (void)registered;

    // Without an owner (at the start, before the window) the dialog is the program's window
    // and has its own button in the task bar.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD ex_style =
        WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | (owner == nullptr ? WS_EX_APPWINDOW : 0);
    ::CreateWindowExA(ex_style, kNewCollectionClass, kTitle, style, 0, 0, kClientWidth, 100, owner,
                      nullptr, Instance(), this);
    if (dialog_ == nullptr) {
        throw rtl::RuntimeError("Das Fenster konnte nicht angelegt werden");
    }
    post_target_ = dialog_;
    CreateControls(rules_.Base());
}

NewCollectionDialog::~NewCollectionDialog() {
    if (dialog_ != nullptr) {
        ::DestroyWindow(dialog_);
    }
}

void NewCollectionDialog::CreateControls(const catalogue::RomImportRequest& filled) {
    auto child = [&](DWORD ex_style, const char* window_class, const std::string& text, DWORD style,
                     RECT area, NewCollectionControl id) {
        HWND control = ::CreateWindowExA(
            ex_style, window_class, text.c_str(), WS_CHILD | WS_VISIBLE | style, area.left,
            area.top, area.right - area.left, area.bottom - area.top, dialog_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
        ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        return control;
    };
    const auto at = [](int left, int top, int width, int height) {
        return RECT{left, top, left + width, top + height};
    };
    const int text_width = kClientWidth - 2 * kMargin;
    const std::string intro = IntroText(filled.replace);
    const int intro_height = WrappedHeight(intro, font_.Get(), text_width);
    child(0, "STATIC", intro, SS_LEFT | SS_NOPREFIX, at(kMargin, kMargin, text_width, intro_height),
          NewCollectionControl::Intro);

    // Each caption comes before its field, so that a screen reader names the field by it.
    struct Row {
        const char* caption;
        NewCollectionControl label;
        NewCollectionControl edit;
        NewCollectionControl browse;
        std::string text;
    };
    const Row rows[] = {
        {"ROM folder:", NewCollectionControl::RomLabel, NewCollectionControl::RomEdit,
         NewCollectionControl::RomBrowse, FolderField(filled.rom_folder)},
        {"Screenshot folder (optional):", NewCollectionControl::ScreenLabel,
         NewCollectionControl::ScreenEdit, NewCollectionControl::ScreenBrowse,
         FolderField(filled.screen_folder)},
        {"Game information (optional):", NewCollectionControl::DatLabel,
         NewCollectionControl::DatEdit, NewCollectionControl::DatBrowse,
         app::JoinFileList(filled.dat_files)},
    };
    int top = kMargin + intro_height + kMargin;
    for (const Row& row : rows) {
        child(0, "STATIC", row.caption, SS_LEFTNOWORDWRAP | SS_NOPREFIX,
              at(kMargin, top + 4, kCaptionWidth, 13), row.label);
        child(WS_EX_CLIENTEDGE, "EDIT", row.text, WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL,
              at(kFieldLeft, top, kFieldWidth, 21), row.edit);
        child(0, "BUTTON", "Browse...", WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON,
              at(kBrowseLeft, top - 1, kButtonWidth, kButtonHeight), row.browse);
        top += kRowHeight;
    }
    ::SendMessageA(Item(ControlId(NewCollectionControl::DatEdit)), EM_SETCUEBANNER, FALSE,
                   reinterpret_cast<LPARAM>(L"DAT files, each in double quotes"));

    // The progress keeps its room while it is hidden, so nothing moves when it shows.
    top += 4;
    child(0, PROGRESS_CLASSA, "", PBS_SMOOTH, at(kMargin, top, 400, 17),
          NewCollectionControl::Progress);
    child(0, "STATIC", "", SS_LEFTNOWORDWRAP | SS_NOPREFIX,
          at(kMargin + 408, top + 2, text_width - 408, 13), NewCollectionControl::ProgressText);
    ::ShowWindow(Item(ControlId(NewCollectionControl::Progress)), SW_HIDE);
    ::ShowWindow(Item(ControlId(NewCollectionControl::ProgressText)), SW_HIDE);
    top += 17 + kMargin;

    const int cancel_left = kClientWidth - kMargin - kButtonWidth;
    child(0, "BUTTON", "Create", WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON,
          at(cancel_left - 6 - kButtonWidth, top, kButtonWidth, kButtonHeight),
          NewCollectionControl::CreateButton);
    child(0, "BUTTON", "Cancel", WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON,
          at(cancel_left, top, kButtonWidth, kButtonHeight), NewCollectionControl::CancelButton);
    const int client_height = top + kButtonHeight + kMargin;
    SetInputsEnabled(true);

    // Sized to what it holds; centred over the owner, or on the screen without one.
    RECT frame{0, 0, kClientWidth, client_height};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrA(dialog_, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrA(dialog_, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT around{};
    if (owner_ == nullptr || !::GetWindowRect(owner_, &around)) {
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &around, 0);
    }
    ::SetWindowPos(dialog_, nullptr, (around.left + around.right - width) / 2,
                   std::max<LONG>(around.top, (around.top + around.bottom - height) / 2), width,
                   height, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetFocus(Item(ControlId(NewCollectionControl::RomEdit)));
}

void NewCollectionDialog::WindowGone() {
    const std::lock_guard<std::mutex> lock(posted_mutex_);
    post_target_ = nullptr;
}

LRESULT NewCollectionDialog::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wparam), HIWORD(wparam));
            return 0;
        case kRunPosted:
            RunPosted();
            return 0;
        case WM_SETCURSOR:
            if (busy_) {
                ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32650)));  // IDC_APPSTARTING
                return TRUE;
            }
            break;
        case WM_CLOSE:
            Cancel();
            return 0;
        default:
            break;
    }
    return ::DefWindowProcA(dialog_, message, wparam, lparam);
}

void NewCollectionDialog::OnCommand(int id, int code) {
    switch (static_cast<NewCollectionControl>(id)) {
        case NewCollectionControl::RomEdit:
            if (code == EN_CHANGE && !busy_) {
                SetInputsEnabled(true);  // Create needs a ROM folder
            }
            return;
        case NewCollectionControl::RomBrowse:
            if (code == BN_CLICKED) {
                BrowseFolder("Please locate your Roms.", ControlId(NewCollectionControl::RomEdit));
            }
            return;
        case NewCollectionControl::ScreenBrowse:
            if (code == BN_CLICKED) {
                BrowseFolder("Please locate the screenshots.",
                             ControlId(NewCollectionControl::ScreenEdit));
            }
            return;
        case NewCollectionControl::DatBrowse:
            if (code == BN_CLICKED) {
                BrowseDatFiles();
            }
            return;
        case NewCollectionControl::CreateButton:
            // Enter presses Create only when it can be pressed.
            if (::IsWindowEnabled(Item(id))) {
                rules_.Create();
            }
            return;
        case NewCollectionControl::CancelButton:
            Cancel();
            return;
        default:
            return;
    }
}

void NewCollectionDialog::BrowseFolder(const std::string& instruction, int edit) {
    if (const std::optional<std::string> folder = desktop_.AskFolder(dialog_, instruction)) {
        ::SetWindowTextA(Item(edit), folder->c_str());
    }
}

void NewCollectionDialog::BrowseDatFiles() {
    const std::vector<std::string> files =
        desktop_.AskFiles(dialog_, "Please locate the DAT files.");
    if (!files.empty()) {
        ::SetWindowTextA(Item(ControlId(NewCollectionControl::DatEdit)),
                         app::JoinFileList(files).c_str());
    }
}

void NewCollectionDialog::Cancel() {
    // The import writes the collection's files; it is not stopped half-way.
    if (rules_.Importing() || dialog_ == nullptr) {
        return;
    }
    if (owner_ != nullptr) {
        ::EnableWindow(owner_, TRUE);
    }
    ::DestroyWindow(dialog_);
}

void NewCollectionDialog::SetInputsEnabled(bool enabled) {
    for (NewCollectionControl input :
         {NewCollectionControl::RomEdit, NewCollectionControl::RomBrowse,
          NewCollectionControl::ScreenEdit, NewCollectionControl::ScreenBrowse,
          NewCollectionControl::DatEdit, NewCollectionControl::DatBrowse,
          NewCollectionControl::CancelButton}) {
        ::EnableWindow(Item(ControlId(input)), enabled ? TRUE : FALSE);
    }
    const bool can_create =
        enabled && ::GetWindowTextLengthA(Item(ControlId(NewCollectionControl::RomEdit))) > 0;
    ::EnableWindow(Item(ControlId(NewCollectionControl::CreateButton)), can_create ? TRUE : FALSE);
}

bool NewCollectionDialog::RunModal() {
    if (dialog_ != nullptr) {
        RunModalLoop(owner_, dialog_);
    }
    return accepted_;
}

void NewCollectionDialog::RunPosted() {
    // One task a message: a task may show a modal box, whose loop runs the next ones.
    std::function<void()> task;
    {
        const std::lock_guard<std::mutex> lock(posted_mutex_);
        if (posted_.empty()) {
            return;
        }
        task = std::move(posted_.front());
        posted_.pop_front();
    }
    task();
}

// --- app::NewCollectionView ------------------------------------------------------------------

app::NewCollectionFields NewCollectionDialog::Fields() const {
    const auto text = [this](NewCollectionControl id) {
        HWND edit = Item(ControlId(id));
        const int length = ::GetWindowTextLengthA(edit);
        std::string value(static_cast<std::size_t>(length) + 1, '\0');
        value.resize(static_cast<std::size_t>(::GetWindowTextA(edit, value.data(), length + 1)));
        return value;
    };
    app::NewCollectionFields fields;
    fields.rom_folder = text(NewCollectionControl::RomEdit);
    fields.screen_folder = text(NewCollectionControl::ScreenEdit);
    fields.dat_files = app::SplitFileList(text(NewCollectionControl::DatEdit));
    return fields;
}

void NewCollectionDialog::Post(std::function<void()> task) {
    const std::lock_guard<std::mutex> lock(posted_mutex_);
    // A dialog that is gone by now runs nothing more; what it was handed is dropped with it.
    if (post_target_ != nullptr) {
        posted_.push_back(std::move(task));
        ::PostMessageA(post_target_, kRunPosted, 0, 0);
    }
}

void NewCollectionDialog::ShowBusy(bool busy) {
    busy_ = busy;
    HWND bar = Item(ControlId(NewCollectionControl::Progress));
    HWND text = Item(ControlId(NewCollectionControl::ProgressText));
    if (busy) {
        SetInputsEnabled(false);
        // Busy, with no count yet, until the reading of the ROM files reports one.
        ::SetWindowLongPtrA(bar, GWL_STYLE, ::GetWindowLongPtrA(bar, GWL_STYLE) | PBS_MARQUEE);
        ::SendMessageA(bar, PBM_SETMARQUEE, TRUE, 30);
        ::SetWindowTextA(text, "");
        ::ShowWindow(bar, SW_SHOWNA);
        ::ShowWindow(text, SW_SHOWNA);
        ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32650)));  // IDC_APPSTARTING
        return;
    }
    ::SendMessageA(bar, PBM_SETMARQUEE, FALSE, 0);
    ::ShowWindow(bar, SW_HIDE);
    ::ShowWindow(text, SW_HIDE);
    SetInputsEnabled(true);
    ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));  // IDC_ARROW
}

void NewCollectionDialog::ShowProgress(std::size_t done, std::size_t total) {
    HWND bar = Item(ControlId(NewCollectionControl::Progress));
    if ((::GetWindowLongPtrA(bar, GWL_STYLE) & PBS_MARQUEE) != 0) {
        ::SendMessageA(bar, PBM_SETMARQUEE, FALSE, 0);
        ::SetWindowLongPtrA(bar, GWL_STYLE, ::GetWindowLongPtrA(bar, GWL_STYLE) & ~PBS_MARQUEE);
    }
    const auto clamp = [](std::size_t value) {
        return static_cast<int>(std::min<std::size_t>(value, INT_MAX));
    };
    ::SendMessageA(bar, PBM_SETRANGE32, 0, clamp(total));
    ::SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(clamp(done)), 0);
    const std::string read =
        std::to_string(done) + " of " + std::to_string(total) + " ROM files read";
    ::SetWindowTextA(Item(ControlId(NewCollectionControl::ProgressText)), read.c_str());
}

void NewCollectionDialog::InfoBox(const std::string& text) {
    desktop_.ShowBox(dialog_, BoxIcon::Information, kTitle, text);
}

void NewCollectionDialog::ErrorBox(const std::string& text) {
    desktop_.ShowBox(dialog_, BoxIcon::Error, kTitle, text);
}

void NewCollectionDialog::Accept() {
    accepted_ = true;
    if (dialog_ == nullptr) {
        return;
    }
    if (owner_ != nullptr) {
        ::EnableWindow(owner_, TRUE);
    }
    ::DestroyWindow(dialog_);
}

bool OfferNewCollection(Desktop& desktop) {
    if (rtl::FileExists(catalogue::kCatalogueFileName)) {
        return true;
    }
    catalogue::RomImportRequest first;
    first.remember_dat_files = true;
    NewCollectionDialog dialog(nullptr, desktop, std::move(first));
    return dialog.RunModal();
}

}  // namespace varnimo::win
