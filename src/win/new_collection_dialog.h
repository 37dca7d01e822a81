#pragma once
// "New collection" on Windows: offered when the user's own collection folder holds no
// catalogue yet, and by Settings > Import ROM folder... to make the collection again. It
// takes a ROM folder and, if the user has them, a screenshot folder and DAT files, and
// forwards Create to app::NewCollection, which runs the import on a thread of its own; the
// dialog keeps drawing meanwhile and shows the import's progress as it comes back.

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/new_collection.h"
#include "app/new_collection_view.h"
#include "catalogue/rom_import.h"
#include "desktop.h"
#include "gdi_objects.h"

namespace varnimo::win {

class NewCollectionDialog final : private app::NewCollectionView {
  public:
    // Creates the dialog, hidden, owned by `owner` (none at the start, before the window);
    // `base`: see app::NewCollection. `desktop` shows its boxes and pickers.
    NewCollectionDialog(HWND owner, Desktop& desktop, catalogue::RomImportRequest base);
    ~NewCollectionDialog() override;
    NewCollectionDialog(const NewCollectionDialog&) = delete;
    NewCollectionDialog& operator=(const NewCollectionDialog&) = delete;

    HWND Handle() const { return dialog_; }
    // Shows the dialog and handles messages until it closes; true when the collection was
    // made, false when the user cancelled.
    bool RunModal();

  private:
    template <class Dialog>
    friend LRESULT CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
    // The import's thread posts nowhere once the window is gone.
    void WindowGone();
    void OnCommand(int id, int code);
    void CreateControls(const catalogue::RomImportRequest& filled);
    HWND Item(int id) const { return ::GetDlgItem(dialog_, id); }
    void BrowseFolder(const std::string& instruction, int edit);
    void BrowseDatFiles();
    void Cancel();
    void SetInputsEnabled(bool enabled);
    void RunPosted();

    // --- app::NewCollectionView -----------------------------------------------------------
    app::NewCollectionFields Fields() const override;
    void Post(std::function<void()> task) override;
    void ShowBusy(bool busy) override;
    void ShowProgress(std::size_t done, std::size_t total) override;
    void InfoBox(const std::string& text) override;
    void ErrorBox(const std::string& text) override;
    void Accept() override;

    HWND owner_;
    Desktop& desktop_;
    HWND dialog_ = nullptr;
    Font font_;
    bool busy_ = false;
    bool accepted_ = false;
    // What the import's thread hands to this one; the dialog's window (`post_target_`, null
    // once it is gone) is told to run it.
    std::mutex posted_mutex_;
    std::deque<std::function<void()>> posted_;
    HWND post_target_ = nullptr;
    // Declared last: its destructor waits for an import that still runs, which may post to
    // this dialog until then.
    app::NewCollection rules_;
};

// When the working directory holds no catalogue, shows the dialog modally and returns when it
// is closed: true when the collection was made, false when the user cancelled (there is
// nothing to show then). Returns true at once where a catalogue is there.
bool OfferNewCollection(Desktop& desktop);

// The ids of the dialog's controls, for tests and accessibility tools.
enum class NewCollectionControl : int {
    Intro = 600,
    RomLabel,
    RomEdit,
    RomBrowse,
    ScreenLabel,
    ScreenEdit,
    ScreenBrowse,
    DatLabel,
    DatEdit,
    DatBrowse,
    Progress,
    ProgressText,
    CreateButton = IDOK,      // Enter presses it
    CancelButton = IDCANCEL,  // Escape and the close box press it
};

}  // namespace varnimo::win
