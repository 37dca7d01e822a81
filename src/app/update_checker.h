#pragma once
// The Update Checker's logic, toolkit-free: the local version numbers beside the ones kept on
// the update server. A view (the Qt dialog UpdateDialog, the terminal's update-check
// command, the tests' recording view) draws through UpdateView and calls the handlers.
//
// Ownership: the checker owns the client it talks through and the result of its last
// query. A result never outlives the client it reads from: when a client is replaced, a
// result still reading from it is released before that client goes. A result the client
// has detached (its connection was closed) reads nothing and may stay held. Only the first
// row is ever read: a result that is let go has its connection closed, not its rows read.

#include <array>
#include <chrono>
#include <memory>
#include <string>

#include "app/update_addresses.h"
#include "app/update_view.h"
#include "mysql/client.h"
#include "mysql/result_set.h"

namespace varnimo::app {

class Collection;

// The login and the query the update server answers (the database is the server's).
inline constexpr const char* kUpdateUser = "pubaccount";
inline constexpr const char* kUpdatePassword = "kobal";
inline constexpr const char* kUpdateQuery = "SELECT * FROM varnimo";

// The longest one press of "Connect update Server" keeps the dialog waiting: the name lookup,
// both connection attempts, the log-in, the query and the reading of its answer share it.
// (The client's own 30-second timeout bounds each wait; a server that trickles its bytes,
// each within that timeout, would otherwise hold the check for as long as it likes.)
inline constexpr std::chrono::seconds kUpdateCheckDeadline{30};

// The captions of the two labels that share one place under the grids.
inline constexpr const char* kNoUpdatesText = "No Updates Available";
inline constexpr const char* kDownloadLinkText = "Click here to go to Download Page";

class UpdateChecker {
  public:
    // How the last press of "Connect update Server" ended.
    enum class Outcome {
        NotChecked,   // no press yet
        Downloaded,   // the server's row (or an empty table) was read
        NoResultSet,  // the server answered, but without a result set
        Failed,       // not connected, or the query was refused
    };

    // `collection` supplies the local versions at every activation; `server` is where to ask;
    // `deadline` bounds each press (tests give a short one).
    UpdateChecker(UpdateView& view, const Collection& collection, UpdateServerAddress server,
                  std::chrono::milliseconds deadline = kUpdateCheckDeadline);
    ~UpdateChecker();
    UpdateChecker(const UpdateChecker&) = delete;
    UpdateChecker& operator=(const UpdateChecker&) = delete;

    // --- Handlers -----------------------------------------------------------------------
    // The dialog is shown: a fresh client, headers and the "Yours" column.
    void Activate();
    // "Connect update Server".
    void Connect();
    // "Exit": closes the connection, then the dialog. The held result stays.
    void Exit();
    // The download link.
    void OpenDownloadPage();

    // --- State ----------------------------------------------------------------------------
    // What the server said, as the "Server" column shows it; 0 until read.
    double ServerProgramVersion() const { return server_program_version_; }
    double ServerDatabaseVersion() const { return server_database_version_; }
    const std::array<double, 26>& ServerPackVersions() const { return server_pack_versions_; }

    mysql::Client* UpdateClient() const { return client_.get(); }
    mysql::ResultSet* UpdateResult() const { return result_.get(); }
    const UpdateServerAddress& Server() const { return server_; }
    Outcome LastOutcome() const { return outcome_; }
    // The server's last read showed a newer program, catalogue or pack than the local one;
    // the download link then stands where "No Updates Available" stood.
    bool UpdatesAvailable() const { return updates_available_; }

  private:
    // Creates, configures and connects a new client (the first step of a press); none of
    // its waits goes past `deadline`.
    void ConnectNewClient(std::chrono::steady_clock::time_point deadline);
    // Makes `client` the UpdateClient. The one it replaces stays until the held result no
    // longer reads from it (see ReleaseRetiredClient).
    void ReplaceClient(std::unique_ptr<mysql::Client> client);
    // Frees a replaced client, first releasing the held result if it still reads from it.
    void ReleaseRetiredClient();
    // Lets the held result go without reading the rest of its rows.
    void ReleaseResult();
    void ReadServerValues();
    void WriteServerColumn();
    void WriteUnknownServerColumn();
    // The step that ends activation and every press: after a successful read, the labels
    // say whether the server has something newer than what the user has.
    void ShowUpdateLabels();

    UpdateView& view_;
    const app::Collection& collection_;
    UpdateServerAddress server_;
    std::chrono::milliseconds deadline_;
    std::unique_ptr<mysql::Client> client_;
    // The client a press has just replaced, kept while the held result may read from it.
    std::unique_ptr<mysql::Client> retired_client_;
    std::unique_ptr<mysql::ResultSet> result_;
    double server_program_version_ = 0;
    double server_database_version_ = 0;
    std::array<double, 26> server_pack_versions_{};
    Outcome outcome_ = Outcome::NotChecked;
    bool updates_available_ = false;
};

}  // namespace varnimo::app
