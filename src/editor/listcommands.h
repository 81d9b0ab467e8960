#pragma once
// The store side of the list commands of the main window: moving a task one
// place up or down or to any other place, and deleting a task while the list
// stays contiguous. No windows; the caller beeps, asks and redraws.

#include "store/settingsstore.h"

namespace velmora {

// Moves the task of selected line `k` (from 0; -1 for no selection) one place
// earlier by exchanging it with the task above, all five values in one
// transaction. False, with the store untouched, when nothing is selected, the
// first line is, or `k` is not a line of a list of `lineCount` lines.
bool moveUp(SettingsStore& store, int k, int lineCount);

// Moves the task of selected line `k` one place later, exchanging it with the
// task below in one transaction. False, with the store untouched, when nothing
// is selected, the last line is, or `k` is not a line of the list.
bool moveDown(SettingsStore& store, int k, int lineCount);

// Moves the task of line `from` (from 0) to line `to` of a list of
// `lineCount` lines, as dropping it there puts it: the tasks between move one
// place towards `from`, each with all five of its values (date stamps travel
// with their task), and all of it is one transaction. False, with the store
// untouched, when `from` equals `to` or either is not a line of the list.
bool moveTask(SettingsStore& store, int from, int to, int lineCount);

// Deletes task `number` of a list of `count` tasks in one transaction: every
// later task moves one number up with all five of its values (date stamps
// travel with their task) and the five values of number `count` are removed.
// Numbers outside 1..count, or a count outside 1..999, leave the store untouched.
void deleteTask(SettingsStore& store, int number, int count);

}  // namespace velmora
