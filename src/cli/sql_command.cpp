#include "cli/sql_command.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mysql/client.h"

namespace varnimo::cli {

namespace {

using mysql::Client;
using mysql::ResultSet;

const char kUsage[] =
    "usage: varnimo-cli sql [-h HOST] [-P PORT] [-u USER] [-p PASSWORD] [-D DATABASE]\n"
    "                       [--compress|--no-compress] [--buffered] [--timeout S]\n"
    "                       [--allow-local-files] [--pipe] QUERY\n"
    "  --buffered  read the whole result (at most 1 GiB in memory) before printing it\n"
    "  --pipe      through the local named pipe MySQL (Windows) instead of TCP/IP\n";

int UsageError(const char* why, std::string_view what = "") {
    std::string line = std::string("varnimo-cli sql: ") + why + std::string(what) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fputs(kUsage, stderr);
    return 2;
}

bool ParseNumber(std::string_view text, long min, long max, int32_t& value) {
    long v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < min || v > max) {
        return false;
    }
    value = static_cast<int32_t>(v);
    return true;
}

// Collects output in a large block so that a long result costs one write per block, not one
// per row.
class OutputBlock {
  public:
    OutputBlock() : data_(kSize) {}
    ~OutputBlock() { Flush(); }
    OutputBlock(const OutputBlock&) = delete;
    OutputBlock& operator=(const OutputBlock&) = delete;

    void Put(const char* text, std::size_t size) {
        if (size > kSize - used_) {
            Flush();
            if (size > kSize) {
                std::fwrite(text, 1, size, stdout);
                return;
            }
        }
        std::memcpy(data_.data() + used_, text, size);
        used_ += size;
    }
    void Put(char c) {
        if (used_ == kSize) {
            Flush();
        }
        data_[used_++] = c;
    }
    void Flush() {
        if (used_ > 0) {
            std::fwrite(data_.data(), 1, used_, stdout);
            used_ = 0;
        }
        std::fflush(stdout);
    }

  private:
    static constexpr std::size_t kSize = 1 << 16;
    std::vector<char> data_;
    std::size_t used_ = 0;
};

int ReportFailure(const Client& client) {
    int32_t code = client.LastErrorCode();
    std::string text = client.LastErrorText();
    if (code == 0 && text.empty()) {
        // The client gives up without a word only when it has no host to go to.
        text = client.Host().empty() ? "no server host given (use -h HOST)" : "the query failed";
    }
    std::fprintf(stderr, "error %d: %s\n", code, text.c_str());
    return 1;
}

int PrintResult(Client& client, ResultSet& result) {
    OutputBlock out;
    for (int i = 0; i < result.ColumnCount(); ++i) {
        if (i > 0) {
            out.Put('\t');
        }
        const std::string& name = result.Fields()[static_cast<std::size_t>(i)].name;
        out.Put(name.data(), name.size());
    }
    out.Put('\n');
    while (!result.AtEnd()) {
        for (int i = 0; i < result.ColumnCount(); ++i) {
            if (i > 0) {
                out.Put('\t');
            }
            if (const char* text = result.ColumnText(i)) {
                out.Put(text, result.ColumnLength(i));
            }
        }
        out.Put('\n');
        result.FetchRow();
    }
    out.Flush();
    if (!result.IsBuffered() && result.LastFetch() == mysql::RowStatus::Failed) {
        return ReportFailure(client);
    }
    return 0;
}

}  // namespace

int RunSqlCommand(int argc, char** argv) {
    auto client = std::make_unique<Client>();
    std::string host;
    std::string user;
    std::string password;
    std::string database;
    bool buffered = false;
    const char* query = nullptr;
    for (int i = 0; i < argc; ++i) {
        std::string_view arg = argv[i];
        auto value = [&](const char*& out) {
            if (i + 1 >= argc) {
                return false;
            }
            out = argv[++i];
            return true;
        };
        const char* v = nullptr;
        if (arg == "-h" || arg == "-u" || arg == "-p" || arg == "-D" || arg == "-P" ||
            arg == "--timeout") {
            if (!value(v)) {
                return UsageError("missing value after ", arg);
            }
            if (arg == "-h") {
                host = v;
            } else if (arg == "-u") {
                user = v;
            } else if (arg == "-p") {
                password = v;
            } else if (arg == "-D") {
                database = v;
            } else if (arg == "-P") {
                int32_t port = 0;
                if (!ParseNumber(v, 0, 65535, port)) {
                    return UsageError("not a port number: ", v);
                }
                client->SetPort(port);
            } else {
                int32_t seconds = 0;
                if (!ParseNumber(v, 0, 2147483647, seconds)) {
                    return UsageError("not a number of seconds: ", v);
                }
                client->SetConnectTimeout(seconds);
            }
        } else if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--compress") {
            client->SetUseCompression(true);
        } else if (arg == "--no-compress") {
            client->SetUseCompression(false);
        } else if (arg == "--buffered") {
            buffered = true;
        } else if (arg == "--allow-local-files") {
            client->SetAllowLocalFiles(true);
        } else if (arg == "--pipe") {
            client->SetUseNamedPipe(true);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option ", arg);
        } else if (query) {
            return UsageError("more than one query: ", arg);
        } else {
            query = argv[i];
        }
    }
    if (!query) {
        return UsageError("no query given");
    }
    // The pipe is always the local one; a host is only needed for TCP/IP.
    client->SetServerHost(host.empty() && client->UsesNamedPipe() ? "." : host);
    client->SetUserName(user);
    client->SetUserPassword(password);
    client->SetDatabaseName(database);
    if (!client->OpenConnection()) {
        return ReportFailure(*client);
    }
    mysql::QueryReply reply = client->RunQuery(query, buffered);
    if (reply.status == mysql::QueryStatus::NoResultSet) {
        std::printf("affected rows: %llu\n",
                    static_cast<unsigned long long>(client->AffectedRows()));
        return 0;
    }
    if (!reply.result) {
        return ReportFailure(*client);
    }
    return PrintResult(*client, *reply.result);
}

}  // namespace varnimo::cli
