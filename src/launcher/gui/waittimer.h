#pragma once
// The one-shot wait timer T1 and the waits on the launcher state. A wait runs
// a local event loop that wakes only when the state changes, so windows keep
// being drawn and keys handled while the processor stays idle.

#include "launcher/launcherstate.h"
#include "launcher/runner.h"

#include <QObject>
#include <QTimer>

#include <functional>

namespace velmora {

class WaitTimer : public QObject, public KeyWaiter {
    Q_OBJECT
public:
    explicit WaitTimer(LauncherState& state, QObject* parent = nullptr);

    // Single-shot and precise (a coarse timer may end a 5 s wait up to 5 %
    // early); when it fires, KeyWait is cleared and nothing else happens.
    QTimer T1;

    void stopTimer() override;
    // Arms T1 for `ms` milliseconds; values beyond what a timer can hold
    // (about 24.8 days) are cut to that, negative ones to 0.
    void startTimer(qint64 ms) override;
    // Returns once KeyWait is false.
    void waitWhileKeyWait() override;
    // The selection wait: returns once KeyWait is false or PressedKey is set.
    void waitForSelection();

private:
    // Runs a local event loop until `done` holds. Also returns when the
    // application is quitting, which ends every wait.
    void waitUntil(const std::function<bool()>& done);

    LauncherState& m_state;
};

}  // namespace velmora
