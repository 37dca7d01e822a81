#pragma once
// Tupdate_form: the Update Checker dialog. It lays out update_form.ui, forwards its events
// to UpdateChecker and draws what the checker tells it through UpdateView. The grids only
// display: no selection, editing, focus or scrolling.

#include <QDialog>
#include <memory>

#include "app/update_addresses.h"
#include "app/update_checker.h"
#include "app/update_view.h"
#include "desktop.h"

class QTableWidget;

namespace Ui {
class Tupdate_form;
}

namespace varnimo {

namespace app {
class Collection;
}

class Tupdate_form : public QDialog, public UpdateView {
    Q_OBJECT
  public:
    // Reads the local versions from `unit` at every showing; asks `server`.
    Tupdate_form(const app::Collection& unit, Desktop& desktop, UpdateServerAddress server,
                 QWidget* parent = nullptr);
    ~Tupdate_form() override;

    UpdateChecker& checker() { return *checker_; }

    // The built-in update server, or the one VARNIMO_UPDATE_SERVER names; a value that cannot
    // be read is reported on stderr and no server is asked.
    static UpdateServerAddress ServerForThisRun();

    // --- UpdateView ---------------------------------------------------------------------
    void SetCell(UpdateGrid grid, int column, int row, const std::string& text) override;
    void SetCaption(UpdateLabel label, const std::string& text) override;
    void SetVisible(UpdateLabel label, bool visible) override;
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
    QTableWidget* Grid(UpdateGrid grid) const;

    std::unique_ptr<Ui::Tupdate_form> ui_;
    Desktop& desktop_;
    std::unique_ptr<UpdateChecker> checker_;
    int waits_ = 0;
};

}  // namespace varnimo
