#pragma once
// The port through which OptionsEditor drives the Options dialog. The editor owns the
// dialog's rules; a view only draws, asks the user for folders and forwards the user's
// operations. Texts are bytes in the system's 8-bit code page.

#include <optional>
#include <string>

namespace varnimo::app {

// The four folder fields of the dialog.
enum class OptionsFolder { Screenshots, Roms, Snes9x, Zsnes };

// The two radio buttons of the slideshow: title screen only, in-game screen only.
enum class SlideshowChoice { StartupOnly, IngameOnly };

class OptionsView {
  public:
    virtual ~OptionsView() = default;

    virtual void SetFolderText(OptionsFolder folder, const std::string& text) = 0;
    // Asks the user for a folder, modally, showing `instruction`. The folder as the system
    // names it (no trailing separator except on a root), or nothing when the user cancelled.
    virtual std::optional<std::string> AskFolder(const std::string& instruction) = 0;

    // The track bar of the slideshow interval, in seconds. Setting it runs no event.
    virtual int SecondsPosition() const = 0;
    virtual void SetSecondsPosition(int seconds) = 0;
    // The radio buttons. Marking one unmarks the other; neither runs an event. The program
    // (not the user) may leave both unmarked.
    virtual bool IsMarked(SlideshowChoice choice) const = 0;
    virtual void SetMarked(SlideshowChoice choice, bool marked) = 0;

    // Modal message boxes with one OK button, over the dialog.
    virtual void ErrorBox(const std::string& text) = 0;
    virtual void InfoBox(const std::string& text) = 0;
    virtual void Close() = 0;
};

}  // namespace varnimo::app
