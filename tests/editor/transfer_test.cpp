#include "editor/transfer.h"

#include "casename.h"
#include "desktop/desktopentrywriter.h"
#include "store/memorystore.h"
#include "store/tasklayout.h"
#include "testfiles.h"
#include "unprivileged.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <ostream>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace velmora {
void PrintTo(const TaskRecord& t, std::ostream* os) {
    *os << '{' << t.desc.toStdString() << " | " << t.app.toStdString() << " | " << t.wait.toStdString()
        << " | " << t.opt.toStdString() << " | " << t.keys.toStdString() << '}';
}
}  // namespace velmora

using namespace velmora;
using velmora::testing::folderSnapshot;
using velmora::testing::rerunUnprivileged;

namespace {

const QChar kNewline(u'\n');

QStringList namesOf(const QList<TransferResult::Failure>& list) {
    QStringList out;
    for (const TransferResult::Failure& f : list) out.append(f.name);
    return out;
}

// The last paragraph but one of every summary after a transfer that began.
QString stayParagraph(const QString& folder, const QStringList& more = {}) {
    return "These stay in " + folder + ":" + kNewline + kLauncherEntryName +
           " - Velmora's own entry, which starts the launch list" +
           (more.isEmpty() ? QString() : QString(kNewline)) + more.join(kNewline);
}
const QString kUndoLine = "\"velmora /uninstall\" gives the moved entries back.";

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
    QProcessEnvironment more;  // set over environment()'s own

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
        // What the launcher would start is judged in this environment.
        env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("XFCE"));
        for (const QString& variable : more.keys()) env.insert(variable, more.value(variable));
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
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                      QDir::Name);
    }

    TransferResult transfer() {
        const QProcessEnvironment env = environment();
        StartUpTransfer t(store, env, programFolder);
        TransferResult r = t.transfer();
        return r;
    }

    // The task of a moved entry whose Name is `desc`; a path with blanks
    // is written in double quotes.
    TaskRecord movedTask(const QString& name, const QString& desc, const QString& wait = "DW") const {
        const QString path = moved() + QLatin1Char('/') + name;
        return {desc, name.contains(' ') ? '"' + path + '"' : path, wait, "ABCDEFG", "*"};
    }
    QString launcherEntry() const { return autostart() + QLatin1Char('/') + kLauncherEntryName; }
};

TEST_F(TransferTest, TwoEntriesBecomeTasksInOrderOfName) {
    put(autostart(), "B.desktop", entry("B"));
    put(autostart(), "A.desktop", entry("A"));
    const int before = store.transactions();

    const TransferResult r = transfer();

    EXPECT_TRUE(r.succeeded()) << r.error.toStdString();
    EXPECT_EQ(readTask(store, 1), movedTask("A.desktop", "A"));
    EXPECT_EQ(readTask(store, 2), movedTask("B.desktop", "B"));
    EXPECT_EQ(taskCount(store), 2);
    EXPECT_EQ(store.transactions() - before, 2);  // one per task
    EXPECT_EQ(names(moved()), QStringList({"A.desktop", "B.desktop"}));
    EXPECT_EQ(contents(moved() + "/A.desktop"), entry("A"));
    EXPECT_EQ(names(autostart()), QStringList({kLauncherEntryName}));
    EXPECT_TRUE(r.launcherEntryCreated);
    EXPECT_EQ(contents(launcherEntry()), launcherEntryText(programFolder).toUtf8());
    EXPECT_FALSE(summaryWarns(r));
    EXPECT_EQ(transferSummary(r), "2 entries moved from " + autostart() +
                                      " into the launch list:" + kNewline + "A (A.desktop)" + kNewline +
                                      "B (B.desktop)" + kNewline + kNewline + stayParagraph(autostart()) +
                                      kNewline + kNewline + kUndoLine);
}

TEST_F(TransferTest, CopyKeepsPermissionsAndReplacesAFileOfTheSameName) {
    const QByteArray script = "#!/bin/sh\n" + entry("Run");
    put(autostart(), "run.desktop", script,
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
    put(moved(), "run.desktop", "stale");

    ASSERT_TRUE(transfer().succeeded());

    const QString copy = moved() + "/run.desktop";
    EXPECT_EQ(contents(copy), script);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(copy).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
    EXPECT_EQ(names(moved()), QStringList({"run.desktop"}));  // no temporary left over
    EXPECT_FALSE(QFileInfo::exists(autostart() + "/run.desktop"));
}

TEST_F(TransferTest, OnlyDesktopEntriesMoveOtherFilesStayUnmentioned) {
    put(autostart(), "README.txt", "read me\n");
    put(autostart(), "start.sh", "#!/bin/sh\nexit 0\n", QFile::ReadOwner | QFile::ExeOwner);
    put(autostart(), "entry.DESKTOP", entry("Upper"));
    put(autostart(), "a.desktop", entry("A"));

    const TransferResult r = transfer();

    EXPECT_TRUE(r.succeeded());
    EXPECT_EQ(taskCount(store), 1);
    EXPECT_EQ(readTask(store, 1), movedTask("a.desktop", "A"));
    EXPECT_EQ(names(autostart()),
              QStringList({"README.txt", kLauncherEntryName, "entry.DESKTOP", "start.sh"}));
    // The desktop never reads them, so they are not named as staying.
    for (const char* other : {"README.txt", "entry.DESKTOP", "start.sh"})
        EXPECT_FALSE(transferSummary(r).contains(other)) << transferSummary(r).toStdString();
}

TEST_F(TransferTest, AppOfANameWithBlanksIsQuotedSoThatItIsNeverSplit) {
    put(autostart(), "notes sync.desktop", entry("Notes"));

    ASSERT_TRUE(transfer().succeeded());

    EXPECT_EQ(readTask(store, 1).app, "\"" + moved() + "/notes sync.desktop\"");
    // Moving it again finds the task by that path and adds none.
    put(autostart(), "notes sync.desktop", entry("Notes again"));
    ASSERT_TRUE(transfer().succeeded());
    EXPECT_EQ(taskCount(store), 1);
    EXPECT_EQ(contents(moved() + "/notes sync.desktop"), entry("Notes again"));
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
    EXPECT_EQ(readTask(store, 1).desc, "A");
    EXPECT_EQ(names(autostart()), QStringList({kLauncherEntryName}));
}

TEST_F(TransferTest, ANameDifferingOnlyInCaseIsMovedLikeAnyOther) {
    put(autostart(), "velmora launcher.desktop", entry("Old"));

    ASSERT_TRUE(transfer().succeeded());

    EXPECT_EQ(readTask(store, 1), movedTask("velmora launcher.desktop", "Old"));
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

// Package updates of the linked file keep reaching the moved entry.
TEST_F(TransferTest, ALinkMovesAsALinkToTheSameFile) {
    put(home.path() + "/apps", "clock.desktop", entry("Clock"));
    put(home.path() + "/apps", "near.desktop", entry("Near"));
    ASSERT_TRUE(QDir().mkpath(autostart()));
    ASSERT_EQ(::symlink(QFile::encodeName(home.path() + "/apps/clock.desktop"),
                        QFile::encodeName(autostart() + "/clock.desktop")),
              0);
    ASSERT_EQ(::symlink("../../apps/near.desktop", QFile::encodeName(autostart() + "/near.desktop")), 0);

    ASSERT_TRUE(transfer().succeeded());

    EXPECT_EQ(readTask(store, 1), movedTask("clock.desktop", "Clock"));
    EXPECT_EQ(readTask(store, 2), movedTask("near.desktop", "Near"));
    EXPECT_EQ(QFileInfo(moved() + "/clock.desktop").symLinkTarget(), home.path() + "/apps/clock.desktop");
    // A relative link would name another file from the new folder.
    EXPECT_EQ(QFileInfo(moved() + "/near.desktop").symLinkTarget(), home.path() + "/apps/near.desktop");
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
        EXPECT_EQ(namesOf(r.switchedOff), QStringList({"x.desktop"}));
        EXPECT_EQ(taskCount(store), 0);
        EXPECT_EQ(contents(autostart() + "/x.desktop"), text);
    } else {
        EXPECT_TRUE(r.switchedOff.isEmpty());
        EXPECT_EQ(readTask(store, 1), movedTask("x.desktop", "X"));
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
    velmora::testing::caseName);

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
    ASSERT_EQ(again.switchedOff.size(), 1);
    EXPECT_EQ(again.switchedOff[0].name, "tracker.desktop");
    EXPECT_TRUE(
        transferSummary(again).contains(QString(kNewline) + "tracker.desktop - switched off (Hidden=true)"))
        << transferSummary(again).toStdString();
    EXPECT_EQ(taskCount(store), 2);
}

TEST_F(TransferTest, FreeNumbersBelowUsedOnesAreTakenFirst) {
    writeTask(store, 1, {"One", "one", "0", "A", "a"});
    writeTask(store, 3, {"Three", "three", "0", "A", "a"});
    put(autostart(), "a.desktop", entry("a"));
    put(autostart(), "b.desktop", entry("b"));

    ASSERT_TRUE(transfer().succeeded());

    EXPECT_EQ(readTask(store, 2), movedTask("a.desktop", "a"));
    EXPECT_EQ(readTask(store, 4), movedTask("b.desktop", "b"));
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

TEST_F(TransferTest, AFullListLeavesTheFilesAndTheSummaryNamesThem) {
    for (int n = 1; n <= kMaxTasks; ++n) store.write(kApp, kSequence, taskKey(TaskField::Desc, n), "T");
    put(autostart(), "a.desktop", entry("a"));
    put(autostart(), "b.desktop", entry("b"));

    const TransferResult r = transfer();

    EXPECT_TRUE(r.succeeded());
    EXPECT_EQ(r.listFull, QStringList({"a.desktop", "b.desktop"}));
    EXPECT_EQ(names(autostart()), QStringList({kLauncherEntryName, "a.desktop", "b.desktop"}));
    EXPECT_EQ(contents(autostart() + "/a.desktop"), entry("a"));
    EXPECT_TRUE(r.moved.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(moved()));
    EXPECT_TRUE(summaryWarns(r));
    EXPECT_EQ(transferSummary(r), "No entries moved from " + autostart() + "." + kNewline + kNewline +
                                      "999 tasks specified - " + kNewline +
                                      "unable to add these entries; they stay in " + autostart() +
                                      " and start from there as before:" + kNewline + "a.desktop" + kNewline +
                                      "b.desktop" + kNewline + kNewline + stayParagraph(autostart()));
}

// Entries the launcher would refuse at logon ("not started"): moved, they
// would start nothing. They stay where they are, named with the launcher's
// reason, while an entry beside them that starts moves.
struct NotStartedCase {
    const char* name;
    const char* text;
    const char* reason;
    friend void PrintTo(const NotStartedCase& c, std::ostream* os) { *os << c.name; }
};

class WouldNotStart : public TransferTest, public ::testing::WithParamInterface<NotStartedCase> {};

TEST_P(WouldNotStart, StaysAndIsNamedWithTheReason) {
    const NotStartedCase& c = GetParam();
    put(autostart(), "x.desktop", c.text);
    put(autostart(), "control.desktop", entry("Control"));

    const TransferResult r = transfer();

    EXPECT_TRUE(r.succeeded()) << transferSummary(r).toStdString();
    ASSERT_EQ(r.notStarted.size(), 1);
    EXPECT_EQ(r.notStarted[0].name, "x.desktop");
    EXPECT_EQ(r.notStarted[0].reason, QString::fromUtf8(c.reason));
    EXPECT_EQ(contents(autostart() + "/x.desktop"), c.text);
    EXPECT_EQ(names(moved()), QStringList({"control.desktop"}));
    EXPECT_EQ(taskCount(store), 1);
    EXPECT_EQ(readTask(store, 1), movedTask("control.desktop", "Control"));
    EXPECT_FALSE(summaryWarns(r));
    EXPECT_EQ(transferSummary(r), "1 entry moved from " + autostart() + " into the launch list:" + kNewline +
                                      "Control (control.desktop)" + kNewline + kNewline +
                                      stayParagraph(autostart(), {"x.desktop - would not start from the "
                                                                  "launch list: " +
                                                                  QString::fromUtf8(c.reason)}) +
                                      kNewline + kNewline + kUndoLine);
}

#define APP "[Desktop Entry]\nType=Application\nName=X\n"

INSTANTIATE_TEST_SUITE_P(
    Kinds, WouldNotStart,
    ::testing::Values(
        NotStartedCase{"EmptyExec", APP "Exec=\n", "no Exec"},
        NotStartedCase{"DBusActivatableWithoutExec", APP "DBusActivatable=true\n",
                       "no Exec; only D-Bus starts it (DBusActivatable=true)"},
        NotStartedCase{"TypeLink", "[Desktop Entry]\nType=Link\nName=X\nURL=https://example.org/\n",
                       "Type=Link is not an application"},
        NotStartedCase{"FieldCodesOnly", APP "Exec=%U %f\n", "Exec names no program"},
        NotStartedCase{"UnbalancedQuotes", APP "Exec=sh -c \"echo hello\n", "Exec has an unclosed quote"},
        NotStartedCase{"ProgramNotInPath", APP "Exec=velmora-no-such-program --quiet\n",
                       "velmora-no-such-program: No such file or directory"},
        NotStartedCase{"TryExecNotInPath", APP "TryExec=velmora-no-such-program\nExec=true\n",
                       "TryExec velmora-no-such-program was not found"},
        NotStartedCase{"NotShownOnThisDesktop", APP "OnlyShowIn=GNOME;\nExec=true\n",
                       "not shown in XFCE (OnlyShowIn=GNOME;)"}),
    velmora::testing::caseName);

#undef APP

// However many stay behind, the one message fits on a screen: of each kind
// the first twenty are named, then how many more there are.
struct SummaryCase {
    const char* name;
    int count;
    const char* more;  // the line after the names; "" for none
    friend void PrintTo(const SummaryCase& c, std::ostream* os) { *os << c.name; }
};

class SummaryNames : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(SummaryNames, AreTheFirstTwentyThenHowManyMore) {
    const SummaryCase& c = GetParam();
    TransferResult r;
    r.folder = "/home/ann/.config/autostart";
    QStringList full;
    QStringList stay{kLauncherEntryName + " - Velmora's own entry, which starts the launch list"};
    for (int i = 1; i <= c.count; ++i) {
        const QString name = QStringLiteral("e%1.desktop").arg(i, 4, 10, QLatin1Char('0'));
        r.listFull.append(name);
        r.notStarted.append(TransferResult::Failure{name, "no Exec"});
        full.append(name);
        stay.append(name + " - would not start from the launch list: no Exec");
    }
    const auto shown = [](const QStringList& lines) {
        if (lines.size() <= 20) return lines;
        return lines.mid(0, 20) + QStringList{QStringLiteral("and %1 more").arg(lines.size() - 20)};
    };

    const QStringList paragraphs = transferSummary(r).split(QString(kNewline) + kNewline);

    ASSERT_EQ(paragraphs.size(), 3) << transferSummary(r).toStdString();
    EXPECT_EQ(paragraphs[1].split(kNewline).mid(2), shown(full));
    EXPECT_TRUE(paragraphs[1].endsWith(QString::fromUtf8(c.more))) << paragraphs[1].toStdString();
    EXPECT_EQ(paragraphs[2].split(kNewline).mid(1), shown(stay));
}

INSTANTIATE_TEST_SUITE_P(Counts, SummaryNames,
                         ::testing::Values(SummaryCase{"One", 1, ""}, SummaryCase{"Twenty", 20, ""},
                                           SummaryCase{"TwentyOne", 21, "and 1 more"},
                                           SummaryCase{"TwelveHundredLessTheList", 1200 - kMaxTasks,
                                                       "and 181 more"},
                                           SummaryCase{"TenThousand", 10000, "and 9980 more"}),
                         velmora::testing::caseName);

TEST(TransferSummary, EachKindIsOneParagraphInThisOrder) {
    TransferResult r;
    r.folder = "/home/ann/.config/autostart";
    r.shownFolder = "~/.config/autostart";
    r.moved.append({"clock.desktop", 1, true, false, "Uhr", 0, false});
    r.failed.append(TransferResult::Failure{"a.desktop", "No space left on device"});
    r.notStarted.append(TransferResult::Failure{"b.desktop", "not shown in XFCE (OnlyShowIn=GNOME;)"});
    r.listFull.append("c.desktop");
    r.left.append(TransferResult::Failure{"d.desktop", "cannot be read: Permission denied"});
    r.switchedOff.append(TransferResult::Failure{"off.desktop", "Hidden=true"});
    r.startsNothing.append(TransferResult::Failure{"mask.desktop", "a link to /dev/null"});
    const QString f = "~/.config/autostart";

    EXPECT_TRUE(summaryWarns(r));
    EXPECT_EQ(
        transferSummary(r),
        "1 entry moved from " + f + " into the launch list:" + kNewline + "Uhr (clock.desktop)" + kNewline +
            kNewline + "These entries could not be moved; they stay in " + f +
            " and start from there as before:" + kNewline + "a.desktop - No space left on device" + kNewline +
            kNewline + "999 tasks specified - " + kNewline + "unable to add these entries; they stay in " +
            f + " and start from there as before:" + kNewline + "c.desktop" + kNewline + kNewline +
            stayParagraph(f, {"off.desktop - switched off (Hidden=true)",
                              "mask.desktop - starts nothing (a link to /dev/null)",
                              "b.desktop - would not start from the launch list: not shown in XFCE "
                              "(OnlyShowIn=GNOME;)",
                              "d.desktop - not an entry that can be moved: cannot be read: Permission "
                              "denied"}) +
            kNewline + kNewline + kUndoLine + kNewline + kNewline + "Install stays available to try again.");
}

// Delays read as the wait they became, or as lost.
struct DelayLineCase {
    const char* name;
    int delay;
    bool kept;
    const char* line;
    friend void PrintTo(const DelayLineCase& c, std::ostream* os) { *os << c.name; }
};

class SummaryDelays : public ::testing::TestWithParam<DelayLineCase> {};

TEST_P(SummaryDelays, AreSaidAfterTheEntry) {
    TransferResult r;
    r.folder = "/f";
    r.moved.append({"late.desktop", 2, true, false, "Late", GetParam().delay, GetParam().kept});
    EXPECT_FALSE(summaryWarns(r));
    EXPECT_EQ(transferSummary(r).split(kNewline).value(1), QString::fromUtf8(GetParam().line));
}

INSTANTIATE_TEST_SUITE_P(
    Delays, SummaryDelays,
    ::testing::Values(
        DelayLineCase{"None", 0, false, "Late (late.desktop)"},
        DelayLineCase{"OneSecondKept", 1, true,
                      "Late (late.desktop) - starts 1 second later, as its autostart delay asks"},
        DelayLineCase{"SecondsKept", 30, true,
                      "Late (late.desktop) - starts 30 seconds later, as its autostart delay asks"},
        DelayLineCase{"Lost", 30, false,
                      "Late (late.desktop) - starts without its autostart delay of 30 seconds"}),
    velmora::testing::caseName);

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
        if (rerunUnprivileged()) return;
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
        if (rerunUnprivileged()) return;
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
    EXPECT_TRUE(summary.contains(QString(kNewline) + "a.desktop - ")) << summary.toStdString();
    EXPECT_TRUE(summary.contains(QString(kNewline) + "b.desktop - ")) << summary.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Causes, CopyFailure,
                         ::testing::Values(FailureCase{"TargetUnwritable", Failure::TargetUnwritable},
                                           FailureCase{"TargetIsAFile", Failure::TargetIsAFile},
                                           FailureCase{"WriteFails", Failure::WriteFails},
                                           FailureCase{"SourceFolderReadOnly",
                                                       Failure::SourceFolderReadOnly}),
                         velmora::testing::caseName);

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
    StartUpTransfer t(store, env, programFolder);

    expectUntouched(t.transfer());
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
    QStringList informs;
    QList<bool> busy;
    bool answer = true;

    bool click() {
        const QProcessEnvironment env = environment();
        StartUpTransfer t(store, env, programFolder);
        return installClicked(
            store, t,
            {[this](const QString& q) {
                 asked.append(q);
                 return answer;
             },
             [this](const QString& w) { warnings.append(w); },
             [this](const QString& i) { informs.append(i); }, [this](bool b) { busy.append(b); }});
    }
};

TEST_F(Install, AsksFirstAndChangesNothingOnNo) {
    put(autostart(), "a.desktop", entry("a"));
    answer = false;

    EXPECT_FALSE(click());

    EXPECT_EQ(asked, QStringList({"This will move the programs that start at logon from " + autostart() +
                                  kNewline + "into Velmora's launch list, which starts them from then on." +
                                  kNewline + kNewline + "Are you sure you want to do that now ?"}));
    EXPECT_EQ(store.size(), 0);
    EXPECT_EQ(names(autostart()), QStringList({"a.desktop"}));
    EXPECT_TRUE(busy.isEmpty());
}

TEST_F(Install, YesTransfersAndMarksInstalled) {
    put(autostart(), "a.desktop", entry("a"));

    EXPECT_TRUE(click());

    EXPECT_EQ(store.read(kApp, kSequence, kInstalled), "yes");
    EXPECT_EQ(readTask(store, 1), movedTask("a.desktop", "a"));
    EXPECT_EQ(busy, QList<bool>({true, false}));
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_EQ(informs, QStringList({"1 entry moved from " + autostart() + " into the launch list:" +
                                    kNewline + "a (a.desktop)" + kNewline + kNewline +
                                    stayParagraph(autostart()) + kNewline + kNewline + kUndoLine}));
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

// Thousands of entries over a full list once made one message box each.
TEST_F(Install, AFullListIsReportedInOneMessage) {
    for (int n = 1; n <= kMaxTasks - 2; ++n) store.write(kApp, kSequence, taskKey(TaskField::Desc, n), "T");
    QStringList entries;
    for (int i = 1; i <= 25; ++i) {
        entries.append(QStringLiteral("e%1.desktop").arg(i, 2, 10, QLatin1Char('0')));
        put(autostart(), entries.last(), entry("E"));
    }

    EXPECT_TRUE(click());

    EXPECT_EQ(store.read(kApp, kSequence, kInstalled), "yes");
    EXPECT_EQ(taskCount(store), kMaxTasks);
    EXPECT_EQ(readTask(store, kMaxTasks), movedTask("e02.desktop", "E"));
    EXPECT_EQ(names(autostart()), QStringList({kLauncherEntryName}) + entries.mid(2));
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(informs.isEmpty());
    EXPECT_EQ(warnings[0], "2 entries moved from " + autostart() + " into the launch list:" + kNewline +
                               "E (e01.desktop)" + kNewline + "E (e02.desktop)" + kNewline + kNewline +
                               "999 tasks specified - " + kNewline +
                               "unable to add these entries; they stay in " + autostart() +
                               " and start from there as before:" + kNewline +
                               entries.mid(2, 20).join(kNewline) + kNewline + "and 3 more" + kNewline +
                               kNewline + stayParagraph(autostart()) + kNewline + kNewline + kUndoLine);
}

TEST_F(Install, AnUnknownStartUpFolderIsReported) {
    QProcessEnvironment env;
    StartUpTransfer t(store, env, programFolder);
    EXPECT_FALSE(installClicked(
        store, t,
        {[](const QString&) { return true; }, [this](const QString& w) { warnings.append(w); }, {}, {}}));
    EXPECT_EQ(warnings, QStringList({QStringLiteral("Unable to find the autostart folder.") + kNewline +
                                     "Nothing has been moved."}));
    EXPECT_EQ(store.size(), 0);
}

// A mask keeps a system-wide entry of its name from starting; it starts
// nothing itself, so it stays and is no failure.
enum class Mask { DevNullLink, EmptyFile, NoDesktopEntryGroup };

struct MaskCase {
    const char* name;
    Mask mask;
    friend void PrintTo(const MaskCase& c, std::ostream* os) { *os << c.name; }
};

class Masks : public TransferTest, public ::testing::WithParamInterface<MaskCase> {};

TEST_P(Masks, StayWithoutATaskAndInstallCompletes) {
    put(system(1), "tracker.desktop", entry("Tracker"));
    const QString path = autostart() + "/tracker.desktop";
    switch (GetParam().mask) {
    case Mask::DevNullLink:
        ASSERT_TRUE(QDir().mkpath(autostart()));
        ASSERT_EQ(::symlink("/dev/null", QFile::encodeName(path)), 0);
        break;
    case Mask::EmptyFile: put(autostart(), "tracker.desktop", ""); break;
    case Mask::NoDesktopEntryGroup: put(autostart(), "tracker.desktop", "# off\n[Other]\nExec=true\n"); break;
    }

    const TransferResult r = transfer();

    EXPECT_TRUE(r.succeeded());
    EXPECT_EQ(namesOf(r.startsNothing), QStringList({"tracker.desktop"}));
    EXPECT_TRUE(r.moved.isEmpty());
    EXPECT_EQ(taskCount(store), 0);
    EXPECT_FALSE(summaryWarns(r));
    EXPECT_TRUE(transferSummary(r).contains(QString(kNewline) + "tracker.desktop - starts nothing ("))
        << transferSummary(r).toStdString();
    EXPECT_EQ(names(autostart()), QStringList({kLauncherEntryName, "tracker.desktop"}));
    if (GetParam().mask == Mask::DevNullLink) {
        EXPECT_EQ(QFileInfo(path).symLinkTarget(), "/dev/null");
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, Masks,
                         ::testing::Values(MaskCase{"DevNullLink", Mask::DevNullLink},
                                           MaskCase{"EmptyFile", Mask::EmptyFile},
                                           MaskCase{"NoDesktopEntryGroup", Mask::NoDesktopEntryGroup}),
                         velmora::testing::caseName);

// Files that must neither hang nor crash the transfer: they stay, are named
// with their reason, and do not keep Install from completing.
enum class Odd { Fifo, Socket, Folder, Unreadable, TooLarge, LineBreakInName, InvalidUtf8Name };

struct OddCase {
    const char* name;
    Odd odd;
    const char* file;  // as shown in the summary
    const char* reason;
    friend void PrintTo(const OddCase& c, std::ostream* os) { *os << c.name; }
};

class OddFiles : public TransferTest, public ::testing::WithParamInterface<OddCase> {};

TEST_P(OddFiles, StayAndAreNamedWithTheirReason) {
    const OddCase& c = GetParam();
    if (c.odd == Odd::Unreadable && rerunUnprivileged()) return;
    ASSERT_TRUE(QDir().mkpath(autostart()));
    QByteArray raw = QFile::encodeName(autostart()) + "/odd.desktop";
    switch (c.odd) {
    case Odd::Fifo: ASSERT_EQ(::mkfifo(raw.constData(), 0644), 0); break;
    case Odd::Socket: {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ASSERT_LT(size_t(raw.size()), sizeof address.sun_path);
        std::memcpy(address.sun_path, raw.constData(), size_t(raw.size()));
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        break;
    }
    case Odd::Folder: ASSERT_TRUE(QDir().mkpath(autostart() + "/odd.desktop")); break;
    case Odd::Unreadable: put(autostart(), "odd.desktop", entry("Odd"), QFile::WriteOwner); break;
    case Odd::TooLarge:
        put(autostart(), "odd.desktop", entry("Odd", "X-Padding=" + QByteArray(1 << 20, 'x') + "\n"));
        break;
    case Odd::LineBreakInName:
    case Odd::InvalidUtf8Name: {
        raw = QFile::encodeName(autostart()) +
              (c.odd == Odd::LineBreakInName ? "/line\nbreak.desktop" : "/bad\xff.desktop");
        const QByteArray text = entry("Odd");
        const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, text.constData(), size_t(text.size())), text.size());
        ::close(fd);
        break;
    }
    }
    put(autostart(), "good.desktop", entry("Good"));

    const TransferResult r = transfer();

    EXPECT_TRUE(r.succeeded()) << transferSummary(r).toStdString();
    ASSERT_EQ(r.left.size(), 1);
    EXPECT_EQ(r.left[0].name, QString::fromUtf8(c.file));
    EXPECT_EQ(r.left[0].reason, QString::fromUtf8(c.reason));
    struct stat st {};
    EXPECT_EQ(::lstat(raw.constData(), &st), 0) << "it stays where it is";
    EXPECT_EQ(taskCount(store), 1);
    EXPECT_EQ(readTask(store, 1), movedTask("good.desktop", "Good"));
    const QString summary = transferSummary(r);
    EXPECT_TRUE(summary.contains(QString(kNewline) + QString::fromUtf8(c.file) +
                                 " - not an entry that can be moved: " + QString::fromUtf8(c.reason)))
        << summary.toStdString();
    EXPECT_FALSE(summary.contains("start from there")) << summary.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Kinds, OddFiles,
                         ::testing::Values(OddCase{"Fifo", Odd::Fifo, "odd.desktop", "a FIFO"},
                                           OddCase{"Socket", Odd::Socket, "odd.desktop", "a socket"},
                                           OddCase{"Folder", Odd::Folder, "odd.desktop", "a folder"},
                                           OddCase{"Unreadable", Odd::Unreadable, "odd.desktop",
                                                   "cannot be read: Permission denied"},
                                           OddCase{"TooLarge", Odd::TooLarge, "odd.desktop",
                                                   "larger than 1024 KiB"},
                                           OddCase{"LineBreakInName", Odd::LineBreakInName,
                                                   "line\\nbreak.desktop", "the name has a line break"},
                                           OddCase{"InvalidUtf8Name", Odd::InvalidUtf8Name,
                                                   "bad\xef\xbf\xbd.desktop", "the name is not valid UTF-8"}),
                         velmora::testing::caseName);

// ---- Descriptions ------------------------------------------------------------------------

struct FitCase {
    const char* name;
    const char* text;
    const char* fitted;
    friend void PrintTo(const FitCase& c, std::ostream* os) { *os << c.name; }
};

class DescriptionFit : public ::testing::TestWithParam<FitCase> {};

TEST_P(DescriptionFit, HoldsAtMostThirtyCharactersAndShowsTheCut) {
    const QString fitted = descriptionFit(QString::fromUtf8(GetParam().text));
    EXPECT_EQ(fitted, QString::fromUtf8(GetParam().fitted));
    EXPECT_LE(fitted.size(), 30);
}

INSTANTIATE_TEST_SUITE_P(Texts, DescriptionFit,
                         ::testing::Values(FitCase{"Short", "Openbox", "Openbox"},
                                           FitCase{"ThirtyExactly", "123456789012345678901234567890",
                                                   "123456789012345678901234567890"},
                                           FitCase{"ThirtyOne", "1234567890123456789012345678901",
                                                   "12345678901234567890123456789\u2026"},
                                           FitCase{"GermanName", "Feineinstellungen der Fensterverwaltung",
                                                   "Feineinstellungen der Fenster\u2026"},
                                           FitCase{"BlankBeforeTheCut", "1234567890123456789012345678 abc",
                                                   "1234567890123456789012345678\u2026"},
                                           // U+1F600 is two UTF-16 units: it is not cut in half.
                                           FitCase{"EmojiAtTheCut",
                                                   "1234567890123456789012345678\U0001F600xyz",
                                                   "1234567890123456789012345678\u2026"},
                                           // "e" with a combining accent stays whole or goes whole.
                                           FitCase{"AccentAtTheCut", "1234567890123456789012345678e\u0301xyz",
                                                   "1234567890123456789012345678\u2026"}),
                         velmora::testing::caseName);

struct DescCase {
    const char* name;
    const char* file;
    const char* text;
    const char* language;  // LANGUAGE
    const char* desc;
    friend void PrintTo(const DescCase& c, std::ostream* os) { *os << c.name; }
};

class MovedDescriptions : public TransferTest, public ::testing::WithParamInterface<DescCase> {};

TEST_P(MovedDescriptions, AreTheNameInTheUsersLanguageElseTheFileName) {
    const DescCase& c = GetParam();
    more.insert("LANG", "C.UTF-8");
    more.insert("LANGUAGE", QString::fromUtf8(c.language));
    put(autostart(), QString::fromUtf8(c.file), c.text);

    ASSERT_TRUE(transfer().succeeded());

    EXPECT_EQ(readTask(store, 1).desc, QString::fromUtf8(c.desc));
}

#define APP "[Desktop Entry]\nType=Application\nExec=true\n"

INSTANTIATE_TEST_SUITE_P(
    Entries, MovedDescriptions,
    ::testing::Values(
        DescCase{"Untranslated", "wm.desktop", APP "Name=Window Manager\nName[de]=Fensterverwaltung\n", "",
                 "Window Manager"},
        DescCase{"Translated", "wm.desktop", APP "Name=Window Manager\nName[de]=Fensterverwaltung\n", "de_DE",
                 "Fensterverwaltung"},
        DescCase{"TranslatedAndCut", "tweaks.desktop",
                 APP "Name=Window Manager Tweaks\nName[de]=Feineinstellungen der Fensterverwaltung\n", "de",
                 "Feineinstellungen der Fenster\u2026"},
        DescCase{"NoNameGivesTheFileName", "org.example.Alarm.desktop", APP, "", "org.example.Alarm.desktop"},
        DescCase{"BlankNameGivesTheFileName", "alarm.desktop", APP "Name=  \n", "", "alarm.desktop"},
        DescCase{"LongFileNameIsCut", "org.gnome.Evolution-alarm-notify.desktop", APP, "",
                 "org.gnome.Evolution-alarm-not\u2026"},
        DescCase{"LineBreaksBecomeBlanks", "two.desktop", APP "Name=Two\\nlines\\tand  tabs\n", "",
                 "Two lines and tabs"}),
    velmora::testing::caseName);

#undef APP

// ---- Delays ------------------------------------------------------------------------------

struct DelayCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> entries;  // file, extra lines
    int tasksBefore;                                           // tasks "Own N" the list holds already
    std::vector<std::pair<const char*, const char*>> tasks;    // "Desc" and "Wait" of the list afterwards
    std::vector<const char*> lost;                             // moved entries whose delay is not kept
    friend void PrintTo(const DelayCase& c, std::ostream* os) { *os << c.name; }
};

class Delays : public TransferTest, public ::testing::WithParamInterface<DelayCase> {};

TEST_P(Delays, BecomeWaitsOfTheTaskBefore) {
    const DelayCase& c = GetParam();
    for (int n = 1; n <= c.tasksBefore; ++n)
        writeTask(store, n, {QStringLiteral("Own %1").arg(n), "/usr/bin/true", "DW", "ABCDEFG", "*"});
    for (const auto& [file, extra] : c.entries) {
        const QString name = QString::fromUtf8(file);
        put(autostart(), name, entry(QFileInfo(name).baseName().toUtf8(), extra));
    }
    const int before = store.transactions();

    const TransferResult r = transfer();

    ASSERT_TRUE(r.succeeded()) << transferSummary(r).toStdString();
    QList<QPair<QString, QString>> list;
    for (const TaskRecord& task : readTaskList(store)) list.append({task.desc, task.wait});
    QList<QPair<QString, QString>> expected;
    for (const auto& [desc, wait] : c.tasks)
        expected.append({QString::fromUtf8(desc), QString::fromUtf8(wait)});
    EXPECT_EQ(list, expected);
    // Each new task with the wait before it is one transaction.
    EXPECT_EQ(store.transactions() - before, int(c.entries.size()));
    QStringList lost;
    for (const TransferResult::Moved& m : r.moved)
        if (m.delay > 0 && !m.delayKept) lost.append(m.description);
    QStringList expectedLost;
    for (const char* name : c.lost) expectedLost.append(QString::fromUtf8(name));
    EXPECT_EQ(lost, expectedLost);
}

#define GNOME(n) "X-GNOME-Autostart-Delay=" #n "\n"
#define MATE(n) "X-MATE-Autostart-Delay=" #n "\n"

INSTANTIATE_TEST_SUITE_P(
    Lists, Delays,
    ::testing::Values(
        DelayCase{
            "NoneInOrderOfName", {{"b.desktop", ""}, {"a.desktop", ""}}, 0, {{"a", "DW"}, {"b", "DW"}}, {}},
        DelayCase{"DelayedAfterTheOthers",
                  {{"a.desktop", GNOME(10)}, {"b.desktop", ""}, {"c.desktop", ""}},
                  0,
                  {{"b", "DW"}, {"c", "10"}, {"a", "DW"}},
                  {}},
        DelayCase{
            "ShortestFirstEachWaitingTheDifference",
            {{"a.desktop", GNOME(30)}, {"b.desktop", MATE(5)}, {"c.desktop", ""}, {"d.desktop", GNOME(12)}},
            0,
            {{"c", "5"}, {"b", "7"}, {"d", "18"}, {"a", "DW"}},
            {}},
        DelayCase{"EqualDelaysStartTogether",
                  {{"a.desktop", GNOME(8)}, {"b.desktop", GNOME(8)}, {"c.desktop", ""}},
                  0,
                  {{"c", "8"}, {"a", "DW"}, {"b", "DW"}},
                  {}},
        DelayCase{"LongerThanTheLongestWait",
                  {{"a.desktop", GNOME(90000)}, {"b.desktop", ""}},
                  0,
                  {{"b", "43200"}, {"a", "DW"}},
                  {}},
        DelayCase{"NothingBeforeIt", {{"a.desktop", GNOME(10)}}, 0, {{"a", "DW"}}, {"a"}},
        // The user's own tasks keep their waits; the next delayed entry waits
        // for the first one.
        DelayCase{"OnlyOwnTasksBeforeIt",
                  {{"a.desktop", GNOME(10)}, {"b.desktop", GNOME(15)}},
                  2,
                  {{"Own 1", "DW"}, {"Own 2", "DW"}, {"a", "5"}, {"b", "DW"}},
                  {"a"}},
        DelayCase{"AfterOwnTasksAndMovedOnes",
                  {{"a.desktop", GNOME(10)}, {"b.desktop", ""}},
                  1,
                  {{"Own 1", "DW"}, {"b", "10"}, {"a", "DW"}},
                  {}}),
    velmora::testing::caseName);

#undef GNOME
#undef MATE

// A delayed entry whose original cannot be replaced keeps no task, and the
// task before it waits as before. The entries are links, so that only the
// stub that masks the system-wide entry needs bytes written, and a file size
// limit makes that fail even for root.
TEST_F(TransferTest, ADelayedEntryThatCannotMoveLeavesNoWaitBehind) {
    put(home.path() + "/apps", "a.desktop", entry("a"));
    put(home.path() + "/apps", "late.desktop", entry("late", "X-GNOME-Autostart-Delay=10\n"));
    put(system(1), "late.desktop", entry("System late"));
    put(autostart(), kLauncherEntryName, entry("Velmora Launcher"));
    for (const char* name : {"a.desktop", "late.desktop"})
        ASSERT_EQ(::symlink(QFile::encodeName(home.path() + "/apps/" + name),
                            QFile::encodeName(autostart() + "/" + name)),
                  0);
    ASSERT_TRUE(QDir().mkpath(moved()));

    TransferResult r;
    {
        const FileSizeLimit limit(16);
        r = transfer();
    }

    EXPECT_EQ(namesOf(r.failed), QStringList({"late.desktop"}));
    EXPECT_EQ(readTaskList(store), QList<TaskRecord>({movedTask("a.desktop", "a")}));
    EXPECT_EQ(QFileInfo(autostart() + "/late.desktop").symLinkTarget(), home.path() + "/apps/late.desktop");
    EXPECT_EQ(names(moved()), QStringList({"a.desktop"}));
}

// ---- The question ------------------------------------------------------------------------

struct ShownPathCase {
    const char* name;
    const char* home;
    const char* path;
    const char* shown;
    friend void PrintTo(const ShownPathCase& c, std::ostream* os) { *os << c.name; }
};

class ShownPaths : public ::testing::TestWithParam<ShownPathCase> {};

TEST_P(ShownPaths, NameTheHomeFolderAsTilde) {
    QProcessEnvironment env;
    if (*GetParam().home) env.insert("HOME", QString::fromUtf8(GetParam().home));
    EXPECT_EQ(shownPath(QString::fromUtf8(GetParam().path), env), QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ShownPaths,
    ::testing::Values(
        ShownPathCase{"BelowHome", "/home/ann", "/home/ann/.config/autostart", "~/.config/autostart"},
        ShownPathCase{"HomeWithSlash", "/home/ann/", "/home/ann/.config/autostart", "~/.config/autostart"},
        ShownPathCase{"HomeItself", "/home/ann", "/home/ann", "~"},
        ShownPathCase{"NameThatOnlyBeginsLikeHome", "/home/ann", "/home/anna/.config", "/home/anna/.config"},
        ShownPathCase{"ElsewhereStays", "/home/ann", "/srv/config/autostart", "/srv/config/autostart"},
        ShownPathCase{"RootHomeIsNoShortcut", "/", "/etc/xdg/autostart", "/etc/xdg/autostart"},
        ShownPathCase{"NoHome", "", "/home/ann/.config/autostart", "/home/ann/.config/autostart"}),
    velmora::testing::caseName);

TEST_F(TransferTest, TheQuestionNamesTheAutostartFolderAsTheUserKnowsIt) {
    more.insert("HOME", home.path());
    StartUpTransfer t(store, environment(), programFolder);
    EXPECT_EQ(t.question(),
              QString("This will move the programs that start at logon from ~/config/autostart") + kNewline +
                  "into Velmora's launch list, which starts them from then on." + kNewline + kNewline +
                  "Are you sure you want to do that now ?");
    StartUpTransfer nowhere(store, QProcessEnvironment(), programFolder);
    EXPECT_TRUE(nowhere.question().startsWith(
        QString("This will move the programs that start at logon from your autostart folder") + kNewline));
}

class Uninstall : public TransferTest {
protected:
    UninstallResult uninstall() {
        const QProcessEnvironment env = environment();
        StartUpTransfer t(store, env, programFolder);
        return t.undo();
    }
    // A folder of every kind Install treats differently.
    void fillAutostart() {
        put(home.path() + "/apps", "clock.desktop", entry("Clock"));
        put(system(1), "tracker.desktop", entry("Tracker"));
        put(autostart(), "a.desktop", entry("A", "X-GNOME-Autostart-Delay=30\n"));
        put(autostart(), "b blank.desktop", entry("B", "X-MATE-Autostart-Delay=5\n"));
        put(autostart(), "run.desktop", "#!/bin/sh\n" + entry("Run"),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
        put(autostart(), "tracker.desktop", entry("My tracker"));
        put(autostart(), "off.desktop", entry("Off", "Hidden=true\n"));
        put(autostart(), "README.txt", "read me\n");
        put(autostart(), ".hidden.desktop", entry("H"));
        ASSERT_EQ(::symlink(QFile::encodeName(home.path() + "/apps/clock.desktop"),
                            QFile::encodeName(autostart() + "/clock.desktop")),
                  0);
        ASSERT_EQ(::symlink("/dev/null", QFile::encodeName(autostart() + "/masked.desktop")), 0);
    }
};

TEST_F(Uninstall, RestoresTheAutostartFolderByteForByte) {
    fillAutostart();
    writeTask(store, 1, {"Mine", "/usr/bin/true", "DW", "ABCDEFG", "*"});
    const QStringList before = folderSnapshot(autostart());
    ASSERT_TRUE(transfer().succeeded());
    // The delays became waits; the files stay as they were.
    EXPECT_EQ(readTask(store, 4), movedTask("tracker.desktop", "My tracker", "5"));
    EXPECT_EQ(readTask(store, 5), movedTask("b blank.desktop", "B", "25"));
    EXPECT_EQ(readTask(store, 6), movedTask("a.desktop", "A"));
    store.write(kApp, kSequence, kInstalled, "yes");
    writeTask(store, 7, {"Also mine", "/usr/bin/false", "0", "A", "a"});  // added by hand after Install
    ASSERT_EQ(taskCount(store), 7);
    ASSERT_NE(folderSnapshot(autostart()), before);
    const int transactions = store.transactions();

    const UninstallResult r = uninstall();

    EXPECT_TRUE(r.succeeded()) << uninstallSummary(r).toStdString();
    EXPECT_EQ(folderSnapshot(autostart()), before);
    EXPECT_EQ(r.restored, QStringList({"a.desktop", "b blank.desktop", "clock.desktop", "run.desktop",
                                       "tracker.desktop"}));
    EXPECT_EQ(r.tasksRemoved, 5);
    EXPECT_TRUE(r.launcherEntryRemoved);
    EXPECT_EQ(store.transactions() - transactions, 1);
    EXPECT_EQ(taskCount(store), 2);
    EXPECT_EQ(readTask(store, 1), (TaskRecord{"Mine", "/usr/bin/true", "DW", "ABCDEFG", "*"}));
    EXPECT_EQ(readTask(store, 2), (TaskRecord{"Also mine", "/usr/bin/false", "0", "A", "a"}));
    EXPECT_FALSE(store.contains(kApp, kSequence, "Desc003"));
    EXPECT_FALSE(store.contains(kApp, kSequence, "App007"));
    EXPECT_FALSE(store.contains(kApp, kSequence, kInstalled));
    EXPECT_FALSE(QFileInfo::exists(moved()));
    EXPECT_EQ(uninstallSummary(r),
              "5 entries are back in " + autostart() + "." + kNewline +
                  "Velmora no longer starts at logon; tasks you added yourself stay in its list.");
    // Install works again afterwards, as at first.
    ASSERT_TRUE(transfer().succeeded());
    EXPECT_EQ(taskCount(store), 7);
}

TEST_F(Uninstall, ANameThatIsBackStaysMovedAndIsNamed) {
    put(autostart(), "a.desktop", entry("A"));
    put(autostart(), "b.desktop", entry("B"));
    ASSERT_TRUE(transfer().succeeded());
    put(autostart(), "b.desktop", entry("B written again"));

    const UninstallResult r = uninstall();

    EXPECT_FALSE(r.succeeded());
    EXPECT_EQ(r.restored, QStringList({"a.desktop"}));
    EXPECT_TRUE(uninstallSummary(r).startsWith("1 entry is back in " + autostart() + "."));
    ASSERT_EQ(r.kept.size(), 1);
    EXPECT_EQ(r.kept[0].name, "b.desktop");
    EXPECT_EQ(contents(autostart() + "/b.desktop"), entry("B written again"));
    EXPECT_EQ(contents(moved() + "/b.desktop"), entry("B"));
    EXPECT_EQ(contents(autostart() + "/a.desktop"), entry("A"));
    EXPECT_EQ(taskCount(store), 1);
    EXPECT_EQ(readTask(store, 1), movedTask("b.desktop", "B"));
    EXPECT_FALSE(QFileInfo::exists(launcherEntry()));
    const QString summary = uninstallSummary(r);
    EXPECT_TRUE(summary.contains("These stay in " + moved() + " and in the launch list:" + kNewline +
                                 "b.desktop - a file of this name is in " + autostart() + " again"))
        << summary.toStdString();
}

TEST_F(Uninstall, WithNothingInstalledChangesNothing) {
    put(autostart(), "a.desktop", entry("A"));
    writeTask(store, 1, {"Mine", "/usr/bin/true", "DW", "ABCDEFG", "*"});
    const QStringList before = folderSnapshot(autostart());

    const UninstallResult r = uninstall();

    EXPECT_TRUE(r.succeeded());
    EXPECT_TRUE(r.restored.isEmpty());
    EXPECT_EQ(folderSnapshot(autostart()), before);
    EXPECT_EQ(taskCount(store), 1);
}

}  // namespace
