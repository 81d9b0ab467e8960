// When the machine counts as settled: the kernel's texts as they are read,
// one window judged from two samples, and the detector over a stand-in for
// /proc that a test writes.
#include "launcher/settle.h"
#include "casename.h"
#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace velmora {
namespace {

// ---- the kernel's texts -------------------------------------------------------

TEST(SomeTotal, IsTheTotalOfTheSomeLine) {
    EXPECT_EQ(someTotal("some avg10=1.50 avg60=0.20 avg300=0.05 total=123456\n"
                        "full avg10=0.00 avg60=0.00 avg300=0.00 total=99\n"),
              123456u);
    // The processor's file of older kernels has no "full" line.
    EXPECT_EQ(someTotal("some avg10=0.00 avg60=0.00 avg300=0.00 total=7\n"), 7u);
    EXPECT_EQ(someTotal("full avg10=0.00 avg60=0.00 avg300=0.00 total=99\n"), std::nullopt);
    EXPECT_EQ(someTotal("some avg10=0.00 avg60=0.00 avg300=0.00\n"), std::nullopt);
    EXPECT_EQ(someTotal(""), std::nullopt);
}

TEST(IdleAndTotalTicks, CountIdleButNotWaitingForTheDisk) {
    // user nice system idle iowait irq softirq steal guest guest_nice
    const auto ticks =
        idleAndTotalTicks("cpu  100 10 50 800 40 0 5 0 30 0\ncpu0 50 5 25 400 20 0 2 0 15 0\n");
    ASSERT_TRUE(ticks);
    EXPECT_EQ(ticks->first, 800u);
    EXPECT_EQ(ticks->second, 1005u) << "guest time is already in user time";
    EXPECT_EQ(idleAndTotalTicks("cpu  1 2 3\n"), std::nullopt);
    EXPECT_EQ(idleAndTotalTicks("cpu0 1 2 3 4 5\n"), std::nullopt) << "only the line of all processors";
    EXPECT_EQ(idleAndTotalTicks("cpu  1 2 x 4\n"), std::nullopt);
}

// ---- one window ---------------------------------------------------------------

LoadSample pressure(quint64 cpuUs, std::optional<quint64> ioUs = 0) {
    LoadSample s;
    s.cpuSomeUs = cpuUs;
    s.ioSomeUs = ioUs;
    return s;
}
LoadSample ticks(quint64 idle, quint64 total) {
    LoadSample s;
    s.idleTicks = idle;
    s.totalTicks = total;
    return s;
}

LoadSample both(quint64 cpuUs, quint64 idle, quint64 total) {
    LoadSample s = pressure(cpuUs);
    s.idleTicks = idle;
    s.totalTicks = total;
    return s;
}

struct WindowCase {
    const char* name;
    LoadSample before, after;
    qint64 ms;
    bool quiet;
    friend void PrintTo(const WindowCase& c, std::ostream* os) { *os << c.name; }
};

class QuietWindow : public ::testing::TestWithParam<WindowCase> {};

TEST_P(QuietWindow, JudgesTheGrowthOverTheWindow) {
    const WindowCase& c = GetParam();
    SettleThresholds limits;
    limits.cpuSome = 0.25;
    limits.ioSome = 0.20;
    limits.idle = 0.25;
    EXPECT_EQ(quietWindow(c.before, c.after, c.ms, limits), c.quiet);
}

// 200 ms windows: 50 000 us of processor waiting is a quarter of one.
INSTANTIATE_TEST_SUITE_P(
    Samples, QuietWindow,
    ::testing::Values(WindowCase{"NoWaiting", pressure(1000), pressure(1000), 200, true},
                      WindowCase{"ProcessorAtTheLimit", pressure(0), pressure(50000), 200, true},
                      WindowCase{"ProcessorAboveTheLimit", pressure(0), pressure(50001), 200, false},
                      WindowCase{"LongerWindowSameWaiting", pressure(0), pressure(50001), 400, true},
                      WindowCase{"DiskAtTheLimit", pressure(0, 0), pressure(0, 40000), 200, true},
                      WindowCase{"DiskAboveTheLimit", pressure(0, 0), pressure(0, 40001), 200, false},
                      WindowCase{"NoDiskPressureFile", pressure(0, std::nullopt), pressure(0, std::nullopt),
                                 200, true},
                      WindowCase{"CounterRanBackwards", pressure(5000), pressure(10), 200, false},
                      WindowCase{"NoTimePassed", pressure(0), pressure(0), 0, false},
                      // Without pressure, a quarter of the processors' time idle.
                      WindowCase{"IdleAtTheLimit", ticks(100, 400), ticks(110, 440), 200, true},
                      WindowCase{"IdleBelowTheLimit", ticks(100, 400), ticks(109, 440), 200, false},
                      WindowCase{"NoTicksPassed", ticks(100, 400), ticks(100, 400), 200, false},
                      WindowCase{"NothingReadable", LoadSample{}, LoadSample{}, 200, false},
                      // One read found pressure, the next did not: the idle
                      // time since boot is no window.
                      WindowCase{"PressureThenTicksOnly", pressure(0), ticks(100000, 110000), 200, false},
                      // Pressure decides wherever both samples have it.
                      WindowCase{"PressureOverIdle", both(0, 100, 400), both(0, 100, 440), 200, true}),
    velmora::testing::caseName);

// ---- the detector over a written /proc ----------------------------------------

class KernelSettleTest : public ::testing::Test {
protected:
    KernelSettleTest() { QDir(proc.path()).mkpath(QStringLiteral("pressure")); }

    void writePressure(const char* file, quint64 some) {
        const QByteArray text = "some avg10=0.00 avg60=0.00 avg300=0.00 total=" + QByteArray::number(some) +
                                "\nfull avg10=0.00 avg60=0.00 avg300=0.00 total=0\n";
        ASSERT_TRUE(testing::writeFile(proc.filePath(QStringLiteral("pressure/") + QLatin1String(file)), text,
                                       false));
    }
    void writeStat(quint64 idle, quint64 total) {
        const QByteArray text = "cpu  " + QByteArray::number(total - idle) + " 0 0 " +
                                QByteArray::number(idle) + " 0 0 0 0 0 0\n";
        ASSERT_TRUE(testing::writeFile(proc.filePath(QStringLiteral("stat")), text, false));
    }
    // Lets a window's worth of time pass, so that a look has something to judge.
    void aWindowPasses(const KernelSettle& settle) const { QThread::msleep(settle.windowMs()); }

    QTemporaryDir proc;
};

TEST_F(KernelSettleTest, SettlesAtTheFirstWindowWithoutWaiting) {
    SettleThresholds limits;
    limits.windowMs = 20;
    KernelSettle settle(proc.path(), limits);
    writePressure("cpu", 0);
    writePressure("io", 0);
    settle.restart();

    aWindowPasses(settle);
    writePressure("cpu", 100000000);  // 100 seconds of waiting in a few ms
    EXPECT_FALSE(settle.settled());
    aWindowPasses(settle);
    EXPECT_TRUE(settle.settled()) << "nothing grew since the last look";
    EXPECT_GE(settle.elapsedMs(), 2 * limits.windowMs);
}

TEST_F(KernelSettleTest, QuietWindowsInARowAsTheLimitsSay) {
    SettleThresholds limits;
    limits.windowMs = 20;
    limits.quietWindows = 2;
    KernelSettle settle(proc.path(), limits);
    writePressure("cpu", 0);
    settle.restart();
    aWindowPasses(settle);
    EXPECT_FALSE(settle.settled());
    aWindowPasses(settle);
    writePressure("cpu", 100000000);
    EXPECT_FALSE(settle.settled()) << "a busy window starts the count again";
    aWindowPasses(settle);
    EXPECT_FALSE(settle.settled());
    aWindowPasses(settle);
    EXPECT_TRUE(settle.settled());
}

TEST_F(KernelSettleTest, WithoutPressureTheIdleTimeDecides) {
    SettleThresholds limits;
    limits.windowMs = 20;
    KernelSettle settle(proc.path(), limits);
    QDir(proc.filePath(QStringLiteral("pressure"))).removeRecursively();
    writeStat(0, 100);
    settle.restart();
    aWindowPasses(settle);
    writeStat(5, 200);  // 5 % idle
    EXPECT_FALSE(settle.settled());
    aWindowPasses(settle);
    writeStat(55, 300);  // 50 % idle
    EXPECT_TRUE(settle.settled());
}

TEST_F(KernelSettleTest, AMachineThatCannotBeReadNeverSettles) {
    SettleThresholds limits;
    limits.windowMs = 10;
    KernelSettle settle(proc.filePath(QStringLiteral("missing")), limits);
    settle.restart();
    for (int i = 0; i < 3; ++i) {
        aWindowPasses(settle);
        EXPECT_FALSE(settle.settled());
    }
}

// This machine's own kernel, read as the program reads it.
TEST(KernelLoad, ThisMachineCanBeRead) {
    const LoadSample s = readLoad(QStringLiteral("/proc"));
    EXPECT_TRUE(s.cpuSomeUs.has_value() || s.totalTicks > 0);
}

}  // namespace
}  // namespace velmora
