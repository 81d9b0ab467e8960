#include "editor/gui/tasklistview.h"

#include "editor/taskicon.h"

#include <cmath>

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDrag>
#include <QDropEvent>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyle>
#include <QTextDocument>

#include <algorithm>

namespace velmora {

namespace {

// A dragged line, as "<process id> <row>": a drop from another process's
// list, whose rows are not ours, is refused.
const QString kLineMimeType = QStringLiteral("application/x-velmora-task-line");

// The first of the choice's icons that exists here; the style's file icon
// when the theme has none of them, so that every line shows one.
QIcon iconOf(const TaskIcon& choice, const QStyle* style) {
    if (!choice.file.isEmpty()) {
        const QIcon file(choice.file);
        if (!file.isNull()) return file;
    }
    for (const QString& name : choice.themeNames)
        if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
    return style->standardIcon(QStyle::SP_FileIcon);
}

}  // namespace

TaskListView::TaskListView(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(ColumnCount);
    // Hidden, but a screen reader names the columns by it.
    setHeaderLabels({QStringLiteral("Number"), QStringLiteral("Description"), QStringLiteral("Wait"),
                     QStringLiteral("Wait time")});
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSortingEnabled(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(1);
    for (int column = 0; column < ColumnCount; ++column)
        header()->setSectionResizeMode(column, QHeaderView::Fixed);

    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDragDropOverwriteMode(false);
    setDefaultDropAction(Qt::MoveAction);
    setDropIndicatorShown(true);
}

void TaskListView::setColumnLayout(const ColumnLayout& layout) {
    for (int column = 0; column < ColumnCount; ++column)
        m_widths[size_t(column)] = layout.columnWidth(column);
    // The icon stands before the description, which keeps all of its room.
    const int iconRoom =
        iconSize().width() + style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) * 2 + 2;
    m_widths[DescriptionColumn] += iconRoom;
    m_pad = layout.pad;
    m_leastDescription = iconRoom + int(std::ceil(8 * layout.avg));
    m_waitTimeGrowth = 0;
    fitColumns();
}

void TaskListView::fitColumns() {
    const int others = m_widths[NumberColumn] + m_widths[WaitColumn] + m_widths[WaitTimeColumn];
    // A wait time wider than the layout's sample ("until settled, at most 30
    // sec") takes its room from the description, which elides sooner, down to
    // a few characters beside its icon; only then does the view scroll.
    const int least = std::max(m_leastDescription, m_widths[DescriptionColumn] - m_waitTimeGrowth);
    const int description = std::max(least, viewport()->width() - others);
    for (int column = 0; column < ColumnCount; ++column) {
        const int width = column == DescriptionColumn ? description : m_widths[size_t(column)];
        if (header()->sectionSize(column) != width) header()->resizeSection(column, width);
    }
}

bool TaskListView::viewportEvent(QEvent* event) {
    const bool handled = QTreeWidget::viewportEvent(event);
    if (event->type() == QEvent::Resize) fitColumns();
    return handled;
}

void TaskListView::appendTask(int n, const TaskRecord& task) {
    const QStringList columns = listColumns(n, task.desc, task.wait);
    // The wait time is never elided: its column grows to the widest one.
    const int waitTime =
        int(std::ceil(QFontMetricsF(font()).horizontalAdvance(columns[WaitTimeColumn]))) + m_pad;
    if (waitTime > m_widths[WaitTimeColumn]) {
        m_waitTimeGrowth += waitTime - m_widths[WaitTimeColumn];
        m_widths[WaitTimeColumn] = waitTime;
        fitColumns();
    }
    auto* line = new QTreeWidgetItem(columns);
    line->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled |
                   Qt::ItemNeverHasChildren);
    line->setData(NumberColumn, kTaskNumberRole, n);
    line->setIcon(DescriptionColumn, iconOf(taskIcon(task.app), style()));
    // Rich text wraps and is not read as markup: a description such as
    // "<b>" shows as written.
    const QString tip = Qt::convertFromPlainText(listToolTip(task), Qt::WhiteSpaceNormal);
    for (int column = 0; column < ColumnCount; ++column) line->setToolTip(column, tip);
    // A screen reader names a row by its first cell: the whole line, not
    // just its number.
    line->setData(NumberColumn, Qt::AccessibleTextRole, spokenLine(columns));
    addTopLevelItem(line);
}

int TaskListView::selectedRow() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.front());
}

void TaskListView::selectRow(int row) {
    if (row < 0 || row >= lineCount()) {
        clearSelection();
        setCurrentItem(nullptr);
        return;
    }
    setCurrentItem(line(row), 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TaskListView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void TaskListView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTreeWidget::mouseDoubleClickEvent(event);
}

void TaskListView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    emit mouseReleased(event->button(), event->globalPosition().toPoint());
}

void TaskListView::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Menu && mods == Qt::NoModifier) ||
        (event->key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
        event->accept();
        emit menuKeyPressed();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void TaskListView::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse's request is answered when the right button is released.
    if (event->reason() != QContextMenuEvent::Keyboard) {
        event->ignore();
        return;
    }
    event->accept();
    emit menuKeyPressed();
}

QMimeData* TaskListView::dragPayload(int row) {
    auto* data = new QMimeData;
    data->setData(kLineMimeType,
                  QByteArray::number(QCoreApplication::applicationPid()) + ' ' + QByteArray::number(row));
    return data;
}

int TaskListView::draggedRow(const QMimeData* data) const {
    if (!data || !data->hasFormat(kLineMimeType)) return -1;
    const QList<QByteArray> fields = data->data(kLineMimeType).split(' ');
    if (fields.size() != 2) return -1;
    bool pidOk = false, rowOk = false;
    const qint64 pid = fields[0].toLongLong(&pidOk);
    const int row = fields[1].toInt(&rowOk);
    if (!pidOk || !rowOk || pid != QCoreApplication::applicationPid()) return -1;
    return row >= 0 && row < lineCount() ? row : -1;
}

QStringList TaskListView::mimeTypes() const { return {kLineMimeType}; }

void TaskListView::startDrag(Qt::DropActions) {
    // Only a payload of our own: the item view's default would hand the
    // items' data to any program that takes it, and remove the line from the
    // view (not from the store) when that program took it as a move.
    const int row = currentIndex().row();
    if (!currentIndex().isValid() || row < 0) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(dragPayload(row));
    const QRect cell = visualRect(currentIndex());
    const QRect band = QRect(0, cell.top(), viewport()->width(), cell.height()) & viewport()->rect();
    if (!band.isEmpty()) {
        drag->setPixmap(viewport()->grab(band));
        drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()) - band.topLeft());
    }
    drag->exec(Qt::MoveAction, Qt::MoveAction);
}

void TaskListView::dropEvent(QDropEvent* event) {
    // The drag ends here whatever it carried: no indicator, no scrolling.
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
    const int from = draggedRow(event->mimeData());
    if (from < 0) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    // The gap between lines nearest to the drop, found by height alone:
    // above a line's middle the line moves down to make room, below it the
    // dropped line goes after it, and below the last line it goes last.
    const int y = event->position().toPoint().y();
    const QModelIndex target = indexAt(QPoint(header()->sectionViewportPosition(NumberColumn) + 1, y));
    int gap = lineCount();
    if (target.isValid()) gap = target.row() + (y < visualRect(target).center().y() ? 0 : 1);
    const int to = gap > from ? gap - 1 : gap;
    if (to != from) emit lineDropped(from, to);
}

}  // namespace velmora
