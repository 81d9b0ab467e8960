#pragma once
// A list whose lines are tab-separated columns, drawn the way a classic list
// box with tab stops draws them: each tab moves to the next stop, the stops
// given in quarters of the average character width of the list's font, and a
// horizontal scrolling extent in pixels that the view can scroll over even
// when the lines are shorter.

#include <QListWidget>
#include <QStyledItemDelegate>

#include <vector>

namespace velmora {

class TabListWidget;

// Draws one line with its tabs expanded at the list's stops. Every line is as
// wide as the list's content width, so the view scrolls over the extent.
class TabStopDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TabStopDelegate(TabListWidget* list);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    TabListWidget* m_list;
};

class TabListWidget : public QListWidget {
    Q_OBJECT
public:
    explicit TabListWidget(QWidget* parent = nullptr);

    // The tab stops in quarters of `avg`, the average character width in
    // pixels they are measured in.
    void setTabStops(const std::vector<int>& quarters, double avg);
    const std::vector<int>& tabStops() const { return m_stops; }
    double averageCharWidth() const { return m_avg; }
    // The stops in pixels from the text origin.
    std::vector<double> tabStopPixels() const;

    // The width the view can scroll over, in pixels; lines wider than it widen
    // the range so that no part of a line is out of reach.
    void setHorizontalExtent(int pixels);
    int horizontalExtent() const { return m_extent; }
    // The width every line is laid out with: the extent, or the widest line
    // when that is wider.
    int contentWidth() const { return m_contentWidth; }
    // Width of one line with its tabs expanded, margins included.
    int lineWidth(const QString& text) const;

    // Pixels between an item's left edge and its text origin.
    static constexpr int kTextMargin = 2;

signals:
    // Any mouse button released over the list, with the global position.
    void mouseReleased(Qt::MouseButton button, const QPoint& globalPos);
    // The keyboard asked for the list's popup menu: the Menu key, Shift+F10,
    // or the platform's context menu request from the keyboard.
    void menuKeyPressed();

protected:
    // Right button presses leave the selection alone, as in a list box; only
    // the left button selects.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    void changeEvent(QEvent* event) override;

private:
    void remeasure();

    std::vector<int> m_stops;
    double m_avg = 0;
    int m_extent = 0;
    int m_contentWidth = 0;
};

}  // namespace velmora
