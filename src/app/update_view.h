#pragma once
// The port through which the Update Checker's logic drives its dialog. The logic owns the
// state and the order of every step; a view only draws and answers. The Qt dialog, the
// terminal's update-check command and the tests' recording view implement it.

#include <string>

namespace varnimo::app {

// The three text grids. Cells are addressed (column, row) with the header row and column
// included, as the grids show them.
enum class UpdateGrid { Versions, PacksAToM, PacksNToZ };

// The labels whose caption or visibility the logic sets.
enum class UpdateLabel { Connection, NoUpdates, DownloadLink };

class UpdateView {
  public:
    virtual ~UpdateView() = default;

    virtual void SetCell(UpdateGrid grid, int column, int row, const std::string& text) = 0;
    virtual void SetCaption(UpdateLabel label, const std::string& text) = 0;
    virtual void SetVisible(UpdateLabel label, bool visible) = 0;

    // A modal box with one OK button, no icon, titled with the application's title; returns
    // when it is closed.
    virtual void PlainBox(const std::string& text) = 0;
    // Asks the system to open a web address; the outcome is not reported.
    virtual void OpenAddress(const std::string& address) = 0;
    // Ends the dialog's modal showing.
    virtual void CloseDialog() = 0;

    // Around the steps that block on the network: the window shows that it is busy.
    virtual void BeginWait() = 0;
    virtual void EndWait() = 0;
};

}  // namespace varnimo::app
