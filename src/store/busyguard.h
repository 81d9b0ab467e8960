#pragma once
// The busy state for the length of a scope: whoever shows it (the mouse
// pointer of a window, nothing in a test) is handed in as a function, so that
// window-free code can keep the state right on every way out as well.

#include <functional>
#include <utility>

namespace velmora {

using BusyIndicator = std::function<void(bool busy)>;

// Calls `busy(true)` now and `busy(false)` when it goes, an exception
// included. An empty function does nothing.
class BusyGuard {
public:
    explicit BusyGuard(BusyIndicator busy) : m_busy(std::move(busy)) {
        if (m_busy) m_busy(true);
    }
    ~BusyGuard() {
        if (m_busy) m_busy(false);
    }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    BusyIndicator m_busy;
};

}  // namespace velmora
