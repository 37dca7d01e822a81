#include "update_dialog.h"

#include <commctrl.h>

#include <algorithm>

#include "fonts.h"
#include "modal_loop.h"
#include "rtl/runtime_error.h"

namespace varnimo::win {

namespace {

constexpr char kUpdateClass[] = "VarnimoUpdate";
constexpr int kClientWidth = 623;
constexpr int kClientHeight = 372;
constexpr COLORREF kLinkBlue = RGB(0x00, 0x00, 0xFF);

HINSTANCE Instance() {
    return ::GetModuleHandleA(nullptr);
}

// The grids' shapes: place, cells and the width of a column.
struct GridShape {
    UpdateControl id;
    RECT area;
    int rows;
    int column_width;
};
constexpr GridShape kGrids[] = {
    {UpdateControl::VersionGrid, {56, 72, 56 + 240, 72 + 80}, 3, 80},
    {UpdateControl::PackGrid1, {320, 56, 320 + 121, 56 + 270}, 14, 40},
    {UpdateControl::PackGrid2, {480, 56, 480 + 121, 56 + 270}, 14, 40},
};
constexpr int kGridColumns = 3;

UpdateControl GridId(app::UpdateGrid grid) {
    switch (grid) {
        case app::UpdateGrid::Versions:
            return UpdateControl::VersionGrid;
        case app::UpdateGrid::PacksAToM:
            return UpdateControl::PackGrid1;
        case app::UpdateGrid::PacksNToZ:
            return UpdateControl::PackGrid2;
    }
    return UpdateControl::VersionGrid;
}

}  // namespace

UpdateDialog::UpdateDialog(HWND owner, Desktop& desktop)
    : owner_(owner), desktop_(desktop), font_(CreateWindowFont()) {
    static const bool registered = [] {
        WNDCLASSEXA update{};
        update.cbSize = sizeof update;
        update.lpfnWndProc = &DialogProcedure<UpdateDialog>;
        update.hInstance = Instance();
        update.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
        update.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
        update.lpszClassName = kUpdateClass;
        ::RegisterClassExA(&update);
        return true;
    }();
    (void)registered;
    bold_font_ = DerivedFont(font_.Get(), true, false);
    link_font_ = DerivedFont(font_.Get(), true, true);

    // A thin title bar without buttons: Exit is the way out. Centred over the owner.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
    const DWORD ex_style = WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME;
    RECT frame{0, 0, kClientWidth, kClientHeight};
    ::AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT outer{0, 0, width, height};
    if (owner != nullptr) {
        ::GetWindowRect(owner, &outer);
    }
    const int x = (outer.left + outer.right) / 2 - width / 2;
    const int y = (outer.top + outer.bottom) / 2 - height / 2;
    ::CreateWindowExA(ex_style, kUpdateClass, "Update Checker", style, x, y, width, height, owner,
                      nullptr, Instance(), this);
    if (dialog_ == nullptr) {
        throw rtl::RuntimeError("Das Fenster konnte nicht angelegt werden");
    }
    CreateControls();
}

UpdateDialog::~UpdateDialog() {
    while (waits_ > 0) {
        EndWait();
    }
    if (dialog_ != nullptr) {
        ::DestroyWindow(dialog_);
    }
}

void UpdateDialog::CreateControls() {
    auto child = [&](DWORD ex_style, const char* window_class, const char* text, DWORD style,
                     RECT area, UpdateControl id, HFONT font) {
        HWND control = ::CreateWindowExA(ex_style, window_class, text, WS_CHILD | style, area.left,
                                         area.top, area.right - area.left, area.bottom - area.top,
                                         dialog_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                         Instance(), nullptr);
        ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return control;
    };
    const DWORD label = WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX;
    child(0, "BUTTON", "Status", WS_VISIBLE | BS_GROUPBOX, {80, 16, 80 + 201, 16 + 33},
          UpdateControl::StatusBox, font_.Get());
    FitLabelToText(child(0, "STATIC", "- unknown-", label, {120, 32, 120 + 64, 32 + 13},
                         UpdateControl::ConnectionLabel, bold_font_.Get()));
    // The grids show text only: report-style lists without headers, whose first row and
    // column carry the captions. Being list views, screen readers read every cell.
    for (const GridShape& shape : kGrids) {
        HWND grid =
            child(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                  WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_NOSORTHEADER | LVS_SINGLESEL,
                  shape.area, shape.id, font_.Get());
        ::SendMessageA(grid, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES, LVS_EX_GRIDLINES);
        for (int column = 0; column < kGridColumns; ++column) {
            LVCOLUMNA format{};
            format.mask = LVCF_WIDTH;
            format.cx = shape.column_width;
            ::SendMessageA(grid, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column),
                           reinterpret_cast<LPARAM>(&format));
        }
        for (int row = 0; row < shape.rows; ++row) {
            LVITEMA item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.pszText = const_cast<char*>("");
            ::SendMessageA(grid, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        }
    }
    FitLabelToText(child(0, "STATIC", "No Updates Available", label,
                         {120, 184, 120 + 124, 184 + 13}, UpdateControl::UpdatesLabel,
                         bold_font_.Get()));
    FitLabelToText(child(0, "STATIC", "Click here to go to Download Page",
                         (label & ~WS_VISIBLE) | SS_NOTIFY, {80, 184, 80 + 199, 184 + 13},
                         UpdateControl::DownloadLink, link_font_.Get()));
    // Tab order as designed: Exit, then Connect.
    HWND exit = child(0, "BUTTON", "Exit", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                      {216, 232, 216 + 75, 232 + 25}, UpdateControl::ExitButton, font_.Get());
    child(0, "BUTTON", "Connect update Server", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
          {32, 232, 32 + 145, 232 + 25}, UpdateControl::ConnectButton, font_.Get());
    ::SetFocus(exit);
}

HWND UpdateDialog::Label(app::UpdateLabel label) const {
    switch (label) {
        case app::UpdateLabel::Connection:
            return ::GetDlgItem(dialog_, static_cast<int>(UpdateControl::ConnectionLabel));
        case app::UpdateLabel::NoUpdates:
            return ::GetDlgItem(dialog_, static_cast<int>(UpdateControl::UpdatesLabel));
        case app::UpdateLabel::DownloadLink:
            return ::GetDlgItem(dialog_, static_cast<int>(UpdateControl::DownloadLink));
    }
    return nullptr;
}

LRESULT UpdateDialog::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
            if (events_ == nullptr) {
                return 0;
            }
            switch (static_cast<UpdateControl>(LOWORD(wparam))) {
                case UpdateControl::ExitButton:
                    events_->Exit();
                    return 0;
                case UpdateControl::ConnectButton:
                    events_->Connect();
                    return 0;
                case UpdateControl::DownloadLink:
                    if (HIWORD(wparam) == STN_CLICKED) {
                        events_->OpenDownloadPage();
                    }
                    return 0;
                default:
                    return 0;
            }
        case WM_NOTIFY: {
            // The grids are for reading: nothing in them is chosen.
            const auto& header = *reinterpret_cast<const NMHDR*>(lparam);
            if (header.code == LVN_ITEMCHANGING) {
                const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
                return (change.uNewState & (LVIS_SELECTED | LVIS_FOCUSED)) != 0 ? TRUE : FALSE;
            }
            return 0;
        }
        case WM_SETCURSOR:
            if (waits_ > 0) {
                ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
                return TRUE;
            }
            if (reinterpret_cast<HWND>(wparam) == Label(app::UpdateLabel::DownloadLink)) {
                ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
                return TRUE;
            }
            break;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lparam) == Label(app::UpdateLabel::DownloadLink)) {
                auto dc = reinterpret_cast<HDC>(wparam);
                ::SetTextColor(dc, kLinkBlue);
                ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
            }
            break;
        case WM_CLOSE:
            if (events_ != nullptr) {
                events_->Exit();
            }
            return 0;
        default:
            break;
    }
    return ::DefWindowProcA(dialog_, message, wparam, lparam);
}

void UpdateDialog::RunModal(Events& events) {
    events_ = &events;
    ::ShowWindow(dialog_, SW_SHOWNORMAL);
    ::UpdateWindow(dialog_);
    events.Shown();
    if (dialog_ != nullptr) {
        RunModalLoop(owner_, dialog_);
    }
    events_ = nullptr;
}

// --- UpdateView ------------------------------------------------------------------------------

void UpdateDialog::SetCell(app::UpdateGrid grid, int column, int row, const std::string& text) {
    HWND list = ::GetDlgItem(dialog_, static_cast<int>(GridId(grid)));
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    ::SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&item));
}

void UpdateDialog::SetCaption(app::UpdateLabel label, const std::string& text) {
    if (label != app::UpdateLabel::Connection) {
        return;  // the two labels under the grids keep their captions
    }
    HWND status = Label(label);
    ::SetWindowTextA(status, text.c_str());
    FitLabelToText(status);
    // Shown before the query that may still block.
    ::UpdateWindow(status);
}

void UpdateDialog::SetVisible(app::UpdateLabel label, bool visible) {
    ::ShowWindow(Label(label), visible ? SW_SHOWNA : SW_HIDE);
}

void UpdateDialog::PlainBox(const std::string& text) {
    desktop_.ShowBox(dialog_, BoxIcon::None, "Varnimo", text);
}

void UpdateDialog::OpenAddress(const std::string& address) {
    desktop_.OpenAddress(dialog_, address);
}

void UpdateDialog::CloseDialog() {
    if (dialog_ == nullptr) {
        return;
    }
    if (owner_ != nullptr) {
        ::EnableWindow(owner_, TRUE);
    }
    ::DestroyWindow(dialog_);
}

void UpdateDialog::BeginWait() {
    if (waits_++ == 0) {
        ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
    }
}

void UpdateDialog::EndWait() {
    if (waits_ > 0 && --waits_ == 0) {
        ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));  // IDC_ARROW
    }
}

}  // namespace varnimo::win
