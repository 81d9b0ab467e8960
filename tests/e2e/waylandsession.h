#pragma once
// A native Wayland session for end-to-end tests: a headless sway with one
// virtual keyboard that lives as long as the session, the program's private
// folders, and keys typed with wtype into whatever has the focus. sway
// refuses to run as root, so when the tests run as root the compositor, the
// program and every tool run as an unprivileged user, who also owns the
// folders and the store.

#include "desktopsession.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"
#include "testfiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <unistd.h>

#include <functional>
#include <memory>
#include <optional>

namespace velmora::testing {

inline constexpr int kUnprivileged = 65534;

// Changes the owner of `path` and everything below it.
inline bool giveTo(const QString& path, int uid) {
    if (::chown(QFile::encodeName(path).constData(), uid_t(uid), gid_t(uid)) != 0) return false;
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        if (::lchown(QFile::encodeName(it.next()).constData(), uid_t(uid), gid_t(uid)) != 0) return false;
    }
    return true;
}

// A compositor's session below `root` (its folders home, config, data and
// runtime), with nothing of the caller's but PATH: neither a display nor a
// bus leaks in, and no accessibility bus is looked for.
inline QProcessEnvironment waylandFolders(const QTemporaryDir& root) {
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    env.insert(QStringLiteral("HOME"), root.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    return env;
}

// A compositor on a session bus of its own, as `dbus-run-session` makes one:
// the arguments for it that run `command` (a shell command) after writing
// the bus's address and the shell's process id into the runtime folder
// below `root`.
inline QStringList onOwnBus(const QTemporaryDir& root, const QString& command) {
    return {QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
            QStringLiteral("echo $$ > '%2'; echo \"$DBUS_SESSION_BUS_ADDRESS\" > '%1'; exec %3")
                .arg(root.filePath(QStringLiteral("runtime/bus-address")),
                     root.filePath(QStringLiteral("runtime/session-pid")), command)};
}

// Waits until the compositor started so listens on `socket` and its bus is
// known; the bus's address, or empty when it ended or did not come up.
inline QString waitForOwnBus(const QTemporaryDir& root, QProcess& compositor, const QString& socket) {
    const QString busFile = root.filePath(QStringLiteral("runtime/bus-address"));
    eventually(
        [&] {
            return (QFile::exists(root.filePath(QStringLiteral("runtime/") + socket)) &&
                    QFileInfo(busFile).size() > 0) ||
                   compositor.state() == QProcess::NotRunning;
        },
        20000);
    QFile bus(busFile);
    if (compositor.state() == QProcess::NotRunning || !bus.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(bus.readAll().trimmed());
}

// Ends a compositor started so: dbus-run-session passes no signal on, so it
// is ended by its own process id, and the bus goes with it.
inline void endOwnBus(const QTemporaryDir& root, std::unique_ptr<QProcess>& compositor) {
    QFile pid(root.filePath(QStringLiteral("runtime/session-pid")));
    if (pid.open(QIODevice::ReadOnly)) {
        if (const int id = pid.readAll().trimmed().toInt(); id > 0) ::kill(pid_t(id), SIGTERM);
    }
    if (compositor) compositor->waitForFinished(5000);
    stop(compositor);
}

// Whether `app`, started with WAYLAND_DEBUG=client, acknowledges the
// configuration of a surface of its own within 20 s: the compositor then
// shows it. What it said is read up to there.
inline bool configuresToplevel(QProcess& app) {
    QByteArray said;
    return eventually(
        [&] {
            app.setReadChannel(QProcess::StandardError);
            while (app.waitForReadyRead(0)) {
            }
            said += app.readAllStandardError();
            return said.contains("xdg_surface@") && said.contains(".ack_configure(");
        },
        20000);
}

// A fixture whose every test runs in a fresh session; skipped where sway,
// wtype or Qt's Wayland platform is missing or the compositor cannot run.
// `env` is the session's environment without any platform of Qt's chosen.
class WaylandSession : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"sway", "swaymsg", "wtype"}) {
            m_tools[tool] = QStandardPaths::findExecutable(QLatin1String(tool));
            if (m_tools[tool].isEmpty())
                GTEST_SKIP() << tool << " is not installed (scripts/deps.sh installs it)";
        }
        const QString plugin = QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                               QStringLiteral("/platforms/libqwayland-generic.so");
        if (!QFile::exists(plugin)) GTEST_SKIP() << "Qt's Wayland platform is not installed (qt6-wayland)";
        m_asRoot = ::geteuid() == 0;
        if (m_asRoot) {
            m_setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
            ASSERT_FALSE(m_setpriv.isEmpty()) << "setpriv is needed to run sway as an unprivileged user";
        }

        ASSERT_TRUE(root.isValid());
        for (const char* sub : {"config", "data", "runtime", "work", "home"})
            ASSERT_TRUE(QDir(root.path()).mkpath(QLatin1String(sub)));
        ASSERT_TRUE(writeFile(root.filePath(QStringLiteral("sway.conf")),
                              "output HEADLESS-1 mode 1280x1024 position 0 0\n"
                              "xwayland disable\n"
                              "default_border normal\n"
                              "focus_on_window_activation focus\n",
                              false));
        QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (m_asRoot) {
            QFile::setPermissions(root.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                   QFile::ReadOther | QFile::ExeOther);
            ASSERT_TRUE(giveTo(root.path(), kUnprivileged));
        }

        env = waylandFolders(root);

        QProcessEnvironment compositor = env;
        compositor.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        compositor.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        compositor.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
        m_sway = launchAs(m_tools.value("sway"),
                          {QStringLiteral("-c"), root.filePath(QStringLiteral("sway.conf"))}, compositor);
        ASSERT_TRUE(m_sway) << "sway did not start";
        QString display, ipc;
        const bool up = eventually(
            [&] {
                const QDir runtime(root.filePath(QStringLiteral("runtime")));
                for (const QString& name : runtime.entryList(QDir::System | QDir::Files)) {
                    if (name.startsWith(QLatin1String("wayland-")) && !name.endsWith(QLatin1String(".lock")))
                        display = name;
                    if (name.startsWith(QLatin1String("sway-ipc."))) ipc = runtime.filePath(name);
                }
                return (!display.isEmpty() && !ipc.isEmpty()) || m_sway->state() == QProcess::NotRunning;
            },
            15000);
        if (!up || display.isEmpty() || ipc.isEmpty()) {
            const QByteArray said = m_sway->readAllStandardError().right(600);
            GTEST_SKIP() << "the headless compositor cannot run here: " << said.toStdString();
        }
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), display);
        env.insert(QStringLiteral("SWAYSOCK"), ipc);
        // A fresh virtual keyboard loses its first press; this one lives as
        // long as the session.
        m_keyboard = launchAs(m_tools.value("wtype"), {QStringLiteral("-s"), QStringLiteral("3600000")}, env);
        ASSERT_TRUE(m_keyboard);
        ASSERT_TRUE(eventually([&] {
            return swaymsg({QStringLiteral("-t"), QStringLiteral("get_inputs")})
                .value_or(QString())
                .contains(QLatin1String("keyboard"));
        })) << "no keyboard in the session";
    }

    void TearDown() override {
        stop(m_app);
        stop(m_keyboard);
        stop(m_sway);
    }

    // `program` as the session's user.
    std::unique_ptr<QProcess> launchAs(const QString& program, const QStringList& args,
                                       const QProcessEnvironment& with) {
        // Started in the session's own folder: the test's may be one the
        // unprivileged user cannot enter (a private temporary checkout), and
        // some programs, foot among them, do not start without theirs.
        const QString folder = root.filePath(QStringLiteral("work"));
        if (!m_asRoot) return launch(program, args, with, folder);
        return launch(m_setpriv, unprivileged() + QStringList{program} + args, with, folder);
    }
    std::optional<QString> toolAs(const QString& program, const QStringList& args) {
        if (!m_asRoot) return runTool(program, args, env);
        return runTool(m_setpriv, unprivileged() + QStringList{program} + args, env);
    }
    static QStringList unprivileged() { return unprivilegedArgs(); }

public:
    // setpriv's arguments that run a program as the unprivileged user.
    static QStringList unprivilegedArgs() {
        return {QStringLiteral("--reuid=%1").arg(kUnprivileged),
                QStringLiteral("--regid=%1").arg(kUnprivileged), QStringLiteral("--clear-groups"),
                QStringLiteral("--")};
    }

protected:
    std::optional<QString> swaymsg(const QStringList& args) { return toolAs(m_tools.value("swaymsg"), args); }
    // Types `text` into whatever has the focus.
    void type(const QString& text) { toolAs(m_tools.value("wtype"), {text}); }
    // Presses and releases the key named `keysym` ("Return", "Escape").
    void press(const QString& keysym) { toolAs(m_tools.value("wtype"), {QStringLiteral("-k"), keysym}); }

    // The window titled `title` in sway's tree, or an empty object.
    QJsonObject windowTitled(const QString& title) {
        const auto tree = swaymsg({QStringLiteral("-t"), QStringLiteral("get_tree")});
        if (!tree) return {};
        QJsonObject found;
        const std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& node) {
            if (node.value(QStringLiteral("name")).toString() == title &&
                node.contains(QStringLiteral("pid")))
                found = node;
            for (const char* list : {"nodes", "floating_nodes"})
                for (const QJsonValue& child : node.value(QLatin1String(list)).toArray())
                    walk(child.toObject());
        };
        walk(QJsonDocument::fromJson(tree->toUtf8()).object());
        return found;
    }
    QJsonObject waitForWindow(const QString& title, int ms = 15000) {
        QJsonObject window;
        eventually([&] { return !(window = windowTitled(title)).isEmpty(); }, ms);
        return window;
    }

    QString storePath() const { return root.filePath(QStringLiteral("config/velmora/settings.db")); }
    QString work(const QString& name) const { return root.filePath(QStringLiteral("work/") + name); }
    // The store is seeded by this process and then handed to the session's user.
    void seed(const std::function<void(SettingsStore&)>& fill) {
        {
            SqliteStore store(storePath());
            fill(store);
        }
        if (m_asRoot) {
            ASSERT_TRUE(giveTo(root.path(), kUnprivileged));
        }
    }
    QString read(const QString& section, const QString& key) {
        QString value;
        {
            SqliteStore store(storePath());
            value = store.read(kApp, section, key);
        }
        // Files the store made while reading belong to the session's user too.
        if (m_asRoot) {
            EXPECT_TRUE(giveTo(root.path(), kUnprivileged));
        }
        return value;
    }
    // Task `n`, started without waiting on every day in the configurations
    // `keys`: a script that appends `word` to the evidence.
    void task(SettingsStore& s, int n, const QString& word, const QString& keys) {
        const QString path = work(word + QStringLiteral(".sh"));
        ASSERT_TRUE(writeMarker(path, word, work(QStringLiteral("evidence"))));
        writeTask(s, n, {word, path, QStringLiteral("DW"), QStringLiteral("ABCDEFG"), keys});
    }
    QStringList evidence() const { return linesOf(work(QStringLiteral("evidence"))); }

    // The real program in this session, as its user, with `with` as its
    // whole environment.
    void startVelmora(const QStringList& args, const QProcessEnvironment& with) {
        m_said.clear();
        m_reported = 0;
        m_app = launchAs(QStringLiteral(VELMORA_BINARY), args, with);
        ASSERT_TRUE(m_app) << "velmora did not start";
    }
    // The program's environment for a run whose protocol messages show when
    // its overlay surface is up: layer surfaces are not in sway's tree.
    static QProcessEnvironment tracingProtocol(QProcessEnvironment with) {
        with.insert(QStringLiteral("WAYLAND_DEBUG"), QStringLiteral("client"));
        return with;
    }
    // Whether the selection window is up: on the overlay layer (the
    // compositor configured the layer surface, which gets its picture at
    // once; seen only with tracingProtocol()), or as a window titled
    // "Velmora".
    bool selectionWindowUp() {
        collect();
        return (m_said.contains("zwlr_layer_surface_v1@") && m_said.contains(".ack_configure(")) ||
               !windowTitled(QStringLiteral("Velmora")).isEmpty();
    }
    bool velmoraEnded(int ms) { return m_app->state() == QProcess::NotRunning || m_app->waitForFinished(ms); }
    bool velmoraSucceeded() const {
        return m_app->exitStatus() == QProcess::NormalExit && m_app->exitCode() == 0;
    }
    // What the program has written to standard error since this was last
    // asked, without protocol messages.
    std::string diagnostics() {
        collect();
        QByteArray told;
        for (const QByteArray& line : m_said.mid(m_reported).split('\n'))
            if (!line.startsWith('[') && !line.isEmpty()) told += line + '\n';
        m_reported = m_said.size();
        return told.toStdString();
    }

    QTemporaryDir root;
    QProcessEnvironment env;

private:
    // Reads what the program wrote; the test's thread runs no event loop
    // that would.
    void collect() {
        if (!m_app) return;
        m_app->setReadChannel(QProcess::StandardError);
        while (m_app->waitForReadyRead(0)) {
        }
        m_said += m_app->readAllStandardError();
    }

    bool m_asRoot = false;
    QString m_setpriv;
    QHash<const char*, QString> m_tools;
    std::unique_ptr<QProcess> m_sway, m_keyboard, m_app;
    QByteArray m_said;  // the program's standard error so far
    qsizetype m_reported = 0;
};

}  // namespace velmora::testing
