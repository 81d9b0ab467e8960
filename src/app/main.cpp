// The program's entry: "--help", "--version" and "--preview" first, then the
// single-instance check, the choice of a display that answers, the settings
// store, and one of the two modes: start-up ("/RUN") or editing.
#include "app/gui/raisewindow.h"
#include "app/instancelock.h"
#include "app/linuxdisplayprobe.h"
#include "app/platformchoice.h"
#include "app/raisechannel.h"
#include "app/switches.h"
#include "editor/gui/editingmode.h"
#include "editor/gui/helpwindow.h"
#include "editor/transfer.h"
#include "launcher/clock.h"
#include "launcher/diagnostics.h"
#include "launcher/gui/startupsequence.h"
#include "launcher/preview.h"
#include "process/posixlauncher.h"
#include "process/systemdscopes.h"
#include "store/memorystore.h"
#include "store/sqlitestore.h"
#include "ui/prompts.h"
#include "ui/windowsystem.h"
#include "velmora/version.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QWidget>

#include <cstdio>
#include <memory>

#include <unistd.h>

namespace {

using namespace velmora;

// One whole line, flushed at once: diagnostics must not be lost or
// interleaved when the launcher is killed or its children write too.
void printLine(std::FILE* to, const QString& line) {
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}

// Whether standard error is the journal; it does not change during a run.
bool toJournal() {
    static const bool journal = standardErrorIsJournal();
    return journal;
}

// A diagnostics line on standard error, with its priority in front when
// standard error is the journal.
void diagnose(Priority priority, const QString& line) {
    printLine(stderr, journalLine(priority, line, toJournal()));
}

// The toolkit's own messages, in the journal with their priority too, so
// that a filter by priority sees them where they belong.
void journalMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    Priority priority = Priority::Warning;
    switch (type) {
    case QtDebugMsg: priority = Priority::Debug; break;
    case QtInfoMsg: priority = Priority::Info; break;
    case QtWarningMsg: priority = Priority::Warning; break;
    case QtCriticalMsg:
    case QtFatalMsg: priority = Priority::Error; break;
    }
    for (const QString& line : message.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) diagnose(priority, line);
}

// --preview: reads the store without creating or changing anything, and
// needs neither a desktop nor the single-instance lock.
int preview(const PreviewSwitches& request, const QProcessEnvironment& environment) {
    if (!request.error.isEmpty()) {
        printLine(stderr,
                  QStringLiteral("velmora: ") + request.error + QStringLiteral(" See velmora --help."));
        return 2;
    }
    const QDate date = request.date.isValid() ? request.date : SystemClock().today();
    const QString path = defaultSettingsPath(environment);
    try {
        Preview p;
        if (QFileInfo::exists(path)) {
            const SqliteStore store(path, StoreAccess::ReadOnly);
            p = makePreview(store, request.letter, date);
        } else {
            p = makePreview(MemoryStore(), request.letter, date);
        }
        const QByteArray out = request.json ? previewJson(p) : previewText(p).toUtf8();
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    } catch (const StoreError& e) {
        printLine(stderr, QStringLiteral("velmora: ") + e.text());
        return 1;
    }
}

const char* const kUsage =
    "Usage: velmora [/run] [/skwait=N] [/nodisp] [/reinstall] [/uninstall]\n"
    "       velmora --preview [LETTER] [--date YYYY-MM-DD] [--json]\n"
    "       velmora --help | --version\n"
    "\n"
    "Without /run the main window opens to edit the launch list.\n"
    "\n"
    "  /run        launch the tasks of the launch list, as at logon, then end\n"
    "  /skwait=N   seconds the window waits for a configuration letter\n"
    "              (at most three characters; 0 skips it; default 5)\n"
    "  /nodisp     show no status window while the tasks are launched\n"
    "  /reinstall  offer the Install button again\n"
    "  /uninstall  undo Install: the moved autostart entries go back, their\n"
    "              tasks and the launcher's own entry go; then end\n"
    "\n"
    "  --preview   print the launch list as /run would treat it: for each task\n"
    "              its number, description, command, wait, and \"runs\" or\n"
    "              \"skipped\" with the reason; starts and changes nothing\n"
    "  LETTER      the configuration, as if pressed at logon (default: the\n"
    "              stored default key)\n"
    "  --date      the day to preview (default: today)\n"
    "  --json      the same as JSON\n"
    "\n"
    "Switches are found anywhere on the command line, in any letter case.\n"
    "\"velmora /run /nodisp /skwait=0\" shows no window and never opens a display;\n"
    "/run without a display that answers starts the tasks without windows.\n"
    "In start-up mode each task's outcome is one line on standard error; when\n"
    "that is the journal (JOURNAL_STREAM), each line starts with its syslog\n"
    "priority: <6> started, <5> skipped, <4> warning, <3> could not be started.\n";

void printVersion() {
    std::printf("%s\n%s\nVersion %s\n%s\n", version::kProductName, version::kFileDescription,
                version::kVersionString, version::kLegalCopyright);
    std::fflush(stdout);
}

// Asks Qt for `platform` while the application object is made. The choice is
// this process's own: the programs it starts later keep the session's
// QT_QPA_PLATFORM, which is put back here as it was.
class ScopedPlatform {
public:
    explicit ScopedPlatform(const QByteArray& platform)
        : m_had(qEnvironmentVariableIsSet("QT_QPA_PLATFORM")), m_before(qgetenv("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", platform);
    }
    ~ScopedPlatform() {
        if (m_had) qputenv("QT_QPA_PLATFORM", m_before);
        else qunsetenv("QT_QPA_PLATFORM");
    }
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    bool m_had;
    QByteArray m_before;
};

// The widget application on `platform`, one that answered when it was asked.
std::unique_ptr<QCoreApplication> windowApplication(int& argc, char** argv, const QByteArray& platform) {
    const ScopedPlatform scoped(platform);
    return std::make_unique<QApplication>(argc, argv);
}

// /UNINSTALL: with `window` (a widget application exists) one message box,
// with the information icon when everything came back and the warning icon
// otherwise; without a display, whose toolkit would abort, lines on standard
// output, or on standard error when anything stayed. Non-zero when anything
// stayed.
int uninstall(bool window, const QProcessEnvironment& environment) {
    QtPrompts prompts;
    const auto tell = [&](const QString& text, bool failed) {
        if (window) {
            if (failed) prompts.warn(nullptr, text);
            else prompts.inform(nullptr, text);
            return;
        }
        for (const QString& line : text.split(QLatin1Char('\n')))
            printLine(failed ? stderr : stdout, failed ? QStringLiteral("velmora: ") + line : line);
    };
    try {
        SqliteStore store(defaultSettingsPath(environment));
        const UninstallResult result = uninstallStartUp(store, environment);
        tell(uninstallSummary(result), !result.succeeded());
        return result.succeeded() ? 0 : 1;
    } catch (const StoreError& e) {
        tell(e.text(), true);
        return 1;
    }
}

// A second start in editing mode: the running instance is asked to bring its
// main window to the front, so that a start from the menu is seen to work.
// The running instance answers only while its main window is open; a logon
// run does not listen, and this start then ends as silently as before.
void askRunningInstanceToRaise(int& argc, char** argv, const QProcessEnvironment& environment) {
    const QCoreApplication app(argc, argv);
    askToRaise(raiseSocketPath(environment), raiseRequestFrom(environment));
}

// The chosen mode, from the settings store on. Everything it opens is
// closed again when it returns. `soleInstance`: this process holds the
// instance lock, so that a second start may ask it to raise its main window.
int runMode(const Switches& switches, const QProcessEnvironment& environment, bool soleInstance) {
    QtPrompts prompts;

    // A home that cannot be written must not stop a logon: the list is then
    // run, or shown, as it stands.
    OpenedStore opened;
    try {
        opened = openSettingsStore(defaultSettingsPath(environment));
    } catch (const StoreError& e) {
        if (switches.run) diagnose(Priority::Error, QStringLiteral("velmora: ") + e.text());
        else prompts.error(nullptr, e.text());
        return 1;
    }
    SqliteStore* const store = opened.store.get();
    if (!opened.readOnlyReason.isEmpty() && switches.run) {
        diagnose(Priority::Warning,
                 QStringLiteral("velmora: %1 The launch list runs as stored, but once-only tasks "
                                "cannot be marked as run today.")
                     .arg(opened.readOnlyReason));
    }

    SystemClock clock;
    // Each started program gets a systemd scope of its own when a user
    // manager is there: stopping the launcher's unit must not kill them.
    SystemdScopes scopes(sessionBusAddress(environment));
    PosixLauncher launcher(&scopes);

    if (switches.run) {
        // Start-up mode runs no main event loop; a closed status window must
        // not end the waits of the run.
        QGuiApplication::setQuitOnLastWindowClosed(false);
        StartupSequence sequence(*store, launcher, prompts, clock, diagnose);
        try {
            sequence.run(switches);
        } catch (const StoreError& e) {
            diagnose(Priority::Error, QStringLiteral("velmora: ") + e.text());
            return 1;
        }
        return 0;
    }

    StartupSequence sequence(*store, launcher, prompts, clock);
    // Listens from the moment the main window is up: a second start before
    // that, or during the read-only warning, finds nobody and just ends.
    RaiseServer raiseServer;
    const auto listenForSecondStarts = [&](QWidget& window) {
        if (!soleInstance) return;
        QObject::connect(&raiseServer, &RaiseServer::raiseRequested, &window,
                         [&window](const RaiseRequest& request) { raiseWindow(window, request); });
        if (!raiseServer.listen(raiseSocketPath(environment)))
            diagnose(
                Priority::Warning,
                QStringLiteral("velmora: %1 Starting Velmora again will not bring this window to the front.")
                    .arg(raiseServer.error()));
    };
    try {
        const StartupSettings settings = sequence.run(switches);
        return runEditingMode(
            {*store, prompts, launcher, clock, environment, settings.installed, settings.defaultKey,
             locateHelpFile(QCoreApplication::applicationDirPath()), opened.readOnlyReason},
            listenForSecondStarts);
    } catch (const StoreError& e) {
        prompts.error(nullptr, e.text());
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (toJournal()) qInstallMessageHandler(journalMessage);
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    const Switches switches = parseSwitches(arguments);
    if (switches.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (switches.version) {
        printVersion();
        return 0;
    }
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const PreviewSwitches previewSwitches = parsePreview(arguments);
    if (previewSwitches.requested) return preview(previewSwitches, environment);

    // A second instance ends before it reads anything, whatever its switches;
    // one that would open the main window first brings the running one's to
    // the front.
    const InstanceLock lock(InstanceLock::defaultPath(environment));
    if (lock.status() == InstanceLock::Status::HeldElsewhere) {
        if (switches.uninstall) {
            // Silence would pass for success here.
            printLine(stderr, QStringLiteral("velmora: Velmora is running; nothing has been uninstalled."));
            return 1;
        }
        if (!switches.run) askRunningInstanceToRaise(argc, argv, environment);
        return 0;
    }
    const bool soleInstance = lock.status() == InstanceLock::Status::Acquired;
    if (lock.status() == InstanceLock::Status::Unavailable)
        diagnose(
            Priority::Warning,
            QStringLiteral("velmora: %1 Going on without the check for another instance.").arg(lock.error()));
    // Qt ends the whole process when the display it is pointed at does not
    // answer, so a display is asked before the toolkit is set up, and only by
    // a mode that may show a window: a run that shows none never opens a
    // display, which also keeps its start quick.
    PlatformChoice platform;
    if (switches.uninstall || !switches.showsNoWindow())
        platform = choosePlatform(environment, LinuxDisplayProbe());
    if (platform.windows() && !platform.note.isEmpty())
        diagnose(Priority::Warning, QStringLiteral("velmora: ") + platform.note + QLatin1Char('.'));

    std::unique_ptr<QCoreApplication> app;
    int code = 0;
    if (switches.uninstall) {
        // A message box only where someone can see it: a platform the user
        // chose without a display (offscreen) would wait for an answer forever.
        const bool window = platform.windows() && namesADisplay(environment);
        if (window) app = windowApplication(argc, argv, platform.platform);
        code = uninstall(window, environment);
    } else if (switches.showsNoWindow()) {
        app = std::make_unique<QCoreApplication>(argc, argv);
        code = runMode(switches, environment, soleInstance);
    } else if (platform.windows()) {
        app = windowApplication(argc, argv, platform.platform);
        code = runMode(switches, environment, soleInstance);
    } else if (switches.run) {
        // A logon must not start nothing because its display is gone. With no
        // window to press a letter into, the stored default key applies, as
        // after a selection wait that ran out.
        diagnose(Priority::Warning, QStringLiteral("velmora: %1; the tasks are started without windows and "
                                                   "with the stored default key.")
                                        .arg(platform.note));
        Switches hidden = switches;
        hidden.noDisp = true;
        hidden.skWait = 0;
        app = std::make_unique<QCoreApplication>(argc, argv);
        code = runMode(hidden, environment, soleInstance);
    } else {
        diagnose(Priority::Error,
                 QStringLiteral(
                     "velmora: a desktop session is needed: %1; only \"velmora /run\" runs without one.")
                     .arg(platform.note));
        return 1;
    }
    // Qt's Wayland client can deadlock while it tears down the connection
    // to the compositor: its reader thread waits for a read that never
    // comes. The process would stay, with its window gone and the instance
    // lock held, so that the next start does nothing. All of ours is
    // closed by now; the process ends without that teardown.
    if (onWayland()) {
        std::fflush(nullptr);
        ::_exit(code);
    }
    return code;
}
