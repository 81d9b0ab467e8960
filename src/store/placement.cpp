#include "store/placement.h"

#include "store/tasklayout.h"

#include <QStringList>

#include <limits>

namespace velmora {

namespace {
// Clamped before rounding: a field of hundreds of digits reads as infinity,
// which no integer conversion may be handed.
std::int32_t toInt32(double value) {
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    if (value >= kMax) return std::numeric_limits<std::int32_t>::max();
    if (value <= kMin) return std::numeric_limits<std::int32_t>::min();
    return std::int32_t(roundHalfEven(value));
}
}  // namespace

Placement parsePlacement(const QString& text) {
    Placement p;
    QString rest = text;
    for (std::int32_t* field : {&p.top, &p.left, &p.height, &p.width}) {
        // 1-based position of the separator; a one-character field does not count.
        const qsizetype pos = rest.indexOf(QLatin1Char(';')) + 1;
        if (pos > 2) {
            *field = toInt32(numericValue(rest.left(pos - 1)));
            rest = rest.mid(pos);
        }
    }
    p.state = toInt32(numericValue(rest));
    return p;
}

QString formatPlacement(const Placement& p) {
    // A one-character field would not count when read back (a window at the
    // top edge would lose every field), so 0 to 9 are written as "00" to "09".
    const auto field = [](std::int32_t v) { return QString::number(v).rightJustified(2, u'0'); };
    return QStringLiteral("%1;%2;%3;%4;%5")
        .arg(field(p.top), field(p.left), field(p.height), field(p.width))
        .arg(p.state);
}

Placement parseSizeFields(const QString& text) {
    const QStringList fields = text.split(QLatin1Char(';'));
    const auto field = [&fields](qsizetype i) {
        return i < fields.size() ? toInt32(numericValue(fields[i])) : 0;
    };
    return {field(0), field(1), field(2), field(3), field(4)};
}

QString withSizeKept(const QString& stored, std::int32_t height, std::int32_t width) {
    Placement p{-1, -1, height, width, 0};
    if (stored.count(QLatin1Char(';')) >= 2) {
        const Placement before = parseSizeFields(stored);
        p.top = before.top;
        p.left = before.left;
    }
    return formatPlacement(p);
}

}  // namespace velmora
