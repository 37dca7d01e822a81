#include "mysql/mysql_result.h"

#include <cstring>
#include <limits>
#include <new>

#include "mysql/mysql_client.h"
#include "mysql/mysql_errors.h"
#include "mysql/mysql_protocol.h"

namespace varnimo::mysql {

// --- TMysqlRowList ---

TMysqlRowList::~TMysqlRowList() {
    // Freed one by one: a recursive chain would overflow the stack on a long result.
    TMysqlRow* row = First;
    while (row) {
        TMysqlRow* next = row->Next;
        delete row;
        row = next;
    }
}

TMysqlRow* TMysqlRowList::Append(const uint8_t* packet, const TValueRef* values) {
    std::size_t count = static_cast<std::size_t>(ColumnCount);
    std::size_t textBytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (values[i].Length != 0) {
            textBytes += values[i].Length + 1;
        }
    }
    // One block per row: the pointer array, the length array, then the zero-terminated texts.
    std::size_t pointerBytes = count * sizeof(char*);
    std::size_t lengthBytes = count * sizeof(uint32_t);
    std::size_t blockBytes = pointerBytes + lengthBytes + textBytes;
    std::unique_ptr<char[]> storage(new (std::nothrow) char[blockBytes]);
    std::unique_ptr<TMysqlRow> row(new (std::nothrow) TMysqlRow);
    if (!row || (!storage && blockBytes > 0)) {
        return nullptr;
    }
    char** pointers = reinterpret_cast<char**>(storage.get());
    uint32_t* lengths = reinterpret_cast<uint32_t*>(storage.get() + pointerBytes);
    char* text = storage.get() + pointerBytes + lengthBytes;
    for (std::size_t i = 0; i < count; ++i) {
        lengths[i] = values[i].Length;
        if (values[i].Length == 0) {
            pointers[i] = nullptr;
            continue;
        }
        std::memcpy(text, packet + values[i].Offset, values[i].Length);
        text[values[i].Length] = '\0';
        pointers[i] = text;
        text += values[i].Length + 1;
    }
    row->Values = pointers;
    row->Lengths = lengths;
    row->Storage = std::move(storage);
    row->Previous = Last;
    TMysqlRow* added = row.release();
    if (Last) {
        Last->Next = added;
    } else {
        First = added;
    }
    Last = added;
    ++RowCount;
    // Each of the two blocks costs the allocator its own header and rounding as well; with
    // short rows that is a good part of what they take.
    constexpr std::size_t kAllocationOverhead = 16;
    Bytes += sizeof(TMysqlRow) + blockBytes + 2 * kAllocationOverhead;
    return added;
}

// --- reading a query's reply (client side) ---

int TMysqlClient::ReadQueryResult() {
    long length = Net_->ReadReply();
    if (length < 0) {
        return -1;
    }
    FreeFieldList();
    TPacketReader reader(Net_->ReadPtr(), static_cast<std::size_t>(length));
    uint64_t count = 0;
    if (!reader.ReadLengthCode64(count)) {
        FailMalformedReply();
        return -1;
    }
    while (count == kNullLength) {
        // The server asks for a local file, named by the text after the 0xFB byte.
        std::string fileName(reader.ReadZeroText());
        int sent = SendLocalFile(fileName);
        length = Net_->ReadReply();
        if (length < 0 || sent == -1) {
            return -1;
        }
        reader = TPacketReader(Net_->ReadPtr(), static_cast<std::size_t>(length));
        if (!reader.ReadLengthCode64(count)) {
            FailMalformedReply();
            return -1;
        }
    }
    if (count == 0) {
        TOkPacket ok;
        if (!DecodeOkPacket(Net_->ReadPtr(), static_cast<std::size_t>(length),
                            (ServerCapabilities_ & kCapTransactions) != 0, ok)) {
            FailMalformedReply();
            return -1;
        }
        AffectedRows_ = ok.AffectedRows;
        InsertId_ = ok.InsertId;
        if (ok.HasStatus) {
            ServerStatus_ = ok.Status;
        }
        if (ok.HasInfo) {
            Info_ = ok.Info;
        }
        return 0;
    }
    // No server returns more columns than this; a header announcing more is broken, and
    // taking it at its word would allocate gigabytes for columns that never come.
    constexpr uint64_t kMaxResultColumns = 65535;
    if (count > kMaxResultColumns) {
        FailMalformedReply();
        return -1;
    }
    if (!(ServerStatus_ & kStatusAutocommit)) {
        ServerStatus_ |= kStatusInTransaction;
    }
    uint64_t extra = 0;
    ExtraInfo_ = reader.Remaining() > 0 && reader.ReadLengthCode64(extra) ? extra : 0;
    // The column descriptions come as rows of five texts each, up to their end marker; the
    // header's count bounds them, or a server could send descriptions without end.
    bool failed = false;
    std::unique_ptr<TMysqlRowList> descriptions =
        ReadRowList(nullptr, 5, count, kMaxFieldListBytes, failed);
    if (!descriptions) {
        return -1;
    }
    if (!UnpackFieldList(descriptions, static_cast<int32_t>(count),
                         (ServerCapabilities_ & kCapLongFlags) != 0)) {
        return -1;
    }
    Status_ = TClientStatus::ResultPending;
    FieldCount_ = static_cast<int32_t>(count);
    return 0;
}

bool TMysqlClient::UnpackFieldList(std::unique_ptr<TMysqlRowList>& rows, int32_t count,
                                   bool longFlags) {
    std::vector<TMysqlField> fields;
    try {
        // Columns the server did not describe stay zeroed.
        fields.resize(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        FreeRowList(rows);
        Net_->SetClientError(kErrOutOfMemory);
        return false;
    }
    // ReadRowList read no more rows than there are columns.
    std::size_t next = 0;
    for (const TMysqlRow* row = rows->First; row; row = row->Next) {
        std::string_view texts[5];
        for (std::size_t i = 0; i < 5; ++i) {
            if (row->Values[i]) {
                texts[i] = std::string_view(row->Values[i], row->Lengths[i]);
            }
        }
        TFieldInfo info = FieldFromTexts(texts, longFlags);
        TMysqlField& field = fields[next++];
        field.Table.assign(info.Table);
        field.Name.assign(info.Name);
        field.Length = info.Length;
        field.Type = info.Type;
        field.Flags = info.Flags;
        field.Decimals = info.Decimals;
        field.MaxLength = 0;
    }
    FreeRowList(rows);
    Fields_ = std::move(fields);
    return true;
}

void TMysqlClient::FreeRowList(std::unique_ptr<TMysqlRowList>& rows) {
    rows.reset();
}

std::unique_ptr<TMysqlRowList> TMysqlClient::ReadRowList(std::vector<TMysqlField>* fields,
                                                         int32_t count, uint64_t maxRows,
                                                         std::size_t maxBytes, bool& failed) {
    failed = true;
    long length = Net_->ReadReply();
    if (length < 0) {
        return nullptr;
    }
    std::unique_ptr<TMysqlRowList> list(new (std::nothrow) TMysqlRowList(count));
    try {
        RowRefs_.resize(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        list.reset();
    }
    if (!list) {
        Net_->SetClientError(kErrOutOfMemory);
        return nullptr;
    }
    for (;;) {
        const uint8_t* packet = Net_->ReadPtr();
        std::size_t size = static_cast<std::size_t>(length);
        if (IsEndMarker(packet, size)) {
            break;
        }
        if (list->RowCount >= maxRows ||
            !DecodeRow(packet, size, static_cast<std::size_t>(count), RowRefs_.data())) {
            FailMalformedReply();
            return nullptr;
        }
        if (!list->Append(packet, RowRefs_.data()) || list->Bytes > maxBytes) {
            // No memory for the row, or more rows than the client keeps for one reply. The
            // rest of the rows are still on their way; the connection cannot be used for
            // another command, so it is closed.
            Net_->Close();
            Net_->SetClientError(kErrOutOfMemory);
            return nullptr;
        }
        if (fields) {
            for (int32_t i = 0; i < count; ++i) {
                TMysqlField& field = (*fields)[static_cast<std::size_t>(i)];
                if (field.MaxLength < RowRefs_[static_cast<std::size_t>(i)].Length) {
                    field.MaxLength = RowRefs_[static_cast<std::size_t>(i)].Length;
                }
            }
        }
        length = Net_->ReadReply();
        if (length < 0) {
            return nullptr;
        }
    }
    failed = false;
    return list;
}

std::unique_ptr<TMysqlResult> TMysqlClient::StoreResult() {
    if (FieldCount_ == 0) {
        return nullptr;
    }
    if (Status_ != TClientStatus::ResultPending) {
        Net_->SetClientError(kErrCommandsOutOfSync);
        return nullptr;
    }
    std::unique_ptr<TMysqlResult> result(new (std::nothrow) TMysqlResult(this, true));
    if (!result) {
        Net_->SetClientError(kErrOutOfMemory);
        return nullptr;
    }
    bool failed = false;
    std::unique_ptr<TMysqlRowList> rows = ReadRowList(
        &Fields_, FieldCount_, std::numeric_limits<uint64_t>::max(), MaxBufferedBytes, failed);
    if (!rows) {
        // The reply ended (error packet or lost connection) before its end marker: nothing
        // of it is left to read, so the client must not stay waiting for rows.
        FreeFieldList();
        Status_ = TClientStatus::Ready;
        return nullptr;
    }
    result->Rows_ = std::move(rows);
    result->Cursor_ = result->Rows_->First;
    if (result->Cursor_) {
        result->CurrentRow_ = result->Cursor_->Values;
        result->Eof = false;
        result->RowIndex = 0;
    } else {
        result->CurrentRow_ = nullptr;
        result->Eof = true;
    }
    result->Fields = std::move(Fields_);
    result->ColumnCount = result->Rows_->ColumnCount;
    result->RowCount = result->Rows_->RowCount;
    result->FetchState = 1;
    AffectedRows_ = result->RowCount;
    FreeFieldList();
    Status_ = TClientStatus::Ready;
    return result;
}

std::unique_ptr<TMysqlResult> TMysqlClient::UseResult() {
    if (FieldCount_ == 0) {
        return nullptr;
    }
    if (Status_ != TClientStatus::ResultPending) {
        Net_->SetClientError(kErrCommandsOutOfSync);
        return nullptr;
    }
    std::unique_ptr<TMysqlResult> result(new (std::nothrow) TMysqlResult(this, false));
    try {
        if (result) {
            result->Lengths_.assign(static_cast<std::size_t>(FieldCount_), 0);
            result->RowBuffer_.assign(static_cast<std::size_t>(FieldCount_), nullptr);
            RowRefs_.resize(static_cast<std::size_t>(FieldCount_));
        }
    } catch (const std::bad_alloc&) {
        result.reset();
    }
    if (!result) {
        Net_->SetClientError(kErrOutOfMemory);
        return nullptr;
    }
    result->CurrentRow_ = result->RowBuffer_.data();
    result->Fields = std::move(Fields_);
    result->RowCount = 0;
    result->ColumnCount = FieldCount_;
    Status_ = TClientStatus::UsingRows;
    ActiveResult_ = result.get();
    result->FetchRow();
    FreeFieldList();
    return result;
}

int TMysqlClient::ReadOneRow(TMysqlResult& result) {
    long length = Net_->ReadReply();
    if (length < 0) {
        return -1;
    }
    const uint8_t* packet = Net_->ReadPtr();
    std::size_t size = static_cast<std::size_t>(length);
    if (IsEndMarker(packet, size)) {
        return 1;
    }
    std::size_t count = static_cast<std::size_t>(result.ColumnCount);
    if (!DecodeRow(packet, size, count, RowRefs_.data())) {
        FailMalformedReply();
        return -1;
    }
    // The texts go into one block that is reused from row to row.
    std::size_t textBytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        textBytes += RowRefs_[i].Length + 1;
    }
    if (result.RowText_.size() < textBytes) {
        try {
            result.RowText_.resize(textBytes);
        } catch (const std::bad_alloc&) {
            Net_->Close();
            Net_->SetClientError(kErrOutOfMemory);
            return -1;
        }
    }
    char* text = result.RowText_.data();
    for (std::size_t i = 0; i < count; ++i) {
        uint32_t n = RowRefs_[i].Length;
        result.Lengths_[i] = n;
        if (n == 0) {
            result.RowBuffer_[i] = nullptr;
            continue;
        }
        std::memcpy(text, packet + RowRefs_[i].Offset, n);
        text[n] = '\0';
        result.RowBuffer_[i] = text;
        text += n + 1;
    }
    return 0;
}

void TMysqlClient::ResultFinished(TMysqlResult& result) {
    ActiveResult_ = nullptr;
    Status_ = TClientStatus::Ready;
    Net_->ShrinkBuffer();
    AffectedRows_ = result.RowCount;
}

// --- TMysqlResult ---

TMysqlResult::TMysqlResult(TMysqlClient* client, bool buffered)
    : Buffered(buffered), Client_(client) {}

TMysqlResult::~TMysqlResult() {
    // Only the unbuffered result that is reading rows has rows of its own left on the
    // connection; any other result leaves the client alone.
    if (Buffered || !Client_ || Client_->ActiveResult_ != this) {
        return;
    }
    Client_->ActiveResult_ = nullptr;
    if (Client_->Status_ == TClientStatus::UsingRows) {
        for (;;) {
            long length = Client_->Net_->ReadReply();
            if (length < 0 ||
                IsEndMarker(Client_->Net_->ReadPtr(), static_cast<std::size_t>(length))) {
                break;
            }
        }
        Client_->ResultFinished(*this);
    }
}

const char* TMysqlResult::ColumnText(int i) const {
    if (i < 0 || i >= ColumnCount) {
        return nullptr;
    }
    if (!Buffered) {
        return RowBuffer_[static_cast<std::size_t>(i)];
    }
    return CurrentRow_ ? CurrentRow_[i] : nullptr;
}

uint32_t TMysqlResult::ColumnLength(int i) const {
    if (i < 0 || i >= ColumnCount) {
        return 0;
    }
    if (!Buffered) {
        return Lengths_[static_cast<std::size_t>(i)];
    }
    // The stored length, not strlen: a value may hold zero bytes of its own.
    return Cursor_ ? Cursor_->Lengths[i] : 0;
}

void TMysqlResult::FetchRow() {
    if (Buffered) {
        if (Cursor_ && Cursor_->Next) {
            Cursor_ = Cursor_->Next;
            CurrentRow_ = Cursor_->Values;
            Eof = false;
            ++RowIndex;
        } else {
            Eof = true;
        }
        return;
    }
    Eof = false;
    if (!Client_) {
        if (FetchState == 0) {
            FetchState = -1;
        }
        Eof = true;
        return;
    }
    FetchState = Client_->ReadOneRow(*this);
    if (FetchState == 0) {
        RowIndex = static_cast<int32_t>(static_cast<uint32_t>(RowCount));
        ++RowCount;
        return;
    }
    Eof = true;
    Client_->ResultFinished(*this);
    Client_ = nullptr;
}

}  // namespace varnimo::mysql
