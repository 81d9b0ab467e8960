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

// The point size the designs call "MS Sans Serif" 8: the size every other
// design size is relative to.
inline constexpr double kDesignPointSize = 8.25;

// "MS Sans Serif" at a design point size: the desktop's interface font
// (the application font), its own size scaled by designPointSize /
// kDesignPointSize. At kDesignPointSize it is the desktop font unchanged.
QFont interfaceFont(double designPointSize);

// How much a font is larger than the design font, "MS Sans Serif" 8, whose
// average character width (over the 52 letters a-z, A-Z) is 6 pixels and
// whose line height is 13 pixels at 96 dpi, both growing with the logical dpi.
// x compares the average widths, y the line heights.
struct FontScale {
    double x = 1.0;
    double y = 1.0;
};
FontScale fontScale(const QFont& font);

// A twip design drawn for the design font and scaled to `font`, as dialogs
// scale with their font: horizontal lengths by the ratio of the average
// character widths, vertical ones by that of the line heights, on top of the
// usual twips-to-pixels conversion. Positions and sizes of whole windows on
// the screen stay plain twips; only the inside of a window is scaled.
class TwipDesign {
public:
    explicit TwipDesign(const QFont& font) : m_scale(fontScale(font)) {}
    explicit TwipDesign(FontScale scale) : m_scale(scale) {}
    FontScale scale() const { return m_scale; }
    QRect rect(double left, double top, double width, double height) const;
    QSize size(double width, double height) const;
    // Gives `control` the rectangle and returns it.
    template <typename W>
    W* place(W* control, double left, double top, double width, double height) const {
        control->setGeometry(rect(left, top, width, height));
        return control;
    }

private:
    FontScale m_scale;
};

// The longest text `control` must show whole, when that is not its own text:
// "43200" for a seconds box, the three lines of a status label. Line breaks
// are "\n".
void setFitText(QWidget* control, const QString& text);

// Makes room where the scaled design is still too small for a control's
// text: with a different font the proportions of words differ from the
// design's and the style's own parts (indicators, frames, margins) do not
// scale. `container` is a window or a frame whose children are already placed.
// Frames inside it are fitted first. Then:
// - the controls of a frame move down, together, below the frame's caption;
// - a control too narrow for its text (or fit text) widens at its right
//   edge, and everything of the same container that starts at or beyond that
//   edge moves right by as much; frames, lists and text boxes that end at or
//   across the edge widen with it, so that their edges stay lined up;
// - likewise downwards for a control too low.
// The container grows by as much as its content grew, keeping the design's
// margins, and the new size is returned (it is not applied to a window).
// Nothing ever shrinks; a design that fits is left exactly as it was.
QSize fitControls(QWidget* container);

// The pointer the whole application shows, over every one of its windows.
enum class MousePointer {
    Default,    // each window's own pointer
    Busy,       // hourglass: the program takes no input meanwhile
    ArrowBusy,  // arrow with hourglass: working, the windows stay usable
};

// Shows `pointer` over every window of the application; Default hands the
// pointer back to the windows.
void setMousePointer(MousePointer pointer);
MousePointer mousePointer();
// The busy pointer while `busy`, else the default one: what a BusyGuard of a
// window shows.
void showBusyPointer(bool busy);

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
