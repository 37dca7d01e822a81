#pragma once
// Built once per catalogue load so that every rebuild of the title list is one linear pass:
// the titles case-folded into one contiguous buffer (for substring search) and the rows in
// list order (bytes compared with ASCII letters folded; equal keys keep table order).

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
    void Build(const TextColumn& titles);
    std::size_t Size() const { return order_.size(); }
    // All rows in list order.
    const std::vector<std::int32_t>& Order() const { return order_; }
    // Sets marks[row] to 0 for every row whose title does not contain `needle`, comparing
    // with the ASCII letters folded; other marks are left alone. `marks` has Size() entries.
    void KeepContaining(std::string_view needle, std::vector<std::uint8_t>& marks) const;

  private:
    // Calls on_hit(position) for positions of `needle` in the folded buffer, in order; on_hit
    // returns where the search goes on (past the title that holds the hit).
    template <typename OnHit>
    void FindAll(std::string_view needle, OnHit&& on_hit) const;

    std::string folded_;               // every folded title followed by a ';'
    std::vector<std::size_t> starts_;  // row i is folded_[starts_[i], starts_[i + 1] - 1)
    std::vector<std::int32_t> order_;
    std::array<std::uint64_t, 256> byte_counts_{};  // how often each byte occurs in folded_
};

// Maps ASCII A..Z to a..z and leaves every other byte alone.
inline char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when `a` comes before `b` in list order (bytes, ASCII letters folded).
bool TitleLess(std::string_view a, std::string_view b);

}  // namespace varnimo::catalogue
