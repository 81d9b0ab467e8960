// ctest-timeout: 180
// A process that moves an autostart folder of 30 entries (some of them links,
// some overriding system-wide entries) into the launch list is killed with
// SIGKILL at random moments, many times over. After each kill no entry is
// lost: it is either still in the autostart folder and starts from there
// (no task starts a moved copy of it at logon), or it is moved, with its task,
// and gone from the autostart folder (a Hidden=true stub in its place where
// it overrode a system-wide entry). The store passes SQLite's integrity
// check, and a second Install completes the move without a second task.
//
// The killed process is this test program itself, started again with
// "--transfer-child ROOT".
#include "desktop/autostart.h"
#include "editor/transfer.h"
#include "killedchild.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

namespace velmora {
namespace {

constexpr int kEntries = 30;
constexpr int kKills = 25;
constexpr char kChildSwitch[] = "--transfer-child";

QString entryName(int i) { return QStringLiteral("entry %1.desktop").arg(i, 2, 10, QLatin1Char('0')); }
bool isLink(int i) { return i % 3 == 0; }
bool overridesSystemEntry(int i) { return i % 5 == 1; }
QByteArray entryText(int i) {
    return "[Desktop Entry]\nType=Application\nName=Entry " + QByteArray::number(i) + "\nExec=true\n" +
           "Comment=" + QByteArray(2000, char('a' + i % 26)) + "\n";
}

QProcessEnvironment environmentFor(const QString& root) {
    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), root + QStringLiteral("/sys"));
    // Where the entries' program is found: Install moves only what would start.
    env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    return env;
}
QString storeOf(const QString& root) { return root + QStringLiteral("/settings.db"); }

void write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
}

// The child: one transfer, announced with "ready" on standard output once the
// store is open.
int transferOnce(const QString& root) {
    const QProcessEnvironment env = environmentFor(root);
    SqliteStore store(storeOf(root));
    StartUpTransfer transfer(store, env, QStringLiteral("/opt/velmora"));
    if (!testing::announceReady()) return 1;
    const TransferResult r = transfer.transfer();
    return r.succeeded() ? 0 : 2;
}

class TransferCrash : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(base.path())); }

    // A fresh home with the 30 entries.
    QString prepare(int round) {
        const QString root = base.path() + QStringLiteral("/round%1").arg(round);
        for (int i = 0; i < kEntries; ++i) {
            const QString name = entryName(i);
            if (overridesSystemEntry(i))
                write(root + "/sys/autostart/" + name, "[Desktop Entry]\nType=Application\nExec=false\n");
            if (isLink(i)) {
                write(root + "/apps/" + name, entryText(i));
                QDir().mkpath(root + "/config/autostart");
                EXPECT_EQ(::symlink(QFile::encodeName(root + "/apps/" + name).constData(),
                                    QFile::encodeName(root + "/config/autostart/" + name).constData()),
                          0);
            } else {
                write(root + "/config/autostart/" + name, entryText(i));
            }
        }
        return root;
    }

    // Starts a transfer of `root` in a child and kills it `delayUs` after it
    // said "ready" (unless it ended before). Returns the microseconds from
    // "ready" to its end when it was not killed, else -1.
    qint64 runChild(const QString& root, qint64 delayUs) {
        QProcess child;
        EXPECT_TRUE(testing::startChild(child, kChildSwitch, root));
        QElapsedTimer clock;
        clock.start();
        if (delayUs >= 0) {
            QThread::usleep(quint64(delayUs));
            testing::killHard(child);
        }
        EXPECT_TRUE(child.waitForFinished(30000));
        if (child.exitStatus() == QProcess::NormalExit) {
            EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
            return clock.nsecsElapsed() / 1000;
        }
        return -1;
    }

    // Whether `path` holds entry i as it was: the same link target, or the
    // same bytes and permission bits.
    static bool isOriginal(const QString& path, int i, const QString& root) {
        const QFileInfo info(path);
        if (isLink(i)) return info.isSymLink() && info.symLinkTarget() == root + "/apps/" + entryName(i);
        QFile f(path);
        return !info.isSymLink() && f.open(QIODevice::ReadOnly) && f.readAll() == entryText(i);
    }
    static bool isStub(const QString& path) {
        QFile f(path);
        return !QFileInfo(path).isSymLink() && f.open(QIODevice::ReadOnly) &&
               f.readAll().contains("\nHidden=true\n");
    }

    // Checks every entry's state; returns how many are moved.
    int checkStates(const QString& root) {
        const QProcessEnvironment env = environmentFor(root);
        EXPECT_EQ(testing::integrityCheck(storeOf(root)), QStringLiteral("ok"));
        SqliteStore store(storeOf(root));
        QHash<QString, int> tasksOf;  // moved path -> tasks starting it
        const int count = taskCount(store);
        for (int n = 1; n <= count; ++n) {
            QString app = readTask(store, n).app;
            if (app.startsWith('"')) app = app.mid(1, app.size() - 2);
            ++tasksOf[app];
        }
        // The launcher's own entry is there whole or not at all: an empty one
        // would make every later Install refuse to move anything.
        QFile launcher(root + "/config/autostart/" + kLauncherEntryName);
        if (launcher.exists()) {
            EXPECT_TRUE(launcher.open(QIODevice::ReadOnly));
            EXPECT_TRUE(launcher.readAll().contains("\nExec=")) << "the launcher's entry is not whole";
        }
        int movedCount = 0;
        for (int i = 0; i < kEntries; ++i) {
            SCOPED_TRACE(entryName(i).toStdString());
            const QString source = root + "/config/autostart/" + entryName(i);
            const QString copy = root + "/data/velmora/startup/" + entryName(i);
            const int tasks = tasksOf.value(copy);
            EXPECT_LE(tasks, 1) << "a second task";
            const bool stillThere = isOriginal(source, i, root);
            if (stillThere) {
                // It starts from the autostart folder. A task for a copy that
                // was committed just before the kill does not start it too:
                // the launcher leaves a moved entry that is back to the desktop.
                if (tasks > 0) {
                    EXPECT_TRUE(isOriginal(copy, i, root)) << "a task starts a copy that is not whole";
                    EXPECT_EQ(startedByTheDesktop(copy, env), source) << "it would start twice at logon";
                }
                continue;
            }
            // Moved: whole, with its task, and gone (or masked by a stub).
            ++movedCount;
            EXPECT_TRUE(isOriginal(copy, i, root))
                << "lost: neither in the autostart folder nor whole as a copy";
            EXPECT_EQ(tasks, 1) << "moved without a task";
            if (overridesSystemEntry(i)) EXPECT_TRUE(isStub(source)) << "the system-wide entry is unmasked";
            else EXPECT_FALSE(QFileInfo::exists(source) || QFileInfo(source).isSymLink());
        }
        return movedCount;
    }

    QTemporaryDir base;
};

TEST_F(TransferCrash, KilledAtAnyMomentLosesNoEntryAndInstallCompletesIt) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(::testing::Message() << "random seed " << seed);
    std::mt19937 rng(seed);

    // How long one whole transfer takes here sets the range of the kills.
    const QString whole = prepare(0);
    qint64 duration = runChild(whole, -1);
    ASSERT_GT(duration, 0);
    EXPECT_EQ(checkStates(whole), kEntries);

    int interrupted = 0;
    for (int kill = 1; kill <= kKills; ++kill) {
        SCOPED_TRACE(::testing::Message() << "kill " << kill);
        const QString root = prepare(kill);
        const qint64 delay = qint64(rng() % quint64(duration + 1));
        // A transfer that ended before its kill shows how long one takes now.
        if (const qint64 took = runChild(root, delay); took > 0) duration = std::min(duration, took);
        const int movedCount = checkStates(root);
        if (movedCount < kEntries) ++interrupted;

        // Install again: everything moved, once.
        const QProcessEnvironment env = environmentFor(root);
        {
            SqliteStore store(storeOf(root));
            StartUpTransfer transfer(store, env, QStringLiteral("/opt/velmora"));
            const TransferResult r = transfer.transfer();
            EXPECT_TRUE(r.succeeded()) << transferSummary(r).toStdString();
            EXPECT_EQ(taskCount(store), kEntries);
        }
        EXPECT_EQ(checkStates(root), kEntries);
        const QStringList leftovers =
            QDir(root + "/config/autostart")
                .entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System) +
            QDir(root + "/data/velmora/startup")
                .entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System);
        EXPECT_TRUE(leftovers.isEmpty()) << leftovers.join(' ').toStdString();
        if (::testing::Test::HasFailure()) break;
        QDir(root).removeRecursively();
    }
    // Kills must land inside transfers, or this tested nothing.
    EXPECT_GE(interrupted, kKills / 3) << "one transfer took " << duration << " us";
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    return velmora::testing::childOrTests(argc, argv, velmora::kChildSwitch, velmora::transferOnce);
}
