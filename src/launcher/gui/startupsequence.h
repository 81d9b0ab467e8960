#pragma once
// What happens from program start to the launch: the settings start-up reads,
// the selection phase in LaunchWindow and, in start-up mode ("/RUN"), the run of
// the launch list in LaunchWindow as the status window. The single-instance check
// and the choice of the store come before this, in main.

#include "app/switches.h"
#include "launcher/clock.h"
#include "launcher/runner.h"
#include "process/launching.h"
#include "store/settingsstore.h"
#include "ui/prompts.h"
#include "ui/windowsystem.h"

#include <QString>

#include <memory>

namespace velmora {

class LaunchWindow;

// The global settings as start-up read them, for editing mode.
struct StartupSettings {
    bool installed = false;  // "Installed" reads "YES" in any case
    QString defaultKey;      // "DefaultKey" as stored
};

class StartupSequence {
public:
    // `prompts` gives the beep of the selection phase; `diagnostics` receives
    // one line per task outcome and per trouble that does not stop the run.
    // `windowSystem` serves LaunchWindow; none given: the running platform's,
    // made when a window is first needed.
    StartupSequence(SettingsStore& store, ProcessLauncher& launcher, Prompts& prompts, const Clock& clock,
                    Diagnostics diagnostics = {}, WindowSystem* windowSystem = nullptr);
    ~StartupSequence();

    // "/REINSTALL" forgets "Installed" (a failure to do so is ignored), then
    // "Installed" and "DefaultKey" are read. With "/RUN" the list is then
    // launched: a selection phase when SkWait is positive, then the run in
    // the status window for the letter chosen, or for "DefaultKey" when none
    // was; when this returns, start-up mode is over. With "/NODISP" no status window is created; with SkWait
    // not positive as well, no widget is created at all and a QCoreApplication
    // is enough. Without "/RUN" nothing is shown.
    // A StoreError while reading propagates; LaunchWindow is then closed unsaved.
    StartupSettings run(const Switches& switches);

    // The selection phase on its own: LaunchWindow shows the prompt, takes the
    // keyboard, the beep sounds, and the wait ends after `skWait` seconds, at
    // Enter, at the window's close button or at a letter key. Returns the
    // letter, "" for none. LaunchWindow's placement is saved.
    QString selectConfiguration(double skWait);

private:
    WindowSystem& windowSystem();
    // The run of the list for `launchKey`, in the status window unless
    // `hidden`.
    void launch(const QString& launchKey, bool hidden);
    void unload(LaunchWindow& form);
    void warn(const QString& line) const;

    SettingsStore& m_store;
    ProcessLauncher& m_launcher;
    Prompts& m_prompts;
    const Clock& m_clock;
    Diagnostics m_diag;
    WindowSystem* m_windowSystem;
    std::unique_ptr<WindowSystem> m_ownWindowSystem;
};

}  // namespace velmora
