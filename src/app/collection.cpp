#include "app/collection.h"

#include <utility>

#include "catalogue/rom_scan.h"

namespace varnimo::app {

std::string_view Collection::TitleText(std::int32_t row) const {
    return table_.HasRow(row) ? std::string_view(table_.title[static_cast<std::size_t>(row)])
                              : std::string_view();
}

std::int32_t Collection::LastRowTitled(std::string_view title) const {
    for (std::size_t i = table_.Size(); i-- > 0;) {
        if (table_.title[i] == title) {
            return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

void Collection::ReadScreenPackVersions(const std::string& screen_folder) {
    catalogue::ReadScreenPackVersions(screen_folder, screen_pack_versions_);
}

void Collection::TakeCatalogue(catalogue::CatalogueContents&& contents) {
    database_version_ = contents.version;
    catalogue::StoreCatalogue(std::move(contents), table_);
    index_stale_ = true;
}

void Collection::Clear() {
    table_.Resize(0);
    index_stale_ = true;
}

void Collection::ReadScanCache(const std::function<void()>& step) {
    catalogue::ReadScanCache(table_, step);
    available_count_ = catalogue::CountAvailable(table_);
}

void Collection::ScanAndCache(const std::string& rom_folder, const std::function<void()>& step) {
    catalogue::ScanRomFolder(rom_folder, table_, step);
    catalogue::WriteScanCache(table_);
    available_count_ = catalogue::CountAvailable(table_);
}

bool Collection::RebuildIndexIfStale() {
    if (!index_stale_ && title_index_.Size() == table_.Size()) {
        return false;
    }
    title_index_.Build(table_.title);
    index_stale_ = false;
    return true;
}

}  // namespace varnimo::app
