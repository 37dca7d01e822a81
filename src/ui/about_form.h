#pragma once
// TAboutForm: the About dialog. The program's name and version, its logo, four lines of
// credits and a link to the homepage.

#include <QDialog>
#include <memory>

namespace Ui {
class TAboutForm;
}

namespace varnimo {

class Desktop;

class TAboutForm : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutForm(Desktop& desktop, QWidget* parent = nullptr);
    ~TAboutForm() override;

    // --- Handlers -------------------------------------------------------------------------
    void Label8Click();  // the homepage link
    void exit_buttonClick();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::unique_ptr<Ui::TAboutForm> ui_;
    Desktop& desktop_;
};

}  // namespace varnimo
