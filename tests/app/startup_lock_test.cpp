// The single-instance lock: a flock on a private file that dies with the
// process and is never handed to the programs the launcher starts.
#include "app/instancelock.h"
#include "casename.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <ostream>
#include <string>

extern char** environ;

namespace velmora {
namespace {

using Status = InstanceLock::Status;

class InstanceLockTest : public ::testing::Test {
protected:
    QString path(const QString& name = QStringLiteral("velmora.lock")) const {
        return dir.path() + QLatin1Char('/') + name;
    }
    QTemporaryDir dir;
};

TEST_F(InstanceLockTest, TheSecondHolderIsRefusedUntilTheFirstLetsGo) {
    {
        InstanceLock first(path());
        EXPECT_EQ(first.status(), Status::Acquired);
        InstanceLock second(path());
        EXPECT_EQ(second.status(), Status::HeldElsewhere);
    }
    InstanceLock again(path());
    EXPECT_EQ(again.status(), Status::Acquired);
}

TEST_F(InstanceLockTest, CreatesAMissingFolderPrivateToTheUser) {
    const QString nested = path(QStringLiteral("a/b/velmora.lock"));
    InstanceLock lock(nested);
    EXPECT_EQ(lock.status(), Status::Acquired);
    const QFileInfo folder(dir.path() + QStringLiteral("/a/b"));
    EXPECT_TRUE(folder.isDir());
    EXPECT_EQ(folder.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther), 0);
}

TEST_F(InstanceLockTest, UnusableLocationsAreReportedWithTheFileName) {
    QFile plain(path(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString inside = path(QStringLiteral("plain/velmora.lock"));
    InstanceLock lock(inside);
    EXPECT_EQ(lock.status(), Status::Unavailable);
    EXPECT_TRUE(lock.error().contains(dir.path())) << lock.error().toStdString();
}

TEST_F(InstanceLockTest, APlantedLinkIsNotFollowed) {
    const QString target = path(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QFile::link(target, path()));
    InstanceLock lock(path());
    EXPECT_EQ(lock.status(), Status::Unavailable);
    EXPECT_FALSE(QFileInfo::exists(target)) << "nothing was created through the link";
}

TEST_F(InstanceLockTest, StartedProgramsDoNotInheritTheLock) {
    pid_t child = -1;
    {
        InstanceLock lock(path());
        ASSERT_EQ(lock.status(), Status::Acquired);
        // posix_spawn closes nothing of its own accord: only close-on-exec
        // keeps the descriptor out of the child.
        char sleepArg[] = "sleep";
        char seconds[] = "30";
        char* argv[] = {sleepArg, seconds, nullptr};
        ASSERT_EQ(posix_spawnp(&child, "sleep", nullptr, nullptr, argv, environ), 0);
    }
    InstanceLock next(path());
    EXPECT_EQ(next.status(), Status::Acquired) << "the running child must not hold the lock";
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

// The variables that are set (nullptr: unset) and the lock file they give.
struct LockPathCase {
    const char* name;
    const char *runtime, *config, *home;
    const char* expected;
    friend void PrintTo(const LockPathCase& c, std::ostream* os) { *os << c.name; }
};
using InstanceLockPath = ::testing::TestWithParam<LockPathCase>;

TEST_P(InstanceLockPath, LivesInTheRuntimeFolderElseBesideTheSettings) {
    const LockPathCase& c = GetParam();
    QProcessEnvironment env;
    if (c.runtime) env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromUtf8(c.runtime));
    if (c.config) env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromUtf8(c.config));
    if (c.home) env.insert(QStringLiteral("HOME"), QString::fromUtf8(c.home));
    EXPECT_EQ(InstanceLock::defaultPath(env), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Paths, InstanceLockPath,
                         ::testing::Values(LockPathCase{"Runtime", "/run/user/4242", "/home/u/.config",
                                                        "/home/u", "/run/user/4242/velmora.lock"},
                                           LockPathCase{"RelativeRuntimeIgnored", "relative/run",
                                                        "/home/u/.config", nullptr,
                                                        "/home/u/.config/velmora/velmora.lock"},
                                           LockPathCase{"NoRuntime", nullptr, "/home/u/.config", nullptr,
                                                        "/home/u/.config/velmora/velmora.lock"},
                                           LockPathCase{"NoRuntimeNoConfig", nullptr, nullptr, "/home/u",
                                                        "/home/u/.config/velmora/velmora.lock"},
                                           LockPathCase{"NoFolderAtAll", nullptr, "config", "home", ""}),
                         velmora::testing::caseName);

TEST(InstanceLockNoFolder, IsUnavailableAndSaysWhy) {
    const InstanceLock lock{QString()};
    EXPECT_EQ(lock.status(), InstanceLock::Status::Unavailable);
    EXPECT_EQ(lock.error(), QStringLiteral("Unable to find a folder for the lock file "
                                           "(neither XDG_RUNTIME_DIR, XDG_CONFIG_HOME nor HOME is set)."));
}

}  // namespace
}  // namespace velmora
