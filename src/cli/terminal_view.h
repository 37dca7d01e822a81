#pragma once
// The main window as a terminal sees it: captions and pictures are remembered for the
// command to print, every message box becomes one line on stderr and is answered at once.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/main_view.h"
#include "cli/terminal_text.h"

namespace varnimo::cli {

class TerminalView : public app::MainView {
  public:
    explicit TerminalView(std::FILE* messages) : messages_(messages), message_text_(messages) {}

    // What the search box's change event runs.
    void OnSearchChanged(std::function<void()> search_changed) {
        search_changed_ = std::move(search_changed);
    }
    // The line a click selects; SelectedLine() answers -1 when it is not in the list.
    void SelectLine(int line) { selected_line_ = line; }
    // With a dry run, StartProgram prints what it would start on `out` instead.
    void SetDryRun(std::FILE* out) {
        dry_run_out_ = out;
        dry_run_text_.emplace(out);
    }

    std::string Caption(app::Control control) const;
    // The picture shown since the last call, as the `screen:` line names it.
    std::optional<std::string> TakePicture();
    int ErrorBoxCount() const { return error_boxes_; }
    bool QuitRequested() const { return quit_requested_; }
    // Prints a runtime error the way an error box is printed.
    void ReportError(const std::string& text);

    // MainView
    void SetTitleLines(const std::vector<std::int32_t>& rows) override;
    void ClearTitleLines() override { line_count_ = 0; }
    int SelectedLine() const override;
    std::string SearchText() const override { return search_text_; }
    void SetSearchText(const std::string& text) override;
    void SetCaption(app::Control control, const std::string& text) override {
        captions_[control] = text;
    }
    void SetVisible(app::Control, bool) override {}
    void Repaint() override {}
    void SetProgressRange(int, int) override {}
    void SetProgress(int) override {}
    void StepProgress() override {}
    void ShowScreenshotFile(const std::string& path) override;
    void ShowBuiltInPicture(app::BuiltInPicture picture) override;
    void ShowBackground(int) override {}
    void SetMenuChecked(app::MenuGroup, int) override {}
    void SetTimerInterval(std::uint32_t) override {}
    void StopTimer() override {}
    void StartTimer() override {}
    void ErrorBox(const std::string& text) override;
    void InfoBox(const std::string& text) override;
    void PlainBox(const std::string& text) override;
    void StartProgram(const std::string& file, const std::string& argument) override;
    void OpenAddress(const std::string& address) override;
    void RequestQuit() override { quit_requested_ = true; }

  private:
    void Message(const char* kind, const std::string& text);

    std::FILE* messages_;
    TerminalText message_text_;
    std::FILE* dry_run_out_ = nullptr;
    std::optional<TerminalText> dry_run_text_;
    std::function<void()> search_changed_;
    std::size_t line_count_ = 0;
    int selected_line_ = -1;
    std::string search_text_;
    std::map<app::Control, std::string> captions_;
    std::optional<std::string> picture_;
    int error_boxes_ = 0;
    bool quit_requested_ = false;
};

}  // namespace varnimo::cli
