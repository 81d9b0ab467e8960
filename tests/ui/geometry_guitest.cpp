// The twip design scaled to a font, and the room made where a text would
// still be cut off. The offscreen screen has 96 dpi: 15 twips to a pixel.
#include "ui/geometry.h"
#include "casename.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace velmora {
namespace {

struct DesignCase {
    const char* name;
    FontScale scale;
    double left, top, width, height;
    QRect expected;
    friend void PrintTo(const DesignCase& c, std::ostream* out) { *out << c.name; }
};

class TwipDesignTest : public ::testing::TestWithParam<DesignCase> {};

TEST_P(TwipDesignTest, ScalesTwipsByTheFont) {
    const DesignCase& c = GetParam();
    EXPECT_EQ(TwipDesign(c.scale).rect(c.left, c.top, c.width, c.height), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rects, TwipDesignTest,
    ::testing::Values(DesignCase{"DesignFont", {1.0, 1.0}, 150, 300, 1500, 450, QRect(10, 20, 100, 30)},
                      DesignCase{"WiderAndTallerFont", {1.5, 2.0}, 150, 150, 300, 300, QRect(15, 20, 30, 40)},
                      DesignCase{"SmallerFont", {0.5, 0.5}, 300, 300, 600, 600, QRect(10, 10, 20, 20)},
                      // Edges are rounded, not the size: 7..14 twips is 0.47..0.93 px.
                      DesignCase{"EdgesRounded", {1.0, 1.0}, 7, 7, 7, 7, QRect(0, 0, 1, 1)}),
    velmora::testing::caseName);

TEST(TwipDesign, ControlsThatMeetInTheDesignStillMeet) {
    const TwipDesign design(FontScale{1.37, 1.21});
    const QRect upper = design.rect(48, 780, 4980, 612);
    const QRect lower = design.rect(48, 1392, 4980, 800);
    EXPECT_EQ(upper.bottom() + 1, lower.top());
    EXPECT_EQ(upper.right(), lower.right());
}

TEST(FitControls, ADesignThatFitsIsLeftAsItIs) {
    QWidget window;
    window.resize(400, 200);
    auto* button = new QPushButton(QStringLiteral("OK"), &window);
    button->setGeometry(10, 10, 120, 40);
    auto* label = new QLabel(QStringLiteral("x"), &window);
    label->setGeometry(140, 10, 100, 40);
    auto* edit = new QLineEdit(&window);
    edit->setGeometry(10, 60, 200, 40);
    setFitText(edit, QStringLiteral("5"));

    EXPECT_EQ(fitControls(&window), QSize(400, 200));
    EXPECT_EQ(button->geometry(), QRect(10, 10, 120, 40));
    EXPECT_EQ(label->geometry(), QRect(140, 10, 100, 40));
    EXPECT_EQ(edit->geometry(), QRect(10, 60, 200, 40));
}

TEST(FitControls, ATooNarrowBoxWidensAndMovesWhatIsRightOfIt) {
    QWidget window;
    window.resize(100, 200);
    auto* seconds = new QLineEdit(&window);
    seconds->setGeometry(10, 10, 10, 40);
    setFitText(seconds, QStringLiteral("43200"));
    auto* unit = new QLabel(QStringLiteral("s"), &window);
    unit->setGeometry(30, 10, 40, 40);
    // Another row: a box reaching across the growing edge is drawn out with
    // it; a check box is not, and one wholly to the left stays as it is.
    auto* across = new QLineEdit(&window);
    across->setGeometry(10, 60, 60, 40);
    auto* check = new QCheckBox(QString(), &window);
    check->setGeometry(5, 110, 20, 30);
    auto* left = new QLabel(QStringLiteral("a"), &window);
    left->setGeometry(0, 150, 15, 30);

    const QSize size = fitControls(&window);
    const int grown = seconds->width() - 10;
    ASSERT_GT(grown, 0);
    EXPECT_EQ(seconds->pos(), QPoint(10, 10));
    EXPECT_EQ(unit->geometry(), QRect(30 + grown, 10, 40, 40));
    EXPECT_EQ(across->geometry(), QRect(10, 60, 60 + grown, 40));
    EXPECT_EQ(check->geometry(), QRect(5, 110, 20, 30));
    EXPECT_EQ(left->geometry(), QRect(0, 150, 15, 30));
    // The right margin of 30 pixels stays.
    EXPECT_EQ(size, QSize(100 + grown, 200));
}

TEST(FitControls, AFramesControlsMoveBelowItsCaptionAndWhatIsBelowMovesWithIt) {
    QWidget window;
    window.resize(300, 150);
    auto* frame = new QGroupBox(QStringLiteral("Start Options"), &window);
    frame->setGeometry(0, 0, 250, 60);
    auto* once = new QCheckBox(QStringLiteral("Once"), frame);
    once->setGeometry(10, 2, 100, 30);
    auto* day = new QCheckBox(QStringLiteral("Mo"), frame);
    day->setGeometry(120, 20, 60, 30);
    auto* ok = new QPushButton(QStringLiteral("OK"), &window);
    ok->setGeometry(0, 100, 80, 30);

    const QSize size = fitControls(&window);
    const int caption = frame->contentsRect().top();
    ASSERT_GT(caption, 2);
    const int shift = caption - 2;
    // Both move down together, keeping their rows.
    EXPECT_EQ(once->geometry(), QRect(10, 2 + shift, 100, 30));
    EXPECT_EQ(day->geometry(), QRect(120, 20 + shift, 60, 30));
    // The frame keeps its bottom margin, and what is below it moves down.
    EXPECT_EQ(frame->geometry(), QRect(0, 0, 250, 60 + shift));
    EXPECT_EQ(ok->geometry(), QRect(0, 100 + shift, 80, 30));
    EXPECT_EQ(size, QSize(300, 150 + shift));
}

}  // namespace
}  // namespace velmora
