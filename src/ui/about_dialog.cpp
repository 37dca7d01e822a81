#include "about_dialog.h"

#include <QMouseEvent>
#include <QUrl>

#include "app/homepage.h"
#include "desktop.h"
#include "fonts.h"
#include "ui_about_dialog.h"

namespace varnimo::ui {

AboutDialog::AboutDialog(Desktop& desktop, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::AboutDialog>()), desktop_(desktop) {
    ui_->setupUi(this);
    // A thin tool-window title without any buttons: "E&xit" is the way out.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(316, 269);
    move(422, 260);

    AddPlatformFallback(this);
    for (QLabel* label :
         {ui_->programNameLabel, ui_->versionLabel, ui_->homepageLink, ui_->copyrightLabel,
          ui_->dedicationLabel, ui_->greetingsLabel, ui_->thanksLabel}) {
        AddPlatformFallback(label);
        // Captions size themselves to their text from their top-left corner.
        label->resize(label->sizeHint().width(), label->height());
    }

    QPalette link = ui_->homepageLink->palette();
    link.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0xFF));
    ui_->homepageLink->setPalette(link);
    ui_->homepageLink->installEventFilter(this);

    connect(ui_->exitButton, &QPushButton::clicked, this, [this] { box_.Exit(); });
}

AboutDialog::~AboutDialog() = default;

bool AboutDialog::eventFilter(QObject* watched, QEvent* event) {
    // A click is a left-button release over the link; a press that slides off it is none.
    if (watched == ui_->homepageLink && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            ui_->homepageLink->rect().contains(mouse->position().toPoint())) {
            OpenHomepage();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AboutDialog::OpenAddress(const std::string& address) {
    // Without a browser the address is shown to copy.
    desktop_.OpenAddress(this, QUrl(QString::fromLocal8Bit(address)));
}

void AboutDialog::Close() {
    close();
}

}  // namespace varnimo::ui
