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
    std::string search_text;       // must occur in the title, ASCII case ignored
    std::int32_t player = -1;      // the Player menu's Tag; -1 any
    std::int32_t genre = -1;       // the Genre menu's Tag; -1 any
    std::string region;            // the Region menu's marker; must occur like the search text
    std::int32_t region_tag = -1;  // the Region menu's Tag: a title naming its region passes too
    std::int32_t availability = kShowAvailable;

    bool operator==(const Filters&) const = default;
};

// Fills `rows` with the rows passing every filter, in list order. `index` must have been
// built from table.title.
void FilterRows(const KnownRomTable& table, const TitleIndex& index, const Filters& filters,
                std::vector<std::int32_t>& rows);

// Brings `rows`, the list `listed_by` gave, up to date for `filters`. A keystroke that adds to
// the search text, with the menus as they were, can only drop titles from the list: the new
// list is the old one without the titles that lack the new text, in the same order. Checking
// title by title (in list order, so all over the table's memory) pays only while the old list
// is a small part of the table; otherwise, and without a `listed_by` (the table, its index or
// the list changed in another way since), the whole table is filtered again. The result is
// always what FilterRows gives.
void RefilterRows(const KnownRomTable& table, const TitleIndex& index, const Filters* listed_by,
                  const Filters& filters, std::vector<std::int32_t>& rows);

// The Region menu's marker for a Tag: -1 "", 1 "(E)", 2 "(U)", 3 "(J)", 4 "(G)", 5 "(S)",
// 6 "(F)"; nullptr for any other Tag (the marker then stays as it is).
const char* RegionMarkerForTag(std::int32_t tag);

// The regions that `title` names in words, as today's dump sets write them: bit (Tag - 1)
// for each Region menu Tag 1..6 named by a word of a group in parentheses (comma-separated
// words, blanks around them and ASCII letter case ignored): 1 "Europe" or "World", 2 "USA"
// or "World", 3 "Japan" or "World", 4 "Germany" or "De", 5 "Spain" or "Es", 6 "France" or
// "Fr".
std::uint8_t RegionWordBits(std::string_view title);

}  // namespace varnimo::catalogue
