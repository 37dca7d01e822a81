#pragma once
// The title list: a list view that owns no lines (LVS_OWNERDATA). It holds the table rows the
// core listed, in display order, and hands a line's title to the control only when the control
// draws or reads that line, so a rebuild of a million lines is one change of the line count.
// Being the system's list view, screen readers read its lines and keys work as everywhere.

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace varnimo::win {

class TitleList {
  public:
    // The bytes of the title of a table row, in the system code page.
    using TitleSource = std::function<std::string_view(std::int32_t row)>;

    // What a notification of the list means to the window.
    enum class Event {
        None,
        Chosen,          // a line was chosen: by a mouse press, a key or a message
        Clicked,         // a click on a line ended
        StartRequested,  // a double-click on a line, or Enter
    };

    // Creates the list as child `id` of `parent` at `area`, drawn with `font`. `name` is what
    // screen readers call the list: a list view takes its accessible name from its window
    // text, which it never draws.
    TitleList(HWND parent, int id, const char* name, const RECT& area, HFONT font,
              TitleSource titles);
    TitleList(const TitleList&) = delete;
    TitleList& operator=(const TitleList&) = delete;

    HWND Handle() const { return list_; }

    // Shows `rows` (table rows in display order) with nothing chosen and the first line on top.
    void SetRows(const std::vector<std::int32_t>& rows);
    void Clear();
    // The chosen line, -1 when none.
    int SelectedLine() const;
    // The table row shown on `line`, -1 outside the list.
    std::int32_t RowOfLine(int line) const;

    // Handles a WM_NOTIFY of the list: fills in the text of a line and finds lines by their
    // start, and tells what the notification means to the window.
    Event HandleNotify(const NMHDR& header, LRESULT& result);

  private:
    static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wparam, LPARAM lparam,
                                     UINT_PTR subclass, DWORD_PTR self);
    LRESULT OnListMessage(UINT message, WPARAM wparam, LPARAM lparam);
    int FindLine(std::string_view start, int from, bool wrap) const;
    // Only `line` chosen and the caret on it; `line` -1 chooses none and drops the caret.
    void ChooseOnly(int line);

    HWND list_ = nullptr;
    TitleSource titles_;
    std::vector<std::int32_t> rows_;
    bool updating_ = false;  // the list's own rebuild, not the user's choice
};

}  // namespace varnimo::win
