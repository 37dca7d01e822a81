#pragma once
// The browser: what the title list shows of the collection and what is selected in it. One
// catalogue::Filters value holds the search text and the menus' choices; the listed rows are
// what they let through, in list order; the selection is a line of that list and the row it
// names; the slideshow's phase says which screenshot the next tick shows.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/collection.h"
#include "catalogue/filters.h"
#include "settings/emulator_program.h"
#include "settings/program_options.h"

namespace varnimo::app {

// What a Run button starts: `program` with `argument` as its one argument.
struct LaunchCommand {
    std::string program;
    std::string argument;
};

// Why a Run button starts nothing.
enum class LaunchRefusal {
    NoSelection,       // no title selected
    EmulatorNotFound,  // no folder set and no program of that name on PATH
};

class Browser {
  public:
    const catalogue::Filters& Filters() const { return filters_; }
    void SetSearchText(std::string text) { filters_.search_text = std::move(text); }
    void SetPlayer(std::int32_t tag) { filters_.player = tag; }
    void SetGenre(std::int32_t tag) { filters_.genre = tag; }
    void SetAvailability(std::int32_t tag) { filters_.availability = tag; }
    // A Tag the Region menu has no marker for leaves the region as it is.
    void SetRegion(std::int32_t tag);

    // The listed rows, in display order.
    const std::vector<std::int32_t>& ListedRows() const { return listed_rows_; }
    // Lists what the filters let through of `collection`, whose index must be current.
    void Relist(const Collection& collection);
    // Empties the list.
    void ClearList();
    // The table, its index or the statuses changed under the list: the next Relist filters the
    // whole table again.
    void ForgetListBasis() { listed_by_.reset(); }

    // The selected line of the list (-1 for none) and the table row it names (-1 for none).
    std::int32_t SelectedLine() const { return selected_line_; }
    std::int32_t SelectedRow() const { return selected_row_; }
    void ClearSelection();
    // Selects the list's line `line` (-1 for none); the row is found by FindSelectedRow.
    void SelectLine(std::int32_t line) { selected_line_ = line < 0 ? -1 : line; }
    // Looks up the row the selected line's title names; a line outside the list leaves the
    // row as it is.
    void FindSelectedRow(const Collection& collection);

    // The slideshow's phase: true when the next tick shows the in-game screenshot. Flips it.
    bool TakeIngamePhase();

    // What a Run button for `emulator` starts, with `options`' folders.
    std::variant<LaunchCommand, LaunchRefusal> LaunchFor(
        settings::Emulator emulator, const Collection& collection,
        const settings::ProgramOptions& options) const;

  private:
    catalogue::Filters filters_;
    std::vector<std::int32_t> listed_rows_;
    // What listed_rows_ was built with; empty whenever the table, its index or the list
    // changed in another way since.
    std::optional<catalogue::Filters> listed_by_;
    std::int32_t selected_line_ = -1;
    std::int32_t selected_row_ = -1;
    bool ingame_next_ = false;
};

}  // namespace varnimo::app
