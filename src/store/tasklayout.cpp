#include "store/tasklayout.h"

#include <cmath>

namespace velmora {

namespace {

// The one place that spells the stored names of a task's values.
QString prefixOf(TaskField field) {
    switch (field) {
    case TaskField::Desc: return QStringLiteral("Desc");
    case TaskField::App: return QStringLiteral("App");
    case TaskField::Wait: return QStringLiteral("Wait");
    case TaskField::Opt: return QStringLiteral("Opt");
    case TaskField::Keys: return QStringLiteral("Keys");
    }
    return {};
}

template <typename Record>
auto& valueOf(Record& task, TaskField field) {
    switch (field) {
    case TaskField::Desc: return task.desc;
    case TaskField::App: return task.app;
    case TaskField::Wait: return task.wait;
    case TaskField::Opt: return task.opt;
    case TaskField::Keys: break;
    }
    return task.keys;
}

}  // namespace

QString taskKey(TaskField field, int n) {
    return prefixOf(field) + QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
}

double numericValue(const QString& text) {
    qsizetype i = 0;
    const qsizetype len = text.size();
    while (i < len && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t'))) ++i;
    bool negative = false;
    if (i < len && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    double value = 0;
    bool any = false;
    while (i < len && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
        value = value * 10 + (text[i].unicode() - '0');
        any = true;
        ++i;
    }
    if (i < len && text[i] == QLatin1Char('.')) {
        ++i;
        double scale = 0.1;
        while (i < len && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
            value += (text[i].unicode() - '0') * scale;
            scale /= 10;
            any = true;
            ++i;
        }
    }
    if (!any) return 0;
    return negative ? -value : value;
}

QString listFullMessage(const QString& refused) {
    return QStringLiteral("999 tasks specified - \nunable to add ") + refused;
}

long long roundHalfEven(double value) { return std::llrint(std::nearbyint(value)); }

bool isDontWait(const QString& wait) {
    return wait.size() >= 2 && wait.left(2).toUpper() == QLatin1String("DW");
}

double waitMode(const QString& wait) { return isDontWait(wait) ? kDontWait : numericValue(wait); }

std::optional<double> settleCap(const QString& wait) {
    const qsizetype digits = wait.size() - 1;
    if (digits < 1 || wait[digits].toUpper() != kSettleLetter) return std::nullopt;
    for (qsizetype i = 0; i < digits; ++i) {
        if (wait[i] < QLatin1Char('0') || wait[i] > QLatin1Char('9')) return std::nullopt;
    }
    const double cap = numericValue(wait);
    if (cap <= 0) return std::nullopt;
    return cap;
}

QString settleWait(const QString& seconds) { return seconds + kSettleLetter; }

QString dateStamp(const QDate& date) { return date.toString(QStringLiteral("ddMMyyyy")); }

QChar weekdayLetter(const QDate& date) { return kWeekdayLetters[date.dayOfWeek() - 1]; }

bool isOptLetter(QChar c) { return c == kOnceOnlyLetter || kWeekdayLetters.contains(c); }

TaskRecord readTaskFields(const SettingsStore& store, int n, std::initializer_list<TaskField> fields) {
    QStringList keys;
    keys.reserve(qsizetype(fields.size()));
    for (const TaskField field : fields) keys.append(taskKey(field, n));
    const QStringList values = store.readMany(kApp, kSequence, keys);
    TaskRecord task;
    qsizetype i = 0;
    for (const TaskField field : fields) valueOf(task, field) = values[i++];
    return task;
}

TaskRecord readTask(const SettingsStore& store, int n) { return readTaskFields(store, n, kAllTaskFields); }

void writeTaskField(SettingsStore& store, int n, TaskField field, const QString& value) {
    store.write(kApp, kSequence, taskKey(field, n), value);
}

void writeTask(SettingsStore& store, int n, const TaskRecord& task, const QString& app) {
    store.transaction([&] {
        for (const TaskField field : kAllTaskFields)
            store.write(app, kSequence, taskKey(field, n), valueOf(task, field));
    });
}

void exchangeTasks(SettingsStore& store, int a, int b) {
    store.transaction([&] {
        const TaskRecord ta = readTask(store, a);
        const TaskRecord tb = readTask(store, b);
        writeTask(store, a, tb);
        writeTask(store, b, ta);
    });
}

void removeTask(SettingsStore& store, int n) {
    store.transaction([&] {
        for (const TaskField field : kAllTaskFields) store.remove(kApp, kSequence, taskKey(field, n));
    });
}

int walkTasks(const SettingsStore& store, std::initializer_list<TaskField> fields, const TaskVisitor& visit) {
    QList<TaskField> wanted{TaskField::Desc};
    for (const TaskField field : fields)
        if (field != TaskField::Desc) wanted.append(field);
    QStringList keys;
    int n = 1;
    for (; n <= kMaxTasks; ++n) {
        keys.clear();
        for (const TaskField field : wanted) keys.append(taskKey(field, n));
        const QStringList values = store.readMany(kApp, kSequence, keys);
        if (values[0].isEmpty()) break;
        TaskRecord task;
        for (qsizetype i = 0; i < wanted.size(); ++i) valueOf(task, wanted[i]) = values[i];
        if (!visit(n, task)) return n;
    }
    return n - 1;
}

QList<TaskRecord> readTaskList(const SettingsStore& store) {
    QList<TaskRecord> tasks;
    walkTasks(store, kAllTaskFields, [&](int, const TaskRecord& task) {
        tasks.append(task);
        return true;
    });
    return tasks;
}

int taskCount(const SettingsStore& store) {
    return walkTasks(store, {}, [](int, const TaskRecord&) { return true; });
}

int firstFreeTask(const SettingsStore& store) {
    const int count = taskCount(store);
    return count < kMaxTasks ? count + 1 : 0;
}

}  // namespace velmora
