#include "launcher/taskdecision.h"

#include "store/tasklayout.h"

#include <QLocale>

#include <limits>

namespace velmora {

TaskDecision decideTask(const QString& keys, const QString& opt, const QString& launchKey,
                        const QDate& date) {
    TaskDecision d;
    if (!launchKey.isEmpty() && !keys.contains(QLatin1Char('*')) && !keys.contains(launchKey))
        d.reason = SkipReason::OtherConfiguration;
    else if (!opt.contains(weekdayLetter(date))) d.reason = SkipReason::NotOnThisWeekday;

    if (opt.contains(kOnceOnlyLetter)) {
        const QString stamp = dateStamp(date);
        if (d.reason == SkipReason::None && opt.left(stamp.size()) == stamp)
            d.reason = SkipReason::AlreadyRanToday;
        QString stamped = stamp;
        for (QChar c : opt) {
            if (isOptLetter(c)) stamped += c;
        }
        d.newOpt = stamped;
    }
    d.runs = d.reason == SkipReason::None;
    return d;
}

QString skipReasonText(SkipReason reason, const QString& launchKey, const QDate& date) {
    switch (reason) {
    case SkipReason::None: return {};
    case SkipReason::OtherConfiguration: return QStringLiteral("not in configuration '%1'").arg(launchKey);
    case SkipReason::NotOnThisWeekday:
        return QStringLiteral("not on %1").arg(QLocale::c().dayName(date.dayOfWeek()));
    case SkipReason::AlreadyRanToday: return QStringLiteral("already ran today (once only)");
    }
    return {};
}

WaitKind waitKind(double mode) {
    // Negative values other than the don't-wait code are written by no
    // editor; a negative wait cannot be timed, so they do not wait either.
    if (mode < 0) return WaitKind::DontWait;
    if (mode == 0) return WaitKind::UntilFinished;
    return WaitKind::Seconds;
}

TaskWait taskWait(const QString& wait) {
    if (const std::optional<double> cap = settleCap(wait)) return {WaitKind::UntilSettled, *cap};
    const double mode = waitMode(wait);
    const WaitKind kind = waitKind(mode);
    return {kind, kind == WaitKind::Seconds ? mode : 0};
}

QString secondsText(double seconds) { return QString::number(seconds, 'g', 15); }

int timerMilliseconds(double seconds) {
    constexpr int kLongest = std::numeric_limits<int>::max();
    const double ms = seconds * 1000.0 + 0.5;
    // Also what is not a number at all.
    if (!(ms >= 1)) return 0;
    return ms >= double(kLongest) ? kLongest : int(ms);
}

}  // namespace velmora
