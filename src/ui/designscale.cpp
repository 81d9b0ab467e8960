#include "ui/designscale.h"

#include "ui/windowplacement.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>
#include <cmath>

namespace velmora {

QFont interfaceFont(double designPointSize) {
    QFont font = QApplication::font();
    // A desktop font given in pixels has no point size; its pixel size scales.
    if (font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() * designPointSize / kDesignPointSize);
    else if (font.pixelSize() > 0)
        font.setPixelSize(
            std::max(1, int(std::lround(font.pixelSize() * designPointSize / kDesignPointSize))));
    return font;
}

FontScale fontScale(const QFont& font) {
    const QFontMetricsF metrics(font);
    const double avg =
        metrics.horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ")) /
        52.0;
    // The design font's measures at this resolution.
    const double designAvg = 6.0 * 15.0 / twipsPerPixelX();
    const double designHeight = 13.0 * 15.0 / twipsPerPixelY();
    FontScale scale;
    if (avg > 0) scale.x = avg / designAvg;
    if (metrics.height() > 0) scale.y = metrics.height() / designHeight;
    return scale;
}

int DesignScale::x(double twips) const { return int(std::lround(twips * m_scale.x / twipsPerPixelX())); }

int DesignScale::y(double twips) const { return int(std::lround(twips * m_scale.y / twipsPerPixelY())); }

QSize DesignScale::size(double width, double height) const { return QSize(x(width), y(height)); }

QMargins DesignScale::margins(double left, double top, double right, double bottom) const {
    return QMargins(x(left), y(top), x(right), y(bottom));
}

QSize lineEditSizeFor(const QLineEdit* edit, const QString& text) {
    // What QLineEdit::sizeHint() adds around its text: 2 pixels of margin on
    // either side and 1 above and below, the text margins, and one pixel for
    // the cursor; the style adds its frame.
    constexpr int kMarginX = 2, kMarginY = 1, kCursor = 1;
    const QFontMetricsF metrics(edit->font());
    const QMargins textMargins = edit->textMargins();
    const int width = int(std::ceil(metrics.horizontalAdvance(text))) + 2 * kMarginX + kCursor +
                      textMargins.left() + textMargins.right();
    const int height =
        int(std::ceil(metrics.height())) + 2 * kMarginY + textMargins.top() + textMargins.bottom();
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    option.features = QStyleOptionFrame::None;
    return edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(width, height), edit);
}

}  // namespace velmora
