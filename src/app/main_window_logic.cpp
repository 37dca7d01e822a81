#include "app/main_window_logic.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "catalogue/catalogue_file.h"
#include "catalogue/names.h"
#include "catalogue/rom_scan.h"
#include "rtl/files.h"
#include "settings/emulator_program.h"

namespace varnimo::app {
namespace {

int ProgressLimit(std::size_t rows) {
    return rows > static_cast<std::size_t>(std::numeric_limits<int>::max())
               ? std::numeric_limits<int>::max()
               : static_cast<int>(rows);
}

}  // namespace

MainWindowLogic::MainWindowLogic(MainView& view) : view_(view) {}

void MainWindowLogic::Reset() {
    // The sequence shows modal boxes; whatever a view does while one is open must not start
    // the sequence a second time inside the first.
    if (resetting_) {
        return;
    }
    resetting_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{resetting_};
    RunResetSequence();
}

void MainWindowLogic::RunResetSequence() {
    view_.ClearTitleLines();
    browser_.ClearList();
    // The lines are gone, so nothing can stay selected; a tick must not look for a line
    // that no longer exists.
    browser_.ClearSelection();
    view_.SetSearchText("");

    if (!options_loaded_) {
        std::uint32_t interval = 0;
        switch (settings::LoadStartupOptions(options_, options_loaded_, interval)) {
            case settings::OptionsFileStatus::Read:
                SetSlideshowInterval(interval);
                break;
            case settings::OptionsFileStatus::Missing:
                view_.ErrorBox(settings::kStartupOptionsMissing);
                break;
        }
    }
    collection_.ReadScreenPackVersions(options_.screen_folder);
    if (!LoadCatalogue()) {
        return;  // no catalogue: the program is quitting
    }
    FillScanStatus();
    SearchChanged();
    ShowCounter();
    view_.SetCaption(Control::RomCount, "You have " + std::to_string(collection_.AvailableCount()) +
                                            " of " + std::to_string(collection_.Table().Size()) +
                                            " known Roms");
}

bool MainWindowLogic::LoadCatalogue() {
    // One read gives both the line count that sizes the table and the rows, so the file is
    // read once; what the view sees is what the two passes show.
    std::optional<catalogue::CatalogueContents> contents = catalogue::ReadCatalogue();
    if (!contents) {
        view_.ErrorBox("Could not load Datafile!");
        // The program is quitting; nothing may go on showing rows of a catalogue that is gone.
        collection_.Clear();
        browser_.ForgetListBasis();
        view_.RequestQuit();
        return false;
    }
    const std::size_t rows = contents->Rows();
    // The list may hold rows of the table as it was (the search box's change event refilled
    // it); it must never name rows of a table that is about to change.
    view_.ClearTitleLines();
    browser_.ClearList();
    view_.SetProgressRange(0, ProgressLimit(rows));

    view_.Repaint();
    view_.SetProgress(0);
    view_.SetVisible(Control::ProgressBar, true);
    view_.SetCaption(Control::LoadingStatus, "Assigning data...");
    view_.SetVisible(Control::LoadingStatus, true);
    collection_.TakeCatalogue(std::move(*contents));
    view_.StepProgressBy(rows);
    view_.SetVisible(Control::ProgressBar, false);
    view_.SetVisible(Control::LoadingStatus, false);
    view_.SetVisible(Control::ShowingCounter, true);
    RebuildIndexIfStale();
    return true;
}

void MainWindowLogic::FillScanStatus() {
    browser_.ForgetListBasis();  // the statuses change under the list
    view_.SetProgress(0);
    view_.SetVisible(Control::ProgressBar, true);
    view_.SetCaption(Control::LoadingStatus, "Scanning...");
    view_.SetVisible(Control::LoadingStatus, true);
    auto step = [this] { view_.StepProgress(); };
    if (rtl::FileExists(catalogue::kScanCacheFileName)) {
        if (!own_collection_) {
            view_.PlainBox("Varnimo will use scanned.dat");
        }
        collection_.ReadScanCache(step);
    } else {
        view_.PlainBox("Varnimo will now scan " + options_.rom_folder +
                       " for ROMS - please be patient, this could take a while");
        collection_.ScanAndCache(options_.rom_folder, step);
        view_.InfoBox("scanned.dat saved successfully!");
    }
    view_.SetVisible(Control::ProgressBar, false);
    view_.SetVisible(Control::LoadingStatus, false);
}

void MainWindowLogic::RebuildIndexIfStale() {
    if (collection_.RebuildIndexIfStale()) {
        browser_.ForgetListBasis();
    }
}

void MainWindowLogic::ShowCounter() {
    view_.SetCaption(Control::ShowingCounter,
                     "Showing: " + std::to_string(browser_.ListedRows().size()) + "/" +
                         std::to_string(collection_.AvailableCount()));
}

// ---- Filters -----------------------------------------------------------------------------

void MainWindowLogic::SearchChanged() {
    RebuildIndexIfStale();
    browser_.SetSearchText(view_.SearchText());
    browser_.Relist(collection_);
    view_.SetTitleLines(browser_.ListedRows());
    ShowCounter();
    browser_.ClearSelection();
}

void MainWindowLogic::ClearSearch() {
    view_.SetSearchText("");
    SearchChanged();
}

void MainWindowLogic::SetFilter(MenuGroup group, int tag) {
    switch (group) {
        case MenuGroup::Background:
            ChooseBackground(tag);
            return;
        case MenuGroup::ShowRoms:
            browser_.SetAvailability(tag);
            view_.SetMenuChecked(group, tag);
            break;
        case MenuGroup::Genre:
            browser_.SetGenre(tag);
            view_.SetMenuChecked(group, tag);
            break;
        case MenuGroup::Player:
            browser_.SetPlayer(tag);
            view_.SetMenuChecked(group, tag);
            break;
        case MenuGroup::Region:
            view_.SetMenuChecked(group, tag);
            browser_.SetRegion(tag);
            break;
    }
    SearchChanged();
}

void MainWindowLogic::ChooseBackground(int tag) {
    view_.SetMenuChecked(MenuGroup::Background, tag);
    if (tag == -1 || (tag >= 1 && tag <= 4)) {
        view_.ShowBackground(tag);
    }
}

// ---- Selection, details and slideshow ----------------------------------------------------

void MainWindowLogic::SelectionChanged() {
    browser_.SelectLine(view_.SelectedLine());
    if (browser_.SelectedLine() == -1) {
        ClearDetails();
        return;
    }
    view_.StopTimer();
    try {
        browser_.FindSelectedRow(collection_);
        ShowRomDetails();
    } catch (...) {
        // The slideshow must not stay frozen because one ROM file has gone missing.
        view_.StartTimer();
        throw;
    }
    view_.StartTimer();
    ShowStartupShot(browser_.SelectedRow());
}

void MainWindowLogic::ShowRomDetails() {
    const catalogue::KnownRomTable& table = collection_.Table();
    if (!table.HasRow(browser_.SelectedRow())) {
        ClearDetails();
        return;
    }
    const auto row = static_cast<std::size_t>(browser_.SelectedRow());
    const char* extension = catalogue::RomExtension(table.scan_status[row]);
    if (*extension != '\0') {
        std::int64_t bytes =
            rtl::FileSize(options_.rom_folder + std::string(table.title[row]) + extension);
        double kbytes = static_cast<double>(bytes / 128) / 8.0;
        view_.SetCaption(Control::FileSize,
                         "Size:  " + std::to_string(std::llround(kbytes)) + " kbyte");
    } else {
        // Keeping the previous ROM's size here would report a size for a file that is not there.
        view_.SetCaption(Control::FileSize, "Size: - not found -");
    }
    view_.SetCaption(Control::Genre,
                     "Genre: " + std::string(catalogue::GenreName(table.genre_code[row])));
    view_.SetCaption(Control::Player,
                     "Player: " + std::string(catalogue::PlayerName(table.player_code[row])));
}

void MainWindowLogic::ShowStartupShot(std::int32_t row) {
    if (show_mode_ == settings::kShowIngameOnly) {
        ShowIngameShot(row);
        return;
    }
    const catalogue::KnownRomTable& table = collection_.Table();
    if (browser_.SelectedLine() == -1 || !table.HasRow(row)) {
        ClearDetails();
        return;
    }
    ShowShot(options_.screen_folder + rtl::kPathSeparator +
             std::string(table.startup_shot[static_cast<std::size_t>(row)]));
}

void MainWindowLogic::ShowIngameShot(std::int32_t row) {
    const catalogue::KnownRomTable& table = collection_.Table();
    if (browser_.SelectedLine() == -1 || !table.HasRow(row)) {
        ClearDetails();
        return;
    }
    ShowShot(options_.screen_folder + rtl::kPathSeparator +
             std::string(table.ingame_shot[static_cast<std::size_t>(row)]));
}

void MainWindowLogic::ShowShot(const std::string& name) {
    // An empty shot name names the folder itself, which is no file: the no-picture image.
    if (rtl::FileExists(name)) {
        view_.ShowScreenshotFile(name);
    } else {
        ShowNoPicture();
    }
}

void MainWindowLogic::ShowNoPicture() {
    view_.ShowBuiltInPicture(BuiltInPicture::NoPicture);
    view_.SetVisible(Control::Screenshot, true);
}

void MainWindowLogic::ClearDetails() {
    view_.SetCaption(Control::FileSize, "Size: - select Rom -");
    view_.SetCaption(Control::Genre, "Genre: - select Rom -");
    view_.SetCaption(Control::Player, "Player: - select Rom -");
    view_.ShowBuiltInPicture(BuiltInPicture::Default);
}

void MainWindowLogic::SlideshowTick() {
    if (browser_.SelectedLine() == -1) {
        ClearDetails();
        return;
    }
    browser_.FindSelectedRow(collection_);
    // The phase flips before the picture loads: a screenshot that cannot be decoded then
    // fails on every other tick while the slideshow goes on, instead of failing on every
    // tick and never showing the other picture again.
    if (browser_.TakeIngamePhase()) {
        ShowIngameShot(browser_.SelectedRow());
    } else {
        ShowStartupShot(browser_.SelectedRow());
    }
}

void MainWindowLogic::SetSlideshowInterval(std::uint32_t milliseconds) {
    slideshow_interval_ = milliseconds;
    view_.SetTimerInterval(milliseconds);
}

void MainWindowLogic::TakeLoadedOptions(const settings::ProgramOptions& options,
                                        std::string mode_text) {
    options_ = options;
    mode_text_ = std::move(mode_text);
    options_loaded_ = true;
}

// ---- Launch and exit ---------------------------------------------------------------------

void MainWindowLogic::Launch(Emulator emulator) {
    const auto launch = browser_.LaunchFor(emulator, collection_, options_);
    if (const auto* command = std::get_if<LaunchCommand>(&launch)) {
        view_.StartProgram(command->program, command->argument);
        return;
    }
    switch (std::get<LaunchRefusal>(launch)) {
        case LaunchRefusal::NoSelection:
            view_.ErrorBox(kNoSelectionError);
            return;
        case LaunchRefusal::EmulatorNotFound:
            view_.ErrorBox(emulator == Emulator::Snes9x
                               ? "Snes9X was not found: choose its folder in Settings > Options."
                               : "ZSNES was not found: choose its folder in Settings > Options.");
            return;
    }
}

void MainWindowLogic::Quit() {
    view_.RequestQuit();
}

}  // namespace varnimo::app
