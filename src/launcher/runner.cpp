#include "launcher/runner.h"

#include "launcher/taskdecision.h"
#include "store/busyguard.h"
#include "store/tasklayout.h"

#include <algorithm>

namespace velmora {

namespace {
const QChar kNewline(u'\n');
const QString kCaption = QStringLiteral("Velmora");
}  // namespace

QString launchHeader(const QString& launchKey) {
    if (launchKey.isEmpty()) return QStringLiteral("Launching Startup tasks:") + kNewline;
    return QStringLiteral("Launching Configuration '") + launchKey.toUpper() + QLatin1Char('\'') + kNewline;
}

TaskRunner::TaskRunner(SettingsStore& store, ProcessLauncher& launcher, RunnerView& view, SecondsWait& wait,
                       const Clock& clock, Diagnostics diagnostics)
    : m_store(store),
      m_launcher(launcher),
      m_view(view),
      m_wait(wait),
      m_ownSettle(std::make_unique<KernelSettle>()),
      m_settle(*m_ownSettle),
      m_clock(clock),
      m_diag(std::move(diagnostics)) {}

TaskRunner::TaskRunner(SettingsStore& store, ProcessLauncher& launcher, RunnerView& view, SecondsWait& wait,
                       SettleDetector& settle, const Clock& clock, Diagnostics diagnostics)
    : m_store(store),
      m_launcher(launcher),
      m_view(view),
      m_wait(wait),
      m_settle(settle),
      m_clock(clock),
      m_diag(std::move(diagnostics)) {}

void TaskRunner::waitUntilSettled(int n, const QString& desc, double cap) {
    const qint64 capMs = timerMilliseconds(cap);
    // Judged from the start on: the program's own first work is what the
    // next one must not fight with.
    m_settle.restart();
    for (;;) {
        const qint64 left = capMs - m_settle.elapsedMs();
        if (left <= 0) {
            report(Priority::Info, n, desc,
                   QStringLiteral("the machine did not settle within %1 seconds").arg(secondsText(cap)));
            return;
        }
        if (m_wait.waitUpTo(int(std::min<qint64>(std::max(1, m_settle.windowMs()), left)))) {
            report(Priority::Info, n, desc, QStringLiteral("the wait until settled was ended early"));
            return;
        }
        if (m_settle.settled()) {
            report(Priority::Info, n, desc,
                   QStringLiteral("the machine settled after %1 seconds")
                       .arg(QString::number(double(m_settle.elapsedMs()) / 1000.0, 'f', 1)));
            return;
        }
    }
}

void TaskRunner::report(Priority priority, int n, const QString& desc, const QString& what) const {
    if (m_diag) m_diag(priority, QStringLiteral("velmora: task %1 \"%2\": %3").arg(n).arg(desc, what));
}

void TaskRunner::startWithFallback(int n, const QString& desc, const QString& app) {
    const LaunchResult direct = m_launcher.startDetached(app);
    if (direct.ok) {
        report(Priority::Info, n, desc, QStringLiteral("started"));
        return;
    }
    if (direct.desktopEntry) {
        // Opening it as a document would refuse it again for the same reason.
        report(Priority::Notice, n, desc, QStringLiteral("not started: %1").arg(direct.error));
        return;
    }
    const LaunchResult doc = m_launcher.openDocument(app);
    if (doc.ok) {
        report(Priority::Info, n, desc, QStringLiteral("opened as a document (%1)").arg(direct.error));
    } else {
        report(Priority::Error, n, desc,
               QStringLiteral("could not be started: %1; not opened as a document either: %2")
                   .arg(direct.error, doc.error));
    }
}

void TaskRunner::runTasks(RunPurpose purpose, const QString& launchKey) {
    // The caption and the pointer come back on every way out, a store failure included.
    const BusyGuard busy([this](bool on) {
        if (!on) m_view.setCaption(kCaption);
        m_view.setBusyPointer(on);
    });

    const QString header = purpose == RunPurpose::Test ? QStringLiteral("Testing launch list ...") + kNewline
                                                       : launchHeader(launchKey);
    // Shown before the store is read, so that a long first read or an empty
    // list still leaves the window saying what it is for.
    m_view.setStatusText(header);
    m_view.yieldOnce();
    const QDate today = m_clock.today();

    walkTasks(m_store, {TaskField::Keys, TaskField::Opt}, [&](int n, const TaskRecord& head) {
        const QString& desc = head.desc;
        const TaskDecision decision = decideTask(head.keys, head.opt, launchKey, today);
        // A store opened only for reading was reported once when it was
        // opened; a line per once-only task would say nothing new.
        if (decision.newOpt && m_store.writable()) {
            // Stamped on every pass, launched or not: a once-only task that
            // this configuration excluded counts as done for today as well.
            try {
                writeTaskField(m_store, n, TaskField::Opt, *decision.newOpt);
            } catch (const StoreError& e) {
                // The rest of the list matters more at logon than the stamp:
                // say so and go on; the task may then run again today.
                report(Priority::Warning, n, desc,
                       QStringLiteral("could not record today's run: %1").arg(e.text()));
            }
        }
        if (!decision.runs) {
            report(Priority::Notice, n, desc,
                   QStringLiteral("skipped: ") + skipReasonText(decision.reason, launchKey, today));
            return true;
        }

        m_view.setCaption(QStringLiteral("Velmora: Launching ") + desc);
        const QString taskLines = header + desc + kNewline;
        m_view.setStatusText(taskLines);
        m_view.yieldOnce();

        const TaskRecord tail = readTaskFields(m_store, n, {TaskField::Wait, TaskField::App});
        const TaskWait wait = taskWait(tail.wait);
        const QString& app = tail.app;

        const WaitKind kind = wait.kind;
        if (kind == WaitKind::DontWait) {
            startWithFallback(n, desc, app);
        } else if (kind == WaitKind::UntilFinished) {
            m_view.setStatusText(taskLines + QStringLiteral("Waiting for completion ..."));
            m_view.yieldOnce();
            const LaunchResult r = m_launcher.startAndWait(app);
            if (r.ok) report(Priority::Info, n, desc, QStringLiteral("started and finished"));
            else report(Priority::Error, n, desc, QStringLiteral("could not be started: %1").arg(r.error));
        } else if (kind == WaitKind::UntilSettled) {
            // Begun before its line is shown, as a seconds-wait is.
            m_wait.begin();
            m_view.setStatusText(
                taskLines + QStringLiteral("Waiting until settled, at most ") + secondsText(wait.seconds) +
                (wait.seconds == 1 ? QStringLiteral(" second ...") : QStringLiteral(" seconds ...")));
            m_view.yieldOnce();
            startWithFallback(n, desc, app);
            waitUntilSettled(n, desc, wait.seconds);
        } else {
            // Begun before its line is shown: Enter counts from the moment
            // the user can read what it ends. The seconds count from the start.
            m_wait.begin();
            m_view.setStatusText(taskLines + QStringLiteral("Waiting for ") + secondsText(wait.seconds) +
                                 QStringLiteral(" seconds ..."));
            m_view.yieldOnce();
            startWithFallback(n, desc, app);
            m_wait.waitUpTo(timerMilliseconds(wait.seconds));
        }
        return true;
    });
}

}  // namespace velmora
