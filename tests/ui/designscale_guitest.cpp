// Design lengths in twips scaled to a font, and line edits sized for their
// longest value. The offscreen screen has 96 dpi: 15 twips to a pixel.
#include "ui/designscale.h"

#include "casename.h"
#include "knowndesktop.h"

#include <QFontMetricsF>
#include <QLineEdit>
#include <QWidget>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace velmora {
namespace {

struct ScaleCase {
    const char* name;
    FontScale scale;
    double width, height;
    QSize expected;
    friend void PrintTo(const ScaleCase& c, std::ostream* out) { *out << c.name; }
};

class DesignScaleTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(DesignScaleTest, ScalesTwipsByTheFont) {
    const ScaleCase& c = GetParam();
    EXPECT_EQ(DesignScale(c.scale).size(c.width, c.height), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DesignScaleTest,
                         ::testing::Values(ScaleCase{"DesignFont", {1.0, 1.0}, 1500, 450, QSize(100, 30)},
                                           ScaleCase{
                                               "WiderAndTallerFont", {1.5, 2.0}, 300, 300, QSize(30, 40)},
                                           ScaleCase{"SmallerFont", {0.5, 0.5}, 600, 600, QSize(20, 20)},
                                           // 8 twips are 0.53 pixels, 7 are 0.47.
                                           ScaleCase{"Rounded", {1.0, 1.0}, 8, 7, QSize(1, 0)}),
                         velmora::testing::caseName);

TEST(DesignScale, MarginsScaleAsLengthsDo) {
    const DesignScale design(FontScale{1.5, 2.0});
    EXPECT_EQ(design.margins(150, 150, 300, 0), QMargins(15, 20, 30, 0));
}

TEST(DesignScale, TheKnownDesktopFontIsWiderAndALittleLowerThanTheDesignFont) {
    testing::KnownDesktop desktop;
    ASSERT_NO_FATAL_FAILURE(desktop.use());
    const FontScale scale = fontScale(QApplication::font());
    EXPECT_NEAR(scale.x, 1.1311, 0.0001);
    EXPECT_NEAR(scale.y, 0.984375, 0.000001);
    // The main window's design width, 5880 twips: 443.4 pixels.
    EXPECT_EQ(DesignScale(scale).x(5880), 443);
}

struct ValueCase {
    const char* name;
    const char* value;
    bool frame;
    friend void PrintTo(const ValueCase& c, std::ostream* out) { *out << c.name; }
};

class LineEditSizeTest : public ::testing::TestWithParam<ValueCase> {};

// Shown from its first character, the value is whole on screen when the
// cursor at its end has not scrolled the text.
TEST_P(LineEditSizeTest, ABoxOfThatSizeShowsTheValueWhole) {
    const ValueCase& c = GetParam();
    const QString value = QString::fromUtf8(c.value);
    QWidget window;
    auto* edit = new QLineEdit(&window);
    edit->setFrame(c.frame);
    edit->setFixedSize(lineEditSizeFor(edit, value));
    window.show();
    edit->setText(value);
    edit->setCursorPosition(0);
    (void)edit->grab();
    const QRect start = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    edit->setCursorPosition(int(value.size()));
    (void)edit->grab();
    const QRect end = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    EXPECT_NEAR(end.center().x() - start.center().x(), QFontMetricsF(edit->font()).horizontalAdvance(value),
                1.0);
    EXPECT_LE(end.center().x(), edit->width());
    EXPECT_LE(QFontMetricsF(edit->font()).height(), edit->height());
    // Narrower than Qt's all-purpose box: sized for its value.
    EXPECT_LT(edit->width(), QLineEdit().sizeHint().width());
}

INSTANTIATE_TEST_SUITE_P(Values, LineEditSizeTest,
                         ::testing::Values(ValueCase{"Seconds", "43200", true},
                                           ValueCase{"OneLetter", "m", true},
                                           ValueCase{"WithoutFrame", "43200", false}),
                         velmora::testing::caseName);

}  // namespace
}  // namespace velmora
