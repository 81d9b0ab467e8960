#include "editor/listdisplay.h"

#include "store/tasklayout.h"

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {
const QChar kTab(9);
}

QString listLine(int n, const QString& desc, const QString& wait) {
    QString line = QString::number(n) + kTab + desc + kTab;
    if (isDontWait(wait)) return line + QStringLiteral("Don't wait") + kTab + QLatin1Char(' ');
    line += QStringLiteral("Wait") + kTab;
    if (const std::optional<double> cap = settleCap(wait))
        return line + QStringLiteral("until settled, at most ") +
               QString::number(std::nearbyint(*cap), 'f', 0) + QStringLiteral(" sec");
    const double seconds = numericValue(wait);
    // 'f' with no decimals writes any magnitude in full, so a hand-edited huge
    // value cannot overflow an integer on its way to the screen.
    if (seconds > 0) return line + QString::number(std::nearbyint(seconds), 'f', 0) + QStringLiteral(" sec");
    return line + QStringLiteral("until finished");
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
    return l;
}

double quartersToPixels(int quarters, double avg) { return quarters * avg / 4.0; }

ExpandedLine expandTabs(const QString& line, const std::vector<double>& stops, double defaultTab,
                        const TextMeasure& measure) {
    ExpandedLine out;
    out.pieces = line.split(kTab);
    const double grid = std::max(defaultTab, 1.0);
    double x = 0;
    for (qsizetype i = 0; i < out.pieces.size(); ++i) {
        if (i > 0) {
            const auto next = std::find_if(stops.begin(), stops.end(), [x](double s) { return s > x; });
            x = next != stops.end() ? *next : (std::floor(x / grid) + 1) * grid;
        }
        out.starts.push_back(x);
        x += measure(out.pieces[i]);
    }
    out.width = x;
    return out;
}

}  // namespace velmora
