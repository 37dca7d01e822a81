#include "main_window_core.h"

#include "app/unit1.h"

namespace varnimo::win {

MainWindowCore::MainWindowCore(MainView& view) : logic_(std::make_unique<Unit1>(view)) {}

MainWindowCore::~MainWindowCore() = default;

void MainWindowCore::UseOwnCollection() {
    logic_->OwnCollection = true;
}

void MainWindowCore::Reset() {
    logic_->ResetClick();
}

void MainWindowCore::SearchChanged() {
    logic_->search();
}

void MainWindowCore::ClearSearch() {
    logic_->clear_buttonClick();
}

void MainWindowCore::SetFilter(MenuGroup group, int tag) {
    switch (group) {
        case MenuGroup::ShowRoms:
            logic_->List_select(tag);
            return;
        case MenuGroup::Genre:
            logic_->Genre_AllClick(tag);
            return;
        case MenuGroup::Player:
            logic_->Player_AllClick(tag);
            return;
        case MenuGroup::Region:
            logic_->Region_AllClick(tag);
            return;
        case MenuGroup::Background:
            ChooseBackground(tag);
            return;
    }
}

void MainWindowCore::ChooseBackground(int tag) {
    logic_->Background_select(tag);
}

void MainWindowCore::SelectionChanged() {
    logic_->TitleBoxClick();
}

void MainWindowCore::SlideshowTick() {
    logic_->test_timer();
}

void MainWindowCore::Launch(Emulator emulator) {
    logic_->progstarten(emulator);
}

void MainWindowCore::Quit() {
    logic_->Beenden1Click();
}

std::string_view MainWindowCore::TitleText(std::int32_t row) const {
    return logic_->TitleText(row);
}

}  // namespace varnimo::win
