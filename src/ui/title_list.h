#pragma once
// The title list: a model over the row vector MainWindowLogic builds (already filtered and sorted)
// and the list view that shows it. A rebuild is one model reset, and every line has the same
// height, so the view shows a million titles without asking each one for its size and
// without keeping anything per line.

#include <QAbstractItemView>
#include <QAbstractListModel>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace varnimo::ui {

class TitleListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    // The bytes of the title of a table row, in the system code page.
    using TitleSource = std::function<std::string_view(std::int32_t row)>;

    static constexpr int kLineHeight = 13;

    explicit TitleListModel(TitleSource titles, QObject* parent = nullptr);

    // Shows `rows` (table rows in display order) with one reset.
    void SetRows(const std::vector<std::int32_t>& rows);
    void Clear();
    // The table row shown on `line`, -1 outside the list.
    std::int32_t RowOfLine(int line) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    // The view asks for every row's index while it lays out; answer without the generic
    // checks that go through rowCount each time.
    QModelIndex index(int row, int column = 0, const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

  private:
    TitleSource titles_;
    std::vector<std::int32_t> rows_;
};

// A list box of lines of one fixed height. It keeps nothing per line: a rebuild of a million
// lines costs what the lines on the screen cost, where a table view's header keeps and walks
// a record per line at every change of their number.
class TitleListView : public QAbstractItemView {
    Q_OBJECT
  public:
    explicit TitleListView(QWidget* parent = nullptr);

    // True while a mouse press is being handled (its selection change belongs to the press).
    bool InMousePress() const { return in_mouse_press_; }

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

  signals:
    // A mouse button went down on the list; the selection already reflects the press.
    void mousePressed();
    // A double-click on a line, or Enter: the user asks to start the chosen title.
    void startRequested();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // Up or Down on a line the caret stands on without having chosen it (where focus by Tab
    // leaves it) chooses that line rather than the next one, as a list box does. Enter asks to
    // start the chosen title.
    void keyPressEvent(QKeyEvent* event) override;
    // Both tell accessibility tools what changed, as Qt's own list view does.
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
    // A list box keeps its one selected line: Ctrl with a click or Space on that line, which
    // a single-selection Qt view takes as "deselect", leaves it selected.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override { return 0; }
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;
    // Follows the line under the mouse, for styles that mark it.
    bool viewportEvent(QEvent* event) override;

  private:
    int Lines() const;
    // Lines that fit on the screen whole (at least one).
    int LinesShown() const;
    // The line at viewport height `y`, which may lie outside the list.
    int LineAt(int y) const;

    bool in_mouse_press_ = false;
    Qt::MouseButton double_click_button_ = Qt::NoButton;  // while a double-click is handled
    int hover_line_ = -1;
};

}  // namespace varnimo::ui
