// A whole client conversation on any server bytes: connect, greeting, login (the server may
// ask for another scramble), optional compression, a query read buffered or unbuffered, every
// row and column looked at, a second query, ping and close. The client must never read
// outside what it received, never leave a result half-linked, and never send a file: the
// server may ask for one, but files are not allowed here.

#include <algorithm>
#include <cstring>
#include <memory>

#include "fake_transport.h"
#include "fuzz_support.h"
#include "mysql/client.h"
#include "mysql/errors.h"
#include "mysql/protocol.h"

using namespace varnimo;
using namespace varnimo::mysql;
using fuzz::Check;

namespace {

void LookAt(ResultSet& result) {
    for (int rows = 0; rows < 256 && !result.AtEnd(); ++rows) {
        for (int i = -1; i <= result.ColumnCount(); ++i) {
            const char* text = result.ColumnText(i);
            if (i < 0 || i >= result.ColumnCount()) {
                Check(text == nullptr, "column outside the result has a text");
                continue;
            }
            const uint32_t length = result.ColumnLength(i);
            if (text != nullptr) {
                // The stored length in both forms: a value may hold zero bytes of its own, but
                // never more bytes than its length, and its terminator sits right behind them.
                Check(length > 0 && std::strlen(text) <= length, "text longer than its length");
                Check(text[length] == '\0', "value not terminated at its length");
            } else {
                Check(length == 0, "no text but a length");
            }
        }
        result.FetchRow();
    }
    for (const Field& field : result.Fields()) {
        Check(result.IsBuffered() || field.max_length == 0, "unbuffered result measured a column");
    }
}

// The file a server might ask for: if the client ever sent it, its bytes would show up.
constexpr const char* kSecret = "/etc/hostname";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    uint8_t mode = data[0];
    std::size_t piece = data[1] % 8;  // 0: whole reads, else pieces of 1..7 bytes
    fuzz::SetServerBytes(data + 2, size - 2, piece);
    {
        Client client;
        client.SetAutoReconnect((mode & 1) != 0);
        client.SetUseCompression((mode & 2) != 0);
        const char* password = (mode & 4) ? "kobal" : "";
        const char* database = (mode & 8) ? "varnimo" : "";
        bool store_all = (mode & 16) != 0;
        if (client.ConnectTo("127.0.0.1", "pubaccount", password, database, 3306, "", false,
                             kDefaultClientFlags)) {
            Check(client.IsConnectionOpen(), "connected but closed");
            std::string query = std::string("SELECT * FROM varnimo LOAD ") + kSecret;
            QueryReply reply = client.RunQuery(query, store_all);
            std::unique_ptr<ResultSet> result = std::move(reply.result);
            Check((reply.status == QueryStatus::ResultSet) == (result != nullptr),
                  "a result exactly with a result set");
            if (result) {
                LookAt(*result);
                if (mode & 32) {
                    result.reset();  // an early end discards the rest
                }
            } else if (reply.status == QueryStatus::Failed) {
                // The code may be anything a server put in its error packet, 0 included; what
                // must hold is that nothing is left pending.
                Check(client.Status() == ClientStatus::Ready, "failed query left a result pending");
            } else if (reply.status == QueryStatus::ResultLost) {
                Check(client.LastErrorCode() != 0, "a result lost without a code");
            }
            std::unique_ptr<ResultSet> second = client.RunQuery("SELECT 1", !store_all).result;
            if (second) {
                LookAt(*second);
            }
            client.Ping();
            second.reset();
            result.reset();
        } else {
            Check(!client.IsConnectionOpen(), "failed connect left the connection open");
        }
        client.CloseConnection();
        Check(!client.IsConnectionOpen(), "closed connection still open");
    }
    // No file left this machine.
    static const std::string secret = [] {
        FILE* f = std::fopen(kSecret, "rb");
        std::string text;
        if (f) {
            char buffer[256];
            std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
            text.assign(buffer, n);
            std::fclose(f);
        }
        return text;
    }();
    const auto& sent = fuzz::ClientBytes();
    if (secret.size() >= 4) {
        Check(std::search(sent.begin(), sent.end(), secret.begin(), secret.end()) == sent.end(),
              "a local file was sent");
    }
    return 0;
}
