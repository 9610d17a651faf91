#include "quotes/TickerRules.h"

#include "app/VbCompat.h"

#include <algorithm>

namespace tv {

QString TickerText(const QString &indexPrice, const QString &indexChange, double marketValue,
                   double totalAssets)
{
    return QStringLiteral("上证") + indexPrice + u' ' + indexChange + QStringLiteral(" 资金") +
           DoubleText(marketValue) + u' ' + DoubleText(totalAssets) + QStringLiteral("   ");
}

QString RotateLeft(const QString &text)
{
    if (text.isEmpty())
        return text;
    const qsizetype first =
        (text.size() > 1 && text[0].isHighSurrogate() && text[1].isLowSurrogate()) ? 2 : 1;
    return text.mid(first) + text.left(first);
}

QRect FindTrayNotifyWindow(const QRect &screen, const QRect &available)
{
    if (screen.isEmpty())
        return QRect(0, 0, kTickerWidth, kTickerHeight);
    const int width = std::min(kTickerWidth, screen.width());
    const int height = std::min(kTickerHeight, screen.height());
    const QRect free = available.intersected(screen);
    if (!free.isEmpty()) {
        const int bottom = screen.bottom() - free.bottom();
        const int top = free.top() - screen.top();
        const int left = free.left() - screen.left();
        const int right = screen.right() - free.right();
        const int farRight = screen.right() - width + 1;
        const int farBottom = screen.bottom() - height + 1;
        if (bottom > 0)
            return QRect(farRight, free.bottom() + 1, width, bottom);
        if (top > 0)
            return QRect(farRight, screen.top(), width, top);
        if (left > 0)
            return QRect(screen.left(), farBottom, left, height);
        if (right > 0)
            return QRect(free.right() + 1, farBottom, right, height);
    }
    return QRect(screen.right() - width + 1, screen.bottom() - height + 1, width, height);
}

} // namespace tv
