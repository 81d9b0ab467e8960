#include "launcher/gui/waittimer.h"

#include <QEventLoop>

#include <algorithm>
#include <limits>

namespace velmora {

WaitTimer::WaitTimer(LauncherState& state, QObject* parent) : QObject(parent), m_state(state) {
    T1.setSingleShot(true);
    T1.setTimerType(Qt::PreciseTimer);
    connect(&T1, &QTimer::timeout, this, [this] { m_state.setKeyWait(false); });
}

void WaitTimer::stopTimer() { T1.stop(); }

void WaitTimer::startTimer(qint64 ms) {
    const qint64 longest = std::numeric_limits<int>::max();
    T1.start(int(std::clamp<qint64>(ms, 0, longest)));
}

void WaitTimer::waitWhileKeyWait() {
    waitUntil([this] { return !m_state.KeyWait(); });
}

void WaitTimer::waitForSelection() {
    waitUntil([this] { return !m_state.KeyWait() || !m_state.PressedKey().isEmpty(); });
}

void WaitTimer::waitUntil(const std::function<bool()>& done) {
    QEventLoop loop;
    const auto wake = connect(&m_state, &LauncherState::changed, &loop, [&] {
        if (done()) loop.quit();
    });
    // Checked right before every exec(): a change that came before the loop
    // ran would otherwise never wake it. exec() returns non-zero only when
    // the application is quitting; every later exec() would return at once.
    while (!done()) {
        if (loop.exec() != 0) break;
    }
    disconnect(wake);
}

}  // namespace velmora
