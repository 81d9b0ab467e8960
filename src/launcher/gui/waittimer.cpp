#include "launcher/gui/waittimer.h"

#include <QEventLoop>

#include <algorithm>

namespace velmora {

WaitTimer::WaitTimer(QObject* parent) : QObject(parent), m_timer(this) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &WaitTimer::endWait);
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

void WaitTimer::waitUpTo(int ms) {
    if (!m_ended) m_timer.start(std::max(ms, 0));
    QEventLoop loop;
    connect(this, &WaitTimer::ended, &loop, &QEventLoop::quit);
    // Checked right before every exec(): an end that came before the loop
    // ran would otherwise never wake it. exec() returns non-zero only when
    // the application is quitting; every later exec() would return at once.
    while (!m_ended) {
        if (loop.exec() != 0) break;
    }
    m_timer.stop();
}

}  // namespace velmora
