// ctest-timeout: 180
// The real program in start-up mode: `velmora /run` in a private configuration,
// runtime and data folder, over a store seeded here, starting real shell
// scripts that leave their evidence in files.
#include "store/sqlitestore.h"
#include "store/tasklayout.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>

namespace velmora {
namespace {

struct Outcome {
    int exitCode = -1;
    bool crashed = false;
    QString out, err;
    qint64 ms = 0;
    QStringList errLines() const { return err.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

class StartupE2E : public ::testing::Test {
protected:
    StartupE2E() {
        for (const char* sub : {"config", "data", "runtime", "work"}) QDir(root.path()).mkpath(QLatin1String(sub));
        QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("runtime")));
        // No desktop: the headless run must manage without one.
        for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QLatin1String(var));
    }

    QString storePath() const { return root.filePath(QStringLiteral("config/velmora/settings.db")); }
    QString work(const QString& name) const { return root.filePath(QStringLiteral("work/") + name); }

    // An executable shell script in the work folder; returns its path.
    QString script(const QString& name, const QString& body) {
        const QString path = work(name);
        EXPECT_TRUE(testing::writeFile(path, "#!/bin/sh\n" + body.toUtf8() + '\n', true)) << name.toStdString();
        return path;
    }
    // A task whose script appends `word` to the evidence file.
    QString marker(const QString& word, const QString& before = {}) {
        return script(word + QStringLiteral(".sh"),
                      before + QStringLiteral("\necho %1 >> %2").arg(word, work(QStringLiteral("evidence"))));
    }
    QStringList evidence() const {
        QFile f(work(QStringLiteral("evidence")));
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
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

    QProcess* start(const QStringList& args, const QProcessEnvironment& with) {
        auto* p = new QProcess;
        p->setProgram(QStringLiteral(VELMORA_BINARY));
        p->setArguments(args);
        p->setProcessEnvironment(with);
        p->start();
        EXPECT_TRUE(p->waitForStarted(10000));
        p->closeWriteChannel();
        return p;
    }
    Outcome finish(QProcess* p, int timeoutMs = 30000) {
        std::unique_ptr<QProcess> owned(p);
        QElapsedTimer t;
        t.start();
        if (!p->waitForFinished(timeoutMs)) {
            ADD_FAILURE() << "velmora did not end within " << timeoutMs << " ms";
            p->kill();
            p->waitForFinished();
        }
        Outcome o;
        o.exitCode = p->exitCode();
        o.crashed = p->exitStatus() == QProcess::CrashExit;
        o.out = QString::fromUtf8(p->readAllStandardOutput());
        o.err = QString::fromUtf8(p->readAllStandardError());
        return o;
    }
    Outcome velmora(const QStringList& args, const QProcessEnvironment& with) {
        QElapsedTimer t;
        t.start();
        Outcome o = finish(start(args, with));
        o.ms = t.elapsed();
        return o;
    }
    Outcome velmora(const QStringList& args) { return velmora(args, env); }
    static QStringList headless() {
        return {QStringLiteral("/run"), QStringLiteral("/nodisp"), QStringLiteral("/skwait=0")};
    }

    QTemporaryDir root;
    QProcessEnvironment env;
};

// --- options that need nothing ----------------------------------------------

TEST_F(StartupE2E, HelpAndVersionPrintAndTouchNothing) {
    const Outcome help = velmora({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: velmora"))) << help.out.toStdString();
    for (const char* word : {"/run", "/skwait=", "/nodisp", "/reinstall", "--preview", "--date", "--json"})
        EXPECT_TRUE(help.out.contains(QLatin1String(word))) << word;

    const Outcome version = velmora({QStringLiteral("--version")});
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

TEST_F(StartupE2E, WithoutADesktopOnlyTheHiddenRunWorks) {
    for (const QStringList& args : {QStringList{}, QStringList{QStringLiteral("/run")},
                                    QStringList{QStringLiteral("/run"), QStringLiteral("/nodisp")}}) {
        const Outcome o = velmora(args);
        EXPECT_NE(o.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_FALSE(o.crashed);
        ASSERT_EQ(o.errLines().size(), 1) << o.err.toStdString();
        EXPECT_TRUE(o.err.contains(QStringLiteral("desktop session"))) << o.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(storePath())) << "it stopped before opening the store";
    EXPECT_EQ(velmora(headless()).exitCode, 0);
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
        task(s, 4, QStringLiteral("Not today"), marker(QStringLiteral("not_today")), QStringLiteral("0"), otherDays);
        task(s, 5, QStringLiteral("Today"), marker(QStringLiteral("today")), QStringLiteral("0"), letter);
        task(s, 6, QStringLiteral("Once"), marker(QStringLiteral("once")), QStringLiteral("0"),
             QStringLiteral("ABCDEFGO"));
        // A gap ends the list.
        task(s, 8, QStringLiteral("Hidden"), marker(QStringLiteral("hidden")), QStringLiteral("0"));
    });

    const Outcome first = velmora(headless());
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_EQ(evidence(), (QStringList{QStringLiteral("first"), QStringLiteral("in_b"), QStringLiteral("today"),
                                       QStringLiteral("once")}));
    EXPECT_EQ(read(kSequence, taskKey(QStringLiteral("Opt"), 6)), dateStamp(today) + QStringLiteral("ABCDEFGO"));

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

    const Outcome again = velmora(headless());
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(evidence().count(QStringLiteral("once")), 1) << "once-only ran once today";
    EXPECT_TRUE(again.errLines().contains(
        QStringLiteral("velmora: task 6 \"Once\": skipped: already ran today (once only)")));
    EXPECT_EQ(read(kSequence, kDefaultKey), QStringLiteral("b"));
}

TEST_F(StartupE2E, WaitsUntilFinishedOnlyWhenAskedTo) {
    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("Slow, waited for"), marker(QStringLiteral("slow_waited"), QStringLiteral("sleep 0.5")),
             QStringLiteral("0"));
        task(s, 2, QStringLiteral("Slow, not waited for"), marker(QStringLiteral("slow_free"), QStringLiteral("sleep 1")),
             QStringLiteral("DW"));
        task(s, 3, QStringLiteral("Last"), marker(QStringLiteral("last")), QStringLiteral("0"));
    });
    const Outcome o = velmora(headless());
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(evidence(), (QStringList{QStringLiteral("slow_waited"), QStringLiteral("last")}))
        << "velmora ended before the script it did not wait for";
    QThread::msleep(1500);
    EXPECT_EQ(evidence(), (QStringList{QStringLiteral("slow_waited"), QStringLiteral("last"),
                                       QStringLiteral("slow_free")}));
}

TEST_F(StartupE2E, ASecondsWaitHoldsTheNextTaskBack) {
    const QString stamp = QStringLiteral("date +%s%N >> ") + work(QStringLiteral("times"));
    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("Mail"), script(QStringLiteral("a.sh"), stamp), QStringLiteral("1"));
        task(s, 2, QStringLiteral("After"), script(QStringLiteral("b.sh"), stamp), QStringLiteral("0"));
    });
    const Outcome o = velmora(headless());
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    QFile f(work(QStringLiteral("times")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> times = f.readAll().split('\n');
    ASSERT_GE(times.size(), 2);
    const qint64 gapMs = (times[1].toLongLong() - times[0].toLongLong()) / 1000000;
    EXPECT_GE(gapMs, 950) << "the second counts from the start of the first";
    EXPECT_GE(o.ms, 1000);
}

TEST_F(StartupE2E, DocumentsOpenWhenTheyCannotBeStartedButAreNotWaitedFor) {
    const QString entry = work(QStringLiteral("note.desktop"));
    {
        QFile f(entry);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Desktop Entry]\nType=Application\nName=Note\nExec=" +
                marker(QStringLiteral("document")).toUtf8() + "\n");
    }
    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("As document"), entry, QStringLiteral("DW"));
        task(s, 2, QStringLiteral("Waited for"), entry, QStringLiteral("0"));
    });
    const Outcome o = velmora(headless());
    EXPECT_EQ(o.exitCode, 0);
    QThread::msleep(300);
    EXPECT_EQ(evidence(), QStringList{QStringLiteral("document")});
    const QStringList lines = o.errLines();
    ASSERT_EQ(lines.size(), 2) << o.err.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("velmora: task 1 \"As document\": opened as a document")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("velmora: task 2 \"Waited for\": could not be started")));
}

TEST_F(StartupE2E, SelectionPhaseOnTheOffscreenPlatform) {
    seed([&](SettingsStore& s) { task(s, 1, QStringLiteral("Mark"), marker(QStringLiteral("mark")), QStringLiteral("0")); });
    QProcessEnvironment offscreen = env;
    offscreen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const Outcome o = velmora({QStringLiteral("/RUN"), QStringLiteral("/SKWAIT=1")}, offscreen);
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_GE(o.ms, 1000) << "the selection window waited its second";
    EXPECT_EQ(evidence(), QStringList{QStringLiteral("mark")});
    EXPECT_FALSE(read(kWindow, kLocation2).isEmpty()) << "KeyForm saved its placement";
}

// --- one instance ---------------------------------------------------------------

TEST_F(StartupE2E, ASecondInstanceEndsSilentlyAndTheLockDiesWithTheFirst) {
    const QString pidFile = work(QStringLiteral("long.pid"));
    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("Long"),
             script(QStringLiteral("long.sh"), QStringLiteral("echo $$ > %1\necho long >> %2\nexec sleep 60 >/dev/null 2>&1")
                                                   .arg(pidFile, work(QStringLiteral("evidence")))),
             QStringLiteral("0"));
    });
    QProcess* first = start(headless(), env);
    QElapsedTimer t;
    t.start();
    while (evidence().isEmpty() && t.elapsed() < 10000) QThread::msleep(20);
    ASSERT_EQ(evidence(), QStringList{QStringLiteral("long")});

    // Whatever its switches, even without a desktop, and before it reads anything.
    for (const QStringList& args : {headless(), QStringList{}, QStringList{QStringLiteral("/run")}}) {
        const Outcome second = velmora(args);
        EXPECT_EQ(second.exitCode, 0);
        EXPECT_TRUE(second.err.isEmpty()) << second.err.toStdString();
    }
    EXPECT_EQ(evidence(), QStringList{QStringLiteral("long")});

    // The first dies hard while its child lives on: the lock goes with it.
    ::kill(pid_t(first->processId()), SIGKILL);
    finish(first);
    seed([&](SettingsStore& s) { task(s, 1, QStringLiteral("Third"), marker(QStringLiteral("third")), QStringLiteral("0")); });
    const Outcome third = velmora(headless());
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
    const Outcome o = velmora(headless());
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

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
