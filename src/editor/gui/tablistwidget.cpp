#include "editor/gui/tablistwidget.h"

#include "editor/listdisplay.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {
// Without stops a list box spaces tabs eight average characters apart; tabs
// past the last stop keep that spacing.
constexpr int kDefaultTabQuarters = 32;

ExpandedLine expand(const TabListWidget& list, const QFont& font, const QString& text) {
    const QFontMetricsF metrics(font);
    return expandTabs(text, list.tabStopPixels(),
                      quartersToPixels(kDefaultTabQuarters, list.averageCharWidth()),
                      [&metrics](const QString& s) { return metrics.horizontalAdvance(s); });
}
}  // namespace

TabStopDelegate::TabStopDelegate(TabListWidget* list) : QStyledItemDelegate(list), m_list(list) {}

void TabStopDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    // The style draws the background, selection and focus; the text is ours.
    opt.text.clear();
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const ExpandedLine line = expand(*m_list, opt.font, text);
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                            : QPalette::Inactive;
    const QPalette::ColorRole role =
        (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(group, role));
    painter->setClipRect(opt.rect);
    const QRectF row = opt.rect;
    const QFontMetricsF metrics(opt.font);
    for (qsizetype i = 0; i < line.pieces.size(); ++i) {
        const QRectF cell(row.left() + TabListWidget::kTextMargin + line.starts[size_t(i)], row.top(),
                          metrics.horizontalAdvance(line.pieces[i]) + 1, row.height());
        painter->drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line.pieces[i]);
    }
    painter->restore();
}

QSize TabStopDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setWidth(m_list->contentWidth());
    return size;
}

TabListWidget::TabListWidget(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new TabStopDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // All lines share one size: the layout of 999 lines then costs one size
    // hint, and the width is kept up to date as lines arrive.
    setUniformItemSizes(true);
}

int TabListWidget::lineWidth(const QString& text) const {
    return int(std::ceil(expand(*this, font(), text).width)) + 2 * kTextMargin;
}

void TabListWidget::remeasure() {
    int widest = m_extent;
    for (int row = 0; row < count(); ++row) widest = std::max(widest, lineWidth(item(row)->text()));
    m_contentWidth = widest;
    scheduleDelayedItemsLayout();
    viewport()->update();
}

void TabListWidget::rowsInserted(const QModelIndex& parent, int start, int end) {
    for (int row = start; row <= end; ++row)
        m_contentWidth = std::max(m_contentWidth, lineWidth(item(row)->text()));
    QListWidget::rowsInserted(parent, start, end);
}

void TabListWidget::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                const QList<int>& roles) {
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
        if (const QListWidgetItem* it = item(row))
            m_contentWidth = std::max(m_contentWidth, lineWidth(it->text()));
    QListWidget::dataChanged(topLeft, bottomRight, roles);
}

void TabListWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) remeasure();
    QListWidget::changeEvent(event);
}

void TabListWidget::setTabStops(const std::vector<int>& quarters, double avg) {
    m_stops = quarters;
    m_avg = avg;
    remeasure();
}

std::vector<double> TabListWidget::tabStopPixels() const {
    std::vector<double> out;
    out.reserve(m_stops.size());
    for (int q : m_stops) out.push_back(quartersToPixels(q, m_avg));
    return out;
}

void TabListWidget::setHorizontalExtent(int pixels) {
    m_extent = std::max(0, pixels);
    remeasure();
}

void TabListWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
}

void TabListWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListWidget::mouseDoubleClickEvent(event);
}

void TabListWidget::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    emit mouseReleased(event->button(), event->globalPosition().toPoint());
}

void TabListWidget::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Menu && mods == Qt::NoModifier) ||
        (event->key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
        event->accept();
        emit menuKeyPressed();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void TabListWidget::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse's request is answered when the right button is released.
    if (event->reason() != QContextMenuEvent::Keyboard) {
        event->ignore();
        return;
    }
    event->accept();
    emit menuKeyPressed();
}

}  // namespace velmora
