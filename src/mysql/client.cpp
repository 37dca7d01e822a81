#include "mysql/client.h"

#include <cerrno>
#include <cstdio>
#include <limits>
#include <new>

#include "mysql/errors.h"
#include "mysql/protocol.h"

namespace varnimo::mysql {

namespace {

constexpr std::size_t kLocalFileBlock = 61440;

const uint8_t* Bytes(const std::string& text) {
    return reinterpret_cast<const uint8_t*>(text.data());
}

// A message with a file or method name and a number, cut to what the error state keeps.
std::string FormatText(const char* format, const std::string& name, int number) {
    char text[kMaxErrorText + 1];
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-extra-args"
#endif
    std::snprintf(text, sizeof text, format, name.c_str(), number);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return text;
}

// Restores a flag when the scope ends, whichever way it ends.
class FlagGuard {
  public:
    explicit FlagGuard(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = old_; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

  private:
    bool& flag_;
    bool old_;
};

}  // namespace

Client::Client() : channel_(std::make_unique<PacketChannel>()) {}

Client::~Client() {
    CloseConnection();
}

void Client::SetServerHost(const std::string& host) {
    if (host != host_ && IsConnectionOpen()) {
        channel_->Close();
    }
    host_ = host;
}

void Client::SetUserName(const std::string& user) {
    if (user != user_ && IsConnectionOpen()) {
        channel_->Close();
    }
    user_ = user;
}

void Client::SetUserPassword(const std::string& password) {
    if (password != password_ && IsConnectionOpen()) {
        channel_->Close();
    }
    password_ = password;
}

void Client::SetDatabaseName(const std::string& database) {
    database_ = database;
    if (IsConnectionOpen()) {
        SelectDatabase(database);
    }
}

bool Client::IsConnectionOpen() const {
    return channel_->IsOpen();
}

bool Client::OpenConnection() {
    return ConnectTo(host_, user_, password_, database_, port_, pipe_name_, pipe_fallback_,
                     client_flags_);
}

bool Client::ConnectTo(const std::string& host, const std::string& user,
                       const std::string& password, const std::string& database, int32_t port,
                       const std::string& pipe_name, bool pipe_fallback, uint32_t client_flags) {
    if (IsConnectionOpen()) {
        return true;
    }
    if (host.empty() && host_.empty()) {
        return false;
    }
    FlagGuard connecting(connecting_);
    // Copies first: the arguments are often this client's own fields.
    std::string new_host = host;
    std::string new_user = user;
    std::string new_password = password;
    std::string new_database = database;
    std::string new_pipe = pipe_name;
    if (!new_host.empty()) {
        host_ = new_host;
    }
    user_ = new_user;
    password_ = new_password;
    database_ = new_database;
    port_ = port;
    pipe_name_ = new_pipe;
    client_flags_ = client_flags;
    pipe_fallback_ = pipe_fallback;

    // Success is judged by what is open afterwards; the error state tells what failed.
    if (use_named_pipe_) {
        channel_->Open(TransportKind::NamedPipe, host_, pipe_name_, port_, connect_timeout_,
                       pipe_fallback_);
        TransportKind kind = channel_->ConnectionKind();
        if (kind == TransportKind::NamedPipe) {
            host_ = ".";
            pipe_name_ = "MySQL";
        } else if (kind == TransportKind::TcpIp) {
            use_named_pipe_ = false;
            pipe_name_.clear();
        }
    } else {
        channel_->Open(TransportKind::TcpIp, host_, pipe_name_, port_, connect_timeout_, true);
        pipe_name_.clear();
    }
    if (!IsConnectionOpen()) {
        return false;
    }

    std::optional<std::size_t> length = channel_->ReadReply();
    if (!length) {
        channel_->Close();
        return false;
    }
    const uint8_t* packet = channel_->ReadPtr();
    uint8_t version = packet[0];
    channel_->SetProtocolVersion(version);
    if (version != kProtocolVersion && version != kOldProtocolVersion) {
        channel_->SetLastErrorCode(kErrVersion);
        channel_->SetLastErrorText(
            FormatClientError(kErrVersion, int{version}, int{kProtocolVersion}));
        channel_->Close();
        return false;
    }
    ServerGreeting greeting;
    if (!ParseGreeting(packet, *length, greeting)) {
        channel_->SetClientError(kErrServerHandshake);
        channel_->Close();
        return false;
    }
    server_version_ = greeting.server_version;
    thread_id_ = greeting.thread_id;
    scramble_seed_ = greeting.scramble_seed;
    if (greeting.has_capabilities) {
        server_capabilities_ = greeting.capabilities;
    }
    if (greeting.has_language_and_status) {
        server_language_ = greeting.language;
        server_status_ = greeting.status;
    }

    bool had_compression = (client_flags_ & kCapCompress) != 0;
    client_flags_ |= kDefaultClientFlags;
    if (!database_.empty()) {
        client_flags_ |= kCapConnectWithDb;
    }
    if ((server_capabilities_ & kCapCompress) && (use_compression_ || had_compression)) {
        client_flags_ |= kCapCompress;
    } else {
        client_flags_ &= ~kCapCompress;
    }

    if (!Login()) {
        channel_->Close();
        return false;
    }
    channel_->SetCompression((client_flags_ & kCapCompress) != 0);
    status_ = ClientStatus::Ready;
    if (!database_.empty() && !(server_capabilities_ & kCapConnectWithDb)) {
        if (!SelectDatabase(database_)) {
            channel_->Close();
            return false;
        }
    }
    return true;
}

bool Client::Login() {
    std::vector<uint8_t> login;
    try {
        login = BuildLoginPacket(client_flags_, user_, ScramblePassword(password_, scramble_seed_),
                                 database_, server_capabilities_);
    } catch (const std::bad_alloc&) {
        channel_->SetClientError(kErrOutOfMemory);
        return false;
    }
    if (channel_->WritePacket(login.data(), login.size()) != SendStatus::Sent ||
        channel_->Flush() != SendStatus::Sent) {
        channel_->SetClientError(kErrServerLost);
        return false;
    }
    std::optional<std::size_t> length = channel_->ReadReply();
    if (!length) {
        return false;
    }
    if (channel_->ReadPtr()[0] == kAuthRequestByte) {
        return AnswerAuthRequest(*length);
    }
    return true;
}

// Today's servers answer the login of an account with an old-style password by asking for
// that method again (0xFE, the method's name and a new seed). The request is answered once
// with the old-style scramble; any other method cannot be spoken by this client.
bool Client::AnswerAuthRequest(std::size_t length) {
    std::string method;
    std::string seed;
    AuthRequest request =
        ParseAuthRequest(channel_->ReadPtr(), length, scramble_seed_, method, seed);
    if (request == AuthRequest::OtherMethod) {
        channel_->SetLastErrorCode(kErrServerHandshake);
        channel_->SetLastErrorText(
            FormatText("Error in server handshake: the server asks for the authentication "
                       "method '%.64s', which this client does not speak",
                       method, 0));
        return false;
    }
    if (request != AuthRequest::OldPassword) {
        channel_->SetClientError(kErrServerHandshake);
        return false;
    }
    std::string answer = ScramblePassword(password_, seed);
    answer.push_back('\0');
    if (channel_->WritePacket(Bytes(answer), answer.size()) != SendStatus::Sent ||
        channel_->Flush() != SendStatus::Sent) {
        channel_->SetClientError(kErrServerLost);
        return false;
    }
    if (!channel_->ReadReply()) {
        return false;
    }
    if (channel_->ReadPtr()[0] == kAuthRequestByte) {
        // A second switch would go round in circles.
        channel_->SetClientError(kErrServerHandshake);
        return false;
    }
    return true;
}

void Client::FailMalformedReply() {
    channel_->Close();
    channel_->SetClientError(kErrServerLost);
}

bool Client::TryReconnect() {
    if (connecting_) {
        return false;
    }
    if (!auto_reconnect_ || (server_status_ & kStatusInTransaction)) {
        server_status_ &= ~kStatusInTransaction;
        return false;
    }
    return OpenConnection();
}

bool Client::SendCommand(uint8_t command, const uint8_t* argument, std::size_t length,
                         bool skip_check, bool retry) {
    if (!IsConnectionOpen() && !TryReconnect()) {
        return false;
    }
    if (status_ != ClientStatus::Ready) {
        channel_->SetClientError(kErrCommandsOutOfSync);
        return false;
    }
    channel_->SetLastErrorText("");
    channel_->SetLastErrorCode(0);
    info_.clear();
    affected_rows_ = 0;
    insert_id_ = 0;
    channel_->ResetSequence();
    if (channel_->WriteCommand(command, argument, length) != SendStatus::Sent) {
        channel_->Close();
        FreeFieldList();
        if (!TryReconnect()) {
            channel_->SetClientError(kErrServerGone);
            return false;
        }
        channel_->ResetSequence();
        if (channel_->WriteCommand(command, argument, length) != SendStatus::Sent) {
            channel_->SetClientError(kErrServerGone);
            return false;
        }
    }
    if (skip_check || channel_->ReadReply()) {
        return true;
    }
    if (channel_->LastErrorCode() == kErrServerLost) {
        CloseConnection();
    }
    if (retry) {
        return SendCommand(command, argument, length, skip_check, false);
    }
    return false;
}

bool Client::Ping() {
    return SendCommand(kComPing, nullptr, 0, false, auto_reconnect_);
}

bool Client::SelectDatabase(const std::string& name) {
    std::string copy = name;
    if (!SendCommand(kComInitDb, Bytes(copy), copy.size(), false, auto_reconnect_)) {
        return false;
    }
    database_ = copy;
    return true;
}

void Client::CloseConnection() {
    scramble_seed_.clear();
    thread_id_ = 0;
    affected_rows_ = 0;
    insert_id_ = 0;
    status_ = ClientStatus::Ready;
    server_version_.clear();
    server_capabilities_ = 0;
    server_status_ = kStatusAutocommit;
    server_language_ = 0;
    extra_info_ = 0;
    info_.clear();
    if (IsConnectionOpen()) {
        FreeFieldList();
        status_ = ClientStatus::Ready;
        bool reconnect = auto_reconnect_;
        auto_reconnect_ = false;
        SendCommand(kComQuit, nullptr, 0, true, false);
        channel_->Close();
        auto_reconnect_ = reconnect;
    }
    if (active_result_) {
        active_result_->client_ = nullptr;
        active_result_ = nullptr;
    }
}

QueryReply Client::RunQuery(std::string_view query, bool store_all) {
    QueryReply reply;
    if (auto_reconnect_ && !Ping()) {
        return reply;
    }
    if (!SendCommand(kComQuery, reinterpret_cast<const uint8_t*>(query.data()), query.size(), true,
                     auto_reconnect_)) {
        return reply;
    }
    const QueryStatus header = ReadQueryResult();
    if (header == QueryStatus::Failed) {
        return reply;
    }
    if (store_all) {
        reply.result = StoreResult();
        channel_->ShrinkBuffer();
    } else {
        reply.result = UseResult();
    }
    if (reply.result) {
        reply.status = QueryStatus::ResultSet;
    } else {
        reply.status =
            header == QueryStatus::NoResultSet ? QueryStatus::NoResultSet : QueryStatus::ResultLost;
    }
    return reply;
}

bool Client::SendLocalFile(const std::string& file_name) noexcept {
    // The server waits for the file's packets whatever happens here, so every way out ends
    // them with the empty packet; nothing may escape into the reply reading.
    try {
        return SendLocalFileBlocks(file_name);
    } catch (const std::bad_alloc&) {
        channel_->SetClientError(kErrOutOfMemory);
        channel_->WritePacket(nullptr, 0);
        channel_->Flush();
        return false;
    }
}

bool Client::SendLocalFileBlocks(const std::string& file_name) {
    if (!allow_local_files_) {
        // The server chose the name; without the user's consent nothing is read.
        channel_->SetLastErrorCode(kErrUnknown);
        channel_->SetLastErrorText(
            FormatText("The server asked for the local file '%.100s'; sending "
                       "local files is not allowed",
                       file_name, 0));
        channel_->WritePacket(nullptr, 0);
        channel_->Flush();
        return false;
    }
    struct FileCloser {
        void operator()(std::FILE* file) const noexcept { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(file_name.c_str(), "rb"));
    if (!file) {
        int error = errno;
        channel_->SetLastErrorCode(0);
        channel_->SetLastErrorText(
            FormatText("File '%s' not found (Errcode: %d)", file_name, error));
        channel_->WritePacket(nullptr, 0);
        channel_->Flush();
        return false;
    }
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[kLocalFileBlock]);
    if (!block) {
        channel_->SetClientError(kErrOutOfMemory);
        channel_->WritePacket(nullptr, 0);
        channel_->Flush();
        return false;
    }
    int read_error = 0;
    for (;;) {
        std::size_t n = std::fread(block.get(), 1, kLocalFileBlock, file.get());
        if (n > 0 && channel_->WritePacket(block.get(), n) != SendStatus::Sent) {
            channel_->SetClientError(kErrServerLost);
            return false;
        }
        if (n < kLocalFileBlock) {
            if (std::ferror(file.get())) {
                read_error = errno;
            }
            break;
        }
    }
    file.reset();
    if (channel_->WritePacket(nullptr, 0) != SendStatus::Sent ||
        channel_->Flush() != SendStatus::Sent) {
        channel_->SetClientError(kErrServerLost);
        return false;
    }
    if (read_error != 0) {
        channel_->SetLastErrorCode(kErrLocalFileRead);
        channel_->SetLastErrorText(
            FormatText("Error reading file '%s' (Errcode: %d)", file_name, read_error));
        return false;
    }
    return true;
}

void Client::FreeFieldList() {
    fields_.clear();
    field_count_ = 0;
}

}  // namespace varnimo::mysql
