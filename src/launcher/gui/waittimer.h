#pragma once
// A wait that ends at its timer or when endWait() is called, whichever comes
// first. The runner's seconds-waits, its waits until settled (a timer per
// look, one wait for all of them) and the selection phase use it; the
// windows' signals (Enter, the close button, a letter) are connected to
// endWait(). A wait runs a local event loop that wakes only when the wait
// ends, so windows keep being drawn and keys handled while the processor
// stays idle. Needs no widgets: a run without windows waits on it too.

#include "launcher/runner.h"

#include <QObject>
#include <QTimer>

namespace velmora {

class WaitTimer : public QObject, public SecondsWait {
    Q_OBJECT
public:
    explicit WaitTimer(QObject* parent = nullptr);

    // A new wait: an earlier endWait() no longer counts, a timer still
    // armed is stopped.
    void begin() override;
    // Arms the timer for `ms` milliseconds and returns when it runs out
    // (false) or once the wait has been ended (true); the timer is stopped
    // again on return. Values beyond what a timer can hold (about 24.8 days)
    // are cut to that, negative ones to 0. The application quitting ends
    // every wait. The timer is precise: a coarse one may end a 5 s wait up
    // to 5 % early.
    bool waitUpTo(int ms) override;

public slots:
    // Ends the wait begun: one going on returns, one not yet waited for
    // will return at once.
    void endWait();

signals:
    // The wait begun has ended by endWait(), or its time is up.
    void ended();

private slots:
    void timeUp();

private:
    QTimer m_timer;
    bool m_ended = false;
    bool m_timeUp = false;
};

}  // namespace velmora
