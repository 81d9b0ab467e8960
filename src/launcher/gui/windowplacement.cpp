#include "launcher/gui/windowplacement.h"

#include "launcher/placement.h"
#include "ui/geometry.h"

#include <QWidget>

#include <cmath>

namespace velmora {

namespace {
// Frame size beyond the client area; known once the window manager has framed
// the window, zero before.
QSize frameExtra(const QWidget* w) { return w->frameGeometry().size() - w->size(); }
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
    window->resize(window->width(), std::max(1, twipsToPixelsY(twips) - frameExtra(window).height()));
}
void setWindowWidth(QWidget* window, double twips) {
    window->resize(std::max(1, twipsToPixelsX(twips) - frameExtra(window).width()), window->height());
}

void SavePlacement(SettingsStore& store, const QWidget* window, const QString& app,
                   const QString& section, const QString& key) {
    if (window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    const TwipRect r = windowTwips(window);
    Placement p;
    p.top = std::int32_t(std::lround(r.top));
    p.left = std::int32_t(std::lround(r.left));
    p.height = std::int32_t(std::lround(r.height));
    p.width = std::int32_t(std::lround(r.width));
    store.write(app, section, key, formatPlacement(p));
}

void RestorePlacement(const SettingsStore& store, QWidget* window, const QString& app,
                      const QString& section, const QString& key) {
    const Placement p = parsePlacement(store.read(app, section, key));
    if (p.state == 0) window->setWindowState(Qt::WindowNoState);
    else if (p.state == 1) window->setWindowState(Qt::WindowMinimized);
    else if (p.state == 2) window->setWindowState(Qt::WindowMaximized);
    if (window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    if (p.top >= 0) setWindowTop(window, p.top);
    if (p.left >= 0) setWindowLeft(window, p.left);
    if (p.height > 0) setWindowHeight(window, p.height);
    if (p.width > 0) setWindowWidth(window, p.width);
}

}  // namespace velmora
