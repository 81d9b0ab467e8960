// ctest-timeout: 120
// Install, the next logon and "velmora /UNINSTALL" in a desktop session: a
// real X server with a real window manager, the real program, and keys sent
// to whatever has the focus. Install is pressed in the main window and
// confirmed; the logon starts the moved entry; /UNINSTALL gives the autostart
// folder back and says so in one message box.
#include "editor/transfer.h"
#include "store/registry.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace velmora {
namespace {

bool eventually(const std::function<bool()>& done, int ms = 15000) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (done()) return true;
        if (clock.elapsed() >= ms) return false;
        QThread::msleep(50);
    }
}

// Ends a process on every way out of the test: politely first, then for sure.
void stop(std::unique_ptr<QProcess>& p) {
    if (!p) return;
    if (p->state() != QProcess::NotRunning) {
        p->terminate();
        if (!p->waitForFinished(3000)) {
            p->kill();
            p->waitForFinished(3000);
        }
    }
    p.reset();
}

class UninstallWindow : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "openbox", "xdotool", "wmctrl"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed (scripts/deps.sh installs it)";
        }
        ASSERT_TRUE(home.isValid());
        const QString root = home.path();
        for (const char* sub : {"config/autostart", "data", "runtime"}) ASSERT_TRUE(QDir(root).mkpath(QLatin1String(sub)));
        QFile::setPermissions(root + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env = QProcessEnvironment::systemEnvironment();
        for (const char* var : {"WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(var));
        env.insert("HOME", root + "/home");
        env.insert("XDG_CONFIG_HOME", root + "/config");
        env.insert("XDG_DATA_HOME", root + "/data");
        env.insert("XDG_CONFIG_DIRS", root + "/sys");
        env.insert("XDG_RUNTIME_DIR", root + "/runtime");
        env.insert("NO_AT_BRIDGE", "1");
        startServer();
        ASSERT_FALSE(display.isEmpty()) << "no X server could be started on :20 to :29";
        env.insert("DISPLAY", display);
        wm = start(QStringLiteral("openbox"), {});
        // The window manager has taken over once it names itself.
        ASSERT_TRUE(eventually([&] { return run(QStringLiteral("wmctrl"), {QStringLiteral("-m")}).contains("Openbox"); }))
            << "openbox did not start";
    }
    void TearDown() override {
        stop(app);
        stop(wm);
        stop(server);
    }

    std::unique_ptr<QProcess> start(const QString& program, const QStringList& args) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->setStandardOutputFile(QProcess::nullDevice());
        p->setStandardErrorFile(QProcess::nullDevice());
        p->start(program, args);
        EXPECT_TRUE(p->waitForStarted(10000)) << program.toStdString();
        return p;
    }
    // Runs a tool for at most 10 s; its standard output.
    QByteArray run(const QString& program, const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, args);
        if (!p.waitForFinished(10000)) {
            p.kill();
            p.waitForFinished(3000);
            return {};
        }
        return p.readAllStandardOutput();
    }
    // Xvfb on the first free display of :20 to :29; with -displayfd it writes
    // the number once it accepts clients, and ends when the display is taken.
    void startServer() {
        for (int n = 20; n < 30; ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n))) continue;
            auto p = std::make_unique<QProcess>();
            p->setStandardErrorFile(QProcess::nullDevice());
            p->start(QStringLiteral("Xvfb"), {QStringLiteral(":%1").arg(n), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                              QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                              QStringLiteral("0"), QStringLiteral("1280x1024x24")});
            if (!p->waitForStarted(5000)) return;
            QByteArray said;
            QElapsedTimer clock;
            clock.start();
            while (!said.contains('\n') && p->state() == QProcess::Running && clock.elapsed() < 15000) {
                p->waitForReadyRead(500);
                said += p->readAllStandardOutput();
            }
            if (said.trimmed() == QByteArray::number(n)) {
                server = std::move(p);
                display = QStringLiteral(":%1").arg(n);
                return;
            }
            stop(p);
        }
    }

    QString autostart() const { return home.path() + "/config/autostart"; }
    QString storePath() const { return home.path() + "/config/velmora/settings.db"; }

    QTemporaryDir home{QDir::tempPath() + "/velmora-uninstall-XXXXXX"};
    QProcessEnvironment env;
    QString display;
    std::unique_ptr<QProcess> server, wm, app;

    // The id of the visible window titled exactly `title` that is not in
    // `known`, once there is one.
    QString waitForWindow(const QString& title, const QStringList& known = {}) {
        QString found;
        eventually([&] {
            const QStringList ids = QString::fromUtf8(run(QStringLiteral("xdotool"),
                                                          {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                           QStringLiteral("--name"), QLatin1Char('^') + title + QLatin1Char('$')}))
                                        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            for (const QString& id : ids)
                if (!known.contains(id)) found = id;
            return !found.isEmpty();
        });
        return found;
    }
    // Waits until the window manager has made `window` the active one.
    bool activeIs(const QString& window) {
        return eventually([&] {
            return QString::fromUtf8(run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}).trimmed()) == window;
        });
    }
    // Keys to whatever has the focus, as a person types them.
    bool keys(const QStringList& names) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60")} + names);
        return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    std::unique_ptr<QProcess> velmora(const QStringList& args) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->start(QStringLiteral(VELMORA_BINARY), args);
        EXPECT_TRUE(p->waitForStarted(10000));
        return p;
    }
    QString stored(const QString& key) {
        if (!QFile::exists(storePath())) return QStringLiteral("<missing>");
        SqliteStore store(storePath());
        return store.read(kApp, kSequence, key, QStringLiteral("<missing>"));
    }
};

TEST_F(UninstallWindow, InstallInTheWindowTheLogonAndUninstallGiveTheFolderBack) {
    const QString evidence = home.path() + "/started";
    ASSERT_TRUE(testing::writeFile(autostart() + "/a.desktop",
                                   "[Desktop Entry]\nType=Application\nName=A\nExec=touch " +
                                       QFile::encodeName(evidence) + "\n",
                                   false));
    ASSERT_TRUE(testing::writeFile(autostart() + "/README.txt", "read me\n", false));
    const QStringList before = testing::folderSnapshot(autostart());

    // Install: the list has the focus; Shift+Tab goes back past Exit, the
    // default key box and "?" to Install. The question's default is Yes.
    app = velmora({});
    const QString main = waitForWindow(QStringLiteral("Velmora"));
    ASSERT_FALSE(main.isEmpty()) << "the main window did not appear";
    ASSERT_TRUE(activeIs(main)) << "the window manager did not give the main window the focus";
    ASSERT_TRUE(keys({QStringLiteral("shift+Tab"), QStringLiteral("shift+Tab"), QStringLiteral("shift+Tab"),
                      QStringLiteral("shift+Tab"), QStringLiteral("space")}));
    const QString question = waitForWindow(QStringLiteral("Velmora"), {main});
    ASSERT_FALSE(question.isEmpty()) << "Install asked nothing";
    ASSERT_TRUE(activeIs(question));
    ASSERT_TRUE(keys({QStringLiteral("Return")}));
    ASSERT_TRUE(eventually([&] { return stored(kInstalled) == QStringLiteral("yes"); })) << "Install did not complete";
    EXPECT_EQ(stored(QStringLiteral("Desc001")), QStringLiteral("a.desktop"));
    ASSERT_TRUE(activeIs(main));
    ASSERT_TRUE(keys({QStringLiteral("alt+x")}));
    ASSERT_TRUE(app->waitForFinished(10000)) << "Alt+X did not end the program";
    EXPECT_EQ(testing::folderSnapshot(autostart()).size(), 2) << "README.txt and the launcher's entry";

    // The next logon, as the launcher's entry starts it.
    app = velmora({QStringLiteral("/run"), QStringLiteral("/skwait=0")});
    ASSERT_TRUE(app->waitForFinished(30000));
    EXPECT_EQ(app->exitCode(), 0) << app->readAllStandardError().toStdString();
    EXPECT_TRUE(eventually([&] { return QFileInfo::exists(evidence); })) << app->readAllStandardError().toStdString();

    // /UNINSTALL: the work is done when the message box shows.
    app = velmora({QStringLiteral("/uninstall")});
    const QString box = waitForWindow(QStringLiteral("Velmora"));
    ASSERT_FALSE(box.isEmpty()) << "no message box appeared\n" << app->readAllStandardError().toStdString();
    EXPECT_EQ(app->state(), QProcess::Running) << "it ended before the message was answered";
    EXPECT_EQ(testing::folderSnapshot(autostart()), before);
    ASSERT_TRUE(activeIs(box));
    ASSERT_TRUE(keys({QStringLiteral("Return")}));
    ASSERT_TRUE(app->waitForFinished(10000)) << "Return did not close the message";
    EXPECT_EQ(app->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app->exitCode(), 0) << app->readAllStandardError().toStdString();
    EXPECT_EQ(app->readAllStandardOutput(), QByteArray()) << "a desktop session gets a message box, not lines";
    EXPECT_EQ(stored(kInstalled), QStringLiteral("<missing>"));
    EXPECT_EQ(stored(QStringLiteral("Desc001")), QStringLiteral("<missing>"));
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
