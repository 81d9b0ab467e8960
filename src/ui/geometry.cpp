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

QSize outerSize(const QWidget* window, const QMargins& expectedFrame) {
    const QSize framed = window->frameGeometry().size();
    if (framed != window->size()) return framed;
    return window->size().grownBy(expectedFrame);
}

void CenterOverOwner(QWidget* window, const QWidget* owner) {
    setMousePointer(13);
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
    setMousePointer(0);
}

void CenterForm(QWidget* window, const std::optional<QMargins>& expectedFrame) {
    setMousePointer(13);
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
    setMousePointer(0);
}

}  // namespace velmora
