#include "launcher/gui/startupsequence.h"

#include "launcher/gui/launchwindow.h"
#include "launcher/gui/statusview.h"
#include "launcher/gui/waittimer.h"
#include "launcher/hiddenstatus.h"
#include "launcher/taskdecision.h"
#include "store/tasklayout.h"

namespace velmora {

StartupSequence::StartupSequence(SettingsStore& store, ProcessLauncher& launcher, Prompts& prompts,
                                 const Clock& clock, Diagnostics diagnostics, WindowSystem* windowSystem)
    : m_store(store),
      m_launcher(launcher),
      m_prompts(prompts),
      m_clock(clock),
      m_diag(std::move(diagnostics)),
      m_windowSystem(windowSystem) {}

StartupSequence::~StartupSequence() = default;

WindowSystem& StartupSequence::windowSystem() {
    if (!m_windowSystem) {
        m_ownWindowSystem = createWindowSystem();
        m_windowSystem = m_ownWindowSystem.get();
    }
    return *m_windowSystem;
}

void StartupSequence::warn(const QString& line) const {
    if (m_diag) m_diag(Priority::Warning, line);
}

void StartupSequence::unload(LaunchWindow& form) {
    try {
        form.unload();
    } catch (const StoreError& e) {
        // Only the window's position is lost; the launch goes on.
        warn(QStringLiteral("velmora: the window position was not saved: %1").arg(e.text()));
    }
}

StartupSettings StartupSequence::run(const Switches& switches) {
    if (switches.reinstall) {
        try {
            m_store.remove(kApp, kSequence, kInstalled);
        } catch (const StoreError& e) {
            warn(QStringLiteral("velmora: \"Installed\" was not removed: %1").arg(e.text()));
        }
    }
    StartupSettings settings;
    settings.installed = m_store.read(kApp, kSequence, kInstalled).toUpper() == QLatin1String("YES");
    settings.defaultKey = m_store.read(kApp, kSequence, kDefaultKey);
    if (!switches.run) return settings;

    QString launchKey;
    if (switches.skWait > 0) launchKey = selectConfiguration(switches.skWait);
    if (launchKey.isEmpty()) launchKey = settings.defaultKey;
    // The session's activation token was meant for this program's window;
    // a task inheriting it would be activated with a used one.
    windowSystem().forgetActivationTokens();
    launch(launchKey, switches.noDisp);
    return settings;
}

void StartupSequence::launch(const QString& launchKey, bool hidden) {
    WaitTimer wait;
    if (hidden) {
        // A status window that is never shown is never created: with no
        // selection phase either, the run needs no window toolkit at all.
        HiddenStatus status;
        TaskRunner(m_store, m_launcher, status, wait, m_clock, m_diag)
            .runTasks(RunPurpose::StartUp, launchKey);
        return;
    }
    LaunchWindow status(m_store, windowSystem());
    // Enter and the close button end a seconds-wait; letters do nothing now.
    QObject::connect(&status, &LaunchWindow::waitEndRequested, &wait, &WaitTimer::endWait);
    status.show();
    StatusView view(status);
    TaskRunner(m_store, m_launcher, view, wait, m_clock, m_diag).runTasks(RunPurpose::StartUp, launchKey);
    unload(status);
}

QString StartupSequence::selectConfiguration(double skWait) {
    LaunchWindow form(m_store, windowSystem());
    WaitTimer wait;
    QString letter;
    QObject::connect(&form, &LaunchWindow::letterChosen, &wait, [&](const QString& chosen) {
        letter = chosen;
        wait.endWait();
    });
    QObject::connect(&form, &LaunchWindow::waitEndRequested, &wait, &WaitTimer::endWait);
    form.setLabelText(QStringLiteral("\nSelect launch configuration ..."));
    // At logon other programs map windows at the same moment, and the window
    // manager focuses the newest: the letter must reach this window all the same.
    form.showTakingKeyboard();
    m_prompts.beep();

    wait.begin();
    wait.waitUpTo(timerMilliseconds(skWait));
    form.releaseKeyboard();
    unload(form);
    return letter;
}

}  // namespace velmora
