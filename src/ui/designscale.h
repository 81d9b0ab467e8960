#pragma once
// The window designs are given in twips (15 to a pixel at 96 dpi) for the
// design font, "MS Sans Serif" 8. A DesignScale turns such lengths into
// pixels for the font a window really has, as dialogs scale with their font;
// Qt's layouts then give the controls what they need beyond that.

#include <QFont>
#include <QMargins>
#include <QSize>

class QLineEdit;
class QString;

namespace velmora {

// The point size the designs call "MS Sans Serif" 8: the size every other
// design size is relative to.
inline constexpr double kDesignPointSize = 8.25;

// "MS Sans Serif" at a design point size: the desktop's interface font
// (the application font), its own size scaled by designPointSize /
// kDesignPointSize. At kDesignPointSize it is the desktop font unchanged.
QFont interfaceFont(double designPointSize);

// How much a font is larger than the design font, whose average character
// width (over the 52 letters a-z, A-Z) is 6 pixels and whose line height is
// 13 pixels at 96 dpi, both growing with the logical dpi of the primary
// screen. x compares the average widths, y the line heights.
struct FontScale {
    double x = 1.0;
    double y = 1.0;
};
FontScale fontScale(const QFont& font);

// Design lengths in pixels for one font: horizontal ones by the ratio of the
// average character widths, vertical ones by that of the line heights, on
// top of the usual twips-to-pixels conversion. Only the inside of a window
// scales; where windows stand on the screen stays plain twips.
class DesignScale {
public:
    explicit DesignScale(const QFont& font) : m_scale(fontScale(font)) {}
    explicit DesignScale(FontScale scale) : m_scale(scale) {}
    FontScale scale() const { return m_scale; }
    int x(double twips) const;
    int y(double twips) const;
    QSize size(double width, double height) const;
    QMargins margins(double left, double top, double right, double bottom) const;

private:
    FontScale m_scale;
};

// The size at which `edit`, in its font and style, shows `text` whole with
// the cursor after it: for a box whose width is meant for its longest value
// rather than for Qt's general-purpose default.
QSize lineEditSizeFor(const QLineEdit* edit, const QString& text);

}  // namespace velmora
