#pragma once
// One text per row with every row's bytes in one shared buffer. A catalogue of a million
// games then costs its bytes and eight bytes per text, instead of a string object and a heap
// block per text (which made the table three times the size of its file).
//
// Reading a row gives a std::string_view that stays valid until the column is changed.
// Writing a row that is no longer than its old text reuses its place; a longer text goes to
// the end of the buffer, and the buffer is compacted once more than half of it is stale.
// Rows added with push_back lie in row order, one after another, so a search can walk the
// bytes of a freshly read column once (see Bytes and Offset).

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/memory.h"

namespace varnimo::catalogue {

class TextColumn {
  public:
    // A row of a column that can be changed: reads as its text, takes a new text by
    // assignment.
    class Ref {
      public:
        Ref(TextColumn& column, std::size_t row) : column_(column), row_(row) {}
        operator std::string_view() const { return column_.Get(row_); }
        std::string_view view() const { return column_.Get(row_); }
        std::size_t size() const { return column_.Get(row_).size(); }
        bool empty() const { return size() == 0; }
        Ref& operator=(std::string_view text) {
            column_.Set(row_, text);
            return *this;
        }
        Ref& operator=(const Ref& other) { return *this = other.view(); }
        void assign(std::string_view text) { column_.Set(row_, text); }
        friend bool operator==(const Ref& a, std::string_view b) { return a.view() == b; }
        friend std::ostream& operator<<(std::ostream& out, const Ref& ref) {
            return out << ref.view();
        }

      private:
        TextColumn& column_;
        std::size_t row_;
    };

    std::size_t size() const { return spans_.size(); }
    bool empty() const { return spans_.empty(); }
    std::string_view operator[](std::size_t row) const { return Get(row); }
    Ref operator[](std::size_t row) { return Ref(*this, row); }
    std::string_view Get(std::size_t row) const {
        return std::string_view(bytes_.data() + Offset(row), Size(row));
    }
    void Set(std::size_t row, std::string_view text);
    // Adds a row at the end holding `text`.
    void push_back(std::string_view text);
    // Room for `rows` rows and `bytes` bytes of text. Pages that are never written are never
    // taken from the system, so a generous guess costs address space, not memory.
    void reserve(std::size_t rows, std::size_t bytes);
    // Gives the system back the memory of room reserved but not used (a load reserves for the
    // worst case); the room stays reserved.
    void ReleaseUnused();
    // Rows in both sizes keep their texts; added rows are empty.
    void resize(std::size_t rows);
    void clear() { resize(0); }
    // Bytes held for the texts, stale ones included (for tests of the compaction).
    std::size_t BufferBytes() const { return bytes_.size(); }

    // The buffer all texts lie in, and where a row's text starts in it.
    std::string_view Bytes() const { return std::string_view(bytes_.data(), bytes_.size()); }
    std::size_t Offset(std::size_t row) const { return spans_[row] >> kSizeBits; }
    std::size_t Size(std::size_t row) const {
        const std::size_t size = spans_[row] & kLongText;
        return size != kLongText ? size : LongSize(spans_[row] >> kSizeBits);
    }

  private:
    // A row is one 64-bit word: the text's offset in the upper 48 bits (more than any
    // address space holds) and its size in the lower 16. A text of kLongText bytes or more
    // keeps its true size in the eight bytes in front of it, and its size field reads kLongText.
    static constexpr unsigned kSizeBits = 16;
    static constexpr std::size_t kLongText = (std::size_t{1} << kSizeBits) - 1;
    static constexpr std::size_t kSizePrefix = sizeof(std::uint64_t);

    std::size_t LongSize(std::size_t offset) const;
    // Bytes a text takes in the buffer, its size prefix included.
    static std::size_t Footprint(std::size_t size) {
        return size >= kLongText ? size + kSizePrefix : size;
    }
    // Appends `text` (which must not lie in bytes_) and returns its span word.
    std::uint64_t Append(std::string_view text);
    // True when `text` is a view of this column's own buffer.
    bool Inside(std::string_view text) const;
    void CompactIfStale();

    // Memory of their own: the columns of a large catalogue lie on large pages.
    rtl::PageBuffer<char> bytes_;
    rtl::PageBuffer<std::uint64_t> spans_;
    std::size_t stale_ = 0;  // bytes of bytes_ that no row uses any more
};

}  // namespace varnimo::catalogue
