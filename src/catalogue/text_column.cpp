#include "catalogue/text_column.h"

namespace varnimo::catalogue {

void TextColumn::Set(std::size_t row, std::string_view text) {
    Span& span = spans_[row];
    if (text.size() <= span.size) {
        // The text may be a view of this very buffer; copying towards the front is safe.
        bytes_.replace(span.offset, text.size(), text.data(), text.size());
        stale_ += span.size - text.size();
        span.size = text.size();
        return;
    }
    // Appending may move the buffer, which a view of the buffer itself would not survive.
    const bool inside = !bytes_.empty() && text.data() >= bytes_.data() &&
                        text.data() < bytes_.data() + bytes_.size();
    const std::size_t offset = bytes_.size();
    if (inside) {
        const std::size_t from = static_cast<std::size_t>(text.data() - bytes_.data());
        bytes_.append(bytes_, from, text.size());
    } else {
        bytes_.append(text);
    }
    stale_ += span.size;
    span = {offset, text.size()};
    CompactIfStale();
}

void TextColumn::resize(std::size_t rows) {
    for (std::size_t row = rows; row < spans_.size(); ++row) {
        stale_ += spans_[row].size;
    }
    spans_.resize(rows);
    CompactIfStale();
}

void TextColumn::CompactIfStale() {
    if (stale_ <= bytes_.size() / 2 || stale_ < 4096) {
        return;
    }
    std::string packed;
    packed.reserve(bytes_.size() - stale_);
    for (Span& span : spans_) {
        const std::size_t offset = packed.size();
        packed.append(bytes_, span.offset, span.size);
        span.offset = offset;
    }
    bytes_.swap(packed);
    stale_ = 0;
}

}  // namespace varnimo::catalogue
