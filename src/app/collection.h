#pragma once
// The collection: the catalogue's table with each ROM's scan status, the versions of the
// catalogue and the screenshot packs, and the title index the list is searched with. Read-only
// to everyone but its loading steps, which MainWindowLogic runs in the order the window shows.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "catalogue/catalogue_file.h"
#include "catalogue/known_rom_table.h"
#include "catalogue/title_index.h"

namespace varnimo::app {

class Collection {
  public:
    const catalogue::KnownRomTable& Table() const { return table_; }
    // Built from the table's titles; the caller makes it current with RebuildIndexIfStale.
    const catalogue::TitleIndex& Index() const { return title_index_; }
    std::int32_t AvailableCount() const { return available_count_; }
    double DatabaseVersion() const { return database_version_; }
    const std::array<double, 26>& ScreenPackVersions() const { return screen_pack_versions_; }

    // The text the list shows for a row (empty for a row outside the table).
    std::string_view TitleText(std::int32_t row) const;
    // The last row titled `title` (with duplicate titles the last one counts), -1 for none.
    std::int32_t LastRowTitled(std::string_view title) const;

    // --- Loading ------------------------------------------------------------------------
    // The versions an update check compares with, as loading sets them (or a test of the
    // check without files).
    void SetDatabaseVersion(double version) { database_version_ = version; }
    void SetScreenPackVersion(std::size_t pack, double version) {
        screen_pack_versions_.at(pack) = version;
    }
    // Reads the versions of the screenshot packs in `screen_folder` (see
    // catalogue::ReadScreenPackVersions; an error leaves the versions read before it).
    void ReadScreenPackVersions(const std::string& screen_folder);
    // Takes a catalogue just read: its table (statuses of rows in both sizes kept) and version.
    void TakeCatalogue(catalogue::CatalogueContents&& contents);
    // Empties the table (the catalogue is gone).
    void Clear();
    // Fills the statuses from the scan cache, or by scanning `rom_folder` and writing the cache;
    // `step` runs once per row. Counts the available ROMs after either.
    void ReadScanCache(const std::function<void()>& step);
    void ScanAndCache(const std::string& rom_folder, const std::function<void()>& step);
    // Builds the title index again when the table changed since; true when it did.
    bool RebuildIndexIfStale();

  private:
    catalogue::KnownRomTable table_;
    catalogue::TitleIndex title_index_;
    bool index_stale_ = true;
    std::int32_t available_count_ = 0;
    double database_version_ = 0;
    std::array<double, 26> screen_pack_versions_{};
};

}  // namespace varnimo::app
