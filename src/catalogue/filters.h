#pragma once
// The five filters of the title list and the rebuild itself.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/known_rom_table.h"
#include "catalogue/title_index.h"

namespace varnimo::catalogue {

// AvailabilityFilter values.
inline constexpr std::int32_t kShowAvailable = -1;
inline constexpr std::int32_t kShowMissing = 1;
inline constexpr std::int32_t kShowAll = 2;

struct Filters {
    std::string_view search_text;  // must occur in the title, ASCII case ignored
    std::int32_t player = -1;      // PlayerFilter; -1 any
    std::int32_t genre = -1;       // GenreFilter; -1 any
    std::string_view region;       // RegionMarker; must occur like the search text
    std::int32_t availability = kShowAvailable;
};

// Fills `rows` with the rows passing every filter, in list order. `index` must have been
// built from table.Title.
void FilterRows(const KnownRomTable& table, const TitleIndex& index, const Filters& filters,
                std::vector<std::int32_t>& rows);

// The Region menu's marker for a Tag: -1 "", 1 "(E)", 2 "(U)", 3 "(J)", 4 "(G)", 5 "(S)",
// 6 "(F)"; nullptr for any other Tag (the marker then stays as it is).
const char* RegionMarkerForTag(std::int32_t tag);

}  // namespace varnimo::catalogue
