// ctest-timeout: 120
// Install, the next logon and "velmora /UNINSTALL" in a desktop session: a
// real X server with a real window manager, the real program, and keys sent
// to whatever has the focus. Install is pressed in the main window and
// confirmed; the logon starts the moved entry; /UNINSTALL gives the autostart
// folder back and says so in one message box.
#include "desktopsession.h"
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

class UninstallWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (const auto missing = testing::missingTool({"Xvfb", "openbox", "xdotool", "wmctrl"}))
            GTEST_SKIP() << missing->toStdString() << " is not installed (scripts/deps.sh installs it)";
        ASSERT_TRUE(home.isValid());
        const QString root = home.path();
        env = testing::privateFolders(root, {QStringLiteral("config/autostart")});
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
    QString storePath() const { return testing::storeBelow(home.path() + "/config"); }

    QTemporaryDir home{QDir::tempPath() + "/velmora-uninstall-XXXXXX"};
    QProcessEnvironment env;
    std::unique_ptr<testing::X11Desktop> desktop;
    std::unique_ptr<QProcess> app;

    // The real program; one that did not start fails the test and is never
    // found running or finished.
    std::unique_ptr<QProcess> velmora(const QStringList& args) {
        auto p = testing::launch(QStringLiteral(VELMORA_BINARY), args, env);
        EXPECT_TRUE(p) << "velmora did not start";
        return p ? std::move(p) : std::make_unique<QProcess>();
    }
    QString stored(const QString& key) { return testing::storedValue(storePath(), kSequence, key); }
};

TEST_F(UninstallWindow, InstallInTheWindowTheLogonAndUninstallGiveTheFolderBack) {
    const QString evidence = home.path() + "/started";
    ASSERT_TRUE(testing::writeFile(
        autostart() + "/a.desktop",
        "[Desktop Entry]\nType=Application\nName=A\nExec=touch " + QFile::encodeName(evidence) + "\n",
        false));
    ASSERT_TRUE(testing::writeFile(autostart() + "/README.txt", "read me\n", false));
    const QStringList before = testing::folderSnapshot(autostart());

    // Install: the list has the focus; Shift+Tab goes back past Exit, the
    // default key box and "?" to Install. The question's default is Yes.
    app = velmora({});
    const QString main = desktop->waitForWindow(QStringLiteral("Velmora"));
    ASSERT_FALSE(main.isEmpty()) << "the main window did not appear";
    ASSERT_TRUE(desktop->becomesActive(main)) << "the window manager did not give the main window the focus";
    ASSERT_TRUE(
        desktop->keys({QStringLiteral("shift+Tab"), QStringLiteral("shift+Tab"), QStringLiteral("shift+Tab"),
                       QStringLiteral("shift+Tab"), QStringLiteral("space")}));
    const QString question = desktop->waitForWindow(QStringLiteral("Velmora"), {main});
    ASSERT_FALSE(question.isEmpty()) << "Install asked nothing";
    ASSERT_TRUE(desktop->becomesActive(question));
    ASSERT_TRUE(desktop->keys({QStringLiteral("Return")}));
    ASSERT_TRUE(eventually([&] { return stored(kInstalled) == QStringLiteral("yes"); }))
        << "Install did not complete";
    EXPECT_EQ(stored(QStringLiteral("Desc001")), QStringLiteral("A"));
    ASSERT_TRUE(desktop->becomesActive(main));
    ASSERT_TRUE(desktop->keys({QStringLiteral("alt+x")}));
    ASSERT_TRUE(app->waitForFinished(10000)) << "Alt+X did not end the program";
    EXPECT_EQ(testing::folderSnapshot(autostart()).size(), 2) << "README.txt and the launcher's entry";

    // The next logon, as the launcher's entry starts it.
    app = velmora({QStringLiteral("/run"), QStringLiteral("/skwait=0")});
    ASSERT_TRUE(app->waitForFinished(30000));
    EXPECT_EQ(app->exitCode(), 0) << app->readAllStandardError().toStdString();
    EXPECT_TRUE(eventually([&] { return QFileInfo::exists(evidence); }))
        << app->readAllStandardError().toStdString();

    // /UNINSTALL: the work is done when the message box shows.
    app = velmora({QStringLiteral("/uninstall")});
    const QString box = desktop->waitForWindow(QStringLiteral("Velmora"));
    ASSERT_FALSE(box.isEmpty()) << "no message box appeared\n" << app->readAllStandardError().toStdString();
    EXPECT_EQ(app->state(), QProcess::Running) << "it ended before the message was answered";
    EXPECT_EQ(testing::folderSnapshot(autostart()), before);
    ASSERT_TRUE(desktop->becomesActive(box));
    ASSERT_TRUE(desktop->keys({QStringLiteral("Return")}));
    ASSERT_TRUE(app->waitForFinished(10000)) << "Return did not close the message";
    EXPECT_EQ(app->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app->exitCode(), 0) << app->readAllStandardError().toStdString();
    EXPECT_EQ(app->readAllStandardOutput(), QByteArray())
        << "a desktop session gets a message box, not lines";
    EXPECT_EQ(stored(kInstalled), QStringLiteral("<missing>"));
    EXPECT_EQ(stored(QStringLiteral("Desc001")), QStringLiteral("<missing>"));
}

}  // namespace
}  // namespace velmora
