#include "launcher/gui/windowplacement.h"

#include "launcher/placement.h"
#include "ui/geometry.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {
// Frame size beyond the client area; known once the window manager has framed
// the window, zero before.
QSize frameExtra(const QWidget* w) { return w->frameGeometry().size() - w->size(); }

// An outer height or width asked for before the window had its frame. The
// client area gets the whole size at first; once the frame is known it is
// taken off again. Without this a placement restored before the window is
// shown would grow the window by its frame on every save and restore.
class OuterSizeKeeper final : public QObject {
public:
    explicit OuterSizeKeeper(QWidget* window) : QObject(window), m_window(window) {
        window->installEventFilter(this);
    }
    // The window's keeper, made when it has none; owned by the window.
    static OuterSizeKeeper* of(QWidget* window) {
        for (QObject* child : window->children()) {
            if (auto* keeper = dynamic_cast<OuterSizeKeeper*>(child); keeper && !keeper->m_done)
                return keeper;
        }
        return new OuterSizeKeeper(window);
    }
    void setHeight(int pixels) { m_height = pixels; }
    void setWidth(int pixels) { m_width = pixels; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto type = event->type();
        if (watched == m_window && !m_done &&
            (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize)) {
            const QSize extra = frameExtra(m_window);
            if (!extra.isNull()) {
                m_done = true;  // the resize below sends events of its own
                m_window->removeEventFilter(this);
                m_window->resize(m_width > 0 ? std::max(1, m_width - extra.width()) : m_window->width(),
                                 m_height > 0 ? std::max(1, m_height - extra.height())
                                              : m_window->height());
                deleteLater();
            }
        }
        return false;
    }

private:
    QWidget* m_window;
    int m_height = 0, m_width = 0;
    bool m_done = false;
};

// Whether the frame of a window is still to come: a top-level window with
// decorations that shows no frame yet.
bool frameUnknown(const QWidget* w) {
    return w->isWindow() && !(w->windowFlags() & Qt::FramelessWindowHint) &&
           frameExtra(w).isNull();
}
}  // namespace

TwipRect windowTwips(const QWidget* window) {
    const QRect f = window->frameGeometry();
    return {pixelsToTwipsY(f.top()), pixelsToTwipsX(f.left()), pixelsToTwipsY(f.height()),
            pixelsToTwipsX(f.width())};
}

void setWindowTop(QWidget* window, double twips) {
    window->move(window->frameGeometry().left(), twipsToPixelsY(twips));
}
void setWindowLeft(QWidget* window, double twips) {
    window->move(twipsToPixelsX(twips), window->frameGeometry().top());
}
void setWindowHeight(QWidget* window, double twips) {
    const int outer = twipsToPixelsY(twips);
    if (frameUnknown(window)) OuterSizeKeeper::of(window)->setHeight(outer);
    window->resize(window->width(), std::max(1, outer - frameExtra(window).height()));
}
void setWindowWidth(QWidget* window, double twips) {
    const int outer = twipsToPixelsX(twips);
    if (frameUnknown(window)) OuterSizeKeeper::of(window)->setWidth(outer);
    window->resize(std::max(1, outer - frameExtra(window).width()), window->height());
}

PlacementScope platformPlacementScope() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ? PlacementScope::SizeOnly
                                                                                 : PlacementScope::Everything;
}

bool liesOffEveryScreen(const QWidget* window) {
    const QRect frame = window->frameGeometry();
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (const QScreen* screen : screens)
        if (screen->geometry().intersects(frame)) return false;
    return !screens.isEmpty();
}

void SavePlacement(SettingsStore& store, const QWidget* window, const QString& app,
                   const QString& section, const QString& key, PlacementScope scope) {
    if (scope == PlacementScope::Nothing) return;
    if (window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    const TwipRect r = windowTwips(window);
    const auto height = std::int32_t(std::lround(r.height));
    const auto width = std::int32_t(std::lround(r.width));
    if (scope == PlacementScope::SizeOnly) {
        // The position the compositor reports is its own business (0, 0 or
        // its shadow margin); the one stored from a desktop that lets the
        // program place windows stays for that desktop.
        store.write(app, section, key, withSizeKept(store.read(app, section, key), height, width));
        return;
    }
    Placement p;
    p.top = std::int32_t(std::lround(r.top));
    p.left = std::int32_t(std::lround(r.left));
    p.height = height;
    p.width = width;
    store.write(app, section, key, formatPlacement(p));
}

void RestorePlacement(const SettingsStore& store, QWidget* window, const QString& app,
                      const QString& section, const QString& key, PlacementScope scope) {
    if (scope == PlacementScope::Nothing) return;
    const QString text = store.read(app, section, key);
    const Placement p = scope == PlacementScope::SizeOnly ? parseSizeFields(text) : parsePlacement(text);
    if (p.state == 0) window->setWindowState(Qt::WindowNoState);
    else if (p.state == 1) window->setWindowState(Qt::WindowMinimized);
    else if (p.state == 2) window->setWindowState(Qt::WindowMaximized);
    if (window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    if (scope == PlacementScope::Everything) {
        if (p.top >= 0) setWindowTop(window, p.top);
        if (p.left >= 0) setWindowLeft(window, p.left);
    }
    if (p.height > 0) setWindowHeight(window, p.height);
    if (p.width > 0) setWindowWidth(window, p.width);
}

}  // namespace velmora
