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

using UninstallWindow = testing::OpenboxWindowTest;

TEST_F(UninstallWindow, InstallInTheWindowTheLogonAndUninstallGiveTheFolderBack) {
    const QString evidence = root() + "/evidence/started";
    ASSERT_TRUE(testing::writeFile(
        autostart() + "/a.desktop",
        "[Desktop Entry]\nType=Application\nName=A\nExec=touch " + QFile::encodeName(evidence) + "\n",
        false));
    ASSERT_TRUE(testing::writeFile(autostart() + "/README.txt", "read me\n", false));
    const QStringList before = testing::folderSnapshot(autostart());

    // Install, answered Yes; its summary closes with Return.
    const QString question = askToInstall();
    ASSERT_FALSE(question.isEmpty());
    const QString summary = answerYes(question);
    ASSERT_FALSE(summary.isEmpty()) << "Install said nothing when done";
    EXPECT_EQ(stored(kInstalled), QStringLiteral("yes"));
    EXPECT_EQ(stored(QStringLiteral("Desc001")), QStringLiteral("A"));
    closeAndExit(summary);
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
    ASSERT_FALSE(box.isEmpty()) << "no message box appeared\n" << said();
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
