#include "catalogue/title_index.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>

#include "catalogue/filters.h"
#include "rtl/memory.h"
#include "rtl/shared_work.h"

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
constexpr std::size_t kSmallBucket = 96;

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

// A key's row; the sign bit marks a title that has no bytes after its key's eight.
std::int32_t RowOf(const SortKey& key) {
    return key.row < 0 ? ~key.row : key.row;
}
bool Ended(const SortKey& key) {
    return key.row < 0;
}
// The key of `row` for the title's bytes [offset, offset + 8).
SortKey KeyAt(std::string_view title, std::size_t offset, std::int32_t row) {
    return {PrefixAt(title, offset), title.size() <= offset + kPrefixBytes ? ~row : row};
}

// The full order of two keys whose titles share their first `skip` folded bytes: equal
// titles keep table order.
struct KeyLess {
    const TextColumn& titles;
    std::size_t skip;
    bool operator()(const SortKey& a, const SortKey& b) const {
        std::string_view ta = titles[static_cast<std::size_t>(RowOf(a))];
        std::string_view tb = titles[static_cast<std::size_t>(RowOf(b))];
        const std::size_t from = std::min({skip, ta.size(), tb.size()});
        const int c = CompareFolded(ta.substr(from), tb.substr(from));
        return c != 0 ? c < 0 : RowOf(a) < RowOf(b);
    }
};

// Sorts keys by their eight prefix bytes alone, of which the first `depth` are equal: one
// counting pass and an in-place exchange per byte, most significant first, so no second
// array of keys is needed. With `share`, the buckets are sorted in two parts of about half
// the keys each, shared with the helper thread (the buckets are apart), so a large table is
// sorted on two cores; call it so only outside other shared work.
void SortByPrefix(SortKey* first, SortKey* last, unsigned depth, bool share) {
    const auto n = static_cast<std::size_t>(last - first);
    if (n < 2 || depth == kPrefixBytes) {
        return;
    }
    if (n < kSmallBucket) {
        std::sort(first, last,
                  [](const SortKey& a, const SortKey& b) { return a.prefix < b.prefix; });
        return;
    }
    // Bytes all keys share need no pass of their own: go straight to the first that differs.
    std::uint64_t low = first->prefix;
    std::uint64_t high = first->prefix;
    for (const SortKey* key = first; key != last; ++key) {
        const std::uint64_t prefix = key->prefix;  // a copy: the packed field is not aligned
        low = std::min(low, prefix);
        high = std::max(high, prefix);
    }
    if (low == high) {
        return;
    }
    depth = static_cast<unsigned>(__builtin_clzll(low ^ high)) / 8;
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
            SortByPrefix(first + start[b], first + start[b] + count[b], depth + 1,
                         b == shared_bucket);
        }
    };
    const std::size_t none = 256;
    if (!share) {
        sort_buckets(0, 256, none);
        return;
    }
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
    rtl::ShareWork(2, [&](std::size_t half) {
        if (half == 0) {
            sort_buckets(0, split, none);
        } else {
            sort_buckets(split, 256, none);
        }
    });
}

// One bit per key position. Two threads may set and read bits of one word at once (each in
// its own positions), so every access to a word is atomic; on this processor that is a plain
// load, and a locked OR for a set.
class Bits {
  public:
    explicit Bits(std::size_t size) : words_((size + 64) / 64) {}
    void Set(std::size_t at) {
        std::atomic_ref<std::uint64_t>(words_[at / 64])
            .fetch_or(std::uint64_t{1} << (at % 64), std::memory_order_relaxed);
    }
    void Clear() { std::fill(words_.begin(), words_.end(), 0); }
    void Swap(Bits& other) { words_.swap(other.words_); }
    // The first set bit at or after `at`, or `end` when there is none before it.
    std::size_t Next(std::size_t at, std::size_t end) const {
        while (at < end) {
            const std::uint64_t word =
                std::atomic_ref<std::uint64_t>(const_cast<std::uint64_t&>(words_[at / 64]))
                    .load(std::memory_order_relaxed) >>
                (at % 64);
            if (word != 0) {
                return std::min(end, at + static_cast<std::size_t>(__builtin_ctzll(word)));
            }
            at = (at / 64 + 1) * 64;
        }
        return end;
    }

  private:
    std::vector<std::uint64_t> words_;
};

// Sorts the keys of `titles` (row i's key first holds bytes 0..7 of its title) into list
// order, eight bytes at a time: every group of keys whose titles agreed so far is sorted by
// its keys' prefixes and split where they differ; keys still tied then take the next eight
// bytes of their titles. That is done in row order, so the titles are read front to back
// instead of all over; `scratch` (one entry per row) maps a row to its key's position. A large
// table's groups and rows are taken in parts by two threads (groups and rows are apart); a
// group large enough to pay for two threads of its own is sorted before the parts are.
void SortKeys(rtl::PageBuffer<SortKey>& keys, const TextColumn& titles,
              std::vector<std::int32_t>& scratch) {
    const std::size_t n = keys.size();
    // Two threads pay once the keys are many; below that the start of a thread costs more.
    constexpr std::size_t kSharedSort = 100'000;
    const std::size_t parts = n >= kSharedSort ? 16 : 1;
    Bits starts(n);      // the first position of every group
    Bits open(n);        // the groups to sort at this length, by their first position
    Bits still_open(n);  // the groups to sort at the next length
    starts.Set(n);
    if (n > 0) {
        starts.Set(0);
        open.Set(0);
    }
    std::vector<std::uint8_t> tied(parts);
    for (std::size_t offset = 0;; offset += kPrefixBytes) {
        std::fill(scratch.begin(), scratch.end(), -1);
        still_open.Clear();
        std::fill(tied.begin(), tied.end(), std::uint8_t{0});
        for (std::size_t g = open.Next(0, n); g < n; g = open.Next(g + 1, n)) {
            const std::size_t end = starts.Next(g + 1, n);
            if (end - g >= kSharedSort) {
                SortByPrefix(keys.data() + g, keys.data() + end, 0, true);
            }
        }
        // The groups that start in each part of the positions.
        rtl::ShareWork(parts, [&](std::size_t part) {
            const std::size_t first = part * n / parts;
            const std::size_t last = (part + 1) * n / parts;
            for (std::size_t g = open.Next(first, n); g < last; g = open.Next(g + 1, n)) {
                const std::size_t end = starts.Next(g + 1, n);
                if (end - g < kSharedSort) {
                    SortByPrefix(keys.data() + g, keys.data() + end, 0, false);
                }
                for (std::size_t s = g; s < end;) {
                    std::size_t t = s + 1;
                    bool all_ended = Ended(keys[s]);
                    while (t < end && keys[t].prefix == keys[s].prefix) {
                        all_ended = all_ended && Ended(keys[t]);
                        ++t;
                    }
                    starts.Set(s);
                    if (t - s > 1) {
                        if (all_ended) {  // only lengths (NUL bytes against padding) and rows left
                            std::sort(keys.data() + s, keys.data() + t,
                                      KeyLess{titles, offset + kPrefixBytes});
                        } else {
                            still_open.Set(s);
                            tied[part] = 1;
                            for (std::size_t p = s; p < t; ++p) {
                                scratch[static_cast<std::size_t>(RowOf(keys[p]))] =
                                    static_cast<std::int32_t>(p);
                            }
                        }
                    }
                    s = t;
                }
            }
        });
        if (std::find(tied.begin(), tied.end(), std::uint8_t{1}) == tied.end()) {
            return;
        }
        open.Swap(still_open);
        // The next eight bytes of the tied titles, each part of the rows in row order.
        rtl::ShareWork(parts, [&](std::size_t part) {
            const std::size_t last = (part + 1) * n / parts;
            for (std::size_t row = part * n / parts; row < last; ++row) {
                if (scratch[row] >= 0) {
                    keys[static_cast<std::size_t>(scratch[row])] =
                        KeyAt(titles[row], offset + kPrefixBytes, static_cast<std::int32_t>(row));
                }
            }
        });
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
    region_words_ = std::vector<std::uint8_t>();
    region_words_known_ = false;
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

    // The rarity of bytes picks which needle bytes the search looks for; a few thousand
    // titles spread over the table tell it well enough.
    byte_counts_.fill(0);
    const std::size_t sample_step = rows / 4096 + 1;
    for (std::size_t i = 0; i < rows; i += sample_step) {
        for (char c : titles[i]) {
            ++byte_counts_[static_cast<unsigned char>(FoldAscii(c))];
        }
    }

    rtl::PageBuffer<SortKey> keys;
    keys.resize(rows);
    for (std::size_t i = 0; i < rows; ++i) {
        keys[i] = KeyAt(titles[i], 0, static_cast<std::int32_t>(i));
    }
    order_.resize(rows);
    SortKeys(keys, titles, order_);
    for (std::size_t i = 0; i < rows; ++i) {
        order_[i] = RowOf(keys[i]);
    }
}

bool TitleIndex::Contains(std::size_t row, std::string_view folded_needle) const {
    const std::string_view title = Searched()[row];
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

const std::uint8_t* TitleIndex::RegionWords() const {
    if (!region_words_known_) {
        const TextColumn& column = Searched();
        region_words_.resize(order_.size());
        constexpr std::size_t kRowsPerPart = 64 * 1024;
        rtl::ShareWork((order_.size() + kRowsPerPart - 1) / kRowsPerPart, [&](std::size_t part) {
            const std::size_t end = std::min(order_.size(), (part + 1) * kRowsPerPart);
            for (std::size_t row = part * kRowsPerPart; row < end; ++row) {
                region_words_[row] = RegionWordBits(column[row]);
            }
        });
        region_words_known_ = true;
    }
    return region_words_.data();
}

void TitleIndex::KeepContaining(std::string_view folded_needle, std::uint8_t* marks,
                                std::size_t first_row, std::size_t end_row) const {
    const std::size_t m = folded_needle.size();
    end_row = std::min(end_row, order_.size());
    if (m == 0 || first_row >= end_row) {
        return;
    }
    const TextColumn& column = Searched();
    // Empty texts hold no match, and one may lie anywhere in the buffer (a change can leave
    // it where a longer text was): they are settled at once, never waited for.
    std::size_t next_row = first_row;  // rows below this one are settled
    std::size_t start = 0;             // where next_row's text lies
    std::size_t end = 0;
    auto settle_empty = [&] {
        while (next_row < end_row && column.Size(next_row) == 0) {
            marks[next_row++] = 0;
        }
        if (next_row < end_row) {
            start = column.Offset(next_row);
            end = start + column.Size(next_row);
        }
    };
    auto advance = [&] {
        ++next_row;
        settle_empty();
    };
    settle_empty();
    if (next_row == end_row) {
        return;
    }
    // The bytes searched: from the first text that has bytes to the end of the last one.
    std::size_t last = end_row - 1;
    while (column.Size(last) == 0) {
        --last;
    }
    const std::size_t to = column.Offset(last) + column.Size(last);
    // Hits come in buffer order, which is row order: a row that ends before a hit does has
    // none (any later hit ends later still); a hit that starts before the next row's text
    // runs across a boundary or through stale bytes and counts for no row.
    FindAll(folded_needle, start, to, [&](std::size_t at) {
        while (next_row < end_row && end < at + m) {
            marks[next_row] = 0;
            advance();
        }
        if (next_row == end_row) {
            return std::numeric_limits<std::size_t>::max();
        }
        if (start > at) {
            return at + 1;
        }
        const std::size_t resume = end;
        advance();  // one hit is enough: go on with the next title
        return resume;
    });
    for (; next_row < end_row; ++next_row) {
        marks[next_row] = 0;
    }
}

template <typename OnHit>
void TitleIndex::FindAll(std::string_view needle, std::size_t from, std::size_t to,
                         OnHit&& on_hit) const {
    const char* text = Searched().Bytes().data();
    const std::size_t length = std::min(to, Searched().Bytes().size());
    const std::size_t m = needle.size();
    if (from > length || m > length - from) {
        return;
    }
    const std::size_t last_start = length - m;  // the last position a match can start at
    std::size_t i = from;
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
