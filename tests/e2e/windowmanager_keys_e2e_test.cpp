// ctest-timeout: 180
// The real program under a real window manager (openbox on Xvfb), driven as a
// person would: keys go to whatever window has the focus, never to a chosen
// one. Checks the task editor's Enter rule and the keyboard's ways to the
// list's popup menu.
#include "store/settingsstore.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

namespace velmora {
namespace {

// Polls `done` every 50 ms for at most `ms`; true once it holds.
bool eventually(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (done()) return true;
        if (clock.elapsed() >= ms) return false;
        QThread::msleep(50);
    }
}

// Ends a process on every way out of the test: politely first, then for sure.
void stop(std::unique_ptr<QProcess>& p) {
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

class WindowManagerKeys : public ::testing::Test {
protected:
    void SetUp() override {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        m_xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (xvfb.isEmpty() || openbox.isEmpty() || m_xdotool.isEmpty())
            GTEST_SKIP() << "needs Xvfb, openbox and xdotool (scripts/deps.sh installs them)";
        ASSERT_TRUE(root.isValid());
        startServer(xvfb);
        ASSERT_FALSE(m_display.isEmpty()) << "no X server could be started on :40 to :99";

        for (const char* sub : {"config", "data", "runtime"}) QDir(root.path()).mkpath(QLatin1String(sub));
        QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("DISPLAY"), m_display);
        m_env.insert(QStringLiteral("HOME"), root.path());
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("runtime")));
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        for (const char* var : {"WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"}) m_env.remove(QLatin1String(var));
        m_env.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));

        m_wm = std::make_unique<QProcess>();
        m_wm->setProcessEnvironment(m_env);
        m_wm->setStandardOutputFile(QProcess::nullDevice());
        m_wm->setStandardErrorFile(QProcess::nullDevice());
        m_wm->start(openbox, {});
        ASSERT_TRUE(m_wm->waitForStarted(10000));
        // The window manager is ready once it publishes the desktops.
        ASSERT_TRUE(eventually([&] { return xdo({QStringLiteral("get_desktop")}, 2000).has_value(); }))
            << "openbox did not start";
    }

    void TearDown() override {
        stop(m_app);
        stop(m_wm);
        stop(m_server);
    }

    // Xvfb on the first free display from :40 on; -displayfd tells when it
    // accepts clients, and a display taken by someone else makes it end.
    void startServer(const QString& xvfb) {
        for (int n = 40; n < 100; ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)) ||
                QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                continue;
            auto server = std::make_unique<QProcess>();
            server->setProgram(xvfb);
            server->setArguments({QStringLiteral(":%1").arg(n), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                  QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                  QStringLiteral("0"), QStringLiteral("1280x1024x24")});
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

    std::optional<QString> xdo(const QStringList& args, int ms = 10000) {
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.start(m_xdotool, args);
        if (!p.waitForFinished(ms)) {
            p.kill();
            p.waitForFinished(3000);
            return std::nullopt;
        }
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return std::nullopt;
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    QStringList windowsTitled(const QString& title) {
        const std::optional<QString> out =
            xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                 QLatin1Char('^') + title + QLatin1Char('$')});
        return out ? out->split(QLatin1Char('\n'), Qt::SkipEmptyParts) : QStringList();
    }
    QString activeWindow() {
        const std::optional<QString> out = xdo({QStringLiteral("getactivewindow")}, 3000);
        return out ? out->trimmed() : QString();
    }
    // Waits until a window titled `title` is shown and the window manager has
    // given it the focus; its id, or nothing.
    QString waitForFocusedWindow(const QString& title) {
        QString found;
        eventually([&] {
            const QString active = activeWindow();
            if (!active.isEmpty() && windowsTitled(title).contains(active)) found = active;
            return !found.isEmpty();
        });
        return found;
    }
    bool gone(const QString& title) {
        return eventually([&] { return windowsTitled(title).isEmpty(); });
    }
    // Keys to whatever has the focus.
    bool keys(const QStringList& names) {
        return xdo(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60")} + names)
            .has_value();
    }
    bool type(const QString& text) {
        return xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text}).has_value();
    }

    QString storePath() const { return root.filePath(QStringLiteral("config/velmora/settings.db")); }
    QString stored(const QString& key) const {
        if (!QFile::exists(storePath())) return QStringLiteral("<missing>");
        SqliteStore store(storePath());
        return store.read(kApp, kSequence, key, QStringLiteral("<missing>"));
    }
    std::string diagnostics() const {
        return m_app ? QString::fromUtf8(m_app->readAllStandardError()).toStdString() : std::string();
    }

    // The main window, shown and focused by the window manager.
    QString startVelmora() {
        m_app = std::make_unique<QProcess>();
        m_app->setProgram(QStringLiteral(VELMORA_BINARY));
        m_app->setProcessEnvironment(m_env);
        m_app->start();
        if (!m_app->waitForStarted(10000)) return {};
        m_app->closeWriteChannel();
        return waitForFocusedWindow(QStringLiteral("Velmora"));
    }
    void exitVelmora() {
        ASSERT_FALSE(waitForFocusedWindow(QStringLiteral("Velmora")).isEmpty());
        ASSERT_TRUE(keys({QStringLiteral("alt+x")}));
        ASSERT_TRUE(m_app->waitForFinished(10000)) << "Alt+X did not end the program";
        EXPECT_EQ(m_app->exitCode(), 0) << diagnostics();
    }

    QTemporaryDir root;
    QProcessEnvironment m_env;
    QString m_xdotool;
    QString m_display;
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QProcess> m_wm;
    std::unique_ptr<QProcess> m_app;
};

TEST_F(WindowManagerKeys, EnterInTheTaskEditorsTextBoxesNeitherBrowsesNorSaves) {
    ASSERT_FALSE(startVelmora().isEmpty()) << "the main window did not get the focus\n" << diagnostics();
    ASSERT_TRUE(keys({QStringLiteral("alt+a")}));
    ASSERT_FALSE(waitForFocusedWindow(QStringLiteral("New Task")).isEmpty()) << diagnostics();
    // Description and command complete, so that a pressed OK would save.
    ASSERT_TRUE(type(QStringLiteral("Mail")));
    ASSERT_TRUE(keys({QStringLiteral("Return")}));
    ASSERT_TRUE(keys({QStringLiteral("Tab")}));
    ASSERT_TRUE(type(QStringLiteral("true")));
    ASSERT_TRUE(keys({QStringLiteral("Return"), QStringLiteral("KP_Enter")}));
    // Esc comes after the Enters: it closes the editor only if they opened
    // no file dialog (Esc would close that instead) and saved nothing.
    ASSERT_TRUE(keys({QStringLiteral("Escape")}));
    EXPECT_TRUE(gone(QStringLiteral("New Task"))) << "the editor stayed open: a file dialog took the Esc";
    EXPECT_TRUE(windowsTitled(QStringLiteral("Select program file")).isEmpty());
    exitVelmora();
    EXPECT_EQ(stored(QStringLiteral("Desc001")), QStringLiteral("<missing>")) << "Enter saved the task";
}

TEST_F(WindowManagerKeys, MenuKeyAndShiftF10OpenTheListMenuAtTheSelectedLine) {
    {
        SqliteStore store(storePath());
        for (int n : {1, 2})
            writeTask(store, n, {QStringLiteral("Task %1").arg(n), QStringLiteral("true"), QStringLiteral("DW"),
                                 QStringLiteral("ABCDEFG"), QStringLiteral("*")});
    }
    ASSERT_FALSE(startVelmora().isEmpty()) << "the main window did not get the focus\n" << diagnostics();
    for (const char* key : {"Menu", "shift+F10"}) {
        SCOPED_TRACE(key);
        // The list has the focus, and no line is selected (the list was just
        // filled, or rebuilt after the editor): Down then Up selects the first
        // line whether or not a line is current.
        ASSERT_TRUE(keys({QStringLiteral("Down"), QStringLiteral("Up")}));
        // Down picks the menu's first item, Edit, which opens the editor on
        // the selected task.
        ASSERT_TRUE(keys({QLatin1String(key), QStringLiteral("Down"), QStringLiteral("Return")}));
        ASSERT_FALSE(waitForFocusedWindow(QStringLiteral("Edit Task")).isEmpty())
            << "the menu did not open or did not offer Edit\n" << diagnostics();
        ASSERT_TRUE(keys({QStringLiteral("Escape")}));
        ASSERT_TRUE(gone(QStringLiteral("Edit Task")));
    }
    exitVelmora();
    EXPECT_EQ(stored(QStringLiteral("Desc001")), QStringLiteral("Task 1"));
}

}  // namespace
}  // namespace velmora
