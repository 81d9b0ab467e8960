#include "store/tasklayout.h"

#include <cmath>

namespace velmora {

namespace {
const QString kDesc = QStringLiteral("Desc");
const QString kAppPrefix = QStringLiteral("App");
const QString kWait = QStringLiteral("Wait");
const QString kOpt = QStringLiteral("Opt");
const QString kKeys = QStringLiteral("Keys");
}  // namespace

QString taskKey(const QString& prefix, int n) {
    return prefix + QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
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
    return QStringLiteral("999 tasks specified - ") + QChar(13) + QStringLiteral("unable to add ") + refused;
}

long long roundHalfEven(double value) { return std::llrint(std::nearbyint(value)); }

bool isDontWait(const QString& wait) {
    return wait.size() >= 2 && wait.left(2).toUpper() == QLatin1String("DW");
}

double waitMode(const QString& wait) { return isDontWait(wait) ? kDontWait : numericValue(wait); }

QString dateStamp(const QDate& date) { return date.toString(QStringLiteral("ddMMyyyy")); }

QChar weekdayLetter(const QDate& date) { return QChar(u'A' + (date.dayOfWeek() - 1)); }

TaskRecord readTask(const SettingsStore& store, int n) {
    const QStringList v =
        store.readMany(kApp, kSequence,
                       {taskKey(kDesc, n), taskKey(kAppPrefix, n), taskKey(kWait, n),
                        taskKey(kOpt, n), taskKey(kKeys, n)});
    return TaskRecord{v[0], v[1], v[2], v[3], v[4]};
}

void writeTask(SettingsStore& store, int n, const TaskRecord& task, const QString& app) {
    store.transaction([&] {
        store.write(app, kSequence, taskKey(kDesc, n), task.desc);
        store.write(app, kSequence, taskKey(kAppPrefix, n), task.app);
        store.write(app, kSequence, taskKey(kWait, n), task.wait);
        store.write(app, kSequence, taskKey(kOpt, n), task.opt);
        store.write(app, kSequence, taskKey(kKeys, n), task.keys);
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
        for (const QString& prefix : {kDesc, kAppPrefix, kOpt, kWait, kKeys})
            store.remove(kApp, kSequence, taskKey(prefix, n));
    });
}

int firstFreeTask(const SettingsStore& store) {
    for (int n = 1; n <= kMaxTasks; ++n) {
        if (store.read(kApp, kSequence, taskKey(kDesc, n)).isEmpty()) return n;
    }
    return 0;
}

int taskCount(const SettingsStore& store) {
    int n = 0;
    while (n < kMaxTasks && !store.read(kApp, kSequence, taskKey(kDesc, n + 1)).isEmpty()) ++n;
    return n;
}

}  // namespace velmora
