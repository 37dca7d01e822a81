#include "title_list_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QItemSelectionModel>
#include <QPointer>
#include <utility>

#include "title_list.h"

// The list answers as Qt's own list views do: the list role with a one-column table behind
// it, a list item per line. A line's object is made only when a tool asks for that line and
// is kept until the list is rebuilt, so a rebuild of a million lines costs nothing here and
// a tool that reads a few lines makes a few objects.

namespace varnimo::ui {
namespace {

QModelIndex LineIndex(const TitleListView& view, int line) {
    return view.model() != nullptr ? view.model()->index(line, 0, view.rootIndex()) : QModelIndex();
}

int LineCount(const TitleListView& view) {
    return view.model() != nullptr ? view.model()->rowCount(view.rootIndex()) : 0;
}

// One line of the list.
class TitleLineAccessible final : public QAccessibleInterface,
                                  public QAccessibleTableCellInterface,
                                  public QAccessibleActionInterface {
  public:
    TitleLineAccessible(TitleListView* view, int line) : view_(view), line_(line) {}

    bool isValid() const override { return view_ != nullptr && line_ < LineCount(*view_); }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(view_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text kind) const override {
        if (kind != QAccessible::Name || !isValid())
            return {};
        return LineIndex(*view_, line_).data(Qt::DisplayRole).toString();
    }
    // Titles come from the catalogue; a tool cannot rename them.
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect line = view_->visualRect(LineIndex(*view_, line_));
        return QRect(view_->viewport()->mapToGlobal(line.topLeft()), line.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }

    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const QModelIndex index = LineIndex(*view_, line_);
        state.selectable = true;
        state.focusable = true;
        state.selected = isSelected();
        state.focused = view_->hasFocus() && view_->currentIndex() == index;
        state.invisible =
            !view_->isVisible() || !view_->viewport()->rect().intersects(view_->visualRect(index));
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableCellInterface) {
            return static_cast<QAccessibleTableCellInterface*>(this);
        }
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    // --- QAccessibleTableCellInterface -----------------------------------------------------
    bool isSelected() const override {
        return isValid() && view_->selectionModel() != nullptr &&
               view_->selectionModel()->isSelected(LineIndex(*view_, line_));
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return 0; }
    int rowIndex() const override { return line_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    // --- QAccessibleActionInterface ----------------------------------------------------------
    // Both choose the line as a click does: a list box has no way to leave a line unchosen.
    QStringList actionNames() const override { return {toggleAction(), setFocusAction()}; }
    void doAction(const QString& name) override {
        if (!isValid() || !actionNames().contains(name))
            return;
        if (name == setFocusAction())
            view_->setFocus(Qt::OtherFocusReason);
        view_->setCurrentIndex(LineIndex(*view_, line_));
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    QPointer<TitleListView> view_;
    int line_;
};

// The list as a whole. What the widget answers (focus, position, name) stays the widget's.
class TitleListAccessible final : public QAccessibleWidget, public QAccessibleTableInterface {
  public:
    explicit TitleListAccessible(TitleListView* view)
        : QAccessibleWidget(view, QAccessible::List) {}
    ~TitleListAccessible() override { DropLines(); }

    int childCount() const override { return isValid() ? LineCount(View()) : 0; }

    QAccessibleInterface* child(int line) const override {
        if (!isValid() || line < 0 || line >= LineCount(View()))
            return nullptr;
        if (const auto known = lines_.constFind(line); known != lines_.constEnd()) {
            if (QAccessibleInterface* made = QAccessible::accessibleInterface(known.value())) {
                return made;
            }
        }
        auto* made = new TitleLineAccessible(&View(), line);
        lines_.insert(line, QAccessible::registerAccessibleInterface(made));
        return made;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (child == nullptr || child->parent() != this)
            return -1;
        const QAccessibleTableCellInterface* cell =
            const_cast<QAccessibleInterface*>(child)->tableCellInterface();
        return cell != nullptr ? cell->rowIndex() : -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        if (!isValid())
            return nullptr;
        const QModelIndex index = View().indexAt(View().viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? child(index.row()) : nullptr;
    }

    QAccessibleInterface* focusChild() const override {
        if (!isValid())
            return nullptr;
        const QModelIndex current = View().currentIndex();
        return View().hasFocus() && current.isValid() ? child(current.row()) : nullptr;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // --- QAccessibleTableInterface -----------------------------------------------------------
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        return column == 0 ? child(row) : nullptr;
    }
    int selectedCellCount() const override { return static_cast<int>(SelectedLines().size()); }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> cells;
        for (const int line : SelectedLines())
            cells.append(child(line));
        return cells;
    }
    QString columnDescription(int) const override { return {}; }
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return static_cast<int>(SelectedLines().size()); }
    int columnCount() const override { return 1; }
    int rowCount() const override { return childCount(); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return SelectedLines(); }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override {
        return isValid() && View().selectionModel() != nullptr &&
               View().selectionModel()->isRowSelected(row, View().rootIndex());
    }
    // Choosing a line is what a click on it does, with the same update of the window.
    bool selectRow(int row) override {
        if (!isValid())
            return false;
        const QModelIndex index = LineIndex(View(), row);
        if (!index.isValid())
            return false;
        View().setCurrentIndex(index);
        return true;
    }
    bool selectColumn(int) override { return false; }
    // A list box keeps its chosen line until another is chosen.
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }

    void modelChange(QAccessibleTableModelChangeEvent* event) override {
        // The list only changes as a whole; a line's object would now stand for another title.
        if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged)
            DropLines();
    }

  private:
    TitleListView& View() const { return *static_cast<TitleListView*>(widget()); }

    QList<int> SelectedLines() const {
        QList<int> lines;
        if (!isValid() || View().selectionModel() == nullptr)
            return lines;
        for (const QItemSelectionRange& range : View().selectionModel()->selection()) {
            for (int line = range.top(); line <= range.bottom(); ++line)
                lines.append(line);
        }
        return lines;
    }

    void DropLines() {
        for (const QAccessible::Id id : std::as_const(lines_))
            QAccessible::deleteAccessibleInterface(id);
        lines_.clear();
    }

    // The line objects made so far, by line.
    mutable QHash<int, QAccessible::Id> lines_;
};

QAccessibleInterface* TitleListFactory(const QString&, QObject* object) {
    auto* view = qobject_cast<TitleListView*>(object);
    return view != nullptr ? new TitleListAccessible(view) : nullptr;
}

}  // namespace

void InstallTitleListAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&TitleListFactory);
        return true;
    }();
    static_cast<void>(installed);
}

}  // namespace varnimo::ui
