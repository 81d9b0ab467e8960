// The task runner's decisions over an in-memory store: which tasks run, how
// each is started and waited for, what is stamped and what the status shows.
#include "launcher/runner.h"
#include "casename.h"
#include "fakes/fakeclock.h"
#include "fakes/fakelauncher.h"
#include "fakes/fakesettle.h"
#include "fakes/probestore.h"
#include "store/tasklayout.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace velmora {
namespace {

using testing::FakeClock;
using testing::FakeLauncher;
using testing::FakeSettle;
using testing::ProbeStore;
using Kind = FakeLauncher::Kind;
using Call = FakeLauncher::Call;

const QChar kNewline(u'\n');
const QString kHeader = QStringLiteral("Launching Startup tasks:") + kNewline;
const std::string kHeaderShown = "status " + kHeader.toStdString();

// One log for the view, the wait and the launcher, so that tests can check
// the order in which the runner talks to them.
using Log = std::vector<std::string>;

class FakeView final : public RunnerView {
public:
    explicit FakeView(Log& log) : m_log(log) {}
    QString text = QStringLiteral("untouched");
    QString caption = QStringLiteral("untouched");
    std::vector<bool> pointer;  // every setBusyPointer call
    int yields = 0;

    void setStatusText(const QString& t) override {
        text = t;
        m_log.push_back("status " + t.toStdString());
    }
    void setCaption(const QString& c) override { caption = c; }
    void setBusyPointer(bool busy) override { pointer.push_back(busy); }
    void yieldOnce() override {
        ++yields;
        m_log.push_back("yield");
    }

private:
    Log& m_log;
};

// The time is up as soon as the runner waits, and the machine's clock moves
// on by that much; or the user ends the wait at the waitUpTo the test names.
class FakeWait final : public SecondsWait {
public:
    FakeWait(Log& log, FakeSettle& settle) : m_log(log), m_settle(settle) {}
    std::vector<qint64> armed;  // every waitUpTo
    bool begunWhenWaiting = false;
    int endedAtCall = 0;  // counted from begin(); 0: the user never ends it

    void begin() override {
        m_begun = true;
        m_calls = 0;
        m_ended = false;
        m_log.push_back("begin");
    }
    bool waitUpTo(int ms) override {
        if (m_calls == 0) begunWhenWaiting = m_begun;
        m_begun = false;
        armed.push_back(ms);
        m_log.push_back("wait " + std::to_string(ms));
        if (++m_calls == endedAtCall) m_ended = true;
        if (!m_ended) m_settle.pass(ms);
        return m_ended;
    }

private:
    bool m_begun = false;
    int m_calls = 0;
    bool m_ended = false;
    Log& m_log;
    FakeSettle& m_settle;
};

class RunnerTest : public ::testing::Test {
protected:
    RunnerTest() {
        launcher.onCall = [this](const Call& c) {
            const char* kind = c.kind == Kind::Detached  ? "detached "
                               : c.kind == Kind::AndWait ? "andwait "
                                                         : "document ";
            log.push_back(kind + c.command.toStdString());
        };
    }

    // Adds a task at the next number.
    void add(const QString& desc, const QString& app, const QString& wait = QStringLiteral("DW"),
             const QString& opt = QStringLiteral("ABCDEFG"), const QString& keys = QStringLiteral("*")) {
        writeTask(store.inner, ++tasks, {desc, app, wait, opt, keys});
    }
    void run(const QString& launchKey = {}, RunPurpose purpose = RunPurpose::StartUp) {
        TaskRunner runner(store, launcher, view, wait, settle, clock,
                          [this](Priority priority, const QString& line) {
                              diagnostics.append(line);
                              priorities.push_back(priority);
                          });
        runner.runTasks(purpose, launchKey);
    }
    QStringList started() const {
        QStringList out;
        for (const Call& c : launcher.calls) out.append(c.command);
        return out;
    }
    QString opt(int n) const { return store.inner.read(kApp, kSequence, taskKey(TaskField::Opt, n)); }

    ProbeStore store;
    FakeLauncher launcher;
    Log log;
    FakeView view{log};
    FakeSettle settle;
    FakeWait wait{log, settle};
    FakeClock clock{QDate(2026, 12, 8)};  // a Tuesday
    QStringList diagnostics;
    std::vector<Priority> priorities;  // one for each line of `diagnostics`
    int tasks = 0;
};

// --- configuration -------------------------------------------------------

struct KeyCase {
    const char* name;
    const char* launchKey;
    const char* keys;
    bool runs;
    friend void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }
};

class ConfigurationTest : public RunnerTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ConfigurationTest, KeysDecideAgainstTheActiveConfiguration) {
    const KeyCase& c = GetParam();
    add(QStringLiteral("Task"), QStringLiteral("prog"), QStringLiteral("DW"), QStringLiteral("ABCDEFG"),
        QString::fromLatin1(c.keys));
    run(QString::fromLatin1(c.launchKey));
    EXPECT_EQ(started().size(), c.runs ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ConfigurationTest,
    ::testing::Values(KeyCase{"b_in_ab", "b", "ab", true}, KeyCase{"b_star", "b", "*", true},
                      KeyCase{"b_not_in_a", "b", "a", false}, KeyCase{"b_empty", "b", "", false},
                      KeyCase{"b_upper_B", "b", "B", false}, KeyCase{"none_ab", "", "ab", true},
                      KeyCase{"none_star", "", "*", true}, KeyCase{"none_a", "", "a", true},
                      KeyCase{"none_empty", "", "", true}),
    velmora::testing::caseName);

// --- weekday -------------------------------------------------------------

struct DayCase {
    const char* name;
    QDate day;
    const char* opt;
    bool runs;
    friend void PrintTo(const DayCase& c, std::ostream* os) { *os << c.name; }
};

class WeekdayTest : public RunnerTest, public ::testing::WithParamInterface<DayCase> {};

TEST_P(WeekdayTest, OptMustHoldTodaysLetter) {
    const DayCase& c = GetParam();
    clock.date = c.day;
    add(QStringLiteral("Task"), QStringLiteral("prog"), QStringLiteral("DW"), QString::fromLatin1(c.opt));
    run();
    EXPECT_EQ(started().size(), c.runs ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Days, WeekdayTest,
    ::testing::Values(DayCase{"weekdays_on_saturday", QDate(2026, 12, 12), "ABCDE", false},
                      DayCase{"weekdays_on_friday", QDate(2026, 12, 11), "ABCDE", true},
                      DayCase{"saturday_on_saturday", QDate(2026, 12, 12), "F", true},
                      DayCase{"sunday_letter_G", QDate(2026, 12, 13), "G", true},
                      DayCase{"monday_letter_A", QDate(2026, 12, 14), "A", true},
                      DayCase{"empty_opt", QDate(2026, 12, 8), "", false},
                      DayCase{"lower_case_letters", QDate(2026, 12, 8), "abcdefg", false}),
    velmora::testing::caseName);

// --- once only -----------------------------------------------------------

TEST_F(RunnerTest, OnceOnlyRunsOncePerDayAndIsStampedEachPass) {
    add(QStringLiteral("Once"), QStringLiteral("prog"), QStringLiteral("DW"), QStringLiteral("ABCDEFGO"));
    run();
    EXPECT_EQ(started(), QStringList{QStringLiteral("prog")});
    EXPECT_EQ(opt(1), QStringLiteral("08122026ABCDEFGO"));

    run();
    EXPECT_EQ(started().size(), 1) << "a second start the same day skips it";
    EXPECT_EQ(opt(1), QStringLiteral("08122026ABCDEFGO"));

    clock.date = QDate(2026, 12, 9);
    run();
    EXPECT_EQ(started().size(), 2);
    EXPECT_EQ(opt(1), QStringLiteral("09122026ABCDEFGO"));
}

TEST_F(RunnerTest, OnceOnlyExcludedByConfigurationIsStampedAnyway) {
    add(QStringLiteral("Once"), QStringLiteral("prog"), QStringLiteral("DW"), QStringLiteral("ABCDEFGO"),
        QStringLiteral("a"));
    run(QStringLiteral("b"));
    EXPECT_TRUE(started().isEmpty());
    EXPECT_EQ(opt(1), QStringLiteral("08122026ABCDEFGO"));

    run(QStringLiteral("a"));
    EXPECT_TRUE(started().isEmpty()) << "already marked as done for today";
}

TEST_F(RunnerTest, OnceOnlyExcludedByWeekdayKeepsItsLettersAndGetsTodaysStamp) {
    clock.date = QDate(1996, 12, 8);  // a Sunday
    add(QStringLiteral("Once"), QStringLiteral("prog"), QStringLiteral("DW"), QStringLiteral("08121996ACO"));
    run();
    EXPECT_TRUE(started().isEmpty());
    EXPECT_EQ(opt(1), QStringLiteral("08121996ACO"));

    add(QStringLiteral("Other"), QStringLiteral("prog2"), QStringLiteral("DW"),
        QStringLiteral("01011990xBzO-9"));
    run();
    EXPECT_EQ(opt(2), QStringLiteral("08121996BO")) << "old digits and foreign characters dropped";
}

TEST_F(RunnerTest, TasksWithoutOnceOnlyAreNeverWritten) {
    add(QStringLiteral("A"), QStringLiteral("prog"), QStringLiteral("DW"), QStringLiteral("ABCDEFG"));
    add(QStringLiteral("B"), QStringLiteral("prog"), QStringLiteral("DW"),
        QStringLiteral("08122026ABCDEFGo"));
    const int before = store.inner.writes();
    run();
    EXPECT_EQ(store.inner.writes(), before);
    EXPECT_EQ(started().size(), 2) << "a lower-case o is not the once-only flag";
}

TEST_F(RunnerTest, AStampThatCannotBeWrittenIsReportedAndTheRunGoesOn) {
    add(QStringLiteral("Once"), QStringLiteral("first"), QStringLiteral("DW"), QStringLiteral("ABCDEFGO"));
    add(QStringLiteral("Next"), QStringLiteral("second"));
    store.failWrites = true;
    store.writeError = QStringLiteral("Cannot write the settings store test.db: disk full.");
    run();
    EXPECT_EQ(started(), (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
    ASSERT_FALSE(diagnostics.isEmpty());
    EXPECT_TRUE(diagnostics[0].contains(QStringLiteral("could not record today's run")));
    EXPECT_TRUE(diagnostics[0].contains(QStringLiteral("disk full")));
    EXPECT_EQ(priorities[0], Priority::Warning);
}

TEST_F(RunnerTest, AStoreOpenedForReadingRunsOnceOnlyTasksAsStampedWithoutALinePerTask) {
    add(QStringLiteral("Once"), QStringLiteral("first"), QStringLiteral("DW"), QStringLiteral("ABCDEFGO"));
    add(QStringLiteral("Done"), QStringLiteral("second"), QStringLiteral("DW"),
        QStringLiteral("08122026ABCDEFGO"));
    add(QStringLiteral("Next"), QStringLiteral("third"));
    store.readOnly = true;
    run();
    EXPECT_EQ(started(), (QStringList{QStringLiteral("first"), QStringLiteral("third")}));
    EXPECT_TRUE(store.writtenApps.isEmpty());
    for (const QString& line : diagnostics)
        EXPECT_FALSE(line.contains(QStringLiteral("could not record"))) << line.toStdString();
}

// --- wait modes ----------------------------------------------------------

struct WaitCase {
    const char* name;
    const char* wait;
    Kind kind;         // how the command is started
    qint64 armedMs;    // -1: the timer is not armed
    const char* line;  // appended to the status text
    friend void PrintTo(const WaitCase& c, std::ostream* os) { *os << c.name; }
};

class WaitModeTest : public RunnerTest, public ::testing::WithParamInterface<WaitCase> {};

TEST_P(WaitModeTest, WaitValueDecidesStartAndWait) {
    const WaitCase& c = GetParam();
    add(QStringLiteral("Mail"), QStringLiteral("mailer --check"), QString::fromLatin1(c.wait));
    run();
    ASSERT_EQ(launcher.calls.size(), 1u);
    EXPECT_EQ(launcher.calls[0], (Call{c.kind, QStringLiteral("mailer --check")}));
    if (c.armedMs < 0) {
        EXPECT_TRUE(wait.armed.empty());
    } else {
        EXPECT_EQ(wait.armed, std::vector<qint64>{c.armedMs});
        EXPECT_TRUE(wait.begunWhenWaiting);
    }
    EXPECT_EQ(view.text, kHeader + QStringLiteral("Mail") + kNewline + QString::fromLatin1(c.line));
}

const qint64 kLongest = std::numeric_limits<int>::max();

INSTANTIATE_TEST_SUITE_P(
    Modes, WaitModeTest,
    ::testing::Values(WaitCase{"DW", "DW", Kind::Detached, -1, ""},
                      WaitCase{"dw", "dw", Kind::Detached, -1, ""},
                      WaitCase{"Dw5", "Dw5", Kind::Detached, -1, ""},
                      WaitCase{"minus_one", "-1", Kind::Detached, -1, ""},
                      WaitCase{"minus_five", "-5", Kind::Detached, -1, ""},
                      WaitCase{"zero", "0", Kind::AndWait, -1, "Waiting for completion ..."},
                      WaitCase{"empty", "", Kind::AndWait, -1, "Waiting for completion ..."},
                      WaitCase{"abc", "abc", Kind::AndWait, -1, "Waiting for completion ..."},
                      WaitCase{"thirty", "30", Kind::Detached, 30000, "Waiting for 30 seconds ..."},
                      WaitCase{"leading_zeros", "0030", Kind::Detached, 30000, "Waiting for 30 seconds ..."},
                      WaitCase{"most_the_editor_allows", "43200", Kind::Detached, 43200000,
                               "Waiting for 43200 seconds ..."},
                      WaitCase{"fraction", "2.5", Kind::Detached, 2500, "Waiting for 2.5 seconds ..."},
                      WaitCase{"beyond_a_timer", "99999999999", Kind::Detached, kLongest,
                               "Waiting for 99999999999 seconds ..."}),
    velmora::testing::caseName);

// Enter may end the wait as soon as its line is shown, before the start.
TEST_F(RunnerTest, SecondsCountFromTheStartAndTheWaitBeginsBeforeItsLine) {
    add(QStringLiteral("Mail"), QStringLiteral("mailer"), QStringLiteral("30"));
    run();
    const Log expected{kHeaderShown,
                       "yield",
                       "status " + (kHeader + QStringLiteral("Mail") + kNewline).toStdString(),
                       "yield",
                       "begin",
                       "status " + (kHeader + QStringLiteral("Mail") + kNewline +
                                    QStringLiteral("Waiting for 30 seconds ..."))
                                       .toStdString(),
                       "yield",
                       "detached mailer",
                       "wait 30000"};
    EXPECT_EQ(log, expected);
}

TEST_F(RunnerTest, UntilFinishedShowsItsLineBeforeTheStart) {
    add(QStringLiteral("Backup"), QStringLiteral("backup.sh"), QStringLiteral("0"));
    run();
    const Log expected{kHeaderShown,
                       "yield",
                       "status " + (kHeader + QStringLiteral("Backup") + kNewline).toStdString(),
                       "yield",
                       "status " + (kHeader + QStringLiteral("Backup") + kNewline +
                                    QStringLiteral("Waiting for completion ..."))
                                       .toStdString(),
                       "yield",
                       "andwait backup.sh"};
    EXPECT_EQ(log, expected);
}

// --- document fallback ---------------------------------------------------

struct FallbackCase {
    const char* name;
    const char* wait;
    bool documentTried;
    friend void PrintTo(const FallbackCase& c, std::ostream* os) { *os << c.name; }
};

class FallbackTest : public RunnerTest, public ::testing::WithParamInterface<FallbackCase> {};

TEST_P(FallbackTest, FailedStartOpensTheDocumentExceptWhenWaitingUntilFinished) {
    const FallbackCase& c = GetParam();
    const QString doc = QStringLiteral("/home/u/notes.txt");
    launcher.failDetached.insert(doc);
    launcher.failAndWait.insert(doc);
    launcher.failDocument.insert(doc);  // and that fails too: the run goes on
    add(QStringLiteral("Notes"), doc, QString::fromLatin1(c.wait));
    add(QStringLiteral("Next"), QStringLiteral("next"));
    run();
    std::vector<Call> expected;
    expected.push_back({QLatin1String(c.wait) == QLatin1String("0") ? Kind::AndWait : Kind::Detached, doc});
    if (c.documentTried) expected.push_back({Kind::Document, doc});
    expected.push_back({Kind::Detached, QStringLiteral("next")});
    EXPECT_EQ(launcher.calls, expected);
}

INSTANTIATE_TEST_SUITE_P(Modes, FallbackTest,
                         ::testing::Values(FallbackCase{"dont_wait", "DW", true},
                                           FallbackCase{"seconds", "5", true},
                                           FallbackCase{"until_finished", "0", false}),
                         velmora::testing::caseName);

TEST_F(RunnerTest, FailedDocumentStillWaitsTheSeconds) {
    launcher.failDetached.insert(QStringLiteral("x"));
    launcher.failDocument.insert(QStringLiteral("x"));
    add(QStringLiteral("X"), QStringLiteral("x"), QStringLiteral("5"));
    run();
    EXPECT_EQ(wait.armed, std::vector<qint64>{5000});
}

// --- until settled ---------------------------------------------------------

struct SettleCase {
    const char* name;
    const char* wait;
    int window;
    int settlesAtLook;  // 0: never
    int endedAtCall;    // 0: the user does not end it
    std::vector<qint64> armed;
    int looks;
    const char* diagnostic;
    friend void PrintTo(const SettleCase& c, std::ostream* os) { *os << c.name; }
};

class SettleWaitTest : public RunnerTest, public ::testing::WithParamInterface<SettleCase> {};

// One wait, begun before its line; a look after each window; the next task
// starts at the first quiet look, at the cap or when the user ends the wait.
TEST_P(SettleWaitTest, LooksOnceAWindowUntilSettledOrTheCap) {
    const SettleCase& c = GetParam();
    settle.window = c.window;
    settle.settlesAtLook = c.settlesAtLook;
    wait.endedAtCall = c.endedAtCall;
    add(QStringLiteral("Panel"), QStringLiteral("panel"), QString::fromLatin1(c.wait));
    add(QStringLiteral("Next"), QStringLiteral("next"));
    run();

    EXPECT_EQ(started(), (QStringList{QStringLiteral("panel"), QStringLiteral("next")}));
    EXPECT_EQ(wait.armed, c.armed);
    EXPECT_TRUE(wait.begunWhenWaiting);
    EXPECT_EQ(settle.restarts, 1);
    EXPECT_EQ(settle.looks, c.looks);
    EXPECT_TRUE(diagnostics.join('\n').contains(QString::fromLatin1(c.diagnostic)))
        << diagnostics.join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Endings, SettleWaitTest,
    ::testing::Values(
        SettleCase{"settles_at_the_third_look",
                   "30S",
                   200,
                   3,
                   0,
                   {200, 200, 200},
                   3,
                   "the machine settled after 0.6 seconds"},
        SettleCase{"settles_at_the_first_look", "30S", 200, 1, 0, {200}, 1, "settled after 0.2 seconds"},
        // The last window is cut to what is left of the cap.
        SettleCase{"never_settles",
                   "1S",
                   300,
                   0,
                   0,
                   {300, 300, 300, 100},
                   4,
                   "the machine did not settle within 1 seconds"},
        SettleCase{"settles_just_at_the_cap", "1S", 500, 2, 0, {500, 500}, 2, "settled after 1.0 seconds"},
        // Enter or the close button: no look after the wait that ended.
        SettleCase{
            "the_user_ends_it", "30S", 200, 0, 2, {200, 200}, 1, "the wait until settled was ended early"},
        SettleCase{"the_user_ends_it_at_once", "30S", 200, 0, 1, {200}, 0, "ended early"},
        // A cap beyond what a timer holds waits in windows all the same.
        SettleCase{
            "cap_beyond_a_timer", "99999999999S", 200, 2, 0, {200, 200}, 2, "settled after 0.4 seconds"}),
    velmora::testing::caseName);

TEST_F(RunnerTest, TheSettleWaitBeginsBeforeItsLineAndJudgesFromTheStart) {
    settle.settlesAtLook = 1;
    add(QStringLiteral("Panel"), QStringLiteral("panel"), QStringLiteral("30S"));
    run();
    const Log expected{kHeaderShown,
                       "yield",
                       "status " + (kHeader + QStringLiteral("Panel") + kNewline).toStdString(),
                       "yield",
                       "begin",
                       "status " + (kHeader + QStringLiteral("Panel") + kNewline +
                                    QStringLiteral("Waiting until settled, at most 30 seconds ..."))
                                       .toStdString(),
                       "yield",
                       "detached panel",
                       "wait 200"};
    EXPECT_EQ(log, expected);
}

TEST_F(RunnerTest, EachSettleWaitIsJudgedFromItsOwnStart) {
    settle.settlesAtLook = 2;
    add(QStringLiteral("One"), QStringLiteral("one"), QStringLiteral("30S"));
    add(QStringLiteral("Two"), QStringLiteral("two"), QStringLiteral("30S"));
    run();
    EXPECT_EQ(settle.restarts, 2);
    EXPECT_EQ(wait.armed, (std::vector<qint64>{200, 200, 200, 200}));
}

// --- the walk ------------------------------------------------------------

TEST_F(RunnerTest, TheFirstGapEndsTheList) {
    for (int n : {1, 2, 3, 5})
        writeTask(store.inner, n,
                  {QStringLiteral("T%1").arg(n), QStringLiteral("p%1").arg(n), QStringLiteral("DW"),
                   QStringLiteral("ABCDEFG"), QStringLiteral("*")});
    run();
    EXPECT_EQ(started(), (QStringList{QStringLiteral("p1"), QStringLiteral("p2"), QStringLiteral("p3")}));
    EXPECT_FALSE(store.readKeys.contains(QStringLiteral("App005")));
}

TEST_F(RunnerTest, AllOf999TasksAreConsideredAndNothingBeyond) {
    store.inner.transaction([&] {
        for (int n = 1; n <= kMaxTasks; ++n)
            writeTask(store.inner, n,
                      {QStringLiteral("T%1").arg(n), QStringLiteral("p%1").arg(n), QStringLiteral("DW"),
                       QStringLiteral("ABCDEFG"), QStringLiteral("*")});
    });
    run();
    EXPECT_EQ(started().size(), kMaxTasks);
    EXPECT_EQ(started().last(), QStringLiteral("p999"));
    for (const QString& key : store.readKeys)
        EXPECT_FALSE(key.endsWith(QStringLiteral("1000"))) << key.toStdString();
}

TEST_F(RunnerTest, SkippedTasksReadNeitherWaitNorApp) {
    add(QStringLiteral("Other day"), QStringLiteral("prog"), QStringLiteral("DW"), QStringLiteral("A"));
    run();
    EXPECT_FALSE(store.readKeys.contains(QStringLiteral("Wait001")));
    EXPECT_FALSE(store.readKeys.contains(QStringLiteral("App001")));
}

// --- what the windows show -----------------------------------------------

TEST_F(RunnerTest, CaptionAndPointerAreRestoredAlsoForAnEmptyList) {
    run();
    EXPECT_EQ(view.caption, QStringLiteral("Velmora"));
    EXPECT_EQ(view.pointer, (std::vector<bool>{true, false}));
    EXPECT_EQ(view.text, kHeader);
    EXPECT_EQ(log, (Log{kHeaderShown, "yield"})) << "the header is drawn before the list is read";
}

TEST_F(RunnerTest, CaptionNamesTheTaskWhileItStarts) {
    QString during;
    launcher.onCall = [&](const Call&) { during = view.caption; };
    add(QStringLiteral("Mail"), QStringLiteral("mailer"));
    run();
    EXPECT_EQ(during, QStringLiteral("Velmora: Launching Mail"));
    EXPECT_EQ(view.caption, QStringLiteral("Velmora"));
    EXPECT_EQ(view.pointer, (std::vector<bool>{true, false}));
}

TEST_F(RunnerTest, EachTaskReplacesTheLinesOfTheOneBefore) {
    add(QStringLiteral("One"), QStringLiteral("a"), QStringLiteral("0"));
    add(QStringLiteral("Two"), QStringLiteral("b"), QStringLiteral("DW"));
    run();
    EXPECT_EQ(view.text, kHeader + QStringLiteral("Two") + kNewline);
}

// The header names the run: the configuration at start-up, the test run in
// the main window.
struct HeaderCase {
    const char* name;
    RunPurpose purpose;
    const char* launchKey;
    const char* header;
    friend void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.name; }
};

class HeaderTest : public RunnerTest, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(HeaderTest, TheRunComposesItsHeaderAndTheLinesBelowIt) {
    const HeaderCase& c = GetParam();
    add(QStringLiteral("Slow"), QStringLiteral("slow"), QStringLiteral("2"));
    run(QString::fromLatin1(c.launchKey), c.purpose);
    EXPECT_EQ(view.text, QString::fromLatin1(c.header) + kNewline + QStringLiteral("Slow") + kNewline +
                             QStringLiteral("Waiting for 2 seconds ..."));
}

INSTANTIATE_TEST_SUITE_P(
    Purposes, HeaderTest,
    ::testing::Values(HeaderCase{"start_up", RunPurpose::StartUp, "", "Launching Startup tasks:"},
                      HeaderCase{"start_up_b", RunPurpose::StartUp, "b", "Launching Configuration 'B'"},
                      HeaderCase{"test_run", RunPurpose::Test, "", "Testing launch list ..."}),
    velmora::testing::caseName);

TEST_F(RunnerTest, AStoreFailureStillRestoresCaptionAndPointer) {
    ProbeStore broken;
    broken.failReads = true;
    TaskRunner runner(broken, launcher, view, wait, clock);
    EXPECT_THROW(runner.runTasks(RunPurpose::StartUp, QString()), StoreError);
    EXPECT_EQ(view.caption, QStringLiteral("Velmora"));
    EXPECT_EQ(view.pointer, (std::vector<bool>{true, false}));
}

// --- diagnostics -----------------------------------------------------------

TEST_F(RunnerTest, EachTaskOutcomeIsOneDiagnosticsLine) {
    launcher.failDetached = {QStringLiteral("notes.txt"), QStringLiteral("missing")};
    launcher.failDocument = {QStringLiteral("missing")};
    launcher.failAndWait = {QStringLiteral("gone")};
    add(QStringLiteral("Mail"), QStringLiteral("mailer"));
    add(QStringLiteral("Notes"), QStringLiteral("notes.txt"));
    add(QStringLiteral("Missing"), QStringLiteral("missing"));
    add(QStringLiteral("Gone"), QStringLiteral("gone"), QStringLiteral("0"));
    add(QStringLiteral("Backup"), QStringLiteral("backup"), QStringLiteral("0"));
    add(QStringLiteral("Monday"), QStringLiteral("weekly"), QStringLiteral("DW"), QStringLiteral("A"));
    add(QStringLiteral("Only a"), QStringLiteral("a"), QStringLiteral("DW"), QStringLiteral("ABCDEFG"),
        QStringLiteral("a"));
    run(QStringLiteral("b"));
    const QStringList expected{
        QStringLiteral("velmora: task 1 \"Mail\": started"),
        QStringLiteral("velmora: task 2 \"Notes\": opened as a document (refused by the test)"),
        QStringLiteral("velmora: task 3 \"Missing\": could not be started: refused by the test; "
                       "not opened as a document either: refused by the test"),
        QStringLiteral("velmora: task 4 \"Gone\": could not be started: refused by the test"),
        QStringLiteral("velmora: task 5 \"Backup\": started and finished"),
        QStringLiteral("velmora: task 6 \"Monday\": skipped: not on Tuesday"),
        QStringLiteral("velmora: task 7 \"Only a\": skipped: not in configuration 'b'"),
    };
    EXPECT_EQ(diagnostics, expected);
    const std::vector<Priority> levels{Priority::Info, Priority::Info,   Priority::Error, Priority::Error,
                                       Priority::Info, Priority::Notice, Priority::Notice};
    EXPECT_EQ(priorities, levels) << "started and opened: info; not started: error; skipped: notice";
}

TEST_F(RunnerTest, ARefusedDesktopEntryGivesItsOwnReasonAndIsNotOpenedAgain) {
    launcher.refusedEntries.insert(QStringLiteral("/moved/app.desktop"), QStringLiteral("Hidden=true"));
    add(QStringLiteral("App"), QStringLiteral("/moved/app.desktop"));
    run(QString());
    EXPECT_EQ(diagnostics, QStringList{QStringLiteral("velmora: task 1 \"App\": not started: Hidden=true")});
    ASSERT_EQ(launcher.calls.size(), 1u);
    EXPECT_EQ(launcher.calls[0].kind, FakeLauncher::Kind::Detached);
}

// --- the header ------------------------------------------------------------

TEST(LaunchHeader, NamesTheConfigurationInUpperCase) {
    EXPECT_EQ(launchHeader(QString()), QStringLiteral("Launching Startup tasks:") + kNewline);
    EXPECT_EQ(launchHeader(QStringLiteral("b")), QStringLiteral("Launching Configuration 'B'") + kNewline);
}

}  // namespace
}  // namespace velmora
