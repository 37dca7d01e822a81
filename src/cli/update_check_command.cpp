#include "cli/update_check_command.h"

#include <array>
#include <clocale>
#include <cstdio>
#include <string>
#include <string_view>

#include "app/main_window_logic.h"
#include "app/update_checker.h"
#include "cli/terminal_view.h"
#include "rtl/runtime_error.h"

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
class TerminalUpdateView final : public UpdateView {
  public:
    explicit TerminalUpdateView(TerminalView& messages) : messages_(messages) {}

    void SetCell(UpdateGrid grid, int column, int row, const std::string& text) override {
        Grid& cells = grids_[static_cast<std::size_t>(grid)];
        if (column >= 0 && column < kColumns && row >= 0 && row < RowCount(grid)) {
            cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
        }
    }
    void SetCaption(UpdateLabel, const std::string&) override {}
    void SetVisible(UpdateLabel label, bool visible) override {
        if (label == UpdateLabel::updates_label) {
            updates_visible_ = visible;
        } else if (label == UpdateLabel::download_link_label) {
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
        for (UpdateGrid grid :
             {UpdateGrid::update_grid, UpdateGrid::screens_grid1, UpdateGrid::screens_grid2}) {
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
            text += std::string(DownloadLinkText) + "\n";
        } else if (updates_visible_) {
            text += std::string(NoUpdatesText) + "\n";
        }
        std::fwrite(text.data(), 1, text.size(), out);
        std::fflush(out);
    }

  private:
    static constexpr int kColumns = 3;
    static int RowCount(UpdateGrid grid) { return grid == UpdateGrid::update_grid ? 3 : 14; }
    using Grid = std::array<std::array<std::string, kColumns>, 14>;

    TerminalView& messages_;
    std::array<Grid, 3> grids_;
    bool updates_visible_ = true;
    bool link_visible_ = false;
};

}  // namespace

int RunUpdateCheckCommand(int argc, char** argv) {
    if (argc > 0) {
        const std::string_view first = argv[0];
        std::fputs(kUsageText, stderr);
        return first == "--help" || first == "-h" ? 0 : 2;
    }

    // Numbers are shown with the user's decimal separator, as in the window.
    std::setlocale(LC_ALL, "");

    std::string problem;
    UpdateServerAddress server = UpdateServerFromEnvironment(&problem);
    if (!problem.empty()) {
        std::fprintf(stderr, "varnimo-cli: %s\n", problem.c_str());
    }

    TerminalView view(stderr);
    app::MainWindowLogic unit(view);
    view.Attach(&unit);
    try {
        unit.Reset();
    } catch (const rtl::RuntimeError& error) {
        view.ReportError(error.what());
        return 1;
    }
    if (view.QuitRequested()) {
        return 1;
    }

    TerminalUpdateView dialog(view);
    UpdateChecker checker(dialog, unit.CurrentCollection(), server);
    checker.update_activate();
    checker.Button17Click();
    dialog.Print(stdout);
    return checker.LastOutcome() == UpdateChecker::Outcome::Downloaded ? 0 : 1;
}

}  // namespace varnimo::cli
