#include "catalogue/filters.h"

namespace varnimo::catalogue {

const char* RegionMarkerForTag(std::int32_t tag) {
    switch (tag) {
        case -1:
            return "";
        case 1:
            return "(E)";
        case 2:
            return "(U)";
        case 3:
            return "(J)";
        case 4:
            return "(G)";
        case 5:
            return "(S)";
        case 6:
            return "(F)";
        default:
            return nullptr;
    }
}

void FilterRows(const KnownRomTable& table, const TitleIndex& index, const Filters& filters,
                std::vector<std::int32_t>& rows) {
    rows.clear();
    const std::size_t count = index.Size();
    if (count != table.Size()) {
        return;  // an index of another table would name rows that are not there
    }
    // The cheap tests run over the columns in row order; the substring tests then only
    // clear marks; the final pass walks the precomputed list order.
    std::vector<std::uint8_t> marks(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::int32_t status = table.ScanStatus[i];
        bool available = (status > 0 && filters.availability == kShowAvailable) ||
                         (status == 0 && filters.availability == kShowMissing) ||
                         filters.availability == kShowAll;
        marks[i] = available && (filters.player == -1 || table.PlayerCode[i] == filters.player) &&
                   (filters.genre == -1 || table.GenreCode[i] == filters.genre);
    }
    index.KeepContaining(filters.region, marks);
    index.KeepContaining(filters.search_text, marks);
    // Without a branch per row: whether a row is listed is as good as random in list order.
    rows.resize(count);
    std::size_t listed = 0;
    for (std::int32_t row : index.Order()) {
        rows[listed] = row;
        listed += marks[static_cast<std::size_t>(row)] != 0 ? 1 : 0;
    }
    rows.resize(listed);
}

}  // namespace varnimo::catalogue
