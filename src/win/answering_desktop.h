#pragma once
// Timing the start of the window: with VARNIMO_QUIT_WHEN_LISTED=1 in the environment the
// program answers every message box at once (its text goes to stderr as an "error: ",
// "info: " or "notice: " line, the way varnimo-cli prints boxes) and ends as soon as the
// start-up sequence has filled the title list and the window has drawn it. The exit status
// is 0, or 1 when an error box was shown. Benchmarks and end-to-end tests start the window
// this way; without the variable nothing here is used.

#include "desktop.h"

namespace varnimo::win {

// True when VARNIMO_QUIT_WHEN_LISTED is set to 1.
bool QuitWhenListedRequested();

// Prints each box instead of showing it; an error box ends the message loop with status 1.
// Web addresses are not opened; a picker is cancelled, as nobody is there to choose.
class AnsweringDesktop final : public Desktop {
  public:
    void ShowBox(HWND owner, BoxIcon icon, const std::string& title,
                 const std::string& text) override;
    bool OpenUrl(HWND owner, const std::string& address) override;
    std::optional<std::string> AskFolder(HWND owner, const std::string& instruction) override;
    std::vector<std::string> AskFiles(HWND owner, const std::string& instruction) override;
    // 1 once an error box was shown, else 0.
    int ExitStatus() const { return error_shown_ ? 1 : 0; }

  private:
    bool error_shown_ = false;
};

}  // namespace varnimo::win
