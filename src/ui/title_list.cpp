#include "title_list.h"

#include <QAbstractItemDelegate>
#include <QAccessible>
#include <QHoverEvent>
#include <QItemSelection>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSize>
#include <QString>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>
#include <utility>

#include "title_list_accessible.h"

namespace varnimo::ui {

TitleListModel::TitleListModel(TitleSource titles, QObject* parent)
    : QAbstractListModel(parent), titles_(std::move(titles)) {}

void TitleListModel::SetRows(const std::vector<std::int32_t>& rows) {
    beginResetModel();
    rows_ = rows;  // reuses the capacity of the previous list
    endResetModel();
}

void TitleListModel::Clear() {
    if (rows_.empty())
        return;
    beginResetModel();
    rows_.clear();
    endResetModel();
}

std::int32_t TitleListModel::RowOfLine(int line) const {
    if (line < 0 || static_cast<std::size_t>(line) >= rows_.size())
        return -1;
    return rows_[static_cast<std::size_t>(line)];
}

int TitleListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QModelIndex TitleListModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column != 0 || parent.isValid() ||
        static_cast<std::size_t>(row) >= rows_.size()) {
        return {};
    }
    return createIndex(row, column);
}

QVariant TitleListModel::data(const QModelIndex& index, int role) const {
    const std::int32_t row = RowOfLine(index.row());
    if (row < 0)
        return {};
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

TitleListView::TitleListView(QWidget* parent) : QAbstractItemView(parent) {
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabKeyNavigation(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideNone);
    InstallTitleListAccessibility();
    // Qt tells a double-click on a line (both clicks on it) for any button; a start is the
    // left button's.
    connect(this, &QAbstractItemView::doubleClicked, this, [this] {
        if (double_click_button_ == Qt::LeftButton)
            emit startRequested();
    });
}

int TitleListView::Lines() const {
    return model() != nullptr ? model()->rowCount(rootIndex()) : 0;
}

int TitleListView::LinesShown() const {
    return std::max(1, viewport()->height() / TitleListModel::kLineHeight);
}

int TitleListView::LineAt(int y) const {
    // Rounded down for a point above the first line too.
    const int offset =
        y >= 0 ? y / TitleListModel::kLineHeight
               : -((-y + TitleListModel::kLineHeight - 1) / TitleListModel::kLineHeight);
    return verticalScrollBar()->value() + offset;
}

int TitleListView::verticalOffset() const {
    return verticalScrollBar()->value() * TitleListModel::kLineHeight;
}

QRect TitleListView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.parent() != rootIndex() || index.model() != model())
        return {};
    return QRect(0, index.row() * TitleListModel::kLineHeight - verticalOffset(),
                 viewport()->width(), TitleListModel::kLineHeight);
}

QModelIndex TitleListView::indexAt(const QPoint& point) const {
    const int line = LineAt(point.y());
    if (point.x() < 0 || point.x() >= viewport()->width() || line < 0 || line >= Lines())
        return {};
    return model()->index(line, 0, rootIndex());
}

void TitleListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid() || index.model() != model())
        return;
    const int line = index.row();
    const int shown = LinesShown();
    int top = verticalScrollBar()->value();
    switch (hint) {
        case PositionAtTop:
            top = line;
            break;
        case PositionAtBottom:
            top = line - shown + 1;
            break;
        case PositionAtCenter:
            top = line - shown / 2;
            break;
        case EnsureVisible:
            if (line < top) {
                top = line;
            } else if (line >= top + shown) {
                top = line - shown + 1;
            }
            break;
    }
    verticalScrollBar()->setValue(top);  // the scroll bar keeps it within the list
}

QModelIndex TitleListView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int lines = Lines();
    if (lines == 0)
        return {};
    const QModelIndex current = currentIndex();
    // Without a caret the keys start from the first line; End still goes to the last.
    if (!current.isValid())
        return model()->index(action == MoveEnd ? lines - 1 : 0, 0, rootIndex());
    const int page = std::max(1, LinesShown() - 1);
    int line = current.row();
    switch (action) {
        case MoveUp:
        case MovePrevious:
            line -= 1;
            break;
        case MoveDown:
        case MoveNext:
            line += 1;
            break;
        case MovePageUp:
            line -= page;
            break;
        case MovePageDown:
            line += page;
            break;
        case MoveHome:
            line = 0;
            break;
        case MoveEnd:
            line = lines - 1;
            break;
        case MoveLeft:
        case MoveRight:
            break;
    }
    return model()->index(std::clamp(line, 0, lines - 1), 0, rootIndex());
}

void TitleListView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        emit startRequested();
        return;
    }
    const QModelIndex caret = currentIndex();
    const bool step = (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) &&
                      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (step && caret.isValid() && selectionModel() != nullptr &&
        !selectionModel()->isSelected(caret)) {
        setCurrentIndex(caret);
        event->accept();
        return;
    }
    QAbstractItemView::keyPressEvent(event);
}

void TitleListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (QAccessible::isActive() && current.isValid() && hasFocus()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(current.row());
        QAccessible::updateAccessibility(&focus);
    }
    QAbstractItemView::currentChanged(current, previous);
}

void TitleListView::selectionChanged(const QItemSelection& selected,
                                     const QItemSelection& deselected) {
    if (QAccessible::isActive()) {
        // A list box selects one line at a time: the first line of each side says it all.
        for (const auto& [lines, kind] : {std::pair{&selected, QAccessible::SelectionAdd},
                                          std::pair{&deselected, QAccessible::SelectionRemove}}) {
            if (lines->isEmpty())
                continue;
            QAccessibleEvent change(this, kind);
            change.setChild(lines->front().top());
            QAccessible::updateAccessibility(&change);
        }
    }
    QAbstractItemView::selectionChanged(selected, deselected);
}

void TitleListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    const int lines = Lines();
    if (lines == 0 || selectionModel() == nullptr)
        return;
    const QRect area = rect.normalized();
    const int first = std::clamp(LineAt(area.top()), 0, lines - 1);
    const int last = std::clamp(LineAt(area.bottom()), 0, lines - 1);
    selectionModel()->select(
        QItemSelection(model()->index(first, 0, rootIndex()), model()->index(last, 0, rootIndex())),
        command);
}

QRegion TitleListView::visualRegionForSelection(const QItemSelection& selection) const {
    // Only what lies on the screen: a selection of a million lines is one rectangle.
    const int top = verticalScrollBar()->value();
    const int bottom = top + LinesShown();
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        if (range.parent() != rootIndex())
            continue;
        const int first = std::max(range.top(), top);
        const int last = std::min(range.bottom(), bottom);
        if (first <= last) {
            region += QRect(0, (first - top) * TitleListModel::kLineHeight, viewport()->width(),
                            (last - first + 1) * TitleListModel::kLineHeight);
        }
    }
    return region;
}

void TitleListView::updateGeometries() {
    const int shown = LinesShown();
    verticalScrollBar()->setRange(0, std::max(0, Lines() - shown));
    verticalScrollBar()->setPageStep(shown);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setRange(0, 0);
    QAbstractItemView::updateGeometries();
}

void TitleListView::scrollContentsBy(int, int) {
    // The scroll bar counts lines; the lines on the screen are simply drawn again.
    viewport()->update();
}

void TitleListView::paintEvent(QPaintEvent* event) {
    const int lines = Lines();
    if (lines == 0)
        return;
    QPainter painter(viewport());
    QStyleOptionViewItem base;
    initViewItemOption(&base);
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const QRect dirty = event->rect();
    const int first = std::max(0, LineAt(dirty.top()));
    const int last = std::min(lines - 1, LineAt(dirty.bottom()));
    for (int line = first; line <= last; ++line) {
        const QModelIndex index = model()->index(line, 0, rootIndex());
        QStyleOptionViewItem option = base;
        option.rect = visualRect(index);
        if (selectionModel() != nullptr && selectionModel()->isSelected(index)) {
            option.state |= QStyle::State_Selected;
        }
        if (focus && index == current)
            option.state |= QStyle::State_HasFocus;
        if (line == hover_line_)
            option.state |= QStyle::State_MouseOver;
        if (option.state & QStyle::State_Enabled)
            option.palette.setCurrentColorGroup(QPalette::Normal);
        style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &option, &painter, this);
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

bool TitleListView::viewportEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::HoverEnter:
        case QEvent::HoverMove: {
            const QModelIndex index =
                indexAt(static_cast<QHoverEvent*>(event)->position().toPoint());
            hover_line_ = index.isValid() ? index.row() : -1;
            break;
        }
        case QEvent::HoverLeave:
            hover_line_ = -1;
            break;
        default:
            break;
    }
    // The base class redraws the lines the mouse left and entered.
    return QAbstractItemView::viewportEvent(event);
}

void TitleListView::mousePressEvent(QMouseEvent* event) {
    in_mouse_press_ = true;
    try {
        QAbstractItemView::mousePressEvent(event);
    } catch (...) {
        in_mouse_press_ = false;
        throw;
    }
    in_mouse_press_ = false;
    emit mousePressed();
}

void TitleListView::mouseDoubleClickEvent(QMouseEvent* event) {
    double_click_button_ = event->button();
    QAbstractItemView::mouseDoubleClickEvent(event);
    double_click_button_ = Qt::NoButton;
}

QItemSelectionModel::SelectionFlags TitleListView::selectionCommand(const QModelIndex& index,
                                                                    const QEvent* event) const {
    const QItemSelectionModel::SelectionFlags command =
        QAbstractItemView::selectionCommand(index, event);
    return command.testFlag(QItemSelectionModel::Deselect) ? QItemSelectionModel::NoUpdate
                                                           : command;
}

}  // namespace varnimo::ui
