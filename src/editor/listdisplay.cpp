#include "editor/listdisplay.h"

#include "store/tasklayout.h"

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {
const QChar kTab(9);
}

QStringList listColumns(int n, const QString& desc, const QString& wait) {
    const QString number = QString::number(n);
    if (isDontWait(wait)) return {number, desc, QStringLiteral("Don't wait"), QStringLiteral(" ")};
    if (const std::optional<double> cap = settleCap(wait))
        return {number, desc, QStringLiteral("Wait"),
                QStringLiteral("until settled, at most ") + QString::number(std::nearbyint(*cap), 'f', 0) +
                    QStringLiteral(" sec")};
    const double seconds = numericValue(wait);
    // 'f' with no decimals writes any magnitude in full, so a hand-edited huge
    // value cannot overflow an integer on its way to the screen.
    const QString time = seconds > 0
                             ? QString::number(std::nearbyint(seconds), 'f', 0) + QStringLiteral(" sec")
                             : QStringLiteral("until finished");
    return {number, desc, QStringLiteral("Wait"), time};
}

QString listLine(int n, const QString& desc, const QString& wait) {
    return listColumns(n, desc, wait).join(kTab);
}

QString spokenLine(const QStringList& columns) {
    QStringList words;
    for (const QString& column : columns)
        if (!column.trimmed().isEmpty()) words.append(column.trimmed());
    return words.join(QLatin1Char(' '));
}

QString listToolTip(const TaskRecord& task) {
    constexpr const char* kDayNames[7] = {"Mo", "Tu", "We", "Th", "Fr", "Sa", "Su"};
    QStringList days;
    for (int i = 0; i < 7; ++i)
        if (task.opt.contains(kWeekdayLetters[i])) days.append(QLatin1String(kDayNames[i]));
    const QString dayText = days.size() == 7 ? QStringLiteral("every day")
                            : days.isEmpty() ? QStringLiteral("no day")
                                             : days.join(QStringLiteral(", "));
    const bool once = task.opt.contains(kOnceOnlyLetter);
    const QString keys = task.keys == QLatin1String("*") ? QStringLiteral("* (every configuration)")
                         : task.keys.isEmpty()           ? QStringLiteral("(none)")
                                                         : task.keys;
    return QStringList{task.desc, QStringLiteral("Command: ") + task.app,
                       QStringLiteral("Only on: ") + dayText,
                       QStringLiteral("Once only: ") + (once ? QStringLiteral("yes") : QStringLiteral("no")),
                       QStringLiteral("Startkey: ") + keys}
        .join(QLatin1Char('\n'));
}

ColumnLayout computeColumnLayout(const TextMeasure& measure) {
    ColumnLayout l;
    l.avg = measure(kAverageSample) / 52.0;
    l.pad = int(roundHalfEven(l.avg * 2));
    const long long divisor = std::max(1LL, roundHalfEven(l.avg));
    for (const QString& sample : {kColumnSample1, kColumnSample2, kColumnSample3}) {
        const long long width = roundHalfEven(measure(sample) + l.pad);
        l.units.push_back(int(4 * (width / divisor)));
    }
    l.t1 = l.units[0];
    l.t2 = l.t1 + l.units[1];
    l.t3 = l.t2 + l.units[2];
    l.extent = int(roundHalfEven((l.t3 / 4) * l.avg));
    l.lastWidth = int(std::ceil(measure(kColumnSample4) + l.pad));
    return l;
}

int ColumnLayout::columnWidth(int k) const {
    if (k < 0 || k > 3) return 0;
    if (k == 3) return lastWidth;
    if (size_t(k) >= units.size()) return 0;
    return int(std::ceil(quartersToPixels(units[size_t(k)], avg) - 1e-9));
}

double quartersToPixels(int quarters, double avg) { return quarters * avg / 4.0; }

}  // namespace velmora
