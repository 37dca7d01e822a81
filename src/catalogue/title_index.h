#pragma once
// Built once per catalogue load so that every rebuild of the title list is one linear pass:
// the rows in list order (bytes compared with ASCII letters folded; equal keys keep table
// order) and a substring search that walks the bytes of the title column itself, folding
// letters as it compares, so a million titles are not held a second time.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/text_column.h"

namespace varnimo::catalogue {

class TitleIndex {
  public:
    // The index searches `titles` itself: the column must outlive the index and stay as it is
    // while the index is used; build again after any change.
    void Build(const TextColumn& titles);
    std::size_t Size() const { return order_.size(); }
    // All rows in list order.
    const std::vector<std::int32_t>& Order() const { return order_; }
    // True when the index was built from this very column.
    bool BuiltFrom(const TextColumn& titles) const { return titles_ == &titles; }
    // Sets marks[row] to 0 for every row in [first_row, end_row) whose title does not
    // contain `folded_needle` (its ASCII letters already folded), comparing with the titles'
    // letters folded; other marks are left alone. `marks` has Size() entries.
    void KeepContaining(std::string_view folded_needle, std::uint8_t* marks, std::size_t first_row,
                        std::size_t end_row) const;
    // True when the title of `row` contains `needle`, which is already folded.
    bool Contains(std::size_t row, std::string_view folded_needle) const;
    // One byte per row: the regions its title names in words (RegionWordBits of filters.h).
    // Worked out in the first call after Build, on two threads, and kept: only a choice in
    // the Region menu needs them. That first call must not overlap another use of the index.
    const std::uint8_t* RegionWords() const;

  private:
    // The column searched: the titles themselves when their rows lie in row order in its
    // buffer (as a load leaves them), else a copy that does.
    const TextColumn& Searched() const {
        return in_row_order_ && titles_ != nullptr ? *titles_ : copy_;
    }
    // Calls on_hit(position) for positions in bytes [from, to) of the searched column where
    // `needle` (folded) matches with letters folded, in order; on_hit returns where the
    // search goes on.
    template <typename OnHit>
    void FindAll(std::string_view needle, std::size_t from, std::size_t to, OnHit&& on_hit) const;

    const TextColumn* titles_ = nullptr;
    bool in_row_order_ = true;
    TextColumn copy_;
    std::vector<std::int32_t> order_;
    std::array<std::uint64_t, 256> byte_counts_{};    // folded bytes in a sample of the titles
    mutable std::vector<std::uint8_t> region_words_;  // empty until asked for
    mutable bool region_words_known_ = false;
};

// Maps ASCII A..Z to a..z and leaves every other byte alone.
inline char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when `a` comes before `b` in list order (bytes, ASCII letters folded).
bool TitleLess(std::string_view a, std::string_view b);

}  // namespace varnimo::catalogue
