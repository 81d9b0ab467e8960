// refreshList over a full list of 999 tasks: the rebuild of the main window's
// list from the store, including the list's layout of its lines, on the
// offscreen platform. Target: under 50 ms.
#include "editor/gui/mainwindow.h"
#include "editor/gui/tablistwidget.h"
#include "fakes/fakeclock.h"
#include "fakes/fakelauncher.h"
#include "fakes/fakeprompts.h"
#include "store/memorystore.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace velmora;

void fill(SettingsStore& store) {
    const QString waits[] = {QStringLiteral("DW"), QStringLiteral("0"), QStringLiteral("45"),
                             QStringLiteral("43200")};
    store.transaction([&] {
        for (int n = 1; n <= kMaxTasks; ++n)
            writeTask(store, n,
                      {QStringLiteral("Task number %1 of the list").arg(n), QStringLiteral("true"),
                       waits[n % 4], QStringLiteral("ABCDEFG"), QStringLiteral("*")});
    });
}

void refreshList(benchmark::State& state, SettingsStore& store) {
    fill(store);
    testing::FakePrompts prompts;
    testing::FakeLauncher launcher;
    testing::FakeClock clock;
    MainWindow form(store, prompts, launcher, clock, QProcessEnvironment());
    form.show();
    auto* list = form.findChild<TabListWidget*>(QStringLiteral("taskList"));
    if (!list) {
        state.SkipWithError("the main window has no task list");
        return;
    }
    for (auto _ : state) {
        form.refreshList();
        // The layout the view would do before the next paint belongs to the cost.
        list->doItemsLayout();
        benchmark::DoNotOptimize(list->count());
    }
    if (list->count() != kMaxTasks) state.SkipWithError("not every task was listed");
}

void BM_RefreshList999_Memory(benchmark::State& state) {
    MemoryStore store;
    refreshList(state, store);
}
BENCHMARK(BM_RefreshList999_Memory)->Unit(benchmark::kMillisecond);

void BM_RefreshList999_Sqlite(benchmark::State& state) {
    QTemporaryDir dir;
    SqliteStore store(dir.filePath(QStringLiteral("settings.db")));
    refreshList(state, store);
}
BENCHMARK(BM_RefreshList999_Sqlite)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
