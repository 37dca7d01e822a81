#pragma once
// One connection of the MySQL client: settings, handshake and login, commands, and the reading
// of query replies.
//
// How the client reports failure. It never throws: every operation returns its outcome. One
// with two outcomes returns bool (true: done); one with more returns a named enum
// (ConnectStatus, SendStatus, QueryStatus, RowStatus); one that yields something returns it
// in a small result type (QueryReply, or a std::optional packet length in the layers below).
// Why an operation failed is the connection's error state: a numeric code and a text, read
// with LastErrorCode() and LastErrorText(). Codes 2000 to 2020 are the client's own (named in
// errors.h), other codes come from the server's error packets; 0 is no error. The state stays
// until the next command clears it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mysql/packet_channel.h"
#include "mysql/result_set.h"

namespace varnimo::mysql {

// Where the client is in reading a reply.
enum class ClientStatus : uint8_t {
    Ready,
    ResultPending,  // a result-set header and its fields were read, the rows not yet
    UsingRows,      // an unbuffered result is reading rows
};

// What a query came to.
enum class QueryStatus : uint8_t {
    ResultSet,    // the reply announced rows: the result reads them
    NoResultSet,  // the statement succeeded without rows (an OK reply)
    ResultLost,   // the reply announced rows, but the result could not be built
    Failed,       // no reply was read: no connection, the command failed, or the server refused
};

struct QueryReply {
    QueryStatus status = QueryStatus::Failed;
    std::unique_ptr<ResultSet> result;  // with QueryStatus::ResultSet only
};

class Client {
  public:
    Client();
    virtual ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // --- Settings ---------------------------------------------------------------------------
    int32_t Port() const { return port_; }
    void SetPort(int32_t port) { port_ = port; }
    // A command that finds the connection gone opens it again (never inside a transaction).
    bool AutoReconnect() const { return auto_reconnect_; }
    void SetAutoReconnect(bool on) { auto_reconnect_ = on; }
    // The named pipe first (where the platform has one); after a TCP/IP fallback it is false.
    bool UsesNamedPipe() const { return use_named_pipe_; }
    void SetUseNamedPipe(bool on) { use_named_pipe_ = on; }
    // Whether a failed named pipe may fall back to TCP/IP.
    bool PipeFallback() const { return pipe_fallback_; }
    void SetPipeFallback(bool on) { pipe_fallback_ = on; }
    // Seconds each wait may take; 0 gives the transport's 30.
    int32_t ConnectTimeout() const { return connect_timeout_; }
    void SetConnectTimeout(int32_t seconds) { connect_timeout_ = seconds; }
    // Ask for the compressed format when the server offers it.
    bool UsesCompression() const { return use_compression_; }
    void SetUseCompression(bool on) { use_compression_ = on; }
    // Capability flags sent at login; the login adds its own to them.
    uint32_t ClientFlags() const { return client_flags_; }
    void SetClientFlags(uint32_t flags) { client_flags_ = flags; }
    const std::string& PipeName() const { return pipe_name_; }
    void SetPipeName(const std::string& name) { pipe_name_ = name; }
    // A server may ask for any file on this machine during a query; that is refused unless
    // the user allowed it here.
    bool LocalFilesAllowed() const { return allow_local_files_; }
    void SetAllowLocalFiles(bool on) { allow_local_files_ = on; }
    // The most memory the rows of one buffered result may take; a server that sends more makes
    // the query fail with 2008 (the connection is closed), as if memory had run out. A
    // server could otherwise send rows until it has.
    std::size_t MaxBufferedBytes() const { return max_buffered_bytes_; }
    void SetMaxBufferedBytes(std::size_t bytes) { max_buffered_bytes_ = bytes; }

    // One moment by which every wait for the server ends, on top of ConnectTimeout for each
    // wait: connecting (and reconnecting), logging in, commands and reading results alike.
    // A wait cut short by it fails as a wait that ran out does (2003 while connecting, 2013
    // after). For a caller that must bound a whole exchange; none is set by default.
    void SetDeadline(std::chrono::steady_clock::time_point deadline) {
        channel_->TransportLayer().SetDeadline(deadline);
    }

    // A changed host, user or password closes an open connection (without the quit command);
    // a database is selected at once on an open one.
    void SetServerHost(const std::string& host);
    void SetUserName(const std::string& user);
    void SetUserPassword(const std::string& password);
    void SetDatabaseName(const std::string& database);
    const std::string& Host() const { return host_; }
    const std::string& User() const { return user_; }
    const std::string& Password() const { return password_; }
    const std::string& Database() const { return database_; }

    // --- Connection and commands -------------------------------------------------------------
    // Connects and logs in with the settings; true when open (at once when it was already).
    // False with no error code when no host was ever given.
    bool OpenConnection();
    // As OpenConnection, after storing the arguments as the settings.
    bool ConnectTo(const std::string& host, const std::string& user, const std::string& password,
                   const std::string& database, int32_t port, const std::string& pipe_name,
                   bool pipe_fallback, uint32_t client_flags);
    bool IsConnectionOpen() const;
    // Sends the quit command and closes; an unbuffered result is detached without reading.
    void CloseConnection();

    // Sends a query and reads its reply: the whole result (`store_all`) or its first row.
    QueryReply RunQuery(std::string_view query, bool store_all);
    bool Ping();
    bool SelectDatabase(const std::string& name);

    // --- State ------------------------------------------------------------------------------
    int32_t LastErrorCode() const { return channel_->LastErrorCode(); }
    std::string LastErrorText() const { return channel_->LastErrorText(); }
    PacketChannel& Channel() { return *channel_; }
    const PacketChannel& Channel() const { return *channel_; }
    ClientStatus Status() const { return status_; }
    const std::string& ScrambleSeed() const { return scramble_seed_; }
    uint32_t ThreadId() const { return thread_id_; }
    uint64_t AffectedRows() const { return affected_rows_; }
    uint64_t InsertId() const { return insert_id_; }
    const std::string& ServerVersion() const { return server_version_; }
    uint32_t ServerCapabilities() const { return server_capabilities_; }
    uint32_t ServerStatus() const { return server_status_; }
    uint32_t ServerLanguage() const { return server_language_; }
    uint64_t ExtraInfo() const { return extra_info_; }
    const std::string& Info() const { return info_; }
    // The column descriptions of a reply whose rows are not read yet.
    int32_t FieldCount() const { return field_count_; }
    const std::vector<Field>& Fields() const { return fields_; }
    ResultSet* ActiveResult() const { return active_result_; }

  private:
    friend class ResultSet;

    bool Login();
    bool AnswerAuthRequest(std::size_t length);
    // A reply that broke the protocol's rules: the connection cannot go on.
    void FailMalformedReply();
    bool TryReconnect();
    // Sends one command and, unless `skip_check`, reads its first reply packet; `retry` sends
    // it once more after a failed reply (a lost connection reconnects first).
    bool SendCommand(uint8_t command, const uint8_t* argument, std::size_t length, bool skip_check,
                     bool retry);
    // The file the server asked for, as packets ended by the empty one; the empty packet goes
    // whatever happens, since the server waits for it.
    bool SendLocalFile(const std::string& file_name) noexcept;
    bool SendLocalFileBlocks(const std::string& file_name);

    // Reads a query's reply up to its rows: ResultSet (the column descriptions are pending),
    // NoResultSet (an OK reply) or Failed.
    QueryStatus ReadQueryResult();
    std::unique_ptr<ResultSet> StoreResult();
    std::unique_ptr<ResultSet> UseResult();
    RowStatus ReadOneRow(ResultSet& result);
    void FreeFieldList();
    // Reads row packets up to their end marker; `fields` (when given) get their max_length.
    // Where row `max_rows` + 1 would begin only the end marker may stand: anything else breaks
    // the reply (2013). Rows that take more than `max_bytes` of memory together are not kept
    // (2008, the connection is closed). Either way the rest of the reply is left unread and
    // there is no list.
    std::unique_ptr<RowList> ReadRowList(std::vector<Field>* fields, int32_t count,
                                         uint64_t max_rows, std::size_t max_bytes);
    // Turns the rows of five texts that describe the columns into fields_ (count records, the
    // undescribed ones zeroed) and frees the rows. False, with the error state set, when
    // memory is short.
    bool UnpackFieldList(std::unique_ptr<RowList>& rows, int32_t count, bool long_flags);
    void ResultFinished(ResultSet& result);

    std::unique_ptr<PacketChannel> channel_;
    int32_t port_ = 3306;
    bool auto_reconnect_ = true;
    bool use_named_pipe_ = false;
    bool pipe_fallback_ = false;
    int32_t connect_timeout_ = 30;
    bool use_compression_ = true;
    uint32_t client_flags_ = kDefaultClientFlags;
    std::string pipe_name_;
    bool allow_local_files_ = false;
    std::size_t max_buffered_bytes_ = kDefaultMaxBufferedBytes;
    std::string host_;
    std::string user_;
    std::string password_;
    std::string database_;
    std::string scramble_seed_;
    uint32_t thread_id_ = 0;
    uint64_t affected_rows_ = 0;
    uint64_t insert_id_ = 0;
    ClientStatus status_ = ClientStatus::Ready;
    std::string server_version_;
    uint32_t server_capabilities_ = 0;
    uint32_t server_status_ = kStatusAutocommit;
    uint32_t server_language_ = 0;
    uint64_t extra_info_ = 0;
    std::string info_;
    int32_t field_count_ = 0;
    std::vector<Field> fields_;
    ResultSet* active_result_ = nullptr;
    // Set while ConnectTo runs, so that a failure inside the login cannot start another
    // reconnect from within itself.
    bool connecting_ = false;
    std::vector<ValueRef> row_refs_;
};

}  // namespace varnimo::mysql
