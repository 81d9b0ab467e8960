#include "store/tasklayout.h"
#include "casename.h"
#include "store/memorystore.h"

#include <gtest/gtest.h>

using namespace velmora;

namespace {

TEST(TaskLayout, KeysCarryThreeDigits) {
    EXPECT_EQ(taskKey(TaskField::Desc, 12), "Desc012");
    EXPECT_EQ(taskKey(TaskField::App, 7), "App007");
    EXPECT_EQ(taskKey(TaskField::Wait, 1), "Wait001");
    EXPECT_EQ(taskKey(TaskField::Opt, 40), "Opt040");
    EXPECT_EQ(taskKey(TaskField::Keys, 999), "Keys999");
}

struct NumberCase {
    const char* name;
    const char* text;
    double value;
    friend void PrintTo(const NumberCase& c, std::ostream* os) { *os << c.name; }
};
class NumericValue : public ::testing::TestWithParam<NumberCase> {};
TEST_P(NumericValue, ReadsTheLeadingNumber) {
    EXPECT_DOUBLE_EQ(numericValue(QString::fromUtf8(GetParam().text)), GetParam().value);
}
INSTANTIATE_TEST_SUITE_P(
    Texts, NumericValue,
    ::testing::Values(NumberCase{"Plain", "30", 30}, NumberCase{"LeadingZeros", "007", 7},
                      NumberCase{"LeadingBlanks", "  45", 45}, NumberCase{"Negative", "-1", -1},
                      NumberCase{"Fraction", "2.5x", 2.5}, NumberCase{"TrailingText", "12abc", 12},
                      NumberCase{"NoNumber", "abc", 0}, NumberCase{"Empty", "", 0},
                      NumberCase{"SignOnly", "-", 0}),
    velmora::testing::caseName);

struct WaitCase {
    const char* name;
    const char* wait;
    double mode;
    friend void PrintTo(const WaitCase& c, std::ostream* os) { *os << c.name; }
};
class WaitMode : public ::testing::TestWithParam<WaitCase> {};
TEST_P(WaitMode, ReadsAsStored) { EXPECT_DOUBLE_EQ(waitMode(GetParam().wait), GetParam().mode); }
INSTANTIATE_TEST_SUITE_P(Values, WaitMode,
                         ::testing::Values(WaitCase{"DW", "DW", kDontWait},
                                           WaitCase{"LowerDw", "dw", kDontWait},
                                           WaitCase{"MixedWithDigit", "Dw5", kDontWait},
                                           WaitCase{"Zero", "0", 0}, WaitCase{"Empty", "", 0},
                                           WaitCase{"Letters", "abc", 0}, WaitCase{"Seconds", "30", 30},
                                           WaitCase{"MinusOne", "-1", -1}, WaitCase{"SingleD", "D", 0},
                                           // What a reader that knows no wait until settled does
                                           // with one: waits its cap, never until the program ends.
                                           WaitCase{"SettleReadsAsItsCap", "30S", 30}),
                         velmora::testing::caseName);

TEST(TaskLayout, StampAndLetterOfADay) {
    EXPECT_EQ(dateStamp(QDate(1996, 12, 8)), "08121996");
    EXPECT_EQ(weekdayLetter(QDate(1996, 12, 8)), QChar('G'));  // a Sunday
    EXPECT_EQ(weekdayLetter(QDate(2026, 12, 7)), QChar('A'));  // a Monday
}

// Every day of a week has the letter of its place in kWeekdayLetters.
TEST(TaskLayout, AWeekRunsThroughTheWeekdayLetters) {
    QString week;
    for (QDate day(2026, 12, 7); day <= QDate(2026, 12, 13); day = day.addDays(1)) week += weekdayLetter(day);
    EXPECT_EQ(week, kWeekdayLetters);
    EXPECT_EQ(kWeekdayLetters, "ABCDEFG");
}

struct OptLetterCase {
    const char* name;
    QChar letter;
    bool option;
    friend void PrintTo(const OptLetterCase& c, std::ostream* os) { *os << c.name; }
};
class OptLetters : public ::testing::TestWithParam<OptLetterCase> {};
TEST_P(OptLetters, AreTheWeekdaysAndOnceOnly) {
    EXPECT_EQ(isOptLetter(GetParam().letter), GetParam().option);
}
INSTANTIATE_TEST_SUITE_P(
    Letters, OptLetters,
    ::testing::Values(OptLetterCase{"Monday", u'A', true}, OptLetterCase{"Sunday", u'G', true},
                      OptLetterCase{"OnceOnly", u'O', true}, OptLetterCase{"AfterSunday", u'H', false},
                      OptLetterCase{"LowerCase", u'a', false}, OptLetterCase{"LowerOnce", u'o', false},
                      OptLetterCase{"StampDigit", u'0', false}, OptLetterCase{"Blank", u' ', false}),
    velmora::testing::caseName);

TEST(TaskLayout, EditorSpellingReadsBackUnderTheCommonName) {
    MemoryStore store;
    writeTask(store, 3, {"Mail", "mail", "0", "AB", "*"}, kAppEditor);
    EXPECT_EQ(store.read(kApp, kSequence, "Desc003"), "Mail");
    EXPECT_EQ(readTask(store, 3), (TaskRecord{"Mail", "mail", "0", "AB", "*"}));
}

TEST(TaskLayout, FirstFreeNumberFillsTheFirstGap) {
    MemoryStore store;
    EXPECT_EQ(firstFreeTask(store), 1);
    for (int n : {1, 2, 4}) writeTask(store, n, {"T", "x", "DW", "A", "*"});
    EXPECT_EQ(firstFreeTask(store), 3);
    EXPECT_EQ(taskCount(store), 2);  // the gap at 3 ends the list
    for (int n = 1; n <= kMaxTasks; ++n) store.write(kApp, kSequence, taskKey(TaskField::Desc, n), "T");
    EXPECT_EQ(firstFreeTask(store), 0);
    EXPECT_EQ(taskCount(store), kMaxTasks);
}

TEST(TaskLayout, WalkReadsTheNamedValuesUpToTheFirstGap) {
    MemoryStore store;
    writeTask(store, 1, {"A", "a", "DW", "AB", "*"});
    writeTask(store, 2, {"B", "b", "5", "C", "x"});
    writeTask(store, 4, {"D", "d", "0", "D", "*"});
    QStringList seen;
    const int visited = walkTasks(store, {TaskField::Wait}, [&](int n, const TaskRecord& t) {
        seen.append(QStringLiteral("%1:%2|%3|%4|%5|%6").arg(n).arg(t.desc, t.app, t.wait, t.opt, t.keys));
        return true;
    });
    EXPECT_EQ(visited, 2);
    EXPECT_EQ(seen, (QStringList{"1:A||DW||", "2:B||5||"}));
}

TEST(TaskLayout, WalkStopsWhereTheVisitorSaysAndSeesItsOwnWrites) {
    MemoryStore store;
    for (int n = 1; n <= 3; ++n) writeTask(store, n, {"T", "x", "DW", "A", "*"});
    QStringList opts;
    const int visited = walkTasks(store, {TaskField::Opt}, [&](int n, const TaskRecord& t) {
        opts.append(t.opt);
        // Stamps the next task before its turn: the walk must read it afresh.
        if (n < 3) writeTaskField(store, n + 1, TaskField::Opt, QStringLiteral("stamped"));
        return n < 2;
    });
    EXPECT_EQ(visited, 2);
    EXPECT_EQ(opts, (QStringList{"A", "stamped"}));
    EXPECT_EQ(store.read(kApp, kSequence, "Opt003"), "stamped");
}

TEST(TaskLayout, ExchangeAndRemoveTouchAllFiveValuesInOneTransaction) {
    MemoryStore store;
    writeTask(store, 1, {"A", "a", "DW", "08121996ACO", "a"});
    writeTask(store, 2, {"B", "b", "0", "B", ""});
    const int before = store.transactions();
    exchangeTasks(store, 1, 2);
    EXPECT_EQ(store.transactions(), before + 1);
    EXPECT_EQ(readTask(store, 1), (TaskRecord{"B", "b", "0", "B", ""}));
    EXPECT_EQ(readTask(store, 2), (TaskRecord{"A", "a", "DW", "08121996ACO", "a"}));
    removeTask(store, 2);
    for (const TaskField field : kAllTaskFields)
        EXPECT_FALSE(store.contains(kApp, kSequence, taskKey(field, 2))) << taskKey(field, 2).toStdString();
}

}  // namespace
