#pragma once
// What the window asks of the desktop around it: modal message boxes, the pickers of folders
// and files, and opening a web address. The program uses the system's; the GUI tests put in
// one that records every box and picker and answers it, so no person has to. Programs are started
// through rtl::StartDetached, the same for every caller, so a test sees a real start.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace varnimo::win {

enum class BoxIcon { Error, Information, None };

class Desktop {
  public:
    virtual ~Desktop() = default;
    // A modal box with one OK button over `owner`; returns when it is closed. Title and text
    // are bytes in the system's code page.
    virtual void ShowBox(HWND owner, BoxIcon icon, const std::string& title,
                         const std::string& text) = 0;
    // Hands `address` to the system's handler for web addresses; false when nothing took it.
    virtual bool OpenUrl(HWND owner, const std::string& address) = 0;
    // Asks for a folder, modally over `owner`, showing `instruction` above the folder tree,
    // which starts at the desktop with nothing chosen and offers file-system folders only.
    // The folder's full path (no trailing separator but on a drive root), or nothing when the
    // user cancelled.
    virtual std::optional<std::string> AskFolder(HWND owner, const std::string& instruction) = 0;
    // Asks for one or more existing files (DAT files first in the list of kinds); their full
    // paths, or none when the user cancelled.
    virtual std::vector<std::string> AskFiles(HWND owner, const std::string& instruction) = 0;

    // Opens `address`; when nothing can, shows it in a box to copy it from (Ctrl+C copies the
    // text of a message box), so the click never goes unanswered.
    void OpenAddress(HWND owner, const std::string& address);
};

// MessageBoxA, ShellExecuteA, the shell's folder browser and the open-file dialog.
class SystemDesktop final : public Desktop {
  public:
    void ShowBox(HWND owner, BoxIcon icon, const std::string& title,
                 const std::string& text) override;
    bool OpenUrl(HWND owner, const std::string& address) override;
    std::optional<std::string> AskFolder(HWND owner, const std::string& instruction) override;
    std::vector<std::string> AskFiles(HWND owner, const std::string& instruction) override;
};

}  // namespace varnimo::win
