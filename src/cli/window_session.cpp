#include "cli/window_session.h"

#include <clocale>
#include <cstdio>

#include "rtl/runtime_error.h"

namespace varnimo::cli {
WindowSession::WindowSession() : view_(stderr), logic_(view_) {
    std::setlocale(LC_ALL, "");
    view_.OnSearchChanged([this] { logic_.SearchChanged(); });
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
    if (!Run([this] { logic_.Reset(); }) || view_.QuitRequested()) {
        return false;
    }
    errors_at_start_ = view_.ErrorBoxCount();
    return true;
}

void WindowSession::ChooseMenuEntry(app::MenuGroup group, int tag) {
    Run([this, group, tag] { logic_.SetFilter(group, tag); });
}

void WindowSession::Search(const std::string& text) {
    Run([this, &text] { view_.SetSearchText(text); });
}

bool WindowSession::SelectLine(int line) {
    view_.SelectLine(line);
    return view_.SelectedLine() >= 0;
}

void WindowSession::ShowNoSelectionError() {
    view_.ErrorBox(app::kNoSelectionError);
}

void WindowSession::SelectionChanged() {
    // A click is a mouse press followed by the click itself; both run the selection update.
    if (Run([this] { logic_.SelectionChanged(); })) {
        Run([this] { logic_.SelectionChanged(); });
    }
}

void WindowSession::SlideshowTick() {
    Run([this] { logic_.SlideshowTick(); });
}

void WindowSession::Launch(app::Emulator emulator) {
    Run([this, emulator] { logic_.Launch(emulator); });
}

const std::vector<std::int32_t>& WindowSession::ListedRows() const {
    return logic_.ListedRows();
}

std::string_view WindowSession::TitleText(std::int32_t row) const {
    return logic_.TitleText(row);
}

std::vector<std::string> WindowSession::DetailLines() const {
    return {view_.Caption(app::Control::FileSize), view_.Caption(app::Control::Genre),
            view_.Caption(app::Control::Player)};
}

std::vector<std::string> WindowSession::CounterLines() const {
    return {view_.Caption(app::Control::ShowingCounter), view_.Caption(app::Control::RomCount)};
}

}  // namespace varnimo::cli
