// ctest-timeout: 120
// A process that exchanges tasks in the settings store is killed with SIGKILL
// at random moments, many times over. After each kill the store must pass
// SQLite's integrity check and every task must be whole: all five values of
// the old task or all five of the new, never a mix. Each seeded task carries
// one tag in all five values, so a torn exchange shows.
//
// The killed process is this test program itself, started again with
// "--exchange-child STORE".
#include "killedchild.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>
#include <random>

namespace velmora {
namespace {

constexpr int kTasks = 8;
constexpr int kKills = 40;
constexpr char kChildSwitch[] = "--exchange-child";

QString tag(int n) { return QStringLiteral("T%1").arg(n); }

// The child: exchanges random pairs of tasks until it is killed. "ready" on
// standard output once the first exchange is committed.
int exchangeForever(const QString& path) {
    SqliteStore store(path);
    std::mt19937 rng(unsigned(::getpid()));
    bool announced = false;
    for (;;) {
        const int a = 1 + int(rng() % kTasks);
        const int b = 1 + int(rng() % kTasks);
        if (a == b) continue;
        exchangeTasks(store, a, b);
        if (!announced) {
            announced = true;
            if (!testing::announceReady()) return 1;
        }
    }
}

TEST(StoreCrash, KilledWhileExchangingTasksLeavesEveryTaskWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.db"));
    {
        SqliteStore store(path);
        for (int n = 1; n <= kTasks; ++n) {
            const QString t = tag(n);
            writeTask(store, n, {t, t, t, t, t});
        }
    }
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(::testing::Message() << "random seed " << seed);
    std::mt19937 rng(seed);

    for (int kill = 0; kill < kKills; ++kill) {
        SCOPED_TRACE(::testing::Message() << "kill " << kill);
        QProcess child;
        ASSERT_TRUE(testing::startChild(child, kChildSwitch, path));
        QThread::usleep(rng() % 30000);
        testing::killHard(child);
        ASSERT_TRUE(child.waitForFinished(10000));
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << "it was still exchanging when killed";

        EXPECT_EQ(testing::integrityCheck(path), QStringLiteral("ok"));
        SqliteStore store(path);
        QStringList tags;
        for (int n = 1; n <= kTasks; ++n) {
            const TaskRecord t = readTask(store, n);
            EXPECT_TRUE(t.app == t.desc && t.wait == t.desc && t.opt == t.desc && t.keys == t.desc)
                << "task " << n << " is torn: " << t.desc.toStdString() << " " << t.app.toStdString() << " "
                << t.wait.toStdString() << " " << t.opt.toStdString() << " " << t.keys.toStdString();
            tags.append(t.desc);
        }
        tags.sort();
        QStringList all;
        for (int n = 1; n <= kTasks; ++n) all.append(tag(n));
        ASSERT_EQ(tags, all) << "every task is still there exactly once";
    }
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    return velmora::testing::childOrTests(argc, argv, velmora::kChildSwitch, velmora::exchangeForever);
}
