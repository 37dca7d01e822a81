#include "app/browser.h"

#include <string_view>

namespace varnimo::app {

void Browser::SetRegion(std::int32_t tag) {
    if (const char* marker = catalogue::RegionMarkerForTag(tag)) {
        filters_.region = marker;
        filters_.region_tag = tag;
    }
}

void Browser::Relist(const Collection& collection) {
    catalogue::RefilterRows(collection.Table(), collection.Index(),
                            listed_by_ ? &*listed_by_ : nullptr, filters_, listed_rows_);
    listed_by_ = filters_;
}

void Browser::ClearList() {
    listed_rows_.clear();
    listed_by_.reset();
}

void Browser::ClearSelection() {
    selected_line_ = -1;
    selected_row_ = -1;
}

void Browser::FindSelectedRow(const Collection& collection) {
    if (selected_line_ < 0 || static_cast<std::size_t>(selected_line_) >= listed_rows_.size()) {
        return;  // no such line, so no title to look for
    }
    const std::string title(
        collection.TitleText(listed_rows_[static_cast<std::size_t>(selected_line_)]));
    const std::int32_t row = collection.LastRowTitled(title);
    if (row >= 0) {
        selected_row_ = row;
    }
}

bool Browser::TakeIngamePhase() {
    const bool ingame = ingame_next_;
    ingame_next_ = !ingame_next_;
    return ingame;
}

std::variant<LaunchCommand, LaunchRefusal> Browser::LaunchFor(
    settings::Emulator emulator, const Collection& collection,
    const settings::ProgramOptions& options) const {
    const catalogue::KnownRomTable& table = collection.Table();
    if (selected_line_ == -1 || !table.HasRow(selected_row_)) {
        return LaunchRefusal::NoSelection;
    }
    const auto row = static_cast<std::size_t>(selected_row_);
    std::string program = settings::EmulatorProgramToStart(
        emulator == settings::Emulator::Snes9x ? options.snes9x_folder : options.zsnes_folder,
        emulator);
    if (program.empty()) {
        // A bare name would be looked for wherever the system looks, the working directory
        // included, so nothing is started.
        return LaunchRefusal::EmulatorNotFound;
    }
    // The program gets the path as one argument of its argument vector; the double quotes
    // of a Windows command line are only needed to keep a path with blanks together there,
    // and here they would become part of the file name.
    std::string argument = options.rom_folder + std::string(table.title[row]) +
                           catalogue::RomExtension(table.scan_status[row]);
    return LaunchCommand{std::move(program), std::move(argument)};
}

}  // namespace varnimo::app
