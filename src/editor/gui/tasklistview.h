#pragma once
// The launch list as the main window shows it: one line per task in four
// columns (number, description with the program's icon, wait word, wait
// time) that never run into each other. A description too long for its
// column is cut with an ellipsis; the line's tooltip tells the whole task.
// Lines are reordered by dragging them; the view only reports the drop and
// the owner changes the store and rebuilds the list.

#include "editor/listdisplay.h"
#include "store/tasklayout.h"

#include <QTreeWidget>

#include <array>

class QMimeData;

namespace velmora {

class TaskListView : public QTreeWidget {
    Q_OBJECT
public:
    enum Column { NumberColumn, DescriptionColumn, WaitColumn, WaitTimeColumn, ColumnCount };
    // The item data role of the number column that carries a line's task number.
    static constexpr int kTaskNumberRole = Qt::UserRole;

    explicit TaskListView(QWidget* parent = nullptr);

    // Sizes the columns for the list's font as `layout` measured it: number,
    // wait word and wait time as wide as the layout says, the description at
    // least as wide, with room for the icon, and wider when the view has room
    // to spare. The view scrolls sideways when it is narrower than that.
    void setColumnLayout(const ColumnLayout& layout);
    // The least width of each column in pixels, as the last layout set it,
    // the wait time's widened to the widest wait time appended since.
    const std::array<int, ColumnCount>& columnWidths() const { return m_widths; }

    // Appends the line of task `n`: its columns, its icon, its tooltip, the
    // task number as kTaskNumberRole data, and a name for screen readers.
    void appendTask(int n, const TaskRecord& task);

    int lineCount() const { return topLevelItemCount(); }
    QTreeWidgetItem* line(int row) const { return topLevelItem(row); }
    // The row of the selected line, -1 when none.
    int selectedRow() const;
    // Selects the line at `row` and makes it current; any other row clears
    // the selection and leaves no line current.
    void selectRow(int row);

    // What a drag of the line at `row` carries: only this process's list
    // takes it.
    static QMimeData* dragPayload(int row);

signals:
    // Any mouse button released over the list, with the global position.
    void mouseReleased(Qt::MouseButton button, const QPoint& globalPos);
    // The keyboard asked for the list's popup menu: the Menu key, Shift+F10,
    // or the platform's context menu request from the keyboard.
    void menuKeyPressed();
    // The line at `from` was dropped where it would become line `to`; never
    // sent for a drop that leaves it where it was.
    void lineDropped(int from, int to);

protected:
    // Right button presses leave the selection alone, as in a list box; only
    // the left button selects.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    QStringList mimeTypes() const override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Gives the description column what the viewport has beyond the others.
    void fitColumns();
    // The row a drag payload names, or -1 when it is not one of this list's.
    int draggedRow(const QMimeData* data) const;

    std::array<int, ColumnCount> m_widths{};
    int m_pad = 0;               // the layout's gap after a column's text
    int m_leastDescription = 0;  // the description's width below which the view scrolls
    int m_waitTimeGrowth = 0;    // how far wait times grew their column beyond the layout's
};

}  // namespace velmora
