#pragma once
// MainWindowLogic: the main window's state and the order of every main-window event,
// toolkit-free. A view (the Qt window, the terminal view, the tests' fake) draws through
// MainView and calls the events below. Events let rtl::RuntimeError escape: whoever called
// the event (the Qt application object, the CLI) shows its text in an error box.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/browser.h"
#include "app/collection.h"
#include "app/main_view.h"
#include "app/program_version.h"
#include "settings/program_options.h"

namespace varnimo::app {

// The error box of a Run button pressed with no title selected.
inline constexpr const char* kNoSelectionError = "Please select a ROM first!";

class MainWindowLogic {
  public:
    explicit MainWindowLogic(MainView& view);
    MainWindowLogic(const MainWindowLogic&) = delete;
    MainWindowLogic& operator=(const MainWindowLogic&) = delete;

    // --- Events -------------------------------------------------------------------------
    // The start-up and reset sequence (first activation, Settings > Reset, a new collection);
    // never re-entered while it runs.
    void Reset();
    // The search box changed: lists what the filters let through of the whole table.
    void SearchChanged();
    void ClearSearch();
    // A menu entry of Show Roms, Genre, Player or Region (by its Tag); Background chooses it.
    void SetFilter(MenuGroup group, int tag);
    void ChooseBackground(int tag);
    // The list's selection changed, or a title was pressed or clicked.
    void SelectionChanged();
    // A tick of the slideshow timer.
    void SlideshowTick();
    // A Run button.
    void Launch(Emulator emulator);
    // Settings > Exit.
    void Quit();

    // --- What the window shows ------------------------------------------------------------
    const Collection& CurrentCollection() const { return collection_; }
    const Browser& CurrentBrowser() const { return browser_; }
    // The text the list shows for a row (empty for a row outside the table).
    std::string_view TitleText(std::int32_t row) const { return collection_.TitleText(row); }
    // The listed rows, in display order.
    const std::vector<std::int32_t>& ListedRows() const { return browser_.ListedRows(); }

    // --- Settings state -------------------------------------------------------------------
    const settings::ProgramOptions& Options() const { return options_; }
    void SetOptions(const settings::ProgramOptions& options) { options_ = options; }
    // Whether options.dat was read (at start-up or by the Options dialog's Load).
    bool OptionsLoaded() const { return options_loaded_; }
    // The next reset reads options.dat again (a new collection wrote it).
    void ForgetOptions() { options_loaded_ = false; }
    // Line 6 of options.dat as the Options dialog's Load last read it.
    const std::string& ModeText() const { return mode_text_; }
    // What the Options dialog's Load read: the paths and line 6.
    void TakeLoadedOptions(const settings::ProgramOptions& options, std::string mode_text);
    std::int32_t ShowMode() const { return show_mode_; }
    void SetShowMode(std::int32_t mode) { show_mode_ = mode; }
    // The slideshow interval in effect (what Save writes); 2000 until options are read.
    std::uint32_t SlideshowInterval() const { return slideshow_interval_; }
    // Sets the interval in the state and on the view's timer (0 stops it).
    void SetSlideshowInterval(std::uint32_t milliseconds);
    // The collection is the program's own (the window's --user-collection): its scan cache
    // is the import's, so the reset sequence uses it without saying so.
    void SetOwnCollection() { own_collection_ = true; }

  private:
    void RunResetSequence();
    bool LoadCatalogue();  // false when there is no catalogue
    void FillScanStatus();
    void RebuildIndexIfStale();
    void ShowRomDetails();
    void ShowStartupShot(std::int32_t row);
    void ShowIngameShot(std::int32_t row);
    void ShowShot(const std::string& name);
    void ShowNoPicture();
    void ClearDetails();
    void ShowCounter();

    MainView& view_;
    Collection collection_;
    Browser browser_;
    bool options_loaded_ = false;
    settings::ProgramOptions options_;
    std::string mode_text_;
    std::int32_t show_mode_ = settings::kShowAlternate;
    bool own_collection_ = false;
    std::uint32_t slideshow_interval_ = 2000;
    bool resetting_ = false;
};

}  // namespace varnimo::app
