#pragma once
// Where the launch list and the global settings live in the settings store,
// and how their texts read. Every part that touches a task goes through here.

#include "store/settingsstore.h"

#include <QDate>
#include <QString>
#include <QStringList>

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

// "Desc" and 12 give "Desc012".
QString taskKey(const QString& prefix, int n);

// The leading number of a text: blanks skipped, optional sign, digits with an
// optional decimal fraction; 0 when the text does not begin with a number.
double numericValue(const QString& text);

// Rounds halves to the even neighbour, as the stored numbers have always been read.
long long roundHalfEven(double value);

// The wait mode of a stored "Wait" text: kDontWait when its first two
// characters are "DW" in any case, else its numeric value (0: until finished,
// anything else: that many seconds).
inline constexpr double kDontWait = -1;
double waitMode(const QString& wait);
bool isDontWait(const QString& wait);

// 8 December 1996 gives "08121996".
QString dateStamp(const QDate& date);
// Monday "A" ... Sunday "G".
QChar weekdayLetter(const QDate& date);

// The five stored values of one task.
struct TaskRecord {
    QString desc, app, wait, opt, keys;
    bool operator==(const TaskRecord&) const = default;
};

// Reads all five values of task n in one go (missing ones are empty).
TaskRecord readTask(const SettingsStore& store, int n);

// Writes all five values of task n as one transaction, in the order
// Desc, App, Wait, Opt, Keys, under application `app`.
void writeTask(SettingsStore& store, int n, const TaskRecord& task, const QString& app = kApp);

// Exchanges all five values of tasks a and b in one transaction.
void exchangeTasks(SettingsStore& store, int a, int b);

// Removes the five values of task n in one transaction.
void removeTask(SettingsStore& store, int n);

// The first task number 1..999 whose "Desc" reads empty, or 0 when all are taken.
int firstFreeTask(const SettingsStore& store);

// Number of tasks of the list: those before the first empty "Desc" (at most 999).
int taskCount(const SettingsStore& store);

}  // namespace velmora
