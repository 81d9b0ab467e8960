#pragma once
// The launch list as the main window shows it: the text of each line, and the
// column layout (two tab stops and a horizontal scrolling extent) derived from
// the width of a few sample texts in the list's font. Window-free: widths come
// from a measure the caller passes in, so the arithmetic can be checked with a
// fixed measure.

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace velmora {

// The line of task n: the number without leading zeros, tab, the description,
// tab, then either "Don't wait", tab, " " (a "Wait" beginning with "DW" in any
// case) or "Wait", tab, and "<seconds> sec" for a positive number of seconds
// (whole, halves to the even neighbour), "until settled, at most <cap> sec"
// for a wait until settled (settleCap()), or "until finished" for anything
// else.
QString listLine(int n, const QString& desc, const QString& wait);

// Width of a text in pixels, drawn in the list's font. May be fractional.
using TextMeasure = std::function<double(const QString&)>;

// The texts the columns are measured with; they are never displayed.
inline const QString kAverageSample = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
inline const QString kColumnSample1 = QStringLiteral("999 ");
inline const QString kColumnSample2 = QStringLiteral("Here is the link name");
inline const QString kColumnSample3 = QStringLiteral("Don't Wait  ");

struct ColumnLayout {
    double avg = 0;              // average character width in pixels (52 letters / 52)
    int pad = 0;                 // gap after each column: 2 * avg, rounded
    std::vector<int> units;      // width of columns 1 to 3, in quarters of avg
    int t1 = 0, t2 = 0, t3 = 0;  // column ends in quarters of avg; t1 and t2 are the tab stops
    int extent = 0;              // horizontal scrolling extent in pixels: trunc(t3 / 4) * avg

    // The two tab stops in quarters of avg, as the list takes them.
    std::vector<int> tabStops() const { return {t1, t2}; }
};

// The layout for a font whose texts measure as `measure` says. Each column's
// units are 4 * (round(sample + pad) / round(avg)) with the quotient truncated;
// every rounding sends halves to the even neighbour, like all numbers of the
// program. An average narrower than half a pixel is taken as one pixel wide,
// so a degenerate font cannot divide by zero.
ColumnLayout computeColumnLayout(const TextMeasure& measure);

// A position given in quarters of the average character width, in pixels.
double quartersToPixels(int quarters, double avg);

// Where the tab-separated pieces of a line start, in pixels from the text's
// origin. A tab moves to the first stop right of the text drawn so far; past the
// last stop it moves to the next multiple of `defaultTab` (the list's spacing
// without stops: eight average characters).
struct ExpandedLine {
    QStringList pieces;
    std::vector<double> starts;  // one per piece
    double width = 0;            // where the last piece ends
};
ExpandedLine expandTabs(const QString& line, const std::vector<double>& stops, double defaultTab,
                        const TextMeasure& measure);

}  // namespace velmora
