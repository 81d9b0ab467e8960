// `velmora --preview` over a full list of 999 tasks, as a whole process with
// no display (start, store read, decision, printing, exit), against the floor
// of starting the same program for --version; and the preview's own part
// in-process over the same SQLite store. On a shared machine the wall time
// mostly measures waiting for a processor, so each whole-process figure also
// reports the processor time the child itself used ("child_cpu_ms").
#include "launcher/preview.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

using namespace velmora;

// A configuration home whose store holds 999 tasks of mixed kinds.
struct FullList {
    FullList() {
        SqliteStore store(path());
        store.transaction([&] {
            store.write(kApp, kSequence, kDefaultKey, QStringLiteral("b"));
            for (int n = 1; n <= kMaxTasks; ++n) {
                writeTask(store, n,
                          {QStringLiteral("Task %1").arg(n), QStringLiteral("/usr/bin/true --task %1").arg(n),
                           n % 3 ? QStringLiteral("DW") : QStringLiteral("30"),
                           n % 2 ? QStringLiteral("08122026ABCDEO") : QStringLiteral("ABCDEFG"),
                           n % 5 ? QStringLiteral("*") : QStringLiteral("a")});
            }
        });
    }
    QString configHome() const { return dir.path(); }
    QString path() const { return dir.path() + QStringLiteral("/velmora/settings.db"); }
    QTemporaryDir dir;
};

// Processor time, user and system, of all children waited for so far.
double childCpuMs() {
    rusage r{};
    ::getrusage(RUSAGE_CHILDREN, &r);
    return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e3 + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e3;
}

void runVelmora(benchmark::State& state, const QString& configHome, const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QLatin1String(var));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    const double cpuBefore = childCpuMs();
    for (auto _ : state) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(QStringLiteral(VELMORA_BINARY), args);
        if (!p.waitForFinished(10000) || p.exitCode() != 0) {
            state.SkipWithError("velmora failed");
            break;
        }
    }
    state.counters["child_cpu_ms"] = (childCpuMs() - cpuBefore) / double(state.iterations());
}

void BM_PreviewProcess999Tasks(benchmark::State& state, const char* format) {
    FullList list;
    QStringList args{QStringLiteral("--preview"), QStringLiteral("--date"), QStringLiteral("2026-12-08")};
    if (*format) args.append(QLatin1String(format));
    runVelmora(state, list.configHome(), args);
}
BENCHMARK_CAPTURE(BM_PreviewProcess999Tasks, text, "")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PreviewProcess999Tasks, json, "--json")->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: the same program started and ended without touching the store.
void BM_VersionProcess(benchmark::State& state) {
    QTemporaryDir empty;
    runVelmora(state, empty.path(), {QStringLiteral("--version")});
}
BENCHMARK(BM_VersionProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PreviewInProcess999Tasks(benchmark::State& state) {
    FullList list;
    const SqliteStore store(list.path(), StoreAccess::ReadOnly);
    for (auto _ : state) {
        const QString text = previewText(makePreview(store, QString(), QDate(2026, 12, 8)));
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_PreviewInProcess999Tasks)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
