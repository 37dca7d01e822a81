#include "main_window.h"

#include <QActionGroup>
#include <QFile>
#include <QLabel>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <limits>

#include "about_dialog.h"
#include "app/main_window_logic.h"
#include "fonts.h"
#include "new_collection_dialog.h"
#include "options_dialog.h"
#include "picture_loading.h"
#include "screenshot/screenshot_decoder.h"
#include "ui_main_window.h"
#include "update_dialog.h"

namespace varnimo::ui {

namespace {

const QSize kBackgroundSize(665, 426);
const QSize kHolderSize(2, 2);

const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kMaroon(0x80, 0x00, 0x00);
const QColor kSilver(0xC0, 0xC0, 0xC0);

// Labels size themselves to their caption, keeping their top-left corner and height.
void FitToText(QLabel* label) {
    label->resize(label->sizeHint().width(), label->height());
}

void SetColours(QWidget* widget, const QColor& text, const QColor* background) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, text);
    if (background)
        palette.setColor(QPalette::Window, *background);
    widget->setPalette(palette);
    widget->setAutoFillBackground(background != nullptr);
}

int BackgroundSlot(int tag) {
    switch (tag) {
        case -1:
            return 0;
        case 1:
            return 1;
        case 2:
            return 2;
        case 3:
            return 3;
        case 4:
            return 4;
        default:
            return -1;
    }
}

const char* BackgroundResource(int slot) {
    static const char* const kResources[] = {
        ":/pictures/background_default.jpg", ":/pictures/background_rose.jpg",
        ":/pictures/background_space.jpg", ":/pictures/background_fractal.jpg",
        ":/pictures/background_starship.jpg"};
    return kResources[slot];
}

}  // namespace

MainWindow::MainWindow(Desktop& desktop, QWidget* parent)
    : QMainWindow(parent),
      ui_(std::make_unique<Ui::MainWindow>()),
      desktop_(desktop),
      model_([this](std::int32_t row) { return logic_->TitleText(row); }),
      slideshow_timer_(this) {
    ui_->setupUi(this);
    slideshow_timer_.setObjectName(QStringLiteral("slideshowTimer"));
    ui_->titleList->setModel(&model_);
    // A screen reader names a control by what it is for; neither has a caption of its own.
    ui_->titleList->setAccessibleName(QStringLiteral("Roms"));
    ui_->searchBox->setAccessibleName(QStringLiteral("Search"));
    logic_ = std::make_unique<app::MainWindowLogic>(*this);
    options_dialog_ = std::make_unique<OptionsDialog>(*logic_, desktop_, this);
    about_dialog_ = std::make_unique<AboutDialog>(desktop_, this);
    update_dialog_ = std::make_unique<UpdateDialog>(logic_->CurrentCollection(), desktop_,
                                                    UpdateDialog::ServerForThisRun(), this);

    SetUpLook();
    SetUpStoredPictures();
    ConnectEvents();

    // The timer runs from the window's creation at its design interval.
    ApplyTimer();
    ui_->searchBox->setFocus();
}

MainWindow::~MainWindow() = default;

void MainWindow::SetUpLook() {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    AddPlatformFallback(this);
    for (QLabel* label : {ui_->fileSizeLabel, ui_->genreLabel, ui_->playerLabel}) {
        AddPlatformFallback(label);
        SetColours(label, kWhite, nullptr);
    }
    SetColours(ui_->showingCounter, kMaroon, &kSilver);
    SetColours(ui_->romCountPanel, palette().color(QPalette::WindowText), &kSilver);
    ui_->showingCounter->hide();
    for (QLabel* label : {ui_->fileSizeLabel, ui_->genreLabel, ui_->playerLabel,
                          ui_->showingCounter, ui_->romCountLabel}) {
        FitToText(label);
    }

    // Pictures and the frame carry no focus and take no clicks away from what lies above.
    for (QWidget* painted : std::initializer_list<QWidget*>{
             ui_->defaultBackground, ui_->spaceHolder, ui_->roseHolder, ui_->background,
             ui_->detailsBevel, ui_->fractalHolder, ui_->starShipHolder}) {
        painted->setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    // Tags travel with the menu entries as action data; the .ui file keeps them as "Tag".
    for (QAction* action : findChildren<QAction*>()) {
        const QVariant tag = action->property("Tag");
        if (tag.isValid())
            action->setData(tag.toInt());
    }

    // A fixed client area of 660 x 424 with the menu bar above it.
    ui_->client->setFixedSize(660, 424);
    setFixedSize(660, 424 + menuBar()->sizeHint().height());
    move(331, 126);
}

void MainWindow::SetUpStoredPictures() {
    const QSize screen_size = ui_->screenshot->size();
    default_screen_ = QPixmap::fromImage(
        LoadStoredPicture(QStringLiteral(":/pictures/default_screen.jpg"), screen_size));
    no_image_screen_ = QPixmap::fromImage(
        LoadStoredPicture(QStringLiteral(":/pictures/no_image.jpg"), screen_size));

    ui_->defaultBackground->setPixmap(Background(-1));
    ui_->background->setPixmap(Background(-1));
    ui_->spaceHolder->setPixmap(
        StoredPictureCorner(QStringLiteral(":/pictures/background_space.jpg"), kHolderSize));
    ui_->roseHolder->setPixmap(
        StoredPictureCorner(QStringLiteral(":/pictures/background_rose.jpg"), kHolderSize));
    ui_->fractalHolder->setPixmap(
        StoredPictureCorner(QStringLiteral(":/pictures/background_fractal.jpg"), kHolderSize));
    ui_->starShipHolder->setPixmap(
        StoredPictureCorner(QStringLiteral(":/pictures/background_starship.jpg"), kHolderSize));
    ui_->defaultScreenHolder->setPixmap(
        StoredPictureCorner(QStringLiteral(":/pictures/default_screen.jpg"), kHolderSize));
    ui_->noPictureHolder->setPixmap(
        StoredPictureCorner(QStringLiteral(":/pictures/no_image.jpg"), kHolderSize));
    ui_->screenshot->setPixmap(default_screen_);

    const QPixmap icon =
        RenderStoredSvg(QStringLiteral(":/pictures/detail_icon.svg"), QSize(25, 15));
    for (QLabel* label : {ui_->fileSizeIcon, ui_->genreIcon, ui_->playerIcon}) {
        label->setPixmap(icon);
    }
}

void MainWindow::ConnectEvents() {
    connect(ui_->searchBox, &QLineEdit::textChanged, this, [this] { logic_->SearchChanged(); });
    connect(ui_->clearButton, &QPushButton::clicked, this, [this] { logic_->ClearSearch(); });
    connect(ui_->runSnes9xButton, &QPushButton::clicked, this,
            [this] { logic_->Launch(app::Emulator::Snes9x); });
    connect(ui_->runZsnesButton, &QPushButton::clicked, this,
            [this] { logic_->Launch(app::Emulator::Zsnes); });
    // A double-click on a title or Enter in the list is "Run with Snes9X".
    connect(ui_->titleList, &TitleListView::startRequested, this,
            [this] { logic_->Launch(app::Emulator::Snes9x); });

    // Press, click and selection change all run the selection update. The selection change
    // that a press makes is left to the press, which runs the update right after it.
    connect(ui_->titleList, &TitleListView::mousePressed, this,
            [this] { logic_->SelectionChanged(); });
    connect(ui_->titleList, &QAbstractItemView::clicked, this,
            [this] { logic_->SelectionChanged(); });
    connect(ui_->titleList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!updating_list_ && !ui_->titleList->InMousePress())
            logic_->SelectionChanged();
    });

    connect(&slideshow_timer_, &QTimer::timeout, this, [this] { logic_->SlideshowTick(); });

    connect(ui_->resetAction, &QAction::triggered, this, [this] { logic_->Reset(); });
    connect(ui_->quitAction, &QAction::triggered, this, [this] { logic_->Quit(); });
    connect(ui_->optionsAction, &QAction::triggered, this, &MainWindow::ShowOptions);
    connect(ui_->importRomFolderAction, &QAction::triggered, this, &MainWindow::ImportRomFolder);
    connect(ui_->aboutAction, &QAction::triggered, this, &MainWindow::ShowAbout);
    connect(ui_->updateCheckAction, &QAction::triggered, this, &MainWindow::ShowUpdateCheck);

    const auto tag_of = [](QAction* action) { return action->data().toInt(); };
    connect(ui_->backgroundGroup, &QActionGroup::triggered, this,
            [this, tag_of](QAction* a) { logic_->ChooseBackground(tag_of(a)); });
    connect(ui_->showRomsGroup, &QActionGroup::triggered, this,
            [this, tag_of](QAction* a) { logic_->SetFilter(app::MenuGroup::ShowRoms, tag_of(a)); });
    connect(ui_->genreGroup, &QActionGroup::triggered, this,
            [this, tag_of](QAction* a) { logic_->SetFilter(app::MenuGroup::Genre, tag_of(a)); });
    connect(ui_->playerGroup, &QActionGroup::triggered, this,
            [this, tag_of](QAction* a) { logic_->SetFilter(app::MenuGroup::Player, tag_of(a)); });
    connect(ui_->regionGroup, &QActionGroup::triggered, this,
            [this, tag_of](QAction* a) { logic_->SetFilter(app::MenuGroup::Region, tag_of(a)); });
}

// --- First activation --------------------------------------------------------------------

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!first_activation_scheduled_) {
        first_activation_scheduled_ = true;
        QTimer::singleShot(0, this, &MainWindow::FirstActivation);
    }
}

// The start-up sequence runs once, after the window is on the screen, so that its progress
// can be seen. Dialogs and message boxes that close later hand the focus back without
// coming here again.
void MainWindow::FirstActivation() {
    if (first_activation_done_)
        return;
    const QWindow* window = windowHandle();
    if ((window == nullptr || !window->isExposed()) && exposure_waits_ < 50) {
        ++exposure_waits_;
        QTimer::singleShot(10, this, &MainWindow::FirstActivation);
        return;
    }
    first_activation_done_ = true;
    logic_->Reset();
}

// --- Dialog commands ---------------------------------------------------------------------

void MainWindow::SetOwnCollection() {
    logic_->SetOwnCollection();
    ui_->importRomFolderAction->setVisible(true);
}

void MainWindow::ShowOptions() {
    options_dialog_->exec();
}

void MainWindow::ImportRomFolder() {
    NewCollectionDialog dialog(
        desktop_,
        app::ImportAgainRequest(logic_->Options(), logic_->SlideshowInterval(), logic_->ShowMode()),
        this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The new options.dat holds the folders just chosen: read it as at the start.
    logic_->ForgetOptions();
    logic_->Reset();
}

void MainWindow::ShowAbout() {
    about_dialog_->exec();
}

void MainWindow::ShowUpdateCheck() {
    update_dialog_->exec();
}

// --- Title list --------------------------------------------------------------------------

void MainWindow::SetTitleLines(const std::vector<std::int32_t>& rows) {
    updating_list_ = true;
    model_.SetRows(rows);
    updating_list_ = false;
    ui_->titleList->scrollToTop();
}

void MainWindow::ClearTitleLines() {
    updating_list_ = true;
    model_.Clear();
    updating_list_ = false;
}

int MainWindow::SelectedLine() const {
    const QModelIndexList selected = ui_->titleList->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

// --- Captions ----------------------------------------------------------------------------

std::string MainWindow::SearchText() const {
    return ui_->searchBox->text().toLocal8Bit().toStdString();
}

void MainWindow::SetSearchText(const std::string& text) {
    const QString decoded = QString::fromLocal8Bit(text);
    // Only a different text is a change; the change event rebuilds the list at once.
    if (decoded != ui_->searchBox->text())
        ui_->searchBox->setText(decoded);
}

QWidget* MainWindow::Widget(app::Control control) const {
    switch (control) {
        case app::Control::TitleList:
            return ui_->titleList;
        case app::Control::SearchBox:
            return ui_->searchBox;
        case app::Control::ShowingCounter:
            return ui_->showingCounter;
        case app::Control::RomCount:
            return ui_->romCountLabel;
        case app::Control::FileSize:
            return ui_->fileSizeLabel;
        case app::Control::Genre:
            return ui_->genreLabel;
        case app::Control::Player:
            return ui_->playerLabel;
        case app::Control::ProgressBar:
            return ui_->progressBar;
        case app::Control::LoadingStatus:
            return ui_->loadingStatusButton;
        case app::Control::Screenshot:
            return ui_->screenshot;
    }
    return nullptr;
}

void MainWindow::SetCaption(app::Control control, const std::string& text) {
    const QString caption = QString::fromLocal8Bit(text);
    QWidget* widget = Widget(control);
    if (auto* label = qobject_cast<QLabel*>(widget); label && label != ui_->screenshot) {
        label->setText(caption);
        FitToText(label);
    } else if (control == app::Control::LoadingStatus) {
        ui_->loadingStatusButton->setText(caption);
        // The status shows during long synchronous work: draw it now, not after it.
        ui_->loadingStatusButton->repaint();
    } else if (control == app::Control::SearchBox) {
        SetSearchText(text);
    }
    // The list, the progress bar and the screen have no caption.
}

void MainWindow::SetVisible(app::Control control, bool visible) {
    QWidget* widget = Widget(control);
    widget->setVisible(visible);
    if (visible &&
        (control == app::Control::ProgressBar || control == app::Control::LoadingStatus)) {
        widget->repaint();
    }
}

void MainWindow::Repaint() {
    repaint();
}

// --- Progress ----------------------------------------------------------------------------

void MainWindow::SetProgressRange(int min, int max) {
    progress_min_ = min;
    progress_max_ = max;
    progress_position_ = std::clamp(progress_position_, min, std::max(min, max));
    ApplyProgress();
}

void MainWindow::SetProgress(int position) {
    progress_position_ =
        std::clamp(position, progress_min_, std::max(progress_min_, progress_max_));
    ApplyProgress();
}

void MainWindow::StepProgress() {
    // Stepping past the end starts over from the beginning, as a progress bar's step does.
    if (progress_position_ >= progress_max_) {
        progress_position_ = progress_min_;
    } else {
        ++progress_position_;
    }
    ApplyProgress();
}

void MainWindow::StepProgressBy(std::size_t steps) {
    // The steps of a load that has already happened: only where they end is drawn.
    for (; steps > 0; --steps) {
        progress_position_ =
            progress_position_ >= progress_max_ ? progress_min_ : progress_position_ + 1;
    }
    ApplyProgress();
}

void MainWindow::ApplyProgress() {
    QProgressBar* bar = ui_->progressBar;
    if (progress_max_ > progress_min_) {
        if (bar->minimum() != progress_min_ || bar->maximum() != progress_max_) {
            bar->setRange(progress_min_, progress_max_);
        }
        // setValue repaints at once whenever the drawn bar changes, but it also formats the
        // bar's text on every call, which costs more than reading a catalogue line: a
        // million steps took seconds. Hand the bar a value only when it moves by at least a
        // pixel's worth, and always at either end.
        const std::int64_t span = std::int64_t{progress_max_} - progress_min_;
        const std::int64_t pixel = std::max<std::int64_t>(1, span / std::max(1, bar->width()));
        const std::int64_t moved = std::abs(std::int64_t{progress_position_} - bar->value());
        if (progress_position_ == progress_min_ || progress_position_ == progress_max_ ||
            moved >= pixel) {
            bar->setValue(progress_position_);
        }
    } else {
        // An empty range would make Qt's bar run its busy animation; show it empty instead.
        bar->setRange(0, 1);
        bar->setValue(0);
    }
}

// --- Pictures ----------------------------------------------------------------------------

void MainWindow::ShowScreenshotFile(const std::string& path) {
    // Decoded first, shown after: a file that fails leaves the previous picture.
    const QImage image = LoadScreenshot(path, ui_->screenshot->size());
    ui_->screenshot->setPixmap(QPixmap::fromImage(image));
}

void MainWindow::ShowBuiltInPicture(app::BuiltInPicture picture) {
    ui_->screenshot->setPixmap(picture == app::BuiltInPicture::Default ? default_screen_
                                                                       : no_image_screen_);
}

const QPixmap& MainWindow::Background(int tag) {
    const int slot = BackgroundSlot(tag);
    QPixmap& pixmap = backgrounds_[static_cast<std::size_t>(slot)];
    if (pixmap.isNull()) {
        pixmap = QPixmap::fromImage(
            LoadStoredPicture(QString::fromLatin1(BackgroundResource(slot)), kBackgroundSize));
    }
    return pixmap;
}

void MainWindow::ShowBackground(int tag) {
    if (BackgroundSlot(tag) < 0)
        return;
    ui_->background->setPixmap(Background(tag));
}

// --- Menus -------------------------------------------------------------------------------

QActionGroup* MainWindow::Group(app::MenuGroup group) const {
    switch (group) {
        case app::MenuGroup::Background:
            return ui_->backgroundGroup;
        case app::MenuGroup::ShowRoms:
            return ui_->showRomsGroup;
        case app::MenuGroup::Genre:
            return ui_->genreGroup;
        case app::MenuGroup::Player:
            return ui_->playerGroup;
        case app::MenuGroup::Region:
            return ui_->regionGroup;
    }
    return nullptr;
}

void MainWindow::SetMenuChecked(app::MenuGroup group, int tag) {
    for (QAction* action : Group(group)->actions()) {
        if (action->data().toInt() == tag) {
            action->setChecked(true);  // the exclusive group takes the mark off the others
            return;
        }
    }
}

// --- Slideshow timer ---------------------------------------------------------------------

void MainWindow::SetTimerInterval(std::uint32_t milliseconds) {
    if (milliseconds == timer_interval_)
        return;
    timer_interval_ = milliseconds;
    ApplyTimer();
}

void MainWindow::StopTimer() {
    timer_enabled_ = false;
    ApplyTimer();
}

void MainWindow::StartTimer() {
    timer_enabled_ = true;
    ApplyTimer();
}

void MainWindow::ApplyTimer() {
    if (timer_enabled_ && timer_interval_ > 0) {
        // QTimer takes an int; longer intervals tick at the longest period it can wait.
        const auto longest = static_cast<std::uint32_t>(std::numeric_limits<int>::max());
        slideshow_timer_.start(static_cast<int>(std::min(timer_interval_, longest)));
    } else {
        slideshow_timer_.stop();
    }
}

// --- Boxes, programs, quitting -----------------------------------------------------------

void MainWindow::ErrorBox(const std::string& text) {
    desktop_.ShowBox(this, QMessageBox::Critical, QStringLiteral("Error"),
                     QString::fromLocal8Bit(text));
}

void MainWindow::InfoBox(const std::string& text) {
    desktop_.ShowBox(this, QMessageBox::Information, QStringLiteral("Information"),
                     QString::fromLocal8Bit(text));
}

void MainWindow::PlainBox(const std::string& text) {
    desktop_.ShowBox(this, QMessageBox::NoIcon, QStringLiteral("Varnimo"),
                     QString::fromLocal8Bit(text));
}

void MainWindow::StartProgram(const std::string& file, const std::string& argument) {
    // One argument, no shell: blanks and quotes in the path stay part of the path, and its
    // bytes reach the program unchanged.
    desktop_.StartDetachedBytes(file, argument);
}

void MainWindow::OpenAddress(const std::string& address) {
    desktop_.OpenAddress(this, QUrl(QString::fromLocal8Bit(address)));
}

void MainWindow::RequestQuit() {
    QTimer::singleShot(0, this, [this] {
        close();
        QCoreApplication::quit();
    });
}

}  // namespace varnimo::ui
