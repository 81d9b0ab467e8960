#pragma once
// Twip designs placed by hand, and the room made afterwards where a text
// would be cut off.

#include "ui/designscale.h"
#include "ui/pointer.h"
#include "ui/windowplacement.h"

#include <QFont>
#include <QRect>

class QWidget;

namespace velmora {

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

}  // namespace velmora
