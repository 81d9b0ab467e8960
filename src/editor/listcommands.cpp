#include "editor/listcommands.h"

#include "store/tasklayout.h"

#include <algorithm>

namespace velmora {

bool moveUp(SettingsStore& store, int k, int lineCount) {
    if (k < 1 || k >= lineCount) return false;
    exchangeTasks(store, k, k + 1);
    return true;
}

bool moveDown(SettingsStore& store, int k, int lineCount) {
    if (k < 0 || k > lineCount - 2) return false;
    exchangeTasks(store, k + 1, k + 2);
    return true;
}

bool moveTask(SettingsStore& store, int from, int to, int lineCount) {
    if (lineCount > kMaxTasks || from == to || from < 0 || to < 0 || from >= lineCount || to >= lineCount)
        return false;
    const int first = std::min(from, to) + 1;
    const int last = std::max(from, to) + 1;
    store.transaction([&] {
        QList<TaskRecord> tasks;
        for (int n = first; n <= last; ++n) tasks.append(readTask(store, n));
        // Down the list the moved task leaves the front of the range for its
        // end; up the list it goes from the end to the front.
        if (from < to) std::rotate(tasks.begin(), tasks.begin() + 1, tasks.end());
        else std::rotate(tasks.begin(), tasks.end() - 1, tasks.end());
        for (int n = first; n <= last; ++n) writeTask(store, n, tasks[n - first]);
    });
    return true;
}

void deleteTask(SettingsStore& store, int number, int count) {
    if (count < 1 || count > kMaxTasks || number < 1 || number > count) return;
    // The same final store as carrying the task to the end one exchange at a
    // time, but each later task is copied once and all of it commits together:
    // a failure half-way leaves the list as it was instead of reordered.
    store.transaction([&] {
        for (int i = number; i < count; ++i) writeTask(store, i, readTask(store, i + 1));
        removeTask(store, count);
    });
}

}  // namespace velmora
