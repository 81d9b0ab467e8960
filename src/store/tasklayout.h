#pragma once
// Where the launch list and the global settings live in the settings store,
// and how their texts read. Every part that touches a task goes through here.

#include "store/settingsstore.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <optional>

namespace velmora {

inline const QString kApp = QStringLiteral("StartUp");
// The task editor has always spelled the application this way; names compare
// without case, so both address the same values.
inline const QString kAppEditor = QStringLiteral("Startup");
inline const QString kSequence = QStringLiteral("Sequence");
inline const QString kWindow = QStringLiteral("Window");
inline const QString kDefaultKey = QStringLiteral("DefaultKey");
inline const QString kInstalled = QStringLiteral("Installed");
inline const QString kLocation = QStringLiteral("Location");
inline const QString kLocation2 = QStringLiteral("Location2");

inline constexpr int kMaxTasks = 999;

// The message for what finds all kMaxTasks numbers taken: "999 tasks
// specified - " CR "unable to add " and `refused` ("another one." for a new
// task, a file's name for Install).
QString listFullMessage(const QString& refused);

// The five values a task is stored as, each under its own key.
enum class TaskField { Desc, App, Wait, Opt, Keys };
// Desc and 12 give "Desc012", Keys and 7 "Keys007".
QString taskKey(TaskField field, int n);

// The leading number of a text: blanks skipped, optional sign, digits with an
// optional decimal fraction; 0 when the text does not begin with a number.
double numericValue(const QString& text);

// Rounds halves to the even neighbour, as the stored numbers have always been read.
long long roundHalfEven(double value);

// The wait mode of a stored "Wait" text: kDontWait when its first two
// characters are "DW" in any case, else its numeric value (0: until finished,
// anything else: that many seconds). A wait until settled (below) reads here
// as its cap, which is how every reader that predates it treats it.
inline constexpr double kDontWait = -1;
double waitMode(const QString& wait);
bool isDontWait(const QString& wait);

// The wait until the machine has settled, at most a number of seconds, is
// stored as that number followed by "S": "30S" (leading zeros as typed; "s"
// reads the same). No writer of the three older modes puts a letter after
// digits, so none of their values reads as it; and a reader that knows only
// those modes takes the leading number and waits the cap as a fixed number of
// seconds, never forever and never less than the cap allows.
inline constexpr QChar kSettleLetter = u'S';
// The cap of a wait until settled: set only for digits followed by "S" or
// "s" and nothing else, with a value above 0. "0S", "S30", " 30S", "30 S" and
// "30SS" are no such wait and read as waitMode() says.
std::optional<double> settleCap(const QString& wait);
// The stored "Wait" of a wait until settled of at most `seconds` as typed
// ("30" gives "30S").
QString settleWait(const QString& seconds);

// The option letters of "Opt": "A" (Monday) to "G" (Sunday) for the days a
// task runs on, in that order, and "O" for once a day. Whatever else "Opt"
// holds (the date stamp of a once-only task) is no option.
inline const QString kWeekdayLetters = QStringLiteral("ABCDEFG");
inline constexpr QChar kOnceOnlyLetter = u'O';
bool isOptLetter(QChar c);

// 8 December 1996 gives "08121996".
QString dateStamp(const QDate& date);
// The letter of the date's weekday: Monday "A" ... Sunday "G".
QChar weekdayLetter(const QDate& date);

// The five stored values of one task.
struct TaskRecord {
    QString desc, app, wait, opt, keys;
    bool operator==(const TaskRecord&) const = default;
};

inline constexpr std::initializer_list<TaskField> kAllTaskFields = {
    TaskField::Desc, TaskField::App, TaskField::Wait, TaskField::Opt, TaskField::Keys};

// Reads all five values of task n in one go (missing ones are empty).
TaskRecord readTask(const SettingsStore& store, int n);
// Reads only the named values of task n in one go; the others stay empty.
TaskRecord readTaskFields(const SettingsStore& store, int n, std::initializer_list<TaskField> fields);
// Writes one value of task n under application kApp.
void writeTaskField(SettingsStore& store, int n, TaskField field, const QString& value);

// Writes all five values of task n as one transaction, in the order
// Desc, App, Wait, Opt, Keys, under application `app`.
void writeTask(SettingsStore& store, int n, const TaskRecord& task, const QString& app = kApp);

// Exchanges all five values of tasks a and b in one transaction.
void exchangeTasks(SettingsStore& store, int a, int b);

// Removes the five values of task n in one transaction.
void removeTask(SettingsStore& store, int n);

// The launch list is tasks 1, 2, ... up to the first whose "Desc" reads empty,
// 999 at the most. Walks it in order: for each task, "Desc" and the named
// `fields` are read in one go and handed to `visit` (values not named stay
// empty); `visit` returning false ends the walk. A task is read only when its
// turn comes, so `visit` may write the store, and a StoreError ends the walk
// and propagates. Returns the number of tasks visited.
using TaskVisitor = std::function<bool(int n, const TaskRecord& task)>;
int walkTasks(const SettingsStore& store, std::initializer_list<TaskField> fields, const TaskVisitor& visit);

// Every task of the list with all five values, in order.
QList<TaskRecord> readTaskList(const SettingsStore& store);

// The first task number 1..999 whose "Desc" reads empty, or 0 when all are taken.
int firstFreeTask(const SettingsStore& store);

// Number of tasks of the list.
int taskCount(const SettingsStore& store);

}  // namespace velmora
