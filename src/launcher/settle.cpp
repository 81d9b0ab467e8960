#include "launcher/settle.h"

#include <QFile>

#include <algorithm>

namespace velmora {

namespace {

std::optional<QByteArray> readWhole(const QString& path) {
    QFile file(path);
    // The pressure files are not seekable and report no size: read until the end.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return std::nullopt;
    QByteArray all = file.readAll();
    if (all.isEmpty()) return std::nullopt;
    return all;
}

// The share of `ms` milliseconds that a counter in microseconds grew by.
double shareOfWindow(quint64 beforeUs, quint64 afterUs, qint64 ms) {
    // A counter never runs backwards; should one be reset, nothing is known.
    if (afterUs < beforeUs) return 1.0;
    return double(afterUs - beforeUs) / (double(ms) * 1000.0);
}

bool bothHave(const std::optional<quint64>& a, const std::optional<quint64>& b) {
    return a.has_value() && b.has_value();
}

}  // namespace

std::optional<quint64> someTotal(const QByteArray& pressure) {
    for (const QByteArray& line : pressure.split('\n')) {
        if (!line.startsWith("some ")) continue;
        for (const QByteArray& field : line.split(' ')) {
            if (!field.startsWith("total=")) continue;
            bool ok = false;
            const quint64 total = field.mid(6).toULongLong(&ok);
            if (ok) return total;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::pair<quint64, quint64>> idleAndTotalTicks(const QByteArray& stat) {
    for (const QByteArray& line : stat.split('\n')) {
        if (!line.startsWith("cpu ")) continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        // cpu user nice system idle [iowait irq softirq steal guest guest_nice]
        if (fields.size() < 5) return std::nullopt;
        quint64 total = 0;
        quint64 idle = 0;
        // guest and guest_nice are already counted in user and nice.
        const qsizetype last = std::min<qsizetype>(fields.size(), 9);
        for (qsizetype i = 1; i < last; ++i) {
            bool ok = false;
            const quint64 ticks = fields[i].toULongLong(&ok);
            if (!ok) return std::nullopt;
            total += ticks;
            if (i == 4) idle = ticks;
        }
        return std::pair{idle, total};
    }
    return std::nullopt;
}

bool quietWindow(const LoadSample& before, const LoadSample& after, qint64 ms,
                 const SettleThresholds& limits) {
    if (ms <= 0) return false;
    if (bothHave(before.cpuSomeUs, after.cpuSomeUs)) {
        if (shareOfWindow(*before.cpuSomeUs, *after.cpuSomeUs, ms) > limits.cpuSome) return false;
        if (bothHave(before.ioSomeUs, after.ioSomeUs) &&
            shareOfWindow(*before.ioSomeUs, *after.ioSomeUs, ms) > limits.ioSome)
            return false;
        return true;
    }
    // Both samples must have the ticks: one read where pressure was found
    // holds none, and idle time since boot would pass for a quiet window.
    if (before.totalTicks == 0 || after.totalTicks <= before.totalTicks || after.idleTicks < before.idleTicks)
        return false;
    const double idle =
        double(after.idleTicks - before.idleTicks) / double(after.totalTicks - before.totalTicks);
    return idle >= limits.idle;
}

LoadSample readLoad(const QString& procRoot) {
    LoadSample s;
    if (const auto cpu = readWhole(procRoot + QStringLiteral("/pressure/cpu"))) s.cpuSomeUs = someTotal(*cpu);
    if (const auto io = readWhole(procRoot + QStringLiteral("/pressure/io"))) s.ioSomeUs = someTotal(*io);
    if (!s.cpuSomeUs) {
        if (const auto stat = readWhole(procRoot + QStringLiteral("/stat"))) {
            if (const auto ticks = idleAndTotalTicks(*stat)) std::tie(s.idleTicks, s.totalTicks) = *ticks;
        }
    }
    return s;
}

KernelSettle::KernelSettle(QString procRoot, SettleThresholds limits)
    : m_procRoot(std::move(procRoot)), m_limits(limits) {}

void KernelSettle::restart() {
    m_clock.start();
    m_last = readLoad(m_procRoot);
    m_lastMs = 0;
    m_quiet = 0;
}

int KernelSettle::windowMs() const { return std::max(1, m_limits.windowMs); }

qint64 KernelSettle::elapsedMs() const { return m_clock.isValid() ? m_clock.elapsed() : 0; }

bool KernelSettle::settled() {
    const qint64 now = elapsedMs();
    const LoadSample sample = readLoad(m_procRoot);
    if (quietWindow(m_last, sample, now - m_lastMs, m_limits)) ++m_quiet;
    else m_quiet = 0;
    m_last = sample;
    m_lastMs = now;
    return m_quiet >= std::max(1, m_limits.quietWindows);
}

}  // namespace velmora
