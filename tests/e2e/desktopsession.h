#pragma once
// Pieces of a real desktop session for end-to-end tests: private folders for
// the program, processes that are ended on every way out, runs to the end
// with all they said, an X server with a window manager, an X display whose
// server is gone, and keys typed as a person types them, into whatever has
// the focus; a screen reader's view of the message boxes; and the set-up
// the window tests under openbox share.

#include "polling.h"
#include "process/uniquefd.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"
#include "testfiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <optional>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace velmora::testing {

// --- folders and files ----------------------------------------------------------

// The folders of a user of its own below `root`: config, data and a runtime
// folder only its owner may enter, and `more`. The environment returned is
// this process's, with XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_RUNTIME_DIR
// pointing there and without the display, bus and platform of the session
// the tests run in: each test names those it means.
inline QProcessEnvironment privateFolders(const QString& root, const QStringList& more = {}) {
    for (const QString& sub :
         QStringList{QStringLiteral("config"), QStringLiteral("data"), QStringLiteral("runtime")} + more)
        EXPECT_TRUE(QDir(root).mkpath(sub)) << sub.toStdString();
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS"})
        env.remove(QLatin1String(var));
    // No accessibility bus to look for.
    env.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    return env;
}

// The store the program keeps below `configHome`.
inline QString storeBelow(const QString& configHome) {
    return configHome + QStringLiteral("/velmora/settings.db");
}

// A value as the program left it in its store, read through a connection of
// our own: "<missing>" when the value or the whole store does not exist (no
// store is created), "<unreadable>" while the store cannot be read.
inline QString storedValue(const QString& storePath, const QString& section, const QString& key) {
    if (!QFile::exists(storePath)) return QStringLiteral("<missing>");
    try {
        SqliteStore store(storePath);
        return store.read(kApp, section, key, QStringLiteral("<missing>"));
    } catch (const StoreError&) {
        return QStringLiteral("<unreadable>");
    }
}

// An executable shell script at `path` that runs `before` and then appends
// `word` as a line to the file `evidence`: a started program's trace.
inline bool writeMarker(const QString& path, const QString& word, const QString& evidence,
                        const QString& before = {}) {
    return writeFile(path,
                     QStringLiteral("#!/bin/sh\n%1%2echo %3 >> %4\n")
                         .arg(before, before.isEmpty() ? QString() : QStringLiteral("\n"), word, evidence)
                         .toUtf8(),
                     true);
}

// The lines of a file; none when it does not exist.
inline QStringList linesOf(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// --- processes ------------------------------------------------------------------

// The first of `tools` that is not on the PATH, or nothing when all are.
inline std::optional<QString> missingTool(std::initializer_list<const char*> tools) {
    for (const char* tool : tools)
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) return QString::fromLatin1(tool);
    return std::nullopt;
}

// Ends a process: politely first, then for sure.
inline void stop(std::unique_ptr<QProcess>& p) {
    if (!p) return;
    if (p->state() != QProcess::NotRunning) {
        p->terminate();
        if (!p->waitForFinished(3000)) {
            p->kill();
            p->waitForFinished(3000);
        }
    }
    p.reset();
}

// A process that is ended when this goes out of scope; nothing when it could
// not be started. Its standard input is closed at once; it runs in
// `workingFolder` when one is given.
inline std::unique_ptr<QProcess> launch(const QString& program, const QStringList& args,
                                        const QProcessEnvironment& env, const QString& workingFolder = {}) {
    auto p = std::make_unique<QProcess>();
    p->setProgram(program);
    p->setArguments(args);
    p->setProcessEnvironment(env);
    if (!workingFolder.isEmpty()) p->setWorkingDirectory(workingFolder);
    p->start();
    if (!p->waitForStarted(10000)) return nullptr;
    p->closeWriteChannel();
    return p;
}

// Runs a tool to its end within `ms`; its standard output, or nothing when
// it failed or had to be stopped.
inline std::optional<QString> runTool(const QString& program, const QStringList& args,
                                      const QProcessEnvironment& env, int ms = 10000) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(ms)) {
        p.kill();
        p.waitForFinished(3000);
        return std::nullopt;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput());
}

// How a process ended, and all it said.
struct Finished {
    int exitCode = -1;  // -1 when it crashed or did not end
    bool crashed = false;
    QString out, err;  // err is empty when it went to a file
    qint64 ms = 0;     // from its start to its end
    QStringList errLines() const { return err.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

// Waits for `p` to end within `ms`; one that does not is killed and fails
// the test.
inline Finished finish(QProcess& p, int ms = 60000) {
    if (!p.waitForFinished(ms) && p.state() != QProcess::NotRunning) {
        ADD_FAILURE() << p.program().toStdString() << " did not end within " << ms << " ms";
        p.kill();
        p.waitForFinished(3000);
    }
    Finished f;
    f.crashed = p.exitStatus() == QProcess::CrashExit;
    f.exitCode = f.crashed ? -1 : p.exitCode();
    f.out = QString::fromUtf8(p.readAllStandardOutput());
    f.err = QString::fromUtf8(p.readAllStandardError());
    return f;
}

// Runs `program` as a user or a desktop starts it, to its end within `ms`:
// its standard error to `stderrFile` when one is named, in `workingFolder`
// when one is named.
inline Finished runToEnd(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                         int ms = 60000, const QString& stderrFile = {}, const QString& workingFolder = {}) {
    QElapsedTimer clock;
    clock.start();
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    p.setProcessEnvironment(env);
    if (!stderrFile.isEmpty()) p.setStandardErrorFile(stderrFile);
    if (!workingFolder.isEmpty()) p.setWorkingDirectory(workingFolder);
    p.start();
    if (!p.waitForStarted(10000)) {
        ADD_FAILURE() << "could not start " << program.toStdString();
        return {};
    }
    p.closeWriteChannel();
    Finished f = finish(p, ms);
    f.ms = clock.elapsed();
    return f;
}

// --- X11 ------------------------------------------------------------------------

// Xvfb on the first free display from `first` to `last`, 1280 x 1024 at 96
// dpi. With -displayfd it writes the display's number once it accepts
// clients; a display taken by someone else makes it end instead, and the
// next number is tried.
class XServer {
public:
    explicit XServer(int first = 40, int last = 99) {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) return;
        for (int n = first; n <= last; ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)) ||
                QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                continue;
            auto server = std::make_unique<QProcess>();
            server->setProgram(xvfb);
            server->setArguments({QStringLiteral(":%1").arg(n), QStringLiteral("-nolisten"),
                                  QStringLiteral("tcp"), QStringLiteral("-noreset"),
                                  QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-dpi"),
                                  QStringLiteral("96"), QStringLiteral("-screen"), QStringLiteral("0"),
                                  QStringLiteral("1280x1024x24")});
            server->setStandardErrorFile(QProcess::nullDevice());
            server->start();
            if (!server->waitForStarted(5000)) return;
            QByteArray said;
            QElapsedTimer clock;
            clock.start();
            while (!said.contains('\n') && server->state() == QProcess::Running && clock.elapsed() < 15000) {
                server->waitForReadyRead(500);
                said += server->readAllStandardOutput();
            }
            if (said.trimmed() == QByteArray::number(n)) {
                m_server = std::move(server);
                m_display = QStringLiteral(":%1").arg(n);
                return;
            }
            stop(server);
        }
    }
    ~XServer() { stop(m_server); }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    static bool installed() { return !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty(); }
    // ":N", or empty when no server could be started.
    QString display() const { return m_display; }

private:
    std::unique_ptr<QProcess> m_server;
    QString m_display;
};

// An X display number with no server behind it, as a crashed server or a
// variable left over from an earlier session leaves it. `StaleSocket` keeps
// the socket file a server had bound and nobody listens on, open to every
// user as X servers make them; `NoSocket` has no socket at all; `Silent`
// listens but never answers, so that a client that connects would be seen
// (and one that waits for the server's greeting would wait forever). Numbers
// are clear of those XServer takes, and a number without a socket is never
// one that a test may give a socket at the same time; the socket is removed
// again on every way out.
class DeadXDisplay {
public:
    enum class Kind { NoSocket, StaleSocket, Silent };

    explicit DeadXDisplay(Kind kind) {
        for (int n = kind == Kind::NoSocket ? 600 : 150; n < 1000; ++n) {
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(n);
            if (QFileInfo::exists(socket) || QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            if (kind == Kind::NoSocket) {
                m_display = QStringLiteral(":%1").arg(n);
                return;
            }
            if (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix")) && ::mkdir("/tmp/.X11-unix", 01777) == 0)
                ::chmod("/tmp/.X11-unix", 01777);
            UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const QByteArray path = QFile::encodeName(socket);
            std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
            // The bind itself claims the number: another test that took it
            // in the meantime makes it fail, and the next number is tried.
            if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) continue;
            m_socket = socket;
            ::chmod(path.constData(), 0777);
            if (kind == Kind::Silent) {
                EXPECT_EQ(::listen(fd.get(), 4), 0);
                m_listener = std::move(fd);
            }
            m_display = QStringLiteral(":%1").arg(n);
            return;
        }
        ADD_FAILURE() << "no free X display number";
    }
    ~DeadXDisplay() {
        if (!m_socket.isEmpty()) QFile::remove(m_socket);
    }
    DeadXDisplay(const DeadXDisplay&) = delete;
    DeadXDisplay& operator=(const DeadXDisplay&) = delete;

    // ":N".
    QString display() const { return m_display; }
    // Whether a client has connected to a `Silent` display so far.
    bool connectedTo() const {
        pollfd p{m_listener.get(), POLLIN, 0};
        return m_listener.valid() && ::poll(&p, 1, 0) == 1;
    }

private:
    QString m_display;
    QString m_socket;
    UniqueFd m_listener;
};

// A desktop as at a logon on X11: an X server, a window manager if one is
// started, and xdotool and wmctrl to look at the windows and to type.
// xfwm4's settings file below XDG_CONFIG_HOME, and its contents that turn on
// focus-stealing prevention: the window manager then refuses the focus to a
// window that maps while the user works in another.
inline constexpr const char* kXfwm4SettingsFile = "xfce4/xfconf/xfce-perchannel-xml/xfwm4.xml";
inline constexpr const char* kXfwm4PreventsFocusStealing =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<channel name=\"xfwm4\" version=\"1.0\">\n"
    "  <property name=\"general\" type=\"empty\">\n"
    "    <property name=\"prevent_focus_stealing\" type=\"bool\" value=\"true\"/>\n"
    "  </property>\n"
    "</channel>\n";

// KWin's settings file below XDG_CONFIG_HOME, with the Breeze frame and its
// focus-stealing prevention at Medium or High; its compositing is off, as
// on a display without OpenGL.
inline constexpr const char* kKWinSettingsFile = "kwinrc";
inline constexpr const char* kKWinBreezeMediumPrevention =
    "[org.kde.kdecoration2]\nlibrary=org.kde.breeze\ntheme=Breeze\n"
    "[Windows]\nFocusStealingPreventionLevel=2\n"
    "[Compositing]\nEnabled=false\n";
inline constexpr const char* kKWinBreezeHighPrevention =
    "[org.kde.kdecoration2]\nlibrary=org.kde.breeze\ntheme=Breeze\n"
    "[Windows]\nFocusStealingPreventionLevel=3\n"
    "[Compositing]\nEnabled=false\n";

class X11Desktop {
public:
    // Starts the server and points `env` at it: the programs of the test are
    // started with it, and so are this desktop's window manager and tools.
    explicit X11Desktop(QProcessEnvironment& env) {
        env.insert(QStringLiteral("DISPLAY"), m_server->display());
        m_env = env;
    }
    ~X11Desktop() {
        // Without its display the window manager ends, and with it a session
        // bus it was started on.
        if (!m_wm) return;
        m_server.reset();
        m_wm->waitForFinished(5000);
        stop(m_wm);
    }
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    // ":N", or empty when no server could be started.
    QString display() const { return m_server ? m_server->display() : QString(); }

    // Starts `program` as the window manager, on a session bus of its own
    // when `sessionBus`, and waits until it has taken over the display and
    // manages the windows mapped from then on; with `waitUntilReady` false,
    // only until the program runs, as a session starts it beside others.
    bool startWindowManager(const QString& program, const QStringList& args = {}, bool sessionBus = false,
                            bool waitUntilReady = true) {
        m_wm = std::make_unique<QProcess>();
        m_wm->setProcessEnvironment(m_env);
        m_wm->setStandardOutputFile(QProcess::nullDevice());
        if (m_wmLog.open()) m_wm->setStandardErrorFile(m_wmLog.fileName());
        else m_wm->setStandardErrorFile(QProcess::nullDevice());
        if (sessionBus)
            m_wm->start(QStringLiteral("dbus-run-session"),
                        QStringList{QStringLiteral("--"), program} + args);
        else m_wm->start(program, args);
        if (!m_wm->waitForStarted(10000)) return false;
        if (!waitUntilReady) return true;
        return eventually([&] { return tool("wmctrl", {QStringLiteral("-m")}).has_value(); }) &&
               managesNewWindows();
    }

    // Whether a window mapped now is taken into the window manager's list
    // and shown. One that has announced itself may still lose the windows
    // mapped while it finishes starting (KWin does under load): the probe
    // is mapped again until one is managed.
    bool managesNewWindows() const {
        const QString title = QStringLiteral("window-manager-probe");
        for (int attempt = 0; attempt < 5; ++attempt) {
            auto probe = launch(
                QStringLiteral("xmessage"),
                {QStringLiteral("-name"), title, QStringLiteral("-title"), title, QStringLiteral("ready")},
                m_env);
            if (!probe) return false;
            const bool managed = eventually(
                [&] {
                    return !windowsTitled(title).isEmpty() &&
                           tool("wmctrl", {QStringLiteral("-l")}).value_or(QString()).contains(title);
                },
                3000);
            stop(probe);
            if (managed) return gone(title);
        }
        return false;
    }

    // What the window manager wrote on its standard error so far, for a
    // failure's message.
    std::string windowManagerSaid() const {
        QFile log(m_wmLog.fileName());
        return log.open(QIODevice::ReadOnly) ? log.readAll().right(4000).toStdString() : std::string();
    }

    // A tool run on this desktop to its end; its standard output, or nothing
    // when it failed.
    std::optional<QString> tool(const char* name, const QStringList& args, int ms = 10000) const {
        return runTool(QString::fromLatin1(name), args, m_env, ms);
    }

    // The visible windows titled exactly `title`.
    QStringList windowsTitled(const QString& title) const {
        const std::optional<QString> out =
            tool("xdotool", {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                             QStringLiteral("--name"), QLatin1Char('^') + title + QLatin1Char('$')});
        return out ? out->split(QLatin1Char('\n'), Qt::SkipEmptyParts) : QStringList();
    }
    // Waits for a window titled `title` other than those in `known`; its id,
    // or empty.
    QString waitForWindow(const QString& title, const QStringList& known = {}, int ms = 20000) const {
        QString found;
        eventually(
            [&] {
                for (const QString& id : windowsTitled(title))
                    if (!known.contains(id)) found = id;
                return !found.isEmpty();
            },
            ms);
        return found;
    }
    bool gone(const QString& title) const {
        return eventually([&] { return windowsTitled(title).isEmpty(); });
    }
    // The active window as the window manager names it.
    QString activeWindow() const {
        return tool("xdotool", {QStringLiteral("getactivewindow")}, 3000).value_or(QString()).trimmed();
    }
    // The window that has the X input focus.
    QString focusedWindow() const {
        return tool("xdotool", {QStringLiteral("getwindowfocus")}).value_or(QString()).trimmed();
    }
    bool becomesActive(const QString& window, int ms = 15000) const {
        return eventually([&] { return activeWindow() == window; }, ms);
    }
    // Waits until a window titled `title` is shown and the window manager has
    // made it the active one; its id, or empty.
    QString waitForActiveWindow(const QString& title) const {
        QString found;
        eventually([&] {
            const QString active = activeWindow();
            if (!active.isEmpty() && windowsTitled(title).contains(active)) found = active;
            return !found.isEmpty();
        });
        return found;
    }
    // Gives the keyboard to `window` directly, for a display without a
    // window manager to ask, and waits until it has it.
    bool focus(const QString& window) const {
        return tool("xdotool", {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}, 5000)
            .has_value();
    }
    // Keys to whatever has the focus, as a person presses them.
    bool keys(const QStringList& names) const {
        return tool("xdotool",
                    QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60")} +
                        names)
            .has_value();
    }
    bool type(const QString& text) const {
        return tool("xdotool",
                    {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text})
            .has_value();
    }

private:
    std::unique_ptr<XServer> m_server = std::make_unique<XServer>();
    QProcessEnvironment m_env;
    std::unique_ptr<QProcess> m_wm;
    QTemporaryFile m_wmLog;
};

// --- a screen reader's view ------------------------------------------------------

// What a screen reader reads of a program's windows (at-spi2-core, read with
// python3-pyatspi as Orca reads it): a session bus of this test's own with
// the accessibility bus launcher on it, and programs started with Qt's
// accessibility on. The text of a message box can be read only this way.
class ScreenReader {
public:
    static constexpr const char* kLauncher = "/usr/libexec/at-spi-bus-launcher";
    static constexpr const char* kPython = "/usr/bin/python3";

    // What is not installed, or nothing.
    static std::optional<QString> missing() {
        if (!QFileInfo(QLatin1String(kLauncher)).isExecutable()) return QStringLiteral("at-spi2-core");
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            return QStringLiteral("dbus");
        if (!runTool(QLatin1String(kPython), {QStringLiteral("-c"), QStringLiteral("import pyatspi")},
                     QProcessEnvironment::systemEnvironment()))
            return QStringLiteral("python3-pyatspi");
        return std::nullopt;
    }

    // Starts the session bus and the launcher, and points `env` at them with
    // Qt's accessibility on: the programs of the test are started with it.
    explicit ScreenReader(QProcessEnvironment& env) {
        m_bus = std::make_unique<QProcess>();
        m_bus->setProcessEnvironment(env);
        m_bus->setStandardErrorFile(QProcess::nullDevice());
        m_bus->start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                     QStringLiteral("--print-address=1")});
        if (!m_bus->waitForStarted(10000)) return;
        QByteArray address;
        eventually([&] {
            m_bus->waitForReadyRead(200);
            address += m_bus->readAllStandardOutput();
            return address.contains('\n') || m_bus->state() != QProcess::Running;
        });
        if (!address.contains('\n')) return;
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromUtf8(address.trimmed()));
        env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
        env.remove(QStringLiteral("NO_AT_BRIDGE"));
        m_env = env;
        m_launcher = std::make_unique<QProcess>();
        m_launcher->setProcessEnvironment(env);
        m_launcher->setStandardOutputFile(QProcess::nullDevice());
        m_launcher->setStandardErrorFile(QProcess::nullDevice());
        m_launcher->start(QLatin1String(kLauncher), {QStringLiteral("--launch-immediately")});
        m_ready = m_launcher->waitForStarted(10000);
    }
    ~ScreenReader() {
        // The accessibility bus and its registry end with the session bus.
        stop(m_launcher);
        stop(m_bus);
    }
    ScreenReader(const ScreenReader&) = delete;
    ScreenReader& operator=(const ScreenReader&) = delete;

    bool ready() const { return m_ready; }

    // The texts of the message boxes (role "alert") that `application` shows
    // now, as a screen reader reads them: the box's labels, joined by a line
    // break. Empty when there is none, or nothing could be read.
    QStringList messageTexts(const QString& application) const {
        static const QString script = QStringLiteral(R"(
import json, sys, pyatspi
def labels(node, out):
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is None:
            continue
        if child.getRoleName() == 'label' and child.name:
            out.append(child.name)
        labels(child, out)
boxes = []
desktop = pyatspi.Registry.getDesktop(0)
for i in range(desktop.childCount):
    app = desktop.getChildAtIndex(i)
    if app is None or app.name != sys.argv[1]:
        continue
    for j in range(app.childCount):
        window = app.getChildAtIndex(j)
        if window is not None and window.getRoleName() == 'alert':
            out = []
            labels(window, out)
            boxes.append('\n'.join(out))
print(json.dumps(boxes))
)");
        const std::optional<QString> out =
            runTool(QLatin1String(kPython), {QStringLiteral("-c"), script, application}, m_env, 20000);
        QStringList texts;
        if (!out) return texts;
        for (const QJsonValue& text : QJsonDocument::fromJson(out->toUtf8()).array())
            texts.append(text.toString());
        return texts;
    }

    // Waits until `application` shows exactly one message box; its text, or
    // empty.
    QString waitForMessage(const QString& application, int ms = 20000) const {
        QString text;
        eventually(
            [&] {
                const QStringList texts = messageTexts(application);
                if (texts.size() == 1) text = texts.first();
                return !text.isEmpty();
            },
            ms);
        return text;
    }

private:
    std::unique_ptr<QProcess> m_bus;
    std::unique_ptr<QProcess> m_launcher;
    QProcessEnvironment m_env;
    bool m_ready = false;
};

// --- window tests under openbox ----------------------------------------------------

// A user's own folders below a temporary root, an X server with openbox, and
// the real program started as a user starts it: the set-up the window tests
// share. A test that needs a missing tool is skipped.
class OpenboxWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const auto missing = missingTool({"Xvfb", "openbox", "xdotool", "wmctrl"}))
            GTEST_SKIP() << missing->toStdString() << " is not installed (scripts/deps.sh installs it)";
        ASSERT_TRUE(home.isValid());
        env = privateFolders(root(), {QStringLiteral("config/autostart"), QStringLiteral("evidence")});
        env.insert(QStringLiteral("HOME"), root() + QStringLiteral("/home"));
        env.insert(QStringLiteral("XDG_CONFIG_DIRS"), root() + QStringLiteral("/sys"));
        desktop = std::make_unique<X11Desktop>(env);
        ASSERT_FALSE(desktop->display().isEmpty()) << "no X server could be started";
        ASSERT_TRUE(desktop->startWindowManager(QStringLiteral("openbox"))) << "openbox did not start";
    }
    void TearDown() override {
        stop(app);
        desktop.reset();
    }

    QString root() const { return home.path(); }
    QString autostart() const {
        return env.value(QStringLiteral("XDG_CONFIG_HOME")) + QStringLiteral("/autostart");
    }
    QString moved() const {
        return env.value(QStringLiteral("XDG_DATA_HOME")) + QStringLiteral("/velmora/startup");
    }
    QString storePath() const { return storeBelow(env.value(QStringLiteral("XDG_CONFIG_HOME"))); }
    QString stored(const QString& key) const { return storedValue(storePath(), kSequence, key); }
    // What the running program said on standard error so far.
    std::string said() const {
        return app ? QString::fromUtf8(app->readAllStandardError()).toStdString() : std::string();
    }

    // The real program, started as a user starts it; one that did not start
    // fails the test and is never found running or finished.
    std::unique_ptr<QProcess> velmora(const QStringList& args) {
        auto p = launch(QStringLiteral(VELMORA_BINARY), args, env);
        EXPECT_TRUE(p) << "velmora did not start";
        return p ? std::move(p) : std::make_unique<QProcess>();
    }

    // Starts the main window in `app` and presses Install with the keyboard:
    // the list has the focus, and Shift+Tab goes back past Exit, the default
    // key box and "?" to Install. The question's window, active, or empty.
    QString askToInstall() {
        app = velmora({});
        main = desktop->waitForWindow(kTitle);
        if (main.isEmpty() || !desktop->becomesActive(main)) {
            ADD_FAILURE() << "the main window did not appear and take the focus\n" << said();
            return {};
        }
        desktop->keys({QStringLiteral("shift+Tab"), QStringLiteral("shift+Tab"), QStringLiteral("shift+Tab"),
                       QStringLiteral("shift+Tab"), QStringLiteral("space")});
        const QString question = desktop->waitForWindow(kTitle, {main});
        if (question.isEmpty() || !desktop->becomesActive(question)) {
            ADD_FAILURE() << "Install asked nothing\n" << said();
            return {};
        }
        return question;
    }

    // Answers the question `question` with Yes (its default) and returns the
    // message box that follows within `ms`, or empty.
    QString answerYes(const QString& question, int ms = 30000) {
        desktop->keys({QStringLiteral("Return")});
        return desktop->waitForWindow(kTitle, {main, question}, ms);
    }

    // `box` is the only message box; once it is closed with Return the main
    // window is the only window the program shows, and Alt+X ends it.
    void closeAndExit(const QString& box) {
        EXPECT_EQ(desktop->windowsTitled(kTitle).size(), 2) << "more than one message box";
        ASSERT_TRUE(desktop->becomesActive(box));
        ASSERT_TRUE(desktop->keys({QStringLiteral("Return")}));
        ASSERT_TRUE(desktop->becomesActive(main)) << "another message box followed";
        EXPECT_EQ(desktop->windowsTitled(kTitle), QStringList{main});
        ASSERT_TRUE(desktop->keys({QStringLiteral("alt+x")}));
        ASSERT_TRUE(app->waitForFinished(10000)) << "Alt+X did not end the program";
        EXPECT_EQ(app->exitCode(), 0) << said();
        EXPECT_FALSE(desktop->windowsTitled(kTitle).contains(box));
    }

    inline static const QString kTitle = QStringLiteral("Velmora");
    QTemporaryDir home{QDir::tempPath() + QStringLiteral("/velmora-window-XXXXXX")};
    QProcessEnvironment env;
    std::unique_ptr<X11Desktop> desktop;
    std::unique_ptr<QProcess> app;
    QString main;  // the main window, once askToInstall() found it
};

}  // namespace velmora::testing
