// ctest-timeout: 180
// The real program at a logon whose X display is gone: DISPLAY names a number
// whose server crashed (its socket file stays, nobody listens) or never was
// (no socket at all), as a crashed XWayland or a variable left over from an
// earlier session leaves it. The toolkit would end the process on such a
// display; the run starts its tasks all the same, without windows or on a
// Wayland display that answers, and says once why.
#include "casename.h"
#include "desktopsession.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"
#include "waylandsession.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>

namespace velmora {
namespace {

using testing::DeadXDisplay;
using testing::Finished;

class DeadDisplay : public ::testing::Test {
protected:
    DeadDisplay() : env(testing::privateFolders(root.path(), {QStringLiteral("work")})) {}

    QString storePath() const { return testing::storeBelow(root.filePath(QStringLiteral("config"))); }
    QString work(const QString& name) const { return root.filePath(QStringLiteral("work/") + name); }
    QString marker(const QString& word) {
        const QString path = work(word + QStringLiteral(".sh"));
        EXPECT_TRUE(testing::writeMarker(path, word, work(QStringLiteral("evidence")))) << path.toStdString();
        return path;
    }
    QStringList evidence() const { return testing::linesOf(work(QStringLiteral("evidence"))); }
    void seed(const std::function<void(SettingsStore&)>& fill) {
        SqliteStore store(storePath());
        fill(store);
    }
    Finished velmora(const QStringList& args, const QProcessEnvironment& with) {
        return testing::runToEnd(QStringLiteral(VELMORA_BINARY), args, with, 30000);
    }

    QTemporaryDir root;
    QProcessEnvironment env;
};

struct DeadSession {
    const char* name;
    DeadXDisplay::Kind kind;
    const char* wayland;  // WAYLAND_DISPLAY; nullptr: unset
    const char* chosen;   // QT_QPA_PLATFORM
    const char* why;      // what the warning says before its consequence; %1: the dead X display
    friend void PrintTo(const DeadSession& s, std::ostream* os) { *os << s.name; }
};

class LogonWithoutAnyDisplay : public DeadDisplay, public ::testing::WithParamInterface<DeadSession> {};

// The selection wait would show a window; with nothing to show it on, the
// stored default key applies at once and every task of that configuration
// starts.
TEST_P(LogonWithoutAnyDisplay, StartsTheTasksOfTheDefaultKeyAndSaysWhyOnce) {
    const DeadSession& c = GetParam();
    const DeadXDisplay dead(c.kind);
    seed([&](SettingsStore& s) {
        s.write(kApp, kSequence, kDefaultKey, QStringLiteral("b"));
        writeTask(s, 1,
                  {QStringLiteral("First"), marker(QStringLiteral("first")), QStringLiteral("DW"),
                   QStringLiteral("ABCDEFG"), QStringLiteral("*")});
        writeTask(s, 2,
                  {QStringLiteral("In b"), marker(QStringLiteral("in_b")), QStringLiteral("0"),
                   QStringLiteral("ABCDEFG"), QStringLiteral("b")});
        writeTask(s, 3,
                  {QStringLiteral("Only a"), marker(QStringLiteral("only_a")), QStringLiteral("0"),
                   QStringLiteral("ABCDEFG"), QStringLiteral("a")});
        writeTask(s, 4,
                  {QStringLiteral("Last"), marker(QStringLiteral("last")), QStringLiteral("0"),
                   QStringLiteral("ABCDEFG"), QStringLiteral("*")});
    });
    QProcessEnvironment with = env;
    with.insert(QStringLiteral("DISPLAY"), dead.display());
    if (c.wayland) with.insert(QStringLiteral("WAYLAND_DISPLAY"), QLatin1String(c.wayland));
    if (c.chosen) with.insert(QStringLiteral("QT_QPA_PLATFORM"), QLatin1String(c.chosen));

    const Finished o = velmora({QStringLiteral("/run"), QStringLiteral("/skwait=5")}, with);

    EXPECT_FALSE(o.crashed);
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    // The first task is not waited for: its evidence may come last.
    testing::eventually([&] { return evidence().size() >= 3; });
    QStringList started = evidence();
    std::sort(started.begin(), started.end());
    EXPECT_EQ(started,
              (QStringList{QStringLiteral("first"), QStringLiteral("in_b"), QStringLiteral("last")}));
    EXPECT_EQ(o.errLines(),
              (QStringList{QStringLiteral("velmora: ") + QString::fromUtf8(c.why).arg(dead.display()) +
                               QStringLiteral("; the tasks are started without windows and with the stored "
                                              "default key."),
                           QStringLiteral("velmora: task 1 \"First\": started"),
                           QStringLiteral("velmora: task 2 \"In b\": started and finished"),
                           QStringLiteral("velmora: task 3 \"Only a\": skipped: not in configuration 'b'"),
                           QStringLiteral("velmora: task 4 \"Last\": started and finished")}));
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, LogonWithoutAnyDisplay,
    ::testing::Values(DeadSession{"StaleXSocket", DeadXDisplay::Kind::StaleSocket, nullptr, nullptr,
                                  "the X display %1 does not answer and WAYLAND_DISPLAY is not set"},
                      DeadSession{"NoXSocket", DeadXDisplay::Kind::NoSocket, nullptr, nullptr,
                                  "the X display %1 does not answer and WAYLAND_DISPLAY is not set"},
                      DeadSession{
                          "WaylandGoneToo", DeadXDisplay::Kind::StaleSocket, "wayland-velmora-none", nullptr,
                          "neither the X display %1 nor the Wayland display wayland-velmora-none answers"},
                      DeadSession{"XcbChosenByTheUser", DeadXDisplay::Kind::StaleSocket, nullptr, "xcb",
                                  "the X display %1 does not answer and WAYLAND_DISPLAY is not set"}),
    velmora::testing::caseName);

TEST_F(DeadDisplay, TheMainWindowNamesTheDisplayThatDoesNotAnswer) {
    const DeadXDisplay dead(DeadXDisplay::Kind::StaleSocket);
    QProcessEnvironment with = env;
    with.insert(QStringLiteral("DISPLAY"), dead.display());
    const Finished o = velmora({}, with);
    EXPECT_FALSE(o.crashed);
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(
        o.errLines(),
        QStringList{QStringLiteral("velmora: a desktop session is needed: the X display %1 does not answer "
                                   "and WAYLAND_DISPLAY is not set; only \"velmora /run\" runs without one.")
                        .arg(dead.display())});
    EXPECT_FALSE(QFile::exists(storePath())) << "it stopped before opening the store";
}

// /UNINSTALL with a display that does not answer says what it did in lines,
// exactly as without any display.
TEST_F(DeadDisplay, UninstallWritesItsLinesAsWithoutADisplay) {
    const Finished without = velmora({QStringLiteral("/uninstall")}, env);
    const DeadXDisplay dead(DeadXDisplay::Kind::StaleSocket);
    QProcessEnvironment with = env;
    with.insert(QStringLiteral("DISPLAY"), dead.display());
    const Finished o = velmora({QStringLiteral("/uninstall")}, with);
    EXPECT_FALSE(o.crashed);
    EXPECT_EQ(o.exitCode, without.exitCode) << o.err.toStdString();
    EXPECT_FALSE(o.out.isEmpty());
    EXPECT_EQ(o.out, without.out);
    EXPECT_EQ(o.err, without.err);
}

// A session whose XWayland is gone while the compositor lives: the windows
// go to the compositor, where the letter pressed chooses the configuration.
class DeadXBesideWayland : public testing::WaylandSession {};

TEST_F(DeadXBesideWayland, TheWindowsGoToWaylandAndTheLetterIsReceived) {
    const DeadXDisplay dead(DeadXDisplay::Kind::StaleSocket);
    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("bee"), QStringLiteral("b"));
        task(s, 2, QStringLiteral("ant"), QStringLiteral("a"));
        task(s, 3, QStringLiteral("all"), QStringLiteral("*"));
    });
    QProcessEnvironment with = env;
    with.insert(QStringLiteral("DISPLAY"), dead.display());
    startVelmora({QStringLiteral("/run"), QStringLiteral("/skwait=30")}, tracingProtocol(with));
    ASSERT_TRUE(testing::eventually([&] { return selectionWindowUp(); })) << diagnostics();
    ASSERT_TRUE(testing::eventually(
        [&] {
            type(QStringLiteral("b"));
            return velmoraEnded(300);
        },
        20000))
        << "the letter never ended the wait";
    EXPECT_TRUE(velmoraSucceeded());
    testing::eventually([&] { return evidence().size() >= 2; }, 5000);
    QStringList started = evidence();
    std::sort(started.begin(), started.end());
    EXPECT_EQ(started, (QStringList{QStringLiteral("all"), QStringLiteral("bee")}));

    const QStringList lines =
        QString::fromStdString(diagnostics()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QString warning = QStringLiteral(
                                "velmora: the X display %1 does not answer; the windows go to the "
                                "Wayland display %2.")
                                .arg(dead.display(), env.value(QStringLiteral("WAYLAND_DISPLAY")));
    EXPECT_EQ(lines.filter(QStringLiteral("display")), QStringList{warning})
        << lines.join('\n').toStdString();
    for (const char* task : {"task 1 \"bee\": started", "task 2 \"ant\": skipped", "task 3 \"all\": started"})
        EXPECT_EQ(lines.filter(QLatin1String(task)).size(), 1) << task << "\n"
                                                               << lines.join('\n').toStdString();
}

}  // namespace
}  // namespace velmora
