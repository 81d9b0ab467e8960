// The editor's rules at the edges the window tests do not reach: values no
// writer produces, and task numbers outside the list.
#include "taskeditor/taskrules.h"
#include "casename.h"
#include "store/memorystore.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

using namespace velmora;

namespace {

// Cases print as their names, in test output and in the test list.
template <typename Case>
requires requires(const Case& c) { std::string(c.name); }
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

struct ClampCase {
    const char* name;
    const char* text;
    const char* clamped;
};
class ClampSeconds : public ::testing::TestWithParam<ClampCase> {};
TEST_P(ClampSeconds, KeepsTheWaitBetweenZeroAndTwelveHours) {
    const QString once = clampSeconds(QString::fromUtf8(GetParam().text));
    EXPECT_EQ(once, QString::fromUtf8(GetParam().clamped));
    EXPECT_EQ(clampSeconds(once), once);
}
INSTANTIATE_TEST_SUITE_P(
    Texts, ClampSeconds,
    ::testing::Values(ClampCase{"Largest", "43200", "43200"}, ClampCase{"JustAbove", "43201", "43200"},
                      ClampCase{"FractionAbove", "43200.5", "43200"},
                      ClampCase{"LeadingZerosKept", "007", "007"}, ClampCase{"Negative", "-5", ""},
                      ClampCase{"MinusZero", "-0", "-0"}, ClampCase{"NotANumber", "abc", "abc"},
                      ClampCase{"HugeDigitRun", "99999999999999999999999999999999", "43200"}),
    velmora::testing::caseName);

struct NameCase {
    const char* name;
    QString application;
    QString description;
};
class DescriptionFromName : public ::testing::TestWithParam<NameCase> {};
TEST_P(DescriptionFromName, HoldsWhatTypingWouldLetIn) {
    EXPECT_EQ(descriptionFromName(GetParam().application), GetParam().description);
}
// 29 letters, to put a character at the edge of the limit.
const QString k29 = QString(29, QLatin1Char('x'));
const QString kClef = QStringLiteral("\U0001D11E");  // one character, two UTF-16 units
INSTANTIATE_TEST_SUITE_P(
    Names, DescriptionFromName,
    ::testing::Values(NameCase{"Short", "Firefox ESR", "Firefox ESR"}, NameCase{"Empty", "", ""},
                      NameCase{"AtTheLimit", k29 + "y", k29 + "y"},
                      NameCase{"CutAtTheLimit", k29 + "yz tail", k29 + "y"},
                      NameCase{"WideCharacterAtTheLimitKeptWhole", k29 + kClef + "z", k29 + kClef},
                      NameCase{"WideCharactersCountOnce", QString(31, QLatin1Char('a')).replace(0, 1, kClef),
                               kClef + QString(29, QLatin1Char('a'))}),
    velmora::testing::caseName);

struct WaitFillCase {
    const char* name;
    const char* wait;
    WaitChoice choice;
    const char* seconds;
};
class WaitFill : public ::testing::TestWithParam<WaitFillCase> {};
TEST_P(WaitFill, ValuesNoWriterProducesStillOpen) {
    const TaskFields f = fieldsFromTask({"d", "a", QString::fromUtf8(GetParam().wait), "", ""});
    EXPECT_EQ(f.wait, GetParam().choice);
    EXPECT_EQ(f.seconds, QString::fromUtf8(GetParam().seconds));
}
INSTANTIATE_TEST_SUITE_P(
    Values, WaitFill,
    ::testing::Values(
        // Beyond any integer: opens as the longest wait instead of overflowing.
        WaitFillCase{"HugeNumber", "1000000000000000000000000000000", WaitChoice::ForSeconds, "43200"},
        WaitFillCase{"HugeNegative", "-1000000000000000000000000000000", WaitChoice::ForSeconds, ""},
        WaitFillCase{"HalfRoundsToZero", "0.5", WaitChoice::UntilFinished, ""},
        WaitFillCase{"NegativeHalfRoundsToZero", "-0.5", WaitChoice::UntilFinished, ""},
        WaitFillCase{"NegativeOne", "-1", WaitChoice::ForSeconds, ""}),
    velmora::testing::caseName);

TEST(TaskRules, DayLettersAreWrittenInDayOrderWhateverOrderTheyWereRead) {
    const TaskFields f = fieldsFromTask({"d", "a", "0", "GOGxA", ""});
    EXPECT_EQ(taskFromFields(f).opt, "AGO");
}

// Each option saves its own field: the seconds field is no cap, and the cap
// field no fixed wait.
TEST(TaskRules, EachWaitOptionSavesItsOwnField) {
    TaskFields f = newTaskFields();
    f.seconds = QStringLiteral("12");
    f.settleSeconds = QStringLiteral("045");
    f.wait = WaitChoice::UntilSettled;
    EXPECT_EQ(taskFromFields(f).wait, "045S");
    f.wait = WaitChoice::ForSeconds;
    EXPECT_EQ(taskFromFields(f).wait, "12");
}

TEST(TaskRules, ASettleCapFollowsTheSecondsRules) {
    EXPECT_FALSE(fieldsComplete("d", "a", true, ""));
    EXPECT_FALSE(fieldsComplete("d", "a", true, "0"));
    EXPECT_TRUE(fieldsComplete("d", "a", true, "30"));
    EXPECT_EQ(clampSeconds("50000"), "43200");
}

TEST(TaskRules, ATaskNumberOutsideTheListSavesAsANewTask) {
    MemoryStore store;
    writeTask(store, 1, {"A", "a", "DW", "A", "*"});
    EXPECT_EQ(numberToSave(store, 1), 1);
    EXPECT_EQ(numberToSave(store, 999), 999);
    for (int number : {0, -1, 1000, 32767}) EXPECT_EQ(numberToSave(store, number), 2) << number;
}

}  // namespace
