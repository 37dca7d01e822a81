#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace varnimo::mysql {

class TMysqlClient;
struct TValueRef;

// The most memory the column descriptions of one result may take together. Real results need
// well under a megabyte even with the most columns a header may announce; a server that sends
// more is refused (2008) instead of being believed.
inline constexpr std::size_t kMaxFieldListBytes = std::size_t{16} << 20;
// The default for the most memory the rows of one buffered result may take
// (TMysqlClient::MaxBufferedBytes).
inline constexpr std::size_t kDefaultMaxBufferedBytes = std::size_t{1} << 30;

// One column of a result.
struct TMysqlField {
    std::string Name;   // empty when the server sent none
    std::string Table;  // empty when the server sent none
    uint32_t Type = 0;
    uint32_t Length = 0;
    uint32_t MaxLength = 0;  // longest value in a buffered result; 0 otherwise
    uint32_t Flags = 0;
    uint32_t Decimals = 0;
};

// One row of a buffered result. Values holds one entry per column: a zero-terminated text,
// or nullptr for NULL and for an empty value. A row's texts live in one block it owns.
struct TMysqlRow {
    TMysqlRow* Previous = nullptr;
    TMysqlRow* Next = nullptr;
    const char* const* Values = nullptr;
    // Byte length of each value (0 for none): a value may hold zero bytes of its own, as the
    // binary parts of a field description do.
    const uint32_t* Lengths = nullptr;
    std::unique_ptr<char[]> Storage;
};

// The rows of a buffered result in arrival order; owns them.
class TMysqlRowList {
  public:
    TMysqlRowList(int32_t columnCount) : ColumnCount(columnCount) {}
    ~TMysqlRowList();
    TMysqlRowList(const TMysqlRowList&) = delete;
    TMysqlRowList& operator=(const TMysqlRowList&) = delete;

    // Appends a row holding the values of a row packet; nullptr when memory is short.
    TMysqlRow* Append(const uint8_t* packet, const TValueRef* values);

    uint64_t RowCount = 0;
    int32_t ColumnCount = 0;
    TMysqlRow* First = nullptr;
    TMysqlRow* Last = nullptr;
    // Memory the rows take: their records and blocks, with what the allocator adds.
    std::size_t Bytes = 0;
};

// The result of a query with a result set, owned by the caller of RunQuery. A buffered result
// holds every row; an unbuffered one reads a row per FetchRow from its client, which it does
// not own and which detaches it when the connection closes.
class TMysqlResult {
  public:
    TMysqlResult(TMysqlClient* client, bool buffered);
    virtual ~TMysqlResult();
    TMysqlResult(const TMysqlResult&) = delete;
    TMysqlResult& operator=(const TMysqlResult&) = delete;

    // Text of column i of the current row; nullptr for NULL, empty, no row or a column out of
    // range. Valid until the next FetchRow or the result's end.
    const char* ColumnText(int i) const;
    // Byte length of column i of the current row (0 for none).
    uint32_t ColumnLength(int i) const;
    void FetchRow();

    int32_t ColumnCount = 0;
    uint64_t RowCount = 0;
    std::vector<TMysqlField> Fields;
    bool Buffered = false;
    int32_t RowIndex = -1;
    bool Eof = false;
    // Outcome of the last unbuffered row read: 0 a row, 1 end marker, -1 failure.
    int32_t FetchState = 0;

    TMysqlClient* Client() const { return Client_; }
    const TMysqlRowList* Rows() const { return Rows_.get(); }

  private:
    friend class TMysqlClient;

    TMysqlClient* Client_;
    // Unbuffered: byte length and text of each value of the current row; the texts point into
    // RowText_, which is reused from row to row.
    std::vector<uint32_t> Lengths_;
    std::vector<const char*> RowBuffer_;
    std::vector<char> RowText_;
    std::unique_ptr<TMysqlRowList> Rows_;
    TMysqlRow* Cursor_ = nullptr;
    const char* const* CurrentRow_ = nullptr;
};

}  // namespace varnimo::mysql
