#include "app/update_checker.h"

#include <utility>

#include "app/collection.h"
#include "app/program_version.h"
#include "rtl/convert.h"

namespace varnimo::app {

namespace {

constexpr int kPacksPerGrid = 13;
constexpr const char* kUnknown = " ??? ";

// The pack grid and its row that show letter k (0 = a .. 25 = z).
UpdateGrid PackGrid(int k) {
    return k < kPacksPerGrid ? UpdateGrid::PacksAToM : UpdateGrid::PacksNToZ;
}
int PackRow(int k) {
    return k % kPacksPerGrid + 1;
}

// A server value: the column's text as a number with "."; NULL, a missing column and
// anything that is not such a number count as 0.
double ServerValue(const mysql::ResultSet& result, int column) {
    const char* text = result.ColumnText(column);
    return text == nullptr ? 0.0 : rtl::PointFloat(text);
}

// Shows the busy state for as long as the network may block.
class WaitScope {
  public:
    explicit WaitScope(UpdateView& view) : view_(view) { view_.BeginWait(); }
    ~WaitScope() { view_.EndWait(); }
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;

  private:
    UpdateView& view_;
};

}  // namespace

UpdateChecker::UpdateChecker(UpdateView& view, const app::Collection& collection,
                             UpdateServerAddress server, std::chrono::milliseconds deadline)
    : view_(view), collection_(collection), server_(std::move(server)), deadline_(deadline) {}

UpdateChecker::~UpdateChecker() {
    // The result first: an unbuffered one still reads from its client's connection.
    ReleaseResult();
    retired_client_.reset();
    client_.reset();
}

void UpdateChecker::Activate() {
    {
        WaitScope wait(view_);
        ReplaceClient(std::make_unique<mysql::Client>());
        ReleaseRetiredClient();
    }

    view_.SetCell(UpdateGrid::Versions, 0, 0, "Versions");
    view_.SetCell(UpdateGrid::Versions, 1, 0, "Yours");
    view_.SetCell(UpdateGrid::Versions, 2, 0, "Server");
    view_.SetCell(UpdateGrid::Versions, 0, 1, "Program");
    view_.SetCell(UpdateGrid::Versions, 0, 2, "Database");
    view_.SetCell(UpdateGrid::Versions, 1, 1, rtl::FloatToStr(kProgramVersion));
    view_.SetCell(UpdateGrid::Versions, 1, 2, rtl::FloatToStr(collection_.DatabaseVersion()));
    for (UpdateGrid grid : {UpdateGrid::PacksAToM, UpdateGrid::PacksNToZ}) {
        view_.SetCell(grid, 0, 0, "Letter");
        view_.SetCell(grid, 1, 0, "Yours");
        view_.SetCell(grid, 2, 0, "Server");
    }
    for (int k = 0; k < 26; ++k) {
        view_.SetCell(PackGrid(k), 0, PackRow(k), std::string(1, static_cast<char>('a' + k)));
        view_.SetCell(PackGrid(k), 1, PackRow(k),
                      rtl::FloatToStr(collection_.ScreenPackVersions()[k]));
    }
    ShowUpdateLabels();
}

void UpdateChecker::ConnectNewClient(std::chrono::steady_clock::time_point deadline) {
    auto client = std::make_unique<mysql::Client>();
    // Only the built-in server's port is the client's default; a self-hosted one may differ.
    client->SetPort(server_.port);
    client->SetDeadline(deadline);
    ReplaceClient(std::move(client));
    client_->SetServerHost(server_.host);
    client_->SetUserName(kUpdateUser);
    client_->SetUserPassword(kUpdatePassword);
    client_->SetDatabaseName(server_.database);
    const bool connected = client_->OpenConnection();
    view_.SetCaption(UpdateLabel::Connection, connected ? "Connected!" : "ERROR - Not connected!");
}

void UpdateChecker::Connect() {
    mysql::QueryStatus status = mysql::QueryStatus::Failed;
    {
        WaitScope wait(view_);
        // One deadline for the whole press: the connect, the query's reconnect when the
        // connect failed, and the reading of the answer.
        ConnectNewClient(std::chrono::steady_clock::now() + deadline_);
        // The earlier press's result goes before the new query; with it goes the client it
        // may still read from.
        ReleaseResult();
        ReleaseRetiredClient();
        mysql::QueryReply reply = client_->RunQuery(kUpdateQuery, false);
        status = reply.status;
        result_ = std::move(reply.result);
    }

    if (status == mysql::QueryStatus::ResultSet) {
        outcome_ = Outcome::Downloaded;
        view_.PlainBox("Downloaded Server variables");
        ReadServerValues();
        WriteServerColumn();
    } else if (status != mysql::QueryStatus::Failed) {
        // No rows, or rows the client could not keep: the server answered all the same.
        outcome_ = Outcome::NoResultSet;
        view_.PlainBox("All Checked, but something was wrong");
    } else {
        outcome_ = Outcome::Failed;
        WriteUnknownServerColumn();
        view_.PlainBox("There was an Error...");
    }
    ShowUpdateLabels();
}

void UpdateChecker::Exit() {
    if (client_ && client_->IsConnectionOpen()) {
        client_->CloseConnection();
    }
    view_.CloseDialog();
}

void UpdateChecker::OpenDownloadPage() {
    view_.OpenAddress(kHomepageAddress);
}

void UpdateChecker::ReplaceClient(std::unique_ptr<mysql::Client> client) {
    // A client retired earlier and not yet freed has no result reading from it any more
    // than the current one would; free it now so at most one waits.
    ReleaseRetiredClient();
    retired_client_ = std::exchange(client_, std::move(client));
}

void UpdateChecker::ReleaseRetiredClient() {
    if (!retired_client_) {
        return;
    }
    if (result_ && result_->SourceClient() == retired_client_.get()) {
        ReleaseResult();
    }
    retired_client_.reset();
}

void UpdateChecker::ReleaseResult() {
    // Only the first row counts, and a server may send rows without end: a result that is
    // still reading is not read to its end. Closing its connection (with the quit command)
    // detaches it, and then it goes without reading anything more.
    if (result_ && result_->SourceClient()) {
        result_->SourceClient()->CloseConnection();
    }
    result_.reset();
}

void UpdateChecker::ReadServerValues() {
    server_program_version_ = ServerValue(*result_, 0);
    server_database_version_ = ServerValue(*result_, 1);
    for (int k = 0; k < 26; ++k) {
        server_pack_versions_[k] = ServerValue(*result_, k + 2);
    }
}

void UpdateChecker::WriteServerColumn() {
    view_.SetCell(UpdateGrid::Versions, 2, 1, rtl::FloatToStr(server_program_version_));
    view_.SetCell(UpdateGrid::Versions, 2, 2, rtl::FloatToStr(server_database_version_));
    for (int k = 0; k < 26; ++k) {
        view_.SetCell(PackGrid(k), 2, PackRow(k), rtl::FloatToStr(server_pack_versions_[k]));
    }
}

void UpdateChecker::ShowUpdateLabels() {
    // A check that read nothing says nothing new: the labels stay as they were.
    if (outcome_ != Outcome::Downloaded) {
        return;
    }
    // A pack the user does not have (0) is no update of theirs.
    bool newer = server_program_version_ > kProgramVersion ||
                 server_database_version_ > collection_.DatabaseVersion();
    for (int k = 0; k < 26; ++k) {
        const double local = collection_.ScreenPackVersions()[k];
        newer = newer || (local > 0 && server_pack_versions_[k] > local);
    }
    updates_available_ = newer;
    view_.SetVisible(UpdateLabel::NoUpdates, !newer);
    view_.SetVisible(UpdateLabel::DownloadLink, newer);
}

void UpdateChecker::WriteUnknownServerColumn() {
    server_program_version_ = 0;
    server_database_version_ = 0;
    view_.SetCell(UpdateGrid::Versions, 2, 1, kUnknown);
    view_.SetCell(UpdateGrid::Versions, 2, 2, kUnknown);
    for (int k = 0; k < 26; ++k) {
        view_.SetCell(PackGrid(k), 2, PackRow(k), kUnknown);
    }
}

}  // namespace varnimo::app
