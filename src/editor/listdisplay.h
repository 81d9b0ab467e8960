#pragma once
// The launch list as the main window shows it: the texts of each line's
// columns, the tooltip that tells the rest of the task, and the column layout
// derived from the width of a few sample texts in the list's font.
// Window-free: widths come from a measure the caller passes in, so the
// arithmetic can be checked with a fixed measure.

#include "store/tasklayout.h"

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

// The same line cut at its tabs: number, description, wait word and wait
// time, four texts that the list shows in four columns.
QStringList listColumns(int n, const QString& desc, const QString& wait);

// What a line reads as to a screen reader: its columns, blank ones left out,
// joined by single spaces ("1 Mail Wait until finished").
QString spokenLine(const QStringList& columns);

// The rest of a task, one fact a line, for the tooltip of its list line: the
// whole description, then "Command: " and the command, "Only on: " and the
// days ("Mo, We, Fr", "every day" for all seven, "no day" for none), "Once
// only: " and "yes" or "no", "Startkey: " and the keys ("* (every
// configuration)" for "*", "(none)" when empty). Days and once-only are read
// from "Opt" as the task editor reads them.
QString listToolTip(const TaskRecord& task);

// Width of a text in pixels, drawn in the list's font. May be fractional.
using TextMeasure = std::function<double(const QString&)>;

// The texts the columns are measured with; they are never displayed.
inline const QString kAverageSample = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
inline const QString kColumnSample1 = QStringLiteral("999 ");
inline const QString kColumnSample2 = QStringLiteral("Here is the link name");
inline const QString kColumnSample3 = QStringLiteral("Don't Wait  ");
// The widest text of the last column; it ends no tab stop, but a column of
// its own must still hold it.
inline const QString kColumnSample4 = QStringLiteral("until finished");

struct ColumnLayout {
    double avg = 0;              // average character width in pixels (52 letters / 52)
    int pad = 0;                 // gap after each column: 2 * avg, rounded
    std::vector<int> units;      // width of columns 1 to 3, in quarters of avg
    int t1 = 0, t2 = 0, t3 = 0;  // column ends in quarters of avg; t1 and t2 are the tab stops
    int extent = 0;              // horizontal scrolling extent in pixels: trunc(t3 / 4) * avg
    int lastWidth = 0;           // column 4 in pixels: its sample and pad, rounded up

    // The two tab stops in quarters of avg, as the list takes them.
    std::vector<int> tabStops() const { return {t1, t2}; }
    // The width in pixels of column k (0 to 3) when each column is a column of
    // its own: the units of columns 1 to 3 in pixels, rounded up to a whole
    // pixel, and lastWidth.
    int columnWidth(int k) const;
};

// The layout for a font whose texts measure as `measure` says. Each column's
// units are 4 * (round(sample + pad) / round(avg)) with the quotient truncated;
// every rounding sends halves to the even neighbour, like all numbers of the
// program. An average narrower than half a pixel is taken as one pixel wide,
// so a degenerate font cannot divide by zero.
ColumnLayout computeColumnLayout(const TextMeasure& measure);

// A position given in quarters of the average character width, in pixels.
double quartersToPixels(int quarters, double avg);

}  // namespace velmora
