#pragma once
// UpdateDialog: the Update Checker dialog. It lays out update_dialog.ui, forwards its events
// to app::UpdateChecker and draws what the checker tells it through app::UpdateView. The grids only
// display: no selection, editing, focus or scrolling.

#include <QDialog>
#include <memory>

#include "app/update_addresses.h"
#include "app/update_checker.h"
#include "app/update_view.h"
#include "desktop.h"

class QTableWidget;

namespace Ui {
class UpdateDialog;
}

namespace varnimo::app {
class Collection;
}

namespace varnimo::ui {

class UpdateDialog : public QDialog, public app::UpdateView {
    Q_OBJECT
  public:
    // Reads the local versions from `collection` at every showing; asks `server`.
    UpdateDialog(const app::Collection& collection, Desktop& desktop,
                 app::UpdateServerAddress server, QWidget* parent = nullptr);
    ~UpdateDialog() override;

    app::UpdateChecker& Checker() { return *checker_; }

    // The built-in update server, or the one VARNIMO_UPDATE_SERVER names; a value that cannot
    // be read is reported on stderr and no server is asked.
    static app::UpdateServerAddress ServerForThisRun();

    // --- app::UpdateView ---------------------------------------------------------------------
    void SetCell(app::UpdateGrid grid, int column, int row, const std::string& text) override;
    void SetCaption(app::UpdateLabel label, const std::string& text) override;
    void SetVisible(app::UpdateLabel label, bool visible) override;
    void PlainBox(const std::string& text) override;
    void OpenAddress(const std::string& address) override;
    void CloseDialog() override;
    void BeginWait() override;
    void EndWait() override;

    // Escape and a close request from the window system leave the way "Exit" does, so the
    // connection never stays open behind a closed dialog.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void SetUpLook();
    void SetUpGrid(QTableWidget* grid, int column_width, int row_height);
    void CentreOnParent();
    QTableWidget* Grid(app::UpdateGrid grid) const;

    std::unique_ptr<Ui::UpdateDialog> ui_;
    Desktop& desktop_;
    std::unique_ptr<app::UpdateChecker> checker_;
    int waits_ = 0;
};

}  // namespace varnimo::ui
