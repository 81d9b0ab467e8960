// ctest-timeout: 240
// Install pressed in the real program's main window, in a desktop session: a
// real X server with a real window manager, keys sent to whatever has the
// focus. Install moves only the entries that the launcher would start, and
// what it leaves behind takes one message box to answer, however many there
// are. A message box's text cannot be read from outside (Qt copies it with
// Ctrl+C on Windows only); the window tests with FakePrompts check it, and
// here the files, the store and the next logon show what Install did.
#include "desktopsession.h"
#include "editor/transfer.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace velmora {
namespace {

using testing::eventually;
using testing::stop;

const QString kTitle = QStringLiteral("Velmora");

class InstallWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (const auto missing = testing::missingTool({"Xvfb", "openbox", "xdotool", "wmctrl"}))
            GTEST_SKIP() << missing->toStdString() << " is not installed (scripts/deps.sh installs it)";
        ASSERT_TRUE(home.isValid());
        const QString root = home.path();
        env = testing::privateFolders(root, {QStringLiteral("config/autostart"), QStringLiteral("evidence")});
        env.insert("HOME", root + "/home");
        env.insert("XDG_CONFIG_DIRS", root + "/sys");
        desktop = std::make_unique<testing::X11Desktop>(env);
        ASSERT_FALSE(desktop->display().isEmpty()) << "no X server could be started";
        ASSERT_TRUE(desktop->startWindowManager(QStringLiteral("openbox"))) << "openbox did not start";
    }
    void TearDown() override {
        stop(app);
        desktop.reset();
    }

    QString autostart() const { return home.path() + "/config/autostart"; }
    QString moved() const { return home.path() + "/data/velmora/startup"; }
    QString storePath() const { return testing::storeBelow(home.path() + "/config"); }
    QString stored(const QString& key) const { return testing::storedValue(storePath(), kSequence, key); }
    std::string said() const {
        return app ? QString::fromUtf8(app->readAllStandardError()).toStdString() : std::string();
    }
    void put(const QString& name, const QByteArray& text) {
        ASSERT_TRUE(testing::writeFile(autostart() + '/' + name, text, false)) << name.toStdString();
    }
    static QStringList files(const QString& folder) {
        return QDir(folder).entryList(QDir::Files, QDir::Name);
    }

    // Starts the program, presses Install and answers its question with Yes
    // as in the uninstall window test: the list has the focus, and Shift+Tab
    // goes back past Exit, the default key box and "?" to Install. Returns
    // the message box that follows within `ms`, or empty.
    QString pressInstall(int ms) {
        app = testing::launch(QStringLiteral(VELMORA_BINARY), {}, env);
        if (!app) {
            ADD_FAILURE() << "velmora did not start";
            return {};
        }
        main = desktop->waitForWindow(kTitle);
        if (main.isEmpty() || !desktop->becomesActive(main)) {
            ADD_FAILURE() << "the main window did not appear and take the focus\n" << said();
            return {};
        }
        desktop->keys({"shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab", "space"});
        const QString question = desktop->waitForWindow(kTitle, {main});
        if (question.isEmpty() || !desktop->becomesActive(question)) {
            ADD_FAILURE() << "Install asked nothing\n" << said();
            return {};
        }
        desktop->keys({"Return"});
        return desktop->waitForWindow(kTitle, {main, question}, ms);
    }

    // `box` is the only message box; once it is closed with Return the main
    // window is the only window the program shows, and Alt+X ends it.
    void closeAndExit(const QString& box) {
        EXPECT_EQ(desktop->windowsTitled(kTitle).size(), 2) << "more than one message box";
        ASSERT_TRUE(desktop->becomesActive(box));
        ASSERT_TRUE(desktop->keys({"Return"}));
        ASSERT_TRUE(desktop->becomesActive(main)) << "another message box followed";
        EXPECT_EQ(desktop->windowsTitled(kTitle), QStringList{main});
        ASSERT_TRUE(desktop->keys({"alt+x"}));
        ASSERT_TRUE(app->waitForFinished(10000)) << "Alt+X did not end the program";
        EXPECT_EQ(app->exitCode(), 0) << said();
        EXPECT_FALSE(desktop->windowsTitled(kTitle).contains(box));
    }

    QTemporaryDir home{QDir::tempPath() + "/velmora-install-XXXXXX"};
    QProcessEnvironment env;
    std::unique_ptr<testing::X11Desktop> desktop;
    std::unique_ptr<QProcess> app;
    QString main;
};

// Each kind of entry that the launcher would report as "not started" stays
// where the desktop reads it, and one message box says so; the one beside
// them that starts moves and starts at the next logon.
TEST_F(InstallWindow, EntriesThatWouldNotStartStayAndOneMessageSaysSo) {
    const QString evidence = home.path() + "/evidence/control";
    put("control.desktop",
        "[Desktop Entry]\nType=Application\nName=Control\nExec=touch " + QFile::encodeName(evidence) + "\n");
    const QList<QPair<QString, QByteArray>> stay{
        {"dbus.desktop", "[Desktop Entry]\nType=Application\nName=D\nDBusActivatable=true\n"},
        {"empty exec.desktop", "[Desktop Entry]\nType=Application\nName=E\nExec=\n"},
        {"field codes.desktop", "[Desktop Entry]\nType=Application\nName=F\nExec=%U %f\n"},
        {"link.desktop", "[Desktop Entry]\nType=Link\nName=L\nURL=https://example.org/\n"},
        {"quotes.desktop", "[Desktop Entry]\nType=Application\nName=Q\nExec=sh -c \"touch " +
                               QFile::encodeName(evidence) + "\n"},
    };
    for (const auto& [name, text] : stay) put(name, text);

    const QString box = pressInstall(30000);
    ASSERT_FALSE(box.isEmpty()) << "no message box named what stayed\n" << said();
    closeAndExit(box);

    QStringList left;
    for (const auto& [name, text] : stay) left.append(name);
    EXPECT_EQ(files(autostart()), QStringList({kLauncherEntryName}) + left);
    for (const auto& [name, text] : stay) {
        QFile f(autostart() + '/' + name);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly) && f.readAll() == text) << name.toStdString() << " changed";
    }
    EXPECT_EQ(files(moved()), QStringList{"control.desktop"});
    EXPECT_EQ(stored(kInstalled), "yes");
    EXPECT_EQ(stored("Desc001"), "Control");
    EXPECT_EQ(stored("Desc002"), "<missing>");

    // The next logon starts the moved entry, and nothing it cannot start.
    const testing::Finished logon =
        testing::runToEnd(QStringLiteral(VELMORA_BINARY), {"/run", "/nodisp", "/skwait=0"}, env, 30000);
    EXPECT_EQ(logon.exitCode, 0) << logon.err.toStdString();
    EXPECT_TRUE(logon.err.contains("\"Control\": started\n")) << logon.err.toStdString();
    EXPECT_FALSE(logon.err.contains("not started")) << logon.err.toStdString();
    EXPECT_TRUE(eventually([&] { return QFileInfo::exists(evidence); })) << logon.err.toStdString();
}

// 1,200 entries over an empty list: 999 become tasks, the other 201 stay where
// the desktop starts them, and one message box names them.
TEST_F(InstallWindow, AFullListIsReportedInOneMessageBox) {
    QStringList all;
    for (int i = 1; i <= 1200; ++i) {
        all.append(QStringLiteral("e%1.desktop").arg(i, 4, 10, QLatin1Char('0')));
        put(all.last(), "[Desktop Entry]\nType=Application\nName=E\nExec=true\n");
    }

    const QString box = pressInstall(90000);
    ASSERT_FALSE(box.isEmpty()) << "no message box named what did not fit\n" << said();
    closeAndExit(box);

    EXPECT_EQ(files(autostart()), QStringList({kLauncherEntryName}) + all.mid(999));
    EXPECT_EQ(files(moved()), all.mid(0, 999));
    EXPECT_EQ(stored(kInstalled), "yes");
    SqliteStore store(storePath());
    EXPECT_EQ(taskCount(store), kMaxTasks);
    EXPECT_EQ(readTask(store, 1).app, moved() + "/e0001.desktop");
    EXPECT_EQ(readTask(store, kMaxTasks).app, moved() + "/e0999.desktop");
}

}  // namespace
}  // namespace velmora
