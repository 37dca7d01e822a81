#include "catalogue/title_index.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>

#include "rtl/memory.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace varnimo::catalogue {
namespace {

// Most comparisons are settled by the first eight folded bytes, held in the key itself so the
// sort rarely has to look at the titles. Packed to twelve bytes: at a million rows the keys
// are the largest thing the sort needs besides the table.
#pragma pack(push, 4)
struct SortKey {
    std::uint64_t prefix;  // folded bytes 0..7, big-endian, zero-padded
    std::int32_t row;
};
#pragma pack(pop)
static_assert(sizeof(SortKey) == 12);

constexpr std::size_t kPrefixBytes = 8;
// Below this many keys a bucket is sorted by comparison rather than split further.
constexpr std::size_t kSmallBucket = 48;

int CompareFolded(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(FoldAscii(a[i]));
        auto y = static_cast<unsigned char>(FoldAscii(b[i]));
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// Folded bytes [offset, offset + 8) of a title, big-endian, zero-padded.
std::uint64_t PrefixAt(std::string_view title, std::size_t offset) {
    std::uint64_t prefix = 0;
    const std::size_t n = title.size() > offset ? std::min(title.size() - offset, kPrefixBytes) : 0;
    for (std::size_t k = 0; k < n; ++k) {
        prefix |= std::uint64_t{static_cast<unsigned char>(FoldAscii(title[offset + k]))}
                  << (56 - 8 * k);
    }
    return prefix;
}

// The full order of two keys whose titles share their first `skip` folded bytes. Zero
// padding in the key sorts a shorter title first, as a byte comparison does, so equal keys
// leave only the rest of the titles; equal titles keep table order.
struct KeyLess {
    const TextColumn& titles;
    std::size_t skip;
    bool operator()(const SortKey& a, const SortKey& b) const {
        if (a.prefix != b.prefix) {
            return a.prefix < b.prefix;
        }
        std::string_view ta = titles[static_cast<std::size_t>(a.row)];
        std::string_view tb = titles[static_cast<std::size_t>(b.row)];
        const std::size_t from = std::min({skip, ta.size(), tb.size()});
        const int c = CompareFolded(ta.substr(from), tb.substr(from));
        return c != 0 ? c < 0 : a.row < b.row;
    }
};

// Sorts keys whose titles share their first `offset` folded bytes and whose prefixes (the
// eight bytes from `offset`) share their first `depth` bytes: one counting pass and an
// in-place exchange per byte, most significant first, so no second array of keys is needed.
// When a bucket has used up its eight bytes, its keys take the next eight of their titles.
// With `share`, about half of the buckets go to a second thread (the titles are only read,
// and the buckets are apart), so a large table is sorted on two cores.
void RadixSort(SortKey* first, SortKey* last, const TextColumn& titles, std::size_t offset,
               unsigned depth, bool share = false) {
    if (last - first < 2) {
        return;
    }
    if (depth == kPrefixBytes) {
        offset += kPrefixBytes;
        bool more = false;
        // The titles of a bucket lie anywhere in the column: ask for a row's place early and
        // for its bytes a little later, so the memory fetches overlap instead of queueing.
        constexpr std::ptrdiff_t kSpanAhead = 16;
        constexpr std::ptrdiff_t kTextAhead = 8;
        const std::ptrdiff_t n = last - first;
        for (std::ptrdiff_t i = 0; i < n; ++i) {
            if (i + kSpanAhead < n) {
                titles.Prefetch(static_cast<std::size_t>(first[i + kSpanAhead].row), false);
            }
            if (i + kTextAhead < n) {
                titles.Prefetch(static_cast<std::size_t>(first[i + kTextAhead].row), true);
            }
            const std::string_view title = titles[static_cast<std::size_t>(first[i].row)];
            first[i].prefix = PrefixAt(title, offset);
            more = more || title.size() > offset;
        }
        if (!more) {  // only lengths (NUL bytes against padding) and rows are left
            std::sort(first, last, KeyLess{titles, offset});
            return;
        }
        depth = 0;
    }
    if (static_cast<std::size_t>(last - first) < kSmallBucket) {
        // The prefixes settle most comparisons; equal ones share the titles' first
        // offset + 8 bytes.
        std::sort(first, last, KeyLess{titles, offset + kPrefixBytes});
        return;
    }
    const unsigned shift = 56 - 8 * depth;
    auto digit = [shift](const SortKey& key) { return (key.prefix >> shift) & 0xFF; };
    std::array<std::size_t, 256> count{};
    for (const SortKey* key = first; key != last; ++key) {
        ++count[digit(*key)];
    }
    std::array<std::size_t, 256> start{};
    std::array<std::size_t, 256> next{};
    for (std::size_t b = 0, at = 0; b < 256; ++b) {
        start[b] = next[b] = at;
        at += count[b];
    }
    for (std::size_t b = 0; b < 256; ++b) {
        const std::size_t end = start[b] + count[b];
        while (next[b] < end) {
            SortKey key = first[next[b]];
            std::size_t d = digit(key);
            while (d != b) {
                std::swap(key, first[next[d]++]);
                d = digit(key);
            }
            first[next[b]++] = key;
        }
    }
    auto sort_buckets = [&](std::size_t from, std::size_t to, std::size_t shared_bucket) {
        for (std::size_t b = from; b < to; ++b) {
            if (count[b] > 1) {
                RadixSort(first + start[b], first + start[b] + count[b], titles, offset, depth + 1,
                          b == shared_bucket);
            }
        }
    };
    const std::size_t none = 256;
    if (!share) {
        sort_buckets(0, 256, none);
        return;
    }
    const std::size_t n = static_cast<std::size_t>(last - first);
    const std::size_t largest =
        static_cast<std::size_t>(std::max_element(count.begin(), count.end()) - count.begin());
    if (count[largest] >= n / 2) {
        sort_buckets(0, 256, largest);  // most keys share this byte: split inside that bucket
        return;
    }
    std::size_t split = 0;  // the buckets from here on hold about half of the keys
    while (start[split] + count[split] < n / 2) {
        ++split;
    }
    std::thread helper;
    try {
        helper = std::thread(sort_buckets, split, 256, none);
    } catch (const std::system_error&) {
        sort_buckets(split, 256, none);  // no second thread: all of it here
    }
    sort_buckets(0, split, none);
    if (helper.joinable()) {
        helper.join();
    }
}

#ifdef __SSE2__
// Positions of a 16-byte chunk equal to `byte`, letters compared folded: OR-ing 0x20 maps
// an upper-case letter onto its lower case and no other byte onto a letter.
struct FoldedByte {
    __m128i value;
    __m128i fold;
    explicit FoldedByte(char c)
        : value(_mm_set1_epi8(c)), fold(_mm_set1_epi8(c >= 'a' && c <= 'z' ? 0x20 : 0)) {}
    __m128i Match(const char* at) const {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        return _mm_cmpeq_epi8(_mm_or_si128(chunk, fold), value);
    }
};
#endif

}  // namespace

bool TitleLess(std::string_view a, std::string_view b) {
    return CompareFolded(a, b) < 0;
}

void TitleIndex::Build(const TextColumn& titles) {
    titles_ = &titles;
    const std::size_t rows = titles.size();
    // The search walks the buffer once when every text starts at or after the end of the
    // text before it; empty texts can hold no hit and are left out of the question.
    in_row_order_ = true;
    std::size_t end = 0;
    for (std::size_t i = 0; i < rows && in_row_order_; ++i) {
        const std::size_t size = titles.Size(i);
        if (size != 0) {
            in_row_order_ = titles.Offset(i) >= end;
            end = titles.Offset(i) + size;
        }
    }
    copy_ = TextColumn();
    if (!in_row_order_) {
        copy_.reserve(rows, titles.Bytes().size());
        for (std::size_t i = 0; i < rows; ++i) {
            copy_.push_back(titles[i]);
        }
    }

    // The rarity of bytes picks which needle bytes the search looks for; a sample of titles
    // spread over the table tells it well enough.
    byte_counts_.fill(0);
    const std::size_t sample_step = rows / 65536 + 1;
    for (std::size_t i = 0; i < rows; i += sample_step) {
        for (char c : titles[i]) {
            ++byte_counts_[static_cast<unsigned char>(FoldAscii(c))];
        }
    }

    std::vector<SortKey> keys;
    keys.reserve(rows);
    rtl::PreferLargePages(keys.data(), rows * sizeof(SortKey));
    keys.resize(rows);
    for (std::size_t i = 0; i < rows; ++i) {
        keys[i] = {PrefixAt(titles[i], 0), static_cast<std::int32_t>(i)};
    }
    // Two threads pay once the keys are many; below that the start of a thread costs more.
    constexpr std::size_t kSharedSort = 100'000;
    RadixSort(keys.data(), keys.data() + rows, titles, 0, 0, rows >= kSharedSort);
    order_.resize(rows);
    for (std::size_t i = 0; i < rows; ++i) {
        order_[i] = keys[i].row;
    }
}

bool TitleIndex::Contains(std::size_t row, std::string_view folded_needle) const {
    const std::string_view title = (*titles_)[row];
    const std::size_t m = folded_needle.size();
    if (m == 0) {
        return true;
    }
    for (std::size_t at = 0; at + m <= title.size(); ++at) {
        std::size_t k = 0;
        while (k < m && FoldAscii(title[at + k]) == folded_needle[k]) {
            ++k;
        }
        if (k == m) {
            return true;
        }
    }
    return false;
}

void TitleIndex::KeepContaining(std::string_view needle, std::vector<std::uint8_t>& marks) const {
    if (needle.empty()) {
        return;
    }
    const TextColumn& column = Searched();
    const std::size_t rows = order_.size();
    std::string folded(needle);
    for (char& c : folded) {
        c = FoldAscii(c);
    }
    const std::size_t m = folded.size();
    std::size_t next_row = 0;                             // rows below this one are settled
    std::size_t start = rows > 0 ? column.Offset(0) : 0;  // where next_row's text lies
    std::size_t end = rows > 0 ? start + column.Size(0) : 0;
    auto advance = [&] {
        if (++next_row < rows) {
            start = column.Offset(next_row);
            end = start + column.Size(next_row);
        }
    };
    // Hits come in buffer order, which is row order: a row that ends before a hit does has
    // none (any later hit ends later still); a hit that starts before the next row's text
    // runs across a boundary or through stale bytes and counts for no row.
    FindAll(folded, [&](std::size_t at) {
        while (next_row < rows && end < at + m) {
            marks[next_row] = 0;
            advance();
        }
        if (next_row == rows) {
            return std::numeric_limits<std::size_t>::max();
        }
        if (start > at) {
            return at + 1;
        }
        const std::size_t resume = end;
        advance();  // one hit is enough: go on with the next title
        return resume;
    });
    for (; next_row < rows; ++next_row) {
        marks[next_row] = 0;
    }
}

template <typename OnHit>
void TitleIndex::FindAll(std::string_view needle, OnHit&& on_hit) const {
    const std::string_view bytes = Searched().Bytes();
    const char* text = bytes.data();
    const std::size_t length = bytes.size();
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
    // The candidate test compares the pair's bytes exactly (letters folded), so a needle of
    // one or two bytes needs no further comparison.
    const bool pair_decides = m <= 2;
    auto matches_at = [&](std::size_t at) {
        if (pair_decides) {
            return true;
        }
        for (std::size_t k = 0; k < m; ++k) {
            if (FoldAscii(text[at + k]) != needle[k]) {
                return false;
            }
        }
        return true;
    };
#ifdef __SSE2__
    // Sixteen positions at a time; only candidates are compared in full.
    const FoldedByte first(needle[pair]);
    const FoldedByte last(needle[second]);
    while (i + 16 <= last_start + 1) {
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(first.Match(text + i + pair), last.Match(text + i + second))));
        std::size_t next = i + 16;
        while (mask != 0) {
            std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
            if (matches_at(at)) {
                next = on_hit(at);
                break;
            }
            mask &= mask - 1;
        }
        i = std::min(next, length);
    }
#endif
    while (i <= last_start) {
        if (FoldAscii(text[i + pair]) == needle[pair] &&
            FoldAscii(text[i + second]) == needle[second] && matches_at(i)) {
            i = std::min(on_hit(i), length);
        } else {
            ++i;
        }
    }
}

}  // namespace varnimo::catalogue
