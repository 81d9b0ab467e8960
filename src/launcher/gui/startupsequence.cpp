#include "launcher/gui/startupsequence.h"

#include "launcher/gui/keyform.h"
#include "launcher/gui/statusview.h"
#include "launcher/gui/waittimer.h"
#include "launcher/hiddenstatus.h"
#include "store/tasklayout.h"

namespace velmora {

StartupSequence::StartupSequence(SettingsStore& store, LauncherState& state,
                                 ProcessLauncher& launcher, Prompts& prompts, const Clock& clock,
                                 Diagnostics diagnostics, WindowSystem* windowSystem)
    : m_store(store),
      m_state(state),
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

void StartupSequence::unload(KeyForm& form) {
    try {
        form.unload();
    } catch (const StoreError& e) {
        // Only the window's position is lost; the launch goes on.
        warn(QStringLiteral("velmora: the window position was not saved: %1")
                   .arg(e.text()));
    }
}

StartupSettings StartupSequence::run(const Switches& switches) {
    if (switches.reinstall) {
        try {
            m_store.remove(kApp, kSequence, kInstalled);
        } catch (const StoreError& e) {
            warn(QStringLiteral("velmora: \"Installed\" was not removed: %1")
                       .arg(e.text()));
        }
    }
    StartupSettings settings;
    settings.installed =
        m_store.read(kApp, kSequence, kInstalled).toUpper() == QLatin1String("YES");
    settings.defaultKey = m_store.read(kApp, kSequence, kDefaultKey);
    m_state.setPressedKey(QString());
    m_state.setLaunchKey(QString());
    if (!switches.run) return settings;

    if (switches.skWait > 0) selectConfiguration(switches.skWait);
    if (m_state.LaunchKey().isEmpty()) m_state.setLaunchKey(settings.defaultKey);
    // The session's activation token was meant for this program's window;
    // a task inheriting it would be activated with a used one.
    windowSystem().forgetActivationTokens();

    WaitTimer waiter(m_state);
    if (switches.noDisp) {
        // A status window that is never shown is never created: with no
        // selection phase either, the run needs no window toolkit at all.
        HiddenStatus hidden;
        TaskRunner(m_store, m_state, m_launcher, hidden, waiter, m_clock, m_diag).runTasks(RunPurpose::StartUp);
        return settings;
    }
    KeyForm status(m_store, m_state, windowSystem());
    status.show();
    StatusView view(status);
    TaskRunner runner(m_store, m_state, m_launcher, view, waiter, m_clock, m_diag);
    runner.runTasks(RunPurpose::StartUp);
    unload(status);
    return settings;
}

QString StartupSequence::selectConfiguration(double skWait) {
    KeyForm form(m_store, m_state, windowSystem());
    form.setLabelText(QChar(13) + QStringLiteral("Select launch configuration ..."));
    form.show();
    // At logon other programs map windows at the same moment, and the window
    // manager focuses the newest: the letter must reach this window all the same.
    form.takeKeyboard();
    m_prompts.beep();

    WaitTimer waiter(m_state);
    m_state.setKeyWait(true);
    waiter.startTimer(qint64(skWait * 1000.0 + 0.5));
    waiter.waitForSelection();
    waiter.stopTimer();
    form.releaseKeyboard();
    m_state.setLaunchKey(m_state.PressedKey());
    unload(form);
    return m_state.LaunchKey();
}

}  // namespace velmora
