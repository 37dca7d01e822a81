#pragma once
// One text per row with every row's bytes in one shared buffer. A catalogue of a million
// games then costs its bytes and one small record per text, instead of a string object and
// a heap block per text (which made the table three times the size of its file).
//
// Reading a row gives a std::string_view that stays valid until the column is changed.
// Writing a row that is no longer than its old text reuses its place; a longer text goes to
// the end of the buffer, and the buffer is compacted once more than half of it is stale.

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

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
        const Span& span = spans_[row];
        return std::string_view(bytes_.data() + span.offset, span.size);
    }
    void Set(std::size_t row, std::string_view text);
    // Rows in both sizes keep their texts; added rows are empty.
    void resize(std::size_t rows);
    void clear() { resize(0); }
    // Bytes held for the texts, stale ones included (for tests of the compaction).
    std::size_t BufferBytes() const { return bytes_.size(); }

  private:
    struct Span {
        std::size_t offset = 0;
        std::size_t size = 0;
    };
    void CompactIfStale();

    std::string bytes_;
    std::vector<Span> spans_;
    std::size_t stale_ = 0;  // bytes of bytes_ that no row uses any more
};

}  // namespace varnimo::catalogue
