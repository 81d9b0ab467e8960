#pragma once
// RunTasks: walks the launch list from task 1, decides for each task whether
// it runs now (configuration, weekday, once-only), starts it and waits as its
// "Wait" value says. Window-free: the status window, the caption, the pointer
// and the wait timer are reached through RunnerView and KeyWaiter.

#include "launcher/diagnostics.h"
#include "process/launching.h"
#include "launcher/launcherstate.h"
#include "launcher/clock.h"
#include "store/settingsstore.h"

#include <QString>

namespace velmora {

// What the runner shows; the status window and the main window implement it.
class RunnerView {
public:
    virtual ~RunnerView() = default;
    virtual QString statusText() const = 0;
    virtual void setStatusText(const QString& text) = 0;
    virtual void setCaption(const QString& caption) = 0;
    // true: the busy pointer (hourglass); false: the default pointer.
    virtual void setBusyPointer(bool busy) = 0;
    // Lets pending window events be handled once (the status gets drawn).
    virtual void yieldOnce() = 0;
};

// The one-shot wait timer T1 and the wait on KeyWait.
class KeyWaiter {
public:
    virtual ~KeyWaiter() = default;
    virtual void stopTimer() = 0;
    // Arms the timer for `ms` milliseconds; when it fires, KeyWait is cleared.
    virtual void startTimer(qint64 ms) = 0;
    // Returns once KeyWait is false (timer, Enter key), handling window events
    // meanwhile without using the processor.
    virtual void waitWhileKeyWait() = 0;
};

// The first status line of a run, ending in character 13: "Launching Startup
// tasks:" with no active configuration, else "Launching Configuration 'B'"
// for the letter b.
QString launchHeader(const QString& launchKey);

class TaskRunner {
public:
    TaskRunner(SettingsStore& store, LauncherState& state, ProcessLauncher& launcher,
               RunnerView& view, KeyWaiter& waiter, const Clock& clock,
               Diagnostics diagnostics = {});

    // Once-only tasks are stamped only in a store that is writable(); one
    // opened for reading runs them as its stamps stand.
    void RunTasks();

private:
    void startWithFallback(int n, const QString& desc, const QString& app);
    void report(Priority priority, int n, const QString& desc, const QString& what) const;

    SettingsStore& m_store;
    LauncherState& m_state;
    ProcessLauncher& m_launcher;
    RunnerView& m_view;
    KeyWaiter& m_waiter;
    const Clock& m_clock;
    Diagnostics m_diag;
};

}  // namespace velmora
