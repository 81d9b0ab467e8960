#pragma once
// "velmora --preview": the launch list as start-up mode would treat it on a
// given date with a given configuration letter, from the same per-task
// decision the runner acts on. Reading only: nothing is started or stamped.

#include "launcher/taskdecision.h"
#include "store/settingsstore.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

namespace velmora {

struct PreviewTask {
    int number = 0;
    QString desc, app, wait;
    TaskDecision decision;
};

struct Preview {
    QDate date;
    // The configuration the runner would use: the letter given, else the
    // stored "DefaultKey" as it is ("" for none).
    QString launchKey;
    bool fromDefaultKey = false;
    QList<PreviewTask> tasks;  // tasks 1 to the first empty "Desc" (at most 999)
};

// `letter` "" stands for no key pressed at the selection window.
Preview makePreview(const SettingsStore& store, const QString& letter, const QDate& date);

// For people: a header naming the day and the configuration, then one line
// per task: number, description, command, wait, and "runs" or "skipped:" with
// the reason the runner's diagnostics give.
QString previewText(const Preview& preview);

// For scripts: the same as one JSON object, with the reasons also as fixed
// words ("other-configuration", "not-on-this-weekday", "already-ran-today")
// and the wait as "waitKind" ("dont-wait", "until-finished", "seconds",
// "until-settled") with "waitSeconds" for the last two: the seconds, or the
// cap of the wait until settled.
QByteArray previewJson(const Preview& preview);

}  // namespace velmora
