#pragma once
// The main window's logic run behind the terminal view: the one place where varnimo-cli calls
// into it, so that its events are named here once. Every event runs the way the window's
// event loop runs it: an error of any kind ends the event and is shown as an error line.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_view.h"
#include "app/main_window_logic.h"
#include "cli/terminal_view.h"

namespace varnimo::cli {

class WindowSession {
  public:
    // Takes in the user's locale: numbers are shown with the user's decimal separator, as in
    // the window.
    WindowSession();
    WindowSession(const WindowSession&) = delete;
    WindowSession& operator=(const WindowSession&) = delete;

    // The start-up sequence on the data files of the working directory. False when it ended
    // the program: an error ended it, or it asked to quit.
    bool Start();
    // The click on the entry `tag` of a menu.
    void ChooseMenuEntry(app::MenuGroup group, int tag);
    // Types `text` into the search box.
    void Search(const std::string& text);
    // Puts the selection on `line` of the title list; false when the list has no such line.
    bool SelectLine(int line);
    // What a Run button says when no title is selected.
    void ShowNoSelectionError();
    // A click on the selected line: what a changed selection runs.
    void SelectionChanged();
    void SlideshowTick();
    // A Run button.
    void Launch(app::Emulator emulator);

    const std::vector<std::int32_t>& ListedRows() const;
    std::string_view TitleText(std::int32_t row) const;
    // The details panel's lines: size, genre, players.
    std::vector<std::string> DetailLines() const;
    // The counters under the list: the titles shown, the titles owned.
    std::vector<std::string> CounterLines() const;
    TerminalView& View() { return view_; }
    // The logic itself, for a dialog that reads it.
    app::MainWindowLogic& Logic() { return logic_; }
    // Whether an error was shown since the start-up sequence ended.
    bool ErrorShownSinceStart() const { return view_.ErrorBoxCount() > errors_at_start_; }

  private:
    // Runs one event; false when an error ended it.
    bool Run(const std::function<void()>& event);

    TerminalView view_;
    app::MainWindowLogic logic_;
    int errors_at_start_ = 0;
};

}  // namespace varnimo::cli
