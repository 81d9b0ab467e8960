// ctest-timeout: 120
// The real program's main window on a real X server, used as a person would:
// started without switches, then driven only by key presses through the
// XTEST extension. Two tasks are added through the task editor, one is moved
// down, the other deleted with the real confirmation box, and the program is
// left with Alt+X; the store it leaves behind is then read back.
#include "desktopsession.h"
#include "store/settingsstore.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>

// Readable QStrings in failure messages.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace velmora {
namespace {

using testing::eventually;
using testing::stop;

class MainWindowKeys : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::XServer::installed()) GTEST_SKIP() << "Xvfb is not installed";
        m_xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        ASSERT_FALSE(m_xdotool.isEmpty()) << "xdotool is not installed (scripts/deps.sh installs it)";
        ASSERT_TRUE(root.isValid());
        m_server = std::make_unique<testing::XServer>(150, 199);
        m_display = m_server->display();
        ASSERT_FALSE(m_display.isEmpty()) << "no X server could be started on :150 to :199";

        for (const char* sub : {"config", "data", "runtime"}) QDir(root.path()).mkpath(QLatin1String(sub));
        QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("DISPLAY"), m_display);
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("runtime")));
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // Nothing of the session this test runs in: no other display, no bus.
        for (const char* var : {"WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"}) m_env.remove(QLatin1String(var));
        m_env.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    }

    void TearDown() override {
        stop(m_app);
        m_server.reset();
    }

    // Runs xdotool with `args` for at most `ms`; its output, or nothing when
    // it failed or had to be stopped.
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
    // The visible windows titled exactly `title`.
    QStringList windowsTitled(const QString& title) {
        const std::optional<QString> out =
            xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                 QLatin1Char('^') + title + QLatin1Char('$')});
        return out ? out->split(QLatin1Char('\n'), Qt::SkipEmptyParts) : QStringList();
    }
    // Waits, bounded, for a window titled `title` to be shown and returns its id.
    QString waitForWindow(const QString& title) {
        const std::optional<QString> out =
            xdo({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                 QStringLiteral("--name"), QLatin1Char('^') + title + QLatin1Char('$')});
        return out ? out->split(QLatin1Char('\n'), Qt::SkipEmptyParts).value(0) : QString();
    }
    // Waits for a window titled `title` other than those in `known`.
    QString waitForAnotherWindow(const QString& title, const QStringList& known) {
        QString found;
        eventually([&] {
            for (const QString& id : windowsTitled(title))
                if (!known.contains(id)) found = id;
            return !found.isEmpty();
        });
        return found;
    }
    // Gives the keyboard to a window. There is no window manager to ask, so
    // the focus is set directly, and waited for.
    bool focus(const QString& window) {
        return xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}, 5000).has_value();
    }
    bool keys(const QStringList& names) {
        return xdo(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("40")} + names)
            .has_value();
    }
    bool type(const QString& text) {
        return xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text}).has_value();
    }

    QString storePath() const { return root.filePath(QStringLiteral("config/velmora/settings.db")); }
    // A value as the program left it, read through a connection of our own;
    // "<missing>" when it does not exist, "<unreadable>" while it cannot be read.
    QString stored(const QString& key) const {
        if (!QFile::exists(storePath())) return QStringLiteral("<unreadable>");
        try {
            SqliteStore store(storePath());
            return store.read(kApp, kSequence, key, QStringLiteral("<missing>"));
        } catch (const StoreError&) {
            return QStringLiteral("<unreadable>");
        }
    }
    bool storedEventually(const QString& key, const QString& value) {
        return eventually([&] { return stored(key) == value; });
    }
    std::string diagnostics() const {
        return m_app ? QString::fromUtf8(m_app->readAllStandardError()).toStdString() : std::string();
    }

    void startVelmora() {
        m_app = std::make_unique<QProcess>();
        m_app->setProgram(QStringLiteral(VELMORA_BINARY));
        m_app->setProcessEnvironment(m_env);
        m_app->start();
        ASSERT_TRUE(m_app->waitForStarted(10000));
        m_app->closeWriteChannel();
    }

    // Adds a task through Alt+A and the task editor, with keys only: the
    // description box has the focus when the editor opens; Tab leads to the
    // command, then past Browse and the chosen wait option to OK, which is no
    // default button and is pressed with Space.
    void addTask(const QString& mainWindow, const QString& desc, const QString& command) {
        ASSERT_TRUE(focus(mainWindow));
        ASSERT_TRUE(keys({QStringLiteral("alt+a")}));
        const QString editor = waitForWindow(QStringLiteral("New Task"));
        ASSERT_FALSE(editor.isEmpty()) << "the task editor did not open\n" << diagnostics();
        ASSERT_TRUE(focus(editor));
        ASSERT_TRUE(type(desc));
        ASSERT_TRUE(keys({QStringLiteral("Tab")}));
        ASSERT_TRUE(type(command));
        ASSERT_TRUE(keys({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("space")}));
        ASSERT_TRUE(eventually([&] { return windowsTitled(QStringLiteral("New Task")).isEmpty(); }))
            << "the editor stayed open";
    }

    QTemporaryDir root;
    QProcessEnvironment m_env;
    QString m_xdotool;
    QString m_display;
    std::unique_ptr<testing::XServer> m_server;
    std::unique_ptr<QProcess> m_app;
};

TEST_F(MainWindowKeys, AddMoveDeleteAndExitWithTheKeyboard) {
    startVelmora();
    const QString main = waitForWindow(QStringLiteral("Velmora"));
    ASSERT_FALSE(main.isEmpty()) << "the main window did not appear\n" << diagnostics();

    addTask(main, QStringLiteral("Alpha"), QStringLiteral("true"));
    ASSERT_TRUE(storedEventually(QStringLiteral("Desc001"), QStringLiteral("Alpha"))) << stored(QStringLiteral("Desc001")).toStdString();
    addTask(main, QStringLiteral("Beta"), QStringLiteral("true"));
    ASSERT_TRUE(storedEventually(QStringLiteral("Desc002"), QStringLiteral("Beta"))) << stored(QStringLiteral("Desc002")).toStdString();

    // The list has had the focus from the start: access keys press their
    // buttons without taking it, and a closed editor gives it back. Down then
    // Up selects the first line whether or not a line was current; four Tabs
    // lead past Add, Edit and "<" to ">".
    ASSERT_TRUE(focus(main));
    ASSERT_TRUE(keys({QStringLiteral("Down"), QStringLiteral("Up")}));
    ASSERT_TRUE(keys({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"),
                      QStringLiteral("space")}));
    ASSERT_TRUE(storedEventually(QStringLiteral("Desc001"), QStringLiteral("Beta"))) << "Alpha was not moved down";
    EXPECT_EQ(stored(QStringLiteral("Desc002")), QStringLiteral("Alpha"));

    // The moved line stays selected: Alt+D deletes Alpha once the real
    // message box is answered with Enter, its default button Yes.
    ASSERT_TRUE(keys({QStringLiteral("alt+d")}));
    const QString question = waitForAnotherWindow(QStringLiteral("Velmora"), {main});
    ASSERT_FALSE(question.isEmpty()) << "no confirmation was asked\n" << diagnostics();
    ASSERT_TRUE(focus(question));
    ASSERT_TRUE(keys({QStringLiteral("Return")}));
    ASSERT_TRUE(storedEventually(QStringLiteral("Desc002"), QStringLiteral("<missing>"))) << "Alpha was not deleted";

    ASSERT_TRUE(focus(main));
    ASSERT_TRUE(keys({QStringLiteral("alt+x")}));
    ASSERT_TRUE(m_app->waitForFinished(10000)) << "Alt+X did not end the program";
    EXPECT_EQ(m_app->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_app->exitCode(), 0) << diagnostics();

    SqliteStore store(storePath());
    EXPECT_EQ(readTask(store, 1), (TaskRecord{QStringLiteral("Beta"), QStringLiteral("true"), QStringLiteral("DW"),
                                              QStringLiteral("ABCDEFG"), QStringLiteral("*")}));
    for (const TaskField field : kAllTaskFields)
        EXPECT_EQ(store.read(kApp, kSequence, taskKey(field, 2), QStringLiteral("<missing>")),
                  QStringLiteral("<missing>"))
            << taskKey(field, 2).toStdString();
    // The unload ran: the default key and the placement were written.
    EXPECT_EQ(store.read(kApp, kSequence, kDefaultKey, QStringLiteral("<missing>")), QString());
    EXPECT_NE(store.read(kApp, kWindow, kLocation), QString());
}

}  // namespace
}  // namespace velmora
