// ctest-timeout: 180
// The real program in start-up mode: `velmora /run` in a private configuration,
// runtime and data folder, over a store seeded here, starting real shell
// scripts that leave their evidence in files.
#include "casename.h"
#include "desktopsession.h"
#include "fakes/privatebus.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"
#include "testfiles.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <ostream>
#include <utility>
#include <vector>

// Readable QStrings in failure messages.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace velmora {
namespace {

using testing::Finished;

class StartupE2E : public ::testing::Test {
protected:
    StartupE2E() : env(testing::privateFolders(root.path(), {QStringLiteral("work")})) {}

    QString storePath() const { return testing::storeBelow(root.filePath(QStringLiteral("config"))); }
    QString work(const QString& name) const { return root.filePath(QStringLiteral("work/") + name); }

    // An executable shell script in the work folder; returns its path.
    QString script(const QString& name, const QString& body) {
        const QString path = work(name);
        EXPECT_TRUE(testing::writeFile(path, "#!/bin/sh\n" + body.toUtf8() + '\n', true))
            << name.toStdString();
        return path;
    }
    // A task whose script appends `word` to the evidence file.
    QString marker(const QString& word, const QString& before = {}) {
        const QString path = work(word + QStringLiteral(".sh"));
        EXPECT_TRUE(testing::writeMarker(path, word, work(QStringLiteral("evidence")), before))
            << path.toStdString();
        return path;
    }
    QStringList evidence() const { return testing::linesOf(work(QStringLiteral("evidence"))); }
    // The evidence once it has `lines` lines, or as it is after ten seconds.
    QStringList evidenceOf(qsizetype lines) const {
        testing::eventually([&] { return evidence().size() >= lines; });
        return evidence();
    }

    void seed(const std::function<void(SettingsStore&)>& fill) {
        SqliteStore store(storePath());
        fill(store);
    }
    void task(SettingsStore& s, int n, const QString& desc, const QString& app,
              const QString& wait = QStringLiteral("DW"), const QString& opt = QStringLiteral("ABCDEFG"),
              const QString& keys = QStringLiteral("*")) {
        writeTask(s, n, {desc, app, wait, opt, keys});
    }
    QString read(const QString& section, const QString& key) {
        SqliteStore store(storePath());
        return store.read(kApp, section, key);
    }

    Finished velmora(const QStringList& args, const QProcessEnvironment& with) {
        return testing::runToEnd(QStringLiteral(VELMORA_BINARY), args, with, 30000);
    }
    Finished velmora(const QStringList& args) { return velmora(args, env); }
    static QStringList headless() {
        return {QStringLiteral("/run"), QStringLiteral("/nodisp"), QStringLiteral("/skwait=0")};
    }

    QTemporaryDir root;
    QProcessEnvironment env;
};

// --- options that need nothing ----------------------------------------------

TEST_F(StartupE2E, HelpAndVersionPrintAndTouchNothing) {
    const Finished help = velmora({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: velmora"))) << help.out.toStdString();
    for (const char* word : {"/run", "/skwait=", "/nodisp", "/reinstall", "--preview", "--date", "--json"})
        EXPECT_TRUE(help.out.contains(QLatin1String(word))) << word;

    const Finished version = velmora({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    const QStringList lines = version.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << version.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Velmora"));
    EXPECT_EQ(lines[1], QStringLiteral("Velmora Launcher Program"));
    EXPECT_EQ(lines[2], QStringLiteral("Version 1.0.0"));
    EXPECT_FALSE(lines[3].isEmpty());

    EXPECT_TRUE(help.err.isEmpty() && version.err.isEmpty());
    EXPECT_FALSE(QFile::exists(storePath()));
    EXPECT_TRUE(QDir(root.filePath(QStringLiteral("runtime"))).isEmpty()) << "not even the lock";
}

// Without a display the main window cannot be shown, and says so before it
// opens the store; a run at logon starts its tasks all the same.
TEST_F(StartupE2E, WithoutADesktopOnlyTheMainWindowGivesUp) {
    const Finished editing = velmora({});
    EXPECT_EQ(editing.exitCode, 1);
    EXPECT_FALSE(editing.crashed);
    ASSERT_EQ(editing.errLines().size(), 1) << editing.err.toStdString();
    EXPECT_TRUE(editing.err.contains(QStringLiteral("desktop session"))) << editing.err.toStdString();
    EXPECT_TRUE(editing.err.contains(QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set")))
        << editing.err.toStdString();
    EXPECT_FALSE(QFile::exists(storePath())) << "it stopped before opening the store";

    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("Mark"), marker(QStringLiteral("mark")), QStringLiteral("0"));
    });
    const QString started = QStringLiteral("velmora: task 1 \"Mark\": started and finished");
    const QString why = QStringLiteral(
        "velmora: neither DISPLAY nor WAYLAND_DISPLAY is set; the tasks are started "
        "without windows and with the stored default key.");
    for (const QStringList& args : {QStringList{QStringLiteral("/run")},
                                    QStringList{QStringLiteral("/run"), QStringLiteral("/nodisp")}}) {
        const Finished o = velmora(args);
        EXPECT_EQ(o.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_FALSE(o.crashed);
        EXPECT_EQ(o.errLines(), (QStringList{why, started})) << args.join(' ').toStdString();
    }
    const Finished hidden = velmora(headless());
    EXPECT_EQ(hidden.exitCode, 0);
    EXPECT_EQ(hidden.errLines(), QStringList{started})
        << "a run that shows no window has nothing to say about displays";
    EXPECT_EQ(evidence(), QStringList(3, QStringLiteral("mark")));
}

// --- what runs --------------------------------------------------------------

TEST_F(StartupE2E, RunsTheListInOrderWithItsFilters) {
    const QDate today = QDate::currentDate();
    const QString letter = QString(weekdayLetter(today));
    QString otherDays = QStringLiteral("ABCDEFG");
    otherDays.remove(letter);
    seed([&](SettingsStore& s) {
        s.write(kApp, kSequence, kDefaultKey, QStringLiteral("b"));
        task(s, 1, QStringLiteral("First"), marker(QStringLiteral("first")), QStringLiteral("0"));
        task(s, 2, QStringLiteral("Only a"), marker(QStringLiteral("only_a")), QStringLiteral("0"),
             QStringLiteral("ABCDEFG"), QStringLiteral("a"));
        task(s, 3, QStringLiteral("In b"), marker(QStringLiteral("in_b")), QStringLiteral("0"),
             QStringLiteral("ABCDEFG"), QStringLiteral("ab"));
        task(s, 4, QStringLiteral("Not today"), marker(QStringLiteral("not_today")), QStringLiteral("0"),
             otherDays);
        task(s, 5, QStringLiteral("Today"), marker(QStringLiteral("today")), QStringLiteral("0"), letter);
        task(s, 6, QStringLiteral("Once"), marker(QStringLiteral("once")), QStringLiteral("0"),
             QStringLiteral("ABCDEFGO"));
        // A gap ends the list.
        task(s, 8, QStringLiteral("Hidden"), marker(QStringLiteral("hidden")), QStringLiteral("0"));
    });

    const Finished first = velmora(headless());
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_EQ(evidence(), (QStringList{QStringLiteral("first"), QStringLiteral("in_b"),
                                       QStringLiteral("today"), QStringLiteral("once")}));
    EXPECT_EQ(read(kSequence, taskKey(TaskField::Opt, 6)), dateStamp(today) + QStringLiteral("ABCDEFGO"));

    const QString dayName = QLocale::c().dayName(today.dayOfWeek());
    const QStringList expected{
        QStringLiteral("velmora: task 1 \"First\": started and finished"),
        QStringLiteral("velmora: task 2 \"Only a\": skipped: not in configuration 'b'"),
        QStringLiteral("velmora: task 3 \"In b\": started and finished"),
        QStringLiteral("velmora: task 4 \"Not today\": skipped: not on ") + dayName,
        QStringLiteral("velmora: task 5 \"Today\": started and finished"),
        QStringLiteral("velmora: task 6 \"Once\": started and finished"),
    };
    EXPECT_EQ(first.errLines(), expected);

    const Finished again = velmora(headless());
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(evidence().count(QStringLiteral("once")), 1) << "once-only ran once today";
    EXPECT_TRUE(again.errLines().contains(
        QStringLiteral("velmora: task 6 \"Once\": skipped: already ran today (once only)")));
    EXPECT_EQ(read(kSequence, kDefaultKey), QStringLiteral("b"));
}

TEST_F(StartupE2E, WaitsUntilFinishedOnlyWhenAskedTo) {
    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("Slow, waited for"),
             marker(QStringLiteral("slow_waited"), QStringLiteral("sleep 0.5")), QStringLiteral("0"));
        task(s, 2, QStringLiteral("Slow, not waited for"),
             marker(QStringLiteral("slow_free"), QStringLiteral("sleep 1")), QStringLiteral("DW"));
        task(s, 3, QStringLiteral("Last"), marker(QStringLiteral("last")), QStringLiteral("0"));
    });
    const Finished o = velmora(headless());
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(evidence(), (QStringList{QStringLiteral("slow_waited"), QStringLiteral("last")}))
        << "velmora ended before the script it did not wait for";
    EXPECT_EQ(evidenceOf(3), (QStringList{QStringLiteral("slow_waited"), QStringLiteral("last"),
                                          QStringLiteral("slow_free")}));
}

TEST_F(StartupE2E, ASecondsWaitHoldsTheNextTaskBack) {
    const QString stamp = QStringLiteral("date +%s%N >> ") + work(QStringLiteral("times"));
    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("Mail"), script(QStringLiteral("a.sh"), stamp), QStringLiteral("1"));
        task(s, 2, QStringLiteral("After"), script(QStringLiteral("b.sh"), stamp), QStringLiteral("0"));
    });
    const Finished o = velmora(headless());
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    QFile f(work(QStringLiteral("times")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> times = f.readAll().split('\n');
    ASSERT_GE(times.size(), 2);
    const qint64 gapMs = (times[1].toLongLong() - times[0].toLongLong()) / 1000000;
    EXPECT_GE(gapMs, 950) << "the second counts from the start of the first";
    EXPECT_GE(o.ms, 1000);
}

TEST_F(StartupE2E, ADesktopEntryIsLaunchedAsAnEntryAlsoWhenWaitedFor) {
    const QString entry = work(QStringLiteral("note.desktop"));
    {
        QFile f(entry);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Desktop Entry]\nType=Application\nName=Note\nExec=" +
                marker(QStringLiteral("document")).toUtf8() + "\n");
    }
    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("Not waited for"), entry, QStringLiteral("DW"));
        task(s, 2, QStringLiteral("Waited for"), entry, QStringLiteral("0"));
    });
    const Finished o = velmora(headless());
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(evidenceOf(2), (QStringList{QStringLiteral("document"), QStringLiteral("document")}));
    EXPECT_EQ(o.errLines(),
              (QStringList{QStringLiteral("velmora: task 1 \"Not waited for\": started"),
                           QStringLiteral("velmora: task 2 \"Waited for\": started and finished")}));
}

TEST_F(StartupE2E, SelectionPhaseOnTheOffscreenPlatform) {
    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("Mark"), marker(QStringLiteral("mark")), QStringLiteral("0"));
    });
    QProcessEnvironment offscreen = env;
    offscreen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const Finished o = velmora({QStringLiteral("/RUN"), QStringLiteral("/SKWAIT=1")}, offscreen);
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_GE(o.ms, 1000) << "the selection window waited its second";
    EXPECT_EQ(evidence(), QStringList{QStringLiteral("mark")});
    EXPECT_TRUE(read(kWindow, kLocation2).isEmpty()) << "a window on no real screen keeps no placement";
}

// --- sessions whose display cannot be used -------------------------------------

struct Session {
    const char* name;
    // "<stale>": an X display with no server and no socket; "<silent>": one
    // whose socket takes connections and never answers.
    std::vector<std::pair<const char*, const char*>> vars;
    friend void PrintTo(const Session& s, std::ostream* os) { *os << s.name; }
};

class UnusableDisplay : public StartupE2E, public ::testing::WithParamInterface<Session> {};

// A run that shows no window never opens a display nor sets up a window
// system: what the environment says about one does not matter.
TEST_P(UnusableDisplay, TheHiddenRunStartsItsTasks) {
    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("Mark"), marker(QStringLiteral("mark")), QStringLiteral("0"));
    });
    const testing::DeadXDisplay stale(testing::DeadXDisplay::Kind::NoSocket);
    const testing::DeadXDisplay silent(testing::DeadXDisplay::Kind::Silent);
    QProcessEnvironment with = env;
    for (const auto& [name, value] : GetParam().vars) {
        const QString dead = qstrcmp(value, "<stale>") == 0    ? stale.display()
                             : qstrcmp(value, "<silent>") == 0 ? silent.display()
                                                               : QString();
        with.insert(QLatin1String(name), dead.isEmpty() ? QLatin1String(value) : dead);
    }
    const Finished o = velmora(headless(), with);
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_FALSE(o.crashed);
    EXPECT_FALSE(silent.connectedTo()) << "the run connected to the display";
    EXPECT_EQ(evidence(), QStringList{QStringLiteral("mark")});
    EXPECT_EQ(o.errLines(), QStringList{QStringLiteral("velmora: task 1 \"Mark\": started and finished")});
    EXPECT_TRUE(read(kWindow, kLocation2).isEmpty()) << "no window, no position";
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, UnusableDisplay,
    ::testing::Values(Session{"NoDisplay", {}}, Session{"StaleXDisplay", {{"DISPLAY", "<stale>"}}},
                      Session{"SilentXDisplay", {{"DISPLAY", "<silent>"}}},
                      Session{"StaleWaylandDisplay",
                              {{"WAYLAND_DISPLAY", "wayland-velmora-none"}, {"XDG_SESSION_TYPE", "wayland"}}},
                      Session{"UnknownPlatformPlugin",
                              {{"DISPLAY", "<stale>"}, {"QT_QPA_PLATFORM", "velmora-none"}}}),
    velmora::testing::caseName);

// With an X display and a Wayland display both named, the windows go to X,
// where they can be placed; the tasks do not inherit that choice.
TEST_F(StartupE2E, AnXDisplayIsPreferredOverWayland) {
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (!testing::XServer::installed() || xdotool.isEmpty())
        GTEST_SKIP() << "Xvfb and xdotool are needed (Debian xvfb, xdotool)";
    const testing::XServer server;
    const QString display = server.display();
    ASSERT_FALSE(display.isEmpty()) << "no X server could be started";

    // The task looks for the status window on the X display while it is shown.
    const QString found = work(QStringLiteral("found"));
    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("Look"),
             script(QStringLiteral("look.sh"),
                    QStringLiteral(
                        "env > %1\nfor i in $(seq 100); do\n"
                        "  %2 search --onlyvisible --name '^Velmora$' > %3 && break\n  sleep 0.1\ndone\n")
                        .arg(work(QStringLiteral("env")), xdotool, found)),
             QStringLiteral("0"));
    });
    QProcessEnvironment with = env;
    with.insert(QStringLiteral("DISPLAY"), display);
    with.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-velmora-none"));
    with.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    const Finished o = velmora({QStringLiteral("/run"), QStringLiteral("/skwait=0")}, with);
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    QFile window(found);
    ASSERT_TRUE(window.open(QIODevice::ReadOnly)) << "the task ran";
    EXPECT_FALSE(window.readAll().trimmed().isEmpty()) << "the status window was on the X display";
    QFile taskEnv(work(QStringLiteral("env")));
    ASSERT_TRUE(taskEnv.open(QIODevice::ReadOnly));
    const QString inherited = QString::fromUtf8(taskEnv.readAll());
    EXPECT_FALSE(inherited.contains(QStringLiteral("\nQT_QPA_PLATFORM=")))
        << "the choice stays Velmora's own";
    EXPECT_TRUE(inherited.contains(QStringLiteral("\nWAYLAND_DISPLAY=wayland-velmora-none")));
}

// --- systemd ---------------------------------------------------------------------

// With the user's manager on the session bus, every program the run starts is
// moved out of Velmora's unit into a scope of its own.
TEST_F(StartupE2E, EveryStartedProgramIsGivenItsOwnScope) {
    testing::PrivateBus bus(work(QString()));
    if (!bus.running()) GTEST_SKIP() << bus.why().toStdString();
    ASSERT_TRUE(bus.startManager());
    const auto program = [&](const QString& name) {
        return script(
            name, QStringLiteral("echo $$ > %1.tmp\nmv %1.tmp %1").arg(work(name + QStringLiteral(".pid"))));
    };
    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("Waited for"), program(QStringLiteral("first")), QStringLiteral("0"));
        task(s, 2, QStringLiteral("Not waited for"), program(QStringLiteral("second")));
    });
    QProcessEnvironment with = env;
    with.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromUtf8(bus.address()));
    const Finished o = velmora(headless(), with);
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();

    QStringList expected;
    for (const QString& name : {QStringLiteral("first"), QStringLiteral("second")}) {
        QFile pidFile(work(name + QStringLiteral(".pid")));
        testing::eventually([&] { return pidFile.exists(); });
        ASSERT_TRUE(pidFile.open(QIODevice::ReadOnly)) << name.toStdString();
        const QString pid = QString::fromUtf8(pidFile.readAll()).trimmed();
        expected << QStringLiteral("app-velmora-%1-%2.scope fail %2 app.slice").arg(name, pid);
    }
    EXPECT_EQ(bus.calls(), expected);
}

// --- one instance ---------------------------------------------------------------

TEST_F(StartupE2E, ASecondInstanceEndsAtOnceAndTheLockDiesWithTheFirst) {
    const QString pidFile = work(QStringLiteral("long.pid"));
    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("Long"),
             script(QStringLiteral("long.sh"),
                    QStringLiteral("echo $$ > %1\necho long >> %2\nexec sleep 60 >/dev/null 2>&1")
                        .arg(pidFile, work(QStringLiteral("evidence")))),
             QStringLiteral("0"));
    });
    const auto first = testing::launch(QStringLiteral(VELMORA_BINARY), headless(), env);
    ASSERT_TRUE(first);
    ASSERT_EQ(evidenceOf(1), QStringList{QStringLiteral("long")});

    // Whatever its switches, even without a desktop, and before it reads anything.
    for (const QStringList& args : {headless(), QStringList{}, QStringList{QStringLiteral("/run")}}) {
        const Finished second = velmora(args);
        EXPECT_EQ(second.exitCode, 0);
        EXPECT_TRUE(second.err.isEmpty()) << second.err.toStdString();
    }
    EXPECT_EQ(evidence(), QStringList{QStringLiteral("long")});

    // /UNINSTALL undoes nothing then, and must not pass for done: an
    // installed autostart folder stays as it is, and it says why.
    const QString autostart = root.filePath(QStringLiteral("config/autostart"));
    const QString moved = root.filePath(QStringLiteral("data/velmora/startup"));
    ASSERT_TRUE(QDir().mkpath(autostart) && QDir().mkpath(moved));
    ASSERT_TRUE(testing::writeFile(autostart + QStringLiteral("/Velmora Launcher.desktop"),
                                   "[Desktop Entry]\nType=Application\nName=Velmora Launcher\nExec=" +
                                       QFile::encodeName(QStringLiteral(VELMORA_BINARY)) + " /run\n",
                                   false));
    ASSERT_TRUE(testing::writeFile(moved + QStringLiteral("/a.desktop"),
                                   "[Desktop Entry]\nType=Application\nExec=true\n", false));
    const QStringList installed = testing::folderSnapshot(autostart);
    const Finished uninstall = velmora({QStringLiteral("/uninstall")});
    EXPECT_EQ(uninstall.exitCode, 1);
    EXPECT_EQ(uninstall.err, QStringLiteral("velmora: Velmora is running; nothing has been uninstalled.\n"));
    EXPECT_EQ(uninstall.out, QString());
    EXPECT_EQ(testing::folderSnapshot(autostart), installed);
    EXPECT_EQ(QDir(moved).entryList(QDir::Files), QStringList{QStringLiteral("a.desktop")});

    // The first dies hard while its child lives on: the lock goes with it.
    ::kill(pid_t(first->processId()), SIGKILL);
    testing::finish(*first);
    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("Third"), marker(QStringLiteral("third")), QStringLiteral("0"));
    });
    const Finished third = velmora(headless());
    EXPECT_EQ(third.exitCode, 0);
    EXPECT_EQ(evidence(), (QStringList{QStringLiteral("long"), QStringLiteral("third")}));

    QFile pid(pidFile);
    if (pid.open(QIODevice::ReadOnly)) ::kill(pid_t(pid.readAll().trimmed().toLongLong()), SIGKILL);
}

// --- a store it cannot use --------------------------------------------------------

TEST_F(StartupE2E, AnUnusableStoreIsNamedAndLeftAlone) {
    QDir().mkpath(QFileInfo(storePath()).absolutePath());
    QByteArray garbage(4096, '\0');
    for (int i = 0; i < garbage.size(); ++i) garbage[i] = char((i * 131 + 7) % 251);
    {
        QFile f(storePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(garbage);
    }
    const QStringList before = QDir(QFileInfo(storePath()).absolutePath()).entryList(QDir::Files);
    const Finished o = velmora(headless());
    EXPECT_NE(o.exitCode, 0);
    EXPECT_FALSE(o.crashed);
    ASSERT_EQ(o.errLines().size(), 1) << o.err.toStdString();
    EXPECT_TRUE(o.err.contains(storePath())) << o.err.toStdString();
    QFile f(storePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), garbage);
    EXPECT_EQ(QDir(QFileInfo(storePath()).absolutePath()).entryList(QDir::Files), before);
}

}  // namespace
}  // namespace velmora
