// The start-up sequence with real windows on the offscreen platform: the wait
// timer, the selection phase and the run in the status window. Launching and
// the clock are fakes; the waits are real, with short intervals.
#include "casename.h"
#include "fakes/fakeclock.h"
#include "fakes/fakelauncher.h"
#include "fakes/fakeprompts.h"
#include "fakes/fakewindowsystem.h"
#include "fakes/probestore.h"
#include "launcher/gui/launchwindow.h"
#include "launcher/gui/startupsequence.h"
#include "launcher/gui/statusview.h"
#include "launcher/gui/waittimer.h"
#include "store/memorystore.h"
#include "store/tasklayout.h"
#include "ui/pointer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

namespace velmora {
namespace {

using testing::FakeClock;
using testing::FakeLauncher;
using testing::FakePrompts;
using testing::FakeWindowSystem;

const QChar kNewline(u'\n');

// The LaunchWindow that is on screen, or nullptr.
LaunchWindow* visibleLaunchWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* form = qobject_cast<LaunchWindow*>(w); form && form->isVisible()) return form;
    }
    return nullptr;
}

int visibleWindows() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) n += w->isVisible();
    return n;
}

// --- the wait timer --------------------------------------------------------

// A coarse timer may end a 5 s wait up to 5 % early.
TEST(WaitTimer, ItsTimerIsAOneShotPreciseTimer) {
    WaitTimer wait;
    const auto* timer = wait.findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isSingleShot());
    EXPECT_EQ(timer->timerType(), Qt::PreciseTimer);
}

TEST(WaitTimer, ReturnsAtOnceWhenTheWaitHasAlreadyEnded) {
    WaitTimer wait;
    wait.begin();
    wait.endWait();  // a letter or Enter before the loop ran
    QElapsedTimer elapsed;
    elapsed.start();
    // Should the wait block after all, it ends after a second and the test
    // fails on the time instead of hanging.
    wait.waitUpTo(1000);
    EXPECT_LT(elapsed.elapsed(), 500);
}

TEST(WaitTimer, TheTimerEndsTheWaitNoEarlierThanArmed) {
    WaitTimer wait;
    QSignalSpy ended(&wait, &WaitTimer::ended);
    wait.begin();
    QElapsedTimer clock;
    clock.start();
    wait.waitUpTo(200);
    EXPECT_GE(clock.elapsed(), 200);
    EXPECT_EQ(ended.count(), 1);
}

TEST(WaitTimer, EndWaitEndsTheWaitGoingOn) {
    WaitTimer wait;
    wait.begin();
    QTimer::singleShot(20, &wait, &WaitTimer::endWait);
    QElapsedTimer clock;
    clock.start();
    wait.waitUpTo(30000);
    EXPECT_LT(clock.elapsed(), 10000);
}

// A wait until settled waits in pieces on one begun wait: a piece whose time
// is up leaves the wait going on, an end by the user ends every piece after.
TEST(WaitTimer, SaysWhetherTheWaitEndedOrOnlyItsTimeIsUp) {
    WaitTimer wait;
    wait.begin();
    EXPECT_FALSE(wait.waitUpTo(20));
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(wait.waitUpTo(100)) << "the time was up, the wait goes on";
    EXPECT_GE(clock.elapsed(), 100) << "a second piece waits its own time";

    QTimer::singleShot(20, &wait, &WaitTimer::endWait);
    EXPECT_TRUE(wait.waitUpTo(30000));
    clock.restart();
    EXPECT_TRUE(wait.waitUpTo(30000)) << "every piece after the end returns at once";
    EXPECT_LT(clock.elapsed(), 5000);

    wait.begin();
    EXPECT_FALSE(wait.waitUpTo(10)) << "a new wait has not been ended";
}

// Enter between two tasks does not shorten the next task's wait.
TEST(WaitTimer, AnEndBeforeTheWaitBeganDoesNotCount) {
    WaitTimer wait;
    wait.endWait();
    wait.begin();
    QElapsedTimer clock;
    clock.start();
    wait.waitUpTo(150);
    EXPECT_GE(clock.elapsed(), 150);
}

TEST(WaitTimer, AWaitEndedEarlyLeavesNoTimerToEndTheNextOne) {
    WaitTimer wait;
    wait.begin();
    QTimer::singleShot(0, &wait, &WaitTimer::endWait);
    wait.waitUpTo(60);
    wait.begin();
    QElapsedTimer clock;
    clock.start();
    wait.waitUpTo(300);
    EXPECT_GE(clock.elapsed(), 300);
}

// --- the sequence ----------------------------------------------------------

class StartupTest : public ::testing::Test {
protected:
    StartupTest() {
        launcher.onCall = [this](const FakeLauncher::Call&) {
            LaunchWindow* form = visibleLaunchWindow();
            seen.append(form ? form->labelText() : QStringLiteral("<hidden>"));
            pointerDuringRun = mousePointer();
            windowsDuringRun = int(QApplication::topLevelWidgets().size());
        };
    }
    ~StartupTest() override { EXPECT_EQ(visibleWindows(), 0) << "every window is closed again"; }

    void add(const QString& desc, const QString& keys, const QString& wait = QStringLiteral("DW")) {
        writeTask(store, ++tasks, {desc, desc.toLower(), wait, QStringLiteral("ABCDEFG"), keys});
    }
    StartupSettings run(const QStringList& args) {
        StartupSequence sequence(
            store, launcher, prompts, clock,
            [this](Priority, const QString& line) { diagnostics.append(line); }, &windows);
        return sequence.run(parseSwitches(args));
    }
    QStringList started() const {
        QStringList out;
        for (const auto& c : launcher.calls) out.append(c.command);
        return out;
    }
    // Does `act` to the visible LaunchWindow after `ms`, once the event loop runs;
    // a timer still pending when the test ends dies with it.
    void later(int ms, std::function<void(LaunchWindow&)> act) {
        QTimer::singleShot(ms, &context, [act = std::move(act)] {
            if (LaunchWindow* form = visibleLaunchWindow()) act(*form);
            else ADD_FAILURE() << "no LaunchWindow on screen";
        });
    }
    // Acts once a LaunchWindow on screen shows a text ending in `text`, looking
    // every 10 ms: a slow start then does not make the act come too early.
    void whenShowing(const QString& text, std::function<void(LaunchWindow&)> act) {
        auto* poll = new QTimer(&context);
        poll->setInterval(10);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, text, act = std::move(act)] {
            LaunchWindow* form = visibleLaunchWindow();
            if (!form || !form->labelText().endsWith(text)) return;
            poll->stop();
            act(*form);
        });
        poll->start();
    }

    MemoryStore store;
    FakeLauncher launcher;
    FakePrompts prompts;
    FakeClock clock;
    FakeWindowSystem windows;
    int tokensForgottenAtLaunch = -1;
    QStringList seen;  // LaunchWindow's text at each start, "<hidden>" when not on screen
    std::optional<MousePointer> pointerDuringRun;
    int windowsDuringRun = -1;  // top-level widgets, shown or not
    QStringList diagnostics;
    int tasks = 0;
    QObject context;
};

TEST_F(StartupTest, SelectionTimesOutAfterItsIntervalWithNoChoice) {
    StartupSequence sequence(store, launcher, prompts, clock, {}, &windows);
    QString shown;
    later(50, [&](LaunchWindow& form) { shown = form.labelText(); });
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(sequence.selectConfiguration(0.4), QString());
    EXPECT_GE(elapsed.elapsed(), 400);
    EXPECT_EQ(shown, kNewline + QStringLiteral("Select launch configuration ..."));
    EXPECT_EQ(prompts.beeps, 1);
    EXPECT_TRUE(store.contains(kApp, kWindow, kLocation2)) << "unloading saved the placement";
}

TEST_F(StartupTest, ALetterEndsTheSelectionAtOnce) {
    StartupSequence sequence(store, launcher, prompts, clock, {}, &windows);
    later(50, [](LaunchWindow& form) { QTest::keyClick(&form, Qt::Key_B, Qt::ShiftModifier); });
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(sequence.selectConfiguration(30), QStringLiteral("b"));
    EXPECT_LT(elapsed.elapsed(), 10000);
}

TEST_F(StartupTest, EnterEndsTheSelectionWithNoChoice) {
    StartupSequence sequence(store, launcher, prompts, clock, {}, &windows);
    later(50, [](LaunchWindow& form) { QTest::keyClick(&form, Qt::Key_5); });
    later(80, [](LaunchWindow& form) { QTest::keyClick(&form, Qt::Key_Return); });
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(sequence.selectConfiguration(30), QString());
    EXPECT_LT(elapsed.elapsed(), 10000);
}

TEST_F(StartupTest, TheSelectionHoldsTheKeyboardForTheWaitOnly) {
    StartupSequence sequence(store, launcher, prompts, clock, {}, &windows);
    bool heldDuringWait = false;
    later(50, [&](LaunchWindow& form) {
        heldDuringWait = windows.grabbed && form.holdsKeyboard();
        QTest::keyClick(&form, Qt::Key_C);
    });
    EXPECT_EQ(sequence.selectConfiguration(30), QStringLiteral("c"));
    EXPECT_TRUE(heldDuringWait);
    EXPECT_EQ(windows.activations, 1);
    EXPECT_FALSE(windows.grabbed) << "given back when the wait ended";
}

TEST_F(StartupTest, TheCloseButtonEndsTheSelectionWithNoChoice) {
    store.write(kApp, kSequence, kDefaultKey, QStringLiteral("b"));
    add(QStringLiteral("Mail"), QStringLiteral("b"));
    add(QStringLiteral("Game"), QStringLiteral("a"));
    later(50, [](LaunchWindow& form) { form.close(); });
    QElapsedTimer elapsed;
    elapsed.start();
    run({QStringLiteral("/run"), QStringLiteral("/skwait=30")});
    EXPECT_LT(elapsed.elapsed(), 10000);
    EXPECT_EQ(started(), QStringList{QStringLiteral("mail")}) << "the default key applies, as after Enter";
}

TEST_F(StartupTest, NoTaskInheritsTheSessionsActivationToken) {
    add(QStringLiteral("Mail"), QStringLiteral("*"));
    launcher.onCall = [this](const FakeLauncher::Call&) {
        tokensForgottenAtLaunch = windows.tokensForgotten;
    };
    run({QStringLiteral("/run"), QStringLiteral("/skwait=0")});
    EXPECT_EQ(tokensForgottenAtLaunch, 1);
}

TEST_F(StartupTest, DefaultKeyAppliesWithoutSelection) {
    store.write(kApp, kSequence, kDefaultKey, QStringLiteral("b"));
    add(QStringLiteral("Mail"), QStringLiteral("ab"));
    add(QStringLiteral("Game"), QStringLiteral("a"));
    add(QStringLiteral("Clock"), QStringLiteral("*"));
    run({QStringLiteral("/run"), QStringLiteral("/skwait=0")});
    EXPECT_EQ(started(), (QStringList{QStringLiteral("mail"), QStringLiteral("clock")}));
    const QString header = QStringLiteral("Launching Configuration 'B'") + kNewline;
    EXPECT_EQ(seen, (QStringList{header + QStringLiteral("Mail") + kNewline,
                                 header + QStringLiteral("Clock") + kNewline}));
    EXPECT_EQ(prompts.beeps, 0) << "no selection phase";
    EXPECT_EQ(pointerDuringRun, MousePointer::Busy);
    EXPECT_EQ(mousePointer(), MousePointer::Default);
    EXPECT_TRUE(store.contains(kApp, kWindow, kLocation2));
    EXPECT_EQ(store.read(kApp, kSequence, kDefaultKey), QStringLiteral("b"))
        << "start-up mode writes no default key";
}

TEST_F(StartupTest, NoDefaultKeyLetsEveryTaskPass) {
    add(QStringLiteral("Mail"), QStringLiteral("ab"));
    add(QStringLiteral("Nothing"), QString());
    run({QStringLiteral("/RUN"), QStringLiteral("/SKWAIT=0")});
    EXPECT_EQ(started(), (QStringList{QStringLiteral("mail"), QStringLiteral("nothing")}));
    EXPECT_EQ(seen.value(0),
              QStringLiteral("Launching Startup tasks:") + kNewline + QStringLiteral("Mail") + kNewline);
}

TEST_F(StartupTest, AChosenLetterOverridesTheDefaultKey) {
    store.write(kApp, kSequence, kDefaultKey, QStringLiteral("b"));
    add(QStringLiteral("Mail"), QStringLiteral("b"));
    add(QStringLiteral("Game"), QStringLiteral("a"));
    later(50, [](LaunchWindow& form) { QTest::keyClick(&form, 'a'); });
    run({QStringLiteral("/run"), QStringLiteral("/skwait=30")});
    EXPECT_EQ(started(), QStringList{QStringLiteral("game")});
    EXPECT_EQ(seen.value(0),
              QStringLiteral("Launching Configuration 'A'") + kNewline + QStringLiteral("Game") + kNewline);
    EXPECT_EQ(prompts.beeps, 1);
}

TEST_F(StartupTest, NoDispKeepsTheStatusWindowHidden) {
    add(QStringLiteral("Mail"), QStringLiteral("*"));
    run({QStringLiteral("/run"), QStringLiteral("/nodisp"), QStringLiteral("/skwait=0")});
    EXPECT_EQ(seen, QStringList{QStringLiteral("<hidden>")});
    EXPECT_EQ(windowsDuringRun, 0) << "a status window that is never shown is never created";
    EXPECT_EQ(pointerDuringRun, MousePointer::Default) << "no busy pointer without a window";
    EXPECT_FALSE(store.contains(kApp, kWindow, kLocation2));
}

TEST_F(StartupTest, NoDispStillShowsTheSelectionWindow) {
    add(QStringLiteral("Mail"), QStringLiteral("*"));
    bool selectionShown = false;
    later(30, [&](LaunchWindow& form) {
        selectionShown = true;
        QTest::keyClick(&form, Qt::Key_Return);
    });
    run({QStringLiteral("/run /nodisp")});
    EXPECT_TRUE(selectionShown);
    EXPECT_EQ(seen, QStringList{QStringLiteral("<hidden>")});
}

// What the user does in the status window to end a seconds-wait.
struct WaitEnding {
    const char* name;
    void (*act)(LaunchWindow&);
    friend void PrintTo(const WaitEnding& e, std::ostream* os) { *os << e.name; }
};

class SecondsWaitTest : public StartupTest, public ::testing::WithParamInterface<WaitEnding> {};

TEST_P(SecondsWaitTest, TheStatusWindowEndsASecondsWait) {
    add(QStringLiteral("Slow"), QStringLiteral("*"), QStringLiteral("30"));
    add(QStringLiteral("Next"), QStringLiteral("*"));
    bool sawTheWait = false;
    whenShowing(QStringLiteral("Waiting for 30 seconds ..."), [&](LaunchWindow& form) {
        sawTheWait = true;
        GetParam().act(form);
    });
    QElapsedTimer elapsed;
    elapsed.start();
    run({QStringLiteral("/run"), QStringLiteral("/skwait=0")});
    EXPECT_TRUE(sawTheWait);
    EXPECT_LT(elapsed.elapsed(), 10000);
    EXPECT_EQ(started(), (QStringList{QStringLiteral("slow"), QStringLiteral("next")}));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, SecondsWaitTest,
    ::testing::Values(WaitEnding{"enter", [](LaunchWindow& form) { QTest::keyClick(&form, Qt::Key_Return); }},
                      WaitEnding{"close_button", [](LaunchWindow& form) { form.close(); }}),
    velmora::testing::caseName);

TEST_F(StartupTest, LettersDuringTheRunChangeNothing) {
    store.write(kApp, kSequence, kDefaultKey, QStringLiteral("b"));
    add(QStringLiteral("Wait"), QStringLiteral("b"), QStringLiteral("0.3"));
    add(QStringLiteral("Mail"), QStringLiteral("b"));
    add(QStringLiteral("Game"), QStringLiteral("a"));
    later(50, [](LaunchWindow& form) { QTest::keyClick(&form, 'a'); });
    QElapsedTimer elapsed;
    elapsed.start();
    run({QStringLiteral("/run"), QStringLiteral("/skwait=0")});
    EXPECT_EQ(started(), (QStringList{QStringLiteral("wait"), QStringLiteral("mail")}))
        << "the configuration stays 'b'";
    EXPECT_GE(elapsed.elapsed(), 300) << "the letter did not end the wait";
}

TEST_F(StartupTest, WithoutRunNothingIsShownOrStarted) {
    store.write(kApp, kSequence, kDefaultKey, QStringLiteral("c"));
    store.write(kApp, kSequence, kInstalled, QStringLiteral("yes"));
    add(QStringLiteral("Mail"), QStringLiteral("*"));
    const StartupSettings s = run({QStringLiteral("/SKWAIT=10")});
    EXPECT_TRUE(launcher.calls.empty());
    EXPECT_EQ(prompts.beeps, 0);
    EXPECT_TRUE(s.installed);
    EXPECT_EQ(s.defaultKey, QStringLiteral("c"));
    EXPECT_EQ(visibleWindows(), 0);
}

struct InstalledCase {
    const char* name;
    const char* stored;  // nullptr: no value
    const char* args;
    bool installed;
    bool kept;
    friend void PrintTo(const InstalledCase& c, std::ostream* os) { *os << c.name; }
};

class InstalledTest : public StartupTest, public ::testing::WithParamInterface<InstalledCase> {};

TEST_P(InstalledTest, InstalledReadsYesInAnyCaseAndReinstallForgetsIt) {
    const InstalledCase& c = GetParam();
    if (c.stored) store.write(kApp, kSequence, kInstalled, QString::fromUtf8(c.stored));
    const StartupSettings s = run(QString::fromUtf8(c.args).split(QLatin1Char(' ')));
    EXPECT_EQ(s.installed, c.installed);
    EXPECT_EQ(store.contains(kApp, kSequence, kInstalled), c.kept);
}

INSTANTIATE_TEST_SUITE_P(Values, InstalledTest,
                         ::testing::Values(InstalledCase{"yes", "yes", "", true, true},
                                           InstalledCase{"mixed_case", "YeS", "", true, true},
                                           InstalledCase{"other_text", "no", "", false, true},
                                           InstalledCase{"missing", nullptr, "", false, false},
                                           InstalledCase{"reinstall", "yes", "/reinstall", false, false},
                                           InstalledCase{"reinstall_nothing_stored", nullptr, "/REINSTALL",
                                                         false, false},
                                           InstalledCase{"reinstall_in_start_up_mode", "yes",
                                                         "/run /skwait=0 /reinstall", false, false}),
                         velmora::testing::caseName);

// Neither forgetting "Installed" nor saving the status window's position is
// worth a logon: the user's programs still start, and the trouble is one line.
TEST_F(StartupTest, AStoreThatRefusesWritesIsReportedAndTheListStillRuns) {
    testing::ProbeStore probe;
    writeTask(probe.inner, 1,
              {QStringLiteral("Clock"), QStringLiteral("clock"), QStringLiteral("DW"),
               QStringLiteral("ABCDEFG"), QStringLiteral("*")});
    probe.inner.write(kApp, kSequence, kInstalled, QStringLiteral("yes"));
    probe.failWrites = true;
    StartupSequence sequence(probe, launcher, prompts, clock,
                             [this](Priority, const QString& line) { diagnostics.append(line); });
    EXPECT_NO_THROW(sequence.run(
        parseSwitches({QStringLiteral("/reinstall"), QStringLiteral("/run"), QStringLiteral("/skwait=0")})));
    EXPECT_EQ(started(), QStringList{QStringLiteral("clock")});
    const std::string all = diagnostics.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(diagnostics.filter(QStringLiteral("velmora: task 1 \"Clock\": started")).size(), 1) << all;
    const QStringList troubles =
        diagnostics.filter(QRegularExpression(QStringLiteral("^velmora: (?!task )")));
    ASSERT_EQ(troubles.filter(QStringLiteral("\"Installed\" was not removed")).size(), 1) << all;
    EXPECT_EQ(troubles.filter(probe.writeError).size(), troubles.size())
        << "every trouble names the store's reason: " << all;
}

// --- the status view -------------------------------------------------------

TEST(StatusView, ShowsTextInKeyFormAndTheCaptionOnItsWindow) {
    MemoryStore store;
    LaunchWindow form(store);
    QWidget main;
    StatusView view(form, &main);
    view.setStatusText(QStringLiteral("a") + kNewline + QStringLiteral("b"));
    EXPECT_EQ(form.labelText(), QStringLiteral("a") + kNewline + QStringLiteral("b"));
    EXPECT_EQ(form.label()->text(), QStringLiteral("a\nb"));
    view.setCaption(QStringLiteral("Velmora: Launching Mail"));
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Velmora: Launching Mail"));
    view.setBusyPointer(true);
    EXPECT_EQ(mousePointer(), MousePointer::Busy);
    view.setBusyPointer(false);
    EXPECT_EQ(mousePointer(), MousePointer::Default);

    StatusView captionless(form);
    captionless.setCaption(QStringLiteral("nowhere"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Velmora"));
}

}  // namespace
}  // namespace velmora
