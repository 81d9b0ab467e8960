// ctest-timeout: 120
// Scopes for started programs, against a stand-in systemd manager on a
// private bus (dbus-daemon started here): real programs are started and
// leave their process ids as evidence, the stand-in records every call.
#include "process/systemdscopes.h"
#include "process/posixlauncher.h"

#include "casename.h"
#include "fakes/fakescopes.h"
#include "fakes/privatebus.h"
#include "polling.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace velmora {
namespace {

using velmora::testing::waitUntil;

// --- unit names -------------------------------------------------------------

struct NameCase {
    const char* name;
    QString program;
    pid_t pid;
    QString unit;
    friend void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }
};

class ScopeName : public ::testing::TestWithParam<NameCase> {};

TEST_P(ScopeName, IsEscapedAsSystemdEscapesUnitNameParts) {
    EXPECT_EQ(systemdScopeName(GetParam().program, GetParam().pid), GetParam().unit);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, ScopeName,
    ::testing::Values(
        NameCase{"Plain", "xterm", 4242, "app-velmora-xterm-4242.scope"},
        NameCase{"ApplicationId", "org.gnome.Terminal", 7, "app-velmora-org.gnome.Terminal-7.scope"},
        NameCase{"DashAndBlank", "my-app v2", 9, "app-velmora-my\\x2dapp\\x20v2-9.scope"},
        NameCase{"LeadingDot", ".hidden", 9, "app-velmora-\\x2ehidden-9.scope"},
        NameCase{"NonAscii", QString::fromUtf8("Ünï"), 9, "app-velmora-\\xc3\\x9cn\\xc3\\xaf-9.scope"},
        NameCase{"SlashAndBackslash", "a/b\\c", 9, "app-velmora-a\\x2fb\\x5cc-9.scope"},
        NameCase{"Empty", "", 9, "app-velmora-program-9.scope"}),
    velmora::testing::caseName);

TEST(ScopeName, ALongNameIsCutWithinSystemdsLimitAndNeverInsideAnEscape) {
    const QString unit = systemdScopeName(QString(300, QLatin1Char('a')), 123456);
    EXPECT_EQ(unit.size(), 255);
    EXPECT_TRUE(unit.endsWith("aaa-123456.scope"));
    // 235 characters of room hold 58 whole escapes and three characters of
    // the 59th, which are dropped.
    const QString escaped = systemdScopeName(QString(100, QChar(0x20AC)), 1);
    EXPECT_EQ(escaped.size(), 252);
    EXPECT_TRUE(escaped.endsWith("\\xe2\\x82\\xac\\xe2-1.scope")) << escaped.toStdString();
}

// --- which bus --------------------------------------------------------------

TEST(SessionBus, IsTakenFromTheEnvironmentOrTheRuntimeFolderOnly) {
    QTemporaryDir runtime;
    QProcessEnvironment env;
    EXPECT_EQ(sessionBusAddress(env), QByteArray()) << "never autolaunched";
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    EXPECT_EQ(sessionBusAddress(env), QByteArray()) << "no socket there";

    const QByteArray socketPath = QFile::encodeName(runtime.path() + "/bus");
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(size_t(socketPath.size()), sizeof addr.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), addr.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    EXPECT_EQ(sessionBusAddress(env), "unix:path=" + socketPath);
    ::close(fd);

    env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/elsewhere/bus");
    EXPECT_EQ(sessionBusAddress(env), "unix:path=/elsewhere/bus");
}

// --- against a stand-in manager ---------------------------------------------

class Scopes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        if (!bus.running()) GTEST_SKIP() << bus.why().toStdString();
        address = bus.address();
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    void startStandin(const char* mode = "answer") { ASSERT_TRUE(bus.startManager(mode)); }
    QStringList calls() const { return bus.calls(); }

    // A program that writes its process id into `name` and ends.
    QString program(const QString& name) {
        const QString script = path(name);
        EXPECT_TRUE(
            testing::writeFile(script,
                               QStringLiteral("#!/bin/sh\necho $$ > \"%1.tmp\"\nmv \"%1.tmp\" \"%1\"\n")
                                   .arg(script + ".pid")
                                   .toUtf8(),
                               true));
        return script;
    }
    QString pidOf(const QString& name) {
        const QString file = path(name + ".pid");
        if (!waitUntil([&] { return QFile::exists(file); })) {
            ADD_FAILURE() << "no evidence from " << name.toStdString();
            return {};
        }
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QString::fromUtf8(f.readAll()).trimmed();
    }

    int argc = 1;
    char arg0[16] = "scopes_test";
    char* argv[2] = {arg0, nullptr};
    QCoreApplication app{argc, argv};
    QTemporaryDir dir;
    testing::PrivateBus bus{dir.path()};
    QByteArray address;
};

TEST_F(Scopes, EveryStartedProgramGetsOneScopeWithItsProcess) {
    startStandin();
    SystemdScopes scopes(address);
    PosixLauncher launcher(&scopes);
    const QString entry = path("third.desktop");
    ASSERT_TRUE(testing::writeFile(entry,
                                   QStringLiteral("[Desktop Entry]\nType=Application\nName=Third\nExec=%1\n")
                                       .arg(program("third"))
                                       .toUtf8(),
                                   false));

    ASSERT_TRUE(launcher.startDetached(program("first")).ok);
    ASSERT_TRUE(launcher.startAndWait(program("second")).ok);
    ASSERT_TRUE(launcher.openDocument(entry).ok);

    const QString first = pidOf("first"), second = pidOf("second"), third = pidOf("third");
    ASSERT_TRUE(waitUntil([&] { return calls().size() >= 3; }));
    EXPECT_EQ(calls(), (QStringList{"app-velmora-first-" + first + ".scope fail " + first + " app.slice",
                                    "app-velmora-second-" + second + ".scope fail " + second + " app.slice",
                                    "app-velmora-third-" + third + ".scope fail " + third + " app.slice"}));
}

// The desktop's association in a private data and configuration home: the
// application GIO starts is no child of ours, its process id comes from GIO.
TEST_F(Scopes, ADocumentOpenedThroughGioIsScopedWithTheApplicationsProcess) {
    startStandin();
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("data/applications")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("config")));
    ASSERT_TRUE(testing::writeFile(path("data/applications/velmora-test-viewer.desktop"),
                                   QStringLiteral("[Desktop Entry]\nType=Application\nName=Viewer\n"
                                                  "Exec=%1 %f\nMimeType=text/plain;\n")
                                       .arg(program("viewer"))
                                       .toUtf8(),
                                   false));
    ASSERT_TRUE(testing::writeFile(path("config/mimeapps.list"),
                                   "[Default Applications]\ntext/plain=velmora-test-viewer.desktop\n",
                                   false));
    qputenv("XDG_DATA_HOME", QFile::encodeName(path("data")));
    qputenv("XDG_DATA_DIRS", "/usr/share");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path("config")));
    const QString doc = path("notes.txt");
    ASSERT_TRUE(testing::writeFile(doc, "hello\n", false));

    SystemdScopes scopes(address);
    PosixLauncher launcher(&scopes);
    const LaunchResult r = launcher.openDocument(doc);
    ASSERT_TRUE(r.ok) << r.error.toStdString();

    const QString viewer = pidOf("viewer");
    ASSERT_TRUE(waitUntil([&] { return !calls().isEmpty(); }));
    EXPECT_EQ(calls(), QStringList{"app-velmora-velmora\\x2dtest\\x2dviewer-" + viewer + ".scope fail " +
                                   viewer + " app.slice"});
}

TEST_F(Scopes, ARefusedScopeDoesNotStopTheNextOne) {
    startStandin("refuse");
    SystemdScopes scopes(address);
    PosixLauncher launcher(&scopes);
    ASSERT_TRUE(launcher.startDetached(program("first")).ok);
    ASSERT_TRUE(launcher.startDetached(program("second")).ok);
    pidOf("first");
    pidOf("second");
    EXPECT_EQ(calls().size(), 2);
}

TEST_F(Scopes, AManagerThatDoesNotAnswerIsAskedOnce) {
    startStandin("silent");
    SystemdScopes scopes(address, 200);
    PosixLauncher launcher(&scopes);
    ASSERT_TRUE(launcher.startDetached(program("first")).ok);
    ASSERT_TRUE(launcher.startDetached(program("second")).ok);
    ASSERT_TRUE(launcher.startDetached(program("third")).ok);
    for (const char* name : {"first", "second", "third"}) EXPECT_FALSE(pidOf(name).isEmpty());
    EXPECT_EQ(calls().size(), 1);
}

TEST_F(Scopes, WithoutAManagerOnTheBusNothingIsAsked) {
    SystemdScopes scopes(address);
    PosixLauncher launcher(&scopes);
    ASSERT_TRUE(launcher.startDetached(program("first")).ok);
    EXPECT_FALSE(pidOf("first").isEmpty());
    // Its absence was learnt once; a manager that comes later is not asked.
    startStandin();
    ASSERT_TRUE(launcher.startDetached(program("second")).ok);
    EXPECT_FALSE(pidOf("second").isEmpty());
    EXPECT_TRUE(calls().isEmpty());
}

TEST_F(Scopes, WithoutABusProgramsStartAsBefore) {
    for (const QByteArray& nowhere : {QByteArray(), "unix:path=" + QFile::encodeName(path("no-bus"))}) {
        SystemdScopes scopes(nowhere);
        PosixLauncher launcher(&scopes);
        const QString name = nowhere.isEmpty() ? QStringLiteral("first") : QStringLiteral("second");
        ASSERT_TRUE(launcher.startDetached(program(name)).ok);
        EXPECT_FALSE(pidOf(name).isEmpty());
    }
}

// The hand-off itself, with recording scopes: once per program that really
// started, none for a start that failed.
TEST_F(Scopes, OnlyProgramsThatStartedAreHandedOver) {
    testing::FakeScopes scopes;
    PosixLauncher launcher(&scopes);
    const QString entry = path("gone.desktop");
    ASSERT_TRUE(testing::writeFile(entry, "[Desktop Entry]\nType=Application\nExec=velmora-no-such-program\n",
                                   false));

    EXPECT_FALSE(launcher.startDetached(path("missing")).ok);
    EXPECT_FALSE(launcher.startAndWait(QStringLiteral("velmora-no-such-program")).ok);
    EXPECT_FALSE(launcher.openDocument(entry).ok);
    EXPECT_TRUE(scopes.adopted.empty());

    ASSERT_TRUE(launcher.startAndWait(program("first") + QStringLiteral(" an argument")).ok);
    ASSERT_EQ(scopes.adopted.size(), 1u);
    EXPECT_EQ(scopes.adopted[0].first, QStringLiteral("first"));
    EXPECT_EQ(QString::number(scopes.adopted[0].second), pidOf("first"));
}

}  // namespace
}  // namespace velmora
