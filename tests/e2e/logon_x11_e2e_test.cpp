// ctest-timeout: 300
// The real program at a logon on X11 under real window managers: Xvfb with
// openbox or xfwm4, velmora started as the session starts it, and keys typed
// with xdotool into whatever has the focus, never into a chosen window.
// Other programs' windows take the focus before or after the selection
// window appears; the letter must select the configuration all the same.
#include "desktopsession.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"
#include "testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <string>

// Readable rectangles in failure messages.
static void PrintTo(const QRect& r, std::ostream* os) {
    *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

namespace velmora {
namespace {

using testing::eventually;
using testing::launch;
using testing::runTool;
using testing::stop;

struct WindowManager {
    const char* name;
    const char* program;
    std::vector<const char*> args;
    bool sessionBus;  // reads its settings over a session bus of its own
    const char* settingsFile = nullptr;  // below XDG_CONFIG_HOME
    const char* settings = nullptr;
    friend void PrintTo(const WindowManager& wm, std::ostream* os) { *os << wm.name; }
};


class LogonX11 : public ::testing::TestWithParam<WindowManager> {
protected:
    void SetUp() override {
        if (!testing::XServer::installed()) GTEST_SKIP() << "Xvfb is not installed (scripts/deps.sh installs it)";
        const QString wm = QStandardPaths::findExecutable(QString::fromUtf8(GetParam().program));
        if (wm.isEmpty()) GTEST_SKIP() << GetParam().program << " is not installed (scripts/deps.sh installs it)";
        for (const char* tool : {"xdotool", "wmctrl", "xwininfo", "xprop", "xmessage"}) {
            m_tools[tool] = QStandardPaths::findExecutable(QLatin1String(tool));
            ASSERT_FALSE(m_tools[tool].isEmpty()) << tool << " is not installed (scripts/deps.sh installs it)";
        }
        ASSERT_TRUE(root.isValid());
        m_server = std::make_unique<testing::XServer>(30, 99);
        ASSERT_FALSE(m_server->display().isEmpty()) << "no X server could be started on :30 to :99";

        for (const char* sub : {"config", "data", "runtime", "work"}) QDir(root.path()).mkpath(QLatin1String(sub));
        QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_server->display());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("runtime")));
        env.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
        // As a logon on X11 starts it: the toolkit chooses its platform itself.
        for (const char* var : {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS"})
            env.remove(QLatin1String(var));

        if (GetParam().settingsFile) {
            const QString path = root.filePath(QStringLiteral("config/")) + QLatin1String(GetParam().settingsFile);
            ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
            ASSERT_TRUE(testing::writeFile(path, GetParam().settings, false));
        }
        QStringList args;
        for (const char* a : GetParam().args) args.append(QString::fromUtf8(a));
        if (GetParam().sessionBus) {
            const QString bus = QStandardPaths::findExecutable(QStringLiteral("dbus-run-session"));
            ASSERT_FALSE(bus.isEmpty()) << "dbus-run-session is not installed (scripts/deps.sh installs it)";
            // The bus ends with the window manager, which ends with the display.
            m_wm = launch(bus, QStringList{QStringLiteral("--"), wm} + args, env);
        } else {
            m_wm = launch(wm, args, env);
        }
        ASSERT_TRUE(m_wm) << GetParam().program << " did not start";
        ASSERT_TRUE(eventually([&] { return tool("wmctrl", {QStringLiteral("-m")}).has_value(); }))
            << GetParam().name << " did not take over the display";
    }

    void TearDown() override {
        stop(m_app);
        stop(m_other);
        // Without its display the window manager ends, and with it its bus.
        m_server.reset();
        if (m_wm) m_wm->waitForFinished(5000);
        stop(m_wm);
    }

    std::optional<QString> tool(const char* name, const QStringList& args, int ms = 10000) {
        return runTool(m_tools.value(name, QString::fromUtf8(name)), args, env, ms);
    }

    // The id of the visible window titled exactly `title` once it is shown.
    QString waitForWindow(const QString& title) {
        QString id;
        eventually([&] {
            const auto out = tool("xdotool", {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                              QStringLiteral("--name"), QLatin1Char('^') + title + QLatin1Char('$')});
            id = out ? out->split(QLatin1Char('\n'), Qt::SkipEmptyParts).value(0) : QString();
            return !id.isEmpty();
        }, 20000);
        return id;
    }
    QString focusedWindow() {
        return tool("xdotool", {QStringLiteral("getwindowfocus")}).value_or(QString()).trimmed();
    }

    // The outer rectangle of a managed window: its client area, as the X
    // server has it, grown by the frame the window manager announces.
    QRect frameOf(const QString& id) {
        const auto info = tool("xwininfo", {QStringLiteral("-id"), id});
        const auto extents = tool("xprop", {QStringLiteral("-id"), id, QStringLiteral("_NET_FRAME_EXTENTS")});
        if (!info || !extents) return {};
        const auto number = [&](const char* label) {
            const QRegularExpression re(QLatin1String(label) + QStringLiteral(":\\s*(-?\\d+)"));
            return re.match(*info).captured(1).toInt();
        };
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)")).match(*extents);
        if (!m.hasMatch()) return {};
        const int l = m.captured(1).toInt(), r = m.captured(2).toInt(), t = m.captured(3).toInt(),
                  b = m.captured(4).toInt();
        return QRect(number("Absolute upper-left X") - l, number("Absolute upper-left Y") - t,
                     number("Width") + l + r, number("Height") + t + b);
    }

    QString storePath() const { return root.filePath(QStringLiteral("config/velmora/settings.db")); }
    QString work(const QString& name) const { return root.filePath(QStringLiteral("work/") + name); }
    QString read(const QString& section, const QString& key) {
        SqliteStore store(storePath());
        return store.read(kApp, section, key);
    }
    // Task `n` of configuration `keys`: a script that appends `word` to the evidence file.
    void task(int n, const QString& word, const QString& keys) {
        const QString path = work(word + QStringLiteral(".sh"));
        ASSERT_TRUE(testing::writeFile(
            path, QStringLiteral("#!/bin/sh\necho %1 >> %2\n").arg(word, work(QStringLiteral("evidence"))).toUtf8(),
            true));
        SqliteStore store(storePath());
        writeTask(store, n, {word, path, QStringLiteral("DW"), QStringLiteral("ABCDEFG"), keys});
    }
    QStringList evidence() const {
        QFile f(work(QStringLiteral("evidence")));
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    void startVelmora(const QStringList& args) {
        m_app = launch(QStringLiteral(VELMORA_BINARY), args, env);
        ASSERT_TRUE(m_app) << "velmora did not start";
    }
    bool velmoraEnded(int ms) { return m_app->state() == QProcess::NotRunning || m_app->waitForFinished(ms); }
    std::string diagnostics() { return QString::fromUtf8(m_app->readAllStandardError()).toStdString(); }

    // Types `key` the way a person does while the selection window waits:
    // into whatever has the focus, again every 300 ms, until velmora ends.
    bool typeUntilVelmoraEnds(const QString& key) {
        return eventually(
            [&] {
                tool("xdotool", {QStringLiteral("key"), key});
                return velmoraEnded(300);
            },
            20000);
    }

    // Another program's window, titled `title`.
    void startOther(const QString& title, const QStringList& before = {}) {
        const QString command = QStringLiteral("%1exec %2 -name %3 -title %3 hello")
                                    .arg(before.join(QLatin1Char(' ')), m_tools.value("xmessage"), title);
        m_other = launch(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command}, env);
        ASSERT_TRUE(m_other);
    }

    // What the other program said, when it did not show its window.
    std::string otherSaid() {
        if (!m_other) return "it did not start";
        const bool running = m_other->state() != QProcess::NotRunning;
        return (running ? std::string("running; ") : std::string("ended; ")) +
               QString::fromUtf8(m_other->readAllStandardError()).toStdString() + "; the windows:\n" +
               tool("xwininfo", {QStringLiteral("-root"), QStringLiteral("-tree")}).value_or(QString()).toStdString();
    }

    QTemporaryDir root;
    QProcessEnvironment env;

private:
    QHash<const char*, QString> m_tools;
    std::unique_ptr<testing::XServer> m_server;
    std::unique_ptr<QProcess> m_wm, m_other, m_app;
};

TEST_P(LogonX11, TheLetterSelectsWhenAnotherWindowAlreadyHasTheFocus) {
    task(1, QStringLiteral("bee"), QStringLiteral("b"));
    task(2, QStringLiteral("ant"), QStringLiteral("a"));
    startOther(QStringLiteral("other"));
    const QString other = waitForWindow(QStringLiteral("other"));
    ASSERT_FALSE(other.isEmpty()) << otherSaid();
    ASSERT_TRUE(eventually([&] { return focusedWindow() == other; }, 5000)) << "the other window has no focus";

    startVelmora({QStringLiteral("/run"), QStringLiteral("/skwait=30")});
    ASSERT_FALSE(waitForWindow(QStringLiteral("Velmora")).isEmpty());
    ASSERT_TRUE(typeUntilVelmoraEnds(QStringLiteral("b"))) << "the letter never ended the wait";
    // The task is started without waiting for it: its evidence may come later.
    eventually([&] { return !evidence().isEmpty(); }, 5000);
    EXPECT_EQ(evidence(), QStringList{QStringLiteral("bee")}) << diagnostics();
}

TEST_P(LogonX11, TheLetterSelectsWhenAWindowMapsAfterTheSelectionWindow) {
    task(1, QStringLiteral("bee"), QStringLiteral("b"));
    task(2, QStringLiteral("ant"), QStringLiteral("a"));
    startVelmora({QStringLiteral("/run"), QStringLiteral("/skwait=30")});
    ASSERT_FALSE(waitForWindow(QStringLiteral("Velmora")).isEmpty());
    // Another autostarted program, 0.3 s later; window managers focus it.
    startOther(QStringLiteral("later"), {QStringLiteral("sleep 0.3;")});
    const QString later = waitForWindow(QStringLiteral("later"));
    ASSERT_FALSE(later.isEmpty()) << otherSaid();
    eventually([&] { return focusedWindow() == later; }, 2000);
    ASSERT_TRUE(typeUntilVelmoraEnds(QStringLiteral("b"))) << "the letter never ended the wait";
    // The task is started without waiting for it: its evidence may come later.
    eventually([&] { return !evidence().isEmpty(); }, 5000);
    EXPECT_EQ(evidence(), QStringList{QStringLiteral("bee")}) << diagnostics();
}

TEST_P(LogonX11, TheMainWindowIsRestoredExactlyOverTwoStarts) {
    const QString placed = QStringLiteral("1500;2250;4500;7500;0");  // 150, 100, 500 x 300 px
    {
        SqliteStore store(storePath());
        store.write(kApp, kWindow, QStringLiteral("Location"), placed);
    }
    for (int start = 1; start <= 2; ++start) {
        startVelmora({});
        const QString id = waitForWindow(QStringLiteral("Velmora"));
        ASSERT_FALSE(id.isEmpty()) << "start " << start;
        QRect frame;
        eventually([&] { return (frame = frameOf(id)) == QRect(150, 100, 500, 300); }, 5000);
        EXPECT_EQ(frame, QRect(150, 100, 500, 300)) << "start " << start;
        ASSERT_TRUE(tool("wmctrl", {QStringLiteral("-i"), QStringLiteral("-c"), id}));
        ASSERT_TRUE(velmoraEnded(10000)) << "closing the main window ends the program";
        EXPECT_EQ(read(QStringLiteral("Window"), QStringLiteral("Location")), placed) << "start " << start;
    }
}

TEST_P(LogonX11, TheSelectionWindowSitsCentredAndItsCloseButtonEndsTheWait) {
    task(1, QStringLiteral("bee"), QStringLiteral("b"));
    task(2, QStringLiteral("ant"), QStringLiteral("a"));
    startVelmora({QStringLiteral("/run"), QStringLiteral("/skwait=60")});
    const QString id = waitForWindow(QStringLiteral("Velmora"));
    ASSERT_FALSE(id.isEmpty());
    // Centred across the 1280 px screen, its middle at 42.5 % of 1024 px.
    QRect frame;
    double left = 0, top = 0;
    eventually(
        [&] {
            frame = frameOf(id);
            left = 640 - frame.width() / 2.0;
            top = 1024 * 0.425 - frame.height() / 2.0;
            return frame.isValid() && std::abs(frame.left() - left) <= 2.0 && std::abs(frame.top() - top) <= 2.0;
        },
        5000);
    ASSERT_TRUE(frame.isValid());
    EXPECT_LE(std::abs(frame.left() - left), 2.0) << ::testing::PrintToString(frame);
    EXPECT_LE(std::abs(frame.top() - top), 2.0) << ::testing::PrintToString(frame);

    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(tool("wmctrl", {QStringLiteral("-i"), QStringLiteral("-c"), id}));
    ASSERT_TRUE(velmoraEnded(20000)) << "the wait went on after the close button";
    EXPECT_LT(clock.elapsed(), 20000);
    // Both started without waiting: they end in either order.
    eventually([&] { return evidence().size() >= 2; }, 5000);
    QStringList ran = evidence();
    ran.sort();
    EXPECT_EQ(ran, (QStringList{QStringLiteral("ant"), QStringLiteral("bee")}))
        << "no letter: every task runs, as after Enter";
    const QString stored = read(QStringLiteral("Window"), QStringLiteral("Location2"));
    EXPECT_TRUE(stored.startsWith(QStringLiteral("%1;%2;").arg(frame.top() * 15).arg(frame.left() * 15)))
        << stored.toStdString();
}

TEST_P(LogonX11, TheSelectionWindowComesBackWhereItWasLeft) {
    {
        SqliteStore store(storePath());
        store.write(kApp, kWindow, QStringLiteral("Location2"), QStringLiteral("3000;4500;1000;3000;0"));
    }
    startVelmora({QStringLiteral("/run"), QStringLiteral("/skwait=60")});
    const QString id = waitForWindow(QStringLiteral("Velmora"));
    ASSERT_FALSE(id.isEmpty());
    QRect frame;
    eventually([&] { return (frame = frameOf(id)).topLeft() == QPoint(300, 200); }, 5000);
    EXPECT_EQ(frame.topLeft(), QPoint(300, 200)) << ::testing::PrintToString(frame);
    ASSERT_TRUE(tool("xdotool", {QStringLiteral("key"), QStringLiteral("Return")}));
    ASSERT_TRUE(velmoraEnded(20000));
    EXPECT_TRUE(read(QStringLiteral("Window"), QStringLiteral("Location2")).startsWith(QStringLiteral("3000;4500;")));
}

TEST_P(LogonX11, TheStartupIdentificationGoesToTheWindowAndToNoTask) {
    const QString tokens = work(QStringLiteral("tokens"));
    ASSERT_TRUE(testing::writeFile(work(QStringLiteral("tokens.sh")),
                                   QStringLiteral("#!/bin/sh\necho \"[$DESKTOP_STARTUP_ID][$XDG_ACTIVATION_TOKEN]\" > %1\n")
                                       .arg(tokens)
                                       .toUtf8(),
                                   true));
    {
        SqliteStore store(storePath());
        writeTask(store, 1, {QStringLiteral("tokens"), work(QStringLiteral("tokens.sh")), QStringLiteral("DW"),
                             QStringLiteral("ABCDEFG"), QStringLiteral("*")});
    }
    // As a launcher that follows the startup notification protocol starts it.
    env.insert(QStringLiteral("DESKTOP_STARTUP_ID"), QStringLiteral("velmora-logon_TIME4242"));
    env.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), QStringLiteral("velmora-token"));
    startVelmora({QStringLiteral("/run"), QStringLiteral("/skwait=60")});
    const QString id = waitForWindow(QStringLiteral("Velmora"));
    ASSERT_FALSE(id.isEmpty());
    QString said;
    eventually([&] {
        said = tool("xprop", {QStringLiteral("-id"), id, QStringLiteral("_NET_STARTUP_ID")}).value_or(QString());
        return said.contains(QLatin1String("velmora-logon_TIME4242"));
    });
    EXPECT_TRUE(said.contains(QLatin1String("_NET_STARTUP_ID(UTF8_STRING) = \"velmora-logon_TIME4242\"")))
        << said.toStdString();
    ASSERT_TRUE(tool("xdotool", {QStringLiteral("key"), QStringLiteral("Return")}));
    ASSERT_TRUE(velmoraEnded(20000));
    ASSERT_TRUE(eventually([&] { return QFile::exists(tokens); }, 5000)) << diagnostics();
    const auto written = [&] {
        QFile f(tokens);
        return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
    };
    eventually([&] { return !written().isEmpty(); }, 5000);
    EXPECT_EQ(written().toStdString(), "[][]") << "the task inherited a used token";
}

INSTANTIATE_TEST_SUITE_P(
    WindowManagers, LogonX11,
    ::testing::Values(WindowManager{"openbox", "openbox", {"--sm-disable"}, false},
                      WindowManager{"xfwm4", "xfwm4", {"--compositor=off", "--sm-client-disable"}, true},
                      WindowManager{"xfwm4_preventing_focus_stealing", "xfwm4",
                                    {"--compositor=off", "--sm-client-disable"}, true,
                                    "xfce4/xfconf/xfce-perchannel-xml/xfwm4.xml",
                                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                    "<channel name=\"xfwm4\" version=\"1.0\">\n"
                                    "  <property name=\"general\" type=\"empty\">\n"
                                    "    <property name=\"prevent_focus_stealing\" type=\"bool\" value=\"true\"/>\n"
                                    "  </property>\n"
                                    "</channel>\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora
