// The launch list's line texts and tooltips and its column arithmetic,
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

TEST(ListColumns, AreTheLineCutAtItsTabs) {
    EXPECT_EQ(listColumns(7, QStringLiteral("Mail"), QStringLiteral("45")),
              (QStringList{"7", "Mail", "Wait", "45 sec"}));
    EXPECT_EQ(listColumns(3, QStringLiteral("Backup"), QStringLiteral("DW")),
              (QStringList{"3", "Backup", "Don't wait", " "}));
    // A tab inside a description stays in its column.
    EXPECT_EQ(listColumns(1, QStringLiteral("a\tb"), QStringLiteral("0")),
              (QStringList{"1", "a\tb", "Wait", "until finished"}));
}

TEST(SpokenLine, LeavesBlankColumnsOut) {
    EXPECT_EQ(spokenLine(listColumns(3, QStringLiteral("Backup"), QStringLiteral("DW"))),
              QStringLiteral("3 Backup Don't wait"));
    EXPECT_EQ(spokenLine(listColumns(1, QStringLiteral(" Mail "), QStringLiteral("0"))),
              QStringLiteral("1 Mail Wait until finished"));
}

// ---- Tooltip -------------------------------------------------------------------

struct ToolTipCase {
    const char* name;
    const char* opt;
    const char* keys;
    const char* days;  // the "Only on: " line's value
    const char* once;  // the "Once only: " line's value
    const char* startKeys;
    friend void PrintTo(const ToolTipCase& c, std::ostream* out) { *out << c.name; }
};

class ListToolTipTest : public ::testing::TestWithParam<ToolTipCase> {};

TEST_P(ListToolTipTest, TellsTheWholeTask) {
    const ToolTipCase& c = GetParam();
    const TaskRecord task{QStringLiteral("A description of thirty chars."),
                          QStringLiteral("/usr/bin/xterm -ls"), QStringLiteral("DW"),
                          QString::fromUtf8(c.opt), QString::fromUtf8(c.keys)};
    EXPECT_EQ(listToolTip(task).split(QLatin1Char('\n')),
              (QStringList{QStringLiteral("A description of thirty chars."),
                           QStringLiteral("Command: /usr/bin/xterm -ls"),
                           QStringLiteral("Only on: ") + QString::fromUtf8(c.days),
                           QStringLiteral("Once only: ") + QString::fromUtf8(c.once),
                           QStringLiteral("Startkey: ") + QString::fromUtf8(c.startKeys)}));
}

INSTANTIATE_TEST_SUITE_P(
    Options, ListToolTipTest,
    ::testing::Values(ToolTipCase{"EveryDay", "ABCDEFG", "*", "every day", "no", "* (every configuration)"},
                      ToolTipCase{"SomeDaysOnceOnly", "OACE", "ab", "Mo, We, Fr", "yes", "ab"},
                      // The date stamp of a once-only task is no option.
                      ToolTipCase{"StampedOnceOnly", "08121996AGO", "m", "Mo, Su", "yes", "m"},
                      // Letters count as the editor reads them: capitals only.
                      ToolTipCase{"LowerCaseLetters", "oace", "", "no day", "no", "(none)"},
                      ToolTipCase{"NoOptions", "", "*", "no day", "no", "* (every configuration)"}),
    velmora::testing::caseName);

// ---- Column layout ------------------------------------------------------------

// Every character `charWidth` pixels wide.
TextMeasure monospace(double charWidth) {
    return [charWidth](const QString& s) { return s.size() * charWidth; };
}

// Widths given per sample text.
TextMeasure table(double letters, double col1, double col2, double col3, double col4) {
    QHash<QString, double> widths{{kAverageSample, letters},
                                  {kColumnSample1, col1},
                                  {kColumnSample2, col2},
                                  {kColumnSample3, col3},
                                  {kColumnSample4, col4}};
    return [widths](const QString& s) { return widths.value(s, 0.0); };
}

struct LayoutCase {
    const char* name;
    TextMeasure measure;
    double avg;
    int pad;
    std::vector<int> units;
    int extent;
    std::vector<int> widths;  // of the four columns in pixels
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
    EXPECT_EQ(l.lastWidth, c.widths.back());
    EXPECT_EQ((std::vector<int>{l.columnWidth(0), l.columnWidth(1), l.columnWidth(2), l.columnWidth(3)}),
              c.widths);
}

INSTANTIATE_TEST_SUITE_P(
    Measures, ColumnLayoutTest,
    ::testing::Values(
        // avg 6, pad 12: (24+12)/6, (126+12)/6, (72+12)/6 -> 6, 23, 14 characters;
        // t3 172 -> 43 characters of 6 pixels; columns of 36, 138 and 84 pixels, and
        // "until finished" (84) with the pad.
        LayoutCase{"WholePixels", monospace(6), 6, 12, {24, 92, 56}, 258, {36, 138, 84, 96}},
        // avg 6.5 divides as 6 (the half goes to the even neighbour), pad 13;
        // 149.5 rounds to 150; quotients truncate: 39/6, 150/6, 91/6. Columns of 162.5
        // and 97.5 pixels are rounded up.
        LayoutCase{"HalfPixelAverage", monospace(6.5), 6.5, 13, {24, 100, 60}, 299, {39, 163, 98, 104}},
        // avg 300/52 = 5.769..., pad round(11.54) = 12, divisor 6:
        // round(32.4)/6, round(122.6)/6, round(72.2)/6 -> 5, 20, 12; extent 37 * avg;
        // the last column 80.3 + 12 rounded up.
        LayoutCase{"ProportionalFont",
                   table(300, 20.4, 110.6, 60.2, 80.3),
                   300.0 / 52,
                   12,
                   {20, 80, 48},
                   213,
                   {29, 116, 70, 93}},
        // A font with no width at all must not divide by zero.
        LayoutCase{"NoWidth", monospace(0), 0, 0, {0, 0, 0}, 0, {0, 0, 0, 0}}),
    velmora::testing::caseName);

TEST(ColumnLayout, QuartersOfTheAverageWidthInPixels) {
    EXPECT_DOUBLE_EQ(quartersToPixels(24, 6), 36);
    EXPECT_DOUBLE_EQ(quartersToPixels(92, 6.5), 149.5);
    EXPECT_DOUBLE_EQ(quartersToPixels(0, 6), 0);
}

}  // namespace
}  // namespace velmora
