// ctest-timeout: 120
// A process that exchanges tasks in the settings store is killed with SIGKILL
// at random moments, many times over. After each kill the store must pass
// SQLite's integrity check and every task must be whole: all five values of
// the old task or all five of the new, never a mix. Each seeded task carries
// one tag in all five values, so a torn exchange shows.
//
// The killed process is this test program itself, started again with
// "--exchange-child STORE".
#include "store/sqlitestore.h"
#include "store/tasklayout.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <csignal>
#include <cstring>
#include <random>
#include <unistd.h>

namespace velmora {
namespace {

constexpr int kTasks = 8;
constexpr int kKills = 40;

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
            const char ready[] = "ready\n";
            if (::write(STDOUT_FILENO, ready, sizeof ready - 1) < 0) return 1;
        }
    }
}

QString integrityCheck(const QString& path) {
    sqlite3* db = nullptr;
    QString result;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW)
                result += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        } else {
            result = QString::fromUtf8(sqlite3_errmsg(db));
        }
        sqlite3_finalize(st);
    } else {
        result = QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_close(db);
    return result;
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
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--exchange-child"), path});
        ASSERT_TRUE(child.waitForStarted(10000));
        QByteArray said;
        while (!said.contains("ready") && child.waitForReadyRead(10000)) said += child.readAllStandardOutput();
        ASSERT_TRUE(said.contains("ready")) << child.readAllStandardError().toStdString();
        QThread::usleep(rng() % 30000);
        ::kill(pid_t(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished(10000));
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << "it was still exchanging when killed";

        EXPECT_EQ(integrityCheck(path), QStringLiteral("ok"));
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
    if (argc == 3 && std::strcmp(argv[1], "--exchange-child") == 0)
        return velmora::exchangeForever(QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
