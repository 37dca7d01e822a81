#pragma once
// An app::UpdateView that records what the Update Checker asks of its dialog: the grids as
// cells, the status text, every box, and whether a box came up while the window still
// showed itself busy.

#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "app/update_view.h"

namespace varnimo::testing {

class RecordingUpdateView : public app::UpdateView {
  public:
    std::function<void(const std::string& box)> on_box;

    std::map<std::tuple<app::UpdateGrid, int, int>, std::string> cells;
    std::string connection_caption;
    bool no_updates_visible = true;
    bool download_link_visible = false;
    std::vector<std::string> boxes;
    std::vector<std::string> addresses;
    int closed = 0;
    int waiting = 0;
    int waits = 0;
    bool box_while_busy = false;

    std::string Cell(app::UpdateGrid grid, int column, int row) const {
        auto found = cells.find({grid, column, row});
        return found == cells.end() ? std::string() : found->second;
    }
    // Column `column` of the 28 value rows in screen order: program, database, a .. z.
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts = {Cell(app::UpdateGrid::Versions, column, 1),
                                          Cell(app::UpdateGrid::Versions, column, 2)};
        for (int k = 0; k < 26; ++k) {
            texts.push_back(Cell(k < 13 ? app::UpdateGrid::PacksAToM : app::UpdateGrid::PacksNToZ,
                                 column, k % 13 + 1));
        }
        return texts;
    }

    void SetCell(app::UpdateGrid grid, int column, int row, const std::string& text) override {
        cells[{grid, column, row}] = text;
    }
    void SetCaption(app::UpdateLabel, const std::string& text) override {
        connection_caption = text;
    }
    void SetVisible(app::UpdateLabel label, bool visible) override {
        if (label == app::UpdateLabel::NoUpdates)
            no_updates_visible = visible;
        if (label == app::UpdateLabel::DownloadLink)
            download_link_visible = visible;
    }
    void PlainBox(const std::string& text) override {
        box_while_busy = box_while_busy || waiting != 0;
        boxes.push_back(text);
        if (on_box)
            on_box(text);
    }
    void OpenAddress(const std::string& address) override { addresses.push_back(address); }
    void CloseDialog() override { ++closed; }
    void BeginWait() override {
        ++waiting;
        ++waits;
    }
    void EndWait() override { --waiting; }
};

}  // namespace varnimo::testing
