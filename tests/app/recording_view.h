#pragma once
// A MainView that records what MainWindowLogic asks of the window, for tests of MainWindowLogic and
// of the dialogs built on it. Captions, visibility and the list are kept as current state; every
// call is also appended to `log` as one line, so tests can check the order of events.
//
// Like the real search box, SetSearchText with a different text calls
// MainWindowLogic::SearchChanged at once (after Attach). Message boxes are answered at once;
// `on_box` lets a test act while a box is open (for example press Reset again).

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/main_view.h"
#include "app/main_window_logic.h"
#include "rtl/runtime_error.h"

namespace varnimo::testing {

inline const char* ControlName(app::Control control) {
    switch (control) {
        case app::Control::TitleList:
            return "TitleList";
        case app::Control::SearchBox:
            return "SearchBox";
        case app::Control::ShowingCounter:
            return "ShowingCounter";
        case app::Control::RomCount:
            return "RomCount";
        case app::Control::FileSize:
            return "FileSize";
        case app::Control::Genre:
            return "Genre";
        case app::Control::Player:
            return "Player";
        case app::Control::ProgressBar:
            return "ProgressBar";
        case app::Control::LoadingStatus:
            return "LoadingStatus";
        case app::Control::Screenshot:
            return "Screenshot";
    }
    return "?";
}

class RecordingView : public app::MainView {
  public:
    void Attach(app::MainWindowLogic* logic) { logic_ = logic; }

    // --- what tests set ---
    int selected_line = -1;
    std::set<std::string> undecodable;  // screenshot paths whose loading fails
    std::function<void(const std::string& box)> on_box;

    // --- what tests read ---
    std::vector<std::string> log;
    std::map<app::Control, std::string> captions;
    std::map<app::Control, bool> visible;
    std::vector<std::int32_t> lines;
    std::string search_text;
    std::string picture;  // "file PATH", "default" or "no picture"
    std::map<app::MenuGroup, int> checked;
    int background = -1;
    std::uint32_t timer_interval = 2000;
    bool timer_enabled = true;
    bool quit = false;

    std::vector<std::string> Boxes() const {
        std::vector<std::string> boxes;
        for (const std::string& entry : log) {
            if (entry.rfind("error: ", 0) == 0 || entry.rfind("info: ", 0) == 0 ||
                entry.rfind("notice: ", 0) == 0) {
                boxes.push_back(entry);
            }
        }
        return boxes;
    }
    std::string Caption(app::Control control) const {
        auto found = captions.find(control);
        return found == captions.end() ? std::string() : found->second;
    }

    // --- MainView ---
    void SetTitleLines(const std::vector<std::int32_t>& rows) override {
        lines = rows;
        log.push_back("lines " + std::to_string(rows.size()));
    }
    void ClearTitleLines() override {
        lines.clear();
        log.push_back("lines cleared");
    }
    int SelectedLine() const override { return selected_line; }
    std::string SearchText() const override { return search_text; }
    void SetSearchText(const std::string& text) override {
        if (text == search_text) {
            return;
        }
        search_text = text;
        log.push_back("search text '" + text + "'");
        if (logic_ != nullptr) {
            logic_->SearchChanged();
        }
    }
    void SetCaption(app::Control control, const std::string& text) override {
        captions[control] = text;
        log.push_back(std::string(ControlName(control)) + " = " + text);
    }
    void SetVisible(app::Control control, bool shown) override {
        visible[control] = shown;
        log.push_back(std::string(shown ? "show " : "hide ") + ControlName(control));
    }
    void Repaint() override { log.push_back("repaint"); }
    void SetProgressRange(int min, int max) override {
        log.push_back("progress range " + std::to_string(min) + ".." + std::to_string(max));
    }
    void SetProgress(int position) override { progress = position; }
    void StepProgress() override { ++progress; }
    void ShowScreenshotFile(const std::string& path) override {
        if (undecodable.count(path) != 0) {
            throw rtl::ImageError::Undecodable("kaputt");
        }
        picture = "file " + path;
        log.push_back("picture " + picture);
    }
    void ShowBuiltInPicture(app::BuiltInPicture which) override {
        picture = which == app::BuiltInPicture::Default ? "default" : "no picture";
        log.push_back("picture " + picture);
    }
    void ShowBackground(int tag) override {
        background = tag;
        log.push_back("background " + std::to_string(tag));
    }
    void SetMenuChecked(app::MenuGroup group, int tag) override {
        checked[group] = tag;
        log.push_back("checked " + std::to_string(static_cast<int>(group)) + " " +
                      std::to_string(tag));
    }
    void SetTimerInterval(std::uint32_t milliseconds) override {
        timer_interval = milliseconds;
        log.push_back("timer interval " + std::to_string(milliseconds));
    }
    void StopTimer() override {
        timer_enabled = false;
        log.push_back("timer stop");
    }
    void StartTimer() override {
        timer_enabled = true;
        log.push_back("timer start");
    }
    void ErrorBox(const std::string& text) override { Box("error: " + text); }
    void InfoBox(const std::string& text) override { Box("info: " + text); }
    void PlainBox(const std::string& text) override { Box("notice: " + text); }
    void StartProgram(const std::string& file, const std::string& argument) override {
        log.push_back("start " + file + " | " + argument);
    }
    void OpenAddress(const std::string& address) override { log.push_back("open " + address); }
    void RequestQuit() override {
        quit = true;
        log.push_back("quit");
    }

    int progress = 0;

  private:
    void Box(const std::string& entry) {
        log.push_back(entry);
        if (on_box) {
            on_box(entry);
        }
    }

    app::MainWindowLogic* logic_ = nullptr;
};

}  // namespace varnimo::testing
