#include "ui/windowplacement.h"

#include "store/placement.h"
#include "ui/pointer.h"
#include "ui/windowsystem.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>

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

namespace {
// Frame size beyond the client area; known once the window manager has framed
// the window, zero before.
QSize frameExtra(const QWidget* w) { return w->frameGeometry().size() - w->size(); }

bool inNormalState(const QWidget* w) {
    return !(w->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

// Whether the frame of a window is still to come: a top-level window with
// decorations that shows no frame yet.
bool frameUnknown(const QWidget* w) {
    return w->isWindow() && !(w->windowFlags() & Qt::FramelessWindowHint) && frameExtra(w).isNull();
}

// Gives the client area what `outer` leaves beside `frame`; a side of 0 or
// less stays. A fixed size is fixed anew, since resize() cannot change it.
void applyOuterSize(QWidget* window, QSize outer, QSize frame, QSize leastClient) {
    const QSize client = QSize(outer.width() > 0 ? outer.width() - frame.width() : window->width(),
                               outer.height() > 0 ? outer.height() - frame.height() : window->height())
                             .expandedTo(leastClient)
                             .expandedTo(QSize(1, 1));
    if (client == window->size()) return;
    if (window->minimumSize() == window->maximumSize()) window->setFixedSize(client);
    else window->resize(client);
}

// An outer size asked for before the window had its frame. The client area
// gets the whole size at first; once the frame is known it is taken off
// again, and the frame is put where the window was placed. Without this a
// placement restored before the window is shown would grow or move the
// window by its frame on every save and restore.
class OuterSizeKeeper final : public QObject {
public:
    explicit OuterSizeKeeper(QWidget* window) : QObject(window), m_window(window) {
        window->installEventFilter(this);
        // Qt may learn of the frame without any event of the window's (the
        // window manager announces it after the window moved into it): once
        // shown, the window is looked at again shortly, for a while.
        m_lookAgain.setInterval(kLookAgainMs);
        connect(&m_lookAgain, &QTimer::timeout, this, [this] {
            applyOnceFramed();
            if (++m_looks >= kLooks) finish();
        });
    }
    // The window's keeper, made when it has none; owned by the window.
    static OuterSizeKeeper* of(QWidget* window) {
        for (QObject* child : window->children()) {
            if (auto* keeper = dynamic_cast<OuterSizeKeeper*>(child); keeper && !keeper->m_done)
                return keeper;
        }
        return new OuterSizeKeeper(window);
    }
    void ask(int width, int height, QSize leastClient) {
        if (width > 0) m_outer.setWidth(width);
        if (height > 0) m_outer.setHeight(height);
        if (leastClient.isValid()) m_leastClient = leastClient;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_window || m_done) return false;
        switch (event->type()) {
        case QEvent::Hide:
            // Shown again later, the window is framed by then; what was
            // asked for its first showing no longer applies.
            finish();
            break;
        case QEvent::Show:
            // Where the frame is to go, as placed before the first showing.
            m_place = m_window->pos();
            m_lookAgain.start();
            applyOnceFramed();
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange: applyOnceFramed(); break;
        default: break;
        }
        return false;
    }

private:
    static constexpr int kLookAgainMs = 20;
    static constexpr int kLooks = 100;

    void applyOnceFramed() {
        if (m_done) return;
        const QSize frame = frameExtra(m_window);
        // An unshown or not yet reparented window may report a frame of a
        // pixel at the wrong place; only a frame that holds the client area
        // is one.
        if (frame.isNull() || !m_window->frameGeometry().contains(m_window->geometry()) ||
            !inNormalState(m_window))
            return;
        if (m_applying) return;
        // A window manager that is still mapping the window may put back
        // the size it was mapped with, or put the client area where the
        // frame was to go (mutter and KWin do when busy): until the looks
        // run out, either is mended again when it comes back. Only these
        // exact sizes and places are mended; the user may well move the
        // window in the meantime.
        m_applying = true;
        if (!m_applied) {
            m_unframed = m_window->size();
            applyOuterSize(m_window, m_outer, frame, m_leastClient);
            m_applied = m_window->size();
        } else if (m_window->size() == m_unframed && m_unframed != *m_applied) {
            applyOuterSize(m_window, m_outer, frame, m_leastClient);
        }
        const QPoint frameOffset = m_window->geometry().topLeft() - m_window->frameGeometry().topLeft();
        if (m_place && !frameOffset.isNull() && m_window->pos() == *m_place - frameOffset)
            m_window->move(*m_place);
        m_applying = false;
        if (!m_lookAgain.isActive()) finish();
    }

    void finish() {
        m_done = true;
        m_lookAgain.stop();
        m_window->removeEventFilter(this);
        deleteLater();
    }

    QWidget* m_window;
    QTimer m_lookAgain;
    int m_looks = 0;
    std::optional<QSize> m_applied;  // the client size given for the frame
    QSize m_unframed;                // the client size before that
    std::optional<QPoint> m_place;   // the frame's top left when shown
    bool m_applying = false;
    QSize m_outer{0, 0};
    QSize m_leastClient;
    bool m_done = false;
};
}  // namespace

TwipRect windowTwips(const QWidget* window) {
    const QRect f = window->frameGeometry();
    return {pixelsToTwipsY(f.top()), pixelsToTwipsX(f.left()), pixelsToTwipsY(f.height()),
            pixelsToTwipsX(f.width())};
}

void setOuterSize(QWidget* window, int width, int height, QSize leastClient) {
    if (frameUnknown(window)) OuterSizeKeeper::of(window)->ask(width, height, leastClient);
    applyOuterSize(window, QSize(width, height), frameExtra(window), leastClient);
}

void setWindowTop(QWidget* window, double twips) {
    window->move(window->frameGeometry().left(), twipsToPixelsY(twips));
}
void setWindowLeft(QWidget* window, double twips) {
    window->move(twipsToPixelsX(twips), window->frameGeometry().top());
}
void setWindowHeight(QWidget* window, double twips) { setOuterSize(window, 0, twipsToPixelsY(twips)); }
void setWindowWidth(QWidget* window, double twips) { setOuterSize(window, twipsToPixelsX(twips), 0); }

PlacementScope platformPlacementScope() {
    return onWayland() ? PlacementScope::SizeOnly : PlacementScope::Everything;
}

bool liesOffEveryScreen(const QWidget* window) {
    const QRect frame = window->frameGeometry();
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (const QScreen* screen : screens)
        if (screen->geometry().intersects(frame)) return false;
    return !screens.isEmpty();
}

void savePlacement(SettingsStore& store, const QWidget* window, const QString& app, const QString& section,
                   const QString& key, PlacementScope scope, const std::optional<QRect>& outer) {
    if (scope == PlacementScope::Nothing) return;
    if (!inNormalState(window)) return;
    TwipRect r = windowTwips(window);
    if (outer) {
        // The toolkit may not have learnt of the frame yet when the window
        // closes soon after it was framed.
        r = {pixelsToTwipsY(outer->top()), pixelsToTwipsX(outer->left()), pixelsToTwipsY(outer->height()),
             pixelsToTwipsX(outer->width())};
    }
    if (scope == PlacementScope::SizeOnly) {
        // The position the compositor reports is its own business (0, 0 or
        // its shadow margin); the one stored from a desktop that lets the
        // program place windows stays for that desktop. The size is the
        // client area's: the frame is drawn by the toolkit itself on some
        // compositors and by the compositor on others, and restoring applies
        // the same client size, so the window cannot grow by its frame.
        const auto height = std::int32_t(std::lround(pixelsToTwipsY(window->height())));
        const auto width = std::int32_t(std::lround(pixelsToTwipsX(window->width())));
        store.write(app, section, key, withSizeKept(store.read(app, section, key), height, width));
        return;
    }
    const auto height = std::int32_t(std::lround(r.height));
    const auto width = std::int32_t(std::lround(r.width));
    Placement p;
    p.top = std::int32_t(std::lround(r.top));
    p.left = std::int32_t(std::lround(r.left));
    p.height = height;
    p.width = width;
    store.write(app, section, key, formatPlacement(p));
}

void restorePlacement(const SettingsStore& store, QWidget* window, const QString& app, const QString& section,
                      const QString& key, PlacementScope scope) {
    if (scope == PlacementScope::Nothing) return;
    const QString text = store.read(app, section, key);
    const Placement p = scope == PlacementScope::SizeOnly ? parseSizeFields(text) : parsePlacement(text);
    if (p.state == 0) window->setWindowState(Qt::WindowNoState);
    else if (p.state == 1) window->setWindowState(Qt::WindowMinimized);
    else if (p.state == 2) window->setWindowState(Qt::WindowMaximized);
    if (!inNormalState(window)) return;
    if (scope == PlacementScope::Everything) {
        if (p.top >= 0) setWindowTop(window, p.top);
        if (p.left >= 0) setWindowLeft(window, p.left);
    }
    // A window of fixed size has the size its content needs.
    if (window->minimumSize() == window->maximumSize()) return;
    if (scope == PlacementScope::SizeOnly) {
        // The client size, as saved.
        window->resize(p.width > 0 ? twipsToPixelsX(p.width) : window->width(),
                       p.height > 0 ? twipsToPixelsY(p.height) : window->height());
        return;
    }
    if (p.height > 0) setWindowHeight(window, p.height);
    if (p.width > 0) setWindowWidth(window, p.width);
}

QSize outerSize(const QWidget* window, const QMargins& expectedFrame) {
    // A window that was never shown has no frame, but its frame geometry is
    // then made of an empty rectangle's edges and comes out a pixel short on
    // each side: it would pass for a framed window.
    const QSize framed = window->frameGeometry().size();
    if (window->testAttribute(Qt::WA_WState_Created) && framed != window->size()) return framed;
    return window->size().grownBy(expectedFrame);
}

void centerOverOwner(QWidget* window, const QWidget* owner) {
    setMousePointer(MousePointer::ArrowBusy);
    const QRect o = owner->frameGeometry();
    // Measured before it is shown, the window has no frame yet; the window
    // manager gives it the owner's, and leaving it out would put the window
    // half a title bar too low.
    const QMargins ownerFrame(owner->geometry().left() - o.left(), owner->geometry().top() - o.top(),
                              o.right() - owner->geometry().right(), o.bottom() - owner->geometry().bottom());
    const QSize w = outerSize(window, ownerFrame);
    const double ownerTop = pixelsToTwipsY(o.top());
    const double ownerLeft = pixelsToTwipsX(o.left());
    const double top = ownerTop + (pixelsToTwipsY(o.height()) - pixelsToTwipsY(w.height())) / 2.0;
    const double left = ownerLeft + (pixelsToTwipsX(o.width()) - pixelsToTwipsX(w.width())) / 2.0;
    window->move(twipsToPixelsX(left), twipsToPixelsY(top));
    setMousePointer(MousePointer::Default);
}

QPoint centredOnScreen(QSize outer, const QRect& screen) {
    const double top = (pixelsToTwipsY(screen.height()) * 0.85) / 2.0 - pixelsToTwipsY(outer.height()) / 2.0;
    const double left = pixelsToTwipsX(screen.width()) / 2.0 - pixelsToTwipsX(outer.width()) / 2.0;
    return {screen.left() + twipsToPixelsX(left), screen.top() + twipsToPixelsY(top)};
}

void centerOnScreen(QWidget* window, const std::optional<QMargins>& expectedFrame) {
    setMousePointer(MousePointer::ArrowBusy);
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const QRect s = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    QPoint at = centredOnScreen(outerSize(window, expectedFrame.value_or(QMargins())), s);
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
