#include "app/unit1.h"

#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "catalogue/catalogue_file.h"
#include "catalogue/filters.h"
#include "catalogue/names.h"
#include "catalogue/rom_scan.h"
#include "rtl/files.h"
#include "settings/emulator_program.h"

namespace varnimo {
namespace {

int ProgressLimit(std::size_t rows) {
    return rows > static_cast<std::size_t>(std::numeric_limits<int>::max())
               ? std::numeric_limits<int>::max()
               : static_cast<int>(rows);
}

}  // namespace

Unit1::Unit1(MainView& view) : view_(view), boxes_(view) {}

void Unit1::ResetClick() {
    ffnen1Click();
}

void Unit1::ffnen1Click() {
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

void Unit1::RunResetSequence() {
    view_.ClearTitleLines();
    listed_rows_.clear();
    listed_by_.reset();
    // The lines are gone, so nothing can stay selected; a tick must not look for a line
    // that no longer exists.
    SelectedIndex = -1;
    SelectedRow = -1;
    view_.SetSearchText("");

    if (!OptionsLoaded) {
        std::uint32_t interval = 0;
        if (settings::LoadStartupOptions(ProgramOptions, OptionsLoaded, interval, boxes_)) {
            SetTimer2Interval(interval);
        }
    }
    catalogue::ReadScreenPackVersions(ProgramOptions.ScreenPath, ScreenPackVersions);
    if (!LoadCatalogue()) {
        return;  // no catalogue: the program is quitting
    }
    FillScanStatus();
    search();
    view_.SetCaption(Control::showing_counter, "Showing: " + std::to_string(listed_rows_.size()) +
                                                   "/" + std::to_string(AvailableCount));
    view_.SetCaption(Control::rom_count_label, "You have " + std::to_string(AvailableCount) +
                                                   " of " + std::to_string(KnownRomTable.Size()) +
                                                   " known Roms");
}

bool Unit1::LoadCatalogue() {
    // One read gives both the line count that sizes the table and the rows, so the file is
    // read once; what the view sees is what the two passes show.
    std::optional<catalogue::CatalogueContents> contents = catalogue::ReadCatalogue();
    if (!contents) {
        view_.ErrorBox("Could not load Datafile!");
        // The program is quitting; nothing may go on showing rows of a catalogue that is gone.
        KnownRomTable.Resize(0);
        index_stale_ = true;
        listed_by_.reset();
        view_.RequestQuit();
        return false;
    }
    const std::size_t rows = contents->Rows();
    // The list may hold rows of the table as it was (the search box's change event refilled
    // it); it must never name rows of a table that is about to change.
    view_.ClearTitleLines();
    listed_rows_.clear();
    listed_by_.reset();
    index_stale_ = true;
    view_.SetProgressRange(0, ProgressLimit(rows));

    view_.Repaint();
    view_.SetProgress(0);
    view_.SetVisible(Control::ProgressBar, true);
    view_.SetCaption(Control::loading_Button, "Assigning data...");
    view_.SetVisible(Control::loading_Button, true);
    DatabaseVersion = contents->version;
    catalogue::StoreCatalogue(std::move(*contents), KnownRomTable);
    view_.StepProgressBy(rows);
    view_.SetVisible(Control::ProgressBar, false);
    view_.SetVisible(Control::loading_Button, false);
    view_.SetVisible(Control::showing_counter, true);
    RebuildIndexIfStale();
    return true;
}

void Unit1::FillScanStatus() {
    listed_by_.reset();  // the statuses change under the list
    view_.SetProgress(0);
    view_.SetVisible(Control::ProgressBar, true);
    view_.SetCaption(Control::loading_Button, "Scanning...");
    view_.SetVisible(Control::loading_Button, true);
    auto step = [this] { view_.StepProgress(); };
    if (rtl::FileExists(catalogue::kScanCacheFileName)) {
        if (!OwnCollection) {
            view_.PlainBox("Varnimo will use scanned.dat");
        }
        catalogue::ReadScanCache(KnownRomTable, step);
    } else {
        view_.PlainBox("Varnimo will now scan " + ProgramOptions.RomPath +
                       " for ROMS - please be patient, this could take a while");
        catalogue::ScanRomFolder(ProgramOptions.RomPath, KnownRomTable, step);
        catalogue::WriteScanCache(KnownRomTable);
        view_.InfoBox("scanned.dat saved successfully!");
    }
    AvailableCount = catalogue::CountAvailable(KnownRomTable);
    view_.SetVisible(Control::ProgressBar, false);
    view_.SetVisible(Control::loading_Button, false);
}

void Unit1::RebuildIndexIfStale() {
    if (index_stale_ || title_index_.Size() != KnownRomTable.Size()) {
        title_index_.Build(KnownRomTable.Title);
        index_stale_ = false;
        listed_by_.reset();
    }
}

// ---- Filters -----------------------------------------------------------------------------

void Unit1::search() {
    RebuildIndexIfStale();
    const std::string text = view_.SearchText();
    ListedBy now{text, PlayerFilter, GenreFilter, RegionMarker, AvailabilityFilter};
    for (char& c : now.folded_search) {
        c = catalogue::FoldAscii(c);
    }
    // A keystroke that adds to the search text, with the menus as they were, can only drop
    // titles from the list: the new list is the old one without the titles that lack the
    // new text, in the same order. Checking title by title (in list order, so all over the
    // table's memory) pays only while the old list is a small part of the table; otherwise
    // the whole table is filtered again.
    const bool narrows = listed_by_ && listed_by_->player == now.player &&
                         listed_by_->genre == now.genre && listed_by_->region == now.region &&
                         listed_by_->availability == now.availability &&
                         now.folded_search.find(listed_by_->folded_search) != std::string::npos &&
                         listed_rows_.size() <= KnownRomTable.Size() / 64;
    if (narrows) {
        std::erase_if(listed_rows_, [&](std::int32_t row) {
            return !title_index_.Contains(static_cast<std::size_t>(row), now.folded_search);
        });
    } else {
        catalogue::Filters filters;
        filters.search_text = text;
        filters.player = PlayerFilter;
        filters.genre = GenreFilter;
        filters.region = RegionMarker;
        filters.region_tag = RegionTag;
        filters.availability = AvailabilityFilter;
        catalogue::FilterRows(KnownRomTable, title_index_, filters, listed_rows_);
    }
    listed_by_ = std::move(now);
    view_.SetTitleLines(listed_rows_);
    view_.SetCaption(Control::showing_counter, "Showing: " + std::to_string(listed_rows_.size()) +
                                                   "/" + std::to_string(AvailableCount));
    SelectedIndex = -1;
    SelectedRow = -1;
}

void Unit1::clear_buttonClick() {
    view_.SetSearchText("");
    search();
}

void Unit1::List_select(int tag) {
    AvailabilityFilter = tag;
    view_.SetMenuChecked(MenuGroup::ShowRoms, tag);
    search();
}

void Unit1::Genre_AllClick(int tag) {
    GenreFilter = tag;
    view_.SetMenuChecked(MenuGroup::Genre, tag);
    search();
}

void Unit1::Player_AllClick(int tag) {
    PlayerFilter = tag;
    view_.SetMenuChecked(MenuGroup::Player, tag);
    search();
}

void Unit1::Region_AllClick(int tag) {
    view_.SetMenuChecked(MenuGroup::Region, tag);
    if (const char* marker = catalogue::RegionMarkerForTag(tag)) {
        RegionMarker = marker;
        RegionTag = tag;
    }
    search();
}

void Unit1::Background_select(int tag) {
    view_.SetMenuChecked(MenuGroup::Background, tag);
    if (tag == -1 || (tag >= 1 && tag <= 4)) {
        view_.ShowBackground(tag);
    }
}

// ---- Selection, details and slideshow ----------------------------------------------------

void Unit1::TitleBoxClick() {
    SelectionUpdate();
}

void Unit1::select() {
    SelectionUpdate();
}

void Unit1::SelectionUpdate() {
    int line = view_.SelectedLine();
    SelectedIndex = line < 0 ? -1 : line;
    if (SelectedIndex == -1) {
        ClearDetails();
        return;
    }
    view_.StopTimer();
    try {
        FindSelectedRow();
        ShowRomDetails();
    } catch (...) {
        // The slideshow must not stay frozen because one ROM file has gone missing.
        view_.StartTimer();
        throw;
    }
    view_.StartTimer();
    ShowStartupShot(SelectedRow);
}

void Unit1::FindSelectedRow() {
    if (SelectedIndex < 0 || static_cast<std::size_t>(SelectedIndex) >= listed_rows_.size()) {
        return;  // no such line, so no title to look for
    }
    const std::string title =
        std::string(TitleText(listed_rows_[static_cast<std::size_t>(SelectedIndex)]));
    // With duplicate titles the last equal row is the one that counts.
    for (std::size_t i = KnownRomTable.Size(); i-- > 0;) {
        if (KnownRomTable.Title[i] == title) {
            SelectedRow = static_cast<std::int32_t>(i);
            return;
        }
    }
}

void Unit1::ShowRomDetails() {
    if (!KnownRomTable.HasRow(SelectedRow)) {
        ClearDetails();
        return;
    }
    const auto row = static_cast<std::size_t>(SelectedRow);
    const char* extension = catalogue::RomExtension(KnownRomTable.ScanStatus[row]);
    if (*extension != '\0') {
        std::int64_t bytes = rtl::FileSize(ProgramOptions.RomPath +
                                           std::string(KnownRomTable.Title[row]) + extension);
        double kbytes = static_cast<double>(bytes / 128) / 8.0;
        view_.SetCaption(Control::filesize_label,
                         "Size:  " + std::to_string(std::llround(kbytes)) + " kbyte");
    } else {
        // Keeping the previous ROM's size here would report a size for a file that is not there.
        view_.SetCaption(Control::filesize_label, "Size: - not found -");
    }
    view_.SetCaption(Control::genre_label,
                     "Genre: " + std::string(catalogue::GenreName(KnownRomTable.GenreCode[row])));
    view_.SetCaption(
        Control::player_label,
        "Player: " + std::string(catalogue::PlayerName(KnownRomTable.PlayerCode[row])));
}

void Unit1::ShowStartupShot(std::int32_t row) {
    if (ShowMode == settings::IngameOnly) {
        ShowIngameShot(row);
        return;
    }
    if (SelectedIndex == -1 || !KnownRomTable.HasRow(row)) {
        ClearDetails();
        return;
    }
    ShowShot(ProgramOptions.ScreenPath + rtl::kPathSeparator +
             std::string(KnownRomTable.StartupShot[static_cast<std::size_t>(row)]));
}

void Unit1::ShowIngameShot(std::int32_t row) {
    if (SelectedIndex == -1 || !KnownRomTable.HasRow(row)) {
        ClearDetails();
        return;
    }
    ShowShot(ProgramOptions.ScreenPath + rtl::kPathSeparator +
             std::string(KnownRomTable.IngameShot[static_cast<std::size_t>(row)]));
}

void Unit1::ShowShot(const std::string& name) {
    // An empty shot name names the folder itself, which is no file: the no-picture image.
    if (rtl::FileExists(name)) {
        view_.ShowScreenshotFile(name);
    } else {
        ShowNoPicture();
    }
}

void Unit1::ShowNoPicture() {
    view_.ShowBuiltInPicture(BuiltInPicture::NoPicture);
    view_.SetVisible(Control::screen, true);
}

void Unit1::ClearDetails() {
    view_.SetCaption(Control::filesize_label, "Size: - select Rom -");
    view_.SetCaption(Control::genre_label, "Genre: - select Rom -");
    view_.SetCaption(Control::player_label, "Player: - select Rom -");
    view_.ShowBuiltInPicture(BuiltInPicture::Default);
}

void Unit1::test_timer() {
    if (SelectedIndex == -1) {
        ClearDetails();
        return;
    }
    FindSelectedRow();
    // The phase flips before the picture loads: a screenshot that cannot be decoded then
    // fails on every other tick while the slideshow goes on, instead of failing on every
    // tick and never showing the other picture again.
    if (ShowIngameNext) {
        ShowIngameNext = false;
        ShowIngameShot(SelectedRow);
    } else {
        ShowIngameNext = true;
        ShowStartupShot(SelectedRow);
    }
}

void Unit1::SetTimer2Interval(std::uint32_t milliseconds) {
    timer2_interval_ = milliseconds;
    view_.SetTimerInterval(milliseconds);
}

// ---- Launch and exit ---------------------------------------------------------------------

void Unit1::progstarten(Emulator emulator) {
    if (SelectedIndex == -1 || !KnownRomTable.HasRow(SelectedRow)) {
        view_.ErrorBox(kNoSelectionError);
        return;
    }
    const auto row = static_cast<std::size_t>(SelectedRow);
    const std::string program = settings::EmulatorProgramToStart(
        emulator == Emulator::Snes9x ? ProgramOptions.Snes9xPath : ProgramOptions.ZsnesPath,
        emulator);
    if (program.empty()) {
        // No folder set and no program on PATH: a bare name would be looked for wherever the
        // system looks, the working directory included, so nothing is started.
        view_.ErrorBox(emulator == Emulator::Snes9x
                           ? "Snes9X was not found: choose its folder in Settings > Options."
                           : "ZSNES was not found: choose its folder in Settings > Options.");
        return;
    }
    // The program gets the path as one argument of its argument vector; the double quotes
    // of a Windows command line are only needed to keep a path with blanks together there,
    // and here they would become part of the file name.
    std::string argument = ProgramOptions.RomPath + std::string(KnownRomTable.Title[row]) +
                           catalogue::RomExtension(KnownRomTable.ScanStatus[row]);
    view_.StartProgram(program, argument);
}

void Unit1::Beenden1Click() {
    view_.RequestQuit();
}

std::string_view Unit1::TitleText(std::int32_t row) const {
    return KnownRomTable.HasRow(row)
               ? std::string_view(KnownRomTable.Title[static_cast<std::size_t>(row)])
               : std::string_view();
}

}  // namespace varnimo
