#include "mysql/result_set.h"

#include <cstring>
#include <limits>
#include <new>

#include "mysql/client.h"
#include "mysql/errors.h"
#include "mysql/protocol.h"

namespace varnimo::mysql {

// --- RowList ---

RowList::~RowList() {
    // Freed one by one: a recursive chain would overflow the stack on a long result.
    Row* row = first_;
    while (row) {
        Row* next = row->next;
        delete row;
        row = next;
    }
}

Row* RowList::Append(const uint8_t* packet, const ValueRef* values) {
    std::size_t count = static_cast<std::size_t>(column_count_);
    std::size_t text_bytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (values[i].length != 0) {
            text_bytes += values[i].length + 1;
        }
    }
    // One block per row: the pointer array, the length array, then the zero-terminated texts.
    std::size_t pointer_bytes = count * sizeof(char*);
    std::size_t length_bytes = count * sizeof(uint32_t);
    std::size_t block_bytes = pointer_bytes + length_bytes + text_bytes;
    std::unique_ptr<char[]> storage(new (std::nothrow) char[block_bytes]);
    std::unique_ptr<Row> row(new (std::nothrow) Row);
    if (!row || (!storage && block_bytes > 0)) {
        return nullptr;
    }
    char** pointers = reinterpret_cast<char**>(storage.get());
    uint32_t* lengths = reinterpret_cast<uint32_t*>(storage.get() + pointer_bytes);
    char* text = storage.get() + pointer_bytes + length_bytes;
    for (std::size_t i = 0; i < count; ++i) {
        lengths[i] = values[i].length;
        if (values[i].length == 0) {
            pointers[i] = nullptr;
            continue;
        }
        std::memcpy(text, packet + values[i].offset, values[i].length);
        text[values[i].length] = '\0';
        pointers[i] = text;
        text += values[i].length + 1;
    }
    row->values = pointers;
    row->lengths = lengths;
    row->storage = std::move(storage);
    Row* added = row.release();
    if (last_) {
        last_->next = added;
    } else {
        first_ = added;
    }
    last_ = added;
    ++row_count_;
    // Each of the two blocks costs the allocator its own header and rounding as well; with
    // short rows that is a good part of what they take.
    constexpr std::size_t kAllocationOverhead = 16;
    bytes_ += sizeof(Row) + block_bytes + 2 * kAllocationOverhead;
    return added;
}

// --- reading a query's reply (client side) ---

QueryStatus Client::ReadQueryResult() {
    std::optional<std::size_t> length = channel_->ReadReply();
    if (!length) {
        return QueryStatus::Failed;
    }
    FreeFieldList();
    PacketReader reader(channel_->ReadPtr(), *length);
    uint64_t count = 0;
    if (!reader.ReadLengthCode64(count)) {
        FailMalformedReply();
        return QueryStatus::Failed;
    }
    while (count == kNullLength) {
        // The server asks for a local file, named by the text after the 0xFB byte.
        std::string file_name(reader.ReadZeroText());
        bool sent = SendLocalFile(file_name);
        length = channel_->ReadReply();
        if (!length || !sent) {
            return QueryStatus::Failed;
        }
        reader = PacketReader(channel_->ReadPtr(), *length);
        if (!reader.ReadLengthCode64(count)) {
            FailMalformedReply();
            return QueryStatus::Failed;
        }
    }
    if (count == 0) {
        OkReply ok;
        if (!DecodeOkPacket(channel_->ReadPtr(), *length,
                            (server_capabilities_ & kCapTransactions) != 0, ok)) {
            FailMalformedReply();
            return QueryStatus::Failed;
        }
        affected_rows_ = ok.affected_rows;
        insert_id_ = ok.insert_id;
        if (ok.has_status) {
            server_status_ = ok.status;
        }
        if (ok.has_info) {
            info_ = ok.info;
        }
        return QueryStatus::NoResultSet;
    }
    // No server returns more columns than this; a header announcing more is broken, and
    // taking it at its word would allocate gigabytes for columns that never come.
    constexpr uint64_t kMaxResultColumns = 65535;
    if (count > kMaxResultColumns) {
        FailMalformedReply();
        return QueryStatus::Failed;
    }
    if (!(server_status_ & kStatusAutocommit)) {
        server_status_ |= kStatusInTransaction;
    }
    uint64_t extra = 0;
    extra_info_ = reader.Remaining() > 0 && reader.ReadLengthCode64(extra) ? extra : 0;
    // The column descriptions come as rows of five texts each, up to their end marker; the
    // header's count bounds them, or a server could send descriptions without end.
    std::unique_ptr<RowList> descriptions = ReadRowList(nullptr, 5, count, kMaxFieldListBytes);
    if (!descriptions) {
        return QueryStatus::Failed;
    }
    if (!UnpackFieldList(descriptions, static_cast<int32_t>(count),
                         (server_capabilities_ & kCapLongFlags) != 0)) {
        return QueryStatus::Failed;
    }
    status_ = ClientStatus::ResultPending;
    field_count_ = static_cast<int32_t>(count);
    return QueryStatus::ResultSet;
}

bool Client::UnpackFieldList(std::unique_ptr<RowList>& rows, int32_t count, bool long_flags) {
    std::vector<Field> fields;
    try {
        // Columns the server did not describe stay zeroed.
        fields.resize(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        rows.reset();
        channel_->SetClientError(kErrOutOfMemory);
        return false;
    }
    // ReadRowList read no more rows than there are columns.
    std::size_t next = 0;
    for (const Row* row = rows->First(); row; row = row->next) {
        std::string_view texts[5];
        for (std::size_t i = 0; i < 5; ++i) {
            if (row->values[i]) {
                texts[i] = std::string_view(row->values[i], row->lengths[i]);
            }
        }
        FieldInfo info = FieldFromTexts(texts, long_flags);
        Field& field = fields[next++];
        field.table.assign(info.table);
        field.name.assign(info.name);
        field.length = info.length;
        field.type = info.type;
        field.flags = info.flags;
        field.decimals = info.decimals;
        field.max_length = 0;
    }
    rows.reset();
    fields_ = std::move(fields);
    return true;
}

std::unique_ptr<RowList> Client::ReadRowList(std::vector<Field>* fields, int32_t count,
                                             uint64_t max_rows, std::size_t max_bytes) {
    std::optional<std::size_t> length = channel_->ReadReply();
    if (!length) {
        return nullptr;
    }
    std::unique_ptr<RowList> list(new (std::nothrow) RowList(count));
    try {
        row_refs_.resize(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        list.reset();
    }
    if (!list) {
        channel_->SetClientError(kErrOutOfMemory);
        return nullptr;
    }
    for (;;) {
        const uint8_t* packet = channel_->ReadPtr();
        std::size_t size = *length;
        if (IsEndMarker(packet, size)) {
            break;
        }
        if (list->RowCount() >= max_rows ||
            !DecodeRow(packet, size, static_cast<std::size_t>(count), row_refs_.data())) {
            FailMalformedReply();
            return nullptr;
        }
        if (!list->Append(packet, row_refs_.data()) || list->Bytes() > max_bytes) {
            // No memory for the row, or more rows than the client keeps for one reply. The
            // rest of the rows are still on their way; the connection cannot be used for
            // another command, so it is closed.
            channel_->Close();
            channel_->SetClientError(kErrOutOfMemory);
            return nullptr;
        }
        if (fields) {
            for (int32_t i = 0; i < count; ++i) {
                Field& field = (*fields)[static_cast<std::size_t>(i)];
                if (field.max_length < row_refs_[static_cast<std::size_t>(i)].length) {
                    field.max_length = row_refs_[static_cast<std::size_t>(i)].length;
                }
            }
        }
        length = channel_->ReadReply();
        if (!length) {
            return nullptr;
        }
    }
    return list;
}

std::unique_ptr<ResultSet> Client::StoreResult() {
    if (field_count_ == 0) {
        return nullptr;
    }
    if (status_ != ClientStatus::ResultPending) {
        channel_->SetClientError(kErrCommandsOutOfSync);
        return nullptr;
    }
    std::unique_ptr<ResultSet> result(new (std::nothrow) ResultSet(this, true));
    if (!result) {
        channel_->SetClientError(kErrOutOfMemory);
        return nullptr;
    }
    std::unique_ptr<RowList> rows = ReadRowList(
        &fields_, field_count_, std::numeric_limits<uint64_t>::max(), max_buffered_bytes_);
    if (!rows) {
        // The reply ended (error packet or lost connection) before its end marker: nothing
        // of it is left to read, so the client must not stay waiting for rows.
        FreeFieldList();
        status_ = ClientStatus::Ready;
        return nullptr;
    }
    result->rows_ = std::move(rows);
    result->cursor_ = result->rows_->First();
    if (result->cursor_) {
        result->current_row_ = result->cursor_->values;
        result->at_end_ = false;
        result->row_index_ = 0;
    } else {
        result->current_row_ = nullptr;
        result->at_end_ = true;
    }
    result->fields_ = std::move(fields_);
    result->column_count_ = result->rows_->ColumnCount();
    result->row_count_ = result->rows_->RowCount();
    result->last_fetch_ = RowStatus::End;
    affected_rows_ = result->row_count_;
    FreeFieldList();
    status_ = ClientStatus::Ready;
    return result;
}

std::unique_ptr<ResultSet> Client::UseResult() {
    if (field_count_ == 0) {
        return nullptr;
    }
    if (status_ != ClientStatus::ResultPending) {
        channel_->SetClientError(kErrCommandsOutOfSync);
        return nullptr;
    }
    std::unique_ptr<ResultSet> result(new (std::nothrow) ResultSet(this, false));
    try {
        if (result) {
            result->lengths_.assign(static_cast<std::size_t>(field_count_), 0);
            result->row_buffer_.assign(static_cast<std::size_t>(field_count_), nullptr);
            row_refs_.resize(static_cast<std::size_t>(field_count_));
        }
    } catch (const std::bad_alloc&) {
        result.reset();
    }
    if (!result) {
        channel_->SetClientError(kErrOutOfMemory);
        return nullptr;
    }
    result->current_row_ = result->row_buffer_.data();
    result->fields_ = std::move(fields_);
    result->row_count_ = 0;
    result->column_count_ = field_count_;
    status_ = ClientStatus::UsingRows;
    active_result_ = result.get();
    result->FetchRow();
    FreeFieldList();
    return result;
}

RowStatus Client::ReadOneRow(ResultSet& result) {
    std::optional<std::size_t> length = channel_->ReadReply();
    if (!length) {
        return RowStatus::Failed;
    }
    const uint8_t* packet = channel_->ReadPtr();
    if (IsEndMarker(packet, *length)) {
        return RowStatus::End;
    }
    std::size_t count = static_cast<std::size_t>(result.column_count_);
    if (!DecodeRow(packet, *length, count, row_refs_.data())) {
        FailMalformedReply();
        return RowStatus::Failed;
    }
    // The texts go into one block that is reused from row to row.
    std::size_t text_bytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        text_bytes += row_refs_[i].length + 1;
    }
    if (result.row_text_.size() < text_bytes) {
        try {
            result.row_text_.resize(text_bytes);
        } catch (const std::bad_alloc&) {
            channel_->Close();
            channel_->SetClientError(kErrOutOfMemory);
            return RowStatus::Failed;
        }
    }
    char* text = result.row_text_.data();
    for (std::size_t i = 0; i < count; ++i) {
        uint32_t n = row_refs_[i].length;
        result.lengths_[i] = n;
        if (n == 0) {
            result.row_buffer_[i] = nullptr;
            continue;
        }
        std::memcpy(text, packet + row_refs_[i].offset, n);
        text[n] = '\0';
        result.row_buffer_[i] = text;
        text += n + 1;
    }
    return RowStatus::Read;
}

void Client::ResultFinished(ResultSet& result) {
    active_result_ = nullptr;
    status_ = ClientStatus::Ready;
    channel_->ShrinkBuffer();
    affected_rows_ = result.row_count_;
}

// --- ResultSet ---

ResultSet::ResultSet(Client* client, bool buffered) : client_(client), buffered_(buffered) {}

ResultSet::~ResultSet() {
    // Only the unbuffered result that is reading rows has rows of its own left on the
    // connection; any other result leaves the client alone.
    if (buffered_ || !client_ || client_->active_result_ != this) {
        return;
    }
    client_->active_result_ = nullptr;
    if (client_->status_ == ClientStatus::UsingRows) {
        for (;;) {
            std::optional<std::size_t> length = client_->channel_->ReadReply();
            if (!length || IsEndMarker(client_->channel_->ReadPtr(), *length)) {
                break;
            }
        }
        client_->ResultFinished(*this);
    }
}

const char* ResultSet::ColumnText(int i) const {
    if (i < 0 || i >= column_count_) {
        return nullptr;
    }
    if (!buffered_) {
        return row_buffer_[static_cast<std::size_t>(i)];
    }
    return current_row_ ? current_row_[i] : nullptr;
}

uint32_t ResultSet::ColumnLength(int i) const {
    if (i < 0 || i >= column_count_) {
        return 0;
    }
    if (!buffered_) {
        return lengths_[static_cast<std::size_t>(i)];
    }
    // The stored length, not strlen: a value may hold zero bytes of its own.
    return cursor_ ? cursor_->lengths[i] : 0;
}

void ResultSet::FetchRow() {
    if (buffered_) {
        if (cursor_ && cursor_->next) {
            cursor_ = cursor_->next;
            current_row_ = cursor_->values;
            at_end_ = false;
            ++row_index_;
        } else {
            at_end_ = true;
        }
        return;
    }
    at_end_ = false;
    if (!client_) {
        // Detached before its end marker came: the rows that were not read are lost.
        if (last_fetch_ == RowStatus::Read) {
            last_fetch_ = RowStatus::Failed;
        }
        at_end_ = true;
        return;
    }
    last_fetch_ = client_->ReadOneRow(*this);
    if (last_fetch_ == RowStatus::Read) {
        row_index_ = static_cast<int32_t>(static_cast<uint32_t>(row_count_));
        ++row_count_;
        return;
    }
    at_end_ = true;
    client_->ResultFinished(*this);
    client_ = nullptr;
}

}  // namespace varnimo::mysql
