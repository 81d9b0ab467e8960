#include "launcher/runner.h"

#include "store/tasklayout.h"

#include <QLocale>

#include <limits>

namespace velmora {

namespace {
const QChar kCR(13);
const QString kCaption = QStringLiteral("Velmora");

QString formatSeconds(double seconds) {
    // A plain number: "30", or "2.5" for a fraction someone stored by hand.
    return QString::number(seconds, 'g', 15);
}

// A timer cannot be armed for longer than about 24.8 days; a hand-stored wait
// beyond that (or one too long to be a number at all) waits that long rather
// than overflowing into a short or undefined interval.
qint64 waitMilliseconds(double seconds) {
    constexpr double kLongest = std::numeric_limits<int>::max();
    const double ms = seconds * 1000.0 + 0.5;
    return ms >= kLongest ? qint64(kLongest) : qint64(ms);
}
}  // namespace

QString launchHeader(const QString& launchKey) {
    if (launchKey.isEmpty()) return QStringLiteral("Launching Startup tasks:") + kCR;
    return QStringLiteral("Launching Configuration '") + launchKey.toUpper() + QLatin1Char('\'') + kCR;
}

TaskRunner::TaskRunner(SettingsStore& store, LauncherState& state, ProcessLauncher& launcher,
                       RunnerView& view, KeyWaiter& waiter, const Clock& clock,
                       Diagnostics diagnostics)
    : m_store(store),
      m_state(state),
      m_launcher(launcher),
      m_view(view),
      m_waiter(waiter),
      m_clock(clock),
      m_diag(std::move(diagnostics)) {}

void TaskRunner::report(int n, const QString& desc, const QString& what) const {
    if (m_diag) m_diag(QStringLiteral("velmora: task %1 \"%2\": %3").arg(n).arg(desc, what));
}

void TaskRunner::startWithFallback(int n, const QString& desc, const QString& app) {
    const LaunchResult direct = m_launcher.startDetached(app);
    if (direct.ok) {
        report(n, desc, QStringLiteral("started"));
        return;
    }
    if (direct.desktopEntry) {
        // Opening it as a document would refuse it again for the same reason.
        report(n, desc, QStringLiteral("not started: %1").arg(direct.error));
        return;
    }
    const LaunchResult doc = m_launcher.openDocument(app);
    if (doc.ok) {
        report(n, desc, QStringLiteral("opened as a document (%1)").arg(direct.error));
    } else {
        report(n, desc,
               QStringLiteral("could not be started: %1; not opened as a document either: %2")
                   .arg(direct.error, doc.error));
    }
}

void TaskRunner::RunTasks() {
    m_view.setBusyPointer(true);
    // Restore the caption and pointer on every way out, a store failure included.
    struct Restore {
        RunnerView& view;
        ~Restore() {
            view.setCaption(kCaption);
            view.setBusyPointer(false);
        }
    } restore{m_view};

    const QString header = m_view.statusText();
    const QDate today = m_clock.today();
    const QString stamp = dateStamp(today);
    const QString letter = QString(weekdayLetter(today));
    const QString& launchKey = m_state.LaunchKey();

    for (int n = 1; n <= kMaxTasks; ++n) {
        const QStringList head = m_store.readMany(
            kApp, kSequence,
            {taskKey(QStringLiteral("Desc"), n), taskKey(QStringLiteral("Keys"), n),
             taskKey(QStringLiteral("Opt"), n)});
        const QString& desc = head[0];
        if (desc.isEmpty()) break;
        const QString& keys = head[1];
        const QString& opt = head[2];

        bool run = true;
        QString why;
        if (!launchKey.isEmpty() && !keys.contains(QLatin1Char('*')) && !keys.contains(launchKey)) {
            run = false;
            why = QStringLiteral("skipped: not in configuration '%1'").arg(launchKey);
        }
        if (!opt.contains(letter)) {
            run = false;
            if (why.isEmpty())
                why = QStringLiteral("skipped: not on %1")
                          .arg(QLocale::c().dayName(today.dayOfWeek()));
        }
        if (opt.contains(QLatin1Char('O'))) {
            if (opt.left(8) == stamp) {
                run = false;
                if (why.isEmpty()) why = QStringLiteral("skipped: already ran today (once only)");
            }
            QString stamped = stamp;
            for (QChar c : opt) {
                if (c == QLatin1Char('O') || (c >= QLatin1Char('A') && c <= QLatin1Char('G')))
                    stamped += c;
            }
            // Stamped on every pass, launched or not: a once-only task that
            // this configuration excluded counts as done for today as well.
            try {
                m_store.write(kApp, kSequence, taskKey(QStringLiteral("Opt"), n), stamped);
            } catch (const StoreError& e) {
                // The rest of the list matters more at logon than the stamp:
                // say so and go on; the task may then run again today.
                report(n, desc,
                       QStringLiteral("could not record today's run: %1")
                           .arg(QString::fromStdString(e.what())));
            }
        }
        if (!run) {
            report(n, desc, why);
            continue;
        }

        m_view.setCaption(QStringLiteral("Velmora: Launching ") + desc);
        m_view.setStatusText(header + desc + kCR);
        m_view.yieldOnce();

        const QStringList tail = m_store.readMany(
            kApp, kSequence, {taskKey(QStringLiteral("Wait"), n), taskKey(QStringLiteral("App"), n)});
        const double mode = waitMode(tail[0]);
        const QString& app = tail[1];

        // Negative values other than the don't-wait code are written by no
        // editor; a negative wait cannot be timed, so they do not wait either.
        if (mode < 0) {
            startWithFallback(n, desc, app);
        } else if (mode == 0) {
            m_view.setStatusText(m_view.statusText() + QStringLiteral("Waiting for completetion ..."));
            m_view.yieldOnce();
            const LaunchResult r = m_launcher.startAndWait(app);
            report(n, desc, r.ok ? QStringLiteral("started and finished")
                                 : QStringLiteral("could not be started: %1").arg(r.error));
        } else {
            m_waiter.stopTimer();
            m_state.setKeyWait(true);
            m_view.setStatusText(m_view.statusText() + QStringLiteral("Waiting for ") +
                                 formatSeconds(mode) + QStringLiteral(" seconds ..."));
            m_view.yieldOnce();
            startWithFallback(n, desc, app);
            m_waiter.startTimer(waitMilliseconds(mode));
            m_waiter.waitWhileKeyWait();
            m_waiter.stopTimer();
        }
    }
}

}  // namespace velmora
