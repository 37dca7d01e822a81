#include "title_list.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace varnimo::win {

namespace {

char FoldAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool StartsWithFolded(std::string_view text, std::string_view start) {
    if (start.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < start.size(); ++i) {
        if (FoldAscii(text[i]) != FoldAscii(start[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

TitleList::TitleList(HWND parent, int id, const char* name, const RECT& area, HFONT font,
                     TitleSource titles)
    : titles_(std::move(titles)) {
    list_ = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, name,
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA |
                                  LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                              area.left, area.top, area.right - area.left, area.bottom - area.top,
                              parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ::SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH;
    RECT client{};
    ::GetClientRect(list_, &client);
    column.cx = client.right;
    ::SendMessageA(list_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    ::SetWindowSubclass(list_, &TitleList::ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void TitleList::ChooseOnly(int line) {
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    // One line at a time: a change of every line at once would be told line by line.
    for (int flag : {LVNI_SELECTED, LVNI_FOCUSED}) {
        const int old =
            static_cast<int>(::SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), flag));
        if (old >= 0 && old != line) {
            state.state = 0;
            ::SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(old),
                           reinterpret_cast<LPARAM>(&state));
        }
    }
    if (line >= 0) {
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(line),
                       reinterpret_cast<LPARAM>(&state));
    }
}

void TitleList::SetRows(const std::vector<std::int32_t>& rows) {
    updating_ = true;
    ChooseOnly(-1);
    rows_ = rows;  // reuses the capacity of the previous list
    ::SendMessageA(list_, LVM_SETITEMCOUNT, rows_.size(), 0);
    if (!rows_.empty()) {
        ::SendMessageA(list_, LVM_ENSUREVISIBLE, 0, FALSE);
    }
    // The line is as wide as the list, less the scroll bar when there is one.
    RECT client{};
    ::GetClientRect(list_, &client);
    ::SendMessageA(list_, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(client.right, 0));
    ::InvalidateRect(list_, nullptr, TRUE);
    updating_ = false;
}

void TitleList::Clear() {
    if (!rows_.empty()) {
        SetRows({});
    }
}

int TitleList::SelectedLine() const {
    return static_cast<int>(
        ::SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::int32_t TitleList::RowOfLine(int line) const {
    if (line < 0 || static_cast<std::size_t>(line) >= rows_.size()) {
        return -1;
    }
    return rows_[static_cast<std::size_t>(line)];
}

int TitleList::FindLine(std::string_view start, int from, bool wrap) const {
    const int lines = static_cast<int>(rows_.size());
    from = std::clamp(from, 0, lines);
    for (int line = from; line < lines; ++line) {
        if (StartsWithFolded(titles_(RowOfLine(line)), start)) {
            return line;
        }
    }
    for (int line = 0; wrap && line < from; ++line) {
        if (StartsWithFolded(titles_(RowOfLine(line)), start)) {
            return line;
        }
    }
    return -1;
}

TitleList::Event TitleList::HandleNotify(const NMHDR& header, LRESULT& result) {
    result = 0;
    switch (header.code) {
        case LVN_GETDISPINFOA: {
            auto& item =
                const_cast<NMLVDISPINFOA&>(reinterpret_cast<const NMLVDISPINFOA&>(header)).item;
            if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
                const std::string_view title = titles_(RowOfLine(item.iItem));
                const std::size_t n =
                    std::min(title.size(), static_cast<std::size_t>(item.cchTextMax - 1));
                std::memcpy(item.pszText, title.data(), n);
                item.pszText[n] = '\0';
            }
            return Event::None;
        }
        case LVN_ODFINDITEMA: {
            const auto& find = reinterpret_cast<const NMLVFINDITEMA&>(header);
            if ((find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) != 0 && find.lvfi.psz != nullptr) {
                result = FindLine(find.lvfi.psz, find.iStart, (find.lvfi.flags & LVFI_WRAP) != 0);
            } else {
                result = -1;
            }
            return Event::None;
        }
        case LVN_ITEMCHANGED: {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            const bool chosen = (change.uChanged & LVIF_STATE) != 0 &&
                                (change.uNewState & LVIS_SELECTED) != 0 &&
                                (change.uOldState & LVIS_SELECTED) == 0;
            return !updating_ && change.iItem >= 0 && chosen ? Event::Chosen : Event::None;
        }
        case NM_CLICK:
            return reinterpret_cast<const NMITEMACTIVATE&>(header).iItem >= 0 ? Event::Clicked
                                                                              : Event::None;
        case NM_DBLCLK:
            return reinterpret_cast<const NMITEMACTIVATE&>(header).iItem >= 0
                       ? Event::StartRequested
                       : Event::None;
        case NM_RETURN:
            return Event::StartRequested;
        default:
            return Event::None;
    }
}

LRESULT CALLBACK TitleList::ListProc(HWND list, UINT message, WPARAM wparam, LPARAM lparam,
                                     UINT_PTR, DWORD_PTR self) {
    (void)list;
    return reinterpret_cast<TitleList*>(self)->OnListMessage(message, wparam, lparam);
}

LRESULT TitleList::OnListMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_GETDLGCODE: {
            // Enter belongs to the list (it starts the chosen title), not to the window's
            // dialog keys.
            const auto* key = reinterpret_cast<const MSG*>(lparam);
            LRESULT code = ::DefSubclassProc(list_, message, wparam, lparam);
            if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) {
                code |= DLGC_WANTMESSAGE;
            }
            return code;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK: {
            // A list box keeps its one chosen line: a click beside the lines, or with Ctrl or
            // Shift, which a list view takes as "choose none" or "add to the choice", only
            // takes the focus or chooses the line clicked.
            LVHITTESTINFO hit{};
            hit.pt = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
            if (::SendMessageA(list_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0) {
                ::SetFocus(list_);
                return 0;
            }
            wparam &= ~static_cast<WPARAM>(MK_CONTROL | MK_SHIFT);
            break;
        }
        case WM_KEYDOWN:
            if (wparam == VK_SPACE && ::GetKeyState(VK_CONTROL) < 0) {
                return 0;  // Ctrl+Space would take the choice away
            }
            if (wparam == VK_RETURN) {
                // Enter asks for a start even with no line chosen (the window then says to
                // choose one); some list views tell their parent only when a line has the
                // caret, so the list says it itself, once.
                NMHDR header{list_, static_cast<UINT_PTR>(::GetDlgCtrlID(list_)),
                             static_cast<UINT>(NM_RETURN)};
                ::SendMessageA(::GetParent(list_), WM_NOTIFY, header.idFrom,
                               reinterpret_cast<LPARAM>(&header));
                return 0;
            }
            break;
        case WM_NCDESTROY:
            ::RemoveWindowSubclass(list_, &TitleList::ListProc, 1);
            break;
        default:
            break;
    }
    return ::DefSubclassProc(list_, message, wparam, lparam);
}

}  // namespace varnimo::win
