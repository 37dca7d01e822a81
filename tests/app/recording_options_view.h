#pragma once
// An OptionsView that records what OptionsEditor asks of the Options dialog. The controls
// are kept as current state; boxes are logged; the folders the user would pick are queued in
// `answers` (nothing left: the user cancels).

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/options_view.h"

namespace varnimo::testing {

class RecordingOptionsView : public app::OptionsView {
  public:
    std::deque<std::string> answers;

    std::map<app::OptionsFolder, std::string> texts;
    std::vector<std::string> asked;
    std::vector<std::string> boxes;
    int seconds = 0;
    bool startup_marked = false;
    bool ingame_marked = false;
    bool closed = false;

    void SetFolderText(app::OptionsFolder folder, const std::string& text) override {
        texts[folder] = text;
    }
    std::optional<std::string> AskFolder(const std::string& instruction) override {
        asked.push_back(instruction);
        if (answers.empty()) {
            return std::nullopt;
        }
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }
    int SecondsPosition() const override { return seconds; }
    void SetSecondsPosition(int position) override { seconds = position; }
    bool IsMarked(app::SlideshowChoice choice) const override {
        return choice == app::SlideshowChoice::StartupOnly ? startup_marked : ingame_marked;
    }
    void SetMarked(app::SlideshowChoice choice, bool marked) override {
        bool& mark = choice == app::SlideshowChoice::StartupOnly ? startup_marked : ingame_marked;
        bool& other = choice == app::SlideshowChoice::StartupOnly ? ingame_marked : startup_marked;
        mark = marked;
        if (marked) {
            other = false;
        }
    }
    void ErrorBox(const std::string& text) override { boxes.push_back("error: " + text); }
    void InfoBox(const std::string& text) override { boxes.push_back("info: " + text); }
    void Close() override { closed = true; }
};

}  // namespace varnimo::testing
