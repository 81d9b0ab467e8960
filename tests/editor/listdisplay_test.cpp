// The launch list's line texts, its column arithmetic and the tab expansion,
// measured with fixed widths instead of a font.
#include "editor/listdisplay.h"
#include "casename.h"

#include <QHash>

#include <gtest/gtest.h>

// Readable QStrings in failure messages.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace velmora {
namespace {

const QString T = QStringLiteral("\t");

// ---- Line texts ---------------------------------------------------------------

struct LineCase {
    const char* name;
    const char* wait;
    QString expectedTail;  // what follows "<n>\t<desc>\t"
    friend void PrintTo(const LineCase& c, std::ostream* out) { *out << c.name; }
};

class ListLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(ListLineTest, ShowsTheWaitMode) {
    const LineCase& c = GetParam();
    EXPECT_EQ(listLine(3, QStringLiteral("Backup"), QString::fromUtf8(c.wait)),
              QStringLiteral("3\tBackup\t") + c.expectedTail);
}

INSTANTIATE_TEST_SUITE_P(
    WaitModes, ListLineTest,
    ::testing::Values(
        LineCase{"DontWait", "DW", QStringLiteral("Don't wait") + T + QStringLiteral(" ")},
        LineCase{"DontWaitLowerCase", "dw", QStringLiteral("Don't wait") + T + QStringLiteral(" ")},
        LineCase{"DontWaitWithTrailingText", "Dw5", QStringLiteral("Don't wait") + T + QStringLiteral(" ")},
        LineCase{"Zero", "0", QStringLiteral("Wait") + T + QStringLiteral("until finished")},
        LineCase{"Empty", "", QStringLiteral("Wait") + T + QStringLiteral("until finished")},
        LineCase{"SingleD", "D", QStringLiteral("Wait") + T + QStringLiteral("until finished")},
        LineCase{"Seconds", "45", QStringLiteral("Wait") + T + QStringLiteral("45 sec")},
        LineCase{"Largest", "43200", QStringLiteral("Wait") + T + QStringLiteral("43200 sec")},
        LineCase{"BeyondSixteenBits", "99999", QStringLiteral("Wait") + T + QStringLiteral("99999 sec")},
        LineCase{"LeadingZeros", "007", QStringLiteral("Wait") + T + QStringLiteral("7 sec")},
        LineCase{"LeadingBlank", " 30", QStringLiteral("Wait") + T + QStringLiteral("30 sec")},
        LineCase{"Letters", "abc", QStringLiteral("Wait") + T + QStringLiteral("until finished")},
        LineCase{"Negative", "-5", QStringLiteral("Wait") + T + QStringLiteral("until finished")},
        LineCase{"HalfToEvenDown", "2.5", QStringLiteral("Wait") + T + QStringLiteral("2 sec")},
        LineCase{"HalfToEvenUp", "3.5", QStringLiteral("Wait") + T + QStringLiteral("4 sec")},
        LineCase{"Huge", "100000000000000000000",
                 QStringLiteral("Wait") + T + QStringLiteral("100000000000000000000 sec")}),
    velmora::testing::caseName);

TEST(ListLine, NumberHasNoLeadingZerosAndDescriptionIsKeptAsIs) {
    EXPECT_EQ(listLine(12, QStringLiteral(" 23 tabs\tinside "), QStringLiteral("0")),
              QStringLiteral("12\t 23 tabs\tinside \tWait\tuntil finished"));
    EXPECT_EQ(listLine(999, QStringLiteral("x"), QStringLiteral("DW")).left(4), QStringLiteral("999\t"));
}

// ---- Column layout ------------------------------------------------------------

// Every character `charWidth` pixels wide.
TextMeasure monospace(double charWidth) {
    return [charWidth](const QString& s) { return s.size() * charWidth; };
}

// Widths given per sample text.
TextMeasure table(double letters, double col1, double col2, double col3) {
    QHash<QString, double> widths{
        {kAverageSample, letters}, {kColumnSample1, col1}, {kColumnSample2, col2}, {kColumnSample3, col3}};
    return [widths](const QString& s) { return widths.value(s, 0.0); };
}

struct LayoutCase {
    const char* name;
    TextMeasure measure;
    double avg;
    int pad;
    std::vector<int> units;
    int extent;
    friend void PrintTo(const LayoutCase& c, std::ostream* out) { *out << c.name; }
};

class ColumnLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ColumnLayoutTest, TabStopsAndExtent) {
    const LayoutCase& c = GetParam();
    const ColumnLayout l = computeColumnLayout(c.measure);
    EXPECT_DOUBLE_EQ(l.avg, c.avg);
    EXPECT_EQ(l.pad, c.pad);
    EXPECT_EQ(l.units, c.units);
    EXPECT_EQ(l.t1, c.units[0]);
    EXPECT_EQ(l.t2, c.units[0] + c.units[1]);
    EXPECT_EQ(l.t3, c.units[0] + c.units[1] + c.units[2]);
    EXPECT_EQ(l.tabStops(), (std::vector<int>{l.t1, l.t2}));
    EXPECT_EQ(l.extent, c.extent);
}

INSTANTIATE_TEST_SUITE_P(
    Measures, ColumnLayoutTest,
    ::testing::Values(
        // avg 6, pad 12: (24+12)/6, (126+12)/6, (72+12)/6 -> 6, 23, 14 characters;
        // t3 172 -> 43 characters of 6 pixels.
        LayoutCase{"WholePixels", monospace(6), 6, 12, {24, 92, 56}, 258},
        // avg 6.5 divides as 6 (the half goes to the even neighbour), pad 13;
        // 149.5 rounds to 150; quotients truncate: 39/6, 150/6, 91/6.
        LayoutCase{"HalfPixelAverage", monospace(6.5), 6.5, 13, {24, 100, 60}, 299},
        // avg 300/52 = 5.769..., pad round(11.54) = 12, divisor 6:
        // round(32.4)/6, round(122.6)/6, round(72.2)/6 -> 5, 20, 12; extent 37 * avg.
        LayoutCase{"ProportionalFont", table(300, 20.4, 110.6, 60.2), 300.0 / 52, 12, {20, 80, 48}, 213},
        // A font with no width at all must not divide by zero.
        LayoutCase{"NoWidth", monospace(0), 0, 0, {0, 0, 0}, 0}),
    velmora::testing::caseName);

TEST(ColumnLayout, QuartersOfTheAverageWidthInPixels) {
    EXPECT_DOUBLE_EQ(quartersToPixels(24, 6), 36);
    EXPECT_DOUBLE_EQ(quartersToPixels(92, 6.5), 149.5);
    EXPECT_DOUBLE_EQ(quartersToPixels(0, 6), 0);
}

// ---- Tab expansion ------------------------------------------------------------

struct ExpandCase {
    const char* name;
    QString line;
    std::vector<double> starts;
    double width;
    friend void PrintTo(const ExpandCase& c, std::ostream* out) { *out << c.name; }
};

class ExpandTabsTest : public ::testing::TestWithParam<ExpandCase> {};

// 6 pixels a character, stops at 36 and 174, eight characters (48) beyond.
TEST_P(ExpandTabsTest, PiecesStartAtTheStops) {
    const ExpandCase& c = GetParam();
    const ExpandedLine e = expandTabs(c.line, {36, 174}, 48, monospace(6));
    EXPECT_EQ(e.pieces, c.line.split(QLatin1Char('\t')));
    EXPECT_EQ(e.starts, c.starts);
    EXPECT_DOUBLE_EQ(e.width, c.width);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ExpandTabsTest,
    ::testing::Values(
        // The third tab is past both stops: next multiple of 48 after 174 + 60.
        ExpandCase{"DontWaitLine", QStringLiteral("3\tBackup\tDon't wait\t "), {0, 36, 174, 240}, 246},
        ExpandCase{"WaitLine", QStringLiteral("1\tMail\tWait\tuntil finished"), {0, 36, 174, 240}, 324},
        // A description running past the second stop pushes the rest onto the grid.
        ExpandCase{"LongDescription",
                   QStringLiteral("2\tA description far too long to fit\tWait\t45 sec"),
                   {0, 36, 240, 288},
                   324},
        // Text ending exactly on a stop moves on to the next stop.
        ExpandCase{"TextEndsOnAStop", QStringLiteral("999999\tx"), {0, 174}, 180},
        ExpandCase{"NoTab", QStringLiteral("plain"), {0}, 30},
        ExpandCase{"EmptyPieces", QStringLiteral("\t\t"), {0, 36, 174}, 174}),
    velmora::testing::caseName);

TEST(ExpandTabs, WithoutStopsTabsFollowTheGrid) {
    const ExpandedLine e = expandTabs(QStringLiteral("ab\tc"), {}, 48, monospace(6));
    EXPECT_EQ(e.starts, (std::vector<double>{0, 48}));
}

TEST(ExpandTabs, ZeroGridStillTerminates) {
    const ExpandedLine e = expandTabs(QStringLiteral("a\tb\tc"), {}, 0, monospace(0));
    ASSERT_EQ(e.starts.size(), 3u);
    EXPECT_LT(e.starts[0], e.starts[1]);
    EXPECT_LT(e.starts[1], e.starts[2]);
}

}  // namespace
}  // namespace velmora
