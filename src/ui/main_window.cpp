#include "main_window.h"

#include <QActionGroup>
#include <QFile>
#include <QLabel>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <limits>

#include "about_form.h"
#include "app/unit1.h"
#include "fonts.h"
#include "new_collection_dialog.h"
#include "path_form.h"
#include "picture_loading.h"
#include "screenshot/screenshot_decoder.h"
#include "ui_main_window.h"
#include "update_dialog.h"

namespace varnimo {

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

TForm1::TForm1(Desktop& desktop, QWidget* parent)
    : QMainWindow(parent),
      ui_(std::make_unique<Ui::TForm1>()),
      desktop_(desktop),
      model_([this](std::int32_t row) { return unit_->TitleText(row); }),
      timer2_(this) {
    ui_->setupUi(this);
    timer2_.setObjectName(QStringLiteral("Timer2"));
    ui_->TitleBox->setModel(&model_);
    // A screen reader names a control by what it is for; neither has a caption of its own.
    ui_->TitleBox->setAccessibleName(QStringLiteral("Roms"));
    ui_->search_edit_box->setAccessibleName(QStringLiteral("Search"));
    unit_ = std::make_unique<Unit1>(*this);
    path_form_ = std::make_unique<Tpath_form>(*unit_, desktop_, this);
    AboutForm_ = std::make_unique<TAboutForm>(desktop_, this);
    update_form_ =
        std::make_unique<ui::UpdateDialog>(*unit_, desktop_, ui::UpdateDialog::ServerForThisRun(),
                                           this);

    SetUpLook();
    SetUpStoredPictures();
    ConnectEvents();

    // The timer runs from the window's creation at its design interval.
    ApplyTimer();
    ui_->search_edit_box->setFocus();
}

TForm1::~TForm1() = default;

void TForm1::SetUpLook() {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    AddPlatformFallback(this);
    for (QLabel* label : {ui_->filesize_label, ui_->genre_label, ui_->player_label}) {
        AddPlatformFallback(label);
        SetColours(label, kWhite, nullptr);
    }
    SetColours(ui_->showing_counter, kMaroon, &kSilver);
    SetColours(ui_->Panel1, palette().color(QPalette::WindowText), &kSilver);
    ui_->showing_counter->hide();
    for (QLabel* label : {ui_->filesize_label, ui_->genre_label, ui_->player_label,
                          ui_->showing_counter, ui_->rom_count_label}) {
        FitToText(label);
    }

    // Pictures and the frame carry no focus and take no clicks away from what lies above.
    for (QWidget* painted : std::initializer_list<QWidget*>{
             ui_->Image_default_background, ui_->Image_space, ui_->Image_rose,
             ui_->Image_background, ui_->Bevel1, ui_->image_fractal, ui_->image_starship}) {
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

void TForm1::SetUpStoredPictures() {
    const QSize screen_size = ui_->screen->size();
    default_screen_ = QPixmap::fromImage(
        LoadStoredPicture(QStringLiteral(":/pictures/default_screen.jpg"), screen_size));
    no_image_screen_ = QPixmap::fromImage(
        LoadStoredPicture(QStringLiteral(":/pictures/no_image.jpg"), screen_size));

    ui_->Image_default_background->setPixmap(Background(-1));
    ui_->Image_background->setPixmap(Background(-1));
    ui_->Image_space->setPixmap(
        StoredPictureCorner(QStringLiteral(":/pictures/background_space.jpg"), kHolderSize));
    ui_->Image_rose->setPixmap(
        StoredPictureCorner(QStringLiteral(":/pictures/background_rose.jpg"), kHolderSize));
    ui_->image_fractal->setPixmap(
        StoredPictureCorner(QStringLiteral(":/pictures/background_fractal.jpg"), kHolderSize));
    ui_->image_starship->setPixmap(
        StoredPictureCorner(QStringLiteral(":/pictures/background_starship.jpg"), kHolderSize));
    ui_->default_->setPixmap(
        StoredPictureCorner(QStringLiteral(":/pictures/default_screen.jpg"), kHolderSize));
    ui_->no_pic->setPixmap(
        StoredPictureCorner(QStringLiteral(":/pictures/no_image.jpg"), kHolderSize));
    ui_->screen->setPixmap(default_screen_);

    const QPixmap icon =
        RenderStoredSvg(QStringLiteral(":/pictures/detail_icon.svg"), QSize(25, 15));
    for (QLabel* label : {ui_->file_size_image, ui_->genre_image, ui_->player_image}) {
        label->setPixmap(icon);
    }
}

void TForm1::ConnectEvents() {
    connect(ui_->search_edit_box, &QLineEdit::textChanged, this, [this] { unit_->search(); });
    connect(ui_->clear_button, &QPushButton::clicked, this, [this] { unit_->clear_buttonClick(); });
    connect(ui_->emu_load, &QPushButton::clicked, this,
            [this] { unit_->progstarten(Emulator::Snes9x); });
    connect(ui_->zsnes_load, &QPushButton::clicked, this,
            [this] { unit_->progstarten(Emulator::Zsnes); });
    // A double-click on a title or Enter in the list is "Run with Snes9X".
    connect(ui_->TitleBox, &TitleListView::startRequested, this,
            [this] { unit_->progstarten(Emulator::Snes9x); });

    // Press, click and selection change all run the selection update. The selection change
    // that a press makes is left to the press, which runs the update right after it.
    connect(ui_->TitleBox, &TitleListView::mousePressed, this, [this] { unit_->select(); });
    connect(ui_->TitleBox, &QAbstractItemView::clicked, this, [this] { unit_->TitleBoxClick(); });
    connect(ui_->TitleBox->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!updating_list_ && !ui_->TitleBox->InMousePress())
            unit_->TitleBoxClick();
    });

    connect(&timer2_, &QTimer::timeout, this, [this] { unit_->test_timer(); });

    connect(ui_->Reset, &QAction::triggered, this, [this] { unit_->ResetClick(); });
    connect(ui_->Beenden1, &QAction::triggered, this, [this] { unit_->Beenden1Click(); });
    connect(ui_->path, &QAction::triggered, this, &TForm1::pathClick);
    connect(ui_->import_rom_folder, &QAction::triggered, this, &TForm1::import_rom_folderClick);
    connect(ui_->Info1, &QAction::triggered, this, &TForm1::Info1Click);
    connect(ui_->Update1, &QAction::triggered, this, &TForm1::update_click);

    const auto tag_of = [](QAction* action) { return action->data().toInt(); };
    connect(ui_->BackgroundGroup, &QActionGroup::triggered, this,
            [this, tag_of](QAction* a) { unit_->Background_select(tag_of(a)); });
    connect(ui_->ShowRomsGroup, &QActionGroup::triggered, this,
            [this, tag_of](QAction* a) { unit_->List_select(tag_of(a)); });
    connect(ui_->GenreGroup, &QActionGroup::triggered, this,
            [this, tag_of](QAction* a) { unit_->Genre_AllClick(tag_of(a)); });
    connect(ui_->PlayerGroup, &QActionGroup::triggered, this,
            [this, tag_of](QAction* a) { unit_->Player_AllClick(tag_of(a)); });
    connect(ui_->RegionGroup, &QActionGroup::triggered, this,
            [this, tag_of](QAction* a) { unit_->Region_AllClick(tag_of(a)); });
}

// --- First activation --------------------------------------------------------------------

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!first_activation_scheduled_) {
        first_activation_scheduled_ = true;
        QTimer::singleShot(0, this, &TForm1::FirstActivation);
    }
}

// The start-up sequence runs once, after the window is on the screen, so that its progress
// can be seen. Dialogs and message boxes that close later hand the focus back without
// coming here again.
void TForm1::FirstActivation() {
    if (first_activation_done_)
        return;
    const QWindow* window = windowHandle();
    if ((window == nullptr || !window->isExposed()) && exposure_waits_ < 50) {
        ++exposure_waits_;
        QTimer::singleShot(10, this, &TForm1::FirstActivation);
        return;
    }
    first_activation_done_ = true;
    unit_->ResetClick();
}

// --- Dialog commands ---------------------------------------------------------------------

void TForm1::SetOwnCollection() {
    unit_->OwnCollection = true;
    ui_->import_rom_folder->setVisible(true);
}

void TForm1::pathClick() {
    path_form_->exec();
}

void TForm1::import_rom_folderClick() {
    NewCollectionDialog dialog(
        desktop_,
        ImportAgainRequest(unit_->ProgramOptions, unit_->Timer2Interval(), unit_->ShowMode), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The new options.dat holds the folders just chosen: read it as at the start.
    unit_->OptionsLoaded = false;
    unit_->ResetClick();
}

void TForm1::Info1Click() {
    AboutForm_->exec();
}

void TForm1::update_click() {
    update_form_->exec();
}

// --- Title list --------------------------------------------------------------------------

void TForm1::SetTitleLines(const std::vector<std::int32_t>& rows) {
    updating_list_ = true;
    model_.SetRows(rows);
    updating_list_ = false;
    ui_->TitleBox->scrollToTop();
}

void TForm1::ClearTitleLines() {
    updating_list_ = true;
    model_.Clear();
    updating_list_ = false;
}

int TForm1::SelectedLine() const {
    const QModelIndexList selected = ui_->TitleBox->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

// --- Captions ----------------------------------------------------------------------------

std::string TForm1::SearchText() const {
    return ui_->search_edit_box->text().toLocal8Bit().toStdString();
}

void TForm1::SetSearchText(const std::string& text) {
    const QString decoded = QString::fromLocal8Bit(text);
    // Only a different text is a change; the change event rebuilds the list at once.
    if (decoded != ui_->search_edit_box->text())
        ui_->search_edit_box->setText(decoded);
}

QWidget* TForm1::Widget(Control control) const {
    switch (control) {
        case Control::TitleBox:
            return ui_->TitleBox;
        case Control::search_edit_box:
            return ui_->search_edit_box;
        case Control::showing_counter:
            return ui_->showing_counter;
        case Control::rom_count_label:
            return ui_->rom_count_label;
        case Control::filesize_label:
            return ui_->filesize_label;
        case Control::genre_label:
            return ui_->genre_label;
        case Control::player_label:
            return ui_->player_label;
        case Control::ProgressBar:
            return ui_->ProgressBar;
        case Control::loading_Button:
            return ui_->loading_Button;
        case Control::screen:
            return ui_->screen;
    }
    return nullptr;
}

void TForm1::SetCaption(Control control, const std::string& text) {
    const QString caption = QString::fromLocal8Bit(text);
    QWidget* widget = Widget(control);
    if (auto* label = qobject_cast<QLabel*>(widget); label && label != ui_->screen) {
        label->setText(caption);
        FitToText(label);
    } else if (control == Control::loading_Button) {
        ui_->loading_Button->setText(caption);
        // The status shows during long synchronous work: draw it now, not after it.
        ui_->loading_Button->repaint();
    } else if (control == Control::search_edit_box) {
        SetSearchText(text);
    }
    // The list, the progress bar and the screen have no caption.
}

void TForm1::SetVisible(Control control, bool visible) {
    QWidget* widget = Widget(control);
    widget->setVisible(visible);
    if (visible && (control == Control::ProgressBar || control == Control::loading_Button)) {
        widget->repaint();
    }
}

void TForm1::Repaint() {
    repaint();
}

// --- Progress ----------------------------------------------------------------------------

void TForm1::SetProgressRange(int min, int max) {
    progress_min_ = min;
    progress_max_ = max;
    progress_position_ = std::clamp(progress_position_, min, std::max(min, max));
    ApplyProgress();
}

void TForm1::SetProgress(int position) {
    progress_position_ =
        std::clamp(position, progress_min_, std::max(progress_min_, progress_max_));
    ApplyProgress();
}

void TForm1::StepProgress() {
    // Stepping past the end starts over from the beginning, as a progress bar's step does.
    if (progress_position_ >= progress_max_) {
        progress_position_ = progress_min_;
    } else {
        ++progress_position_;
    }
    ApplyProgress();
}

void TForm1::StepProgressBy(std::size_t steps) {
    // The steps of a load that has already happened: only where they end is drawn.
    for (; steps > 0; --steps) {
        progress_position_ =
            progress_position_ >= progress_max_ ? progress_min_ : progress_position_ + 1;
    }
    ApplyProgress();
}

void TForm1::ApplyProgress() {
    QProgressBar* bar = ui_->ProgressBar;
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

void TForm1::ShowScreenshotFile(const std::string& path) {
    // Decoded first, shown after: a file that fails leaves the previous picture.
    const QImage image = LoadScreenshot(path, ui_->screen->size());
    ui_->screen->setPixmap(QPixmap::fromImage(image));
}

void TForm1::ShowBuiltInPicture(BuiltInPicture picture) {
    ui_->screen->setPixmap(picture == BuiltInPicture::Default ? default_screen_ : no_image_screen_);
}

const QPixmap& TForm1::Background(int tag) {
    const int slot = BackgroundSlot(tag);
    QPixmap& pixmap = backgrounds_[static_cast<std::size_t>(slot)];
    if (pixmap.isNull()) {
        pixmap = QPixmap::fromImage(
            LoadStoredPicture(QString::fromLatin1(BackgroundResource(slot)), kBackgroundSize));
    }
    return pixmap;
}

void TForm1::ShowBackground(int tag) {
    if (BackgroundSlot(tag) < 0)
        return;
    ui_->Image_background->setPixmap(Background(tag));
}

// --- Menus -------------------------------------------------------------------------------

QActionGroup* TForm1::Group(MenuGroup group) const {
    switch (group) {
        case MenuGroup::Background:
            return ui_->BackgroundGroup;
        case MenuGroup::ShowRoms:
            return ui_->ShowRomsGroup;
        case MenuGroup::Genre:
            return ui_->GenreGroup;
        case MenuGroup::Player:
            return ui_->PlayerGroup;
        case MenuGroup::Region:
            return ui_->RegionGroup;
    }
    return nullptr;
}

void TForm1::SetMenuChecked(MenuGroup group, int tag) {
    for (QAction* action : Group(group)->actions()) {
        if (action->data().toInt() == tag) {
            action->setChecked(true);  // the exclusive group takes the mark off the others
            return;
        }
    }
}

// --- Timer2 ------------------------------------------------------------------------------

void TForm1::SetTimerInterval(std::uint32_t milliseconds) {
    if (milliseconds == timer_interval_)
        return;
    timer_interval_ = milliseconds;
    ApplyTimer();
}

void TForm1::StopTimer() {
    timer_enabled_ = false;
    ApplyTimer();
}

void TForm1::StartTimer() {
    timer_enabled_ = true;
    ApplyTimer();
}

void TForm1::ApplyTimer() {
    if (timer_enabled_ && timer_interval_ > 0) {
        // QTimer takes an int; longer intervals tick at the longest period it can wait.
        const auto longest = static_cast<std::uint32_t>(std::numeric_limits<int>::max());
        timer2_.start(static_cast<int>(std::min(timer_interval_, longest)));
    } else {
        timer2_.stop();
    }
}

// --- Boxes, programs, quitting -----------------------------------------------------------

void TForm1::ErrorBox(const std::string& text) {
    desktop_.ShowBox(this, QMessageBox::Critical, QStringLiteral("Error"),
                     QString::fromLocal8Bit(text));
}

void TForm1::InfoBox(const std::string& text) {
    desktop_.ShowBox(this, QMessageBox::Information, QStringLiteral("Information"),
                     QString::fromLocal8Bit(text));
}

void TForm1::PlainBox(const std::string& text) {
    desktop_.ShowBox(this, QMessageBox::NoIcon, QStringLiteral("Varnimo"),
                     QString::fromLocal8Bit(text));
}

void TForm1::StartProgram(const std::string& file, const std::string& argument) {
    // One argument, no shell: blanks and quotes in the path stay part of the path, and its
    // bytes reach the program unchanged.
    desktop_.StartDetachedBytes(file, argument);
}

void TForm1::OpenAddress(const std::string& address) {
    desktop_.OpenAddress(this, QUrl(QString::fromLocal8Bit(address)));
}

void TForm1::RequestQuit() {
    QTimer::singleShot(0, this, [this] {
        close();
        QCoreApplication::quit();
    });
}

}  // namespace varnimo
