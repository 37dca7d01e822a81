#pragma once
// NewCollection: the rules of the "New collection" dialog, toolkit-free. It makes the
// collection in the working directory with the same import as `varnimo-cli import`, on a
// thread of its own, so that the window keeps drawing while the ROM files are read; the
// import's progress and its end come back to the view's thread through NewCollectionView.

#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/new_collection_view.h"
#include "catalogue/rom_import.h"
#include "settings/program_options.h"

namespace varnimo::app {

// What the dialog says above its fields; `replaces` when Create replaces the collection there.
// Paragraphs are separated by an empty line ("\n\n").
std::string NewCollectionIntro(bool replaces);

// Several file names in one line: each in double quotes, separated by a blank, as file
// dialogs write them; one name alone stays bare. Split reads what Join wrote, and also bare
// names between quoted ones, with the blanks around them dropped.
std::string JoinFileList(const std::vector<std::string>& files);
std::vector<std::string> SplitFileList(std::string_view line);

class NewCollection {
  public:
    // `base` fills the fields (folders, DAT files) and gives what the dialog does not ask for:
    // the emulator folders, the slideshow settings, whether a collection there is replaced.
    NewCollection(NewCollectionView& view, catalogue::RomImportRequest base);
    // Waits for an import that still runs: it writes the collection's files.
    ~NewCollection();
    NewCollection(const NewCollection&) = delete;
    NewCollection& operator=(const NewCollection&) = delete;

    const catalogue::RomImportRequest& Base() const { return base_; }

    // --- Events -------------------------------------------------------------------------
    // Starts the import. When it ends: on success tells what was imported and accepts;
    // when the import refuses or fails, shows why and leaves the dialog usable.
    void Create();
    // True while an import runs; the dialog cannot be closed meanwhile.
    bool Importing() const { return worker_.joinable(); }

  private:
    void Finished(bool made, const std::string& text);

    NewCollectionView& view_;
    catalogue::RomImportRequest base_;
    std::thread worker_;
};

// The request that makes the collection of the working directory again from `options`'
// folders and the DAT files it was last made with, replacing it and keeping the emulator
// folders, the slideshow interval and mode.
catalogue::RomImportRequest ImportAgainRequest(const settings::ProgramOptions& options,
                                               std::uint32_t interval, std::int32_t show_mode);

}  // namespace varnimo::app
