// The runner's walk over a full list of 999 once-only tasks: every task is
// read, filtered and stamped; the launcher does nothing, so this measures the
// runner's own cost and the store writes.
#include "launcher/runner.h"
#include "store/memorystore.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace velmora;

struct NullLauncher final : ProcessLauncher {
    LaunchResult startDetached(const QString&) override { return {true, {}}; }
    LaunchResult startAndWait(const QString&) override { return {true, {}}; }
    LaunchResult openDocument(const QString&) override { return {true, {}}; }
};
struct NullView final : RunnerView {
    QString text;
    void setStatusText(const QString& t) override { text = t; }
    void setCaption(const QString&) override {}
    void setBusyPointer(bool) override {}
    void yieldOnce() override {}
};
struct NullWait final : SecondsWait {
    void begin() override {}
    bool waitUpTo(int) override { return false; }
};
struct FixedClock final : Clock {
    QDate day;
    QDate today() const override { return day; }
};

template <typename Store>
void runOnceOnly(benchmark::State& state, Store& store) {
    for (int n = 1; n <= kMaxTasks; ++n)
        writeTask(store, n,
                  {QStringLiteral("Task %1").arg(n), QStringLiteral("true"), QStringLiteral("DW"),
                   QStringLiteral("ABCDEFGO"), QStringLiteral("*")});
    NullLauncher launcher;
    NullView view;
    NullWait wait;
    FixedClock clock;
    clock.day = QDate(2026, 12, 7);
    TaskRunner runner(store, launcher, view, wait, clock);
    for (auto _ : state) {
        // A new day each pass, so every task runs and is stamped again.
        clock.day = clock.day.addDays(1);
        runner.runTasks(RunPurpose::StartUp, QString());
    }
}

void BM_Run999OnceOnlyTasks_Sqlite(benchmark::State& state) {
    QTemporaryDir dir;
    SqliteStore store(dir.path() + QStringLiteral("/settings.db"));
    runOnceOnly(state, store);
}
BENCHMARK(BM_Run999OnceOnlyTasks_Sqlite)->Unit(benchmark::kMillisecond);

void BM_Run999OnceOnlyTasks_Memory(benchmark::State& state) {
    MemoryStore store;
    runOnceOnly(state, store);
}
BENCHMARK(BM_Run999OnceOnlyTasks_Memory)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
