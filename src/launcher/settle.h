#pragma once
// Whether the machine has settled after a program was started: the programs
// started so far no longer wait for the processor or the disk. A wait until
// settled looks once a window and goes on at the first quiet look, or at its
// cap.
//
// On Linux the kernel's pressure stall information tells it: the share of a
// window in which some task waited for a processor ("some" of
// /proc/pressure/cpu) and for the disk ("some" of /proc/pressure/io). A
// kernel without it (or one that refuses to report it) leaves the processors'
// idle share from /proc/stat, in which time spent waiting for the disk counts
// as busy.

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <optional>

namespace velmora {

class SettleDetector {
public:
    virtual ~SettleDetector() = default;
    // A program has just been started: time counts from now, and only what
    // happens from now on is judged.
    virtual void restart() = 0;
    // How long to let pass between two looks, in milliseconds (at least 1).
    virtual int windowMs() const = 0;
    // Milliseconds since restart().
    virtual qint64 elapsedMs() const = 0;
    // Looks at the time since the previous look (or restart()): true when the
    // machine has settled.
    virtual bool settled() = 0;
};

// What the kernel counts, cumulatively, at one moment.
struct LoadSample {
    // "some total" of /proc/pressure/cpu and /proc/pressure/io in
    // microseconds; none where the kernel does not report it.
    std::optional<quint64> cpuSomeUs, ioSomeUs;
    // The processors' idle time and all their time from the first line of
    // /proc/stat, in clock ticks; both 0 when it could not be read.
    quint64 idleTicks = 0, totalTicks = 0;
};

// The "total" of the "some" line of a pressure file ("some avg10=0.00
// avg60=0.00 avg300=0.00 total=12345"); none when there is no such line.
std::optional<quint64> someTotal(const QByteArray& pressure);

// Idle ticks (the "idle" column) and the sum of every column of the "cpu "
// line of /proc/stat; none when the line is missing or short. "iowait" is no
// idle time: a processor whose programs wait for the disk is not free.
std::optional<std::pair<quint64, quint64>> idleAndTotalTicks(const QByteArray& stat);

// When a window counts as quiet. Measured with bench/logonstorm on a
// two-core machine (figures in bench/README.md): with little else running, a
// logon of eight programs had its first program ready within 1.2 times its
// time alone and all of them within 1.25 times the time of starting all at
// once. The pressure is the whole machine's: other work that keeps it busy
// keeps it from settling too, and the wait then lasts its cap.
struct SettleThresholds {
    int windowMs = 200;
    // Largest share of a window in which some task waited for a processor.
    double cpuSome = 0.25;
    // Largest share of a window in which some task waited for the disk.
    double ioSome = 0.20;
    // Without pressure information: the smallest idle share of all the
    // processors' time.
    double idle = 0.25;
    // How many quiet windows in a row make the machine settled.
    int quietWindows = 1;
};

// Whether the window from `before` to `after`, `ms` milliseconds long, was
// quiet. Pressure decides wherever both samples have it (processor and disk
// each on their own); without processor pressure the idle share decides.
// A window of no length, or one without anything to judge by, is not quiet:
// a machine that cannot be read waits its cap.
bool quietWindow(const LoadSample& before, const LoadSample& after, qint64 ms,
                 const SettleThresholds& limits);

// Reads the kernel's counters under `procRoot` (normally "/proc").
LoadSample readLoad(const QString& procRoot);

// The detector of a Linux machine.
class KernelSettle final : public SettleDetector {
public:
    explicit KernelSettle(QString procRoot = QStringLiteral("/proc"), SettleThresholds limits = {});

    void restart() override;
    int windowMs() const override;
    qint64 elapsedMs() const override;
    bool settled() override;

private:
    QString m_procRoot;
    SettleThresholds m_limits;
    QElapsedTimer m_clock;
    LoadSample m_last;
    qint64 m_lastMs = 0;
    int m_quiet = 0;
};

}  // namespace velmora
