#pragma once
// TaskRunner walks the launch list from task 1 for one launch configuration,
// decides for each task whether it runs now (configuration, weekday,
// once-only), starts it and waits as its "Wait" value says. Window-free: it
// composes the status text itself and hands it whole to a RunnerView, its
// seconds-waits go through a SecondsWait, and its waits until settled ask a
// SettleDetector once a window while they wait on the same SecondsWait.

#include "launcher/clock.h"
#include "launcher/diagnostics.h"
#include "launcher/settle.h"
#include "process/launching.h"
#include "store/settingsstore.h"

#include <QString>

#include <memory>

namespace velmora {

// What the runner shows; the status window and the main window implement it.
class RunnerView {
public:
    virtual ~RunnerView() = default;
    // The whole status text, one line a piece; it replaces
    // whatever was shown before.
    virtual void setStatusText(const QString& text) = 0;
    virtual void setCaption(const QString& caption) = 0;
    // true: the busy pointer (hourglass); false: the default pointer.
    virtual void setBusyPointer(bool busy) = 0;
    // Lets pending window events be handled once (the status gets drawn).
    virtual void yieldOnce() = 0;
};

// The wait after a task whose "Wait" is a number of seconds, or until
// settled. It ends when its time is up, or earlier when the user ends it
// (Enter or the close button of the status window). An end from before
// begin() does not count.
class SecondsWait {
public:
    virtual ~SecondsWait() = default;
    // A wait begins: from now on the user may end it, also before its time
    // is counted.
    virtual void begin() = 0;
    // Returns `ms` milliseconds from now (as timerMilliseconds() gives them),
    // or as soon as the wait begun has been ended (at once when it already
    // was). Window events are handled meanwhile without using the processor.
    // true: the wait begun has been ended (the user, or the application
    // quitting), and every later call until begin() returns true at once;
    // false: only the time is up, and the same wait may go on with another
    // call.
    virtual bool waitUpTo(int ms) = 0;
};

// What a run is for; it names the run in the first status line.
enum class RunPurpose {
    StartUp,  // start-up mode: launchHeader() of the configuration
    Test,     // the main window's test run: "Testing launch list ..."
};

// The first status line of a start-up run, ending in a line feed:
// "Launching Startup tasks:" with no active configuration, else "Launching
// Configuration 'B'" for the letter b.
QString launchHeader(const QString& launchKey);

class TaskRunner {
public:
    // Judges a wait until settled by this machine's kernel (KernelSettle).
    TaskRunner(SettingsStore& store, ProcessLauncher& launcher, RunnerView& view, SecondsWait& wait,
               const Clock& clock, Diagnostics diagnostics = {});
    TaskRunner(SettingsStore& store, ProcessLauncher& launcher, RunnerView& view, SecondsWait& wait,
               SettleDetector& settle, const Clock& clock, Diagnostics diagnostics = {});

    // Runs the list for configuration `launchKey`; "" lets every task pass
    // the key test. The status shows the run's header first, then the
    // header, the task being started and the line of its wait. Once-only
    // tasks are stamped only in a store that is writable(); one opened for
    // reading runs them as its stamps stand. A StoreError propagates with
    // caption and pointer restored.
    void runTasks(RunPurpose purpose, const QString& launchKey);

private:
    void startWithFallback(int n, const QString& desc, const QString& app);
    // After the start of task n: waits until the machine has settled, at most
    // `cap` seconds, or until the user ends the wait.
    void waitUntilSettled(int n, const QString& desc, double cap);
    void report(Priority priority, int n, const QString& desc, const QString& what) const;

    SettingsStore& m_store;
    ProcessLauncher& m_launcher;
    RunnerView& m_view;
    SecondsWait& m_wait;
    // Only when none was given.
    std::unique_ptr<KernelSettle> m_ownSettle;
    SettleDetector& m_settle;
    const Clock& m_clock;
    Diagnostics m_diag;
};

}  // namespace velmora
