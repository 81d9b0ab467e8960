// Fills a settings store with a launch list for the whole-process benchmark,
// through the store's own layout so the figures measure the real format.
//   list_tool STORE N PROGRAM   tasks 1..N: "Task i", PROGRAM, don't wait,
//                                every day, every configuration
#include "store/sqlitestore.h"
#include "store/tasklayout.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: list_tool STORE N PROGRAM\n");
        return 2;
    }
    const int count = QString::fromLocal8Bit(argv[2]).toInt();
    if (count < 0 || count > velmora::kMaxTasks) {
        std::fprintf(stderr, "list_tool: N must be 0 to %d\n", velmora::kMaxTasks);
        return 2;
    }
    try {
        velmora::SqliteStore store(QString::fromLocal8Bit(argv[1]));
        store.transaction([&] {
            for (int n = 1; n <= count; ++n)
                velmora::writeTask(store, n,
                                   {QStringLiteral("Task %1").arg(n), QString::fromLocal8Bit(argv[3]),
                                    QStringLiteral("DW"), QStringLiteral("ABCDEFG"), QStringLiteral("*")});
        });
    } catch (const velmora::StoreError& e) {
        std::fprintf(stderr, "list_tool: %s\n", e.what());
        return 1;
    }
    return 0;
}
