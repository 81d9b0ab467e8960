// ctest-timeout: 180
// The real program under a real window manager (openbox on Xvfb), driven as a
// person would: keys and the mouse go to whatever window has the focus or
// lies under the pointer, never to a chosen one. Checks the task editor's
// Enter rule and where it opens, Return on the main window's buttons, the
// keyboard's ways to the list's popup menu, reordering the list by dragging
// a line, and that a message box takes the focus.
#include "desktopsession.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"

#include <QDir>
#include <QHash>
#include <QRect>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <thread>

namespace velmora {
namespace {

using testing::stop;

class WindowManagerKeys : public ::testing::Test {
protected:
    void SetUp() override {
        if (const auto missing = testing::missingTool(
                {"Xvfb", "openbox", "xdotool", "wmctrl", "xprop", "xwininfo", "xmessage"}))
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

    // Tasks 1, 2, ... with these descriptions, stored before the program starts.
    void storeTasks(const QStringList& descs) {
        SqliteStore store(storePath());
        for (int i = 0; i < descs.size(); ++i)
            writeTask(store, i + 1,
                      {descs[i], QStringLiteral("true"), QStringLiteral("DW"), QStringLiteral("ABCDEFG"),
                       QStringLiteral("*")});
    }
    // The outer rectangle of `window`: its client area on the screen grown by
    // the frame the window manager put around it.
    QRect frameOf(const QString& window) const {
        // xwininfo gives the client area where it is on the screen; xdotool's
        // geometry counts a reparenting window manager's frame in twice.
        const std::optional<QString> info = m_desktop->tool("xwininfo", {QStringLiteral("-id"), window});
        const std::optional<QString> extents =
            m_desktop->tool("xprop", {QStringLiteral("-id"), window, QStringLiteral("_NET_FRAME_EXTENTS")});
        if (!info || !extents) return {};
        QHash<QString, int> client;
        for (const QString& line : info->split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QString name = line.section(QLatin1Char(':'), 0, 0).trimmed();
            client.insert(name, line.section(QLatin1Char(':'), 1).trimmed().toInt());
        }
        // "_NET_FRAME_EXTENTS(CARDINAL) = left, right, top, bottom"
        const QStringList e = extents->section(QLatin1Char('='), 1).split(QLatin1Char(','));
        if (e.size() != 4) return {};
        const int left = e[0].trimmed().toInt(), right = e[1].trimmed().toInt();
        const int top = e[2].trimmed().toInt(), bottom = e[3].trimmed().toInt();
        return QRect(client.value(QStringLiteral("Absolute upper-left X")) - left,
                     client.value(QStringLiteral("Absolute upper-left Y")) - top,
                     client.value(QStringLiteral("Width")) + left + right,
                     client.value(QStringLiteral("Height")) + top + bottom);
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

TEST_F(WindowManagerKeys, ReturnPressesTheFocusedButton) {
    ASSERT_FALSE(startVelmora().isEmpty()) << "the main window did not get the focus\n" << diagnostics();
    // The list has the focus; Return there does nothing, Tab leads to Add.
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("Return"), QStringLiteral("Tab"), QStringLiteral("Return")}));
    ASSERT_FALSE(m_desktop->waitForActiveWindow(QStringLiteral("New Task")).isEmpty())
        << "Return did not press Add\n"
        << diagnostics();
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("Escape")}));
    ASSERT_TRUE(m_desktop->gone(QStringLiteral("New Task")));
    // Shift+Tab back to the list and Return again: no editor.
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("shift+Tab"), QStringLiteral("Return")}));
    EXPECT_TRUE(m_desktop->windowsTitled(QStringLiteral("Edit Task")).isEmpty());
    EXPECT_TRUE(m_desktop->windowsTitled(QStringLiteral("New Task")).isEmpty());
    exitVelmora();
}

TEST_F(WindowManagerKeys, TheTaskEditorOpensCentredOverTheMainWindow) {
    const QString main = startVelmora();
    ASSERT_FALSE(main.isEmpty()) << "the main window did not get the focus\n" << diagnostics();
    // Away from the screen's edges, where the window manager would push the
    // editor back onto the screen.
    ASSERT_TRUE(m_desktop->tool("xdotool", {QStringLiteral("windowmove"), QStringLiteral("--sync"), main,
                                            QStringLiteral("300"), QStringLiteral("300")}));
    ASSERT_FALSE(m_desktop->waitForActiveWindow(QStringLiteral("Velmora")).isEmpty());
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("alt+a")}));
    const QString editor = m_desktop->waitForActiveWindow(QStringLiteral("New Task"));
    ASSERT_FALSE(editor.isEmpty()) << diagnostics();
    const QRect owner = frameOf(main);
    const QRect placed = frameOf(editor);
    ASSERT_TRUE(owner.isValid() && placed.isValid());
    // Frame over frame, within the rounding of twips to pixels.
    EXPECT_NEAR(placed.center().x(), owner.center().x(), 2) << "main " << owner.x() << "," << owner.y();
    EXPECT_NEAR(placed.center().y(), owner.center().y(), 2) << "editor " << placed.x() << "," << placed.y();
    ASSERT_TRUE(m_desktop->keys({QStringLiteral("Escape")}));
    ASSERT_TRUE(m_desktop->gone(QStringLiteral("New Task")));
    exitVelmora();
}

TEST_F(WindowManagerKeys, DraggingALineWithTheMouseReordersTheList) {
    storeTasks({QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma")});
    const QString main = startVelmora();
    ASSERT_FALSE(main.isEmpty()) << "the main window did not get the focus\n" << diagnostics();
    const QRect frame = frameOf(main);
    ASSERT_TRUE(frame.isValid());
    // The first line lies just below the list's top; the room below the last
    // of three lines is empty list, where a drop puts the line last.
    const QPoint first(frame.left() + 60, frame.top() + 34);
    const QPoint below(frame.left() + 60, frame.bottom() - 30);
    const auto at = [](const QPoint& p) {
        return QStringList{QString::number(p.x()), QString::number(p.y())};
    };
    ASSERT_TRUE(m_desktop->tool(
        "xdotool", QStringList{QStringLiteral("mousemove"), QStringLiteral("--sync")} + at(first)));
    ASSERT_TRUE(m_desktop->tool("xdotool", {QStringLiteral("mousedown"), QStringLiteral("1")}));
    // A drag starts only after the pointer has moved some way, in steps.
    for (int step = 1; step <= 10; ++step) {
        const QPoint p = first + (below - first) * step / 10;
        ASSERT_TRUE(m_desktop->tool(
            "xdotool", QStringList{QStringLiteral("mousemove"), QStringLiteral("--sync")} + at(p)));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(m_desktop->tool("xdotool", {QStringLiteral("mouseup"), QStringLiteral("1")}));
    EXPECT_TRUE(testing::eventually([&] {
        return stored(QStringLiteral("Desc003")) == QStringLiteral("Alpha");
    })) << "the dragged line did not move\n"
        << diagnostics();
    EXPECT_EQ(stored(QStringLiteral("Desc001")), QStringLiteral("Beta"));
    EXPECT_EQ(stored(QStringLiteral("Desc002")), QStringLiteral("Gamma"));
    exitVelmora();
}

TEST_F(WindowManagerKeys, AMessageBoxShownBeforeTheMainWindowTakesTheFocus) {
    // Another program's window has the focus, as at a logon, when Velmora
    // finds its store unusable and says so before any window of its own.
    ASSERT_TRUE(QDir().mkpath(storePath())) << "a folder where the store should be";
    std::unique_ptr<QProcess> other =
        testing::launch(QStringLiteral("xmessage"),
                        {QStringLiteral("-name"), QStringLiteral("other"), QStringLiteral("other")}, m_env);
    ASSERT_TRUE(other);
    ASSERT_FALSE(m_desktop->waitForActiveWindow(QStringLiteral("other")).isEmpty());
    m_app = testing::launch(QStringLiteral(VELMORA_BINARY), {}, m_env);
    ASSERT_TRUE(m_app);
    const QString box = m_desktop->waitForActiveWindow(QStringLiteral("Velmora"));
    EXPECT_FALSE(box.isEmpty()) << "the message box did not get the focus; active: "
                                << m_desktop->activeWindow().toStdString() << "\n"
                                << diagnostics();
    // Return reaches it: its OK ends the program.
    if (!box.isEmpty()) {
        ASSERT_TRUE(m_desktop->keys({QStringLiteral("Return")}));
        EXPECT_TRUE(m_app->waitForFinished(10000)) << "Return did not reach the box";
        EXPECT_EQ(m_app->exitCode(), 1);
    }
    stop(other);
}

}  // namespace
}  // namespace velmora
