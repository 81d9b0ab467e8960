// ctest-timeout: 240
// ctest-run-serial
// The wait until settled with the real program and real load: `velmora /run`
// starts a task that leaves twice as many busy loops as the machine has
// processors, so that they keep every processor busy and wait for one, and
// then a task that stamps the time it starts. The second task must start
// once the loops have ended and the machine has settled, before the cap;
// with loops that outlast the cap, at the cap.
//
// The machine is shared with other work: what is asserted are orderings with
// generous margins, and a run on a machine that does not settle by itself
// says so and skips instead of failing.
#include "desktopsession.h"
#include "launcher/settle.h"
#include "polling.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"
#include "testfiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <ctime>

namespace velmora {
namespace {

using testing::Finished;

// CLOCK_REALTIME in nanoseconds, the clock of `date +%s%N` in the scripts.
qint64 nowNs() {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

class SettleE2E : public ::testing::Test {
protected:
    SettleE2E() : env(testing::privateFolders(root.path(), {QStringLiteral("work")})) {}

    QString work(const QString& name) const { return root.filePath(QStringLiteral("work/") + name); }

    QString script(const QString& name, const QString& body) {
        const QString path = work(name);
        EXPECT_TRUE(testing::writeFile(path, "#!/bin/sh\n" + body.toUtf8() + '\n', true))
            << name.toStdString();
        return path;
    }

    // The first task: `loops` busy loops of `seconds` each in the
    // background; "busy_end" gets the time they have all ended.
    QString busyTask(int seconds) {
        const int loops = 2 * std::max(1, QThread::idealThreadCount());
        return script(QStringLiteral("busy.sh"),
                      QStringLiteral("(\n"
                                     "  i=0\n"
                                     "  while [ $i -lt %1 ]; do\n"
                                     "    timeout %2 sh -c 'while :; do :; done' &\n"
                                     "    i=$((i + 1))\n"
                                     "  done\n"
                                     "  wait\n"
                                     "  date +%s%N > %3\n"
                                     ") </dev/null >/dev/null 2>&1 &")
                          .arg(loops)
                          .arg(seconds)
                          .arg(work(QStringLiteral("busy_end"))));
    }
    QString stampTask() {
        return script(QStringLiteral("after.sh"),
                      QStringLiteral("date +%s%N > ") + work(QStringLiteral("after")));
    }

    void seed(const QString& busyWait, int busySeconds) {
        SqliteStore store(testing::storeBelow(root.filePath(QStringLiteral("config"))));
        writeTask(store, 1,
                  {QStringLiteral("Busy"), busyTask(busySeconds), busyWait, QStringLiteral("ABCDEFG"),
                   QStringLiteral("*")});
        writeTask(store, 2,
                  {QStringLiteral("After"), stampTask(), QStringLiteral("DW"), QStringLiteral("ABCDEFG"),
                   QStringLiteral("*")});
    }

    qint64 readStamp(const QString& name) const {
        QFile f(work(name));
        if (!f.open(QIODevice::ReadOnly)) return 0;
        return f.readAll().trimmed().toLongLong();
    }
    // The time a script stamped, once it has (0 if never); the busy loops'
    // end is waited for too, so that they burden neither the assertions nor
    // the tests after this one.
    qint64 stamp(const QString& name) const {
        testing::eventually([&] { return readStamp(name) != 0; }, 60000);
        return readStamp(name);
    }

    Finished velmora() {
        return testing::runToEnd(
            QStringLiteral(VELMORA_BINARY),
            {QStringLiteral("/run"), QStringLiteral("/nodisp"), QStringLiteral("/skwait=0")}, env, 120000);
    }

    // Whether the machine settles by itself: a second of quiet windows in a
    // row within `ms`, judged as the program judges.
    static bool machineSettles(int ms) {
        KernelSettle settle;
        QElapsedTimer clock;
        clock.start();
        int quiet = 0;
        settle.restart();
        while (clock.elapsed() < ms) {
            QThread::msleep(settle.windowMs());
            quiet = settle.settled() ? quiet + 1 : 0;
            if (quiet * settle.windowMs() >= 1000) return true;
        }
        return false;
    }

    QTemporaryDir root;
    QProcessEnvironment env;
};

constexpr qint64 kMs = 1000000;

TEST_F(SettleE2E, TheNextTaskStartsOnceTheMachineHasSettledBeforeTheCap) {
    if (!machineSettles(30000)) GTEST_SKIP() << "this machine is busy with other work and never settles";
    seed(QStringLiteral("40S"), 2);
    const qint64 begun = nowNs();
    const Finished o = velmora();
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    const qint64 after = stamp(QStringLiteral("after"));
    const qint64 busyEnded = stamp(QStringLiteral("busy_end"));
    ASSERT_NE(after, 0) << o.err.toStdString();
    ASSERT_NE(busyEnded, 0);

    if (!o.err.contains(QStringLiteral("the machine settled after")) && !machineSettles(5000))
        GTEST_SKIP() << "other work kept the machine from settling: " << o.err.toStdString();
    EXPECT_TRUE(o.err.contains(QStringLiteral("\"Busy\": the machine settled after"))) << o.err.toStdString();
    // The loops' own end is stamped by a shell that has to wake up first:
    // a little slack for it, none for a start while they still ran.
    EXPECT_GE(after, busyEnded - 250 * kMs) << "the next task started while the busy loops still ran";
    EXPECT_GE(after - begun, 1500 * kMs) << "the loops keep the machine busy for two seconds";
    EXPECT_LT(after - begun, 40000 * kMs) << "the next task started at the cap, not when the machine settled";
}

TEST_F(SettleE2E, TheCapEndsTheWaitOnAMachineThatNeverSettles) {
    seed(QStringLiteral("3S"), 12);
    const qint64 begun = nowNs();
    const Finished o = velmora();
    const qint64 after = stamp(QStringLiteral("after"));
    const qint64 busyEnded = stamp(QStringLiteral("busy_end"));
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    ASSERT_NE(after, 0) << o.err.toStdString();
    ASSERT_NE(busyEnded, 0);

    EXPECT_TRUE(o.err.contains(QStringLiteral("\"Busy\": the machine did not settle within 3 seconds")))
        << o.err.toStdString();
    EXPECT_GE(after - begun, 2900 * kMs) << "the cap counts from the start of the busy task";
    EXPECT_LT(after, busyEnded) << "the next task waited for the loops instead of the cap";
}

}  // namespace
}  // namespace velmora
