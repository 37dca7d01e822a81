#include "options_dialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <string>

#include "desktop.h"
#include "fonts.h"
#include "rtl/files.h"
#include "ui_options_dialog.h"

namespace varnimo::ui {

namespace {

// A caption wider in the fallback font than in the designed one still shows whole.
void WidenToText(QWidget* widget) {
    widget->resize(std::max(widget->width(), widget->sizeHint().width()), widget->height());
}

}  // namespace

QString QtFolderBrowser::Browse(QWidget* parent, const QString& instruction) {
    // Starts at the top of the user's own files with nothing selected, like the shell's
    // folder picker that starts at the desktop.
    return QFileDialog::getExistingDirectory(parent, instruction, QDir::homePath(),
                                             QFileDialog::ShowDirsOnly);
}

OptionsDialog::OptionsDialog(app::MainWindowLogic& logic, Desktop& desktop, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::OptionsDialog>()),
      desktop_(desktop),
      editor_(*this, logic) {
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
    for (QWidget* captioned : std::initializer_list<QWidget*>{
             ui_->secondsStartLabel, ui_->secondsMiddleLabel, ui_->secondsEndLabel,
             ui_->startupOnlyButton, ui_->ingameOnlyButton}) {
        WidenToText(captioned);
    }
    ConnectEvents();
}

OptionsDialog::~OptionsDialog() = default;

void OptionsDialog::ConnectEvents() {
    const auto choose = [this](app::OptionsFolder folder) {
        return [this, folder] { editor_.ChooseFolder(folder); };
    };
    connect(ui_->changeScreenshotsButton, &QPushButton::clicked, this,
            choose(app::OptionsFolder::Screenshots));
    connect(ui_->changeRomsButton, &QPushButton::clicked, this, choose(app::OptionsFolder::Roms));
    connect(ui_->changeSnes9xButton, &QPushButton::clicked, this,
            choose(app::OptionsFolder::Snes9x));
    connect(ui_->changeZsnesButton, &QPushButton::clicked, this, choose(app::OptionsFolder::Zsnes));
    connect(ui_->saveButton, &QPushButton::clicked, this, [this] { editor_.Save(); });
    connect(ui_->loadButton, &QPushButton::clicked, this, [this] { editor_.Load(); });
    connect(ui_->exitButton, &QPushButton::clicked, this, [this] { editor_.Exit(); });

    // Every operation of the user runs the change event, also one that leaves the bar where
    // it was (an arrow key at the end, a click on the thumb, a drag back to its start).
    // Positions the program sets go through SetSecondsPosition instead, so valueChanged is
    // deliberately not used.
    QSlider* bar = ui_->secondsBar;
    connect(bar, &QSlider::actionTriggered, this, [this, bar](int) {
        // The bar takes the new position only after this signal; take it now, so that the
        // event and whatever it marks see the bar where the user put it.
        bar->setValue(bar->sliderPosition());
        editor_.SecondsChanged(bar->value());
    });
    connect(bar, &QSlider::sliderReleased, this,
            [this, bar] { editor_.SecondsChanged(bar->value()); });

    // A radio button's event runs when the user marks it; the editor runs it itself when it
    // marks one (SetMarked runs nothing).
    connect(ui_->startupOnlyButton, &QRadioButton::toggled, this, [this](bool marked) {
        if (marked)
            editor_.ChooseStartupOnly();
    });
    connect(ui_->ingameOnlyButton, &QRadioButton::toggled, this, [this](bool marked) {
        if (marked)
            editor_.ChooseIngameOnly();
    });
}

void OptionsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Refilled once the dialog is up and its modal loop runs, so that a conversion error
    // ends only this refill and is shown like any other.
    if (!event->spontaneous()) {
        QMetaObject::invokeMethod(
            this, [this] { editor_.Refill(); }, Qt::QueuedConnection);
    }
}

// --- app::OptionsView ----------------------------------------------------------------------

QLineEdit* OptionsDialog::Edit(app::OptionsFolder folder) const {
    switch (folder) {
        case app::OptionsFolder::Screenshots:
            return ui_->screenshotsEdit;
        case app::OptionsFolder::Roms:
            return ui_->romsEdit;
        case app::OptionsFolder::Snes9x:
            return ui_->snes9xEdit;
        case app::OptionsFolder::Zsnes:
            return ui_->zsnesEdit;
    }
    return nullptr;
}

QRadioButton* OptionsDialog::Button(app::SlideshowChoice choice) const {
    return choice == app::SlideshowChoice::StartupOnly ? ui_->startupOnlyButton
                                                       : ui_->ingameOnlyButton;
}

void OptionsDialog::SetFolderText(app::OptionsFolder folder, const std::string& text) {
    // Paths are bytes in the system's code page; the edits show them decoded.
    Edit(folder)->setText(QFile::decodeName(QByteArray::fromStdString(text)));
}

std::optional<std::string> OptionsDialog::AskFolder(const std::string& instruction) {
    const QString folder = browser_->Browse(this, QString::fromLocal8Bit(instruction));
    if (folder.isEmpty())
        return std::nullopt;
    return QFile::encodeName(QDir::toNativeSeparators(folder)).toStdString();
}

int OptionsDialog::SecondsPosition() const {
    return ui_->secondsBar->value();
}

void OptionsDialog::SetSecondsPosition(int seconds) {
    ui_->secondsBar->setValue(seconds);
}

bool OptionsDialog::IsMarked(app::SlideshowChoice choice) const {
    return Button(choice)->isChecked();
}

void OptionsDialog::SetMarked(app::SlideshowChoice choice, bool marked) {
    QRadioButton* button = Button(choice);
    const QSignalBlocker quiet_startup(ui_->startupOnlyButton);
    const QSignalBlocker quiet_ingame(ui_->ingameOnlyButton);
    if (marked) {
        // Marking one button of the pair unmarks the other.
        button->setChecked(true);
        return;
    }
    // The user cannot unmark a radio button, but the program can leave both unmarked.
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
}

void OptionsDialog::ErrorBox(const std::string& text) {
    desktop_.ShowBox(this, QMessageBox::Critical, QStringLiteral("Error"),
                     QString::fromLocal8Bit(text));
}

void OptionsDialog::InfoBox(const std::string& text) {
    desktop_.ShowBox(this, QMessageBox::Information, QStringLiteral("Information"),
                     QString::fromLocal8Bit(text));
}

void OptionsDialog::Close() {
    close();
}

}  // namespace varnimo::ui
