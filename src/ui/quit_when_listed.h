#pragma once
// Timing the start of the window: with VARNIMO_QUIT_WHEN_LISTED=1 in the environment the
// program answers every message box at once (its text goes to stderr as an "error: ",
// "info: " or "notice: " line, the way varnimo-cli prints boxes) and ends as soon as the
// start-up sequence has filled the title list and the window has drawn it. The exit status
// is 0, or 1 when an error box was shown. The benchmarks start the window this way; without
// the variable nothing here is used.

#include <memory>

#include "desktop.h"

namespace varnimo::ui {

class MainWindow;

// True when VARNIMO_QUIT_WHEN_LISTED is set to 1.
bool QuitWhenListedRequested();

// The desktop that answers every box at once; program starts and addresses are not opened.
std::unique_ptr<Desktop> MakeAnsweringDesktop();

// Ends the program once `window`'s title list has been filled the first time and drawn.
void QuitWhenListed(MainWindow& window);

}  // namespace varnimo::ui
