#include "update_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QShowEvent>
#include <QTableWidget>

#include "app/collection.h"
#include "fonts.h"
#include "ui_update_dialog.h"

namespace varnimo::ui {

UpdateDialog::UpdateDialog(const app::Collection& collection, Desktop& desktop,
                           app::UpdateServerAddress server, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::UpdateDialog>()), desktop_(desktop) {
    ui_->setupUi(this);
    checker_ = std::make_unique<app::UpdateChecker>(*this, collection, std::move(server));
    SetUpLook();
    connect(ui_->connectButton, &QPushButton::clicked, this, [this] { checker_->Connect(); });
    connect(ui_->exitButton, &QPushButton::clicked, this, [this] { checker_->Exit(); });
    ui_->downloadLink->installEventFilter(this);
}

UpdateDialog::~UpdateDialog() = default;

app::UpdateServerAddress UpdateDialog::ServerForThisRun() {
    std::string problem;
    app::UpdateServerAddress server = app::UpdateServerFromEnvironment(&problem);
    if (!problem.empty())
        qWarning("varnimo: %s", problem.c_str());
    return server;
}

void UpdateDialog::SetUpLook() {
    // A thin title bar without any buttons: "Exit" is the way out.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(623, 372);
    for (QWidget* widget : std::initializer_list<QWidget*>{
             this, ui_->connectionStatus, ui_->noUpdatesLabel, ui_->downloadLink}) {
        AddPlatformFallback(widget);
    }
    // Labels size themselves to their caption, keeping their top-left corner and height.
    for (QLabel* label : {ui_->noUpdatesLabel, ui_->downloadLink}) {
        label->resize(label->sizeHint().width(), label->height());
    }
    QPalette link = ui_->downloadLink->palette();
    link.setColor(QPalette::WindowText, Qt::blue);
    ui_->downloadLink->setPalette(link);

    SetUpGrid(ui_->versionsGrid, 80, 24);
    SetUpGrid(ui_->packsAToMGrid, 40, 18);
    SetUpGrid(ui_->packsNToZGrid, 40, 18);
    // The caption sits on the frame's top line, so the status fits inside the low box.
    ui_->statusBox->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 2px; }"));
    // The group box and the grids take no focus; the buttons keep the designed order.
    ui_->statusBox->setFocusPolicy(Qt::NoFocus);
    setTabOrder(ui_->exitButton, ui_->connectButton);
}

void UpdateDialog::SetUpGrid(QTableWidget* grid, int column_width, int row_height) {
    grid->horizontalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setMinimumSectionSize(1);
    for (int column = 0; column < grid->columnCount(); ++column) {
        grid->setColumnWidth(column, column_width);
    }
    for (int row = 0; row < grid->rowCount(); ++row) {
        grid->setRowHeight(row, row_height);
    }
    // Display only: clicks and the wheel pass the grid by, so nothing selects or scrolls.
    grid->setAttribute(Qt::WA_TransparentForMouseEvents);
    // A text wider than its cell is cut at the cell's edge, not shortened with dots.
    grid->setTextElideMode(Qt::ElideNone);
    grid->setWordWrap(false);
    // The first row and column are headers: every cell exists from the start and the
    // header cells carry the button face, as fixed cells do.
    const QBrush face = grid->palette().brush(QPalette::Button);
    for (int row = 0; row < grid->rowCount(); ++row) {
        for (int column = 0; column < grid->columnCount(); ++column) {
            auto* item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsEnabled);
            if (row == 0 || column == 0)
                item->setBackground(face);
            grid->setItem(row, column, item);
        }
    }
}

QTableWidget* UpdateDialog::Grid(app::UpdateGrid grid) const {
    switch (grid) {
        case app::UpdateGrid::Versions:
            return ui_->versionsGrid;
        case app::UpdateGrid::PacksAToM:
            return ui_->packsAToMGrid;
        case app::UpdateGrid::PacksNToZ:
            return ui_->packsNToZGrid;
    }
    return nullptr;
}

// --- app::UpdateView ------------------------------------------------------------------------

void UpdateDialog::SetCell(app::UpdateGrid grid, int column, int row, const std::string& text) {
    QTableWidgetItem* item = Grid(grid)->item(row, column);
    if (item)
        item->setText(QString::fromLocal8Bit(text));
}

void UpdateDialog::SetCaption(app::UpdateLabel label, const std::string& text) {
    switch (label) {
        case app::UpdateLabel::Connection: {
            QLabel* status = ui_->connectionStatus;
            status->setText(QString::fromLocal8Bit(text));
            status->resize(status->sizeHint().width(), status->height());
            // Shown before the query that may still block.
            status->repaint();
            break;
        }
        case app::UpdateLabel::NoUpdates:
        case app::UpdateLabel::DownloadLink:
            break;
    }
}

void UpdateDialog::SetVisible(app::UpdateLabel label, bool visible) {
    switch (label) {
        case app::UpdateLabel::Connection:
            ui_->connectionStatus->setVisible(visible);
            break;
        case app::UpdateLabel::NoUpdates:
            ui_->noUpdatesLabel->setVisible(visible);
            break;
        case app::UpdateLabel::DownloadLink:
            ui_->downloadLink->setVisible(visible);
            break;
    }
}

void UpdateDialog::PlainBox(const std::string& text) {
    desktop_.ShowBox(this, QMessageBox::NoIcon, QStringLiteral("Varnimo"),
                     QString::fromLocal8Bit(text));
}

void UpdateDialog::OpenAddress(const std::string& address) {
    desktop_.OpenAddress(this, QUrl(QString::fromLocal8Bit(address)));
}

void UpdateDialog::CloseDialog() {
    QDialog::done(QDialog::Accepted);
}

void UpdateDialog::BeginWait() {
    if (waits_++ == 0)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void UpdateDialog::EndWait() {
    if (waits_ > 0 && --waits_ == 0)
        QApplication::restoreOverrideCursor();
}

// --- Events ----------------------------------------------------------------------------

void UpdateDialog::reject() {
    checker_->Exit();
}

void UpdateDialog::closeEvent(QCloseEvent* event) {
    if (isVisible())
        checker_->Exit();
    event->accept();
}

void UpdateDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    CentreOnParent();
    checker_->Activate();
}

void UpdateDialog::CentreOnParent() {
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (!owner)
        return;
    const QRect frame = frameGeometry();
    move(owner->frameGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
}

bool UpdateDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->downloadLink && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        ui_->downloadLink->rect().contains(
            static_cast<QMouseEvent*>(event)->position().toPoint())) {
        checker_->OpenDownloadPage();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace varnimo::ui
