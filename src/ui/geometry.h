#pragma once
// Twips, fonts and pointers: the window design is given in twips (15 to a
// pixel at 96 dpi) and in "MS Sans Serif" sizes; these helpers map them onto
// the desktop.

#include <QFont>
#include <QMargins>
#include <QRect>

#include <optional>

class QWidget;

namespace velmora {

// Twips per pixel of the primary screen's logical resolution (15 at 96 dpi).
double twipsPerPixelX();
double twipsPerPixelY();

int twipsToPixelsX(double twips);
int twipsToPixelsY(double twips);
double pixelsToTwipsX(int pixels);
double pixelsToTwipsY(int pixels);

// A rectangle given in twips (left, top, width, height), in pixels.
QRect twipsRect(double left, double top, double width, double height);

// "MS Sans Serif" at a point size: the desktop's default interface font at
// that size.
QFont interfaceFont(double pointSize);

// The application's mouse pointer by its classic codes: 0 default,
// 11 busy (hourglass), 13 arrow with hourglass.
void setMousePointer(int code);
int mousePointer();

// Shows a pointer for its lifetime and puts the default one back on every way out.
class PointerGuard {
public:
    explicit PointerGuard(int code) { setMousePointer(code); }
    ~PointerGuard() { setMousePointer(0); }
    PointerGuard(const PointerGuard&) = delete;
    PointerGuard& operator=(const PointerGuard&) = delete;
};

// The outer size of `window`: its frame once the window manager has framed
// it, before that its client area grown by `expectedFrame`.
QSize outerSize(const QWidget* window, const QMargins& expectedFrame = {});

// Centres `window` over `owner` (frame geometry, twip arithmetic in floating
// point, no clamping to the screen); arrow-with-hourglass meanwhile. A window
// not framed yet is taken to get the same frame as its owner has.
void CenterOverOwner(QWidget* window, const QWidget* owner);

// Centres `window` horizontally on the screen with its vertical centre at
// 42.5 % of the screen height; arrow-with-hourglass meanwhile. The frame is
// measured once the window is framed; before that `expectedFrame` stands in
// for it (none given: no frame).
void CenterForm(QWidget* window, const std::optional<QMargins>& expectedFrame = std::nullopt);

}  // namespace velmora
