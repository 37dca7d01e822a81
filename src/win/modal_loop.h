#pragma once
// The message loop of a modal window of our own: the owner is disabled while `dialog` is up,
// the dialog's keys (Tab, Alt with a letter, Enter, Escape) go to it, and the owner is
// enabled again before the dialog goes, so the system activates the owner and not another
// program. A WM_QUIT that arrives meanwhile is passed on to the loop outside.

#include <windows.h>

namespace varnimo::win {

// Shows `dialog` and returns once it has been destroyed (`dialog` is then null: the window
// procedure clears it).
void RunModalLoop(HWND owner, const HWND& dialog);

}  // namespace varnimo::win
