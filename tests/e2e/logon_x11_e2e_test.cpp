// ctest-timeout: 300
// The real program at a logon on X11 under real window managers: Xvfb with
// openbox, xfwm4 or KWin, velmora started as the session starts it, and
// keys typed with xdotool into whatever has the focus, never into a chosen
// window.
// Other programs' windows take the focus before or after the selection
// window appears; the letter must select the configuration all the same.
#include "casename.h"
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
using testing::stop;

struct WindowManager {
    const char* name;
    const char* program;
    std::vector<const char*> args;
    bool sessionBus;                     // reads its settings over a session bus of its own
    const char* settingsFile = nullptr;  // below XDG_CONFIG_HOME
    const char* settings = nullptr;
    friend void PrintTo(const WindowManager& wm, std::ostream* os) { *os << wm.name; }
};

class LogonX11 : public ::testing::TestWithParam<WindowManager> {
protected:
    void SetUp() override {
        if (!testing::XServer::installed())
            GTEST_SKIP() << "Xvfb is not installed (scripts/deps.sh installs it)";
        const QString wm = QStandardPaths::findExecutable(QString::fromUtf8(GetParam().program));
        if (wm.isEmpty())
            GTEST_SKIP() << GetParam().program << " is not installed (scripts/deps.sh installs it)";
        const auto missing = testing::missingTool({"xdotool", "wmctrl", "xwininfo", "xprop", "xmessage"});
        ASSERT_FALSE(missing) << missing->toStdString() << " is not installed (scripts/deps.sh installs it)";
        ASSERT_TRUE(root.isValid());
        // As a logon on X11 starts it: the toolkit chooses its platform itself.
        env = testing::privateFolders(root.path(), {QStringLiteral("work"), QStringLiteral("cache")});
        // KWin builds caches of its own there; two tests at once must not
        // share them.
        env.insert(QStringLiteral("XDG_CACHE_HOME"), root.filePath(QStringLiteral("cache")));
        m_desktop = std::make_unique<testing::X11Desktop>(env);
        ASSERT_FALSE(m_desktop->display().isEmpty()) << "no X server could be started";

        if (GetParam().settingsFile) {
            const QString path =
                root.filePath(QStringLiteral("config/")) + QLatin1String(GetParam().settingsFile);
            ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
            ASSERT_TRUE(testing::writeFile(path, GetParam().settings, false));
        }
        m_wm = wm;
        for (const char* a : GetParam().args) m_wmArgs.append(QString::fromUtf8(a));
        if (GetParam().sessionBus) {
            ASSERT_FALSE(testing::missingTool({"dbus-run-session"}))
                << "dbus-run-session is not installed (scripts/deps.sh installs it)";
        }
        if (!m_windowManagerFirst) return;
        ASSERT_TRUE(m_desktop->startWindowManager(m_wm, m_wmArgs, GetParam().sessionBus))
            << GetParam().name << " did not take over the display";
    }

    // Starts the window manager without waiting for it to be ready.
    bool startWindowManagerBeside() {
        return m_desktop->startWindowManager(m_wm, m_wmArgs, GetParam().sessionBus, false);
    }

    void TearDown() override {
        stop(m_app);
        stop(m_other);
        m_desktop.reset();
    }

    std::optional<QString> tool(const char* name, const QStringList& args, int ms = 10000) {
        return m_desktop->tool(name, args, ms);
    }
    QString waitForWindow(const QString& title) { return m_desktop->waitForWindow(title); }
    QString focusedWindow() { return m_desktop->focusedWindow(); }

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
        ASSERT_TRUE(testing::writeMarker(path, word, work(QStringLiteral("evidence"))));
        SqliteStore store(storePath());
        writeTask(store, n, {word, path, QStringLiteral("DW"), QStringLiteral("ABCDEFG"), keys});
    }
    QStringList evidence() const { return testing::linesOf(work(QStringLiteral("evidence"))); }

    void startVelmora(const QStringList& args) {
        m_app = launch(QStringLiteral(VELMORA_BINARY), args, env);
        ASSERT_TRUE(m_app) << "velmora did not start";
    }
    bool velmoraEnded(int ms) { return m_app->state() == QProcess::NotRunning || m_app->waitForFinished(ms); }
    std::string diagnostics() {
        m_app->waitForReadyRead(300);
        return QString::fromUtf8(m_app->readAllStandardError()).toStdString();
    }

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
        const QString command = QStringLiteral("%1exec xmessage -name %2 -title %2 hello")
                                    .arg(before.join(QLatin1Char(' ')), title);
        m_other = launch(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command}, env);
        ASSERT_TRUE(m_other);
    }

    // The windows on the display, and what the window manager said.
    std::string windowTree() {
        return tool("xwininfo", {QStringLiteral("-root"), QStringLiteral("-tree")})
                   .value_or(QString())
                   .toStdString() +
               "\nthe window manager said:\n" + m_desktop->windowManagerSaid();
    }

    // What the other program said, when it did not show its window.
    std::string otherSaid() {
        if (!m_other) return "it did not start";
        const bool running = m_other->state() != QProcess::NotRunning;
        return (running ? std::string("running; ") : std::string("ended; ")) +
               QString::fromUtf8(m_other->readAllStandardError()).toStdString() + "; the windows:\n" +
               tool("xwininfo", {QStringLiteral("-root"), QStringLiteral("-tree")})
                   .value_or(QString())
                   .toStdString();
    }

    QTemporaryDir root;
    QProcessEnvironment env;
    // Started and ready before the test begins; else the test starts it.
    bool m_windowManagerFirst = true;

private:
    QString m_wm;
    QStringList m_wmArgs;
    std::unique_ptr<testing::X11Desktop> m_desktop;
    std::unique_ptr<QProcess> m_other, m_app;
};

TEST_P(LogonX11, TheLetterSelectsWhenAnotherWindowAlreadyHasTheFocus) {
    task(1, QStringLiteral("bee"), QStringLiteral("b"));
    task(2, QStringLiteral("ant"), QStringLiteral("a"));
    startOther(QStringLiteral("other"));
    const QString other = waitForWindow(QStringLiteral("other"));
    ASSERT_FALSE(other.isEmpty()) << otherSaid();
    ASSERT_TRUE(eventually([&] { return focusedWindow() == other; }, 5000))
        << "the other window has no focus";

    startVelmora({QStringLiteral("/run"), QStringLiteral("/skwait=30")});
    ASSERT_FALSE(waitForWindow(QStringLiteral("Velmora")).isEmpty());
    ASSERT_TRUE(typeUntilVelmoraEnds(QStringLiteral("b"))) << "the letter never ended the wait\n"
                                                           << diagnostics();
    // The task is started without waiting for it: its evidence may come later.
    eventually([&] { return !evidence().isEmpty(); }, 5000);
    EXPECT_EQ(evidence(), QStringList{QStringLiteral("bee")}) << diagnostics();
}

TEST_P(LogonX11, TheLetterSelectsWhenAWindowMapsAfterTheSelectionWindow) {
    task(1, QStringLiteral("bee"), QStringLiteral("b"));
    task(2, QStringLiteral("ant"), QStringLiteral("a"));
    startVelmora({QStringLiteral("/run"), QStringLiteral("/skwait=30")});
    ASSERT_FALSE(waitForWindow(QStringLiteral("Velmora")).isEmpty()) << diagnostics() << windowTree();
    // Another autostarted program, 0.3 s later; window managers focus it.
    startOther(QStringLiteral("later"), {QStringLiteral("sleep 0.3;")});
    const QString later = waitForWindow(QStringLiteral("later"));
    ASSERT_FALSE(later.isEmpty()) << otherSaid();
    eventually([&] { return focusedWindow() == later; }, 2000);
    ASSERT_TRUE(typeUntilVelmoraEnds(QStringLiteral("b"))) << "the letter never ended the wait\n"
                                                           << diagnostics();
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
            return frame.isValid() && std::abs(frame.left() - left) <= 2.0 &&
                   std::abs(frame.top() - top) <= 2.0;
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
    EXPECT_TRUE(
        read(QStringLiteral("Window"), QStringLiteral("Location2")).startsWith(QStringLiteral("3000;4500;")));
}

TEST_P(LogonX11, TheStartupIdentificationGoesToTheWindowAndToNoTask) {
    const QString tokens = work(QStringLiteral("tokens"));
    ASSERT_TRUE(testing::writeFile(
        work(QStringLiteral("tokens.sh")),
        QStringLiteral("#!/bin/sh\necho \"[$DESKTOP_STARTUP_ID][$XDG_ACTIVATION_TOKEN]\" > %1\n")
            .arg(tokens)
            .toUtf8(),
        true));
    {
        SqliteStore store(storePath());
        writeTask(store, 1,
                  {QStringLiteral("tokens"), work(QStringLiteral("tokens.sh")), QStringLiteral("DW"),
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
        said =
            tool("xprop", {QStringLiteral("-id"), id, QStringLiteral("_NET_STARTUP_ID")}).value_or(QString());
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

// The logon of a session that starts velmora and the window manager at the
// same time: the window manager takes over a selection window that is
// already shown, or maps it while it is still starting.
class LogonX11StartingTogether : public LogonX11 {
protected:
    LogonX11StartingTogether() { m_windowManagerFirst = false; }
};

TEST_P(LogonX11StartingTogether, TheLetterSelectsWhenTheWindowManagerStartsWithVelmora) {
    task(1, QStringLiteral("bee"), QStringLiteral("b"));
    task(2, QStringLiteral("ant"), QStringLiteral("a"));
    startVelmora({QStringLiteral("/run"), QStringLiteral("/skwait=30")});
    ASSERT_TRUE(startWindowManagerBeside()) << GetParam().name << " did not start";
    ASSERT_FALSE(waitForWindow(QStringLiteral("Velmora")).isEmpty()) << diagnostics() << windowTree();
    ASSERT_TRUE(typeUntilVelmoraEnds(QStringLiteral("b"))) << "the letter never ended the wait\n"
                                                           << diagnostics() << windowTree();
    eventually([&] { return !evidence().isEmpty(); }, 5000);
    EXPECT_EQ(evidence(), QStringList{QStringLiteral("bee")}) << diagnostics();
}

const auto kWindowManagers =
    ::testing::Values(WindowManager{"openbox", "openbox", {"--sm-disable"}, false},
                      WindowManager{"xfwm4", "xfwm4", {"--compositor=off", "--sm-client-disable"}, true},
                      WindowManager{"xfwm4_preventing_focus_stealing",
                                    "xfwm4",
                                    {"--compositor=off", "--sm-client-disable"},
                                    true,
                                    testing::kXfwm4SettingsFile,
                                    testing::kXfwm4PreventsFocusStealing},
                      WindowManager{"kwin_preventing_focus_stealing_medium",
                                    "kwin_x11",
                                    {},
                                    true,
                                    testing::kKWinSettingsFile,
                                    testing::kKWinBreezeMediumPrevention},
                      WindowManager{"kwin_preventing_focus_stealing_high",
                                    "kwin_x11",
                                    {},
                                    true,
                                    testing::kKWinSettingsFile,
                                    testing::kKWinBreezeHighPrevention});

INSTANTIATE_TEST_SUITE_P(WindowManagers, LogonX11, kWindowManagers, velmora::testing::caseName);
INSTANTIATE_TEST_SUITE_P(WindowManagers, LogonX11StartingTogether, kWindowManagers,
                         velmora::testing::caseName);

}  // namespace
}  // namespace velmora
