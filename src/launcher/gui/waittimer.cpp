#include "launcher/gui/waittimer.h"

#include <QEventLoop>

#include <algorithm>

namespace velmora {

WaitTimer::WaitTimer(QObject* parent) : QObject(parent), m_timer(this) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &WaitTimer::timeUp);
}

void WaitTimer::begin() {
    m_timer.stop();
    m_ended = false;
}

void WaitTimer::endWait() {
    if (m_ended) return;
    m_ended = true;
    m_timer.stop();
    emit ended();
}

void WaitTimer::timeUp() {
    m_timeUp = true;
    emit ended();
}

bool WaitTimer::waitUpTo(int ms) {
    m_timeUp = false;
    if (!m_ended) m_timer.start(std::max(ms, 0));
    QEventLoop loop;
    connect(this, &WaitTimer::ended, &loop, &QEventLoop::quit);
    // Checked right before every exec(): an end that came before the loop
    // ran would otherwise never wake it. exec() returns non-zero only when
    // the application is quitting; every later exec() would return at once,
    // so the wait counts as ended, and a caller that waits in pieces stops.
    while (!m_ended && !m_timeUp) {
        if (loop.exec() != 0) {
            m_ended = true;
            break;
        }
    }
    m_timer.stop();
    return m_ended;
}

}  // namespace velmora
