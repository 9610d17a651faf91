#include "reports/AllocationChart.h"

#include "app/VbCompat.h"

#include <QPointF>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace tv {

namespace {

constexpr int kNameColumn = 0;
constexpr int kCashColumn = 8;
constexpr int kMarketValueColumn = 15;

double sliceValue(const QString &cell)
{
    const double v = Val(cell);
    return std::isfinite(v) && v > 0 ? v : 0;
}

// The chart leaves this gap between the pie and the foot of a label's arm, and lifts a label this far
// above its arm.
constexpr double kArmGap = 5;
constexpr double kLabelLift = 3;

QPointF along(double degrees, double length)
{
    const double a = degrees * M_PI / 180;
    return {length * std::sin(a), -length * std::cos(a)};
}

} // namespace

QList<PieSlice> AllocationSlices(const TextGrid &grid, int totalsRow)
{
    QList<PieSlice> slices;
    for (int r = 1; r < totalsRow; ++r)
        slices << PieSlice{grid.text(r, kNameColumn), sliceValue(grid.text(r, kMarketValueColumn)),
                           QString()};
    slices << PieSlice{kCashSlice, sliceValue(grid.text(totalsRow, kCashColumn)), QString()};

    Sum whole;
    for (const PieSlice &s : slices)
        whole.add(s.value);
    if (!(whole.value() > 0) || !std::isfinite(whole.value()))
        return {};
    for (PieSlice &s : slices)
        s.percent = Format(s.value / whole.value(), QStringLiteral("0.0%"));
    return slices;
}

QString LegendText(const PieSlice &slice)
{
    return slice.name + u' ' + slice.percent;
}

QList<QColor> SliceColours(int count)
{
    static const QList<QColor> palette = {
        QColor(0x1f77b4), QColor(0xff7f0e), QColor(0x2ca02c), QColor(0xd62728), QColor(0x9467bd),
        QColor(0x8c564b), QColor(0xe377c2), QColor(0x7f7f7f), QColor(0xbcbd22), QColor(0x17becf)};
    // The palette, then hues a golden angle apart in three strengths.
    int next = 0;
    const auto candidate = [&next] {
        const int k = next++ - int(palette.size());
        if (k < 0)
            return palette[next - 1];
        const double strength[3][2] = {{0.85, 0.80}, {0.55, 0.95}, {0.90, 0.55}};
        return QColor::fromHsvF(float(std::fmod(20 + k * 137.508, 360) / 360), float(strength[k % 3][0]),
                                float(strength[k % 3][1]));
    };
    // A colour too like its neighbour's is passed over; round the pie the last slice meets the first.
    const auto near = [](const QColor &a, const QColor &b) {
        return SliceColourDistance(a, b) < kSliceColoursApart;
    };
    QList<QColor> colours;
    for (int i = 0; i < count; ++i) {
        QColor c = candidate();
        while (colours.contains(c) || (i > 0 && near(c, colours.last())) ||
               (i > 1 && i == count - 1 && near(c, colours.first())))
            c = candidate();
        colours << c;
    }
    return colours;
}

int SliceColourDistance(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

QList<QRectF> PieLabelBoxes(const QList<double> &values, double radius, const QList<QSizeF> &labelSizes)
{
    const double whole = std::accumulate(values.begin(), values.end(), 0.0);
    QList<QRectF> boxes;
    if (!(whole > 0) || !(radius > 0))
        return boxes;
    double start = 0;
    for (int i = 0; i < values.size(); ++i) {
        const double span = 360 * values[i] / whole;
        const double middle = start + span / 2;
        start += span;
        double arm = std::fmod(middle, 360);
        if (arm > 170 && arm < 180)
            arm = 170;
        else if (arm > 180 && arm < 190)
            arm = 190;
        const QPointF end = along(middle, radius + kArmGap) + along(arm, radius * kLabelArmFactor);
        const QSizeF size = labelSizes.value(i);
        const double left = arm < 180 ? end.x() : end.x() - size.width();
        boxes << QRectF(left, end.y() - kLabelLift - size.height(), size.width(), size.height());
    }
    return boxes;
}

QList<bool> LabelledSlices(const QList<double> &values, double radius, const QList<QSizeF> &labelSizes)
{
    const QList<QRectF> boxes = PieLabelBoxes(values, radius, labelSizes);
    QList<bool> shown(values.size(), false);
    QList<int> bySize(boxes.size());
    std::iota(bySize.begin(), bySize.end(), 0);
    // Equal slices keep their order, so the same pie is always labelled alike.
    std::stable_sort(bySize.begin(), bySize.end(), [&](int a, int b) { return values[a] > values[b]; });
    QList<QRectF> drawn;
    for (int i : bySize) {
        if (std::none_of(drawn.begin(), drawn.end(),
                         [&](const QRectF &d) { return d.intersects(boxes[i]); })) {
            shown[i] = true;
            drawn << boxes[i];
        }
    }
    return shown;
}

} // namespace tv
