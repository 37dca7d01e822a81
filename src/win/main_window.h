#pragma once
// The main window on Windows: the controls of the designed layout, standard ones all, so
// keyboard and screen readers work as everywhere. It forwards every event of them to the
// core's main-window logic and draws what the core tells it through MainView; it holds no
// program state beyond what drawing needs. An exception that ends an event is shown in an
// error box and the program goes on.

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "desktop.h"
#include "gdi_objects.h"
#include "main_view_port.h"
#include "pictures.h"
#include "title_list.h"

namespace varnimo::win {

class MainWindowCore;

class MainWindow final : public MainView {
  public:
    struct Hooks {
        // The window is gone: the program ends its message loop.
        std::function<void()> closed;
        // The first start-up sequence has returned (it may have shown an error).
        std::function<void()> started;
    };

    // Creates the window, hidden, at its designed place.
    explicit MainWindow(Desktop& desktop, Hooks hooks = {});
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Null once the window has been closed.
    HWND Handle() const { return window_; }
    // Shows the window and asks for its first activation, which runs the start-up sequence
    // once, after the window has been drawn.
    void Show(int show_command = SW_SHOWNORMAL);
    // The keys a dialog handles (Tab, Shift+Tab, Alt with a button's letter) for a message the
    // loop took from the queue; true when it was handled and must not be dispatched.
    bool HandleDialogKeys(MSG& message);
    // The collection is the user's own (--user-collection): the reset sequence uses the
    // import's scan cache without a notice, and Settings offers "Import ROM folder...".
    void SetOwnCollection();

    // --- MainView ---------------------------------------------------------------------
    void SetTitleLines(const std::vector<std::int32_t>& rows) override;
    void ClearTitleLines() override;
    int SelectedLine() const override;
    std::string SearchText() const override;
    void SetSearchText(const std::string& text) override;
    void SetCaption(Control control, const std::string& text) override;
    void SetVisible(Control control, bool visible) override;
    void Repaint() override;
    void SetProgressRange(int min, int max) override;
    void SetProgress(int position) override;
    void StepProgress() override;
    void StepProgressBy(std::size_t steps) override;
    void ShowScreenshotFile(const std::string& path) override;
    void ShowBuiltInPicture(BuiltInPicture picture) override;
    void ShowBackground(int tag) override;
    void SetMenuChecked(MenuGroup group, int tag) override;
    void SetTimerInterval(std::uint32_t milliseconds) override;
    void StopTimer() override;
    void StartTimer() override;
    void ErrorBox(const std::string& text) override;
    void InfoBox(const std::string& text) override;
    void PlainBox(const std::string& text) override;
    void StartProgram(const std::string& file, const std::string& argument) override;
    void OpenAddress(const std::string& address) override;
    void RequestQuit() override;

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
    void OnCommand(int id, int code, HWND control);
    LRESULT OnNotify(const NMHDR& header);
    LRESULT OnStaticColour(HDC dc, HWND control);
    void Paint();
    void FirstActivation();
    // Shows `text` the way the top-level handler shows an error that ended an event.
    void ShowRuntimeError(const std::string& text);

    void CreateControls();
    HWND Window(Control control) const;
    HWND Child(int id) const;
    void ApplyTimer();
    void ApplyProgress();
    void ShowOnScreen(HBITMAP bitmap);
    const Picture& Background(int slot);

    Desktop& desktop_;
    Hooks hooks_;
    HWND window_ = nullptr;
    std::unique_ptr<MainWindowCore> core_;
    std::unique_ptr<TitleList> title_list_;
    HWND focus_ = nullptr;  // the control that had the focus when the window was deactivated

    Font window_font_;
    Font detail_font_;
    Brush silver_brush_;
    Brush background_brush_;  // the visible background, for the texts drawn over it

    Picture default_screen_;
    Picture no_image_screen_;
    Picture screenshot_;
    HBITMAP on_screen_ = nullptr;  // what the screenshot control was last given
    Picture detail_icon_;
    Picture fractal_corner_;
    Picture starship_corner_;
    std::array<Picture, 5> backgrounds_;  // by background Tag: -1, 1, 2, 3, 4
    int background_slot_ = 0;

    // The slideshow timer ticks while it is enabled and its interval is above 0.
    std::uint32_t timer_interval_ = 2000;
    bool timer_enabled_ = true;

    int progress_min_ = 0;
    int progress_max_ = 100;
    int progress_position_ = 0;
    int progress_shown_ = 0;
    HWND progress_bar_ = nullptr;
    int progress_width_ = 1;
    std::pair<int, int> range_shown_{0, 100};  // what the bar was last told

    bool first_activation_done_ = false;
};

}  // namespace varnimo::win
