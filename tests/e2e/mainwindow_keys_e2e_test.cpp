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

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
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
        ASSERT_FALSE(testing::missingTool({"xdotool"}))
            << "xdotool is not installed (scripts/deps.sh installs it)";
        ASSERT_TRUE(root.isValid());
        m_env = testing::privateFolders(root.path());
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_desktop = std::make_unique<testing::X11Desktop>(m_env);
        ASSERT_FALSE(m_desktop->display().isEmpty()) << "no X server could be started";
    }

    void TearDown() override {
        stop(m_app);
        m_desktop.reset();
    }

    QString storePath() const { return testing::storeBelow(root.filePath(QStringLiteral("config"))); }
    QString stored(const QString& key) const { return testing::storedValue(storePath(), kSequence, key); }
    bool storedEventually(const QString& key, const QString& value) {
        return eventually([&] { return stored(key) == value; });
    }
    std::string diagnostics() const {
        return m_app ? QString::fromUtf8(m_app->readAllStandardError()).toStdString() : std::string();
    }

    void startVelmora() {
        m_app = testing::launch(QStringLiteral(VELMORA_BINARY), {}, m_env);
        ASSERT_TRUE(m_app);
    }

    // Adds a task through Alt+A and the task editor, with keys only: the
    // description box has the focus when the editor opens; Tab leads to the
    // command, then past Browse and the chosen wait option to OK, which is no
    // default button and is pressed with Space.
    void addTask(const QString& mainWindow, const QString& desc, const QString& command) {
        ASSERT_TRUE(m_desktop->focus(mainWindow));
        ASSERT_TRUE(m_desktop->keys({QStringLiteral("alt+a")}));
        const QString editor = m_desktop->waitForWindow(QStringLiteral("New Task"));
        ASSERT_FALSE(editor.isEmpty()) << "the task editor did not open\n" << diagnostics();
        ASSERT_TRUE(m_desktop->focus(editor));
        ASSERT_TRUE(m_desktop->type(desc));
        ASSERT_TRUE(m_desktop->keys({QStringLiteral("Tab")}));
        ASSERT_TRUE(m_desktop->type(command));
        ASSERT_TRUE(m_desktop->keys(
            {QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("space")}));
        ASSERT_TRUE(m_desktop->gone(QStringLiteral("New Task"))) << "the editor stayed open";
    }

    QTemporaryDir root;
    QProcessEnvironment m_env;
    std::unique_ptr<testing::X11Desktop> m_desktop;
    std::unique_ptr<QProcess> m_app;
};

TEST_F(MainWindowKeys, AddMoveDeleteAndExitWithTheKeyboard) {
    startVelmora();
    const QString main = m_desktop->waitForWindow(QStringLiteral("Velmora"));
    ASSERT_FALSE(main.isEmpty()) << "the main window did not appear\n" << diagnostics();

    addTask(main, QStringLiteral("Alpha"), QStringLiteral("true"));
    ASSERT_TRUE(storedEventually(QStringLiteral("Desc001"), QStringLiteral("Alpha")))
        << stored(QStringLiteral("Desc001")).toStdString();
    addTask(main, QStringLiteral("Beta"), QStringLiteral("true"));
    ASSERT_TRUE(storedEventually(QStringLiteral("Desc002"), QStringLiteral("Beta")))
        << stored(QStringLiteral("Desc002")).toStdString();

    // The list has had the focus from the start: access keys press their
    // buttons without taking it, and a closed editor gives it back. Down then
    // Up selects the first line whether or not a line was current; four Tabs
    // lead past Add, Edit and "<" to ">".
    ASSERT_TRUE(m_desktop->focus(main));
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("Down"), QStringLiteral("Up")}));
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"),
                                 QStringLiteral("Tab"), QStringLiteral("space")}));
    ASSERT_TRUE(storedEventually(QStringLiteral("Desc001"), QStringLiteral("Beta")))
        << "Alpha was not moved down";
    EXPECT_EQ(stored(QStringLiteral("Desc002")), QStringLiteral("Alpha"));

    // The moved line stays selected: Alt+D deletes Alpha once the real
    // message box is answered with Enter, its default button Yes.
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("alt+d")}));
    const QString question = m_desktop->waitForWindow(QStringLiteral("Velmora"), {main});
    ASSERT_FALSE(question.isEmpty()) << "no confirmation was asked\n" << diagnostics();
    ASSERT_TRUE(m_desktop->focus(question));
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("Return")}));
    ASSERT_TRUE(storedEventually(QStringLiteral("Desc002"), QStringLiteral("<missing>")))
        << "Alpha was not deleted";

    ASSERT_TRUE(m_desktop->focus(main));
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("alt+x")}));
    ASSERT_TRUE(m_app->waitForFinished(10000)) << "Alt+X did not end the program";
    EXPECT_EQ(m_app->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_app->exitCode(), 0) << diagnostics();

    SqliteStore store(storePath());
    EXPECT_EQ(readTask(store, 1),
              (TaskRecord{QStringLiteral("Beta"), QStringLiteral("true"), QStringLiteral("DW"),
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
