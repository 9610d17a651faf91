#include "app/Fitting.h"

#include <algorithm>
#include <cmath>

namespace tv {

QRect FitRectInto(const QRect &frame, const QRect &area)
{
    const int width = std::min(frame.width(), area.width());
    const int height = std::min(frame.height(), area.height());
    const int x = std::clamp(frame.x(), area.left(), area.left() + area.width() - width);
    const int y = std::clamp(frame.y(), area.top(), area.top() + area.height() - height);
    return {x, y, width, height};
}

int ScreenFor(const QRect &frame, const QList<QRect> &areas)
{
    int best = -1;
    qint64 most = 0;
    for (int i = 0; i < areas.size(); ++i) {
        const QRect common = areas[i].intersected(frame);
        const qint64 size = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
        if (size > most) {
            most = size;
            best = i;
        }
    }
    if (best >= 0)
        return best;
    // Off every screen: the one whose area lies nearest to the frame.
    double nearest = 0;
    for (int i = 0; i < areas.size(); ++i) {
        const QRect &a = areas[i];
        const int dx = std::max({a.left() - frame.right(), frame.left() - a.right(), 0});
        const int dy = std::max({a.top() - frame.bottom(), frame.top() - a.bottom(), 0});
        const double distance = std::hypot(double(dx), double(dy));
        if (best < 0 || distance < nearest) {
            nearest = distance;
            best = i;
        }
    }
    return best;
}

QList<int> PanelWidths(const QList<int> &need, int spring, const QList<int> &yieldOrder, int least, int room)
{
    QList<int> widths = need;
    int total = 0;
    for (int w : need)
        total += w;
    if (total <= room) {
        if (spring >= 0 && spring < widths.size())
            widths[spring] += room - total;
        return widths;
    }
    int excess = total - room;
    for (const int floor : {least, 0}) {
        for (int i : yieldOrder) {
            const int keep = std::min(floor, need[i]);
            const int cut = std::min(excess, std::max(0, widths[i] - keep));
            widths[i] -= cut;
            excess -= cut;
            if (excess == 0)
                return widths;
        }
    }
    return widths;
}

} // namespace tv
