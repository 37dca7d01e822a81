#pragma once
// MainWindow: the main window. It lays out the controls of main_window.ui, forwards every
// control's event to MainWindowLogic and draws what the logic tells it through
// MainView. It holds no program state of its own beyond what drawing needs.

#include <QMainWindow>
#include <QPixmap>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>

#include "app/main_view.h"
#include "desktop.h"
#include "title_list.h"

class QActionGroup;
class QLabel;

namespace Ui {
class MainWindow;
}

namespace varnimo::app {
class MainWindowLogic;
}

namespace varnimo::ui {

class OptionsDialog;
class AboutDialog;
class UpdateDialog;

class MainWindow : public QMainWindow, public app::MainView {
    Q_OBJECT
  public:
    explicit MainWindow(Desktop& desktop, QWidget* parent = nullptr);
    ~MainWindow() override;

    app::MainWindowLogic& Logic() { return *logic_; }
    const TitleListModel& TitleModel() const { return model_; }
    OptionsDialog& OptionsWindow() { return *options_dialog_; }
    AboutDialog& AboutWindow() { return *about_dialog_; }
    UpdateDialog& UpdateWindow() { return *update_dialog_; }

    // --- MainView ---------------------------------------------------------------------
    void SetTitleLines(const std::vector<std::int32_t>& rows) override;
    void ClearTitleLines() override;
    int SelectedLine() const override;
    std::string SearchText() const override;
    void SetSearchText(const std::string& text) override;
    void SetCaption(app::Control control, const std::string& text) override;
    void SetVisible(app::Control control, bool visible) override;
    void Repaint() override;
    void SetProgressRange(int min, int max) override;
    void SetProgress(int position) override;
    void StepProgress() override;
    void StepProgressBy(std::size_t steps) override;
    void ShowScreenshotFile(const std::string& path) override;
    void ShowBuiltInPicture(app::BuiltInPicture picture) override;
    void ShowBackground(int tag) override;
    void SetMenuChecked(app::MenuGroup group, int tag) override;
    void SetTimerInterval(std::uint32_t milliseconds) override;
    void StopTimer() override;
    void StartTimer() override;
    void ErrorBox(const std::string& text) override;
    void InfoBox(const std::string& text) override;
    void PlainBox(const std::string& text) override;
    void StartProgram(const std::string& file, const std::string& argument) override;
    void OpenAddress(const std::string& address) override;
    void RequestQuit() override;

    // The collection is the user's own (--user-collection): Settings offers "Import ROM
    // folder...", and the reset sequence uses the import's scan cache without a notice.
    void SetOwnCollection();

    // --- Menu commands that open the dialogs ---------------------------------------------
    void ShowOptions();  // Settings > Options
    // Settings > Import ROM folder...: the New collection dialog, filled with today's folders
    // and DAT files; a collection made again runs the reset sequence with its options.
    void ImportRomFolder();
    void ShowAbout();        // Help > About...
    void ShowUpdateCheck();  // Help > Update?

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void SetUpLook();
    void SetUpStoredPictures();
    void ConnectEvents();
    void FirstActivation();
    QWidget* Widget(app::Control control) const;
    QActionGroup* Group(app::MenuGroup group) const;
    void ApplyTimer();
    void ApplyProgress();
    const QPixmap& Background(int tag);

    std::unique_ptr<Ui::MainWindow> ui_;
    Desktop& desktop_;
    std::unique_ptr<app::MainWindowLogic> logic_;
    TitleListModel model_;
    QTimer slideshow_timer_;

    // The slideshow timer ticks while it is enabled and its interval is above 0.
    std::uint32_t timer_interval_ = 2000;
    bool timer_enabled_ = true;

    // The progress bar's own range and position; Qt's bar cannot show an empty range.
    int progress_min_ = 0;
    int progress_max_ = 100;
    int progress_position_ = 0;

    bool first_activation_scheduled_ = false;
    bool first_activation_done_ = false;
    int exposure_waits_ = 0;
    bool updating_list_ = false;

    QPixmap default_screen_;
    QPixmap no_image_screen_;
    std::array<QPixmap, 5> backgrounds_;  // by background Tag: -1, 1, 2, 3, 4

    // The dialogs live hidden from the start and keep their contents between showings.
    // Declared last: they use the logic, so they go first.
    std::unique_ptr<OptionsDialog> options_dialog_;
    std::unique_ptr<AboutDialog> about_dialog_;
    std::unique_ptr<UpdateDialog> update_dialog_;
};

}  // namespace varnimo::ui
