// ctest-timeout: 120
// After Install, the next logon: the entries moved out of the autostart
// folder are started by the real launcher, run through the launcher's own
// Desktop Entry, and really run.

#include "desktop/desktopentry.h"
#include "desktopsession.h"
#include "editor/transfer.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace velmora;

namespace {

void write(const QString& path, const QByteArray& text) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(text), text.size());
}

TEST(TransferEndToEnd, MovedEntriesStartFromTheLaunchListAtTheNextLogon) {
    // No reserved characters in the folder, so the entries' Exec needs no quoting.
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/velmora-e2e-XXXXXX"));
    ASSERT_TRUE(home.isValid());
    const QString root = home.path();
    const QString evidence = root + QStringLiteral("/evidence");
    // The run at logon needs no desktop session; keep it away from the real one.
    QProcessEnvironment env = velmora::testing::privateFolders(root, {QStringLiteral("evidence")});
    env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), root + QStringLiteral("/sys"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/cache"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), root + QStringLiteral("/state"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    const QString autostart = root + QStringLiteral("/config/autostart");
    const QByteArray ev = QFile::encodeName(evidence);
    write(autostart + QStringLiteral("/first.desktop"),
          "[Desktop Entry]\nType=Application\nName=First\nExec=touch " + ev + "/first\n");
    // A blank in the name: the task's command is the moved file's path as it is.
    write(autostart + QStringLiteral("/second entry.desktop"),
          "[Desktop Entry]\nType=Application\nName=Second\nExec=sh -c \"echo ran > " + ev + "/second\"\n");
    write(autostart + QStringLiteral("/off.desktop"),
          "[Desktop Entry]\nType=Application\nName=Off\nHidden=true\nExec=touch " + ev + "/off\n");

    const QString binary = QStringLiteral(VELMORA_BINARY);
    const QString programFolder = QFileInfo(binary).absolutePath();
    {
        SqliteStore store(root + QStringLiteral("/config/velmora/settings.db"));
        StartUpTransfer transfer(store, env, programFolder);
        const TransferResult r = transfer.transfer();
        ASSERT_TRUE(r.succeeded()) << r.error.toStdString();
        ASSERT_EQ(r.moved.size(), 2);
        ASSERT_EQ(r.switchedOff.size(), 1);
        EXPECT_EQ(r.switchedOff[0].name, QStringLiteral("off.desktop"));
        EXPECT_EQ(taskCount(store), 2);
    }
    EXPECT_EQ(QDir(autostart).entryList(QDir::Files, QDir::Name),
              QStringList({kLauncherEntryName, QStringLiteral("off.desktop")}));

    // What the desktop will run at logon is the built program with "/run".
    QFile entryFile(autostart + QLatin1Char('/') + kLauncherEntryName);
    ASSERT_TRUE(entryFile.open(QIODevice::ReadOnly));
    const DesktopEntry launcher = parseDesktopEntry(entryFile.readAll(), entryFile.fileName());
    const ExecExpansion exec = expandExec(launcher);
    ASSERT_TRUE(exec.ok()) << exec.error.toStdString();
    ASSERT_EQ(exec.argv, QStringList({programFolder + QStringLiteral("/velmora"), QStringLiteral("/run")}));

    QProcess velmora;
    velmora.setProcessEnvironment(env);
    velmora.setWorkingDirectory(root);
    velmora.start(exec.argv[0],
                  exec.argv.mid(1) + QStringList{QStringLiteral("/nodisp"), QStringLiteral("/skwait=0")});
    ASSERT_TRUE(velmora.waitForFinished(60000));
    const std::string diagnostics = velmora.readAllStandardError().toStdString();
    EXPECT_EQ(velmora.exitStatus(), QProcess::NormalExit) << diagnostics;
    EXPECT_EQ(velmora.exitCode(), 0) << diagnostics;
    // Each moved entry is launched as an entry at once, not first tried as a program.
    const QString said = QString::fromStdString(diagnostics);
    EXPECT_TRUE(said.contains(QStringLiteral("\"First\": started\n"))) << diagnostics;
    EXPECT_TRUE(said.contains(QStringLiteral("\"Second\": started\n"))) << diagnostics;
    EXPECT_FALSE(said.contains(QStringLiteral("Permission denied"))) << diagnostics;

    // The started programs run on their own after the launcher has ended.
    const QStringList started{evidence + QStringLiteral("/first"), evidence + QStringLiteral("/second")};
    EXPECT_TRUE(velmora::testing::eventually(
        [&] {
            return std::all_of(started.begin(), started.end(),
                               [](const QString& p) { return QFileInfo::exists(p); });
        },
        20000))
        << "velmora said:\n"
        << diagnostics;
    EXPECT_FALSE(QFileInfo::exists(evidence + QStringLiteral("/off")));
}

}  // namespace
