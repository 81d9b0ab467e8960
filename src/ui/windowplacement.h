#pragma once
// Where windows stand and how large they are: savePlacement and
// restorePlacement through the placement text kept in the settings store,
// centring, and the outer size of a window whose frame is still to come.
// Positions and sizes of whole windows are twips of the primary screen's
// logical resolution (15 to a pixel at 96 dpi), whatever the font.

#include "store/settingsstore.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

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

// How much of a placement the window system leaves to the program.
enum class PlacementScope {
    Everything,  // position and size
    SizeOnly,    // the window system places windows itself (native Wayland)
    Nothing,     // the window was never seen on a real screen
};
// Everything, except SizeOnly on native Wayland.
PlacementScope platformPlacementScope();

// Writes top, left, height and width (twips, frame included) and state 0 —
// only when the window is in the normal state; otherwise the stored text stays.
// SizeOnly keeps the stored position as it is and writes the size of the
// client area, frame excluded; Nothing writes nothing. `outer`, when given,
// is the framed window as the display has it, and is taken instead of the
// toolkit's idea of it.
void savePlacement(SettingsStore& store, const QWidget* window, const QString& app, const QString& section,
                   const QString& key, PlacementScope scope = platformPlacementScope(),
                   const std::optional<QRect>& outer = std::nullopt);

// Reads the text back: a state 0..2 is applied; in the normal state a
// non-negative top and left and a positive height and width are applied,
// the size only to a window whose size is not fixed. SizeOnly applies the
// state and the size, as the size of the client area, whatever the position
// fields hold.
void restorePlacement(const SettingsStore& store, QWidget* window, const QString& app, const QString& section,
                      const QString& key, PlacementScope scope = platformPlacementScope());

// Whether no part of the window's frame lies on any screen, as when the
// monitor that held it is gone.
bool liesOffEveryScreen(const QWidget* window);

// The window's frame rectangle in twips: top, left, height, width.
struct TwipRect {
    double top, left, height, width;
};
TwipRect windowTwips(const QWidget* window);

// Gives `window` an outer width and height in pixels, frame included; a side
// given as 0 or less stays as it is. The client area never becomes smaller
// than `leastClient`, and a window whose size is fixed stays fixed, at the
// new size. Before the window manager has framed the window (it is not shown
// yet) the client area takes the whole outer size; once the frame is known
// (the first show, move, resize or state change in the normal state that
// shows one) the frame is taken off again, unless the window was hidden
// meanwhile. Calls made before that add to what is asked.
void setOuterSize(QWidget* window, int width, int height, QSize leastClient = QSize());

// Sets the frame's top/left, and the outer height/width through
// setOuterSize; twips.
void setWindowTop(QWidget* window, double twips);
void setWindowLeft(QWidget* window, double twips);
void setWindowHeight(QWidget* window, double twips);
void setWindowWidth(QWidget* window, double twips);

// The outer size of `window`: its frame once the window manager has framed
// it, before that its client area grown by `expectedFrame`.
QSize outerSize(const QWidget* window, const QMargins& expectedFrame = {});

// Centres `window` over `owner` (frame geometry, twip arithmetic in floating
// point, no clamping to the screen); arrow-with-hourglass meanwhile. A window
// not framed yet is taken to get the same frame as its owner has.
void centerOverOwner(QWidget* window, const QWidget* owner);

// Where a window of outer size `outer` goes on `screen` to be centred
// horizontally with its vertical centre at 42.5 % of the screen's height:
// the top-left corner of its frame, in the screen's coordinates (pixels).
QPoint centredOnScreen(QSize outer, const QRect& screen);

// Centres `window` horizontally on the screen with its vertical centre at
// 42.5 % of the screen height; arrow-with-hourglass meanwhile. The frame is
// measured once the window is framed; before that `expectedFrame` stands in
// for it (none given: no frame).
void centerOnScreen(QWidget* window, const std::optional<QMargins>& expectedFrame = std::nullopt);

}  // namespace velmora
