#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace varnimo::mysql {

class Client;
struct ValueRef;

// The most memory the column descriptions of one result may take together. Real results need
// well under a megabyte even with the most columns a header may announce; a server that sends
// more is refused (2008) instead of being believed.
inline constexpr std::size_t kMaxFieldListBytes = std::size_t{16} << 20;
// The default for the most memory the rows of one buffered result may take
// (Client::SetMaxBufferedBytes).
inline constexpr std::size_t kDefaultMaxBufferedBytes = std::size_t{1} << 30;

// One column of a result.
struct Field {
    std::string name;   // empty when the server sent none
    std::string table;  // empty when the server sent none
    uint32_t type = 0;
    uint32_t length = 0;
    uint32_t max_length = 0;  // longest value in a buffered result; 0 otherwise
    uint32_t flags = 0;
    uint32_t decimals = 0;
};

// One row of a buffered result. `values` holds one entry per column: a zero-terminated text,
// or nullptr for NULL and for an empty value. A row's texts live in one block it owns.
struct Row {
    Row* next = nullptr;
    const char* const* values = nullptr;
    // Byte length of each value (0 for none): a value may hold zero bytes of its own, as the
    // binary parts of a field description do.
    const uint32_t* lengths = nullptr;
    std::unique_ptr<char[]> storage;
};

// The rows of a buffered result in arrival order; owns them.
class RowList {
  public:
    explicit RowList(int32_t column_count) : column_count_(column_count) {}
    ~RowList();
    RowList(const RowList&) = delete;
    RowList& operator=(const RowList&) = delete;

    // Appends a row holding the values of a row packet; nullptr when memory is short.
    Row* Append(const uint8_t* packet, const ValueRef* values);

    uint64_t RowCount() const { return row_count_; }
    int32_t ColumnCount() const { return column_count_; }
    const Row* First() const { return first_; }
    // Memory the rows take: their records and blocks, with what the allocator adds.
    std::size_t Bytes() const { return bytes_; }

  private:
    uint64_t row_count_ = 0;
    int32_t column_count_ = 0;
    Row* first_ = nullptr;
    Row* last_ = nullptr;
    std::size_t bytes_ = 0;
};

// What reading one row of an unbuffered result came to.
enum class RowStatus : uint8_t {
    Read,    // a row is current
    End,     // the end marker came: the result has all its rows
    Failed,  // the reply broke off; the error state tells why
};

// The result of a query with a result set, owned by the caller of RunQuery. A buffered result
// holds every row; an unbuffered one reads a row per FetchRow from its client, which it does
// not own and which detaches it when the connection closes.
class ResultSet {
  public:
    ResultSet(Client* client, bool buffered);
    virtual ~ResultSet();
    ResultSet(const ResultSet&) = delete;
    ResultSet& operator=(const ResultSet&) = delete;

    // Text of column i of the current row; nullptr for NULL, empty, no row or a column out of
    // range. Valid until the next FetchRow or the result's end.
    const char* ColumnText(int i) const;
    // Byte length of column i of the current row (0 for none).
    uint32_t ColumnLength(int i) const;
    // Moves to the next row; past the last one AtEnd() is true and the last row stays current.
    void FetchRow();

    int32_t ColumnCount() const { return column_count_; }
    // Rows read so far (a buffered result: all of them).
    uint64_t RowCount() const { return row_count_; }
    const std::vector<Field>& Fields() const { return fields_; }
    bool IsBuffered() const { return buffered_; }
    // Index of the current row; -1 before the first.
    int32_t RowIndex() const { return row_index_; }
    bool AtEnd() const { return at_end_; }
    // How the last row read of an unbuffered result went; End for a buffered one.
    RowStatus LastFetch() const { return last_fetch_; }
    // The client an unbuffered result still reads its rows from; none once it has all of
    // them, failed, or its connection was closed.
    Client* SourceClient() const { return client_; }

  private:
    friend class Client;

    Client* client_;
    int32_t column_count_ = 0;
    uint64_t row_count_ = 0;
    std::vector<Field> fields_;
    bool buffered_ = false;
    int32_t row_index_ = -1;
    bool at_end_ = false;
    RowStatus last_fetch_ = RowStatus::Read;
    // Unbuffered: byte length and text of each value of the current row; the texts point into
    // row_text_, which is reused from row to row.
    std::vector<uint32_t> lengths_;
    std::vector<const char*> row_buffer_;
    std::vector<char> row_text_;
    std::unique_ptr<RowList> rows_;
    const Row* cursor_ = nullptr;
    const char* const* current_row_ = nullptr;
};

}  // namespace varnimo::mysql
