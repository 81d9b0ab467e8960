// ctest-timeout: 180
// The real program under a real window manager (openbox on Xvfb), driven as a
// person would: keys go to whatever window has the focus, never to a chosen
// one. Checks the task editor's Enter rule and the keyboard's ways to the
// list's popup menu.
#include "desktopsession.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace velmora {
namespace {

using testing::stop;

class WindowManagerKeys : public ::testing::Test {
protected:
    void SetUp() override {
        if (const auto missing = testing::missingTool({"Xvfb", "openbox", "xdotool", "wmctrl"}))
            GTEST_SKIP() << missing->toStdString() << " is not installed (scripts/deps.sh installs it)";
        ASSERT_TRUE(root.isValid());
        m_env = testing::privateFolders(root.path());
        m_env.insert(QStringLiteral("HOME"), root.path());
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_desktop = std::make_unique<testing::X11Desktop>(m_env);
        ASSERT_FALSE(m_desktop->display().isEmpty()) << "no X server could be started";
        ASSERT_TRUE(m_desktop->startWindowManager(QStringLiteral("openbox"))) << "openbox did not start";
    }

    void TearDown() override {
        stop(m_app);
        m_desktop.reset();
    }

    QString storePath() const { return testing::storeBelow(root.filePath(QStringLiteral("config"))); }
    QString stored(const QString& key) const { return testing::storedValue(storePath(), kSequence, key); }
    std::string diagnostics() const {
        return m_app ? QString::fromUtf8(m_app->readAllStandardError()).toStdString() : std::string();
    }

    // The main window, shown and focused by the window manager.
    QString startVelmora() {
        m_app = testing::launch(QStringLiteral(VELMORA_BINARY), {}, m_env);
        if (!m_app) return {};
        return m_desktop->waitForActiveWindow(QStringLiteral("Velmora"));
    }
    void exitVelmora() {
        ASSERT_FALSE(m_desktop->waitForActiveWindow(QStringLiteral("Velmora")).isEmpty());
        ASSERT_TRUE(m_desktop->keys({QStringLiteral("alt+x")}));
        ASSERT_TRUE(m_app->waitForFinished(10000)) << "Alt+X did not end the program";
        EXPECT_EQ(m_app->exitCode(), 0) << diagnostics();
    }

    QTemporaryDir root;
    QProcessEnvironment m_env;
    std::unique_ptr<testing::X11Desktop> m_desktop;
    std::unique_ptr<QProcess> m_app;
};

TEST_F(WindowManagerKeys, EnterInTheTaskEditorsTextBoxesNeitherBrowsesNorSaves) {
    ASSERT_FALSE(startVelmora().isEmpty()) << "the main window did not get the focus\n" << diagnostics();
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("alt+a")}));
    ASSERT_FALSE(m_desktop->waitForActiveWindow(QStringLiteral("New Task")).isEmpty()) << diagnostics();
    // Description and command complete, so that a pressed OK would save.
    ASSERT_TRUE(m_desktop->type(QStringLiteral("Mail")));
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("Return")}));
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("Tab")}));
    ASSERT_TRUE(m_desktop->type(QStringLiteral("true")));
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("Return"), QStringLiteral("KP_Enter")}));
    // Esc comes after the Enters: it closes the editor only if they opened
    // no file dialog (Esc would close that instead) and saved nothing.
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("Escape")}));
    EXPECT_TRUE(m_desktop->gone(QStringLiteral("New Task")))
        << "the editor stayed open: a file dialog took the Esc";
    EXPECT_TRUE(m_desktop->windowsTitled(QStringLiteral("Select program file")).isEmpty());
    exitVelmora();
    EXPECT_EQ(stored(QStringLiteral("Desc001")), QStringLiteral("<missing>")) << "Enter saved the task";
}

TEST_F(WindowManagerKeys, MenuKeyAndShiftF10OpenTheListMenuAtTheSelectedLine) {
    {
        SqliteStore store(storePath());
        for (int n : {1, 2})
            writeTask(store, n,
                      {QStringLiteral("Task %1").arg(n), QStringLiteral("true"), QStringLiteral("DW"),
                       QStringLiteral("ABCDEFG"), QStringLiteral("*")});
    }
    ASSERT_FALSE(startVelmora().isEmpty()) << "the main window did not get the focus\n" << diagnostics();
    for (const char* key : {"Menu", "shift+F10"}) {
        SCOPED_TRACE(key);
        // The list has the focus, and no line is selected (the list was just
        // filled, or rebuilt after the editor): Down then Up selects the first
        // line whether or not a line is current.
        ASSERT_TRUE(m_desktop->keys({QStringLiteral("Down"), QStringLiteral("Up")}));
        // Down picks the menu's first item, Edit, which opens the editor on
        // the selected task.
        ASSERT_TRUE(m_desktop->keys({QLatin1String(key), QStringLiteral("Down"), QStringLiteral("Return")}));
        ASSERT_FALSE(m_desktop->waitForActiveWindow(QStringLiteral("Edit Task")).isEmpty())
            << "the menu did not open or did not offer Edit\n"
            << diagnostics();
        ASSERT_TRUE(m_desktop->keys({QStringLiteral("Escape")}));
        ASSERT_TRUE(m_desktop->gone(QStringLiteral("Edit Task")));
    }
    exitVelmora();
    EXPECT_EQ(stored(QStringLiteral("Desc001")), QStringLiteral("Task 1"));
}

}  // namespace
}  // namespace velmora
