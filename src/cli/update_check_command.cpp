#include "cli/update_check_command.h"

#include <array>
#include <cstdio>
#include <string>

#include "app/update_checker.h"
#include "cli/exit_status.h"
#include "cli/terminal_view.h"
#include "cli/window_session.h"

namespace varnimo::cli {
namespace {

constexpr const char* kUsageText =
    "usage: varnimo-cli [-C DIR] update-check\n"
    "\n"
    "Runs the start-up sequence on the data files of the working directory, opens the Update\n"
    "Checker and presses \"Connect update Server\". Prints the three grids, one line per row\n"
    "with the cells separated by a tab, then the label under them (\"No Updates Available\"\n"
    "or \"Click here to go to Download Page\"); message boxes go to stderr as 'notice: '\n"
    "lines.\n"
    "The server is the built-in one, or VARNIMO_UPDATE_SERVER=host[:port].\n"
    "Exit status: 0 the server's versions were read, 1 start-up ended early or the check\n"
    "failed, 2 usage.\n";

// The dialog as a terminal sees it: the grids are kept for printing, boxes become lines.
class TerminalUpdateView final : public app::UpdateView {
  public:
    explicit TerminalUpdateView(TerminalView& messages) : messages_(messages) {}

    void SetCell(app::UpdateGrid grid, int column, int row, const std::string& text) override {
        Grid& cells = grids_[static_cast<std::size_t>(grid)];
        if (column >= 0 && column < kColumns && row >= 0 && row < RowCount(grid)) {
            cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
        }
    }
    void SetCaption(app::UpdateLabel, const std::string&) override {}
    void SetVisible(app::UpdateLabel label, bool visible) override {
        if (label == app::UpdateLabel::NoUpdates) {
            updates_visible_ = visible;
        } else if (label == app::UpdateLabel::DownloadLink) {
            link_visible_ = visible;
        }
    }
    void PlainBox(const std::string& text) override { messages_.PlainBox(text); }
    void OpenAddress(const std::string& address) override { messages_.OpenAddress(address); }
    void CloseDialog() override {}
    void BeginWait() override {}
    void EndWait() override {}

    void Print(std::FILE* out) const {
        std::string text;
        for (app::UpdateGrid grid :
             {app::UpdateGrid::Versions, app::UpdateGrid::PacksAToM, app::UpdateGrid::PacksNToZ}) {
            const Grid& cells = grids_[static_cast<std::size_t>(grid)];
            for (int row = 0; row < RowCount(grid); ++row) {
                for (int column = 0; column < kColumns; ++column) {
                    if (column > 0) {
                        text.push_back('\t');
                    }
                    text += cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
                }
                text.push_back('\n');
            }
        }
        // The label under the grids: the link when it is shown, as it covers the other.
        if (link_visible_) {
            text += std::string(app::kDownloadLinkText) + "\n";
        } else if (updates_visible_) {
            text += std::string(app::kNoUpdatesText) + "\n";
        }
        std::fwrite(text.data(), 1, text.size(), out);
        std::fflush(out);
    }

  private:
    static constexpr int kColumns = 3;
    static int RowCount(app::UpdateGrid grid) { return grid == app::UpdateGrid::Versions ? 3 : 14; }
    using Grid = std::array<std::array<std::string, kColumns>, 14>;

    TerminalView& messages_;
    std::array<Grid, 3> grids_;
    bool updates_visible_ = true;
    bool link_visible_ = false;
};

}  // namespace

const char* UpdateCheckUsageText() {
    return kUsageText;
}

int RunUpdateCheckCommand() {
    WindowSession session;
    std::string problem;
    app::UpdateServerAddress server = app::UpdateServerFromEnvironment(&problem);
    if (!problem.empty()) {
        std::fprintf(stderr, "varnimo-cli: %s\n", problem.c_str());
    }
    if (!session.Start()) {
        return kFailed;
    }

    TerminalUpdateView dialog(session.View());
    app::UpdateChecker checker(dialog, session.Logic().CurrentCollection(), server);
    checker.Activate();
    checker.Connect();
    dialog.Print(stdout);
    return checker.LastOutcome() == app::UpdateChecker::Outcome::Downloaded ? kCompleted : kFailed;
}

}  // namespace varnimo::cli
