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

namespace {
double logicalDpiX() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : 96.0;
}
double logicalDpiY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}
}  // namespace

double twipsPerPixelX() { return 1440.0 / logicalDpiX(); }
double twipsPerPixelY() { return 1440.0 / logicalDpiY(); }
int twipsToPixelsX(double twips) { return int(std::lround(twips / twipsPerPixelX())); }
int twipsToPixelsY(double twips) { return int(std::lround(twips / twipsPerPixelY())); }
double pixelsToTwipsX(int pixels) { return pixels * twipsPerPixelX(); }
double pixelsToTwipsY(int pixels) { return pixels * twipsPerPixelY(); }

QRect twipsRect(double left, double top, double width, double height) {
    return QRect(twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width),
                 twipsToPixelsY(height));
}

QFont interfaceFont(double designPointSize) {
    QFont font = QApplication::font();
    // A desktop font given in pixels has no point size; its pixel size scales.
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * designPointSize / kDesignPointSize);
    else if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, int(std::lround(font.pixelSize() * designPointSize /
                                                      kDesignPointSize))));
    return font;
}

FontScale fontScale(const QFont& font) {
    const QFontMetricsF metrics(font);
    const double avg =
        metrics.horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ")) /
        52.0;
    // The design font's measures at this resolution.
    const double designAvg = 6.0 * logicalDpiX() / 96.0;
    const double designHeight = 13.0 * logicalDpiY() / 96.0;
    FontScale scale;
    if (avg > 0) scale.x = avg / designAvg;
    if (metrics.height() > 0) scale.y = metrics.height() / designHeight;
    return scale;
}

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

void setMousePointer(MousePointer pointer) {
    // One override at a time, so that restoring never leaves a stacked cursor behind.
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
    switch (pointer) {
    case MousePointer::Default: break;
    case MousePointer::Busy: QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); break;
    case MousePointer::ArrowBusy: QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor)); break;
    }
}

void showBusyPointer(bool busy) { setMousePointer(busy ? MousePointer::Busy : MousePointer::Default); }

MousePointer mousePointer() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    if (!cursor) return MousePointer::Default;
    switch (cursor->shape()) {
    case Qt::WaitCursor: return MousePointer::Busy;
    case Qt::BusyCursor: return MousePointer::ArrowBusy;
    default: return MousePointer::Default;
    }
}

QSize outerSize(const QWidget* window, const QMargins& expectedFrame) {
    const QSize framed = window->frameGeometry().size();
    if (framed != window->size()) return framed;
    return window->size().grownBy(expectedFrame);
}

void CenterOverOwner(QWidget* window, const QWidget* owner) {
    setMousePointer(MousePointer::ArrowBusy);
    const QRect o = owner->frameGeometry();
    // Measured before it is shown, the window has no frame yet; the window
    // manager gives it the owner's, and leaving it out would put the window
    // half a title bar too low.
    const QMargins ownerFrame(owner->geometry().left() - o.left(), owner->geometry().top() - o.top(),
                              o.right() - owner->geometry().right(),
                              o.bottom() - owner->geometry().bottom());
    const QSize w = outerSize(window, ownerFrame);
    const double ownerTop = pixelsToTwipsY(o.top());
    const double ownerLeft = pixelsToTwipsX(o.left());
    const double top = ownerTop + (pixelsToTwipsY(o.height()) - pixelsToTwipsY(w.height())) / 2.0;
    const double left = ownerLeft + (pixelsToTwipsX(o.width()) - pixelsToTwipsX(w.width())) / 2.0;
    window->move(twipsToPixelsX(left), twipsToPixelsY(top));
    setMousePointer(MousePointer::Default);
}

void CenterForm(QWidget* window, const std::optional<QMargins>& expectedFrame) {
    setMousePointer(MousePointer::ArrowBusy);
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const QRect s = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const QSize w = outerSize(window, expectedFrame.value_or(QMargins()));
    const double top = (pixelsToTwipsY(s.height()) * 0.85) / 2.0 - pixelsToTwipsY(w.height()) / 2.0;
    const double left = pixelsToTwipsX(s.width()) / 2.0 - pixelsToTwipsX(w.width()) / 2.0;
    QPoint at(s.left() + twipsToPixelsX(left), s.top() + twipsToPixelsY(top));
    // A native window that has no frame yet is moved by its client area, and
    // the window manager then puts the frame around it where it stands: the
    // client goes inside the frame that is to come.
    const bool framed = window->frameGeometry().size() != window->size();
    if (!framed && expectedFrame && window->testAttribute(Qt::WA_WState_Created))
        at += QPoint(expectedFrame->left(), expectedFrame->top());
    window->move(at);
    setMousePointer(MousePointer::Default);
}

}  // namespace velmora
