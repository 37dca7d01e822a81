#pragma once
// A main window that draws nothing: the benchmarks time MainWindowLogic's own work, not a view's.
// It behaves as the real views do where MainWindowLogic depends on it: a changed search text runs
// the search at once, and every message box is answered at once (and counted, so a
// benchmark can tell that the start-up ended early).

#include <cstdint>
#include <string>
#include <vector>

#include "app/main_view.h"
#include "app/main_window_logic.h"

namespace varnimo::bench {

class QuietView final : public app::MainView {
  public:
    void Attach(app::MainWindowLogic* logic) { logic_ = logic; }
    std::size_t Lines() const { return lines_; }
    int ErrorBoxes() const { return error_boxes_; }
    bool QuitRequested() const { return quit_requested_; }

    void SetTitleLines(const std::vector<std::int32_t>& rows) override { lines_ = rows.size(); }
    void ClearTitleLines() override { lines_ = 0; }
    int SelectedLine() const override { return -1; }
    std::string SearchText() const override { return search_text_; }
    void SetSearchText(const std::string& text) override {
        if (text == search_text_)
            return;
        search_text_ = text;
        if (logic_ != nullptr)
            logic_->SearchChanged();
    }
    void SetCaption(app::Control, const std::string&) override {}
    void SetVisible(app::Control, bool) override {}
    void Repaint() override {}
    void SetProgressRange(int, int) override {}
    void SetProgress(int) override {}
    void StepProgress() override {}
    void ShowScreenshotFile(const std::string&) override {}
    void ShowBuiltInPicture(app::BuiltInPicture) override {}
    void ShowBackground(int) override {}
    void SetMenuChecked(app::MenuGroup, int) override {}
    void SetTimerInterval(std::uint32_t) override {}
    void StopTimer() override {}
    void StartTimer() override {}
    void ErrorBox(const std::string&) override { ++error_boxes_; }
    void InfoBox(const std::string&) override {}
    void PlainBox(const std::string&) override {}
    void StartProgram(const std::string&, const std::string&) override {}
    void OpenAddress(const std::string&) override {}
    void RequestQuit() override { quit_requested_ = true; }

  private:
    app::MainWindowLogic* logic_ = nullptr;
    std::size_t lines_ = 0;
    std::string search_text_;
    int error_boxes_ = 0;
    bool quit_requested_ = false;
};

}  // namespace varnimo::bench
