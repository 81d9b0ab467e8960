// The per-task decision of a start-up: configuration, weekday, once only and
// the date stamp it leaves, as one table.
#include "launcher/taskdecision.h"
#include "casename.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <ostream>
#include <string>

namespace velmora {
namespace {

struct DecisionCase {
    const char* name;
    QDate date;
    const char* launchKey;
    const char* keys;
    const char* opt;
    SkipReason reason;   // None: the task runs
    const char* newOpt;  // nullptr: "Opt" is not written
    friend void PrintTo(const DecisionCase& c, std::ostream* os) { *os << c.name; }
};

const QDate kTuesday(2026, 12, 8);
const QDate kSaturday(2026, 12, 12);
constexpr auto kRuns = SkipReason::None;
constexpr auto kOther = SkipReason::OtherConfiguration;
constexpr auto kDay = SkipReason::NotOnThisWeekday;
constexpr auto kRan = SkipReason::AlreadyRanToday;

class TaskDecisionTest : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(TaskDecisionTest, DecidesAndStampsAsTheRunnerMust) {
    const DecisionCase& c = GetParam();
    const TaskDecision d = decideTask(QString::fromLatin1(c.keys), QString::fromLatin1(c.opt),
                                      QString::fromLatin1(c.launchKey), c.date);
    EXPECT_EQ(d.reason, c.reason);
    EXPECT_EQ(d.runs, c.reason == SkipReason::None);
    if (c.newOpt) {
        ASSERT_TRUE(d.newOpt.has_value());
        EXPECT_EQ(*d.newOpt, QLatin1String(c.newOpt));
    } else {
        EXPECT_FALSE(d.newOpt.has_value()) << d.newOpt->toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tasks, TaskDecisionTest,
    ::testing::Values(
        // configuration
        DecisionCase{"key_b_in_ab", kTuesday, "b", "ab", "ABCDEFG", kRuns, nullptr},
        DecisionCase{"key_b_star", kTuesday, "b", "*", "ABCDEFG", kRuns, nullptr},
        DecisionCase{"key_b_not_in_a", kTuesday, "b", "a", "ABCDEFG", kOther, nullptr},
        DecisionCase{"key_b_empty_keys", kTuesday, "b", "", "ABCDEFG", kOther, nullptr},
        DecisionCase{"key_b_upper_case_B", kTuesday, "b", "B", "ABCDEFG", kOther, nullptr},
        DecisionCase{"no_key_empty_keys", kTuesday, "", "", "ABCDEFG", kRuns, nullptr},
        DecisionCase{"no_key_other_letters", kTuesday, "", "xyz", "ABCDEFG", kRuns, nullptr},
        // weekday
        DecisionCase{"weekdays_on_saturday", kSaturday, "", "*", "ABCDE", kDay, nullptr},
        DecisionCase{"saturday_F", kSaturday, "", "*", "F", kRuns, nullptr},
        DecisionCase{"sunday_G", QDate(2026, 12, 13), "", "*", "G", kRuns, nullptr},
        DecisionCase{"monday_A", QDate(2026, 12, 14), "", "*", "A", kRuns, nullptr},
        DecisionCase{"empty_opt", kTuesday, "", "*", "", kDay, nullptr},
        DecisionCase{"lower_case_days", kTuesday, "", "*", "abcdefg", kDay, nullptr},
        // once only and its stamp
        DecisionCase{"once_first_run", kTuesday, "", "*", "ABCDEFGO", kRuns, "08122026ABCDEFGO"},
        DecisionCase{"once_stamped_today", kTuesday, "", "*", "08122026ABCDEFGO", kRan, "08122026ABCDEFGO"},
        DecisionCase{"once_stamped_yesterday", kTuesday, "", "*", "07122026ABCDEFGO", kRuns,
                     "08122026ABCDEFGO"},
        DecisionCase{"once_stamped_same_date_last_year", kTuesday, "", "*", "08122025ABCDEFGO", kRuns,
                     "08122026ABCDEFGO"},
        DecisionCase{"once_stamped_same_date_next_year", kTuesday, "", "*", "08122027ABCDEFGO", kRuns,
                     "08122026ABCDEFGO"},
        DecisionCase{"once_stamped_same_day_last_month", kTuesday, "", "*", "08112026ABCDEFGO", kRuns,
                     "08122026ABCDEFGO"},
        DecisionCase{"once_new_years_eve_a_year_on", QDate(2026, 12, 31), "", "*", "31122025ABCDEFGO", kRuns,
                     "31122026ABCDEFGO"},
        DecisionCase{"once_other_configuration_is_stamped", kTuesday, "b", "a", "ABCDEFGO", kOther,
                     "08122026ABCDEFGO"},
        DecisionCase{"once_other_weekday_is_stamped", QDate(1996, 12, 8), "", "*", "08121996ACO", kDay,
                     "08121996ACO"},
        DecisionCase{"once_keeps_only_day_letters_and_O", kTuesday, "", "*", "01011990xBzO-9", kRuns,
                     "08122026BO"},
        DecisionCase{"lower_case_o_is_not_once_only", kTuesday, "", "*", "08122026ABCDEFGo", kRuns, nullptr},
        // the first reason counts
        DecisionCase{"configuration_before_weekday", kSaturday, "b", "a", "ABCDE", kOther, nullptr},
        DecisionCase{"weekday_before_stamp", kSaturday, "", "*", "12122026ABCDEO", kDay, "12122026ABCDEO"}),
    velmora::testing::caseName);

TEST(SkipReasonText, NamesTheReasonAsDiagnosticsDo) {
    EXPECT_EQ(skipReasonText(SkipReason::None, QString(), kTuesday), QString());
    EXPECT_EQ(skipReasonText(SkipReason::OtherConfiguration, QStringLiteral("b"), kTuesday),
              QStringLiteral("not in configuration 'b'"));
    EXPECT_EQ(skipReasonText(SkipReason::NotOnThisWeekday, QString(), kSaturday),
              QStringLiteral("not on Saturday"));
    EXPECT_EQ(skipReasonText(SkipReason::AlreadyRanToday, QString(), kTuesday),
              QStringLiteral("already ran today (once only)"));
}

TEST(WaitKind, NegativeDoesNotWaitZeroWaitsUntilFinished) {
    EXPECT_EQ(waitKind(-1), WaitKind::DontWait);
    EXPECT_EQ(waitKind(-5), WaitKind::DontWait);
    EXPECT_EQ(waitKind(0), WaitKind::UntilFinished);
    EXPECT_EQ(waitKind(0.5), WaitKind::Seconds);
    EXPECT_EQ(waitKind(30), WaitKind::Seconds);
    EXPECT_EQ(secondsText(30), QStringLiteral("30"));
    EXPECT_EQ(secondsText(2.5), QStringLiteral("2.5"));
}

struct IntervalCase {
    const char* name;
    double seconds;
    int milliseconds;
    friend void PrintTo(const IntervalCase& c, std::ostream* os) { *os << c.name; }
};

class TimerMilliseconds : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(TimerMilliseconds, RoundAndStayWithinWhatATimerHolds) {
    EXPECT_EQ(timerMilliseconds(GetParam().seconds), GetParam().milliseconds);
}

constexpr int kLongestTimer = std::numeric_limits<int>::max();

INSTANTIATE_TEST_SUITE_P(
    Waits, TimerMilliseconds,
    ::testing::Values(IntervalCase{"Zero", 0, 0}, IntervalCase{"DefaultSelectionWait", 5, 5000},
                      IntervalCase{"TwelveHours", 43200, 43200000}, IntervalCase{"Fraction", 2.5, 2500},
                      IntervalCase{"BelowHalfAMillisecond", 0.0004, 0},
                      IntervalCase{"AboveHalfAMillisecond", 0.0006, 1},
                      IntervalCase{"RoundsToTheNearest", 1.0014, 1001},
                      IntervalCase{"RoundsUpFromTheMiddleOnward", 1.0016, 1002},
                      IntervalCase{"Negative", -1, 0},
                      IntervalCase{"LongestATimerHolds", 2147483.647, kLongestTimer},
                      IntervalCase{"BeyondTheLongest", 4e6, kLongestTimer},
                      IntervalCase{"TooLongToBeANumber", 1e300, kLongestTimer},
                      IntervalCase{"Infinite", std::numeric_limits<double>::infinity(), kLongestTimer},
                      IntervalCase{"NotANumber", std::numeric_limits<double>::quiet_NaN(), 0}),
    velmora::testing::caseName);

}  // namespace
}  // namespace velmora
