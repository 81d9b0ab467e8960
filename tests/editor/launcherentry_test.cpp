// ctest-timeout: 180
// The launcher's own autostart entry, wherever the program lives: written,
// validated, and started by each of the desktop's readers of autostart
// entries (GIO, dex, systemd's autostart generator), with a stand-in program
// that leaves its arguments as evidence.
#include "editor/launcherlink.h"

#include "desktop/desktopentrywriter.h"
#include "editor/transfer.h"
#include "store/memorystore.h"

#include "casename.h"
#include "testfiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <ostream>

#include <unistd.h>

namespace velmora {
namespace {

const char* const kGenerator = "/usr/lib/systemd/user-generators/systemd-xdg-autostart-generator";

struct FolderCase {
    const char* name;
    QString folder;  // of the program, below the temporary home
    bool viaLink;    // Exec has to run the stable link
    bool quoted;     // Exec's program is in double quotes
    friend void PrintTo(const FolderCase& c, std::ostream* os) { *os << c.name; }
};

class Readers : public ::testing::TestWithParam<FolderCase> {
protected:
    void SetUp() override {
        QStringList missing;
        for (const char* tool : {"desktop-file-validate", "gio", "dex", "systemd-analyze"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) missing << tool;
        }
        if (!QFileInfo(QLatin1String(kGenerator)).isExecutable()) missing << kGenerator;
        if (!missing.isEmpty()) GTEST_SKIP() << "not installed: " << missing.join(", ").toStdString();
        ASSERT_TRUE(home.isValid());
        for (const char* sub : {"config/autostart", "data", "sysconfig", "units", "runtime"})
            ASSERT_TRUE(QDir(home.path()).mkpath(QLatin1String(sub)));
        QFile::setPermissions(file("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", file("config"));
        env.insert("XDG_CONFIG_DIRS", file("sysconfig"));
        env.insert("XDG_DATA_HOME", file("data"));
        env.insert("XDG_RUNTIME_DIR", file("runtime"));
        env.insert("PATH", qEnvironmentVariable("PATH"));
    }

    QString file(const QString& name) const { return home.path() + QLatin1Char('/') + name; }

    // Runs a tool to its end; its output when it failed.
    QString run(const QString& program, const QStringList& args, bool* ok = nullptr) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, args);
        const bool done = p.waitForFinished(60000);
        const QString output = QString::fromUtf8(p.readAll());
        if (ok) *ok = done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        return output;
    }
    // Polls for the stand-in's evidence, then clears it for the next reader.
    QString evidence() {
        const QString path = file("evidence");
        QElapsedTimer clock;
        clock.start();
        while (!QFileInfo::exists(path) && clock.elapsed() < 20000) QThread::msleep(20);
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return {};
        const QString text = QString::fromUtf8(f.readAll()).trimmed();
        f.remove();
        return text;
    }

    QTemporaryDir home{QDir::tempPath() + QStringLiteral("/velmora-entry-XXXXXX")};
    QProcessEnvironment env;
};

TEST_P(Readers, StartTheLauncherWithRun) {
    const QString folder = file(GetParam().folder);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString program = folder + QStringLiteral("/velmora");
    ASSERT_TRUE(testing::writeFile(program,
                                   QStringLiteral("#!/bin/sh\necho \"$*\" > '%1.tmp'\nmv '%1.tmp' '%1'\n")
                                       .arg(file("evidence"))
                                       .toUtf8(),
                                   true));

    ASSERT_EQ(updateLauncherLink(env, folder), QString());
    const QString link = launcherLinkPath(env);
    EXPECT_EQ(link, file("data/velmora/velmora"));
    EXPECT_EQ(QFileInfo::exists(link), GetParam().viaLink) << "a link only where it is needed";
    const QString text = launcherEntryText(folder, link);
    const QString exec = text.section(QStringLiteral("\nExec="), 1).section(QLatin1Char('\n'), 0, 0);
    EXPECT_EQ(exec.startsWith(QLatin1Char('"')), GetParam().quoted) << exec.toStdString();
    EXPECT_EQ(exec.contains(link), GetParam().viaLink) << exec.toStdString();
    const QString tryExec = text.section(QStringLiteral("\nTryExec="), 1).section(QLatin1Char('\n'), 0, 0);
    EXPECT_EQ(tryExec, GetParam().viaLink ? link : program) << "TryExec names what Exec runs";

    const QString entry = file("config/autostart/") + kLauncherEntryName;
    ASSERT_TRUE(testing::writeFile(entry, text.toUtf8(), false));
    bool ok = false;
    const QString validation = run(QStringLiteral("desktop-file-validate"), {entry}, &ok);
    EXPECT_TRUE(ok && validation.isEmpty()) << validation.toStdString();

    run(QStringLiteral("gio"), {QStringLiteral("launch"), entry}, &ok);
    EXPECT_EQ(evidence(), QStringLiteral("/run")) << "GIO";
    run(QStringLiteral("dex"), {entry}, &ok);
    EXPECT_EQ(evidence(), QStringLiteral("/run")) << "dex";

    // systemd makes a unit of it; its ExecStart must name this program.
    const QString units = file("units");
    const QString generated = run(QLatin1String(kGenerator), {units, units, units}, &ok);
    ASSERT_TRUE(ok) << generated.toStdString();
    const QStringList made = QDir(units).entryList({QStringLiteral("*.service")}, QDir::Files);
    ASSERT_EQ(made.size(), 1) << generated.toStdString();
    const QString unit = units + QLatin1Char('/') + made[0];
    QFile unitFile(unit);
    ASSERT_TRUE(unitFile.open(QIODevice::ReadOnly));
    const QString unitText = QString::fromUtf8(unitFile.readAll());
    QString start = unitText.section(QStringLiteral("\nExecStart="), 1).section(QLatin1Char('\n'), 0, 0);
    if (start.startsWith(QLatin1Char(':'))) start.remove(0, 1);
    ASSERT_TRUE(start.endsWith(QStringLiteral(" /run"))) << unitText.toStdString();
    start.chop(5);
    if (start.startsWith(QLatin1Char('"')) && start.endsWith(QLatin1Char('"')))
        start = start.mid(1, start.size() - 2);
    EXPECT_EQ(QFileInfo(start).canonicalFilePath(), QFileInfo(program).canonicalFilePath())
        << unitText.toStdString();
    const QString verified = run(QStringLiteral("systemd-analyze"),
                                 {QStringLiteral("verify"), QStringLiteral("--user"), unit}, &ok);
    EXPECT_TRUE(ok) << verified.toStdString();
    const QStringList dexAutostart{QStringLiteral("-a"), QStringLiteral("-d"), QStringLiteral("-v")};
    EXPECT_TRUE(run(QStringLiteral("dex"), dexAutostart).contains(kLauncherEntryName))
        << "dex's logon would start it";

    // The program removed without /uninstall (the link, where there is one,
    // then points at nothing): every reader skips the entry rather than
    // failing to start it at each logon.
    ASSERT_TRUE(QFile::remove(program));
    // GIO does not even load it (rather than failing to run the program).
    const QString refused = run(QStringLiteral("gio"), {QStringLiteral("launch"), entry}, &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(refused.contains(QStringLiteral("Unable to load application information")))
        << refused.toStdString();
    const QString dexLogon = run(QStringLiteral("dex"), dexAutostart);
    EXPECT_FALSE(dexLogon.contains(kLauncherEntryName)) << dexLogon.toStdString();
    ASSERT_TRUE(QDir(units).removeRecursively() && QDir().mkpath(units));
    const QString regenerated = run(QLatin1String(kGenerator), {units, units, units}, &ok);
    ASSERT_TRUE(ok) << regenerated.toStdString();
    EXPECT_EQ(QDir(units).entryList({QStringLiteral("*.service")}, QDir::Files), QStringList())
        << regenerated.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Folders, Readers,
    ::testing::Values(FolderCase{"Plain", QStringLiteral("bin"), false, false},
                      FolderCase{"Blank", QStringLiteral("my programs"), false, true},
                      FolderCase{"ShellCharacters", QStringLiteral("a;b&c(d)#e"), false, true},
                      FolderCase{"NonAscii", QStringLiteral("Programme_für_alle"), false, false},
                      FolderCase{"Percent", QStringLiteral("100% mine"), true, false},
                      FolderCase{"Dollar", QStringLiteral("a$HOME"), true, false},
                      FolderCase{"DoubleQuote", QStringLiteral("say \"hi\""), true, false},
                      FolderCase{"Apostrophe", QStringLiteral("Ann's tools"), true, false},
                      FolderCase{"Backslash", QStringLiteral("a\\b"), true, false},
                      FolderCase{"Backtick", QStringLiteral("a`b`"), true, false},
                      FolderCase{"Tab", QStringLiteral("a\tb"), true, false}),
    velmora::testing::caseName);

// --- the link itself --------------------------------------------------------

class Link : public ::testing::Test {
protected:
    Link() {
        env.insert("HOME", home.path());
        env.insert("XDG_DATA_HOME", home.path() + "/data");
    }
    QString target() const {
        QByteArray buffer(4096, '\0');
        const ssize_t n =
            ::readlink(QFile::encodeName(launcherLinkPath(env)).constData(), buffer.data(), buffer.size());
        return n < 0 ? QString() : QFile::decodeName(buffer.left(n));
    }
    QTemporaryDir home;
    QProcessEnvironment env;
};

TEST_F(Link, FollowsTheProgramOnceItExists) {
    ASSERT_EQ(updateLauncherLink(env, home.path() + "/100%"), QString());
    EXPECT_EQ(target(), home.path() + "/100%/velmora");
    // The program moved to a folder that Exec can carry: an entry written
    // before still runs the link, so the link follows.
    ASSERT_EQ(updateLauncherLink(env, home.path() + "/bin"), QString());
    EXPECT_EQ(target(), home.path() + "/bin/velmora");
    EXPECT_EQ(QDir(home.path() + "/data/velmora")
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList{"velmora"})
        << "no temporary link left over";
}

TEST_F(Link, IsNotMadeWhereNotNeeded) {
    ASSERT_EQ(updateLauncherLink(env, home.path() + "/bin"), QString());
    EXPECT_FALSE(QFileInfo(launcherLinkPath(env)).isSymLink());
}

TEST_F(Link, AFileInItsPlaceIsLeftAndReported) {
    ASSERT_TRUE(QDir().mkpath(home.path() + "/data/velmora"));
    ASSERT_TRUE(testing::writeFile(launcherLinkPath(env), "mine", false));
    const QString why = updateLauncherLink(env, home.path() + "/100%");
    EXPECT_TRUE(why.contains(launcherLinkPath(env))) << why.toStdString();
    QFile f(launcherLinkPath(env));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "mine");
}

TEST_F(Link, WithoutAHomeThereIsNoLink) {
    EXPECT_EQ(launcherLinkPath(QProcessEnvironment()), QString());
    EXPECT_FALSE(updateLauncherLink(QProcessEnvironment(), home.path() + "/100%").isEmpty());
    EXPECT_EQ(updateLauncherLink(QProcessEnvironment(), home.path() + "/bin"), QString());
}

// Install puts the link in place with the entry, and keeps it up to date
// when the entry is already there.
TEST_F(Link, InstallWritesAnEntryThatRunsTheLink) {
    env.insert("XDG_CONFIG_HOME", home.path() + "/config");
    const QString folder = home.path() + "/100%";
    MemoryStore store;

    const TransferResult first = StartUpTransfer(store, env, folder).transfer();
    ASSERT_TRUE(first.succeeded()) << first.error.toStdString();
    EXPECT_FALSE(summaryWarns(first)) << transferSummary(first).toStdString();
    QFile entry(home.path() + "/config/autostart/" + kLauncherEntryName);
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    EXPECT_TRUE(text.contains("\nExec=" + QFile::encodeName(launcherLinkPath(env)) + " /run\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("\nTryExec=" + QFile::encodeName(launcherLinkPath(env)) + "\n"))
        << text.toStdString();
    EXPECT_EQ(target(), folder + "/velmora");

    const QString moved = home.path() + "/elsewhere 100%";
    ASSERT_TRUE(StartUpTransfer(store, env, moved).transfer().succeeded());
    EXPECT_EQ(target(), moved + "/velmora");
}

}  // namespace
}  // namespace velmora
