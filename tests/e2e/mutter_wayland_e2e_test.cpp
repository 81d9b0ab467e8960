// ctest-timeout: 180
// The real program under GNOME's compositor on native Wayland: a headless
// mutter with its own session bus, velmora on Qt's Wayland platform, keys
// given to the seat through mutter's remote desktop interface. There Qt
// draws the window's frame itself. mutter runs as an unprivileged user when
// the test runs as root, as sway does.
#include "store/tasklayout.h"
#include "waylandsession.h"

#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

#include <unistd.h>

namespace velmora {
namespace {

using testing::eventually;

// Keys into mutter's seat through org.gnome.Mutter.RemoteDesktop: one
// session for the whole test, as a remote desktop keeps one; each line read
// names keysyms (hexadecimal) pressed together, and "sent" answers it.
constexpr const char* kRemoteKeyboard = R"(import sys, time
from gi.repository import Gio, GLib
bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
def call(path, iface, method, args, reply=None):
    return bus.call_sync('org.gnome.Mutter.RemoteDesktop', path, iface, method, args,
                         reply, Gio.DBusCallFlags.NONE, -1, None)
session = call('/org/gnome/Mutter/RemoteDesktop', 'org.gnome.Mutter.RemoteDesktop',
               'CreateSession', None, GLib.VariantType('(o)')).unpack()[0]
iface = 'org.gnome.Mutter.RemoteDesktop.Session'
call(session, iface, 'Start', None)
def key(sym, down):
    call(session, iface, 'NotifyKeyboardKeysym', GLib.Variant('(ub)', (sym, down)))
# The virtual keyboard appears with its first event.
key(0xffe1, True); key(0xffe1, False)
print('ready', flush=True)
for line in sys.stdin:
    syms = [int(s, 16) for s in line.split()]
    for s in syms: key(s, True)
    time.sleep(0.02)
    for s in reversed(syms): key(s, False)
    print('sent', flush=True)
)";

class MutterWayland : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"mutter", "dbus-run-session"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed (scripts/deps.sh installs it)";
        }
        m_python = QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
        if (m_python.isEmpty() ||
            !testing::runTool(m_python, {QStringLiteral("-c"), QStringLiteral("import gi")}, {}).has_value())
            GTEST_SKIP() << "Python's gi is not installed (python3-gi)";
        m_asRoot = ::geteuid() == 0;
        if (m_asRoot) {
            m_setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
            ASSERT_FALSE(m_setpriv.isEmpty());
        }
        ASSERT_TRUE(root.isValid());
        for (const char* sub : {"config", "data", "runtime", "home"})
            ASSERT_TRUE(QDir(root.path()).mkpath(QLatin1String(sub)));
        ASSERT_TRUE(testing::writeFile(root.filePath(QStringLiteral("keys.py")), kRemoteKeyboard, false));
        QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (m_asRoot) {
            QFile::setPermissions(root.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                   QFile::ReadOther | QFile::ExeOther);
            ASSERT_TRUE(testing::giveTo(root.path(), testing::kUnprivileged));
        }
        env = testing::waylandFolders(root);

        m_mutter = launchAs(
            QStringLiteral("dbus-run-session"),
            testing::onOwnBus(
                root, QStringLiteral("mutter --headless --wayland --no-x11 --virtual-monitor 1280x1024")),
            env);
        ASSERT_TRUE(m_mutter);
        const QString bus = testing::waitForOwnBus(root, *m_mutter, QStringLiteral("wayland-0"));
        if (bus.isEmpty())
            GTEST_SKIP() << "headless mutter cannot run here: "
                         << m_mutter->readAllStandardError().right(600).toStdString();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus);
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-0"));

        m_keys = launchAs(m_python, {root.filePath(QStringLiteral("keys.py"))}, env, true);
        ASSERT_TRUE(m_keys);
        ASSERT_TRUE(m_keys->waitForReadyRead(20000) && m_keys->readLine().startsWith("ready"))
            << "no remote desktop session: " << m_keys->readAllStandardError().toStdString();
    }

    void TearDown() override {
        testing::stop(m_app);
        testing::stop(m_keys);
        testing::endOwnBus(root, m_mutter);
    }

    std::unique_ptr<QProcess> launchAs(const QString& program, const QStringList& args,
                                       const QProcessEnvironment& with, bool keepInput = false) {
        QStringList all = args;
        QString run = program;
        if (m_asRoot) {
            all = testing::WaylandSession::unprivilegedArgs() + QStringList{program} + args;
            run = m_setpriv;
        }
        if (!keepInput) return testing::launch(run, all, with);
        auto p = std::make_unique<QProcess>();
        p->setProgram(run);
        p->setArguments(all);
        p->setProcessEnvironment(with);
        p->start();
        if (!p->waitForStarted(10000)) return nullptr;
        return p;
    }

    // Presses the keysyms together, into whatever has the focus.
    void press(const QByteArray& keysyms) {
        m_keys->write(keysyms + '\n');
        ASSERT_TRUE(m_keys->waitForReadyRead(10000) && m_keys->readLine().startsWith("sent"));
    }

    QString storePath() const { return root.filePath(QStringLiteral("config/velmora/settings.db")); }
    void store(const QString& key, const QString& value) {
        {
            SqliteStore s(storePath());
            s.write(kApp, kWindow, key, value);
        }
        if (m_asRoot) {
            ASSERT_TRUE(testing::giveTo(root.path(), testing::kUnprivileged));
        }
    }
    QString stored(const QString& key) {
        QString value;
        {
            SqliteStore s(storePath());
            value = s.read(kApp, kWindow, key);
        }
        if (m_asRoot) {
            EXPECT_TRUE(testing::giveTo(root.path(), testing::kUnprivileged));
        }
        return value;
    }

    // The main window, shown once mutter configured its toplevel: the
    // protocol messages tell, since mutter has no window list to ask.
    void openMainWindow() {
        QProcessEnvironment with = env;
        with.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        with.insert(QStringLiteral("WAYLAND_DEBUG"), QStringLiteral("client"));
        m_app = launchAs(QStringLiteral(VELMORA_BINARY), {}, with);
        ASSERT_TRUE(m_app);
        ASSERT_TRUE(testing::configuresToplevel(*m_app)) << "the main window never showed";
        // Configured is not yet focused; the close key goes to the focus.
        QThread::msleep(500);
    }

    QTemporaryDir root;
    QProcessEnvironment env;

private:
    bool m_asRoot = false;
    QString m_setpriv, m_python;
    std::unique_ptr<QProcess> m_mutter, m_keys, m_app;

protected:
    bool velmoraEnded(int ms) { return m_app->state() == QProcess::NotRunning || m_app->waitForFinished(ms); }
};

// Qt draws the frame itself here: the size saved and the size applied must
// be the same thing, or the window grows by its frame at every opening.
TEST_F(MutterWayland, TheMainWindowKeepsItsSizeOverFiveOpenings) {
    const QString placed = QStringLiteral("1500;2250;4500;7500;0");
    store(QStringLiteral("Location"), placed);
    for (int opening = 1; opening <= 5; ++opening) {
        ASSERT_NO_FATAL_FAILURE(openMainWindow()) << "opening " << opening;
        press("ffe9 ffc1");  // Alt+F4, the window's close as mutter gives it
        ASSERT_TRUE(velmoraEnded(10000)) << "opening " << opening << ": the window did not close";
        EXPECT_EQ(stored(QStringLiteral("Location")), placed) << "opening " << opening;
    }
}

}  // namespace
}  // namespace velmora
