#pragma once
// Waiting for evidence in tests: a condition is polled until it holds or a
// bound has passed, never a fixed sleep that is either too short on a busy
// machine or wasted on an idle one.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <functional>

namespace velmora::testing {

namespace detail {

inline bool poll(const std::function<bool()>& done, int ms, const std::function<void()>& pause) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (done()) return true;
        if (clock.elapsed() >= ms) return false;
        pause();
    }
}

}  // namespace detail

// Polls `done` every 50 ms for at most `ms`; true once it holds. The thread
// sleeps in between: for evidence that other processes leave, where nothing
// in this process has to run meanwhile. The default bound leaves room for a
// busy machine.
inline bool eventually(const std::function<bool()>& done, int ms = 15000) {
    return detail::poll(done, ms, [] { QThread::msleep(50); });
}

// The same for code under test that does its work in this thread's event
// loop (children reaped, replies read): the loop turns between the polls.
// Needs a QCoreApplication.
inline bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
    return detail::poll(done, ms, [] {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    });
}

}  // namespace velmora::testing
