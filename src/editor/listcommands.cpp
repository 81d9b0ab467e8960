#include "editor/listcommands.h"

#include "store/tasklayout.h"

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
