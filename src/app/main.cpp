// The program's entry: "--help" and "--version" first, then the single-
// instance check, the desktop check, the settings store, and one of the two
// modes: start-up ("/RUN") or editing.
#include "editor/gui/editingmode.h"
#include "editor/gui/helpwindow.h"
#include "editor/transfer.h"
#include "launcher/clock.h"
#include "launcher/gui/startupsequence.h"
#include "launcher/instancelock.h"
#include "launcher/launcherstate.h"
#include "launcher/platformchoice.h"
#include "launcher/posixlauncher.h"
#include "launcher/switches.h"
#include "launcher/systemdscopes.h"
#include "store/sqlitestore.h"
#include "ui/prompts.h"
#include "velmora/version.h"

#include <QApplication>
#include <QProcessEnvironment>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

using namespace velmora;

// One whole line, flushed at once: diagnostics must not be lost or
// interleaved when the launcher is killed or its children write too.
void printLine(std::FILE* to, const QString& line) {
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}

const char* const kUsage =
    "Usage: velmora [/run] [/skwait=N] [/nodisp] [/reinstall] [/uninstall]\n"
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
    "Switches are found anywhere on the command line, in any letter case.\n"
    "\"velmora /run /nodisp /skwait=0\" shows no window and needs no desktop.\n"
    "In start-up mode each task's outcome is one line on standard error.\n";

void printVersion() {
    std::printf("%s\n%s\nVersion %s\n%s\n", version::kProductName, version::kFileDescription,
                version::kVersionString, version::kLegalCopyright);
    std::fflush(stdout);
}

// A display for the windowing toolkit, or a platform chosen by the user.
bool hasDesktop() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

QString storeMessage(const StoreError& e) { return QString::fromStdString(e.what()); }

// Asks Qt for `platform` while the application object is made. The choice is
// this process's own: the programs it starts later keep the session's
// QT_QPA_PLATFORM, which is unset again here.
class ScopedPlatform {
public:
    explicit ScopedPlatform(const QByteArray& platform) : m_set(!platform.isEmpty()) {
        if (m_set) qputenv("QT_QPA_PLATFORM", platform);
    }
    ~ScopedPlatform() {
        if (m_set) qunsetenv("QT_QPA_PLATFORM");
    }
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    bool m_set;
};

// /UNINSTALL: one message box in a desktop session; without a display, whose
// toolkit would abort, lines on standard output, or on standard error when
// anything stayed. Non-zero when anything stayed.
int uninstall(int& argc, char** argv) {
    const bool window = !qEnvironmentVariableIsEmpty("DISPLAY") ||
                        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    std::optional<QApplication> app;
    if (window) {
        const ScopedPlatform platform(chooseWindowPlatform(QProcessEnvironment::systemEnvironment()));
        app.emplace(argc, argv);
    }
    QtPrompts prompts;
    const auto tell = [&](const QString& text, bool failed) {
        if (window) {
            prompts.warn(nullptr, text);
            return;
        }
        for (const QString& line : text.split(QChar(13)))
            printLine(failed ? stderr : stdout, failed ? QStringLiteral("velmora: ") + line : line);
    };
    try {
        SqliteStore store(defaultSettingsPath());
        const UninstallResult result = uninstallStartUp(store);
        tell(uninstallSummary(result), !result.succeeded());
        return result.succeeded() ? 0 : 1;
    } catch (const StoreError& e) {
        tell(storeMessage(e), true);
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
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

    // A second instance ends before it reads anything, whatever its switches.
    const InstanceLock lock(InstanceLock::defaultPath());
    if (lock.status() == InstanceLock::Status::HeldElsewhere) {
        // Silence would pass for success here.
        if (!switches.uninstall) return 0;
        printLine(stderr, QStringLiteral("velmora: Velmora is running; nothing has been uninstalled."));
        return 1;
    }
    if (lock.status() == InstanceLock::Status::Unavailable)
        printLine(stderr, QStringLiteral("velmora: %1 Going on without the check for another instance.")
                              .arg(lock.error()));
    if (switches.uninstall) return uninstall(argc, argv);

    // A run that shows no window never opens the display: a missing or stale
    // one (DISPLAY left over, no server) cannot stop the launch, and starting
    // no window toolkit makes the start quicker.
    std::unique_ptr<QCoreApplication> app;
    if (switches.showsNoWindow()) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        if (!hasDesktop()) {
            printLine(stderr, QStringLiteral(
                                  "velmora: a desktop session is needed (neither DISPLAY nor "
                                  "WAYLAND_DISPLAY is set); only \"velmora /run /nodisp /skwait=0\" "
                                  "runs without one."));
            return 1;
        }
        const ScopedPlatform platform(chooseWindowPlatform(QProcessEnvironment::systemEnvironment()));
        app = std::make_unique<QApplication>(argc, argv);
    }
    QtPrompts prompts;

    std::unique_ptr<SqliteStore> store;
    try {
        store = std::make_unique<SqliteStore>(defaultSettingsPath());
    } catch (const StoreError& e) {
        if (switches.run) printLine(stderr, QStringLiteral("velmora: ") + storeMessage(e));
        else prompts.error(nullptr, storeMessage(e));
        return 1;
    }

    LauncherState state;
    SystemClock clock;
    // Each started program gets a systemd scope of its own when a user
    // manager is there: stopping the launcher's unit must not kill them.
    SystemdScopes scopes(sessionBusAddress(QProcessEnvironment::systemEnvironment()));
    PosixLauncher launcher(&scopes);

    if (switches.run) {
        // Start-up mode runs no main event loop; a closed status window must
        // not end the waits of the run.
        QGuiApplication::setQuitOnLastWindowClosed(false);
        StartupSequence sequence(*store, state, launcher, prompts, clock,
                                 [](const QString& line) { printLine(stderr, line); });
        try {
            sequence.run(switches);
        } catch (const StoreError& e) {
            printLine(stderr, QStringLiteral("velmora: ") + storeMessage(e));
            return 1;
        }
        return 0;
    }

    StartupSequence sequence(*store, state, launcher, prompts, clock);
    try {
        const StartupSettings settings = sequence.run(switches);
        return runEditingMode(
            {*store, state, prompts, launcher, clock, settings.installed, settings.defaultKey,
             locateHelpFile(QCoreApplication::applicationDirPath())});
    } catch (const StoreError& e) {
        prompts.error(nullptr, storeMessage(e));
        return 1;
    }
}
