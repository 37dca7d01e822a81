#include "update_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QShowEvent>
#include <QTableWidget>

#include "app/collection.h"
#include "ui_update_form.h"

namespace varnimo {

namespace {

// The designed font is a Windows font; where it is missing the platform's sans takes over
// at the same point size.
void AddPlatformFallback(QWidget* widget) {
    QFont font = widget->font();
    const QString platform_sans = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    font.setFamilies({font.family(), QStringLiteral("DejaVu Sans"), platform_sans});
    font.setStyleHint(QFont::SansSerif);
    widget->setFont(font);
}

}  // namespace

Tupdate_form::Tupdate_form(const app::Collection& unit, Desktop& desktop,
                           UpdateServerAddress server, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::Tupdate_form>()), desktop_(desktop) {
    ui_->setupUi(this);
    checker_ = std::make_unique<UpdateChecker>(*this, unit, std::move(server));
    SetUpLook();
    connect(ui_->Button17, &QPushButton::clicked, this, [this] { checker_->Button17Click(); });
    connect(ui_->exit_button, &QPushButton::clicked, this,
            [this] { checker_->exit_buttonClick(); });
    ui_->download_link_label->installEventFilter(this);
}

Tupdate_form::~Tupdate_form() = default;

UpdateServerAddress Tupdate_form::ServerForThisRun() {
    std::string problem;
    UpdateServerAddress server = UpdateServerFromEnvironment(&problem);
    if (!problem.empty())
        qWarning("varnimo: %s", problem.c_str());
    return server;
}

void Tupdate_form::SetUpLook() {
    // A thin title bar without any buttons: "Exit" is the way out.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(623, 372);
    for (QWidget* widget : std::initializer_list<QWidget*>{
             this, ui_->connection_label, ui_->updates_label, ui_->download_link_label}) {
        AddPlatformFallback(widget);
    }
    // Labels size themselves to their caption, keeping their top-left corner and height.
    for (QLabel* label : {ui_->updates_label, ui_->download_link_label}) {
        label->resize(label->sizeHint().width(), label->height());
    }
    QPalette link = ui_->download_link_label->palette();
    link.setColor(QPalette::WindowText, Qt::blue);
    ui_->download_link_label->setPalette(link);

    SetUpGrid(ui_->update_grid, 80, 24);
    SetUpGrid(ui_->screens_grid1, 40, 18);
    SetUpGrid(ui_->screens_grid2, 40, 18);
    // The caption sits on the frame's top line, so the status fits inside the low box.
    ui_->GroupBox1->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 2px; }"));
    // The group box and the grids take no focus; the buttons keep the designed order.
    ui_->GroupBox1->setFocusPolicy(Qt::NoFocus);
    setTabOrder(ui_->exit_button, ui_->Button17);
}

void Tupdate_form::SetUpGrid(QTableWidget* grid, int column_width, int row_height) {
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

QTableWidget* Tupdate_form::Grid(UpdateGrid grid) const {
    switch (grid) {
        case UpdateGrid::update_grid:
            return ui_->update_grid;
        case UpdateGrid::screens_grid1:
            return ui_->screens_grid1;
        case UpdateGrid::screens_grid2:
            return ui_->screens_grid2;
    }
    return nullptr;
}

// --- UpdateView ------------------------------------------------------------------------

void Tupdate_form::SetCell(UpdateGrid grid, int column, int row, const std::string& text) {
    QTableWidgetItem* item = Grid(grid)->item(row, column);
    if (item)
        item->setText(QString::fromLocal8Bit(text));
}

void Tupdate_form::SetCaption(UpdateLabel label, const std::string& text) {
    switch (label) {
        case UpdateLabel::connection_label: {
            QLabel* status = ui_->connection_label;
            status->setText(QString::fromLocal8Bit(text));
            status->resize(status->sizeHint().width(), status->height());
            // Shown before the query that may still block.
            status->repaint();
            break;
        }
        case UpdateLabel::updates_label:
        case UpdateLabel::download_link_label:
            break;
    }
}

void Tupdate_form::SetVisible(UpdateLabel label, bool visible) {
    switch (label) {
        case UpdateLabel::connection_label:
            ui_->connection_label->setVisible(visible);
            break;
        case UpdateLabel::updates_label:
            ui_->updates_label->setVisible(visible);
            break;
        case UpdateLabel::download_link_label:
            ui_->download_link_label->setVisible(visible);
            break;
    }
}

void Tupdate_form::PlainBox(const std::string& text) {
    desktop_.ShowBox(this, QMessageBox::NoIcon, QStringLiteral("Varnimo"),
                     QString::fromLocal8Bit(text));
}

void Tupdate_form::OpenAddress(const std::string& address) {
    desktop_.OpenAddress(this, QUrl(QString::fromLocal8Bit(address)));
}

void Tupdate_form::CloseDialog() {
    QDialog::done(QDialog::Accepted);
}

void Tupdate_form::BeginWait() {
    if (waits_++ == 0)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void Tupdate_form::EndWait() {
    if (waits_ > 0 && --waits_ == 0)
        QApplication::restoreOverrideCursor();
}

// --- Events ----------------------------------------------------------------------------

void Tupdate_form::reject() {
    checker_->exit_buttonClick();
}

void Tupdate_form::closeEvent(QCloseEvent* event) {
    if (isVisible())
        checker_->exit_buttonClick();
    event->accept();
}

void Tupdate_form::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    CentreOnParent();
    checker_->update_activate();
}

void Tupdate_form::CentreOnParent() {
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (!owner)
        return;
    const QRect frame = frameGeometry();
    move(owner->frameGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
}

bool Tupdate_form::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->download_link_label && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        ui_->download_link_label->rect().contains(
            static_cast<QMouseEvent*>(event)->position().toPoint())) {
        checker_->download_link_labelClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace varnimo
