#include "catalogue/filters.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "rtl/shared_work.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

namespace {

// The words of the regions, lower case, with the Region menu Tags they stand for as bits.
struct RegionWord {
    std::string_view word;
    std::uint8_t bits;
};
constexpr RegionWord kRegionWords[] = {
    {"europe", 1 << 0},  {"usa", 1 << 1}, {"japan", 1 << 2}, {"world", 0b111},
    {"germany", 1 << 3}, {"de", 1 << 3},  {"spain", 1 << 4}, {"es", 1 << 4},
    {"france", 1 << 5},  {"fr", 1 << 5},
};

bool HasRegionWords(std::int32_t tag) {
    return tag >= 1 && tag <= 6;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool EqualsFolded(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (FoldAscii(text[i]) != lower[i]) {
            return false;
        }
    }
    return true;
}

// Rows per part of the work shared between two cores: a whole number of 64-row words, small
// enough that the last part leaves the other core little to wait for.
constexpr std::size_t kRowsPerPart = 64 * 1024;

std::string Folded(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        c = FoldAscii(c);
    }
    return folded;
}

}  // namespace

std::uint8_t RegionWordBits(std::string_view title) {
    std::uint8_t bits = 0;
    for (std::size_t open = title.find('('); open != std::string_view::npos;
         open = title.find('(', open + 1)) {
        const std::size_t close = title.find(')', open + 1);
        if (close == std::string_view::npos) {
            break;
        }
        std::string_view group = title.substr(open + 1, close - open - 1);
        for (bool more = true; more;) {
            const std::size_t comma = group.find(',');
            std::string_view word = group.substr(0, comma);
            while (!word.empty() && IsBlank(word.front()))
                word.remove_prefix(1);
            while (!word.empty() && IsBlank(word.back()))
                word.remove_suffix(1);
            for (const RegionWord& region : kRegionWords) {
                if (EqualsFolded(word, region.word)) {
                    bits |= region.bits;
                }
            }
            more = comma != std::string_view::npos;
            group.remove_prefix(more ? comma + 1 : group.size());
        }
    }
    return bits;
}

void FilterRows(const KnownRomTable& table, const TitleIndex& index, const Filters& filters,
                std::vector<std::int32_t>& rows) {
    rows.clear();
    const std::size_t count = index.Size();
    if (count != table.Size() || !index.BuiltFrom(table.title)) {
        return;  // an index of another table would name rows that are not there
    }
    const std::string region = Folded(filters.region);
    const std::string search = Folded(filters.search_text);
    const std::size_t parts = (count + kRowsPerPart - 1) / kRowsPerPart;

    // First, per part of the table in row order: the cheap tests over the columns the filters
    // ask about (without a branch per row, since whether a ROM is owned is as good as random,
    // so the compiler can take many rows at a time), the substring tests that only clear
    // marks, then one bit per row: the list order visits the rows in no order at all, and a
    // million rows' bits (128 KiB) stay in the processor's nearer cache where their bytes
    // would not.
    std::vector<std::uint8_t> marks(count);
    std::vector<std::uint64_t> bits((count + 63) / 64);
    const bool by_words = !region.empty() && HasRegionWords(filters.region_tag);
    const std::uint8_t* words = by_words ? index.RegionWords() : nullptr;
    const auto word_bit = static_cast<std::uint8_t>(by_words ? 1 << (filters.region_tag - 1) : 0);
    std::vector<std::uint8_t> by_word(by_words ? count : 0);  // rows listed for a word
    rtl::ShareWork(parts, [&](std::size_t part) {
        const std::size_t first = part * kRowsPerPart;
        const std::size_t end = std::min(count, first + kRowsPerPart);
        std::uint8_t* mark = marks.data();
        std::fill(mark + first, mark + end, std::uint8_t{1});
        if (filters.availability != kShowAll) {
            const std::int32_t* status = table.scan_status.data();
            if (filters.availability == kShowAvailable) {
                for (std::size_t i = first; i < end; ++i)
                    mark[i] = status[i] > 0;
            } else if (filters.availability == kShowMissing) {
                for (std::size_t i = first; i < end; ++i)
                    mark[i] = status[i] == 0;
            } else {
                std::fill(mark + first, mark + end, std::uint8_t{0});
            }
        }
        if (filters.player != -1) {
            const std::int32_t* player = table.player_code.data();
            const std::int32_t wanted = filters.player;
            for (std::size_t i = first; i < end; ++i)
                mark[i] &= player[i] == wanted;
        }
        if (filters.genre != -1) {
            const std::int32_t* genre = table.genre_code.data();
            const std::int32_t wanted = filters.genre;
            for (std::size_t i = first; i < end; ++i)
                mark[i] &= genre[i] == wanted;
        }
        index.KeepContaining(search, mark, first, end);
        if (by_words) {
            // A title without the marker may still name the region in words.
            for (std::size_t i = first; i < end; ++i) {
                by_word[i] = mark[i] & ((words[i] & word_bit) != 0);
            }
            index.KeepContaining(region, mark, first, end);
            for (std::size_t i = first; i < end; ++i) {
                mark[i] |= by_word[i];
            }
        } else {
            index.KeepContaining(region, mark, first, end);
        }
        for (std::size_t base = first; base < end; base += 64) {
            std::uint64_t word = 0;
#ifdef __SSE2__
            if (base + 64 <= end) {
                const __m128i zero = _mm_setzero_si128();
                for (std::size_t k = 0; k < 64; k += 16) {
                    const __m128i chunk =
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(mark + base + k));
                    const auto unset = static_cast<std::uint64_t>(
                        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, zero))));
                    word |= (~unset & 0xFFFFu) << k;
                }
                bits[base / 64] = word;
                continue;
            }
#endif
            for (std::size_t k = 0; base + k < end && k < 64; ++k) {
                word |= std::uint64_t{mark[base + k] != 0} << k;
            }
            bits[base / 64] = word;
        }
    });

    // Then, per part of the list order: the rows that passed, written without a branch per
    // row from where the part starts; the parts' lists are moved together at the end.
    rows.resize(count);
    std::vector<std::size_t> listed(parts);
    const std::int32_t* order = index.Order().data();
    rtl::ShareWork(parts, [&](std::size_t part) {
        const std::size_t first = part * kRowsPerPart;
        const std::size_t end = std::min(count, first + kRowsPerPart);
        std::int32_t* out = rows.data() + first;
        std::size_t n = 0;
        for (std::size_t p = first; p < end; ++p) {
            const auto r = static_cast<std::size_t>(order[p]);
            out[n] = order[p];
            n += (bits[r / 64] >> (r % 64)) & 1;
        }
        listed[part] = n;
    });
    std::size_t total = 0;
    for (std::size_t part = 0; part < parts; ++part) {
        std::int32_t* from = rows.data() + part * kRowsPerPart;
        if (from != rows.data() + total) {
            std::memmove(rows.data() + total, from, listed[part] * sizeof(std::int32_t));
        }
        total += listed[part];
    }
    rows.resize(total);
}

void RefilterRows(const KnownRomTable& table, const TitleIndex& index, const Filters* listed_by,
                  const Filters& filters, std::vector<std::int32_t>& rows) {
    const std::string search = Folded(filters.search_text);
    const bool narrows = listed_by != nullptr && listed_by->player == filters.player &&
                         listed_by->genre == filters.genre && listed_by->region == filters.region &&
                         listed_by->region_tag == filters.region_tag &&
                         listed_by->availability == filters.availability &&
                         search.find(Folded(listed_by->search_text)) != std::string::npos &&
                         rows.size() <= table.Size() / 64;
    if (narrows) {
        std::erase_if(rows, [&](std::int32_t row) {
            return !index.Contains(static_cast<std::size_t>(row), search);
        });
    } else {
        FilterRows(table, index, filters, rows);
    }
}

}  // namespace varnimo::catalogue
