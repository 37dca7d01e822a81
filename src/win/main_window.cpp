#include "main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "control_ids.h"
#include "fonts.h"
#include "main_window_core.h"
#include "menu_bar.h"
#include "rtl/process.h"
#include "rtl/runtime_error.h"

namespace varnimo::win {

namespace {

constexpr char kWindowClass[] = "VarnimoMainWindow";
constexpr char kPanelClass[] = "VarnimoPanel";
constexpr UINT kFirstActivation = WM_APP + 1;
constexpr UINT_PTR kSlideshowTimer = 1;

constexpr int kClientWidth = 660;
constexpr int kClientHeight = 424;
constexpr SIZE kBackgroundSize{665, 426};
constexpr SIZE kScreenSize{253, 213};
constexpr SIZE kHolderSize{2, 2};
constexpr SIZE kDetailIconSize{25, 15};
constexpr POINT kDetailIcons[] = {{16, 290}, {16, 314}, {16, 338}};
constexpr RECT kDetailFrame{8, 280, 8 + 169, 280 + 129};

constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kMaroon = RGB(0x80, 0x00, 0x00);
constexpr COLORREF kSilver = RGB(0xC0, 0xC0, 0xC0);

constexpr StoredPicture kBackgroundPictures[] = {
    StoredPicture::DefaultBackground, StoredPicture::RoseBackground, StoredPicture::SpaceBackground,
    StoredPicture::FractalBackground, StoredPicture::StarshipBackground};

// The picture slot of a Background menu Tag, -1 for none.
int BackgroundSlot(int tag) {
    switch (tag) {
        case -1:
            return 0;
        case 1:
        case 2:
        case 3:
        case 4:
            return tag;
        default:
            return -1;
    }
}

HINSTANCE Instance() {
    return ::GetModuleHandleA(nullptr);
}

// A raised panel that holds controls: it fills itself with the brush it was given, draws its
// edge, and passes what its children tell their parent on to the window, which answers.
LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_ERASEBKGND: {
            RECT area{};
            ::GetClientRect(panel, &area);
            ::FillRect(reinterpret_cast<HDC>(wparam), &area,
                       reinterpret_cast<HBRUSH>(::GetWindowLongPtrA(panel, GWLP_USERDATA)));
            return 1;
        }
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            HDC dc = ::BeginPaint(panel, &paint);
            RECT area{};
            ::GetClientRect(panel, &area);
            ::DrawEdge(dc, &area, BDR_RAISEDINNER, BF_RECT);
            ::EndPaint(panel, &paint);
            return 0;
        }
        case WM_CTLCOLORSTATIC:
        case WM_COMMAND:
        case WM_NOTIFY:
            return ::SendMessageA(::GetParent(panel), message, wparam, lparam);
        default:
            return ::DefWindowProcA(panel, message, wparam, lparam);
    }
}

HWND CreateChild(HWND parent, DWORD ex_style, const char* window_class, const char* text,
                 DWORD style, const RECT& area, int id) {
    return ::CreateWindowExA(ex_style, window_class, text, WS_CHILD | style, area.left, area.top,
                             area.right - area.left, area.bottom - area.top, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(),
                             nullptr);
}

constexpr RECT At(int left, int top, int width, int height) {
    return RECT{left, top, left + width, top + height};
}

}  // namespace

MainWindow::MainWindow(Desktop& desktop, Hooks hooks)
    : desktop_(desktop),
      hooks_(std::move(hooks)),
      core_(std::make_unique<MainWindowCore>(*this)),
      window_font_(CreateWindowFont()),
      detail_font_(CreateDetailFont()),
      silver_brush_(::CreateSolidBrush(kSilver)) {
    static const bool registered = [] {
        WNDCLASSEXA panel{};
        panel.cbSize = sizeof panel;
        panel.lpfnWndProc = PanelProc;
        panel.hInstance = Instance();
        panel.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
        panel.lpszClassName = kPanelClass;
        ::RegisterClassExA(&panel);
        WNDCLASSEXA window{};
        window.cbSize = sizeof window;
        window.lpfnWndProc = &MainWindow::WindowProc;
        window.hInstance = Instance();
        window.hIcon = ::LoadIconA(Instance(), MAKEINTRESOURCEA(1));
        window.hIconSm = static_cast<HICON>(::LoadImageA(
            Instance(), MAKEINTRESOURCEA(1), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
            ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
        window.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
        window.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
        window.lpszClassName = kWindowClass;
        ::RegisterClassExA(&window);
        return true;
    }();
    (void)registered;

    default_screen_ = LoadStoredPicture(StoredPicture::DefaultScreen, kScreenSize);
    no_image_screen_ = LoadStoredPicture(StoredPicture::NoImage, kScreenSize);
    detail_icon_ = LoadStoredPicture(StoredPicture::DetailIcon, kDetailIconSize);
    fractal_corner_ = StoredPictureCorner(StoredPicture::FractalBackground, kHolderSize);
    starship_corner_ = StoredPictureCorner(StoredPicture::StarshipBackground, kHolderSize);
    ShowBackground(-1);

    // A fixed client area of 660 x 424 below the menu bar; no maximise box, no sizing border.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    HMENU menu = CreateMainMenu();
    RECT frame{0, 0, kClientWidth, kClientHeight};
    ::AdjustWindowRectEx(&frame, style, TRUE, 0);
    ::CreateWindowExA(0, kWindowClass, "Varnimo", style, 331, 126, frame.right - frame.left,
                      frame.bottom - frame.top, nullptr, menu, Instance(), this);
    if (window_ == nullptr) {
        ::DestroyMenu(menu);
        throw rtl::RuntimeError("Das Fenster konnte nicht angelegt werden");
    }
    // A menu bar that wraps takes more room than the frame was made for.
    RECT client{};
    ::GetClientRect(window_, &client);
    if (client.right != kClientWidth || client.bottom != kClientHeight) {
        RECT outer{};
        ::GetWindowRect(window_, &outer);
        ::SetWindowPos(window_, nullptr, 0, 0,
                       outer.right - outer.left + kClientWidth - client.right,
                       outer.bottom - outer.top + kClientHeight - client.bottom,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    CreateControls();
    // The timer runs from the window's creation at its design interval.
    ApplyTimer();
}

MainWindow::~MainWindow() {
    hooks_ = {};
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    }
}

void MainWindow::CreateControls() {
    const auto font = reinterpret_cast<WPARAM>(window_font_.Get());
    auto with_font = [&](HWND control, WPARAM which) {
        ::SendMessageA(control, WM_SETFONT, which, FALSE);
        return control;
    };
    // Created in tab order, which is also the order a dialog's keys follow.
    title_list_ = std::make_unique<TitleList>(
        window_, Id(ControlId::TitleList), "Roms", At(8, 16, 345, 257), window_font_.Get(),
        [this](std::int32_t row) { return core_->TitleText(row); });
    with_font(CreateChild(window_, 0, "BUTTON", "&Run with Snes9X",
                          WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, At(392, 248, 97, 17),
                          Id(ControlId::RunSnes9x)),
              font);
    HWND count_panel = CreateChild(window_, 0, kPanelClass, "", WS_VISIBLE | WS_CLIPCHILDREN,
                                   At(424, 344, 193, 22), Id(ControlId::RomCountPanel));
    ::SetWindowLongPtrA(count_panel, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(silver_brush_.Get()));
    FitLabelToText(with_font(
        CreateChild(count_panel, 0, "STATIC", "Roms", WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX,
                    At(2, 4, 27, 13), Id(ControlId::RomCountLabel)),
        font));
    HWND screen_panel = CreateChild(window_, 0, kPanelClass, "", WS_VISIBLE | WS_CLIPCHILDREN,
                                    At(380, 16, 261, 221), Id(ControlId::ScreenshotPanel));
    ::SetWindowLongPtrA(screen_panel, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(::GetSysColorBrush(COLOR_BTNFACE)));
    CreateChild(screen_panel, 0, "STATIC", "", WS_VISIBLE | SS_BITMAP,
                At(4, 4, kScreenSize.cx, kScreenSize.cy), Id(ControlId::Screenshot));
    ShowOnScreen(default_screen_.Handle());
    // An edit box is named after the static text just before it; this one has no label on
    // screen, so a hidden one gives screen readers its name.
    CreateChild(window_, 0, "STATIC", "Search", SS_NOPREFIX, At(208, 360, 121, 21),
                Id(ControlId::SearchLabel));
    with_font(
        CreateChild(window_, WS_EX_CLIENTEDGE, "EDIT", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                    At(208, 360, 121, 21), Id(ControlId::SearchBox)),
        font);
    with_font(CreateChild(window_, 0, "BUTTON", "Clear", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                          At(232, 392, 75, 17), Id(ControlId::ClearButton)),
              font);
    with_font(
        CreateChild(window_, 0, "BUTTON", "Run with ZSNES", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                    At(528, 248, 97, 17), Id(ControlId::RunZsnes)),
        font);
    HWND progress = CreateChild(window_, 0, PROGRESS_CLASSA, "", WS_VISIBLE | PBS_SMOOTH,
                                At(272, 296, 150, 17), Id(ControlId::ProgressBar));
    ::SendMessageA(progress, PBM_SETRANGE32, 0, 100);
    // Kept at hand: the scan steps the bar once a table row.
    progress_bar_ = progress;
    RECT bar_area{};
    ::GetClientRect(progress, &bar_area);
    progress_width_ = bar_area.right;
    with_font(CreateChild(window_, 0, "BUTTON", "...", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                          At(304, 320, 81, 17), Id(ControlId::LoadingButton)),
              font);

    // The texts drawn over the background.
    FitLabelToText(with_font(CreateChild(window_, 0, "STATIC", "Showing: 0/0",
                                         SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_CENTERIMAGE,
                                         At(208, 280, 64, 13), Id(ControlId::ShowingCounter)),
                             font));
    const struct {
        ControlId id;
        const char* text;
        RECT area;
    } details[] = {
        {ControlId::FileSizeLabel, "Size: - select Rom -", At(40, 288, 109, 17)},
        {ControlId::GenreLabel, "Genre: - select Rom -", At(40, 312, 117, 17)},
        {ControlId::PlayerLabel, "Player: - select Rom -", At(40, 336, 119, 17)},
    };
    for (const auto& detail : details) {
        FitLabelToText(with_font(
            CreateChild(window_, 0, "STATIC", detail.text,
                        WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, detail.area, Id(detail.id)),
            reinterpret_cast<WPARAM>(detail_font_.Get())));
    }
    // The search box holds the keyboard focus when the window is shown.
    focus_ = Child(Id(ControlId::SearchBox));
    ::SetFocus(focus_);
}

HWND MainWindow::Child(int id) const {
    if (HWND direct = ::GetDlgItem(window_, id)) {
        return direct;
    }
    for (ControlId panel : {ControlId::RomCountPanel, ControlId::ScreenshotPanel}) {
        if (HWND inside = ::GetDlgItem(::GetDlgItem(window_, Id(panel)), id)) {
            return inside;
        }
    }
    return nullptr;
}

HWND MainWindow::Window(Control control) const {
    switch (control) {
        case Control::TitleList:
            return title_list_->Handle();
        case Control::SearchBox:
            return Child(Id(ControlId::SearchBox));
        case Control::ShowingCounter:
            return Child(Id(ControlId::ShowingCounter));
        case Control::RomCount:
            return Child(Id(ControlId::RomCountLabel));
        case Control::FileSize:
            return Child(Id(ControlId::FileSizeLabel));
        case Control::Genre:
            return Child(Id(ControlId::GenreLabel));
        case Control::Player:
            return Child(Id(ControlId::PlayerLabel));
        case Control::ProgressBar:
            return Child(Id(ControlId::ProgressBar));
        case Control::LoadingStatus:
            return Child(Id(ControlId::LoadingButton));
        case Control::Screenshot:
            return Child(Id(ControlId::Screenshot));
    }
    return nullptr;
}

void MainWindow::Show(int show_command) {
    ::ShowWindow(window_, show_command);
    ::UpdateWindow(window_);
    // Handled once the window is on the screen, so that the start-up's progress can be seen.
    ::PostMessageA(window_, kFirstActivation, 0, 0);
}

bool MainWindow::HandleDialogKeys(MSG& message) {
    return window_ != nullptr && ::IsDialogMessageA(window_, &message) != FALSE;
}

void MainWindow::SetOwnCollection() {
    core_->UseOwnCollection();
    AddImportEntry(::GetMenu(window_));
    ::DrawMenuBar(window_);
}

// --- Messages ----------------------------------------------------------------------------

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        self->window_ = window;
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) {
        return ::DefWindowProcA(window, message, wparam, lparam);
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        const LRESULT result = ::DefWindowProcA(window, message, wparam, lparam);
        if (self->hooks_.closed) {
            self->hooks_.closed();
        }
        return result;
    }
    // Nothing may leave through the system's code: a runtime error, or one not of ours
    // (memory ran out, anything at all), ends only this event, and the user is told.
    try {
        return self->OnMessage(message, wparam, lparam);
    } catch (...) {
        try {
            self->ShowRuntimeError(rtl::CurrentErrorText());
        } catch (...) {
            ::MessageBeep(MB_ICONERROR);
        }
    }
    return 0;
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
            return 0;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
        case WM_TIMER:
            if (wparam == kSlideshowTimer) {
                core_->SlideshowTick();
                return 0;
            }
            break;
        case WM_CTLCOLORSTATIC:
            return OnStaticColour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
        case WM_ERASEBKGND:
            return 1;  // the background picture covers the whole client area
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ACTIVATE:
            // Whichever control had the focus gets it back when the window is active again.
            if (LOWORD(wparam) == WA_INACTIVE) {
                HWND focus = ::GetFocus();
                if (focus != nullptr && ::IsChild(window_, focus)) {
                    focus_ = focus;
                }
            } else if (focus_ != nullptr && ::IsWindow(focus_)) {
                ::SetFocus(focus_);
                return 0;
            }
            break;
        case kFirstActivation:
            FirstActivation();
            return 0;
        case WM_CLOSE:
            ::DestroyWindow(window_);
            return 0;
        case WM_DESTROY:
            ::KillTimer(window_, kSlideshowTimer);
            // The screenshot control may hold a copy of what it was given.
            ShowOnScreen(nullptr);
            return 0;
        default:
            break;
    }
    return ::DefWindowProcA(window_, message, wparam, lparam);
}

void MainWindow::OnCommand(int id, int code, HWND control) {
    if (control != nullptr) {
        switch (static_cast<ControlId>(id)) {
            case ControlId::SearchBox:
                if (code == EN_CHANGE) {
                    core_->SearchChanged();
                }
                return;
            case ControlId::ClearButton:
                if (code == BN_CLICKED) {
                    core_->ClearSearch();
                }
                return;
            case ControlId::RunSnes9x:
                if (code == BN_CLICKED) {
                    core_->Launch(Emulator::Snes9x);
                }
                return;
            case ControlId::RunZsnes:
                if (code == BN_CLICKED) {
                    core_->Launch(Emulator::Zsnes);
                }
                return;
            default:
                return;  // the status button has no action
        }
    }
    if (const std::optional<MenuChoice> choice = ChoiceOfCommand(id)) {
        if (choice->group == MenuGroup::Background) {
            core_->ChooseBackground(choice->tag);
        } else {
            core_->SetFilter(choice->group, choice->tag);
        }
        return;
    }
    switch (static_cast<MenuCommand>(id)) {
        case MenuCommand::Options:
            core_->RunOptions(window_, desktop_);
            return;
        case MenuCommand::Reset:
            core_->Reset();
            return;
        case MenuCommand::ImportRomFolder:
            core_->ImportRomFolder(window_, desktop_);
            return;
        case MenuCommand::Exit:
            core_->Quit();
            return;
        case MenuCommand::About:
            RunAboutBox(window_, desktop_);
            return;
        case MenuCommand::Update:
            core_->RunUpdateChecker(window_, desktop_);
            return;
        default:
            // IDOK and IDCANCEL (Enter and Escape in the window) do nothing.
            return;
    }
}

LRESULT MainWindow::OnNotify(const NMHDR& header) {
    if (title_list_ == nullptr || header.hwndFrom != title_list_->Handle()) {
        return 0;
    }
    LRESULT result = 0;
    switch (title_list_->HandleNotify(header, result)) {
        case TitleList::Event::Chosen:
        case TitleList::Event::Clicked:
            core_->SelectionChanged();
            break;
        case TitleList::Event::StartRequested:
            core_->Launch(Emulator::Snes9x);
            break;
        case TitleList::Event::None:
            break;
    }
    return result;
}

LRESULT MainWindow::OnStaticColour(HDC dc, HWND control) {
    switch (static_cast<ControlId>(::GetDlgCtrlID(control))) {
        case ControlId::FileSizeLabel:
        case ControlId::GenreLabel:
        case ControlId::PlayerLabel: {
            // White over the background picture: the label fills itself with the part of the
            // background it covers.
            RECT area{};
            ::GetWindowRect(control, &area);
            ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&area), 2);
            ::SetBrushOrgEx(dc, -area.left, -area.top, nullptr);
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, kWhite);
            return reinterpret_cast<LRESULT>(background_brush_.Get());
        }
        case ControlId::ShowingCounter:
            ::SetTextColor(dc, kMaroon);
            ::SetBkColor(dc, kSilver);
            return reinterpret_cast<LRESULT>(silver_brush_.Get());
        case ControlId::RomCountLabel:
            ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
            ::SetBkColor(dc, kSilver);
            return reinterpret_cast<LRESULT>(silver_brush_.Get());
        default:
            return ::DefWindowProcA(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                    reinterpret_cast<LPARAM>(control));
    }
}

// The window's surface, in the designed order: the background, the frame of the detail
// lines, their icons, and the corners of the two holder pictures that lie above the
// background. Everything else is a control of its own.
void MainWindow::Paint() {
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(window_, &paint);
    HDC pictures = ::CreateCompatibleDC(dc);
    const Picture& background = Background(background_slot_);
    HGDIOBJ previous = ::SelectObject(pictures, background.Handle());
    ::BitBlt(dc, 0, 0, background.Width(), background.Height(), pictures, 0, 0, SRCCOPY);
    RECT frame = kDetailFrame;
    ::DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT);
    ::SelectObject(pictures, detail_icon_.Handle());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    for (POINT at : kDetailIcons) {
        ::GdiAlphaBlend(dc, at.x, at.y, detail_icon_.Width(), detail_icon_.Height(), pictures, 0, 0,
                        detail_icon_.Width(), detail_icon_.Height(), blend);
    }
    for (const Picture* corner : {&fractal_corner_, &starship_corner_}) {
        ::SelectObject(pictures, corner->Handle());
        ::BitBlt(dc, 0, 0, corner->Width(), corner->Height(), pictures, 0, 0, SRCCOPY);
    }
    ::SelectObject(pictures, previous);
    ::DeleteDC(pictures);
    ::EndPaint(window_, &paint);
}

// The start-up sequence runs once, after the window is on the screen. Dialogs and message
// boxes that close later hand the focus back without coming here again.
void MainWindow::FirstActivation() {
    if (first_activation_done_) {
        return;
    }
    first_activation_done_ = true;
    core_->Reset();
    if (hooks_.started) {
        hooks_.started();
    }
}

void MainWindow::ShowRuntimeError(const std::string& text) {
    desktop_.ShowBox(window_, BoxIcon::Error, "Varnimo", text);
}

// --- Title list and captions ---------------------------------------------------------------

void MainWindow::SetTitleLines(const std::vector<std::int32_t>& rows) {
    title_list_->SetRows(rows);
}

void MainWindow::ClearTitleLines() {
    title_list_->Clear();
}

int MainWindow::SelectedLine() const {
    return title_list_->SelectedLine();
}

std::string MainWindow::SearchText() const {
    HWND box = Child(Id(ControlId::SearchBox));
    const int length = ::GetWindowTextLengthA(box);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextA(box, text.data(), length + 1)));
    return text;
}

void MainWindow::SetSearchText(const std::string& text) {
    // Only a different text is a change; the box's change event rebuilds the list at once.
    if (text != SearchText()) {
        ::SetWindowTextA(Child(Id(ControlId::SearchBox)), text.c_str());
    }
}

void MainWindow::SetCaption(Control control, const std::string& text) {
    HWND window = Window(control);
    switch (control) {
        case Control::ShowingCounter:
        case Control::RomCount:
        case Control::FileSize:
        case Control::Genre:
        case Control::Player:
            ::SetWindowTextA(window, text.c_str());
            FitLabelToText(window);
            return;
        case Control::LoadingStatus:
            ::SetWindowTextA(window, text.c_str());
            // The status shows during long work that does not return to the message loop:
            // draw it now, not after the work.
            ::UpdateWindow(window);
            return;
        case Control::SearchBox:
            SetSearchText(text);
            return;
        case Control::TitleList:
        case Control::ProgressBar:
        case Control::Screenshot:
            return;  // they have no caption
    }
}

void MainWindow::SetVisible(Control control, bool visible) {
    HWND window = Window(control);
    ::ShowWindow(window, visible ? SW_SHOWNA : SW_HIDE);
    if (visible && (control == Control::ProgressBar || control == Control::LoadingStatus)) {
        ::UpdateWindow(window);
    }
}

void MainWindow::Repaint() {
    ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// --- Progress ----------------------------------------------------------------------------

void MainWindow::SetProgressRange(int min, int max) {
    progress_min_ = min;
    progress_max_ = max;
    progress_position_ = std::clamp(progress_position_, min, std::max(min, max));
    ApplyProgress();
}

void MainWindow::SetProgress(int position) {
    progress_position_ =
        std::clamp(position, progress_min_, std::max(progress_min_, progress_max_));
    ApplyProgress();
}

void MainWindow::StepProgress() {
    // Stepping past the end starts over from the beginning, as a progress bar's step does.
    progress_position_ =
        progress_position_ >= progress_max_ ? progress_min_ : progress_position_ + 1;
    ApplyProgress();
}

void MainWindow::StepProgressBy(std::size_t steps) {
    // The steps of a load that has already happened: only where they end is drawn.
    const std::int64_t span = std::int64_t{progress_max_} - progress_min_ + 1;
    if (span > 0) {
        const std::int64_t moved = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(progress_position_ - progress_min_) + steps) %
            static_cast<std::uint64_t>(span));
        progress_position_ = progress_min_ + static_cast<int>(moved);
    }
    ApplyProgress();
}

void MainWindow::ApplyProgress() {
    // The scan steps once a table row: the bar is told only what changed, and its position
    // only when it moves by a pixel's worth, and always at either end. Each message to it
    // costs a redraw, a round trip to the window server under Wine.
    HWND bar = progress_bar_;
    if (bar == nullptr) {
        return;
    }
    const bool empty = progress_max_ <= progress_min_;
    // An empty range shows an empty bar.
    const int shown_min = empty ? 0 : progress_min_;
    const int shown_max = empty ? 1 : progress_max_;
    const int position = empty ? 0 : progress_position_;
    if (shown_min != range_shown_.first || shown_max != range_shown_.second) {
        ::SendMessageA(bar, PBM_SETRANGE32, static_cast<WPARAM>(shown_min),
                       static_cast<LPARAM>(shown_max));
        range_shown_ = {shown_min, shown_max};
        ::SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
        progress_shown_ = position;
        return;
    }
    const std::int64_t span = std::int64_t{shown_max} - shown_min;
    const std::int64_t pixel = std::max<std::int64_t>(1, span / std::max(1, progress_width_));
    const std::int64_t moved = std::abs(std::int64_t{position} - progress_shown_);
    if (position != progress_shown_ &&
        (position == shown_min || position == shown_max || moved >= pixel)) {
        ::SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
        progress_shown_ = position;
    }
}

// --- Pictures ----------------------------------------------------------------------------

void MainWindow::ShowOnScreen(HBITMAP bitmap) {
    HWND screen = Child(Id(ControlId::Screenshot));
    if (screen == nullptr) {
        return;
    }
    auto previous = reinterpret_cast<HBITMAP>(
        ::SendMessageA(screen, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    // A control of the newer common controls keeps a copy of a picture with transparency and
    // hands it back here; what it hands back that is not what it was given is that copy.
    if (previous != nullptr && previous != on_screen_) {
        ::DeleteObject(previous);
    }
    on_screen_ = bitmap;
}

void MainWindow::ShowScreenshotFile(const std::string& path) {
    // Decoded first, shown after: a file that fails leaves the previous picture.
    Picture decoded = LoadScreenshot(path, kScreenSize);
    ShowOnScreen(decoded.Handle());
    screenshot_ = std::move(decoded);
}

void MainWindow::ShowBuiltInPicture(BuiltInPicture picture) {
    ShowOnScreen(picture == BuiltInPicture::Default ? default_screen_.Handle()
                                                    : no_image_screen_.Handle());
}

const Picture& MainWindow::Background(int slot) {
    Picture& picture = backgrounds_[static_cast<std::size_t>(slot)];
    if (!picture) {
        picture = LoadStoredPicture(kBackgroundPictures[slot], kBackgroundSize);
    }
    return picture;
}

void MainWindow::ShowBackground(int tag) {
    const int slot = BackgroundSlot(tag);
    if (slot < 0) {
        return;
    }
    background_brush_.Reset(::CreatePatternBrush(Background(slot).Handle()));
    background_slot_ = slot;
    if (window_ != nullptr) {
        ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
}

// --- Menus and the timer -----------------------------------------------------------------

void MainWindow::SetMenuChecked(MenuGroup group, int tag) {
    CheckChoice(::GetMenu(window_), group, tag);
}

void MainWindow::SetTimerInterval(std::uint32_t milliseconds) {
    if (milliseconds == timer_interval_) {
        return;
    }
    timer_interval_ = milliseconds;
    ApplyTimer();
}

void MainWindow::StopTimer() {
    timer_enabled_ = false;
    ApplyTimer();
}

void MainWindow::StartTimer() {
    timer_enabled_ = true;
    ApplyTimer();
}

void MainWindow::ApplyTimer() {
    if (window_ == nullptr) {
        return;
    }
    if (timer_enabled_ && timer_interval_ > 0) {
        // Setting the timer again starts its period anew. Longer intervals tick at the longest
        // period the system waits.
        ::SetTimer(window_, kSlideshowTimer,
                   std::min<std::uint32_t>(timer_interval_, USER_TIMER_MAXIMUM), nullptr);
    } else {
        ::KillTimer(window_, kSlideshowTimer);
    }
}

// --- Boxes, programs, quitting -----------------------------------------------------------

void MainWindow::ErrorBox(const std::string& text) {
    desktop_.ShowBox(window_, BoxIcon::Error, "Error", text);
}

void MainWindow::InfoBox(const std::string& text) {
    desktop_.ShowBox(window_, BoxIcon::Information, "Information", text);
}

void MainWindow::PlainBox(const std::string& text) {
    desktop_.ShowBox(window_, BoxIcon::None, "Varnimo", text);
}

void MainWindow::StartProgram(const std::string& file, const std::string& argument) {
    // One argument, no shell, not waited for; a program that does not start is not reported.
    rtl::StartDetached(file, argument);
}

void MainWindow::OpenAddress(const std::string& address) {
    desktop_.OpenAddress(window_, address);
}

void MainWindow::RequestQuit() {
    ::PostMessageA(window_, WM_CLOSE, 0, 0);
}

}  // namespace varnimo::win
