#include "main_window_core.h"

#include "about_dialog.h"
#include "app/about_box.h"
#include "app/main_window_logic.h"
#include "app/update_addresses.h"
#include "app/update_checker.h"
#include "new_collection_dialog.h"
#include "options_dialog.h"
#include "update_dialog.h"

namespace varnimo::win {

MainWindowCore::MainWindowCore(app::MainView& view)
    : logic_(std::make_unique<app::MainWindowLogic>(view)) {}

MainWindowCore::~MainWindowCore() = default;

void MainWindowCore::UseOwnCollection() {
    logic_->SetOwnCollection();
}

void MainWindowCore::Reset() {
    logic_->Reset();
}

void MainWindowCore::SearchChanged() {
    logic_->SearchChanged();
}

void MainWindowCore::ClearSearch() {
    logic_->ClearSearch();
}

void MainWindowCore::SetFilter(app::MenuGroup group, int tag) {
    logic_->SetFilter(group, tag);
}

void MainWindowCore::ChooseBackground(int tag) {
    logic_->ChooseBackground(tag);
}

void MainWindowCore::SelectionChanged() {
    logic_->SelectionChanged();
}

void MainWindowCore::SlideshowTick() {
    logic_->SlideshowTick();
}

void MainWindowCore::Launch(app::Emulator emulator) {
    logic_->Launch(emulator);
}

void MainWindowCore::Quit() {
    logic_->Quit();
}

void MainWindowCore::RunOptions(HWND owner, Desktop& desktop) {
    if (options_ == nullptr) {
        options_ = std::make_unique<OptionsDialog>(owner, desktop, *logic_);
    }
    options_->RunModal();
}

bool MainWindowCore::ImportRomFolder(HWND owner, Desktop& desktop) {
    NewCollectionDialog dialog(
        owner, desktop,
        app::ImportAgainRequest(logic_->Options(), logic_->SlideshowInterval(),
                                logic_->ShowMode()));
    if (!dialog.RunModal()) {
        return false;
    }
    // The new options.dat holds the folders just chosen: read it as at the start.
    logic_->ForgetOptions();
    logic_->Reset();
    return true;
}

void MainWindowCore::RunUpdateChecker(HWND owner, Desktop& desktop) {
    UpdateDialog dialog(owner, desktop);
    // A server variable that cannot be read leaves no host, and the check fails as any
    // unreachable server does; the window has no console to say more.
    app::UpdateChecker checker(dialog, logic_->CurrentCollection(),
                               app::UpdateServerFromEnvironment());
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
    // The box draws; app::AboutBox decides what its link and Exit do.
    class Box final : public AboutDialog::Events, public app::AboutView {
      public:
        Box(HWND owner, Desktop& desktop)
            : desktop_(desktop), dialog_(owner, *this), rules_(*this) {}
        void Run() { dialog_.RunModal(); }
        void OpenHomepage() override { rules_.OpenHomepage(); }
        void Exit() override { rules_.Exit(); }
        void OpenAddress(const std::string& address) override {
            desktop_.OpenAddress(dialog_.Handle(), address.c_str());
        }
        void Close() override { dialog_.Close(); }

      private:
        Desktop& desktop_;
        AboutDialog dialog_;
        app::AboutBox rules_;
    } box(owner, desktop);
    box.Run();
}

}  // namespace varnimo::win
