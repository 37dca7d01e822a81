#include "mysql/mysql_client.h"

#include <cerrno>
#include <cstdio>
#include <limits>
#include <new>

#include "mysql/mysql_errors.h"
#include "mysql/mysql_protocol.h"

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
class TFlagGuard {
  public:
    explicit TFlagGuard(bool& flag) : Flag_(flag), Old_(flag) { Flag_ = true; }
    ~TFlagGuard() { Flag_ = Old_; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

  private:
    bool& Flag_;
    bool Old_;
};

}  // namespace

TMysqlClient::TMysqlClient() : Net_(std::make_unique<TMysqlNet>()) {}

TMysqlClient::~TMysqlClient() {
    CloseConnection();
}

void TMysqlClient::SetServerHost(const std::string& host) {
    if (host != Host_ && IsConnectionOpen()) {
        Net_->Close();
    }
    Host_ = host;
}

void TMysqlClient::SetUserName(const std::string& user) {
    if (user != User_ && IsConnectionOpen()) {
        Net_->Close();
    }
    User_ = user;
}

void TMysqlClient::SetUserPassword(const std::string& password) {
    if (password != Password_ && IsConnectionOpen()) {
        Net_->Close();
    }
    Password_ = password;
}

void TMysqlClient::SetDatabaseName(const std::string& database) {
    Database_ = database;
    if (IsConnectionOpen()) {
        SelectDatabase(database);
    }
}

bool TMysqlClient::IsConnectionOpen() const {
    return Net_->IsOpen();
}

bool TMysqlClient::OpenConnection() {
    return ConnectTo(Host_, User_, Password_, Database_, Port, PipeName, PipeFallback, ClientFlags);
}

bool TMysqlClient::ConnectTo(const std::string& host, const std::string& user,
                             const std::string& password, const std::string& database, int32_t port,
                             const std::string& pipeName, bool pipeFallback, uint32_t clientFlags) {
    if (IsConnectionOpen()) {
        return true;
    }
    if (host.empty() && Host_.empty()) {
        return false;
    }
    TFlagGuard connecting(Connecting_);
    // Copies first: the arguments are often this client's own fields.
    std::string newHost = host;
    std::string newUser = user;
    std::string newPassword = password;
    std::string newDatabase = database;
    std::string newPipe = pipeName;
    if (!newHost.empty()) {
        Host_ = newHost;
    }
    User_ = newUser;
    Password_ = newPassword;
    Database_ = newDatabase;
    Port = port;
    PipeName = newPipe;
    ClientFlags = clientFlags;
    PipeFallback = pipeFallback;

    if (UseNamedPipe) {
        Net_->Open(vkNamedPipe, Host_, PipeName, Port, ConnectTimeout, PipeFallback);
        TVioKind kind = Net_->ConnectionKind();
        if (kind == vkNamedPipe) {
            Host_ = ".";
            PipeName = "MySQL";
        } else if (kind != vkClosed && kind != vkLocalSocket) {
            UseNamedPipe = false;
            PipeName.clear();
        }
    } else {
        Net_->Open(vkTcpIp, Host_, PipeName, Port, ConnectTimeout, true);
        PipeName.clear();
    }
    if (!IsConnectionOpen()) {
        return false;
    }

    long length = Net_->ReadReply();
    if (length < 0) {
        Net_->Close();
        return false;
    }
    const uint8_t* packet = Net_->ReadPtr();
    uint8_t version = packet[0];
    Net_->SetProtocolVersion(version);
    if (version != 10 && version != 9) {
        Net_->SetLastErrorCode(kErrVersion);
        Net_->SetLastErrorText(FormatClientError(kErrVersion, int{version}, int{kProtocolVersion}));
        Net_->Close();
        return false;
    }
    TGreeting greeting;
    if (!ParseGreeting(packet, static_cast<std::size_t>(length), greeting)) {
        Net_->SetClientError(kErrServerHandshake);
        Net_->Close();
        return false;
    }
    ServerVersion_ = greeting.ServerVersion;
    ThreadId_ = greeting.ThreadId;
    ScrambleSeed_ = greeting.ScrambleSeed;
    if (greeting.HasCapabilities) {
        ServerCapabilities_ = greeting.Capabilities;
    }
    if (greeting.HasLanguageAndStatus) {
        ServerLanguage_ = greeting.Language;
        ServerStatus_ = greeting.Status;
    }

    bool hadCompression = (ClientFlags & kCapCompress) != 0;
    ClientFlags |= kDefaultClientFlags;
    if (!Database_.empty()) {
        ClientFlags |= kCapConnectWithDb;
    }
    if ((ServerCapabilities_ & kCapCompress) && (UseCompression || hadCompression)) {
        ClientFlags |= kCapCompress;
    } else {
        ClientFlags &= ~kCapCompress;
    }

    if (!Login()) {
        Net_->Close();
        return false;
    }
    Net_->SetCompression((ClientFlags & kCapCompress) != 0);
    Status_ = TClientStatus::Ready;
    if (!Database_.empty() && !(ServerCapabilities_ & kCapConnectWithDb)) {
        if (!SelectDatabase(Database_)) {
            Net_->Close();
            return false;
        }
    }
    return true;
}

bool TMysqlClient::Login() {
    std::vector<uint8_t> login;
    try {
        login = BuildLoginPacket(ClientFlags, User_, ScramblePassword(Password_, ScrambleSeed_),
                                 Database_, ServerCapabilities_);
    } catch (const std::bad_alloc&) {
        Net_->SetClientError(kErrOutOfMemory);
        return false;
    }
    if (Net_->WritePacket(login.data(), login.size()) != 0 || Net_->Flush() != 0) {
        Net_->SetClientError(kErrServerLost);
        return false;
    }
    long length = Net_->ReadReply();
    if (length < 0) {
        return false;
    }
    if (Net_->ReadPtr()[0] == 0xFE) {
        return AnswerAuthRequest(length);
    }
    return true;
}

// Today's servers answer the login of an account with an old-style password by asking for
// that method again (0xFE, the method's name and a new seed). The request is answered once
// with the old-style scramble; any other method cannot be spoken by this client.
bool TMysqlClient::AnswerAuthRequest(long length) {
    std::string method;
    std::string seed;
    TAuthRequest request = ParseAuthRequest(Net_->ReadPtr(), static_cast<std::size_t>(length),
                                            ScrambleSeed_, method, seed);
    if (request == TAuthRequest::OtherMethod) {
        Net_->SetLastErrorCode(kErrServerHandshake);
        Net_->SetLastErrorText(
            FormatText("Error in server handshake: the server asks for the authentication "
                       "method '%.64s', which this client does not speak",
                       method, 0));
        return false;
    }
    if (request != TAuthRequest::OldPassword) {
        Net_->SetClientError(kErrServerHandshake);
        return false;
    }
    std::string answer = ScramblePassword(Password_, seed);
    answer.push_back('\0');
    if (Net_->WritePacket(Bytes(answer), answer.size()) != 0 || Net_->Flush() != 0) {
        Net_->SetClientError(kErrServerLost);
        return false;
    }
    length = Net_->ReadReply();
    if (length < 0) {
        return false;
    }
    if (Net_->ReadPtr()[0] == 0xFE) {
        // A second switch would go round in circles.
        Net_->SetClientError(kErrServerHandshake);
        return false;
    }
    return true;
}

void TMysqlClient::FailMalformedReply() {
    Net_->Close();
    Net_->SetClientError(kErrServerLost);
}

bool TMysqlClient::TryReconnect() {
    if (Connecting_) {
        return false;
    }
    if (!Reconnect || (ServerStatus_ & kStatusInTransaction)) {
        ServerStatus_ &= ~kStatusInTransaction;
        return false;
    }
    return OpenConnection();
}

int TMysqlClient::SendCommand(uint8_t command, const uint8_t* argument, std::size_t length,
                              bool skipCheck, bool retry) {
    if (!IsConnectionOpen() && !TryReconnect()) {
        return -1;
    }
    if (Status_ != TClientStatus::Ready) {
        Net_->SetClientError(kErrCommandsOutOfSync);
        return -1;
    }
    Net_->SetLastErrorText("");
    Net_->SetLastErrorCode(0);
    Info_.clear();
    AffectedRows_ = 0;
    InsertId_ = 0;
    Net_->ResetSequence();
    if (Net_->WriteCommand(command, argument, length) != 0) {
        Net_->Close();
        FreeFieldList();
        if (!TryReconnect()) {
            Net_->SetClientError(kErrServerGone);
            return -1;
        }
        Net_->ResetSequence();
        if (Net_->WriteCommand(command, argument, length) != 0) {
            Net_->SetClientError(kErrServerGone);
            return -1;
        }
    }
    if (skipCheck) {
        return 0;
    }
    if (Net_->ReadReply() >= 0) {
        return 0;
    }
    if (Net_->LastErrorCode() == kErrServerLost) {
        CloseConnection();
    }
    if (retry) {
        return SendCommand(command, argument, length, skipCheck, false);
    }
    return -1;
}

bool TMysqlClient::Ping() {
    return SendCommand(kComPing, nullptr, 0, false, Reconnect) == 0;
}

bool TMysqlClient::SelectDatabase(const std::string& name) {
    std::string copy = name;
    if (SendCommand(kComInitDb, Bytes(copy), copy.size(), false, Reconnect) != 0) {
        return false;
    }
    Database_ = copy;
    return true;
}

void TMysqlClient::CloseConnection() {
    ScrambleSeed_.clear();
    ThreadId_ = 0;
    AffectedRows_ = 0;
    InsertId_ = 0;
    Status_ = TClientStatus::Ready;
    ServerVersion_.clear();
    ServerCapabilities_ = 0;
    ServerStatus_ = kStatusAutocommit;
    ServerLanguage_ = 0;
    ExtraInfo_ = 0;
    Info_.clear();
    if (IsConnectionOpen()) {
        FreeFieldList();
        Status_ = TClientStatus::Ready;
        bool reconnect = Reconnect;
        Reconnect = false;
        SendCommand(kComQuit, nullptr, 0, true, false);
        Net_->Close();
        Reconnect = reconnect;
    }
    if (ActiveResult_) {
        ActiveResult_->Client_ = nullptr;
        ActiveResult_ = nullptr;
    }
}

std::unique_ptr<TMysqlResult> TMysqlClient::RunQuery(std::string_view query, bool storeAll,
                                                     bool& completed) {
    completed = false;
    if (Reconnect && !Ping()) {
        return nullptr;
    }
    if (SendCommand(kComQuery, reinterpret_cast<const uint8_t*>(query.data()), query.size(), true,
                    Reconnect) != 0) {
        return nullptr;
    }
    if (ReadQueryResult() != 0) {
        return nullptr;
    }
    std::unique_ptr<TMysqlResult> result;
    if (storeAll) {
        result = StoreResult();
        Net_->ShrinkBuffer();
    } else {
        result = UseResult();
    }
    completed = true;
    return result;
}

int TMysqlClient::SendLocalFile(const std::string& fileName) noexcept {
    // The server waits for the file's packets whatever happens here, so every way out ends
    // them with the empty packet; nothing may escape into the reply reading.
    try {
        return SendLocalFileBlocks(fileName);
    } catch (const std::bad_alloc&) {
        Net_->SetClientError(kErrOutOfMemory);
        Net_->WritePacket(nullptr, 0);
        Net_->Flush();
        return -1;
    }
}

int TMysqlClient::SendLocalFileBlocks(const std::string& fileName) {
    if (!AllowLocalFiles) {
        // The server chose the name; without the user's consent nothing is read.
        Net_->SetLastErrorCode(kErrUnknown);
        Net_->SetLastErrorText(
            FormatText("The server asked for the local file '%.100s'; sending "
                       "local files is not allowed",
                       fileName, 0));
        Net_->WritePacket(nullptr, 0);
        Net_->Flush();
        return -1;
    }
    struct TFileCloser {
        void operator()(std::FILE* file) const noexcept { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(fileName.c_str(), "rb"));
    if (!file) {
        int error = errno;
        Net_->SetLastErrorCode(0);
        Net_->SetLastErrorText(FormatText("File '%s' not found (Errcode: %d)", fileName, error));
        Net_->WritePacket(nullptr, 0);
        Net_->Flush();
        return -1;
    }
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[kLocalFileBlock]);
    if (!block) {
        Net_->SetClientError(kErrOutOfMemory);
        Net_->WritePacket(nullptr, 0);
        Net_->Flush();
        return -1;
    }
    int readError = 0;
    for (;;) {
        std::size_t n = std::fread(block.get(), 1, kLocalFileBlock, file.get());
        if (n > 0 && Net_->WritePacket(block.get(), n) != 0) {
            Net_->SetClientError(kErrServerLost);
            return -1;
        }
        if (n < kLocalFileBlock) {
            if (std::ferror(file.get())) {
                readError = errno;
            }
            break;
        }
    }
    file.reset();
    if (Net_->WritePacket(nullptr, 0) != 0 || Net_->Flush() != 0) {
        Net_->SetClientError(kErrServerLost);
        return -1;
    }
    if (readError != 0) {
        Net_->SetLastErrorCode(2);
        Net_->SetLastErrorText(
            FormatText("Error reading file '%s' (Errcode: %d)", fileName, readError));
        return -1;
    }
    return 0;
}

void TMysqlClient::FreeFieldList() {
    Fields_.clear();
    FieldCount_ = 0;
}

}  // namespace varnimo::mysql
