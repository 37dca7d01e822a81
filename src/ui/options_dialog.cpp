#include "options_dialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QRadioButton>
#include <QShowEvent>
#include <QSlider>
#include <algorithm>
#include <string>

#include "app/main_window_logic.h"
#include "desktop.h"
#include "fonts.h"
#include "rtl/convert.h"
#include "rtl/files.h"
#include "settings/program_options.h"
#include "ui_options_dialog.h"

namespace varnimo {

namespace {

const char* const kNoPath = "- no path selected -";
const char* const kNoEmulator = "- no emulator executeable selected -";

constexpr int kLongestInterval = 10;  // seconds, the track bar's right end

// A caption wider in the fallback font than in the designed one still shows whole.
void WidenToText(QWidget* widget) {
    widget->resize(std::max(widget->width(), widget->sizeHint().width()), widget->height());
}

// Paths are bytes in the system's code page; the edits show them decoded.
QString Shown(const std::string& path, const char* when_empty) {
    return path.empty() ? QString::fromLatin1(when_empty)
                        : QFile::decodeName(QByteArray::fromStdString(path));
}

// The dialog's own boxes, over the dialog.
class DialogBoxes final : public settings::MessageBoxes {
  public:
    DialogBoxes(Desktop& desktop, QWidget* parent) : desktop_(desktop), parent_(parent) {}
    void ErrorBox(const std::string& text) override {
        desktop_.ShowBox(parent_, QMessageBox::Critical, QStringLiteral("Error"),
                         QString::fromLocal8Bit(text));
    }
    void InfoBox(const std::string& text) override {
        desktop_.ShowBox(parent_, QMessageBox::Information, QStringLiteral("Information"),
                         QString::fromLocal8Bit(text));
    }

  private:
    Desktop& desktop_;
    QWidget* parent_;
};

}  // namespace

QString QtFolderBrowser::Browse(QWidget* parent, const QString& instruction) {
    // Starts at the top of the user's own files with nothing selected, like the shell's
    // folder picker that starts at the desktop.
    return QFileDialog::getExistingDirectory(parent, instruction, QDir::homePath(),
                                             QFileDialog::ShowDirsOnly);
}

OptionsDialog::OptionsDialog(app::MainWindowLogic& unit, Desktop& desktop, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::OptionsDialog>()), unit_(unit), desktop_(desktop) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    AddPlatformFallback(this);
    // Group captions sit on the frame line, so that the controls laid out below them fit.
    setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));
    setFixedSize(554, 408);
    move(369, 208);
    for (QWidget* captioned :
         std::initializer_list<QWidget*>{ui_->Label1, ui_->Label2, ui_->Label3,
                                         ui_->startup_screen_button, ui_->ingame_screen_button}) {
        WidenToText(captioned);
    }
    ConnectEvents();
}

OptionsDialog::~OptionsDialog() = default;

void OptionsDialog::ConnectEvents() {
    connect(ui_->screen_path_button, &QPushButton::clicked, this,
            &OptionsDialog::ChooseScreenFolder);
    connect(ui_->rom_path_button, &QPushButton::clicked, this, &OptionsDialog::ChooseRomFolder);
    connect(ui_->emu_path_button, &QPushButton::clicked, this, &OptionsDialog::ChooseSnes9xFolder);
    connect(ui_->zsnes_path_button, &QPushButton::clicked, this, &OptionsDialog::ChooseZsnesFolder);
    connect(ui_->save_options_button, &QPushButton::clicked, this, &OptionsDialog::Save);
    connect(ui_->load_options_button, &QPushButton::clicked, this, &OptionsDialog::Load);
    connect(ui_->Exit, &QPushButton::clicked, this, &OptionsDialog::Exit);

    // Every operation of the user runs the change handler, also one that leaves the bar
    // where it was (an arrow key at the end, a click on the thumb, a drag back to its start).
    // Positions the program sets go through SetTrackBarPosition instead, so valueChanged is
    // deliberately not used.
    QSlider* bar = ui_->screen_timer_bar;
    connect(bar, &QSlider::actionTriggered, this, [this, bar](int) {
        // The bar takes the new position only after this signal; take it now, so that the
        // handler and whatever it marks see the bar where the user put it.
        bar->setValue(bar->sliderPosition());
        SlideshowSecondsChanged(bar->value());
    });
    connect(bar, &QSlider::sliderReleased, this,
            [this, bar] { SlideshowSecondsChanged(bar->value()); });

    // A radio button's handler runs when it becomes marked, by the user or the program.
    connect(ui_->startup_screen_button, &QRadioButton::toggled, this, [this](bool marked) {
        if (marked)
            ChooseStartupOnly();
    });
    connect(ui_->ingame_screen_button, &QRadioButton::toggled, this, [this](bool marked) {
        if (marked)
            ChooseIngameOnly();
    });
}

void OptionsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Refilled once the dialog is up and its modal loop runs, so that a conversion error
    // ends only this refill and is shown like any other.
    if (!event->spontaneous()) {
        QMetaObject::invokeMethod(this, &OptionsDialog::Refill, Qt::QueuedConnection);
    }
}

// --- Program changes to the controls -------------------------------------------------------

void OptionsDialog::SetTrackBarPosition(int position) {
    position = std::clamp(position, 0, kLongestInterval);
    QSlider* bar = ui_->screen_timer_bar;
    if (position == bar->value())
        return;
    bar->setValue(position);
    SlideshowSecondsChanged(position);
}

void OptionsDialog::Mark(QRadioButton* button) {
    // Marking one button of the pair unmarks the other before this one's handler runs.
    button->setChecked(true);
}

void OptionsDialog::Unmark(QRadioButton* button) {
    if (!button->isChecked())
        return;
    // The user cannot unmark a radio button, but the program can leave both unmarked.
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
}

// --- Handlers ------------------------------------------------------------------------------

void OptionsDialog::Refill() {
    // Before any options were read the controls keep what they show, choices made with the
    // Change buttons included.
    if (!unit_.OptionsLoaded())
        return;

    const settings::ProgramOptions& options = unit_.Options();
    ui_->screen_edit->setText(Shown(options.ScreenPath, kNoPath));
    ui_->rom_edit->setText(Shown(options.RomPath, kNoPath));
    ui_->emu_edit->setText(Shown(options.Snes9xPath, kNoEmulator));
    ui_->zsnes_edit->setText(Shown(options.ZsnesPath, kNoEmulator));

    // A new position runs the change handler, which rounds the interval to whole seconds.
    const std::uint32_t seconds = unit_.SlideshowInterval() / 1000;
    SetTrackBarPosition(static_cast<int>(std::min<std::uint32_t>(seconds, kLongestInterval)));

    unit_.SetShowMode(unit_.ModeText().empty() ? settings::Alternate
                                               : rtl::StrToInt(unit_.ModeText()));
    if (unit_.ShowMode() == settings::IngameOnly)
        Mark(ui_->ingame_screen_button);
    // Read again: marking runs a handler that sets the mode itself.
    if (unit_.ShowMode() == settings::StartupOnly)
        Mark(ui_->startup_screen_button);
}

void OptionsDialog::ChooseFolder(const QString& instruction, QLineEdit* edit, Folder folder_of) {
    const QString folder = browser_->Browse(this, instruction);
    if (folder.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(folder);
    edit->setText(shown);
    // Always one separator more, a root's own included: readers append names directly.
    settings::ProgramOptions options = unit_.Options();
    options.*folder_of = QFile::encodeName(shown).toStdString() + rtl::kPathSeparator;
    unit_.SetOptions(options);
}

void OptionsDialog::ChooseEmulatorFolder(const QString& instruction, settings::Emulator emulator,
                                         const QString& not_found, QLineEdit* edit,
                                         Folder folder_of) {
    DialogBoxes boxes(desktop_, this);
    for (;;) {
        const QString folder = browser_->Browse(this, instruction);
        if (folder.isEmpty())
            return;  // the path keeps the last folder tried
        const QString shown = QDir::toNativeSeparators(folder);
        settings::ProgramOptions options = unit_.Options();
        const std::string path = QFile::encodeName(shown).toStdString() + rtl::kPathSeparator;
        options.*folder_of = path;
        unit_.SetOptions(options);
        // A folder is taken only when it holds a program the Run button can start.
        if (!settings::FindEmulatorProgram(path, emulator).empty()) {
            edit->setText(shown);
            return;
        }
        boxes.ErrorBox(not_found.toStdString());
    }
}

void OptionsDialog::ChooseScreenFolder() {
    ChooseFolder(QStringLiteral("Please locate the screenshots."), ui_->screen_edit,
                 &settings::ProgramOptions::ScreenPath);
}

void OptionsDialog::ChooseRomFolder() {
    ChooseFolder(QStringLiteral("Please locate your Roms."), ui_->rom_edit,
                 &settings::ProgramOptions::RomPath);
}

void OptionsDialog::ChooseSnes9xFolder() {
    ChooseEmulatorFolder(QStringLiteral("Please locate the Snes9X Folder."),
                         settings::Emulator::Snes9x, QStringLiteral("Could not find Snes9X!"),
                         ui_->emu_edit, &settings::ProgramOptions::Snes9xPath);
}

void OptionsDialog::ChooseZsnesFolder() {
    ChooseEmulatorFolder(QStringLiteral("Please locate the ZSNES Folder."),
                         settings::Emulator::Zsnes, QStringLiteral("Could not find ZSNES!"),
                         ui_->zsnes_edit, &settings::ProgramOptions::ZsnesPath);
}

void OptionsDialog::SlideshowSecondsChanged(int position) {
    unit_.SetSlideshowInterval(static_cast<std::uint32_t>(position) * 1000u);
    Unmark(ui_->startup_screen_button);
    if (position == 0) {
        // A stopped slideshow shows the title screen only, but the mode stays Alternate.
        Mark(ui_->startup_screen_button);
    } else {
        Unmark(ui_->ingame_screen_button);
    }
    unit_.SetShowMode(settings::Alternate);
}

void OptionsDialog::ChooseStartupOnly() {
    unit_.SetSlideshowInterval(0);
    SetTrackBarPosition(0);
    Mark(ui_->startup_screen_button);  // the track bar's handler may have unmarked it
    unit_.SetShowMode(settings::StartupOnly);
}

void OptionsDialog::ChooseIngameOnly() {
    unit_.SetSlideshowInterval(0);
    SetTrackBarPosition(0);
    Mark(ui_->ingame_screen_button);  // the track bar's handler marked the other one
    unit_.SetShowMode(settings::IngameOnly);
}

void OptionsDialog::Save() {
    // The emulator edits accept typing, but only the Change buttons set the paths.
    DialogBoxes boxes(desktop_, this);
    settings::SaveOptions(unit_.Options(), unit_.SlideshowInterval(), unit_.ShowMode(), boxes);
}

void OptionsDialog::Load() {
    DialogBoxes boxes(desktop_, this);
    settings::ProgramOptions options = unit_.Options();
    std::string mode_text = unit_.ModeText();
    bool loaded = unit_.OptionsLoaded();
    if (settings::LoadDialogOptions(options, mode_text, loaded, boxes)) {
        unit_.TakeLoadedOptions(options, std::move(mode_text));
        Refill();
    }
}

void OptionsDialog::Exit() {
    close();
}

}  // namespace varnimo
