#include "ui/geometry.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmora {

QRect TwipDesign::rect(double left, double top, double width, double height) const {
    // Edges are rounded, not sizes, so that controls that meet or line up in
    // the design still meet or line up.
    const auto x = [this](double twips) { return int(std::lround(twips * m_scale.x / twipsPerPixelX())); };
    const auto y = [this](double twips) { return int(std::lround(twips * m_scale.y / twipsPerPixelY())); };
    const int l = x(left), t = y(top);
    return QRect(l, t, x(left + width) - l, y(top + height) - t);
}

QSize TwipDesign::size(double width, double height) const { return rect(0, 0, width, height).size(); }

namespace {

const char* const kFitTextProperty = "velmoraFitText";

// Extra room on each side of a button's text, inside its frame, so that a
// caption never touches the bevel.
constexpr int kButtonTextPad = 3;
// Lines that end this close to a growing edge are taken as lined up with it.
constexpr int kAlignSlack = 2;

// The text as drawn: "&&" is one ampersand, a single one marks the access key.
QString shownText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

QSize textExtent(const QFont& font, const QString& text) {
    const QFontMetricsF metrics(font);
    const QStringList lines = text.split(QLatin1Char('\n'));
    qreal width = 0;
    for (const QString& line : lines) width = std::max(width, metrics.horizontalAdvance(line));
    const qreal height = metrics.height() + (lines.size() - 1) * metrics.lineSpacing();
    return QSize(int(std::ceil(width)), int(std::ceil(height)));
}

QString fitText(const QWidget* w, const QString& own) {
    const QVariant v = w->property(kFitTextProperty);
    return v.isValid() ? v.toString() : own;
}

// The smallest size at which `w` shows its text (or fit text) whole; never
// less than its present size.
QSize neededSize(const QWidget* w) {
    QSize need = w->size();
    const int frame = w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        if (!label->pixmap().isNull()) return need;
        const QVariant fit = label->property(kFitTextProperty);
        if (label->wordWrap() && !fit.isValid()) {
            need.setHeight(std::max(need.height(), label->heightForWidth(label->width())));
            return need;
        }
        const QString text = fit.isValid() ? fit.toString() : label->text();
        const QSize t = textExtent(label->font(), label->buddy() ? shownText(text) : text);
        const int margins = 2 * (label->margin() + label->frameWidth()) + std::max(0, label->indent());
        return need.expandedTo(t + QSize(margins, 2 * (label->margin() + label->frameWidth())));
    }
    if (const auto* button = qobject_cast<const QPushButton*>(w)) {
        const QSize t = textExtent(button->font(), shownText(fitText(w, button->text())));
        return need.expandedTo(t + QSize(2 * (frame + kButtonTextPad), 2 * frame + 2));
    }
    if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w)) {
        // The style knows its indicator, the spacing and the focus frame.
        return need.expandedTo(w->sizeHint());
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
        const QMargins m = edit->textMargins();
        // Inside its frame a line edit keeps 2 pixels on either side of the
        // text and 1 above and below it, and the cursor takes one more.
        constexpr int kEditMarginX = 2, kEditMarginY = 1, kCursor = 1;
        const QString text = fitText(w, QString());
        const QSize t = textExtent(edit->font(), text);
        const int width = text.isEmpty() ? 0 : t.width() + 2 * (frame + kEditMarginX) + kCursor + m.left() + m.right();
        const int height = t.height() + 2 * (frame + kEditMarginY) + m.top() + m.bottom();
        return need.expandedTo(QSize(width, height));
    }
    return need;
}

// The controls of `container`: its child widgets that are not windows of
// their own (popup menus, dialogs).
std::vector<QWidget*> controlsOf(QWidget* container) {
    std::vector<QWidget*> out;
    for (QObject* child : container->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && !w->isWindow()) out.push_back(w);
    }
    return out;
}

// Whether `w` may be drawn out to keep an edge lined up: frames and lists
// hold other things, a text box is as good wider; a caption would only sit
// oddly in a control taller or wider than it.
bool stretches(const QWidget* w, bool horizontal) {
    if (qobject_cast<const QGroupBox*>(w) || qobject_cast<const QAbstractScrollArea*>(w)) return true;
    return horizontal && qobject_cast<const QLineEdit*>(w);
}

// One growth at a moving edge: `grown` is already larger; the others of its
// container move past the edge or, where they may, widen across it.
// `horizontal` picks the axis. In a design without overlaps nothing that
// spans the edge shares the grown control's row, so what stays put cannot
// be run into.
void makeRoom(const std::vector<QWidget*>& controls, std::vector<QRect>& rects, std::size_t grown,
              int edge, int delta, bool horizontal) {
    for (std::size_t i = 0; i < rects.size(); ++i) {
        if (i == grown) continue;
        QRect& r = rects[i];
        const int start = horizontal ? r.left() : r.top();
        const int end = horizontal ? r.left() + r.width() : r.top() + r.height();
        if (start >= edge) {
            horizontal ? r.translate(delta, 0) : r.translate(0, delta);
        } else if (end >= edge - kAlignSlack && stretches(controls[i], horizontal)) {
            horizontal ? r.setWidth(r.width() + delta) : r.setHeight(r.height() + delta);
        }
    }
}

int extent(const std::vector<QRect>& rects, bool horizontal) {
    int out = 0;
    for (const QRect& r : rects)
        out = std::max(out, horizontal ? r.left() + r.width() : r.top() + r.height());
    return out;
}

}  // namespace

void setFitText(QWidget* control, const QString& text) { control->setProperty(kFitTextProperty, text); }

QSize fitControls(QWidget* container) {
    const std::vector<QWidget*> controls = controlsOf(container);
    std::vector<QRect> rects;
    // What a frame needs is known once its own controls are fitted; the frame
    // itself grows below, with the room made around it.
    std::vector<QSize> frameNeeds(controls.size());
    rects.reserve(controls.size());
    for (std::size_t i = 0; i < controls.size(); ++i) {
        rects.push_back(controls[i]->geometry());
        if (qobject_cast<QGroupBox*>(controls[i])) frameNeeds[i] = fitControls(controls[i]);
    }
    const int oldRight = extent(rects, true), oldBottom = extent(rects, false);

    if (auto* box = qobject_cast<QGroupBox*>(container); box && !rects.empty()) {
        // The caption takes the frame's top; the controls come below it.
        const int captionBottom = box->contentsRect().top();
        int top = rects.front().top();
        for (const QRect& r : rects) top = std::min(top, r.top());
        if (top < captionBottom)
            for (QRect& r : rects) r.translate(0, captionBottom - top);
    }

    for (bool horizontal : {true, false}) {
        // Left to right (top to bottom), so that a growth moves only what is
        // still to be looked at.
        std::vector<std::size_t> order(controls.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return horizontal ? rects[a].left() < rects[b].left() : rects[a].top() < rects[b].top();
        });
        for (std::size_t i : order) {
            QRect& r = rects[i];
            const QSize want =
                (frameNeeds[i].isValid() ? frameNeeds[i] : neededSize(controls[i])).expandedTo(r.size());
            const int delta = horizontal ? want.width() - r.width() : want.height() - r.height();
            if (delta <= 0) continue;
            const int edge = horizontal ? r.left() + r.width() : r.top() + r.height();
            horizontal ? r.setWidth(r.width() + delta) : r.setHeight(r.height() + delta);
            makeRoom(controls, rects, i, edge, delta, horizontal);
        }
    }

    for (std::size_t i = 0; i < controls.size(); ++i)
        if (controls[i]->geometry() != rects[i]) controls[i]->setGeometry(rects[i]);
    return container->size() + QSize(std::max(0, extent(rects, true) - oldRight),
                                      std::max(0, extent(rects, false) - oldBottom));
}

}  // namespace velmora
