// Settings store: one lookup, one committed write, and reading a whole task in
// one statement, against the same store file.
#include "store/sqlitestore.h"
#include "store/tasklayout.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace velmora;

struct Fixture {
    QTemporaryDir dir;
    SqliteStore store{dir.path() + QStringLiteral("/settings.db")};
    Fixture() {
        for (int n = 1; n <= 999; ++n)
            writeTask(store, n,
                      {QStringLiteral("Task %1").arg(n), QStringLiteral("/usr/bin/true"),
                       QStringLiteral("DW"), QStringLiteral("ABCDEFG"), QStringLiteral("*")});
    }
};

void BM_ReadOneValue(benchmark::State& state) {
    Fixture f;
    int n = 0;
    for (auto _ : state) {
        n = n % 999 + 1;
        benchmark::DoNotOptimize(f.store.read(kApp, kSequence, taskKey(TaskField::Desc, n)));
    }
}
BENCHMARK(BM_ReadOneValue);

void BM_ReadWholeTask(benchmark::State& state) {
    Fixture f;
    int n = 0;
    for (auto _ : state) {
        n = n % 999 + 1;
        benchmark::DoNotOptimize(readTask(f.store, n));
    }
}
BENCHMARK(BM_ReadWholeTask);

void BM_CommittedWrite(benchmark::State& state) {
    Fixture f;
    int n = 0;
    for (auto _ : state) {
        n = n % 999 + 1;
        f.store.write(kApp, kSequence, taskKey(TaskField::Opt, n), QStringLiteral("10122026ABCDEFGO"));
    }
}
BENCHMARK(BM_CommittedWrite);

void BM_TaskWrittenAsOneTransaction(benchmark::State& state) {
    Fixture f;
    int n = 0;
    for (auto _ : state) {
        n = n % 999 + 1;
        writeTask(f.store, n,
                  {QStringLiteral("Mail"), QStringLiteral("thunderbird"), QStringLiteral("0"),
                   QStringLiteral("ABCDE"), QStringLiteral("ab")});
    }
}
BENCHMARK(BM_TaskWrittenAsOneTransaction);

}  // namespace

BENCHMARK_MAIN();
