#include "ui/geometry.h"

#include <QApplication>
#include <QCursor>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

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

QRect twipsRect(double left, double top, double width, double height) {
    return QRect(twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width),
                 twipsToPixelsY(height));
}

QFont interfaceFont(double pointSize) {
    QFont font = QApplication::font();
    font.setPointSizeF(pointSize);
    return font;
}

void setMousePointer(int code) {
    // One override at a time, so that restoring never leaves a stacked cursor behind.
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
    if (code == 11) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else if (code == 13) QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
}

int mousePointer() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    if (!cursor) return 0;
    return cursor->shape() == Qt::WaitCursor ? 11 : cursor->shape() == Qt::BusyCursor ? 13 : 0;
}

void CenterOverOwner(QWidget* window, const QWidget* owner) {
    setMousePointer(13);
    const QRect o = owner->frameGeometry();
    const QRect w = window->frameGeometry();
    const double ownerTop = pixelsToTwipsY(o.top());
    const double ownerLeft = pixelsToTwipsX(o.left());
    const double top = ownerTop + (pixelsToTwipsY(o.height()) - pixelsToTwipsY(w.height())) / 2.0;
    const double left = ownerLeft + (pixelsToTwipsX(o.width()) - pixelsToTwipsX(w.width())) / 2.0;
    window->move(twipsToPixelsX(left), twipsToPixelsY(top));
    setMousePointer(0);
}

void CenterForm(QWidget* window) {
    setMousePointer(13);
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const QRect s = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const QRect w = window->frameGeometry();
    const double top = (pixelsToTwipsY(s.height()) * 0.85) / 2.0 - pixelsToTwipsY(w.height()) / 2.0;
    const double left = pixelsToTwipsX(s.width()) / 2.0 - pixelsToTwipsX(w.width()) / 2.0;
    window->move(s.left() + twipsToPixelsX(left), s.top() + twipsToPixelsY(top));
    setMousePointer(0);
}

}  // namespace velmora
