#include "cli/sql_command.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mysql/mysql_client.h"

namespace varnimo::cli {

namespace {

using mysql::TMysqlClient;
using mysql::TMysqlResult;

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
class TOutput {
  public:
    TOutput() : Data_(kSize) {}
    ~TOutput() { Flush(); }
    TOutput(const TOutput&) = delete;
    TOutput& operator=(const TOutput&) = delete;

    void Put(const char* text, std::size_t size) {
        if (size > kSize - Used_) {
            Flush();
            if (size > kSize) {
                std::fwrite(text, 1, size, stdout);
                return;
            }
        }
        std::memcpy(Data_.data() + Used_, text, size);
        Used_ += size;
    }
    void Put(char c) {
        if (Used_ == kSize) {
            Flush();
        }
        Data_[Used_++] = c;
    }
    void Flush() {
        if (Used_ > 0) {
            std::fwrite(Data_.data(), 1, Used_, stdout);
            Used_ = 0;
        }
        std::fflush(stdout);
    }

  private:
    static constexpr std::size_t kSize = 1 << 16;
    std::vector<char> Data_;
    std::size_t Used_ = 0;
};

int ReportFailure(const TMysqlClient& client) {
    int32_t code = client.Net().LastErrorCode();
    std::string text = client.Net().LastErrorText();
    if (code == 0 && text.empty()) {
        // The client gives up without a word only when it has no host to go to.
        text = client.Host().empty() ? "no server host given (use -h HOST)" : "the query failed";
    }
    std::fprintf(stderr, "error %d: %s\n", code, text.c_str());
    return 1;
}

int PrintResult(TMysqlClient& client, TMysqlResult& result) {
    TOutput out;
    for (int i = 0; i < result.ColumnCount; ++i) {
        if (i > 0) {
            out.Put('\t');
        }
        const std::string& name = result.Fields[static_cast<std::size_t>(i)].Name;
        out.Put(name.data(), name.size());
    }
    out.Put('\n');
    while (!result.Eof) {
        for (int i = 0; i < result.ColumnCount; ++i) {
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
    if (!result.Buffered && result.FetchState == -1) {
        return ReportFailure(client);
    }
    return 0;
}

}  // namespace

int RunSqlCommand(int argc, char** argv) {
    auto client = std::make_unique<TMysqlClient>();
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
                if (!ParseNumber(v, 0, 65535, client->Port)) {
                    return UsageError("not a port number: ", v);
                }
            } else if (!ParseNumber(v, 0, 2147483647, client->ConnectTimeout)) {
                return UsageError("not a number of seconds: ", v);
            }
        } else if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--compress") {
            client->UseCompression = true;
        } else if (arg == "--no-compress") {
            client->UseCompression = false;
        } else if (arg == "--buffered") {
            buffered = true;
        } else if (arg == "--allow-local-files") {
            client->AllowLocalFiles = true;
        } else if (arg == "--pipe") {
            client->UseNamedPipe = true;
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
    client->SetServerHost(host.empty() && client->UseNamedPipe ? "." : host);
    client->SetUserName(user);
    client->SetUserPassword(password);
    client->SetDatabaseName(database);
    if (!client->OpenConnection()) {
        return ReportFailure(*client);
    }
    bool completed = false;
    std::unique_ptr<TMysqlResult> result = client->RunQuery(query, buffered, completed);
    if (!result) {
        if (!completed || client->Net().LastErrorCode() != 0 ||
            !client->Net().LastErrorText().empty()) {
            return ReportFailure(*client);
        }
        std::printf("affected rows: %llu\n",
                    static_cast<unsigned long long>(client->AffectedRows()));
        return 0;
    }
    return PrintResult(*client, *result);
}

}  // namespace varnimo::cli
