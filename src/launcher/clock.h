#pragma once
// Today's date, injectable so that the runner's weekday and once-only rules
// can be tested on any day.

#include <QDate>

namespace velmora {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDate today() const = 0;
};

class SystemClock final : public Clock {
public:
    QDate today() const override { return QDate::currentDate(); }
};

}  // namespace velmora
