#pragma once
// Unit1: the main window's state and the order of every main-window event, toolkit-free.
// A view (the Qt window, the terminal view, the tests' fake) draws through MainView and
// calls the handlers below. Handlers let rtl::RuntimeError escape: whoever called the
// handler (the Qt application object, the CLI) shows its text in an error box.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_view.h"
#include "app/program_version.h"
#include "catalogue/known_rom_table.h"
#include "catalogue/title_index.h"
#include "settings/program_options.h"

namespace varnimo {

// The error box of a Run button pressed with no title selected.
inline constexpr const char* kNoSelectionError = "Please select a ROM first!";

class Unit1 {
  public:
    explicit Unit1(MainView& view);
    Unit1(const Unit1&) = delete;
    Unit1& operator=(const Unit1&) = delete;

    // --- Process-wide state -------------------------------------------------------------
    bool OptionsLoaded = false;
    settings::ProgramOptions ProgramOptions;
    std::string ModeText;  // line 6 as the dialog's Load last read it
    std::int32_t ShowMode = settings::Alternate;
    bool ShowIngameNext = false;  // slideshow phase
    // The collection is the program's own (the window's --user-collection): its scan cache
    // is the import's, so the reset sequence uses it without saying so.
    bool OwnCollection = false;

    catalogue::KnownRomTable KnownRomTable;
    std::int32_t AvailableCount = 0;
    double DatabaseVersion = 0;
    std::array<double, 26> ScreenPackVersions{};

    std::int32_t PlayerFilter = -1;
    std::int32_t GenreFilter = -1;
    std::string RegionMarker;
    std::int32_t RegionTag = -1;  // the region RegionMarker stands for, also named in words
    std::int32_t AvailabilityFilter = -1;

    std::int32_t SelectedIndex = -1;  // line of the title list
    std::int32_t SelectedRow = -1;    // row of KnownRomTable

    // --- Handlers -----------------------------------------------------------------------
    // Activation of the main window and Settings > Reset: runs ffnen1Click.
    void ResetClick();
    // The start-up and reset sequence; never re-entered while it runs.
    void ffnen1Click();
    // Rebuilds the title list from the whole table (change of the search box).
    void search();
    void clear_buttonClick();
    void List_select(int tag);        // Settings > Show Roms
    void Genre_AllClick(int tag);     // Genre
    void Player_AllClick(int tag);    // Player
    void Region_AllClick(int tag);    // Region
    void Background_select(int tag);  // Settings > Background
    // Selection update: TitleBoxClick on click and selection change, select on mouse press.
    void TitleBoxClick();
    void select();
    // Slideshow tick of Timer2.
    void test_timer();
    // The two Run buttons.
    void progstarten(Emulator emulator);
    // Settings > Exit.
    void Beenden1Click();

    // --- What the window shows ------------------------------------------------------------
    // The text the list shows for a row (empty for a row outside the table).
    std::string_view TitleText(std::int32_t row) const;
    // The listed rows, in display order.
    const std::vector<std::int32_t>& ListedRows() const { return listed_rows_; }
    // The slideshow interval in effect (what Save writes); 2000 until options are read.
    std::uint32_t Timer2Interval() const { return timer2_interval_; }
    // Sets the interval in the state and on the view's timer (0 stops it).
    void SetTimer2Interval(std::uint32_t milliseconds);

    // Message boxes of the settings operations, shown through the view.
    settings::MessageBoxes& Boxes() { return boxes_; }

  private:
    class ViewBoxes : public settings::MessageBoxes {
      public:
        explicit ViewBoxes(MainView& view) : view_(view) {}
        void ErrorBox(const std::string& text) override { view_.ErrorBox(text); }
        void InfoBox(const std::string& text) override { view_.InfoBox(text); }

      private:
        MainView& view_;
    };

    void RunResetSequence();
    bool LoadCatalogue();  // false when there is no catalogue
    void FillScanStatus();
    void RebuildIndexIfStale();
    void SelectionUpdate();
    void FindSelectedRow();
    void ShowRomDetails();
    void ShowStartupShot(std::int32_t row);
    void ShowIngameShot(std::int32_t row);
    void ShowShot(const std::string& name);
    void ShowNoPicture();
    void ClearDetails();

    // The filters a rebuild of the list used, to tell whether the next one only narrows it.
    struct ListedBy {
        std::string folded_search;
        std::int32_t player = -1;
        std::int32_t genre = -1;
        std::string region;
        std::int32_t availability = -1;
    };

    MainView& view_;
    ViewBoxes boxes_;
    catalogue::TitleIndex title_index_;
    bool index_stale_ = true;
    std::vector<std::int32_t> listed_rows_;
    // What listed_rows_ was built with; empty whenever the table, its index or the list
    // changed in another way since.
    std::optional<ListedBy> listed_by_;
    std::uint32_t timer2_interval_ = 2000;
    bool resetting_ = false;
};

}  // namespace varnimo
