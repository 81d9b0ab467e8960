// ctest-timeout: 180
// The real program under KDE's compositor on native Wayland: a virtual
// KWin with its own session bus, velmora on Qt's Wayland platform, and the
// window closed as the user closes it, through KWin itself (its scripting
// interface; KWin offers no virtual keyboard to tests).
#include "store/tasklayout.h"
#include "waylandsession.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

namespace velmora {
namespace {

using testing::eventually;

// Loads a KWin script under a name of its own and runs it.
constexpr const char* kRunScript = R"(import sys
from gi.repository import Gio, GLib
bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
def call(path, iface, method, args, reply=None):
    return bus.call_sync('org.kde.KWin', path, iface, method, args, reply, Gio.DBusCallFlags.NONE, -1, None)
script, name = sys.argv[1], sys.argv[2]
n = call('/Scripting', 'org.kde.kwin.Scripting', 'loadScript', GLib.Variant('(ss)', (script, name)),
         GLib.VariantType('(i)')).unpack()[0]
if n < 0:
    sys.exit('not loaded')
call('/%d' % n, 'org.kde.kwin.Script', 'run', None)
)";

// Closes every window titled "Velmora", as its close button does.
constexpr const char* kCloseVelmora = R"(const windows = workspace.clientList();
for (let i = 0; i < windows.length; ++i)
    if (windows[i].caption == "Velmora") windows[i].closeWindow();
)";

class KWinWayland : public ::testing::Test {
protected:
    void SetUp() override {
        const QString kwin = QStandardPaths::findExecutable(QStringLiteral("kwin_wayland"));
        if (kwin.isEmpty()) GTEST_SKIP() << "kwin_wayland is not installed (scripts/deps.sh installs it)";
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-run-session")).isEmpty())
            GTEST_SKIP() << "dbus-run-session is not installed (scripts/deps.sh installs it)";
        const QString plugin = QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                               QStringLiteral("/platforms/libqwayland-generic.so");
        if (!QFile::exists(plugin)) GTEST_SKIP() << "Qt's Wayland platform is not installed (qt6-wayland)";
        m_python = QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
        if (m_python.isEmpty() ||
            !testing::runTool(m_python, {QStringLiteral("-c"), QStringLiteral("import gi")}, {}).has_value())
            GTEST_SKIP() << "Python's gi is not installed (python3-gi)";

        ASSERT_TRUE(root.isValid());
        for (const char* sub : {"config", "data", "runtime", "home", "bin"})
            ASSERT_TRUE(QDir(root.path()).mkpath(QLatin1String(sub)));
        QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ASSERT_TRUE(testing::writeFile(root.filePath(QStringLiteral("run-script.py")), kRunScript, false));
        ASSERT_TRUE(testing::writeFile(root.filePath(QStringLiteral("close.js")), kCloseVelmora, false));
        // kwin_wayland carries a file capability that a container may not
        // grant, and then it cannot be started at all; a copy carries none.
        // Its own platform plugin loads only in a program of that name.
        const QString copy = root.filePath(QStringLiteral("bin/kwin_wayland"));
        ASSERT_TRUE(QFile::copy(kwin, copy));
        ASSERT_TRUE(QFile::setPermissions(copy, QFile::ReadOwner | QFile::ExeOwner));
        env = testing::waylandFolders(root);

        m_kwin = testing::launch(QStringLiteral("dbus-run-session"),
                                 testing::onOwnBus(root, QStringLiteral("'%1' --virtual --no-lockscreen "
                                                                        "--no-global-shortcuts --width 1280 "
                                                                        "--height 1024 --socket wayland-0")
                                                             .arg(copy)),
                                 env);
        ASSERT_TRUE(m_kwin);
        const QString bus = testing::waitForOwnBus(root, *m_kwin, QStringLiteral("wayland-0"));
        if (bus.isEmpty())
            GTEST_SKIP() << "a virtual KWin cannot run here: "
                         << m_kwin->readAllStandardError().right(600).toStdString();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus);
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-0"));
    }

    void TearDown() override {
        testing::stop(m_app);
        testing::endOwnBus(root, m_kwin);
    }

    QString storePath() const { return root.filePath(QStringLiteral("config/velmora/settings.db")); }
    void store(const QString& key, const QString& value) {
        SqliteStore s(storePath());
        s.write(kApp, kWindow, key, value);
    }
    QString stored(const QString& key) {
        SqliteStore s(storePath());
        return s.read(kApp, kWindow, key);
    }

    // The main window, shown once KWin configured its toplevel: the
    // protocol messages tell.
    void openMainWindow() {
        QProcessEnvironment with = env;
        with.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        with.insert(QStringLiteral("WAYLAND_DEBUG"), QStringLiteral("client"));
        m_app = testing::launch(QStringLiteral(VELMORA_BINARY), {}, with);
        ASSERT_TRUE(m_app);
        ASSERT_TRUE(testing::configuresToplevel(*m_app)) << "the main window never showed";
        // Configured is not yet in KWin's list of windows.
        QThread::msleep(500);
    }

    // Closes the main window through KWin; whether KWin ran the script.
    bool closeMainWindow(int opening) {
        return testing::runTool(
                   m_python,
                   {root.filePath(QStringLiteral("run-script.py")), root.filePath(QStringLiteral("close.js")),
                    QStringLiteral("close-%1").arg(opening)},
                   env)
            .has_value();
    }
    bool velmoraEnded(int ms) { return m_app->state() == QProcess::NotRunning || m_app->waitForFinished(ms); }

    QTemporaryDir root;
    QProcessEnvironment env;

private:
    QString m_python;
    std::unique_ptr<QProcess> m_kwin, m_app;
};

// KWin draws the frame of Qt's windows itself: the size saved and the size
// applied are the client's, and the window keeps it at every opening.
TEST_F(KWinWayland, TheMainWindowKeepsItsSizeOverFiveOpenings) {
    const QString placed = QStringLiteral("1500;2250;4500;7500;0");
    store(QStringLiteral("Location"), placed);
    for (int opening = 1; opening <= 5; ++opening) {
        ASSERT_NO_FATAL_FAILURE(openMainWindow()) << "opening " << opening;
        ASSERT_TRUE(closeMainWindow(opening)) << "opening " << opening << ": KWin ran no script";
        ASSERT_TRUE(velmoraEnded(10000)) << "opening " << opening << ": the window did not close";
        EXPECT_EQ(stored(QStringLiteral("Location")), placed) << "opening " << opening;
    }
}

// Keys cannot be typed here, but the protocol shows where they would go:
// the selection window is a layer surface that keeps the keyboard while a
// window that maps 0.3 s later is shown, and gives it back when the wait
// ends.
TEST_F(KWinWayland, TheSelectionWindowKeepsTheKeyboardWhileAnotherWindowMaps) {
    QProcessEnvironment with = env;
    with.insert(QStringLiteral("WAYLAND_DEBUG"), QStringLiteral("client"));
    auto app = testing::launch(QStringLiteral(VELMORA_BINARY),
                               {QStringLiteral("/run"), QStringLiteral("/skwait=4")}, with);
    ASSERT_TRUE(app);
    QThread::msleep(300);
    // The other window: velmora's main window as another user's, who has
    // folders of their own and reaches this compositor by its path.
    QProcessEnvironment another = with;
    for (const char* sub : {"other-config", "other-runtime"})
        ASSERT_TRUE(QDir(root.path()).mkpath(QLatin1String(sub)));
    QFile::setPermissions(root.filePath(QStringLiteral("other-runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    another.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("other-config")));
    another.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("other-runtime")));
    another.insert(QStringLiteral("WAYLAND_DISPLAY"), root.filePath(QStringLiteral("runtime/wayland-0")));
    another.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    auto other = testing::launch(QStringLiteral(VELMORA_BINARY), {}, another);
    ASSERT_TRUE(other);
    ASSERT_TRUE(app->waitForFinished(20000)) << "the wait did not end";
    const QString said = QString::fromUtf8(app->readAllStandardError());
    other->terminate();
    other->waitForFinished(5000);
    const QString otherSaid = QString::fromUtf8(other->readAllStandardError());

    const QRegularExpressionMatch layer =
        QRegularExpression(
            QStringLiteral("get_layer_surface\\(new id zwlr_layer_surface_v1@(\\d+), wl_surface@(\\d+)"))
            .match(said);
    ASSERT_TRUE(layer.hasMatch()) << "no layer surface was asked for";
    const QString surface = layer.captured(2);
    const qsizetype exclusive = said.indexOf(
        QStringLiteral("zwlr_layer_surface_v1@%1.set_keyboard_interactivity(1)").arg(layer.captured(1)));
    const qsizetype given = said.lastIndexOf(
        QStringLiteral("zwlr_layer_surface_v1@%1.set_keyboard_interactivity(0)").arg(layer.captured(1)));
    EXPECT_GE(exclusive, 0) << "the keyboard was not asked for";
    EXPECT_GT(given, exclusive) << "the keyboard was not given back";
    // KWin 5 gives the keyboard to the window that maps all the same; the
    // overlay asks for it again at once. Whatever was typed in between went
    // elsewhere, so the keyboard must be back within a moment and stay.
    const QRegularExpression focus(
        QStringLiteral("\\[\\s*([0-9.]+)\\] wl_keyboard@\\d+\\.(enter|leave)\\(\\d+, wl_surface@%1[,)]")
            .arg(surface));
    bool held = false;
    double leftAt = 0, longestAway = 0;
    for (auto it = focus.globalMatch(said.left(given)); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const double at = m.captured(1).toDouble();
        held = m.captured(2) == QLatin1String("enter");
        if (!held) leftAt = at;
        else if (leftAt > 0) longestAway = std::max(longestAway, at - leftAt);
    }
    EXPECT_TRUE(held) << "the layer surface did not hold the keyboard when the wait ended";
    EXPECT_LT(longestAway, 100.0) << "the keyboard was elsewhere for " << longestAway << " ms";
    EXPECT_TRUE(otherSaid.contains(QLatin1String("ack_configure(")))
        << "the other window never showed: " << otherSaid.right(600).toStdString();
}

}  // namespace
}  // namespace velmora
