// ctest-timeout: 120
// "velmora /UNINSTALL" in a desktop session: a real X server with a real
// window manager, as at logon. The program gives the autostart folder back
// and says so in one message box, which is answered with the Return key sent
// to whatever has the focus; then it ends.
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
};

TEST_F(UninstallWindow, GivesTheFolderBackAndSaysSoInOneMessageBox) {
    ASSERT_TRUE(testing::writeFile(autostart() + "/a.desktop", "[Desktop Entry]\nType=Application\nExec=true\n", false));
    ASSERT_TRUE(testing::writeFile(autostart() + "/README.txt", "read me\n", false));
    const QStringList before = testing::folderSnapshot(autostart());
    {
        SqliteStore store(storePath());
        LinuxRegistry registry(env);
        StartUpTransfer transfer(store, registry, env, QFileInfo(QStringLiteral(VELMORA_BINARY)).absolutePath());
        ASSERT_TRUE(installClicked(store, transfer, {[](const QString&) { return true; }, {}, {}}));
    }
    ASSERT_NE(testing::folderSnapshot(autostart()), before);

    app = std::make_unique<QProcess>();
    app->setProcessEnvironment(env);
    app->start(QStringLiteral(VELMORA_BINARY), {QStringLiteral("/uninstall")});
    ASSERT_TRUE(app->waitForStarted(10000));
    // The message box, titled "Velmora", once it is shown.
    const QByteArray box = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--sync"),
                                                           QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                                           QStringLiteral("^Velmora$")});
    ASSERT_FALSE(box.trimmed().isEmpty()) << "no message box appeared\n" << app->readAllStandardError().toStdString();
    EXPECT_EQ(app->state(), QProcess::Running) << "it ended before the message was answered";
    EXPECT_EQ(testing::folderSnapshot(autostart()), before);

    // The window manager gives a new window the focus, as at logon; the key
    // goes to whatever has it.
    ASSERT_TRUE(eventually([&] {
        run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
        return app->waitForFinished(300);
    })) << "Return did not close the message";
    EXPECT_EQ(app->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app->exitCode(), 0) << app->readAllStandardError().toStdString();
    EXPECT_EQ(app->readAllStandardOutput(), QByteArray()) << "a desktop session gets a message box, not lines";
    SqliteStore store(storePath());
    EXPECT_EQ(taskCount(store), 0);
    EXPECT_EQ(store.read(kApp, kSequence, kInstalled, "<missing>"), "<missing>");
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
