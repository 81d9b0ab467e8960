#include "process/posixlauncher.h"

#include "casename.h"
#include "polling.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <optional>
#include <ostream>

#include <fcntl.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velmora;

// Readable failure messages; found by argument-dependent lookup.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

using velmora::testing::waitUntil;

// Sets an environment variable for one test and puts the old value back.
class EnvVar {
public:
    EnvVar(const char* name, const QByteArray& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = QByteArray(old);
        qputenv(name, value);
    }
    ~EnvVar() {
        if (m_old) qputenv(m_name, *m_old);
        else qunsetenv(m_name);
    }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

private:
    const char* m_name;
    std::optional<QByteArray> m_old;
};

// Points this process's standard input at another file for one test, so that
// a child reading /dev/null shows it was given /dev/null on purpose.
class StdinFrom {
public:
    explicit StdinFrom(const QString& file) : m_saved(::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3)) {
        const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
        ::dup2(fd, STDIN_FILENO);
        ::close(fd);
    }
    ~StdinFrom() {
        ::dup2(m_saved, STDIN_FILENO);
        ::close(m_saved);
    }
    StdinFrom(const StdinFrom&) = delete;
    StdinFrom& operator=(const StdinFrom&) = delete;

private:
    int m_saved;
};

// Whether pid is no waitable child of this process any more (reaped). WNOWAIT
// leaves a zombie in place, so looking does not do the launcher's work.
bool reaped(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == -1 && errno == ECHILD;
}

bool isZombieChild(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// The evidence a started script leaves, line by line as "key=value".
struct Evidence {
    QStringList arguments;
    QString stdinTarget, cwd;
    QStringList fds;
    pid_t pid = 0, ppid = 0, session = 0;
};

Evidence parseEvidence(const QString& text) {
    Evidence e;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const QString key = line.left(eq);
        const QString value = line.mid(eq + 1);
        if (key == QLatin1String("arg")) e.arguments.append(value.mid(1, value.size() - 2));
        else if (key == QLatin1String("stdin")) e.stdinTarget = value;
        else if (key == QLatin1String("cwd")) e.cwd = value;
        else if (key == QLatin1String("fds")) e.fds = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        else if (key == QLatin1String("pid")) e.pid = value.toInt();
        else if (key == QLatin1String("ppid")) e.ppid = value.toInt();
        else if (key == QLatin1String("stat")) {
            // pid (comm) state ppid pgrp session ...
            const QStringList fields =
                value.mid(value.lastIndexOf(QLatin1Char(')')) + 2).split(QLatin1Char(' '));
            if (fields.size() > 3) e.session = fields[3].toInt();
        }
    }
    return e;
}

class Launching : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // Writes what it was given and how it was started into $1, atomically.
        makeScript(QStringLiteral("report.sh"), QStringLiteral(R"sh(out=$1; shift
{
  for a in "$@"; do echo "arg=[$a]"; done
  echo "stdin=$(readlink /proc/$$/fd/0)"
  echo "cwd=$(pwd)"
  read -r stat < /proc/$$/stat; echo "stat=$stat"
  echo "fds=$(ls /proc/$$/fd | tr '\n' ' ')"
  echo "pid=$$"
  echo "ppid=$PPID"
} > "$out.tmp"
mv "$out.tmp" "$out"
)sh"));
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    QString makeFile(const QString& name, const QByteArray& content, bool executable) {
        EXPECT_TRUE(velmora::testing::writeFile(path(name), content, executable)) << name.toStdString();
        return path(name);
    }
    QString makeScript(const QString& name, const QString& body) {
        return makeFile(name, "#!/bin/sh\n" + body.toUtf8(), true);
    }

    Evidence evidence(const QString& name) {
        const QString file = path(name);
        if (!waitUntil([&] { return QFile::exists(file); })) {
            ADD_FAILURE() << "no evidence in " << name.toStdString();
            return {};
        }
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return parseEvidence(QString::fromUtf8(f.readAll()));
    }

    int argc = 1;
    char arg0[16] = "launcher_test";
    char* argv[2] = {arg0, nullptr};
    QCoreApplication app{argc, argv};
    QTemporaryDir dir;
    PosixLauncher launcher;  // after app: its notifier goes first
};

TEST_F(Launching, StartedProgramGetsItsArgumentsAndAFreshSetup) {
    // A descriptor someone opened without O_CLOEXEC must not reach the child.
    const int original = ::open("/dev/null", O_RDONLY);
    const int leaky = ::fcntl(original, F_DUPFD, 57);
    ::close(original);
    ASSERT_GE(leaky, 57);
    LaunchResult r;
    {
        StdinFrom input(makeFile(QStringLiteral("input"), "typed\n", false));
        r = launcher.startDetached(path("report.sh") + " " + path("out") + R"( a "b c" "" $HOME ~ *)");
    }
    ::close(leaky);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const Evidence e = evidence("out");
    EXPECT_EQ(e.arguments, (QStringList{"a", "b c", "", "$HOME", "~", "*"}));
    EXPECT_EQ(e.stdinTarget, QStringLiteral("/dev/null"));
    EXPECT_EQ(e.session, e.pid) << "leads a session of its own";
    EXPECT_NE(e.session, ::getsid(0));
    EXPECT_FALSE(e.fds.contains(QString::number(leaky))) << e.fds.join(' ').toStdString();
    EXPECT_EQ(e.cwd, QDir::currentPath());
}

// A signal the launcher blocks or ignores must not stay blocked or ignored in
// the user's programs: exec passes both on, and a program that never expects
// it would then miss SIGTERM at logout or never see SIGINT.
TEST_F(Launching, StartedProgramGetsDefaultSignalsAndAnEmptyMask) {
    // Read with builtins only: dash blocks every signal in itself while it
    // starts a command, so a grep reading the shell's status can catch that
    // passing mask instead of the one the launcher gave.
    makeScript(QStringLiteral("signals.sh"),
               QStringLiteral("while IFS= read -r line; do\n"
                              "  case $line in SigBlk:*|SigIgn:*) printf '%s\\n' \"$line\" ;; esac\n"
                              "done < /proc/$$/status > \"$1.tmp\"\n"
                              "mv \"$1.tmp\" \"$1\"\n"));
    sigset_t blocked, previousMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    sigaddset(&blocked, SIGTERM);
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &blocked, &previousMask), 0);
    const auto previousUsr2 = std::signal(SIGUSR2, SIG_IGN);
    const auto previousInt = std::signal(SIGINT, SIG_IGN);
    const LaunchResult r = launcher.startDetached(path("signals.sh") + " " + path("signals"));
    std::signal(SIGINT, previousInt);
    std::signal(SIGUSR2, previousUsr2);
    ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    ASSERT_TRUE(r.ok) << r.error.toStdString();

    ASSERT_TRUE(waitUntil([&] { return QFile::exists(path("signals")); }));
    QFile f(path("signals"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    // Bit n-1 stands for signal n. Signals 32 and 33 belong to the C library,
    // which lets no program change them, so they are whatever the session had.
    const quint64 libraryOwned = 0x180000000ULL;
    EXPECT_EQ(lines[0].section(QLatin1Char('\t'), 1).toULongLong(nullptr, 16) & ~libraryOwned, 0u)
        << lines[0].toStdString();
    EXPECT_EQ(lines[1].section(QLatin1Char('\t'), 1).toULongLong(nullptr, 16) & ~libraryOwned, 0u)
        << lines[1].toStdString();
}

TEST_F(Launching, PathsWithBlanks) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("My Tools")));
    ASSERT_TRUE(QFile::copy(path("report.sh"), path("My Tools/run")));
    makeScript(QStringLiteral("My Tools/plain"),
               QStringLiteral("exec \"%1\" \"%2\" whole\n").arg(path("report.sh"), path("whole")));
    // A program where an unquoted path is cut at its first blank.
    makeScript(QStringLiteral("My"),
               QStringLiteral("exec \"%1\" \"%2\" \"$@\"\n").arg(path("report.sh"), path("cut")));

    // The whole text names a file: that file, however many blanks it has.
    ASSERT_TRUE(launcher.startDetached(path("My Tools/plain")).ok);
    EXPECT_EQ(evidence("whole").arguments, QStringList{"whole"});
    // With arguments the path needs quotes.
    ASSERT_TRUE(launcher.startDetached("\"" + path("My Tools/run") + "\" " + path("quoted") + " \"x y\"").ok);
    EXPECT_EQ(evidence("quoted").arguments, QStringList{"x y"});
    EXPECT_FALSE(QFile::exists(path("cut")));
}

TEST_F(Launching, ProgramWithoutFolderIsFoundInPath) {
    EnvVar pathVar("PATH", QFile::encodeName(dir.path()) + ":/usr/bin:/bin");
    const LaunchResult r = launcher.startDetached("report.sh " + path("out") + " a");
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(evidence("out").arguments, QStringList{"a"});
}

struct FailureCase {
    const char* name;
    const char* file;  // created in the folder unless empty
    const char* content;
    bool executable;
    const char* command;  // "@" stands for the created file
    const char* error;
};
void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class StartFailures : public Launching, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(StartFailures, ReportTheReasonBeforeReturning) {
    const FailureCase& c = GetParam();
    QString file;
    if (*c.file) file = makeFile(QString::fromUtf8(c.file), c.content, c.executable);
    const QString command = QString::fromUtf8(c.command).replace(QLatin1Char('@'), file);
    const LaunchResult detached = launcher.startDetached(command);
    EXPECT_FALSE(detached.ok);
    EXPECT_EQ(detached.error, QString::fromUtf8(c.error));
    const LaunchResult waited = launcher.startAndWait(command);
    EXPECT_FALSE(waited.ok);
    EXPECT_EQ(waited.error, QString::fromUtf8(c.error));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, StartFailures,
    ::testing::Values(
        FailureCase{"MissingFile", "", "", false, "/nonexistent/velmora/prog a", "No such file or directory"},
        FailureCase{"NameNotInPath", "", "", false, "velmora-no-such-program a", "No such file or directory"},
        FailureCase{"NoExecuteBit", "tool.sh", "#!/bin/sh\n", false, "@ a", "Permission denied"},
        FailureCase{"ExecuteBitWithoutShebang", "notes.txt", "echo hi\n", true, "@", "Exec format error"},
        FailureCase{"EmptyCommand", "", "", false, "   ", "empty command"}),
    velmora::testing::caseName);

TEST_F(Launching, DirectoryIsNoProgram) {
    const LaunchResult r = launcher.startDetached(dir.path());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, QStringLiteral("Permission denied"));
}

TEST_F(Launching, EndedChildIsReapedByTheEventLoop) {
    ASSERT_TRUE(launcher.startDetached(path("report.sh") + " " + path("out")).ok);
    const pid_t pid = evidence("out").pid;
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(waitUntil([&] { return reaped(pid); })) << "child " << pid << " left as a zombie";
}

TEST_F(Launching, EndedChildIsReapedByTheNextCallWithoutEventLoop) {
    ASSERT_TRUE(launcher.startDetached(path("report.sh") + " " + path("out")).ok);
    // No event loop runs from here on: poll the file system and the child.
    const QString out = path("out");
    pid_t pid = 0;
    for (int i = 0; i < 1000 && pid == 0; ++i) {
        QFile f(out);
        if (f.open(QIODevice::ReadOnly)) pid = parseEvidence(QString::fromUtf8(f.readAll())).pid;
        else ::usleep(10000);
    }
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 1000 && !isZombieChild(pid); ++i) ::usleep(10000);
    ASSERT_TRUE(isZombieChild(pid));
    ASSERT_TRUE(launcher.startDetached(QStringLiteral("/bin/true")).ok);
    EXPECT_TRUE(reaped(pid));
}

TEST_F(Launching, ChildrenBeyondTheWatchedOnesAreReapedBySweeping) {
    // The launcher watches at most 256 children through descriptors; keep that
    // many running so that the next one is only swept.
    makeScript(QStringLiteral("sleeper.sh"),
               QStringLiteral("exec >/dev/null 2>&1\necho $$ >> \"$1\"\nexec sleep 20\n"));
    const QString sleeper = path("sleeper.sh") + " " + path("sleepers");
    for (int i = 0; i < 256; ++i) ASSERT_TRUE(launcher.startDetached(sleeper).ok);
    ASSERT_TRUE(launcher.startDetached(path("report.sh") + " " + path("out")).ok);
    const pid_t pid = evidence("out").pid;
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(waitUntil([&] { return reaped(pid); }, 5000)) << "child " << pid << " left as a zombie";

    waitUntil([&] {
        QFile f(path("sleepers"));
        return f.open(QIODevice::ReadOnly) && f.readAll().count('\n') == 256;
    });
    QFile sleepers(path("sleepers"));
    ASSERT_TRUE(sleepers.open(QIODevice::ReadOnly));
    for (const QByteArray& line : sleepers.readAll().split('\n'))
        if (line.toInt() > 0) ::kill(pid_t(line.toInt()), SIGTERM);
}

TEST_F(Launching, StartAndWaitReturnsAfterTheProgramEndedWhileEventsGoOn) {
    makeScript(QStringLiteral("slow.sh"), QStringLiteral("sleep 0.3\necho done > \"$1\"\n"));
    bool timerFired = false;
    bool endedBeforeTimer = true;
    QTimer::singleShot(50, [&] {
        timerFired = true;
        endedBeforeTimer = QFile::exists(path("done"));
    });
    const LaunchResult r = launcher.startAndWait(path("slow.sh") + " " + path("done"));
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_TRUE(QFile::exists(path("done")));
    EXPECT_TRUE(timerFired) << "events were handled during the wait";
    EXPECT_FALSE(endedBeforeTimer);
}

TEST_F(Launching, StartAndWaitReturnsAtOnceWhenNothingStarts) {
    bool timerFired = false;
    QTimer::singleShot(0, [&] { timerFired = true; });
    const LaunchResult r = launcher.startAndWait(path("missing") + " a");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, QStringLiteral("No such file or directory"));
    EXPECT_FALSE(timerFired) << "no event loop ran";
}

TEST_F(Launching, StartAndWaitWaitsForTheDirectChildOnly) {
    makeScript(QStringLiteral("forks.sh"), QStringLiteral("sleep 30 >/dev/null 2>&1 &\necho $! > \"$1\"\n"));
    ASSERT_TRUE(launcher.startAndWait(path("forks.sh") + " " + path("grandchild")).ok);
    QFile f(path("grandchild"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const pid_t grandchild = pid_t(f.readAll().trimmed().toInt());
    ASSERT_GT(grandchild, 0);
    EXPECT_EQ(::kill(grandchild, 0), 0) << "still running after the wait";
    ::kill(grandchild, SIGTERM);
}

TEST_F(Launching, DesktopEntryRunsAsItSays) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("work")));
    const QString entry = makeFile(QStringLiteral("task.desktop"),
                                   QStringLiteral("[Desktop Entry]\nType=Application\nName=Task\n"
                                                  "Exec=%1 %2 \"a b\" %c %f\nPath=%3\n")
                                       .arg(path("report.sh"), path("out"), path("work"))
                                       .toUtf8(),
                                   false);
    const LaunchResult r = launcher.openDocument(entry);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const Evidence e = evidence("out");
    EXPECT_EQ(e.arguments, (QStringList{"a b", "Task"}));
    EXPECT_EQ(e.cwd, path("work"));
    EXPECT_EQ(e.stdinTarget, QStringLiteral("/dev/null"));
    EXPECT_EQ(e.session, e.pid);
    EXPECT_TRUE(waitUntil([&] { return reaped(e.pid); }));
}

TEST_F(Launching, DesktopEntryInATerminal) {
    makeScript(QStringLiteral("term.sh"), QStringLiteral("exec \"$(dirname \"$0\")/report.sh\" "
                                                         "\"$(dirname \"$0\")/out\" \"$@\"\n"));
    EnvVar terminal("TERMINAL", QFile::encodeName(path("term.sh")));
    const QString entry = makeFile(
        QStringLiteral("term.desktop"),
        QStringLiteral("[Desktop Entry]\nType=Application\nTerminal=true\nExec=top -d 1\n").toUtf8(), false);
    ASSERT_TRUE(launcher.openDocument(entry).ok);
    EXPECT_EQ(evidence("out").arguments, (QStringList{"-e", "top", "-d", "1"}));
}

TEST_F(Launching, DesktopEntryThatMustNotStartSaysWhy) {
    const QString entry =
        makeFile(QStringLiteral("off.desktop"),
                 QStringLiteral("[Desktop Entry]\nType=Application\nHidden=true\nExec=%1 %2\n")
                     .arg(path("report.sh"), path("out"))
                     .toUtf8(),
                 false);
    const LaunchResult r = launcher.openDocument(entry);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, QStringLiteral("Hidden=true"));
    EXPECT_FALSE(QFile::exists(path("out")));
}

TEST_F(Launching, DesktopEntryWithMissingProgramFails) {
    const QString entry =
        makeFile(QStringLiteral("gone.desktop"),
                 QByteArray("[Desktop Entry]\nType=Application\nExec=velmora-no-such-program\n"), false);
    const LaunchResult r = launcher.openDocument(entry);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, QStringLiteral("velmora-no-such-program: No such file or directory"));
}

// A task's command naming a Desktop Entry: launched as the entry says by
// every way of starting, never executed, and refused with the entry's reason.
struct EntryCase {
    const char* name;
    const char* lines;  // after "[Desktop Entry]\nType=Application\n"; @ runs the report script
    const char* error;  // "" when it starts
    friend void PrintTo(const EntryCase& c, std::ostream* out) { *out << c.name; }
};

class EntryCommands : public Launching, public ::testing::WithParamInterface<EntryCase> {
protected:
    // An executable entry that would leave other evidence if run as a script.
    QString makeEntry(const QString& name) {
        const QString text =
            QStringLiteral("#!/bin/sh\necho script > \"%1\"\nexit 0\n[Desktop Entry]\nType=Application\n")
                .arg(path("script")) +
            QString::fromUtf8(GetParam().lines)
                .replace(QLatin1Char('@'), path("report.sh") + QLatin1Char(' ') + path("out"));
        return makeFile(name, text.toUtf8(), true);
    }
};

TEST_P(EntryCommands, AreLaunchedAsEntriesByEveryWayOfStarting) {
    const EntryCase& c = GetParam();
    EnvVar desktop("XDG_CURRENT_DESKTOP", "XFCE");
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("moved")));
    const QString entry = makeEntry(QStringLiteral("moved/notes sync.desktop"));
    // A program the text's first word would name if it were split.
    makeScript(QStringLiteral("moved/notes"), QStringLiteral("echo split > \"%1\"\n").arg(path("split")));
    const QString quoted = QLatin1Char('"') + entry + QLatin1Char('"');
    const QList<std::function<LaunchResult()>> ways = {
        [&] { return launcher.startDetached(entry); },
        [&] { return launcher.startDetached(quoted); },
        [&] { return launcher.startAndWait(entry); },
        [&] { return launcher.openDocument(entry); },
    };
    for (int way = 0; way < ways.size(); ++way) {
        SCOPED_TRACE(way);
        QFile::remove(path("out"));
        const LaunchResult r = ways[way]();
        EXPECT_TRUE(r.desktopEntry);
        EXPECT_EQ(r.ok, *c.error == '\0');
        EXPECT_EQ(r.error, QString::fromUtf8(c.error));
        if (r.ok) {
            EXPECT_EQ(evidence("out").arguments, QStringList{"ran"});
        }
    }
    EXPECT_FALSE(QFile::exists(path("script"))) << "the entry file itself was executed";
    EXPECT_FALSE(QFile::exists(path("split"))) << "the text was split at its blank";
}

INSTANTIATE_TEST_SUITE_P(
    Entries, EntryCommands,
    ::testing::Values(EntryCase{"Starts", "Exec=@ ran\n", ""},
                      EntryCase{"SwitchedOff", "Exec=@ ran\nHidden=true\n", "Hidden=true"},
                      EntryCase{"NotShownInThisDesktop", "Exec=@ ran\nNotShowIn=XFCE;\n",
                                "not shown in XFCE (NotShowIn=XFCE;)"},
                      EntryCase{"TryExecMissing", "Exec=@ ran\nTryExec=velmora-no-such-program\n",
                                "TryExec velmora-no-such-program was not found"},
                      EntryCase{"NoExec", "Name=Nothing\n", "no Exec"}),
    velmora::testing::caseName);

// Install moved the entry, and the application wrote it into the autostart
// folder again: the desktop starts it now.
TEST_F(Launching, AMovedEntryThatIsBackInTheAutostartFolderIsLeftToTheDesktop) {
    EnvVar config("XDG_CONFIG_HOME", QFile::encodeName(path("config")));
    EnvVar data("XDG_DATA_HOME", QFile::encodeName(path("data")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("config/autostart")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("data/velmora/startup")));
    const QByteArray text =
        "[Desktop Entry]\nType=Application\nExec=" + QFile::encodeName(path("report.sh")) + " " +
        QFile::encodeName(path("out")) + " ran\n";
    const QString moved = makeFile(QStringLiteral("data/velmora/startup/app.desktop"), text, false);
    const QString back = path("config/autostart/app.desktop");

    // A Hidden=true entry of that name (Install's stub) starts nothing there.
    makeFile(QStringLiteral("config/autostart/app.desktop"),
             "[Desktop Entry]\nType=Application\nHidden=true\n", false);
    LaunchResult r = launcher.startDetached(moved);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(evidence("out").arguments, QStringList{"ran"});
    QFile::remove(path("out"));

    makeFile(QStringLiteral("config/autostart/app.desktop"), text, false);
    for (const LaunchResult& again : {launcher.startDetached(moved), launcher.openDocument(moved)}) {
        EXPECT_FALSE(again.ok);
        EXPECT_TRUE(again.desktopEntry);
        EXPECT_EQ(again.error,
                  back + QStringLiteral(" is back in the autostart folder, so the desktop starts it; "
                                        "\"velmora /REINSTALL\" and Install move it again"));
    }
    EXPECT_FALSE(waitUntil([&] { return QFile::exists(path("out")); }, 300));
}

TEST_F(Launching, OpenDocumentTakesTheWholeTextAsOneFileName) {
    const QString doc = makeFile(QStringLiteral("notes.txt"), "hello\n", false);
    for (const QString& text : {path("missing.txt"), doc + " --flag", QString()}) {
        const LaunchResult r = launcher.openDocument(text);
        EXPECT_FALSE(r.ok) << text.toStdString();
        EXPECT_FALSE(r.error.isEmpty());
    }
    EXPECT_EQ(launcher.openDocument(path("missing.txt")).error, QStringLiteral("No such file or directory"));
}

// The desktop's association, set up in a private data and configuration home:
// text/plain opens with a handler that leaves evidence.
TEST_F(Launching, OpenDocumentUsesTheDefaultApplication) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("data/applications")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("config")));
    makeFile(QStringLiteral("data/applications/velmora-test-opener.desktop"),
             QStringLiteral("[Desktop Entry]\nType=Application\nName=Opener\n"
                            "Exec=%1 %2 %f\nMimeType=text/plain;\n")
                 .arg(path("report.sh"), path("opened"))
                 .toUtf8(),
             false);
    makeFile(QStringLiteral("config/mimeapps.list"),
             "[Default Applications]\ntext/plain=velmora-test-opener.desktop\n", false);
    EnvVar dataHome("XDG_DATA_HOME", QFile::encodeName(path("data")));
    EnvVar dataDirs("XDG_DATA_DIRS", "/usr/share");
    EnvVar configHome("XDG_CONFIG_HOME", QFile::encodeName(path("config")));
    const QString doc = makeFile(QStringLiteral("notes.txt"), "hello\n", false);

    const LaunchResult r = launcher.openDocument(doc);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const Evidence e = evidence("opened");
    EXPECT_EQ(e.arguments, QStringList{doc});
    EXPECT_NE(e.ppid, ::getpid()) << "the application is no child of ours";
    EXPECT_TRUE(reaped(e.pid));
}

}  // namespace
