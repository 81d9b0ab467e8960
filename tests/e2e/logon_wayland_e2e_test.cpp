// ctest-timeout: 300
// The real program in a native Wayland session: a headless sway, velmora on
// Qt's Wayland platform, keys typed with wtype into whatever has the focus.
// sway refuses to run as root, so when the test runs as root the compositor,
// the program and every tool run as an unprivileged user.
#include "casename.h"
#include "store/tasklayout.h"
#include "waylandsession.h"

#include <QJsonObject>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <ostream>

namespace velmora {
namespace {

using testing::eventually;

// The program on Qt's Wayland platform, as the user's QT_QPA_PLATFORM asks.
class LogonWayland : public testing::WaylandSession {
protected:
    void startVelmora(const QStringList& args, bool traced = false) {
        QProcessEnvironment with = env;
        with.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        WaylandSession::startVelmora(args, traced ? tracingProtocol(with) : with);
    }
};

// Keys as a person gives them to the selection window: each ends the wait at
// once, the letter with its configuration, the others with the default key.
struct SelectionKey {
    const char* name;
    QString typed;    // text typed, or
    QString keysym;   // a key pressed
    QString started;  // the task that runs
};
void PrintTo(const SelectionKey& k, std::ostream* os) { *os << k.name; }

class LogonWaylandKeys : public LogonWayland, public ::testing::WithParamInterface<SelectionKey> {};

TEST_P(LogonWaylandKeys, EndTheWaitAsOnX11) {
    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("bee"), QStringLiteral("b"));
        task(s, 2, QStringLiteral("ant"), QStringLiteral("a"));
        s.write(kApp, kSequence, kDefaultKey, QStringLiteral("a"));
    });
    // Far longer than the test waits for the program to end.
    startVelmora({QStringLiteral("/run"), QStringLiteral("/skwait=60")}, true);
    ASSERT_TRUE(eventually([&] { return selectionWindowUp(); }, 15000)) << diagnostics();
    if (GetParam().keysym.isEmpty()) type(GetParam().typed);
    else press(GetParam().keysym);
    ASSERT_TRUE(velmoraEnded(15000)) << "the key did not end the wait";
    eventually([&] { return !evidence().isEmpty(); }, 5000);
    EXPECT_EQ(evidence(), QStringList{GetParam().started}) << diagnostics();
}

INSTANTIATE_TEST_SUITE_P(
    Keys, LogonWaylandKeys,
    ::testing::Values(SelectionKey{"Letter", QStringLiteral("b"), {}, QStringLiteral("bee")},
                      SelectionKey{"ShiftedLetter", QStringLiteral("B"), {}, QStringLiteral("bee")},
                      SelectionKey{"Enter", {}, QStringLiteral("Return"), QStringLiteral("ant")},
                      // The overlay has no close button; Escape stands in for it.
                      SelectionKey{"Escape", {}, QStringLiteral("Escape"), QStringLiteral("ant")}),
    velmora::testing::caseName);

// At a real logon other programs map windows while the selection window
// waits, and sway gives the newest the focus: the letter must reach the
// selection window all the same, every time.
TEST_F(LogonWayland, TheLetterReachesTheSelectionWindowThoughAnotherWindowMapsAfterIt) {
    const QString foot = QStandardPaths::findExecutable(QStringLiteral("foot"));
    if (foot.isEmpty()) GTEST_SKIP() << "foot is not installed (scripts/deps.sh installs it)";
    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("bee"), QStringLiteral("b"));
        task(s, 2, QStringLiteral("ant"), QStringLiteral("a"));
    });
    const auto startOther = [&] {
        return launchAs(foot,
                        {QStringLiteral("--title"), QStringLiteral("other"), QStringLiteral("sleep"),
                         QStringLiteral("600")},
                        env);
    };
    {
        // Started once before the runs: its first start in a fresh home
        // builds the user's font cache, which on a busy machine takes longer
        // than any window should take to map.
        std::unique_ptr<QProcess> first = startOther();
        ASSERT_TRUE(first);
        ASSERT_FALSE(waitForWindow(QStringLiteral("other"), 120000).isEmpty())
            << "foot never mapped a window";
        testing::stop(first);
        ASSERT_TRUE(eventually([&] { return windowTitled(QStringLiteral("other")).isEmpty(); }));
    }
    for (int run = 1; run <= 10; ++run) {
        SCOPED_TRACE(::testing::Message() << "run " << run);
        QFile::remove(work(QStringLiteral("evidence")));
        // A lost letter ends the wait with no choice, and every task runs.
        startVelmora({QStringLiteral("/run"), QStringLiteral("/skwait=8")}, true);
        ASSERT_TRUE(eventually([&] { return selectionWindowUp(); }, 15000)) << diagnostics();
        QThread::msleep(300);
        std::unique_ptr<QProcess> other = startOther();
        ASSERT_TRUE(other);
        ASSERT_FALSE(waitForWindow(QStringLiteral("other")).isEmpty()) << "the other window never mapped";
        type(QStringLiteral("b"));
        ASSERT_TRUE(velmoraEnded(15000));
        eventually([&] { return !evidence().isEmpty(); }, 5000);
        EXPECT_EQ(evidence(), QStringList{QStringLiteral("bee")}) << diagnostics();
        testing::stop(other);
    }
}

TEST_F(LogonWayland, TheMainWindowKeepsItsSizeAndTheStoredPositionOverFiveStarts) {
    const QString placed = QStringLiteral("1500;2250;4500;7500;0");  // 500 x 300 px
    seed([&](SettingsStore& s) { s.write(kApp, kWindow, QStringLiteral("Location"), placed); });
    for (int start = 1; start <= 5; ++start) {
        startVelmora({});
        const QJsonObject window = waitForWindow(QStringLiteral("Velmora"));
        ASSERT_FALSE(window.isEmpty()) << "start " << start << ": " << diagnostics();
        const QJsonObject shown = window.value(QStringLiteral("window_rect")).toObject();
        EXPECT_EQ(shown.value(QStringLiteral("width")).toInt(), 500) << "start " << start;
        EXPECT_EQ(shown.value(QStringLiteral("height")).toInt(), 300) << "start " << start;
        ASSERT_TRUE(
            swaymsg({QStringLiteral("[pid=%1] kill").arg(window.value(QStringLiteral("pid")).toInt())}));
        ASSERT_TRUE(velmoraEnded(10000)) << "closing the main window ends the program";
        EXPECT_EQ(read(QStringLiteral("Window"), QStringLiteral("Location")), placed)
            << "start " << start << ": " << diagnostics();
    }
}

struct ClosedWindow {
    const char* name;
    QStringList args;
};
void PrintTo(const ClosedWindow& w, std::ostream* os) { *os << w.name; }

class LogonWaylandClosing : public LogonWayland, public ::testing::WithParamInterface<ClosedWindow> {};

// The toolkit's teardown of the compositor connection hangs now and then; a
// program that stays after its window closed holds the instance lock, and
// the next start does nothing. Many closes make a rare hang likely to show.
TEST_P(LogonWaylandClosing, EndsTheProgramEveryTime) {
    for (int start = 1; start <= 25; ++start) {
        startVelmora(GetParam().args);
        const QJsonObject window = waitForWindow(QStringLiteral("Velmora"));
        ASSERT_FALSE(window.isEmpty()) << "start " << start << ": " << diagnostics();
        ASSERT_TRUE(
            swaymsg({QStringLiteral("[pid=%1] kill").arg(window.value(QStringLiteral("pid")).toInt())}));
        ASSERT_TRUE(velmoraEnded(10000))
            << "start " << start << ": the program stayed after its window closed";
        EXPECT_TRUE(velmoraSucceeded()) << "start " << start << ": " << diagnostics();
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, LogonWaylandClosing,
                         ::testing::Values(ClosedWindow{"MainWindow", {}},
                                           ClosedWindow{"UninstallMessage", {QStringLiteral("/UNINSTALL")}}),
                         velmora::testing::caseName);

}  // namespace
}  // namespace velmora
