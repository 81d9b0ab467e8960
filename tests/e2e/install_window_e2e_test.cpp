// ctest-timeout: 240
// Install pressed in the real program's main window, in a desktop session: a
// real X server with a real window manager, keys sent to whatever has the
// focus. Install moves only the entries that the launcher would start, and
// its summary takes one message box to answer, however much there is to
// say. A message box's text is read as a screen reader reads it (Qt copies
// it with Ctrl+C on Windows only); where no screen reader is needed, the
// files, the store and the next logon show what Install did.
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
#include <vector>

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace velmora {
namespace {

using testing::eventually;

class InstallWindow : public testing::OpenboxWindowTest {
protected:
    void put(const QString& name, const QByteArray& text) {
        ASSERT_TRUE(testing::writeFile(autostart() + '/' + name, text, false)) << name.toStdString();
    }
    static QStringList files(const QString& folder) {
        return QDir(folder).entryList(QDir::Files, QDir::Name);
    }

    // Presses Install, answers Yes and returns the message box that follows
    // within `ms`, or empty.
    QString pressInstall(int ms) {
        const QString question = askToInstall();
        return question.isEmpty() ? QString() : answerYes(question, ms);
    }
};

// Each kind of entry that the launcher would report as "not started" stays
// where the desktop reads it, and one message box says so; the one beside
// them that starts moves and starts at the next logon.
TEST_F(InstallWindow, EntriesThatWouldNotStartStayAndOneMessageSaysSo) {
    const QString evidence = root() + "/evidence/control";
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

// Entries as installed packages put them into /usr/share/applications, one of
// them with an autostart delay, in the autostart folder of a user who reads
// German. The question names the folder as the user knows it; the summary
// names what moved under the names the desktop shows, the delay it kept and
// what stayed; the list holds those names and the delay as a wait; and
// "velmora /uninstall" gives every file back as it was.
TEST_F(InstallWindow, RealEntriesMoveUnderTheirNamesKeepTheirDelayAndComeBackByteForByte) {
    if (const auto missing = testing::ScreenReader::missing())
        GTEST_SKIP() << missing->toStdString() << " is not installed (scripts/deps.sh installs it)";
    const QString applications = QStringLiteral("/usr/share/applications/");
    // From the packages openbox and xfwm4; the xfwm4 ones have German names.
    const QStringList packaged{"openbox.desktop", "xfce-wm-settings.desktop",
                               "xfce-wmtweaks-settings.desktop", "xfce-workspaces-settings.desktop"};
    for (const QString& name : packaged)
        if (!QFileInfo::exists(applications + name))
            GTEST_SKIP() << (applications + name).toStdString() << " is not installed (scripts/deps.sh)";

    // A home like a real one, so that the folder is shown as "~/.config/autostart".
    const QString userHome = root() + "/home";
    env.insert("HOME", userHome);
    env.insert("XDG_CONFIG_HOME", userHome + "/.config");
    env.insert("XDG_DATA_HOME", userHome + "/.local/share");
    env.insert("LANGUAGE", "de");
    env.insert("XDG_CURRENT_DESKTOP", "XFCE");
    ASSERT_TRUE(QDir().mkpath(autostart()));
    testing::ScreenReader reader(env);
    ASSERT_TRUE(reader.ready()) << "the accessibility bus did not start";
    for (const QString& name : packaged) {
        QFile f(applications + name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        QByteArray text = f.readAll();
        // The workspaces settings start 15 seconds after the login.
        if (name == "xfce-workspaces-settings.desktop") text += "X-GNOME-Autostart-Delay=15\n";
        put(name, text);
    }
    put("off.desktop", "[Desktop Entry]\nType=Application\nName=Off\nExec=true\nHidden=true\n");
    const QStringList before = testing::folderSnapshot(autostart());

    const QString question = askToInstall();
    ASSERT_FALSE(question.isEmpty());
    EXPECT_EQ(reader.waitForMessage("velmora"),
              "This will move the programs that start at logon from ~/.config/autostart\n"
              "into Velmora's launch list, which starts them from then on.\n\n"
              "Are you sure you want to do that now ?");
    const QString box = answerYes(question);
    ASSERT_FALSE(box.isEmpty()) << "no summary followed Install\n" << said();
    EXPECT_EQ(reader.waitForMessage("velmora"),
              QString::fromUtf8(
                  "4 entries moved from ~/.config/autostart into the launch list:\n"
                  "Openbox (openbox.desktop)\n"
                  "Fensterverwaltung (xfce-wm-settings.desktop)\n"
                  "Feineinstellungen der Fenster\u2026 (xfce-wmtweaks-settings.desktop)\n"
                  "Arbeitsfl\u00e4chen (xfce-workspaces-settings.desktop) - starts 15 seconds later, as its "
                  "autostart delay asks\n\n"
                  "These stay in ~/.config/autostart:\n"
                  "Velmora Launcher.desktop - Velmora's own entry, which starts the launch list\n"
                  "off.desktop - switched off (Hidden=true)\n\n"
                  "\"velmora /uninstall\" gives the moved entries back."));
    closeAndExit(box);

    // The list: the names the desktop shows, each starting its moved entry
    // (and so with the entry's own icon), and the task before the delayed
    // entry waits for it.
    struct Expected {
        const char* desc;
        const char* file;
        const char* wait;
    };
    const std::vector<Expected> tasks{
        {"Openbox", "openbox.desktop", "DW"},
        {"Fensterverwaltung", "xfce-wm-settings.desktop", "DW"},
        {"Feineinstellungen der Fenster\u2026", "xfce-wmtweaks-settings.desktop", "15"},
        {"Arbeitsfl\u00e4chen", "xfce-workspaces-settings.desktop", "DW"}};
    {
        SqliteStore store(storePath());
        ASSERT_EQ(taskCount(store), int(tasks.size()));
        for (int n = 1; n <= int(tasks.size()); ++n) {
            const TaskRecord task = readTask(store, n);
            EXPECT_EQ(task.desc, QString::fromUtf8(tasks[n - 1].desc)) << n;
            EXPECT_EQ(task.app, moved() + '/' + tasks[n - 1].file) << n;
            EXPECT_EQ(task.wait, tasks[n - 1].wait) << n;
        }
    }
    EXPECT_EQ(files(autostart()), QStringList({kLauncherEntryName, "off.desktop"}));

    // /UNINSTALL: one message box, with everything back as it was.
    app = velmora({"/uninstall"});
    const QString back = desktop->waitForWindow(kTitle);
    ASSERT_FALSE(back.isEmpty()) << "no message box appeared\n" << said();
    EXPECT_EQ(reader.waitForMessage("velmora"),
              "4 entries are back in ~/.config/autostart.\n"
              "Velmora no longer starts at logon; tasks you added yourself stay in its list.");
    EXPECT_EQ(testing::folderSnapshot(autostart()), before);
    ASSERT_TRUE(desktop->becomesActive(back));
    ASSERT_TRUE(desktop->keys({"Return"}));
    ASSERT_TRUE(app->waitForFinished(10000)) << "Return did not close the message";
    EXPECT_EQ(app->exitCode(), 0) << said();
    EXPECT_EQ(stored(kInstalled), "<missing>");
    EXPECT_EQ(stored("Desc001"), "<missing>");
    EXPECT_FALSE(QFileInfo::exists(moved()));
}

}  // namespace
}  // namespace velmora
