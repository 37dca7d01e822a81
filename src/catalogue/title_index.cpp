#include "catalogue/title_index.h"

#include <algorithm>
#include <cstring>

namespace varnimo::catalogue {
namespace {

// Titles never contain ';' (the catalogue splits fields at it), so it can end every title in
// the search buffer without a match ever running from one title into the next.
constexpr char kEndOfTitle = ';';

struct SortKey {
    std::uint64_t prefix;  // first eight folded bytes, big-endian, zero-padded
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

void TitleIndex::Build(const std::vector<std::string>& titles) {
    const std::size_t rows = titles.size();
    std::size_t total = rows;
    for (const std::string& title : titles) {
        total += title.size();
    }
    folded_.clear();
    folded_.reserve(total);
    starts_.assign(rows + 1, 0);
    std::vector<SortKey> keys;
    keys.reserve(rows);
    for (std::size_t i = 0; i < rows; ++i) {
        starts_[i] = folded_.size();
        std::uint64_t prefix = 0;
        const std::string& title = titles[i];
        for (std::size_t k = 0; k < title.size(); ++k) {
            char c = FoldAscii(title[k]);
            folded_.push_back(c);
            if (k < 8) {
                prefix |= std::uint64_t{static_cast<unsigned char>(c)} << (56 - 8 * k);
            }
        }
        folded_.push_back(kEndOfTitle);
        keys.push_back({prefix, static_cast<std::int32_t>(i)});
    }
    starts_[rows] = folded_.size();

    auto folded_title = [this](std::int32_t row) {
        auto r = static_cast<std::size_t>(row);
        return std::string_view(folded_.data() + starts_[r], starts_[r + 1] - starts_[r] - 1);
    };
    // Equal keys keep table order: the row number breaks every tie.
    std::sort(keys.begin(), keys.end(), [&folded_title](const SortKey& a, const SortKey& b) {
        if (a.prefix != b.prefix) {
            return a.prefix < b.prefix;
        }
        int c = folded_title(a.row).compare(folded_title(b.row));
        if (c != 0) {
            return c < 0;
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
    std::size_t row = 0;
    if (folded.find(kEndOfTitle) == std::string::npos) {
        const char* base = folded_.data();
        std::size_t pos = 0;
        while (row < rows) {
            const void* hit = ::memmem(base + pos, folded_.size() - pos, folded.data(), folded.size());
            if (hit == nullptr) {
                break;
            }
            auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
            while (starts_[row + 1] <= at) {
                marks[row++] = 0;
            }
            // `row` holds the hit and keeps its mark; go on after its title.
            pos = starts_[row + 1];
            ++row;
        }
    }
    for (; row < rows; ++row) {
        marks[row] = 0;
    }
}

}  // namespace varnimo::catalogue
