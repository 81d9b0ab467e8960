// ctest-timeout: 180
// What a screen reader finds in the real program: the main window and the task
// editor on a real X server with openbox, Qt's accessibility bridge on, read
// back through the desktop's own accessibility stack (at-spi2 and pyatspi).
// Every control a person can reach must say what it is and what it is for; and
// a task can be written with the keyboard alone.
#include "desktopsession.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace velmora {
namespace {

using testing::eventually;
using testing::stop;

const QString kBusLauncher = QStringLiteral("/usr/libexec/at-spi-bus-launcher");
// Debian's own interpreter, which python3-pyatspi is installed for, whatever
// else PATH offers.
const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kTreeTool = QStringLiteral(VELMORA_SOURCE_DIR "/tests/e2e/tools/accessibletree.py");

struct Accessible {
    QString role, name;
    bool focusable = false, showing = false;
};

class ScreenReader : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::XServer::installed()) GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_FALSE(testing::missingTool({"xdotool", "openbox", "dbus-daemon"}))
            << "scripts/deps.sh installs the tools";
        ASSERT_TRUE(QFileInfo(kBusLauncher).isExecutable()) << "at-spi2-core is not installed";
        ASSERT_TRUE(testing::runTool(kPython, {QStringLiteral("-c"), QStringLiteral("import pyatspi")},
                                     QProcessEnvironment::systemEnvironment()))
            << "python3-pyatspi is not installed";
        ASSERT_TRUE(root.isValid());
        m_env = testing::privateFolders(root.path());
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_env.remove(QStringLiteral("NO_AT_BRIDGE"));
        m_env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));

        // A session bus of the test's own, and the accessibility bus on it.
        m_bus = std::make_unique<QProcess>();
        m_bus->setProcessEnvironment(m_env);
        m_bus->start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                     QStringLiteral("--print-address=1")});
        ASSERT_TRUE(m_bus->waitForStarted(10000));
        ASSERT_TRUE(eventually([&] { return m_bus->canReadLine() || m_bus->waitForReadyRead(100); }));
        const QString address = QString::fromUtf8(m_bus->readLine()).trimmed();
        ASSERT_FALSE(address.isEmpty());
        m_env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);

        m_desktop = std::make_unique<testing::X11Desktop>(m_env);
        ASSERT_FALSE(m_desktop->display().isEmpty()) << "no X server could be started";
        ASSERT_TRUE(m_desktop->startWindowManager(QStringLiteral("openbox")));
        m_a11yBus = testing::launch(kBusLauncher, {QStringLiteral("--launch-immediately")}, m_env);
        ASSERT_TRUE(m_a11yBus);
        // Qt looks for the accessibility bus once, at its start: it must be
        // there before the program is started.
        ASSERT_TRUE(eventually([&] {
            return testing::runTool(QStringLiteral("dbus-send"),
                                    {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                                     QStringLiteral("--dest=org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                     QStringLiteral("org.a11y.Bus.GetAddress")},
                                    m_env, 2000)
                .has_value();
        })) << "the accessibility bus did not start";
    }

    void TearDown() override {
        stop(m_app);
        stop(m_a11yBus);
        m_desktop.reset();
        stop(m_bus);
    }

    QString storePath() const { return testing::storeBelow(root.filePath(QStringLiteral("config"))); }
    std::string diagnostics() const {
        return m_app ? QString::fromUtf8(m_app->readAllStandardError()).toStdString() : std::string();
    }

    // Everything inside the window `title` of the running program, as the
    // accessibility bus gives it.
    std::vector<Accessible> windowContents(const QString& title) const {
        const testing::Finished tree =
            testing::runToEnd(kPython, {kTreeTool, QStringLiteral("velmora"), title}, m_env, 60000);
        std::vector<Accessible> found;
        if (tree.exitCode != 0) {
            ADD_FAILURE() << "the window " << title.toStdString()
                          << " was not found on the accessibility bus\n"
                          << tree.err.toStdString();
            return found;
        }
        for (const QString& line : tree.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
            found.push_back(
                {o.value(QStringLiteral("role")).toString(), o.value(QStringLiteral("name")).toString(),
                 o.value(QStringLiteral("focusable")).toBool(), o.value(QStringLiteral("showing")).toBool()});
        }
        return found;
    }

    static bool has(const std::vector<Accessible>& all, const QString& role, const QString& name) {
        return std::any_of(all.begin(), all.end(),
                           [&](const Accessible& a) { return a.role == role && a.name == name; });
    }

    // Every control that a person operates carries a name; a bare symbol is
    // no name, since a screen reader reads it as punctuation.
    static void expectEveryControlNamed(const std::vector<Accessible>& all, const char* window) {
        static const QStringList controls = {
            QStringLiteral("push button"),  QStringLiteral("text"),      QStringLiteral("check box"),
            QStringLiteral("radio button"), QStringLiteral("list item"), QStringLiteral("table cell"),
            QStringLiteral("tree item"),    QStringLiteral("list"),      QStringLiteral("table"),
            QStringLiteral("tree table"),   QStringLiteral("tree")};
        int seen = 0;
        for (const Accessible& a : all) {
            if (!controls.contains(a.role)) continue;
            ++seen;
            // A row is read by its first cell, which names the whole line; a
            // later cell may be blank where its column has nothing to say.
            if (a.role == QLatin1String("table cell")) continue;
            EXPECT_FALSE(a.name.trimmed().isEmpty())
                << window << ": a " << a.role.toStdString() << " without a name";
            EXPECT_FALSE(
                QStringList({QStringLiteral("<"), QStringLiteral(">"), QStringLiteral("?")}).contains(a.name))
                << window << ": the " << a.role.toStdString() << " \"" << a.name.toStdString()
                << "\" is read as punctuation";
        }
        EXPECT_GT(seen, 5) << window << ": the controls were not found at all";
    }

    QTemporaryDir root;
    QProcessEnvironment m_env;
    std::unique_ptr<QProcess> m_bus, m_a11yBus, m_app;
    std::unique_ptr<testing::X11Desktop> m_desktop;
};

TEST_F(ScreenReader, FindsEveryControlNamedAndWritesATaskByKeyboardAlone) {
    {
        SqliteStore store(storePath());
        writeTask(store, 1, {"Mail", "thunderbird", "DW", "ABCDEFG", "*"});
        writeTask(store, 2, {"Backup", "backup.sh --all", "0", "ABCDE", "w"});
    }
    m_app = testing::launch(QStringLiteral(VELMORA_BINARY), {}, m_env);
    ASSERT_TRUE(m_app);
    const QString main = m_desktop->waitForWindow(QStringLiteral("Velmora"));
    ASSERT_FALSE(main.isEmpty()) << "the main window did not appear\n" << diagnostics();

    const std::vector<Accessible> mainWindow = windowContents(QStringLiteral("Velmora"));
    expectEveryControlNamed(mainWindow, "main window");
    for (const char* button : {"Add", "Edit", "Delete", "Test", "Exit"})
        EXPECT_TRUE(has(mainWindow, QStringLiteral("push button"), QString::fromLatin1(button))) << button;
    // The rows read as the tasks they stand for, number and wait included.
    for (const char* row : {"1 Mail Don't wait", "2 Backup Wait until finished"}) {
        EXPECT_TRUE(std::any_of(mainWindow.begin(), mainWindow.end(),
                                [&](const Accessible& a) { return a.name == QString::fromUtf8(row); }))
            << "no row reads as \"" << row << '"';
    }

    // The task editor, opened, read and filled with keys only: the description
    // has the focus, Tab leads to the command, and OK has an access key.
    ASSERT_TRUE(m_desktop->becomesActive(main)) << "the main window never had the focus";
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("alt+a")}));
    const QString editor = m_desktop->waitForActiveWindow(QStringLiteral("New Task"));
    ASSERT_FALSE(editor.isEmpty()) << "the task editor did not open with the focus\n" << diagnostics();
    const std::vector<Accessible> taskWindow = windowContents(QStringLiteral("New Task"));
    expectEveryControlNamed(taskWindow, "task editor");
    for (const char* option : {"Don't wait", "Until finished"})
        EXPECT_TRUE(has(taskWindow, QStringLiteral("radio button"), QString::fromLatin1(option))) << option;
    EXPECT_TRUE(has(taskWindow, QStringLiteral("check box"), QStringLiteral("Once only")));

    ASSERT_TRUE(m_desktop->type(QStringLiteral("Notes")));
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("Tab")}));
    ASSERT_TRUE(m_desktop->type(QStringLiteral("xterm -e true")));
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("alt+k")}));
    ASSERT_TRUE(m_desktop->gone(QStringLiteral("New Task"))) << "Alt+K did not save the task";
    EXPECT_TRUE(eventually([&] {
        return testing::storedValue(storePath(), kSequence, QStringLiteral("App003")) ==
               QStringLiteral("xterm -e true");
    })) << testing::storedValue(storePath(), kSequence, QStringLiteral("App003")).toStdString();
    EXPECT_EQ(testing::storedValue(storePath(), kSequence, QStringLiteral("Desc003")),
              QStringLiteral("Notes"));
}

}  // namespace
}  // namespace velmora
