#pragma once
// The port through which NewCollection drives the "New collection" dialog. The dialog only
// draws, asks for folders and files, and forwards Create; the rules and the import's thread
// are NewCollection's. Texts are bytes in the system's 8-bit code page.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace varnimo::app {

// What the user filled in: folder and file names as the file system knows them.
struct NewCollectionFields {
    std::string rom_folder;
    std::string screen_folder;
    std::vector<std::string> dat_files;
};

class NewCollectionView {
  public:
    virtual ~NewCollectionView() = default;

    virtual NewCollectionFields Fields() const = 0;
    // Runs `task` on the view's own thread once the current event is over, unless the view
    // is gone by then. The only call that may come from another thread.
    virtual void Post(std::function<void()> task) = 0;
    // While an import runs the inputs are disabled and the view shows that it is busy.
    virtual void ShowBusy(bool busy) = 0;
    virtual void ShowProgress(std::size_t done, std::size_t total) = 0;
    // Modal boxes titled "New collection"; each returns when it is closed.
    virtual void InfoBox(const std::string& text) = 0;
    virtual void ErrorBox(const std::string& text) = 0;
    // Closes the dialog as accepted: the collection was made.
    virtual void Accept() = 0;
};

}  // namespace varnimo::app
