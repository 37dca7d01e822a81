#include "main_window_core.h"

#include "about_dialog.h"
#include "app/homepage.h"
#include "app/unit1.h"
#include "app/update_addresses.h"
#include "app/update_checker.h"
#include "update_dialog.h"

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

void MainWindowCore::RunUpdateChecker(HWND owner, Desktop& desktop) {
    UpdateDialog dialog(owner, desktop);
    // A server variable that cannot be read leaves no host, and the check fails as any
    // unreachable server does; the window has no console to say more.
    app::UpdateChecker checker(dialog, *logic_, app::UpdateServerFromEnvironment());
    class Forward final : public UpdateDialog::Events {
      public:
        explicit Forward(app::UpdateChecker& checker) : checker_(checker) {}
        void Shown() override { checker_.Activate(); }
        void Connect() override { checker_.Connect(); }
        void Exit() override { checker_.Exit(); }
        void OpenDownloadPage() override { checker_.OpenDownloadPage(); }

      private:
        app::UpdateChecker& checker_;
    } forward(checker);
    dialog.RunModal(forward);
}

std::string_view MainWindowCore::TitleText(std::int32_t row) const {
    return logic_->TitleText(row);
}

void RunAboutBox(HWND owner, Desktop& desktop) {
    class Rules final : public AboutDialog::Events {
      public:
        Rules(HWND owner, Desktop& desktop) : desktop_(desktop), dialog_(owner, *this) {}
        void Run() { dialog_.RunModal(); }
        // The box stays open either way.
        void OpenHomepage() override { desktop_.OpenAddress(dialog_.Handle(), HomepageAddress); }
        void Exit() override { dialog_.Close(); }

      private:
        Desktop& desktop_;
        AboutDialog dialog_;
    } rules(owner, desktop);
    rules.Run();
}

}  // namespace varnimo::win
