#include "launcher/preview.h"

#include "store/tasklayout.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace velmora {

namespace {

QString waitText(const QString& stored) {
    const TaskWait wait = taskWait(stored);
    switch (wait.kind) {
    case WaitKind::DontWait: return QStringLiteral("do not wait");
    case WaitKind::UntilFinished: return QStringLiteral("wait until finished");
    case WaitKind::Seconds:
        return QStringLiteral("wait %1 %2")
            .arg(secondsText(wait.seconds),
                 wait.seconds == 1 ? QStringLiteral("second") : QStringLiteral("seconds"));
    case WaitKind::UntilSettled:
        return QStringLiteral("wait until settled, at most %1 %2")
            .arg(secondsText(wait.seconds),
                 wait.seconds == 1 ? QStringLiteral("second") : QStringLiteral("seconds"));
    }
    return {};
}

const char* waitWord(WaitKind kind) {
    switch (kind) {
    case WaitKind::DontWait: return "dont-wait";
    case WaitKind::UntilFinished: return "until-finished";
    case WaitKind::Seconds: return "seconds";
    case WaitKind::UntilSettled: return "until-settled";
    }
    return "";
}

const char* reasonWord(SkipReason reason) {
    switch (reason) {
    case SkipReason::None: return "";
    case SkipReason::OtherConfiguration: return "other-configuration";
    case SkipReason::NotOnThisWeekday: return "not-on-this-weekday";
    case SkipReason::AlreadyRanToday: return "already-ran-today";
    }
    return "";
}

QString outcomeText(const Preview& p, const PreviewTask& t) {
    if (t.decision.runs) return QStringLiteral("runs");
    return QStringLiteral("skipped: ") + skipReasonText(t.decision.reason, p.launchKey, p.date);
}

QString dayName(const QDate& date) { return QLocale::c().dayName(date.dayOfWeek()); }

}  // namespace

Preview makePreview(const SettingsStore& store, const QString& letter, const QDate& date) {
    Preview p;
    p.date = date;
    p.fromDefaultKey = letter.isEmpty();
    p.launchKey = p.fromDefaultKey ? store.read(kApp, kSequence, kDefaultKey) : letter;
    walkTasks(store, kAllTaskFields, [&](int n, const TaskRecord& task) {
        p.tasks.append(
            {n, task.desc, task.app, task.wait, decideTask(task.keys, task.opt, p.launchKey, date)});
        return true;
    });
    return p;
}

QString previewText(const Preview& p) {
    QString out = QStringLiteral("Start-up on %1 %2, ").arg(dayName(p.date), p.date.toString(Qt::ISODate));
    if (p.launchKey.isEmpty()) out += QStringLiteral("no configuration (every task's keys match)");
    // As stored and typed (lower case), like the skip reasons and the JSON.
    else out += QStringLiteral("configuration '%1'").arg(p.launchKey);
    if (p.fromDefaultKey) out += QStringLiteral(", as the default key says");
    out += QStringLiteral(":\n");
    if (p.tasks.isEmpty()) out += QStringLiteral("The launch list is empty.\n");
    for (const PreviewTask& t : p.tasks) {
        out += QStringLiteral("%1  \"%2\"  %3  (%4)  %5\n")
                   .arg(QString::number(t.number), t.desc, t.app, waitText(t.wait), outcomeText(p, t));
    }
    return out;
}

QByteArray previewJson(const Preview& p) {
    QJsonArray tasks;
    for (const PreviewTask& t : p.tasks) {
        const TaskWait wait = taskWait(t.wait);
        QJsonObject o{
            {QStringLiteral("number"), t.number},
            {QStringLiteral("description"), t.desc},
            {QStringLiteral("command"), t.app},
            {QStringLiteral("wait"), t.wait},
            {QStringLiteral("waitKind"), QLatin1String(waitWord(wait.kind))},
            {QStringLiteral("runs"), t.decision.runs},
        };
        // The seconds of a seconds-wait, the cap of a wait until settled.
        if (wait.kind == WaitKind::Seconds || wait.kind == WaitKind::UntilSettled)
            o.insert(QStringLiteral("waitSeconds"), wait.seconds);
        if (!t.decision.runs) {
            o.insert(QStringLiteral("skipped"), QLatin1String(reasonWord(t.decision.reason)));
            o.insert(QStringLiteral("reason"), skipReasonText(t.decision.reason, p.launchKey, p.date));
        }
        tasks.append(o);
    }
    const QJsonObject root{
        {QStringLiteral("date"), p.date.toString(Qt::ISODate)},
        {QStringLiteral("weekday"), dayName(p.date)},
        {QStringLiteral("configuration"), p.launchKey},
        {QStringLiteral("fromDefaultKey"), p.fromDefaultKey},
        {QStringLiteral("tasks"), tasks},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

}  // namespace velmora
