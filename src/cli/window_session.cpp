#include "cli/window_session.h"

#include <clocale>
#include <cstdio>

#include "rtl/runtime_error.h"

namespace varnimo::cli {
WindowSession::WindowSession() : view_(stderr), logic_(view_) {
    std::setlocale(LC_ALL, "");
    view_.OnSearchChanged([this] { logic_.search(); });
}

bool WindowSession::Run(const std::function<void()>& event) {
    try {
        event();
        return true;
    } catch (...) {
        view_.ReportError(rtl::CurrentErrorText());
        return false;
    }
}

bool WindowSession::Start() {
    if (!Run([this] { logic_.ResetClick(); }) || view_.QuitRequested()) {
        return false;
    }
    errors_at_start_ = view_.ErrorBoxCount();
    return true;
}

void WindowSession::ChooseMenuEntry(MenuGroup group, int tag) {
    Run([this, group, tag] {
        switch (group) {
            case MenuGroup::Genre:
                logic_.Genre_AllClick(tag);
                break;
            case MenuGroup::Player:
                logic_.Player_AllClick(tag);
                break;
            case MenuGroup::Region:
                logic_.Region_AllClick(tag);
                break;
            case MenuGroup::ShowRoms:
                logic_.List_select(tag);
                break;
            case MenuGroup::Background:
                logic_.Background_select(tag);
                break;
        }
    });
}

void WindowSession::Search(const std::string& text) {
    Run([this, &text] { view_.SetSearchText(text); });
}

bool WindowSession::SelectLine(int line) {
    view_.SelectLine(line);
    return view_.SelectedLine() >= 0;
}

void WindowSession::ShowNoSelectionError() {
    view_.ErrorBox(kNoSelectionError);
}

void WindowSession::SelectionChanged() {
    // A click is a mouse press followed by the click itself; both run the selection update.
    if (Run([this] { logic_.select(); })) {
        Run([this] { logic_.TitleBoxClick(); });
    }
}

void WindowSession::SlideshowTick() {
    Run([this] { logic_.test_timer(); });
}

void WindowSession::Launch(Emulator emulator) {
    Run([this, emulator] { logic_.progstarten(emulator); });
}

const std::vector<std::int32_t>& WindowSession::ListedRows() const {
    return logic_.ListedRows();
}

std::string_view WindowSession::TitleText(std::int32_t row) const {
    return logic_.TitleText(row);
}

std::vector<std::string> WindowSession::DetailLines() const {
    return {view_.Caption(Control::filesize_label), view_.Caption(Control::genre_label),
            view_.Caption(Control::player_label)};
}

std::vector<std::string> WindowSession::CounterLines() const {
    return {view_.Caption(Control::showing_counter), view_.Caption(Control::rom_count_label)};
}

}  // namespace varnimo::cli
