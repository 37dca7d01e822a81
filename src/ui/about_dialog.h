#pragma once
// AboutDialog: the About dialog, drawn for app::AboutBox. The program's name and version, its logo,
// four lines of credits and a link to the homepage.

#include <QDialog>
#include <memory>
#include <string>

#include "app/about_box.h"

namespace Ui {
class AboutDialog;
}

namespace varnimo::ui {

class Desktop;

class AboutDialog : public QDialog, private app::AboutView {
    Q_OBJECT
  public:
    explicit AboutDialog(Desktop& desktop, QWidget* parent = nullptr);
    ~AboutDialog() override;

    // The homepage link, as a click on it runs it.
    void OpenHomepage() { box_.OpenHomepage(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // --- app::AboutView -------------------------------------------------------------------
    void OpenAddress(const std::string& address) override;
    void Close() override;

    std::unique_ptr<Ui::AboutDialog> ui_;
    Desktop& desktop_;
    app::AboutBox box_{*this};
};

}  // namespace varnimo::ui
