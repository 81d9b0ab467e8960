#include "editor/transfer.h"

#include "store/memorystore.h"
#include "store/registry.h"
#include "store/tasklayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <ostream>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace velmora;

namespace {

const QChar kCR(13);

QByteArray entry(const QByteArray& name, const QByteArray& extra = {}) {
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=true\n" + extra;
}

// A temporary home: the autostart folder, the data folder, two system-wide
// configuration folders and a program folder with a blank in its name.
class TransferTest : public ::testing::Test {
protected:
    QTemporaryDir home;
    MemoryStore store;
    QStringList warnings;
    QString programFolder = home.path() + QStringLiteral("/opt/velmora app");

    QString autostart() const { return home.path() + QStringLiteral("/config/autostart"); }
    QString moved() const { return home.path() + QStringLiteral("/data/velmora/startup"); }
    QString system(int i) const { return home.path() + QStringLiteral("/sys%1/autostart").arg(i); }

    QProcessEnvironment environment() const {
        QProcessEnvironment env;
        env.insert(QStringLiteral("HOME"), home.path() + QStringLiteral("/home"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_DIRS"),
                   home.path() + QStringLiteral("/sys1:relative:") + home.path() + QStringLiteral("/sys2"));
        return env;
    }

    static void put(const QString& folder, const QString& name, const QByteArray& contents,
                    QFile::Permissions perms = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                QFile::ReadOther) {
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile f(folder + QLatin1Char('/') + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(contents), contents.size());
        f.close();
        ASSERT_TRUE(f.setPermissions(perms));
    }
    static QByteArray contents(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    // Every entry of a folder, hidden ones and folders included, by name.
    static QStringList names(const QString& folder) {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                          QDir::NoDotAndDotDot,
                                      QDir::Name);
    }

    TransferResult transfer() {
        const QProcessEnvironment env = environment();
        LinuxRegistry registry(env);
        StartUpTransfer t(store, registry, env, programFolder);
        TransferResult r = t.TransferStartUp([this](const QString& text) { warnings.append(text); });
        EXPECT_EQ(registry.openHandles(), 0);
        return r;
    }

    TaskRecord movedTask(const QString& name) const {
        return {name, moved() + QLatin1Char('/') + name, "DW", "ABCDEFG", "*"};
    }
    QString launcherEntry() const { return autostart() + QLatin1Char('/') + kLauncherEntryName; }
};

TEST_F(TransferTest, TwoEntriesBecomeTasksInOrderOfName) {
    put(autostart(), "B.desktop", entry("B"));
    put(autostart(), "A.desktop", entry("A"));
    const int before = store.transactions();

    const TransferResult r = transfer();

    EXPECT_TRUE(r.succeeded()) << r.error.toStdString();
    EXPECT_EQ(readTask(store, 1), movedTask("A.desktop"));
    EXPECT_EQ(readTask(store, 2), movedTask("B.desktop"));
    EXPECT_EQ(taskCount(store), 2);
    EXPECT_EQ(store.transactions() - before, 2);  // one per task
    EXPECT_EQ(names(moved()), QStringList({"A.desktop", "B.desktop"}));
    EXPECT_EQ(contents(moved() + "/A.desktop"), entry("A"));
    EXPECT_EQ(names(autostart()), QStringList({kLauncherEntryName}));
    EXPECT_TRUE(r.launcherEntryCreated);
    EXPECT_EQ(contents(launcherEntry()), launcherEntryText(programFolder).toUtf8());
    EXPECT_TRUE(warnings.isEmpty());
}

TEST_F(TransferTest, CopyKeepsPermissionsAndReplacesAFileOfTheSameName) {
    put(autostart(), "run.sh", "#!/bin/sh\nexit 0\n",
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
    put(moved(), "run.sh", "stale");

    ASSERT_TRUE(transfer().succeeded());

    const QString copy = moved() + "/run.sh";
    EXPECT_EQ(contents(copy), "#!/bin/sh\nexit 0\n");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(copy).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
    EXPECT_EQ(names(moved()), QStringList({"run.sh"}));  // no temporary left over
    EXPECT_FALSE(QFileInfo::exists(autostart() + "/run.sh"));
}

TEST_F(TransferTest, AnExistingLauncherEntryIsLeftUntouched) {
    const QByteArray own = entry("Velmora Launcher", "Comment=mine\n");
    put(autostart(), kLauncherEntryName, own);
    put(autostart(), "A.desktop", entry("A"));

    const TransferResult r = transfer();

    EXPECT_TRUE(r.succeeded());
    EXPECT_FALSE(r.launcherEntryCreated);
    EXPECT_EQ(contents(launcherEntry()), own);
    EXPECT_EQ(taskCount(store), 1);
    EXPECT_EQ(readTask(store, 1).desc, "A.desktop");
    EXPECT_EQ(names(autostart()), QStringList({kLauncherEntryName}));
}

TEST_F(TransferTest, ANameDifferingOnlyInCaseIsMovedLikeAnyOther) {
    put(autostart(), "velmora launcher.desktop", entry("Old"));

    ASSERT_TRUE(transfer().succeeded());

    EXPECT_EQ(readTask(store, 1), movedTask("velmora launcher.desktop"));
    EXPECT_EQ(names(autostart()), QStringList({kLauncherEntryName}));
    EXPECT_EQ(contents(launcherEntry()), launcherEntryText(programFolder).toUtf8());
}

TEST_F(TransferTest, HiddenFilesSubfoldersAndBrokenLinksStay) {
    put(autostart(), ".hidden.desktop", entry("H"));
    put(autostart() + "/sub", "inner.desktop", entry("I"));
    ASSERT_EQ(::symlink("nowhere.desktop", QFile::encodeName(autostart() + "/dangling.desktop")), 0);

    ASSERT_TRUE(transfer().succeeded());

    EXPECT_EQ(taskCount(store), 0);
    EXPECT_EQ(names(autostart()),
              QStringList({".hidden.desktop", kLauncherEntryName, "dangling.desktop", "sub"}));
    EXPECT_EQ(names(autostart() + "/sub"), QStringList({"inner.desktop"}));
    EXPECT_FALSE(QFileInfo::exists(moved()));  // made only when something moves
}

TEST_F(TransferTest, ALinkMovesWhatItPointsToAndLeavesTheTargetAlone) {
    put(home.path() + "/apps", "clock.desktop", entry("Clock"));
    ASSERT_TRUE(QDir().mkpath(autostart()));
    ASSERT_EQ(::symlink(QFile::encodeName(home.path() + "/apps/clock.desktop"),
                        QFile::encodeName(autostart() + "/clock.desktop")),
              0);

    ASSERT_TRUE(transfer().succeeded());

    EXPECT_EQ(readTask(store, 1), movedTask("clock.desktop"));
    EXPECT_FALSE(QFileInfo(moved() + "/clock.desktop").isSymLink());
    EXPECT_EQ(contents(moved() + "/clock.desktop"), entry("Clock"));
    EXPECT_EQ(contents(home.path() + "/apps/clock.desktop"), entry("Clock"));
    EXPECT_EQ(names(autostart()), QStringList({kLauncherEntryName}));
}

struct SwitchCase {
    const char* name;
    const char* extra;  // lines after the entry's own
    bool switchedOff;
    friend void PrintTo(const SwitchCase& c, std::ostream* os) { *os << c.name; }
};

class SwitchedOff : public TransferTest, public ::testing::WithParamInterface<SwitchCase> {};

// A switched-off entry starts nothing at logon (or masks a system-wide one):
// moving it into the list would start it.
TEST_P(SwitchedOff, StaysWithoutATaskWhenItStartsNothing) {
    const QByteArray text = entry("X", GetParam().extra);
    put(autostart(), "x.desktop", text);

    const TransferResult r = transfer();

    EXPECT_TRUE(r.succeeded());
    if (GetParam().switchedOff) {
        EXPECT_EQ(r.switchedOff, QStringList({"x.desktop"}));
        EXPECT_EQ(taskCount(store), 0);
        EXPECT_EQ(contents(autostart() + "/x.desktop"), text);
    } else {
        EXPECT_TRUE(r.switchedOff.isEmpty());
        EXPECT_EQ(readTask(store, 1), movedTask("x.desktop"));
        EXPECT_FALSE(QFileInfo::exists(autostart() + "/x.desktop"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Entries, SwitchedOff,
    ::testing::Values(SwitchCase{"HiddenOne", "Hidden=1\n", true},
                      SwitchCase{"HiddenTrueCapital", "Hidden=True\n", true},
                      SwitchCase{"HiddenTrueSpaced", "Hidden = true\n", true},
                      SwitchCase{"GnomeDisabled", "X-GNOME-Autostart-enabled=false\n", true},
                      SwitchCase{"MateDisabled", "X-MATE-Autostart-enabled=false\n", true},
                      SwitchCase{"HiddenFalse", "Hidden=false\n", false},
                      SwitchCase{"GnomeEnabled", "X-GNOME-Autostart-enabled=true\n", false},
                      SwitchCase{"HiddenInAnActionGroup",
                                 "Actions=a;\n[Desktop Action a]\nName=A\nExec=true\nHidden=true\n", false},
                      SwitchCase{"HiddenLocalized", "Hidden[de]=true\n", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TransferTest, AnEntryMaskingASystemEntryLeavesAHiddenStub) {
    put(system(2), "tracker.desktop", entry("Tracker"));
    put(system(1), "other.desktop", entry("Other"));
    put(autostart(), "tracker.desktop", entry("My tracker"));
    put(autostart(), "plain.desktop", entry("Plain"));

    const TransferResult r = transfer();

    ASSERT_TRUE(r.succeeded());
    ASSERT_EQ(r.moved.size(), 2);
    EXPECT_FALSE(r.moved[0].stub);  // plain.desktop
    EXPECT_TRUE(r.moved[1].stub);
    EXPECT_EQ(contents(moved() + "/tracker.desktop"), entry("My tracker"));
    EXPECT_EQ(contents(autostart() + "/tracker.desktop"),
              "[Desktop Entry]\nType=Application\nName=tracker\nHidden=true\n");
    EXPECT_EQ(names(autostart()), QStringList({kLauncherEntryName, "tracker.desktop"}));
    // A second run keeps the stub: it is switched off itself.
    const TransferResult again = transfer();
    EXPECT_EQ(again.switchedOff, QStringList({"tracker.desktop"}));
    EXPECT_EQ(taskCount(store), 2);
}

TEST_F(TransferTest, FreeNumbersBelowUsedOnesAreTakenFirst) {
    writeTask(store, 1, {"One", "one", "0", "A", "a"});
    writeTask(store, 3, {"Three", "three", "0", "A", "a"});
    put(autostart(), "a.desktop", entry("a"));
    put(autostart(), "b.desktop", entry("b"));

    ASSERT_TRUE(transfer().succeeded());

    EXPECT_EQ(readTask(store, 2), movedTask("a.desktop"));
    EXPECT_EQ(readTask(store, 4), movedTask("b.desktop"));
    EXPECT_EQ(readTask(store, 3).desc, "Three");
}

TEST_F(TransferTest, AnEntryThatCameBackReplacesItsCopyWithoutASecondTask) {
    put(autostart(), "a.desktop", entry("old"));
    ASSERT_TRUE(transfer().succeeded());
    put(autostart(), "a.desktop", entry("new"));

    const TransferResult r = transfer();

    ASSERT_EQ(r.moved.size(), 1);
    EXPECT_EQ(r.moved[0].task, 1);
    EXPECT_FALSE(r.moved[0].newTask);
    EXPECT_EQ(taskCount(store), 1);
    EXPECT_EQ(contents(moved() + "/a.desktop"), entry("new"));
}

TEST_F(TransferTest, AFullListWarnsPerFileAndLeavesTheFiles) {
    for (int n = 1; n <= kMaxTasks; ++n) store.write(kApp, kSequence, taskKey("Desc", n), "T");
    put(autostart(), "a.desktop", entry("a"));
    put(autostart(), "b.desktop", entry("b"));

    const TransferResult r = transfer();

    EXPECT_EQ(warnings, QStringList({QStringLiteral("999 tasks specified - ") + kCR + "unable to add a.desktop",
                                     QStringLiteral("999 tasks specified - ") + kCR + "unable to add b.desktop"}));
    EXPECT_EQ(r.listFull, QStringList({"a.desktop", "b.desktop"}));
    EXPECT_EQ(names(autostart()), QStringList({kLauncherEntryName, "a.desktop", "b.desktop"}));
    EXPECT_TRUE(r.moved.isEmpty());
}

// Copy and removal failures: the file stays where it is, with its contents,
// and no task is left behind for it.
enum class Failure { TargetUnwritable, TargetIsAFile, WriteFails, SourceFolderReadOnly };

struct FailureCase {
    const char* name;
    Failure failure;
    friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }
};

class CopyFailure : public TransferTest, public ::testing::WithParamInterface<FailureCase> {
protected:
    void TearDown() override {
        // Let QTemporaryDir clean up.
        QFile::setPermissions(moved(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(autostart(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // Whether a folder with its write permission taken away still takes new
    // files (it does for root).
    static bool stillWritable(const QString& folder) {
        QFile probe(folder + "/probe");
        if (!probe.open(QIODevice::WriteOnly)) return false;
        probe.remove();
        return true;
    }
};

// Limits the size of files written while it lives, so that writing the copy
// fails even for root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int);
};

TEST_P(CopyFailure, LosesNothingAndLeavesNoTask) {
    const QByteArray big(8192, 'x');
    put(autostart(), "a.desktop", entry("a", "X-Padding=" + big + "\n"));
    put(autostart(), "b.desktop", entry("b", "X-Padding=" + big + "\n"));
    writeTask(store, 1, {"Kept", "kept", "0", "A", "*"});
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner;

    TransferResult r;
    switch (GetParam().failure) {
    case Failure::TargetUnwritable:
        ASSERT_TRUE(QDir().mkpath(moved()));
        ASSERT_TRUE(QFile::setPermissions(moved(), readOnly));
        if (stillWritable(moved())) GTEST_SKIP() << "folder permissions do not bind this user";
        r = transfer();
        break;
    case Failure::TargetIsAFile:
        put(home.path() + "/data/velmora", "startup", "not a folder");
        r = transfer();
        break;
    case Failure::WriteFails: {
        ASSERT_TRUE(QDir().mkpath(moved()));
        const FileSizeLimit limit(4096);
        r = transfer();
        break;
    }
    case Failure::SourceFolderReadOnly:
        put(autostart(), kLauncherEntryName, entry("Velmora Launcher"));
        ASSERT_TRUE(QFile::setPermissions(autostart(), readOnly));
        if (stillWritable(autostart())) GTEST_SKIP() << "folder permissions do not bind this user";
        r = transfer();
        break;
    }

    EXPECT_FALSE(r.succeeded());
    ASSERT_EQ(r.failed.size(), 2);
    EXPECT_EQ(r.failed[0].name, "a.desktop");
    EXPECT_FALSE(r.failed[0].reason.isEmpty());
    EXPECT_TRUE(r.moved.isEmpty());
    EXPECT_EQ(contents(autostart() + "/a.desktop"), entry("a", "X-Padding=" + big + "\n"));
    EXPECT_EQ(contents(autostart() + "/b.desktop"), entry("b", "X-Padding=" + big + "\n"));
    EXPECT_EQ(taskCount(store), 1);
    EXPECT_FALSE(store.contains(kApp, kSequence, "App002"));
    if (QFileInfo(moved()).isDir()) {
        QFile::setPermissions(moved(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_TRUE(names(moved()).isEmpty());  // no copy or temporary left
    }
    const QString summary = transferSummary(r);
    EXPECT_TRUE(summary.contains(QString(kCR) + "a.desktop - ")) << summary.toStdString();
    EXPECT_TRUE(summary.contains(QString(kCR) + "b.desktop - ")) << summary.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Causes, CopyFailure,
    ::testing::Values(FailureCase{"TargetUnwritable", Failure::TargetUnwritable},
                      FailureCase{"TargetIsAFile", Failure::TargetIsAFile},
                      FailureCase{"WriteFails", Failure::WriteFails},
                      FailureCase{"SourceFolderReadOnly", Failure::SourceFolderReadOnly}),
    [](const auto& info) { return std::string(info.param.name); });

// Refusals that leave everything as it was: no folder is created or emptied.
class NothingMoves : public TransferTest {
protected:
    void expectUntouched(const TransferResult& r) {
        EXPECT_FALSE(r.succeeded());
        EXPECT_FALSE(r.error.isEmpty());
        EXPECT_TRUE(r.moved.isEmpty());
        EXPECT_EQ(store.size(), 0);
        EXPECT_EQ(names(autostart()).filter(".desktop"), extra + QStringList({"a.desktop"}));
    }
    QStringList extra;
};

TEST_F(NothingMoves, WhenTheStartUpFolderIsUnknown) {
    put(autostart(), "a.desktop", entry("a"));
    QProcessEnvironment env;  // neither HOME nor XDG_CONFIG_HOME
    env.insert("XDG_DATA_HOME", home.path() + "/data");
    LinuxRegistry registry(env);
    StartUpTransfer t(store, registry, env, programFolder);

    expectUntouched(t.TransferStartUp({}));
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/data"));
}

TEST_F(NothingMoves, WhenTheLauncherEntryIsSwitchedOff) {
    put(autostart(), "a.desktop", entry("a"));
    put(autostart(), kLauncherEntryName, entry("Velmora Launcher", "X-GNOME-Autostart-enabled=false\n"));
    extra = {kLauncherEntryName};
    expectUntouched(transfer());
}

TEST_F(NothingMoves, WhenTheProgramFolderIsUnknown) {
    programFolder.clear();  // no program for the launcher entry to start
    put(autostart(), "a.desktop", entry("a"));
    expectUntouched(transfer());
}

TEST_F(NothingMoves, WhenBothFoldersAreTheSame) {
    put(autostart(), "a.desktop", entry("a"));
    ASSERT_TRUE(QDir().mkpath(home.path() + "/data/velmora"));
    ASSERT_EQ(::symlink(QFile::encodeName(autostart()), QFile::encodeName(moved())), 0);
    expectUntouched(transfer());
}

// The Install button's flow.
class Install : public TransferTest {
protected:
    QStringList asked;
    QList<bool> busy;
    bool answer = true;

    bool click() {
        const QProcessEnvironment env = environment();
        LinuxRegistry registry(env);
        StartUpTransfer t(store, registry, env, programFolder);
        return installClicked(store, t,
                              {[this](const QString& q) {
                                   asked.append(q);
                                   return answer;
                               },
                               [this](const QString& w) { warnings.append(w); },
                               [this](bool b) { busy.append(b); }});
    }
};

TEST_F(Install, AsksFirstAndChangesNothingOnNo) {
    put(autostart(), "a.desktop", entry("a"));
    answer = false;

    EXPECT_FALSE(click());

    EXPECT_EQ(asked, QStringList({QStringLiteral("This will move your existing StartUp tasks from the Start menu") +
                                  kCR + "to Velmora's program folder and install them in the launch list." +
                                  kCR + kCR + "Are you sure you want to do that now ?"}));
    EXPECT_EQ(store.size(), 0);
    EXPECT_EQ(names(autostart()), QStringList({"a.desktop"}));
    EXPECT_TRUE(busy.isEmpty());
}

TEST_F(Install, YesTransfersAndMarksInstalled) {
    put(autostart(), "a.desktop", entry("a"));

    EXPECT_TRUE(click());

    EXPECT_EQ(store.read(kApp, kSequence, kInstalled), "yes");
    EXPECT_EQ(readTask(store, 1), movedTask("a.desktop"));
    EXPECT_EQ(busy, QList<bool>({true, false}));
    EXPECT_TRUE(warnings.isEmpty());
}

TEST_F(Install, AFailedTransferIsReportedOnceAndNotMarked) {
    put(autostart(), "a.desktop", entry("a"));
    put(autostart(), "b.desktop", entry("b"));
    put(home.path() + "/data/velmora", "startup", "not a folder");

    EXPECT_FALSE(click());

    EXPECT_FALSE(store.contains(kApp, kSequence, kInstalled));
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains("a.desktop") && warnings[0].contains("b.desktop"));
    EXPECT_EQ(busy, QList<bool>({true, false}));
}

TEST_F(Install, AnUnknownStartUpFolderIsReported) {
    QProcessEnvironment env;
    LinuxRegistry registry(env);
    StartUpTransfer t(store, registry, env, programFolder);
    EXPECT_FALSE(installClicked(store, t, {[](const QString&) { return true; },
                                           [this](const QString& w) { warnings.append(w); }, {}}));
    EXPECT_EQ(warnings, QStringList({QStringLiteral("Unable to find the StartUp folder.") + kCR +
                                     "Nothing has been moved."}));
    EXPECT_EQ(store.size(), 0);
}

// The launcher's entry must be one the desktop accepts, wherever the program lives.
struct ExecCase {
    const char* name;
    const char* folder;  // below the temporary home
    const char* exec;    // the Exec value, with <home> for the temporary home
    friend void PrintTo(const ExecCase& c, std::ostream* os) { *os << c.name; }
};

class LauncherEntry : public ::testing::TestWithParam<ExecCase> {};

TEST_P(LauncherEntry, IsAValidDesktopEntryRunningTheProgramWithRun) {
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (validator.isEmpty()) GTEST_SKIP() << "desktop-file-validate is not installed";
    QTemporaryDir home(QDir::tempPath() + "/velmora-entry-XXXXXX");
    const QString folder = home.path() + QString::fromUtf8(GetParam().folder);
    const QString text = launcherEntryText(folder);

    EXPECT_TRUE(text.contains("\nExec=" + QString::fromUtf8(GetParam().exec).replace("<home>", home.path()) +
                              " /run\n"))
        << text.toStdString();
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nType=Application\n"));
    EXPECT_TRUE(text.contains("\nName=Velmora Launcher\n"));
    EXPECT_TRUE(text.contains("\nIcon=velmora\n"));

    const QString path = home.path() + "/" + kLauncherEntryName;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
    f.close();
    QProcess validate;
    validate.start(validator, {path});
    ASSERT_TRUE(validate.waitForFinished(30000));
    const QString output = QString::fromUtf8(validate.readAllStandardOutput() + validate.readAllStandardError());
    EXPECT_EQ(validate.exitCode(), 0) << output.toStdString();
    EXPECT_FALSE(output.contains("error")) << output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Folders, LauncherEntry,
    ::testing::Values(ExecCase{"Plain", "/bin", "<home>/bin/velmora"},
                      ExecCase{"Blank", "/my programs", "\"<home>/my programs/velmora\""},
                      ExecCase{"QuoteDollarBacktick", "/a\"b$c`d", "\"<home>/a\\\\\"b\\\\$c\\\\`d/velmora\""},
                      ExecCase{"Backslash", "/a\\b", "\"<home>/a\\\\\\\\b/velmora\""},
                      ExecCase{"Percent", "/100%", "<home>/100%%/velmora"},
                      ExecCase{"TrailingSeparator", "/bin/", "<home>/bin/velmora"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TransferFolders, FollowTheXdgRules) {
    QProcessEnvironment env;
    env.insert("HOME", "/home/ann");
    EXPECT_EQ(movedEntriesFolder(env), "/home/ann/.local/share/velmora/startup");
    EXPECT_EQ(systemAutostartFolders(env), QStringList({"/etc/xdg/autostart"}));
    env.insert("XDG_DATA_HOME", "/data/ann/");
    env.insert("XDG_CONFIG_DIRS", "/a::rel:/b/");
    EXPECT_EQ(movedEntriesFolder(env), "/data/ann/velmora/startup");
    EXPECT_EQ(systemAutostartFolders(env), QStringList({"/a/autostart", "/b/autostart"}));
    env.insert("XDG_DATA_HOME", "relative");
    EXPECT_EQ(movedEntriesFolder(env), "/home/ann/.local/share/velmora/startup");
    EXPECT_EQ(movedEntriesFolder(QProcessEnvironment()), "");
}

}  // namespace
