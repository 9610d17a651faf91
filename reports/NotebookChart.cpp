#include "reports/NotebookChart.h"

#include "app/VbCompat.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace tv {

ChartStart ChartStartFor(int bookRows)
{
    if (bookRows <= 0)
        return {};
    if (bookRows <= kChartWholeRows)
        return {true, false, 1};
    return {true, true, bookRows - kChartWholeRows};
}

ChartSpan ChartSpanAt(int bookRows, int position, int window, bool toEnd)
{
    ChartSpan s;
    s.first = std::max(1, position);
    const int toLast = std::max(0, bookRows - s.first + 1);
    if (toEnd) {
        s.count = toLast;
        // An empty span never leaves a window of no rows behind.
        s.window = toLast > 0 ? toLast : window;
    } else {
        s.count = std::min(std::max(0, window), toLast);
        s.window = window;
    }
    return s;
}

ChartRow ChartRowOf(const TextGrid &grid, int gridRow)
{
    ChartRow row;
    row.label = grid.text(gridRow, 0).mid(5);
    for (int j = 0; j < 4; ++j)
        row.values[j] = Val(grid.text(gridRow, j + 1));
    return row;
}

ChartData ChartDataOf(const TextGrid &grid, int first, int count)
{
    ChartData d;
    count = std::max(0, count);
    d.labels.reserve(count);
    d.categories.reserve(count);
    for (QList<qreal> &c : d.columns)
        c.reserve(count);
    QSet<QString> used;
    used.reserve(count);
    // Per label the number of spaces its next repeat starts from: every shorter one is taken already.
    QHash<QString, int> spaces;
    for (int k = 0; k < count; ++k) {
        const ChartRow row = ChartRowOf(grid, first + k);
        int &n = spaces[row.label];
        QString category = row.label + QString(n, QChar(0x200B));
        while (used.contains(category)) {
            category += QChar(0x200B);
            ++n;
        }
        ++n;
        used.insert(category);
        d.labels << row.label;
        d.categories << category;
        for (int j = 0; j < 4; ++j)
            d.columns[j] << row.values[j];
        for (int j = 0; j < 3; ++j) {
            d.low = std::min(d.low, row.values[j]);
            d.high = std::max(d.high, row.values[j]);
        }
        d.indexLow = k == 0 ? row.values[3] : std::min(d.indexLow, row.values[3]);
        d.indexHigh = k == 0 ? row.values[3] : std::max(d.indexHigh, row.values[3]);
    }
    return d;
}

bool ChartRowsNamed(qsizetype rows, double plotWidth)
{
    // The axis's own test, division and all, so a plot right at the limit goes the same way.
    return rows > 0 && plotWidth / double(rows) >= 2;
}

int ChartBarStep(qsizetype rows, double plotWidth)
{
    const qsizetype bars = std::max<qsizetype>(1, qsizetype(plotWidth) / kChartRowPixels);
    return rows <= bars ? 1 : int((rows + bars - 1) / bars);
}

ChartBars ChartBarsOf(const ChartData &data, int step)
{
    ChartBars bars;
    bars.step = std::max(1, step);
    const qsizetype rows = data.labels.size();
    const qsizetype count = (rows + bars.step - 1) / bars.step;
    // Row r's centre r stands at bar (r − (step − 1) / 2) / step, so row −0.5 is bar −0.5 and the last
    // row's edge is this, however full the last bar.
    bars.spanEnd = std::max<double>(1, double(rows)) / bars.step - 0.5;
    for (int j = 0; j < 3; ++j) {
        const QList<qreal> &column = data.columns[j];
        bars.values[j].reserve(count);
        bars.rows[j].reserve(count);
        for (qsizetype first = 0; first < rows; first += bars.step) {
            qsizetype pick = first;
            for (qsizetype r = first + 1; r < std::min(rows, first + bars.step); ++r)
                if (std::abs(column[r]) > std::abs(column[pick]))
                    pick = r;
            bars.values[j] << column[pick];
            bars.rows[j] << int(pick);
        }
    }
    return bars;
}

QString ChartWidestCategory(const ChartData &data, const std::function<double(const QString &)> &width)
{
    // A category is its label and zero-width spaces: each label is measured once, the spaces apart.
    const double space = width(QString(QChar(0x200B)));
    QHash<QString, double> labelWidths;
    QString widest;
    double most = -1;
    for (qsizetype k = 0; k < data.categories.size(); ++k) {
        const QString &label = data.labels[k];
        auto it = labelWidths.constFind(label);
        if (it == labelWidths.constEnd())
            it = labelWidths.insert(label, width(label));
        const double w = *it + space * double(data.categories[k].size() - label.size());
        if (w > most) {
            most = w;
            widest = data.categories[k];
        }
    }
    return widest;
}

} // namespace tv
