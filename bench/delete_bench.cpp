// Deleting the first of 999 tasks: every later task moves up one number, all
// of it in one transaction against a store file. The target is under 100 ms.
#include "editor/listcommands.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace velmora;

TaskRecord sampleTask(int n) {
    return {QStringLiteral("Task %1").arg(n), QStringLiteral("/usr/bin/true --n %1").arg(n),
            QStringLiteral("DW"), QStringLiteral("08121996ABCDEFGO"), QStringLiteral("*")};
}

void BM_DeleteFirstOf999(benchmark::State& state) {
    QTemporaryDir dir;
    SqliteStore store(dir.path() + QStringLiteral("/settings.db"));
    store.transaction([&] {
        for (int n = 1; n <= kMaxTasks; ++n) writeTask(store, n, sampleTask(n));
    });
    for (auto _ : state) {
        deleteTask(store, 1, kMaxTasks);
        state.PauseTiming();
        // Back to a full list for the next round.
        writeTask(store, kMaxTasks, sampleTask(kMaxTasks));
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteFirstOf999)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
