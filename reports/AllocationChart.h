#pragma once

// The shares of the allocation pie: one slice per holding of the analysis grid (its market value) and
// one for the cash of its totals row, each with its share of the whole as "0.0%"; and how the pie is
// drawn so that it can be read however small the slices: a colour of its own for each slice, and a
// label only where it stands clear of every other label.

#include "reports/QueryGrid.h"

#include <QColor>
#include <QList>
#include <QRectF>
#include <QSizeF>

namespace tv {

struct PieSlice
{
    QString name; // the security's name, or "资金余额"
    double value = 0;
    QString percent; // the share, "0.0%"
};

inline const QString kCashSlice = QStringLiteral("资金余额");

// The holdings are grid rows 1 to totalsRow - 1 (column 0 the name, 15 the market value); the cash is
// column 8 of the totals row. A value that is negative or not a number counts as 0. Nothing when every
// value is 0: there is no whole to take shares of.
QList<PieSlice> AllocationSlices(const TextGrid &grid, int totalsRow);

// What the legend says of a slice: its name and its share, so a slice without a label is read there.
QString LegendText(const PieSlice &slice);

// One colour per slice, no two alike, and neighbours round the pie at least kSliceColoursApart apart:
// a palette of ten clearly different colours, then hues a golden angle apart.
QList<QColor> SliceColours(int count);
constexpr int kSliceColoursApart = 120;
int SliceColourDistance(const QColor &a, const QColor &b); // the sum of the channels' differences

// The length of a label's arm as a share of the radius; the window sets it on every slice.
constexpr double kLabelArmFactor = 0.15;

// Where the label of each slice stands outside a pie of this radius, centred on (0, 0), in pixels, as
// the chart draws it: the slices run clockwise from twelve o'clock; a label sits on an arm that leaves
// the middle of its slice's arc, to the right of the arm's end on the right half of the pie and to the
// left on the left half, just above the arm's level (arms pointing straight down are bent aside).
QList<QRectF> PieLabelBoxes(const QList<double> &values, double radius, const QList<QSizeF> &labelSizes);

// Which labels are drawn: the largest slice's first, then each in order of size where its box keeps
// clear of every box already drawn. So no label is ever printed over another; the rest are left to
// the legend. A margin wanted between labels belongs in their sizes.
QList<bool> LabelledSlices(const QList<double> &values, double radius, const QList<QSizeF> &labelSizes);

} // namespace tv
