#pragma once
// AboutDialog: the About dialog. The program's name and version, its logo, four lines of
// credits and a link to the homepage.

#include <QDialog>
#include <memory>

namespace Ui {
class AboutDialog;
}

namespace varnimo {

class Desktop;

class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(Desktop& desktop, QWidget* parent = nullptr);
    ~AboutDialog() override;

    // --- Handlers -------------------------------------------------------------------------
    void OpenHomepage();  // the homepage link
    void Exit();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::unique_ptr<Ui::AboutDialog> ui_;
    Desktop& desktop_;
};

}  // namespace varnimo
