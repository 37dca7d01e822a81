#include "title_list.h"

#include <QHeaderView>
#include <QSize>
#include <QString>

namespace varnimo {

TitleListModel::TitleListModel(TitleSource titles, QObject* parent)
    : QAbstractListModel(parent), titles_(std::move(titles)) {}

void TitleListModel::SetRows(const std::vector<std::int32_t>& rows) {
    beginResetModel();
    rows_ = rows;  // reuses the capacity of the previous list
    endResetModel();
}

void TitleListModel::Clear() {
    if (rows_.empty()) return;
    beginResetModel();
    rows_.clear();
    endResetModel();
}

std::int32_t TitleListModel::RowOfLine(int line) const {
    if (line < 0 || static_cast<std::size_t>(line) >= rows_.size()) return -1;
    return rows_[static_cast<std::size_t>(line)];
}

int TitleListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QModelIndex TitleListModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column != 0 || parent.isValid() || static_cast<std::size_t>(row) >= rows_.size()) {
        return {};
    }
    return createIndex(row, column);
}

QVariant TitleListModel::data(const QModelIndex& index, int role) const {
    const std::int32_t row = RowOfLine(index.row());
    if (row < 0) return {};
    switch (role) {
        case Qt::DisplayRole: {
            const std::string_view title = titles_(row);
            return QString::fromLocal8Bit(title.data(), static_cast<qsizetype>(title.size()));
        }
        case Qt::SizeHintRole:
            // The view stretches each line to its own width.
            return QSize(1, kLineHeight);
        default:
            return {};
    }
}

TitleListView::TitleListView(QWidget* parent) : QTableView(parent) {
    // A table of one column without headers or grid looks and acts as a list box. A list view
    // lays out every line again at each rebuild, which takes tens of milliseconds at a million
    // lines; a table whose lines all have one fixed height lays out nothing and works out the
    // lines on the screen from the scroll position.
    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(TitleListModel::kLineHeight);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideNone);
}

void TitleListView::mousePressEvent(QMouseEvent* event) {
    in_mouse_press_ = true;
    try {
        QTableView::mousePressEvent(event);
    } catch (...) {
        in_mouse_press_ = false;
        throw;
    }
    in_mouse_press_ = false;
    emit mousePressed();
}

QItemSelectionModel::SelectionFlags TitleListView::selectionCommand(const QModelIndex& index,
                                                                   const QEvent* event) const {
    const QItemSelectionModel::SelectionFlags command = QTableView::selectionCommand(index, event);
    return command.testFlag(QItemSelectionModel::Deselect) ? QItemSelectionModel::NoUpdate
                                                            : command;
}

}  // namespace varnimo
