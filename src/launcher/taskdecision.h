#pragma once
// Whether one task runs at a start-up, as a pure function of its "Keys" and
// "Opt", the active launch configuration and the date. The runner acts on it
// and the preview prints it, so the two cannot disagree.

#include <QDate>
#include <QString>

#include <optional>

namespace velmora {

enum class SkipReason {
    None,                // the task runs
    OtherConfiguration,  // a configuration is active and "Keys" holds neither it nor "*"
    NotOnThisWeekday,    // "Opt" lacks the date's weekday letter
    AlreadyRanToday,     // once only, and "Opt" is stamped with this very date
};

struct TaskDecision {
    bool runs = false;
    // Why it does not run. Where several reasons apply, the first in the
    // order configuration, weekday, once only.
    SkipReason reason = SkipReason::None;
    // The "Opt" to store for a once-only task ("O" in "Opt"), whether it runs
    // or not: the date's stamp followed by the option letters "A" to "G" and
    // "O" of the old value in their order. Empty for every other task, whose
    // "Opt" is never written.
    std::optional<QString> newOpt;

    bool operator==(const TaskDecision&) const = default;
};

// `launchKey` "" lets every task pass the configuration test; both the
// configuration and the weekday tests are case-sensitive. A once-only task is
// skipped only when the first eight characters of "Opt" are the whole stamp
// of `date`: the same day and month of another year is another day.
TaskDecision decideTask(const QString& keys, const QString& opt, const QString& launchKey, const QDate& date);

// The reason in words, as diagnostics and the preview show it: "not in
// configuration 'b'", "not on Tuesday", "already ran today (once only)";
// empty for SkipReason::None.
QString skipReasonText(SkipReason reason, const QString& launchKey, const QDate& date);

// How the runner treats a wait mode (see waitMode()): a negative value does
// not wait, 0 waits until the program has ended, anything else that many
// seconds. UntilSettled comes only from a stored text (taskWait()): it waits
// until the machine has settled, at most a number of seconds.
enum class WaitKind { DontWait, UntilFinished, Seconds, UntilSettled };
WaitKind waitKind(double mode);

// How the runner treats a stored "Wait": a wait until settled (settleCap())
// with its cap, else the kind of its waitMode() with the seconds of a
// seconds-wait. `seconds` is 0 for the kinds that have none.
struct TaskWait {
    WaitKind kind = WaitKind::UntilFinished;
    double seconds = 0;
    bool operator==(const TaskWait&) const = default;
};
TaskWait taskWait(const QString& wait);

// A number of seconds as a plain number: "30", or "2.5" for a fraction
// someone stored by hand.
QString secondsText(double seconds);

// A wait of `seconds` as a timer interval: milliseconds rounded to the
// nearest, never below 0, and never longer than a timer can be armed for
// (about 24.8 days), so that a hand-stored wait beyond that, or one too long
// to be a number at all, waits that long instead of overflowing into a short
// or undefined interval. The waits of a run and the selection wait are armed
// with it.
int timerMilliseconds(double seconds);

}  // namespace velmora
