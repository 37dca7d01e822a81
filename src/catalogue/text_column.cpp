#include "catalogue/text_column.h"

#include <algorithm>
#include <cstring>

namespace varnimo::catalogue {

std::size_t TextColumn::LongSize(std::size_t offset) const {
    std::uint64_t size = 0;
    std::memcpy(&size, bytes_.data() + offset - kSizePrefix, kSizePrefix);
    return static_cast<std::size_t>(size);
}

std::uint64_t TextColumn::Append(std::string_view text) {
    if (text.size() >= kLongText) {
        const std::uint64_t size = text.size();
        bytes_.append(reinterpret_cast<const char*>(&size), kSizePrefix);
    }
    const std::uint64_t offset = bytes_.size();
    bytes_.append(text.data(), text.size());
    return (offset << kSizeBits) | std::min<std::uint64_t>(text.size(), kLongText);
}

bool TextColumn::Inside(std::string_view text) const {
    return !bytes_.empty() && text.data() >= bytes_.data() &&
           text.data() < bytes_.data() + bytes_.size();
}

void TextColumn::push_back(std::string_view text) {
    // Empty rows, too, start where the last text ended, so the rows stay in order.
    if (Inside(text)) {
        const std::string copy(text);  // appending may move the buffer the view lies in
        spans_.push_back(Append(copy));
    } else {
        spans_.push_back(Append(text));
    }
}

void TextColumn::reserve(std::size_t rows, std::size_t bytes) {
    spans_.reserve(rows);
    bytes_.reserve(bytes);
}

void TextColumn::ReleaseUnused() {
    bytes_.ReleaseUnused();
    spans_.ReleaseUnused();
}

void TextColumn::Set(std::size_t row, std::string_view text) {
    const std::size_t offset = Offset(row);
    const std::size_t size = Size(row);
    if (text.size() <= size) {
        // The text may be a view of this very buffer; copying towards the front is safe. A
        // long text that stays long rewrites its size prefix; one that becomes short leaves
        // the prefix stale.
        if (text.size() >= kLongText) {
            const std::uint64_t long_size = text.size();
            std::memcpy(bytes_.data() + offset - kSizePrefix, &long_size, kSizePrefix);
        }
        if (!text.empty()) {  // an empty view may carry no pointer at all
            std::memmove(bytes_.data() + offset, text.data(), text.size());
        }
        stale_ += Footprint(size) - Footprint(text.size());
        spans_[row] =
            (std::uint64_t{offset} << kSizeBits) | std::min<std::uint64_t>(text.size(), kLongText);
        return;
    }
    // Appending may move the buffer, which a view of the buffer itself would not survive.
    if (Inside(text)) {
        const std::string copy(text);
        spans_[row] = Append(copy);
    } else {
        spans_[row] = Append(text);
    }
    stale_ += Footprint(size);
    CompactIfStale();
}

void TextColumn::resize(std::size_t rows) {
    for (std::size_t row = rows; row < spans_.size(); ++row) {
        stale_ += Footprint(Size(row));
    }
    spans_.resize(rows, 0);
    CompactIfStale();
}

void TextColumn::CompactIfStale() {
    if (stale_ <= bytes_.size() / 2 || stale_ < 4096) {
        return;
    }
    TextColumn packed;
    packed.bytes_.reserve(bytes_.size() - stale_);
    packed.spans_.reserve(spans_.size());
    for (std::size_t row = 0; row < spans_.size(); ++row) {
        packed.spans_.push_back(packed.Append(Get(row)));
    }
    bytes_.swap(packed.bytes_);
    spans_.swap(packed.spans_);
    stale_ = 0;
}

}  // namespace varnimo::catalogue
