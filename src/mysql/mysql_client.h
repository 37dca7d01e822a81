#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mysql/mysql_net.h"
#include "mysql/mysql_result.h"

namespace varnimo::mysql {

enum class TClientStatus : uint8_t {
    Ready = 0,
    ResultPending = 1,  // a result-set header and its fields were read, the rows not yet
    UsingRows = 2,      // an unbuffered result is reading rows
};

// One client connection: settings, handshake and login, commands, and the reading of query
// replies. Failures never throw: an operation returns false, -1 or no object and leaves its
// code and text in Net().LastErrorCode() / Net().LastErrorText().
class TMysqlClient {
  public:
    TMysqlClient();
    virtual ~TMysqlClient();
    TMysqlClient(const TMysqlClient&) = delete;
    TMysqlClient& operator=(const TMysqlClient&) = delete;

    // Settings.
    int32_t Port = 3306;
    bool Reconnect = true;
    bool UseNamedPipe = false;
    bool PipeFallback = false;
    int32_t ConnectTimeout = 30;
    bool UseCompression = true;
    uint32_t ClientFlags = kDefaultClientFlags;
    std::string PipeName;
    // A server may ask for any file on this machine during a query; that is refused unless
    // the user allowed it here.
    bool AllowLocalFiles = false;
    // The most memory the rows of one buffered result may take; a server that sends more makes
    // the query fail with 2008 (the connection is closed), as if memory had run out. A
    // server could otherwise send rows until it has.
    std::size_t MaxBufferedBytes = kDefaultMaxBufferedBytes;

    // One moment by which every wait for the server ends, on top of ConnectTimeout for each
    // wait: connecting (and reconnecting), logging in, commands and reading results alike.
    // A wait cut short by it fails as a wait that ran out does (2003 while connecting, 2013
    // after). For a caller that must bound a whole exchange; none is set by default.
    void SetDeadline(std::chrono::steady_clock::time_point deadline) {
        Net_->Vio().SetDeadline(deadline);
    }

    void SetServerHost(const std::string& host);
    void SetUserName(const std::string& user);
    void SetUserPassword(const std::string& password);
    void SetDatabaseName(const std::string& database);
    const std::string& Host() const { return Host_; }
    const std::string& User() const { return User_; }
    const std::string& Password() const { return Password_; }
    const std::string& Database() const { return Database_; }

    bool OpenConnection();
    bool ConnectTo(const std::string& host, const std::string& user, const std::string& password,
                   const std::string& database, int32_t port, const std::string& pipeName,
                   bool pipeFallback, uint32_t clientFlags);
    bool IsConnectionOpen() const;
    void CloseConnection();

    // Sends a query and reads its reply. No result and `completed` true: the statement gave
    // no result set (or the result could not be built; the error state tells).
    std::unique_ptr<TMysqlResult> RunQuery(std::string_view query, bool storeAll, bool& completed);
    bool Ping();
    bool SelectDatabase(const std::string& name);

    int SendCommand(uint8_t command, const uint8_t* argument, std::size_t length, bool skipCheck,
                    bool retry);
    bool TryReconnect();
    int SendLocalFile(const std::string& fileName) noexcept;

    // Reading of query replies (used by RunQuery and the results).
    int ReadQueryResult();
    std::unique_ptr<TMysqlResult> StoreResult();
    std::unique_ptr<TMysqlResult> UseResult();
    // 0 a row, 1 end marker, -1 failure.
    int ReadOneRow(TMysqlResult& result);
    void FreeFieldList();

    TMysqlNet& Net() { return *Net_; }
    const TMysqlNet& Net() const { return *Net_; }

    // Connection state.
    TClientStatus Status() const { return Status_; }
    const std::string& ScrambleSeed() const { return ScrambleSeed_; }
    uint32_t ThreadId() const { return ThreadId_; }
    uint64_t AffectedRows() const { return AffectedRows_; }
    uint64_t InsertId() const { return InsertId_; }
    const std::string& ServerVersion() const { return ServerVersion_; }
    uint32_t ServerCapabilities() const { return ServerCapabilities_; }
    uint32_t ServerStatus() const { return ServerStatus_; }
    uint32_t ServerLanguage() const { return ServerLanguage_; }
    uint64_t ExtraInfo() const { return ExtraInfo_; }
    const std::string& Info() const { return Info_; }
    int32_t FieldCount() const { return FieldCount_; }
    const std::vector<TMysqlField>& Fields() const { return Fields_; }
    TMysqlResult* ActiveResult() const { return ActiveResult_; }

  private:
    int SendLocalFileBlocks(const std::string& fileName);
    friend class TMysqlResult;

    bool Login();
    bool AnswerAuthRequest(long length);
    // A reply that broke the protocol's rules: the connection cannot go on.
    void FailMalformedReply();
    // Reads row packets up to their end marker; `fields` (when given) get their MaxLength.
    // Where row `maxRows` + 1 would begin only the end marker may stand: anything else breaks
    // the reply (2013). Rows that take more than `maxBytes` of memory together are not kept
    // (2008, the connection is closed). Either way the rest of the reply is left unread.
    std::unique_ptr<TMysqlRowList> ReadRowList(std::vector<TMysqlField>* fields, int32_t count,
                                               uint64_t maxRows, std::size_t maxBytes,
                                               bool& failed);
    // Turns the rows of five texts that describe the columns into Fields_ (count records, the
    // undescribed ones zeroed) and frees the rows. False, with the error state set, when
    // memory is short.
    bool UnpackFieldList(std::unique_ptr<TMysqlRowList>& rows, int32_t count, bool longFlags);
    static void FreeRowList(std::unique_ptr<TMysqlRowList>& rows);
    void ResultFinished(TMysqlResult& result);

    std::unique_ptr<TMysqlNet> Net_;
    std::string Host_;
    std::string User_;
    std::string Password_;
    std::string Database_;
    std::string ScrambleSeed_;
    uint32_t ThreadId_ = 0;
    uint64_t AffectedRows_ = 0;
    uint64_t InsertId_ = 0;
    TClientStatus Status_ = TClientStatus::Ready;
    std::string ServerVersion_;
    uint32_t ServerCapabilities_ = 0;
    uint32_t ServerStatus_ = kStatusAutocommit;
    uint32_t ServerLanguage_ = 0;
    uint64_t ExtraInfo_ = 0;
    std::string Info_;
    int32_t FieldCount_ = 0;
    std::vector<TMysqlField> Fields_;
    TMysqlResult* ActiveResult_ = nullptr;
    // Set while ConnectTo runs, so that a failure inside the login cannot start another
    // reconnect from within itself.
    bool Connecting_ = false;
    std::vector<TValueRef> RowRefs_;
};

}  // namespace varnimo::mysql
