// A logon on this kind of machine: several start-up programs, each doing a
// fixed amount of processor (and optionally disk) work before it is ready,
// started by the real `velmora /run /nodisp /skwait=0` in three lists: all
// without waiting, a fixed wait after each, and until settled; and, as the
// limit, one program started alone. Meanwhile a probe stands in for the user
// at the desktop: a 10 ms piece of work every 100 ms, its delay recorded.
//
// Rounds alternate the lists, so that each figure is compared with its
// neighbours measured moments apart; the figures are medians over the rounds.
//
//   logonstorm [--rounds N] [--programs N] [--cpu-ms MS] [--write-mb MB]
//              [--fixed WAIT] [--settled WAIT]
//       WAIT is a stored "Wait" value; defaults: 5 rounds, 8 programs of
//       600 ms processor work and no disk work, "1" and "10S".
//   logonstorm --program READY CPU_MS WRITE_MB
//       one start-up program: CPU_MS of its own processor time, then
//       WRITE_MB megabytes written and synced, then the monotonic time in
//       nanoseconds written to READY.
#include "store/sqlitestore.h"
#include "store/tasklayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <limits>
#include <map>
#include <optional>
#include <thread>
#include <vector>

namespace {

qint64 monotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

qint64 processCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Arithmetic the compiler cannot drop.
void spin(qint64 iterations) {
    volatile quint64 x = 1;
    for (qint64 i = 0; i < iterations; ++i) x = x * 6364136223846793005ULL + 1442695040888963407ULL;
}

// ---- one start-up program --------------------------------------------------

int runProgram(const QString& ready, qint64 cpuMs, qint64 writeMb) {
    const qint64 until = processCpuNs() + cpuMs * 1000000;
    while (processCpuNs() < until) spin(20000);
    if (writeMb > 0) {
        const QByteArray data = (ready + QStringLiteral(".data")).toLocal8Bit();
        const int fd = ::open(data.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0) return 1;
        std::vector<char> block(1 << 20, 'x');
        for (qint64 i = 0; i < writeMb; ++i) {
            if (::write(fd, block.data(), block.size()) != ssize_t(block.size())) {
                ::close(fd);
                return 1;
            }
        }
        ::fsync(fd);
        ::close(fd);
        ::unlink(data.constData());
    }
    QFile tmp(ready + QStringLiteral(".tmp"));
    if (!tmp.open(QIODevice::WriteOnly)) return 1;
    tmp.write(QByteArray::number(monotonicNs()));
    tmp.close();
    return QFile::rename(tmp.fileName(), ready) ? 0 : 1;
}

// ---- the probe -------------------------------------------------------------

// 10 ms of work on an idle processor, in iterations of spin(): the quickest
// of several tries, the one least disturbed.
qint64 calibrate() {
    constexpr qint64 kTry = 2000000;
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i = 0; i < 7; ++i) {
        const qint64 t0 = monotonicNs();
        spin(kTry);
        best = std::min(best, monotonicNs() - t0);
    }
    return kTry * 10000000 / std::max<qint64>(best, 1);
}

class Probe {
public:
    explicit Probe(qint64 iterations) : m_iterations(iterations) {}

    void start() {
        m_stop = false;
        m_samples.clear();
        m_thread = std::thread([this] { loop(); });
    }
    // The delays of the pieces of work scheduled from `fromNs` to `toNs`, in ms.
    std::vector<double> stop(qint64 fromNs, qint64 toNs) {
        m_stop = true;
        m_thread.join();
        std::vector<double> out;
        for (const auto& [scheduled, delay] : m_samples)
            if (scheduled >= fromNs && scheduled <= toNs) out.push_back(double(delay) / 1e6);
        return out;
    }
    // How long the work takes on an idle processor, in ns.
    void setIdleNs(qint64 ns) { m_idleNs = ns; }

private:
    void loop() {
        qint64 next = monotonicNs();
        while (!m_stop) {
            next += 100000000;
            timespec at{time_t(next / 1000000000), long(next % 1000000000)};
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
            spin(m_iterations);
            const qint64 done = monotonicNs();
            m_samples.emplace_back(next, std::max<qint64>(0, done - next - m_idleNs));
        }
    }

    qint64 m_iterations;
    qint64 m_idleNs = 10000000;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::vector<std::pair<qint64, qint64>> m_samples;
};

// ---- the lists -------------------------------------------------------------

struct Settings {
    int rounds = 5;
    int programs = 8;
    qint64 cpuMs = 600;
    qint64 writeMb = 0;
    QString fixed = QStringLiteral("1");
    QString settled = QStringLiteral("10S");
};

struct ListRun {
    QString name;
    int programs;
    QString wait;
};

struct Figures {
    double firstMs = 0, allMs = 0, probeP95Ms = 0;
    // Of the waits until settled: how many ended settled, how many at the cap.
    int settled = 0, capped = 0;
};

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    return v[i];
}

double median(std::vector<double> v) { return percentile(std::move(v), 0.5); }

class Storm {
public:
    Storm(const Settings& settings, QString self) : m_settings(settings), m_self(std::move(self)) {}

    // One list, from an empty folder: velmora started, every program ready,
    // velmora ended.
    std::optional<Figures> run(const ListRun& list, Probe& probe) {
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("config"));
        QDir().mkpath(config + QStringLiteral("/velmora"));
        QDir().mkpath(dir.filePath(QStringLiteral("runtime")));
        QFile::setPermissions(dir.filePath(QStringLiteral("runtime")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QStringList ready;
        {
            velmora::SqliteStore store(config + QStringLiteral("/velmora/settings.db"));
            store.transaction([&] {
                for (int n = 1; n <= list.programs; ++n) {
                    ready.append(dir.filePath(QStringLiteral("ready.%1").arg(n)));
                    const QString app = QStringLiteral("%1 --program %2 %3 %4")
                                            .arg(m_self, ready.back())
                                            .arg(m_settings.cpuMs)
                                            .arg(m_settings.writeMb);
                    velmora::writeTask(store, n,
                                       {QStringLiteral("Program %1").arg(n), app, list.wait,
                                        QStringLiteral("ABCDEFG"), QStringLiteral("*")});
                }
            });
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("runtime")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));

        // Written data of an earlier list must not be flushed during this one.
        ::sync();
        probe.start();
        QProcess velmora;
        velmora.setProgram(QStringLiteral(VELMORA_BINARY));
        velmora.setArguments(
            {QStringLiteral("/run"), QStringLiteral("/nodisp"), QStringLiteral("/skwait=0")});
        velmora.setProcessEnvironment(env);
        velmora.setStandardOutputFile(QProcess::nullDevice());
        velmora.setStandardErrorFile(dir.filePath(QStringLiteral("velmora.err")));
        const qint64 t0 = monotonicNs();
        velmora.start();
        std::vector<qint64> readyAt;
        // Long enough for every wait to last its cap on a machine that never settles.
        const qint64 giveUp = t0 + (qint64(list.programs) * 60 + 60) * 1000000000;
        while (monotonicNs() < giveUp) {
            readyAt.clear();
            for (const QString& file : ready) {
                QFile f(file);
                if (f.open(QIODevice::ReadOnly)) readyAt.push_back(f.readAll().toLongLong());
            }
            if (readyAt.size() == size_t(list.programs)) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const qint64 allAt = readyAt.empty() ? t0 : *std::max_element(readyAt.begin(), readyAt.end());
        const std::vector<double> delays = probe.stop(t0, allAt);
        velmora.waitForFinished(600000);
        if (readyAt.size() != size_t(list.programs)) {
            std::fprintf(stderr, "logonstorm: %s: only %zu of %d programs got ready\n", qPrintable(list.name),
                         readyAt.size(), list.programs);
            return std::nullopt;
        }
        Figures f;
        f.firstMs = double(*std::min_element(readyAt.begin(), readyAt.end()) - t0) / 1e6;
        f.allMs = double(allAt - t0) / 1e6;
        f.probeP95Ms = percentile(delays, 0.95);
        QFile err(dir.filePath(QStringLiteral("velmora.err")));
        if (err.open(QIODevice::ReadOnly)) {
            const QByteArray said = err.readAll();
            f.settled = int(said.count("the machine settled after"));
            f.capped = int(said.count("the machine did not settle"));
        }
        return f;
    }

private:
    const Settings& m_settings;
    QString m_self;
};

bool parse(const QStringList& args, Settings& s) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (i + 1 >= args.size()) return false;
        const QString v = args[++i];
        if (a == QLatin1String("--rounds")) s.rounds = v.toInt();
        else if (a == QLatin1String("--programs")) s.programs = v.toInt();
        else if (a == QLatin1String("--cpu-ms")) s.cpuMs = v.toLongLong();
        else if (a == QLatin1String("--write-mb")) s.writeMb = v.toLongLong();
        else if (a == QLatin1String("--fixed")) s.fixed = v;
        else if (a == QLatin1String("--settled")) s.settled = v;
        else return false;
    }
    return s.rounds > 0 && s.programs > 0 && s.programs <= velmora::kMaxTasks;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--program"))
        return runProgram(args[2], args[3].toLongLong(), args[4].toLongLong());

    Settings settings;
    if (!parse(args, settings)) {
        std::fprintf(stderr,
                     "usage: logonstorm [--rounds N] [--programs N] [--cpu-ms MS] [--write-mb MB] "
                     "[--fixed WAIT] [--settled WAIT]\n");
        return 2;
    }
    const std::vector<ListRun> lists{
        {QStringLiteral("alone"), 1, QStringLiteral("DW")},
        {QStringLiteral("all without waiting"), settings.programs, QStringLiteral("DW")},
        {QStringLiteral("fixed wait ") + settings.fixed, settings.programs, settings.fixed},
        {QStringLiteral("until settled ") + settings.settled, settings.programs, settings.settled},
    };
    const qint64 iterations = calibrate();
    Probe probe(iterations);
    {
        // The piece of work's own time on an idle processor: what is beyond
        // it is delay.
        qint64 idle = std::numeric_limits<qint64>::max();
        for (int i = 0; i < 5; ++i) {
            const qint64 t0 = monotonicNs();
            spin(iterations);
            idle = std::min(idle, monotonicNs() - t0);
        }
        probe.setIdleNs(idle);
    }
    Storm storm(settings, QCoreApplication::applicationFilePath());
    std::map<QString, std::vector<Figures>> results;
    for (int r = 0; r < settings.rounds; ++r) {
        for (const ListRun& list : lists) {
            if (const auto f = storm.run(list, probe)) {
                results[list.name].push_back(*f);
                std::fprintf(stderr,
                             "round %d, %s: first %.0f ms, all %.0f ms, probe p95 %.1f ms, waits settled %d, "
                             "at the cap %d\n",
                             r + 1, qPrintable(list.name), f->firstMs, f->allMs, f->probeP95Ms, f->settled,
                             f->capped);
            }
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
    }

    std::printf("%d programs of %lld ms processor work%s, medians of %d rounds\n\n", settings.programs,
                static_cast<long long>(settings.cpuMs),
                settings.writeMb > 0
                    ? qPrintable(QStringLiteral(" and %1 MB written and synced").arg(settings.writeMb))
                    : "",
                settings.rounds);
    std::printf("| list | first ready | all ready | probe p95 delay |\n|---|---|---|---|\n");
    std::map<QString, Figures> med;
    for (const ListRun& list : lists) {
        std::vector<double> first, all, p95;
        for (const Figures& f : results[list.name]) {
            first.push_back(f.firstMs);
            all.push_back(f.allMs);
            p95.push_back(f.probeP95Ms);
        }
        med[list.name] = {median(first), median(all), median(p95)};
        std::printf("| %s | %.2f s | %.2f s | %.1f ms |\n", qPrintable(list.name),
                    med[list.name].firstMs / 1000, med[list.name].allMs / 1000, med[list.name].probeP95Ms);
    }
    int settledWaits = 0, cappedWaits = 0;
    for (const Figures& f : results[lists[3].name]) {
        settledWaits += f.settled;
        cappedWaits += f.capped;
    }
    std::printf("\nwaits until settled over all rounds: %d settled, %d at the cap\n", settledWaits,
                cappedWaits);
    const Figures& alone = med[lists[0].name];
    const Figures& all = med[lists[1].name];
    const Figures& settled = med[lists[3].name];
    std::printf(
        "\nuntil settled: first ready %.2f x alone (goal <= 1.3), all ready %.2f x all without waiting "
        "(goal <= 1.25), probe p95 %.2f x all without waiting (goal <= 0.33)\n",
        settled.firstMs / alone.firstMs, settled.allMs / all.allMs,
        all.probeP95Ms > 0 ? settled.probeP95Ms / all.probeP95Ms : 0.0);
    return 0;
}
