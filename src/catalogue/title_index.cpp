#include "catalogue/title_index.h"

#include <algorithm>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace varnimo::catalogue {
namespace {

// Titles never contain ';' (the catalogue splits fields at it), so it can end every title in
// the search buffer without a match ever running from one title into the next.
constexpr char kEndOfTitle = ';';

// Most comparisons are settled by the first sixteen folded bytes, held in the key itself so
// the sort rarely has to look into the title buffer.
constexpr std::size_t kPrefixBytes = 16;

struct SortKey {
    std::uint64_t high;  // folded bytes 0..7, big-endian, zero-padded
    std::uint64_t low;   // folded bytes 8..15
    std::int32_t row;
};

}  // namespace

bool TitleLess(std::string_view a, std::string_view b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(FoldAscii(a[i]));
        auto y = static_cast<unsigned char>(FoldAscii(b[i]));
        if (x != y) {
            return x < y;
        }
    }
    return a.size() < b.size();
}

void TitleIndex::Build(const TextColumn& titles) {
    const std::size_t rows = titles.size();
    std::size_t total = rows;
    for (std::size_t i = 0; i < rows; ++i) {
        total += titles[i].size();
    }
    folded_.clear();
    folded_.reserve(total);
    byte_counts_.fill(0);
    starts_.assign(rows + 1, 0);
    std::vector<SortKey> keys;
    keys.reserve(rows);
    for (std::size_t i = 0; i < rows; ++i) {
        starts_[i] = folded_.size();
        std::uint64_t prefix[2] = {0, 0};
        const std::string_view title = titles[i];
        for (std::size_t k = 0; k < title.size(); ++k) {
            char c = FoldAscii(title[k]);
            folded_.push_back(c);
            ++byte_counts_[static_cast<unsigned char>(c)];
            if (k < kPrefixBytes) {
                prefix[k / 8] |= std::uint64_t{static_cast<unsigned char>(c)} << (56 - 8 * (k % 8));
            }
        }
        folded_.push_back(kEndOfTitle);
        keys.push_back({prefix[0], prefix[1], static_cast<std::int32_t>(i)});
    }
    starts_[rows] = folded_.size();

    // The part of a folded title after the bytes its key holds. Zero padding in the key sorts
    // a shorter title first, as a byte comparison does, so equal keys leave only the tails.
    auto tail = [this](std::int32_t row) {
        auto r = static_cast<std::size_t>(row);
        std::size_t length = starts_[r + 1] - starts_[r] - 1;
        std::size_t skip = std::min(length, kPrefixBytes);
        return std::string_view(folded_.data() + starts_[r] + skip, length - skip);
    };
    // Equal titles keep table order: the row number breaks every tie.
    std::sort(keys.begin(), keys.end(), [this, &tail](const SortKey& a, const SortKey& b) {
        if (a.high != b.high) {
            return a.high < b.high;
        }
        if (a.low != b.low) {
            return a.low < b.low;
        }
        std::string_view ta = tail(a.row);
        std::string_view tb = tail(b.row);
        int c = ta.compare(tb);
        if (c != 0) {
            return c < 0;
        }
        // Titles of up to sixteen bytes that differ only by trailing NUL bytes.
        std::size_t la =
            starts_[static_cast<std::size_t>(a.row) + 1] - starts_[static_cast<std::size_t>(a.row)];
        std::size_t lb =
            starts_[static_cast<std::size_t>(b.row) + 1] - starts_[static_cast<std::size_t>(b.row)];
        if (la != lb) {
            return la < lb;
        }
        return a.row < b.row;
    });
    order_.resize(rows);
    for (std::size_t i = 0; i < rows; ++i) {
        order_[i] = keys[i].row;
    }
}

void TitleIndex::KeepContaining(std::string_view needle, std::vector<std::uint8_t>& marks) const {
    if (needle.empty()) {
        return;
    }
    const std::size_t rows = order_.size();
    std::string folded(needle);
    for (char& c : folded) {
        c = FoldAscii(c);
    }
    std::size_t next_row = 0;  // rows below this one are settled
    if (folded.find(kEndOfTitle) == std::string::npos) {
        // Every hit lies at or after the previous one, so the rows are walked once.
        FindAll(folded, [&](std::size_t at) {
            while (starts_[next_row + 1] <= at) {
                marks[next_row++] = 0;
            }
            ++next_row;
            return starts_[next_row];  // one hit is enough: go on with the next title
        });
    }
    for (; next_row < rows; ++next_row) {
        marks[next_row] = 0;
    }
}

template <typename OnHit>
void TitleIndex::FindAll(std::string_view needle, OnHit&& on_hit) const {
    const char* text = folded_.data();
    const std::size_t length = folded_.size();
    const std::size_t m = needle.size();
    if (m > length) {
        return;
    }
    const std::size_t last_start = length - m;  // the last position a match can start at
    std::size_t i = 0;
    // Candidates are the positions where two neighbouring bytes of the needle are in place:
    // the pair whose bytes are rarest in the titles. First and last byte would be a poor
    // pair for a region marker such as "(u)", whose brackets end nearly every title.
    std::size_t pair = 0;
    if (m >= 2) {
        std::uint64_t best = std::numeric_limits<std::uint64_t>::max();
        for (std::size_t k = 0; k + 1 < m; ++k) {
            std::uint64_t weight = byte_counts_[static_cast<unsigned char>(needle[k])] +
                                   byte_counts_[static_cast<unsigned char>(needle[k + 1])];
            if (weight < best) {
                best = weight;
                pair = k;
            }
        }
    }
    const std::size_t second = m >= 2 ? pair + 1 : pair;
    auto matches_at = [&](std::size_t at) {
        for (std::size_t k = 0; k < m; ++k) {
            if (text[at + k] != needle[k]) {
                return false;
            }
        }
        return true;
    };
#ifdef __SSE2__
    // Sixteen positions at a time; only candidates are compared in full.
    const __m128i first = _mm_set1_epi8(needle[pair]);
    const __m128i last = _mm_set1_epi8(needle[second]);
    while (i + 16 <= last_start + 1) {
        __m128i at_first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + pair));
        __m128i at_last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + second));
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(at_first, first), _mm_cmpeq_epi8(at_last, last))));
        std::size_t next = i + 16;
        while (mask != 0) {
            std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
            if (matches_at(at)) {
                next = on_hit(at);
                break;
            }
            mask &= mask - 1;
        }
        i = next;
    }
#endif
    while (i <= last_start) {
        if (text[i + pair] == needle[pair] && matches_at(i)) {
            i = on_hit(i);
        } else {
            ++i;
        }
    }
}

}  // namespace varnimo::catalogue
