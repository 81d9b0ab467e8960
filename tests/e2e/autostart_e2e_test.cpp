// ctest-timeout: 240
// Autostart folders like real ones, end to end: Install (the code behind the
// main window's button, answered Yes, on the real store), then the real
// program started as at logon with "/run", whose tasks leave evidence files,
// then the real program with "/UNINSTALL". Each case of the table is one
// small autostart folder.
#include "casename.h"
#include "desktopsession.h"
#include "editor/transfer.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace velmora {
namespace {

using testing::eventually;
using testing::folderSnapshot;

QStringList toList(const std::vector<const char*>& items) {
    QStringList out;
    for (const char* i : items) out.append(QString::fromUtf8(i));
    return out;
}

// One file of a case's folders. `tag` names the evidence file its program
// would leave; in a script's text, "@" stands for the evidence file's path
// with "-exec" appended.
enum class Kind {
    Entry,        // a Desktop Entry whose Exec touches the evidence
    Script,       // an executable shell script that touches the evidence
    Text,         // a plain file with `text`
    LinkToApps,   // a link to an entry kept in another folder
    DevNullLink,  // a link to /dev/null
    Fifo,
    Folder,
};
enum class Where { Autostart, System, Moved };

struct File {
    const char* name;
    Kind kind;
    const char* tag = "";
    const char* text = "";  // lines after the entry's Exec, or the whole text
    Where where = Where::Autostart;
};

struct AutostartCase {
    const char* name;
    std::vector<File> files;
    std::vector<const char*> autostartAfter;  // besides the launcher's entry
    std::vector<const char*> tasks;           // the descriptions, in order
    std::vector<const char*> started;         // evidence tags
    std::vector<const char*> notStarted;
    const char* diagnostic = "";  // a text the run's lines must hold
    friend void PrintTo(const AutostartCase& c, std::ostream* os) { *os << c.name; }
};

class AutostartE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        // As at a logon without a desktop session of this test's own.
        env = testing::privateFolders(root(), {"config/autostart", "sys/autostart", "apps", "evidence"});
        env.insert("HOME", root() + "/home");
        env.insert("XDG_CONFIG_DIRS", root() + "/sys");
        env.insert("XDG_CACHE_HOME", root() + "/cache");
        env.insert("XDG_STATE_HOME", root() + "/state");
        env.insert("XDG_CURRENT_DESKTOP", "XFCE");
    }

    QString root() const { return home.path(); }
    QString autostart() const { return root() + "/config/autostart"; }
    QString moved() const { return root() + "/data/velmora/startup"; }
    QString evidence(const QString& tag) const { return root() + "/evidence/" + tag; }
    QString storePath() const { return testing::storeBelow(root() + "/config"); }

    QByteArray entryText(const File& f) const {
        return "[Desktop Entry]\nType=Application\nName=" + QByteArray(f.name) + "\nExec=touch " +
               QFile::encodeName(evidence(QString::fromUtf8(f.tag))) + "\n" + QByteArray(f.text);
    }
    static void write(const QString& path, const QByteArray& text, bool executable = false) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        ASSERT_TRUE(testing::writeFile(path, text, executable)) << path.toStdString();
    }
    void put(const File& f) {
        const QString folder = f.where == Where::System  ? root() + "/sys/autostart"
                               : f.where == Where::Moved ? moved()
                                                         : autostart();
        const QString path = folder + "/" + QString::fromUtf8(f.name);
        const QByteArray native = QFile::encodeName(path);
        const QByteArray ev = QFile::encodeName(evidence(QString::fromUtf8(f.tag)));
        switch (f.kind) {
        case Kind::Entry: write(path, entryText(f)); break;
        case Kind::Script:
            write(path, "#!/bin/sh\ntouch " + ev + "\n" + QByteArray(f.text).replace("@", ev + "-exec"),
                  true);
            break;
        case Kind::Text: write(path, QByteArray(f.text)); break;
        case Kind::LinkToApps: {
            const QString target = root() + "/apps/" + QString::fromUtf8(f.name);
            write(target, entryText(f));
            ASSERT_TRUE(QDir().mkpath(folder));
            ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), native.constData()), 0);
            break;
        }
        case Kind::DevNullLink: ASSERT_EQ(::symlink("/dev/null", native.constData()), 0); break;
        case Kind::Fifo: ASSERT_EQ(::mkfifo(native.constData(), 0644), 0); break;
        case Kind::Folder: ASSERT_TRUE(QDir().mkpath(path)); break;
        }
    }

    // Install as the main window's button does it, answered Yes.
    bool install(QStringList* messages = nullptr) {
        SqliteStore store(storePath());
        StartUpTransfer transfer(store, env, QFileInfo(QStringLiteral(VELMORA_BINARY)).absolutePath());
        QStringList said;
        const bool done = installClicked(store, transfer,
                                         {[](const QString&) { return true; },
                                          [&](const QString& text) { said.append(text); },
                                          [&](const QString& text) { said.append(text); },
                                          {}});
        if (messages) *messages = said;
        return done;
    }

    using Run = testing::Finished;
    // The real program with `arguments`, as the desktop or a terminal starts it.
    Run velmora(const QStringList& arguments) {
        return testing::runToEnd(QStringLiteral(VELMORA_BINARY), arguments, env, 60000, {}, root());
    }
    Run logon() { return velmora({"/run", "/nodisp", "/skwait=0"}); }

    QStringList descriptions() {
        SqliteStore store(storePath());
        QStringList out;
        for (int n = 1; n <= taskCount(store); ++n) out.append(readTask(store, n).desc);
        return out;
    }
    QString installed() {
        SqliteStore store(storePath());
        return store.read(kApp, kSequence, kInstalled, "<missing>");
    }
    QStringList names(const QString& folder) const {
        QStringList out =
            QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        out.sort();
        return out;
    }

    QTemporaryDir home{QDir::tempPath() + "/velmora-autostart-XXXXXX"};
    QProcessEnvironment env;
};

class AutostartFolders : public AutostartE2E, public ::testing::WithParamInterface<AutostartCase> {};

TEST_P(AutostartFolders, MoveWhatTheDesktopWouldStartAndStartItAtTheNextLogon) {
    const AutostartCase& c = GetParam();
    for (const File& f : c.files) put(f);

    ASSERT_TRUE(install()) << "Install did not complete";
    EXPECT_EQ(installed(), "yes");
    QStringList after = toList(c.autostartAfter) << kLauncherEntryName;
    after.sort();
    EXPECT_EQ(names(autostart()), after);
    EXPECT_EQ(descriptions(), toList(c.tasks));

    const Run run = logon();
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList started;
    for (const char* tag : c.started) started.append(evidence(QString::fromUtf8(tag)));
    EXPECT_TRUE(eventually([&] {
        return std::all_of(started.begin(), started.end(),
                           [](const QString& p) { return QFileInfo::exists(p); });
    })) << run.err.toStdString();
    for (const char* tag : c.notStarted)
        EXPECT_FALSE(QFileInfo::exists(evidence(QString::fromUtf8(tag)))) << tag << " ran\n"
                                                                          << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("Permission denied")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("opened as a document")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.diagnostic))) << run.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Folders, AutostartFolders,
    ::testing::Values(
        AutostartCase{"OnlyDesktopEntriesMove",
                      {{"README.txt", Kind::Text, "", "read me\n"},
                       {"start.sh", Kind::Script, "script"},
                       {"a.desktop", Kind::Entry, "a"}},
                      {"README.txt", "start.sh"},
                      {"a.desktop"},
                      {"a"},
                      {"script"},
                      "task 1 \"a.desktop\": started"},
        AutostartCase{"AnExecutableEntryRunsItsExecNotItsText",
                      {{"run.desktop", Kind::Script, "script",
                        "exit 0\n[Desktop Entry]\nType=Application\nName=Run\nExec=touch @\n"}},
                      {},
                      {"Run"},
                      {"script-exec"},
                      {"script"},
                      "task 1 \"Run\": started"},
        AutostartCase{"AnEntryWithABlankNextToItsFirstWordAsAProgram",
                      {{"notes sync.desktop", Kind::Entry, "notes"},
                       {"notes", Kind::Script, "hijack", "", Where::Moved}},
                      {},
                      {"notes sync.desktop"},
                      {"notes"},
                      {"hijack"},
                      ""},
        AutostartCase{"SwitchedOffEntriesStay",
                      {{"off.desktop", Kind::Entry, "off", "Hidden=true\n"},
                       {"gnome-off.desktop", Kind::Entry, "gnome", "X-GNOME-Autostart-enabled=false\n"},
                       {"on.desktop", Kind::Entry, "on"}},
                      {"gnome-off.desktop", "off.desktop"},
                      {"on.desktop"},
                      {"on"},
                      {"off", "gnome"},
                      ""},
        AutostartCase{"MasksOfSystemEntriesStay",
                      {{"null.desktop", Kind::Entry, "sys-null", "", Where::System},
                       {"empty.desktop", Kind::Entry, "sys-empty", "", Where::System},
                       {"nogroup.desktop", Kind::Entry, "sys-nogroup", "", Where::System},
                       {"null.desktop", Kind::DevNullLink},
                       {"empty.desktop", Kind::Text, "", ""},
                       {"nogroup.desktop", Kind::Text, "", "# switched off by hand\n"}},
                      {"empty.desktop", "nogroup.desktop", "null.desktop"},
                      {},
                      {},
                      {"sys-null", "sys-empty", "sys-nogroup"},
                      ""},
        AutostartCase{"ALinkedEntryMovesAsALink",
                      {{"clock.desktop", Kind::LinkToApps, "clock"}},
                      {},
                      {"clock.desktop"},
                      {"clock"},
                      {},
                      ""},
        AutostartCase{"AnOverrideOfASystemEntryLeavesAStub",
                      {{"over.desktop", Kind::Entry, "system-over", "", Where::System},
                       {"over.desktop", Kind::Entry, "user-over"}},
                      {"over.desktop"},
                      {"over.desktop"},
                      {"user-over"},
                      {"system-over"},
                      ""},
        AutostartCase{"TheLauncherNameInAnotherLetterCaseMoves",
                      {{"velmora launcher.desktop", Kind::Entry, "old-launcher"}},
                      {},
                      {"velmora launcher.desktop"},
                      {"old-launcher"},
                      {},
                      ""},
        AutostartCase{"HiddenFilesStay",
                      {{".hidden.desktop", Kind::Entry, "hidden"}, {"shown.desktop", Kind::Entry, "shown"}},
                      {".hidden.desktop"},
                      {"shown.desktop"},
                      {"shown"},
                      {"hidden"},
                      ""},
        AutostartCase{"OddFilesStayAndInstallCompletes",
                      {{"fifo.desktop", Kind::Fifo},
                       {"folder.desktop", Kind::Folder},
                       {"line\nbreak.desktop", Kind::Entry, "linebreak"},
                       {"fine.desktop", Kind::Entry, "fine"}},
                      {"fifo.desktop", "folder.desktop", "line\nbreak.desktop"},
                      {"fine.desktop"},
                      {"fine"},
                      {"linebreak"},
                      ""},
        // The launcher would not start these at logon: they stay where the desktop reads them.
        AutostartCase{
            "AnEntryNotShownHereStays",
            {{"kde.desktop", Kind::Entry, "kde", "OnlyShowIn=KDE;\n"}, {"here.desktop", Kind::Entry, "here"}},
            {"kde.desktop"},
            {"here.desktop"},
            {"here"},
            {"kde"},
            ""},
        AutostartCase{"AnEntryWithoutItsTryExecStays",
                      {{"gone.desktop", Kind::Entry, "gone", "TryExec=velmora-no-such-program\n"},
                       {"here.desktop", Kind::Entry, "here"}},
                      {"gone.desktop"},
                      {"here.desktop"},
                      {"here"},
                      {"gone"},
                      ""}),
    velmora::testing::caseName);

// A moved entry that no longer starts by the next logon (its TryExec program
// removed, another desktop) is not started, and its task says why.
TEST_F(AutostartE2E, AnEntryThatStopsStartingAfterInstallGivesItsOwnReason) {
    const QString tool = root() + "/apps/tool";
    write(tool, "#!/bin/sh\n", true);
    put({"gone.desktop", Kind::Entry, "gone",
         QByteArray("TryExec=" + QFile::encodeName(tool) + "\n").constData()});
    put({"xfce.desktop", Kind::Entry, "xfce", "OnlyShowIn=XFCE;\n"});
    ASSERT_TRUE(install());
    ASSERT_EQ(descriptions(), QStringList({"gone.desktop", "xfce.desktop"}));

    ASSERT_TRUE(QFile::remove(tool));
    env.insert("XDG_CURRENT_DESKTOP", "KDE");
    const Run run = logon();

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(
        run.err.contains("task 1 \"gone.desktop\": not started: TryExec " + tool + " was not found\n"))
        << run.err.toStdString();
    EXPECT_TRUE(
        run.err.contains("task 2 \"xfce.desktop\": not started: not shown in KDE (OnlyShowIn=XFCE;)\n"))
        << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(evidence("gone")));
    EXPECT_FALSE(QFileInfo::exists(evidence("xfce")));
}

// Some applications write their autostart entry again when their "start at
// login" option is switched on.
TEST_F(AutostartE2E, AnEntryWrittenAgainStartsOnceAndReinstallMovesIt) {
    put({"app.desktop", Kind::Entry, "moved-copy"});
    ASSERT_TRUE(install());
    write(autostart() + "/app.desktop", "[Desktop Entry]\nType=Application\nName=App\nExec=touch " +
                                            QFile::encodeName(evidence("new")) + "\n");

    const Run run = logon();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains("task 1 \"app.desktop\": not started: " + autostart() +
                                 "/app.desktop is back in the autostart folder, so the desktop starts it; "
                                 "\"velmora /REINSTALL\" and Install move it again"))
        << run.err.toStdString();
    EXPECT_FALSE(eventually([&] { return QFileInfo::exists(evidence("moved-copy")); }, 500));

    const Run reinstall = velmora({"/reinstall", "/run", "/nodisp", "/skwait=0"});
    EXPECT_EQ(reinstall.exitCode, 0);
    EXPECT_EQ(installed(), "<missing>");
    ASSERT_TRUE(install());
    EXPECT_EQ(descriptions(), QStringList({"app.desktop"}));
    EXPECT_EQ(names(autostart()), QStringList({kLauncherEntryName}));
    EXPECT_EQ(names(moved()), QStringList({"app.desktop"}));
    const Run again = logon();
    EXPECT_TRUE(again.err.contains("task 1 \"app.desktop\": started")) << again.err.toStdString();
    EXPECT_TRUE(eventually([&] { return QFileInfo::exists(evidence("new")); }));
}

// Install, the next logon, and /UNINSTALL: the autostart folder is as it was.
TEST_F(AutostartE2E, UninstallAfterInstallAndALogonGivesTheFolderBackByteForByte) {
    for (const File& f : std::vector<File>{
             {"a.desktop", Kind::Entry, "a"},
             {"b blank.desktop", Kind::Entry, "b"},
             {"clock.desktop", Kind::LinkToApps, "clock"},
             {"run.desktop", Kind::Script, "script",
              "exit 0\n[Desktop Entry]\nType=Application\nExec=touch @\n"},
             {"over.desktop", Kind::Entry, "system-over", "", Where::System},
             {"over.desktop", Kind::Entry, "over"},
             {"off.desktop", Kind::Entry, "off", "Hidden=true\n"},
             {"null.desktop", Kind::DevNullLink},
             {"README.txt", Kind::Text, "", "read me\n"},
         })
        put(f);
    {
        SqliteStore store(storePath());
        writeTask(store, 1, {"Mine", "touch " + evidence("mine"), "DW", "ABCDEFG", "*"});
    }
    const QStringList before = folderSnapshot(autostart());

    ASSERT_TRUE(install());
    EXPECT_EQ(descriptions(), QStringList({"Mine", "a.desktop", "b blank.desktop", "clock.desktop",
                                           "over.desktop", "run.desktop"}));
    const Run run = logon();
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(eventually([&] {
        for (const char* tag : {"mine", "a", "b", "clock", "over"})
            if (!QFileInfo::exists(evidence(QString::fromLatin1(tag)))) return false;
        return true;
    })) << run.err.toStdString();

    const Run uninstall = velmora({"/UNINSTALL"});

    EXPECT_EQ(uninstall.exitCode, 0) << uninstall.err.toStdString();
    EXPECT_TRUE(uninstall.out.contains("5 entries are back in " + autostart() + "."))
        << uninstall.out.toStdString();
    EXPECT_EQ(uninstall.err, QString());
    EXPECT_EQ(folderSnapshot(autostart()), before);
    EXPECT_EQ(descriptions(), QStringList({"Mine"}));
    EXPECT_EQ(installed(), "<missing>");
    EXPECT_FALSE(QFileInfo::exists(moved()));
}

TEST_F(AutostartE2E, UninstallNamesWhatStaysAndFailsWithoutADisplay) {
    put({"a.desktop", Kind::Entry, "a"});
    put({"b.desktop", Kind::Entry, "b"});
    ASSERT_TRUE(install());
    write(autostart() + "/b.desktop", "[Desktop Entry]\nType=Application\nExec=true\n");

    const Run uninstall = velmora({"/uninstall"});

    EXPECT_EQ(uninstall.exitCode, 1);
    EXPECT_EQ(uninstall.out, QString());
    EXPECT_TRUE(
        uninstall.err.contains("velmora: b.desktop - a file of this name is in " + autostart() + " again\n"))
        << uninstall.err.toStdString();
    EXPECT_EQ(names(autostart()), QStringList({"a.desktop", "b.desktop"}));
    EXPECT_EQ(names(moved()), QStringList({"b.desktop"}));
    EXPECT_EQ(descriptions(), QStringList({"b.desktop"}));
    EXPECT_EQ(installed(), "<missing>");
}

}  // namespace
}  // namespace velmora
