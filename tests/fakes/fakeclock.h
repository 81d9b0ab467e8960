#pragma once
// A clock that stays on the day a test sets.

#include "launcher/clock.h"

#include <QDate>

namespace velmora::testing {

class FakeClock final : public Clock {
public:
    explicit FakeClock(QDate day = QDate(2026, 12, 8)) : date(day) {}
    QDate today() const override { return date; }
    QDate date;
};

}  // namespace velmora::testing
