#pragma once

// The taskbar ticker without its window: its text, one step of its scroll, and where it lies over the
// desktop panel.

#include <QRect>
#include <QString>

namespace tv {

// The ticker's size where the panel leaves it free to choose: room for about 20 full-width characters
// across, one line high.
constexpr int kTickerWidth = 240;
constexpr int kTickerHeight = 25;

// "上证", the index price and change, " 资金", the market value and the total assets as the watch's totals
// row shows them, and three blanks that keep the scrolled end apart from the start.
QString TickerText(const QString &indexPrice, const QString &indexChange, double marketValue,
                   double totalAssets);

// The text rotated left by one character; a full-width character is one, and so is a character written
// as a surrogate pair.
QString RotateLeft(const QString &text);

// Where the ticker lies: over the panel's strip, the part of the screen outside its available geometry
// (bottom, top, left or right, looked for in that order), at the strip's far end (the right end of a
// horizontal strip, the bottom end of a vertical one) and as thick as the strip. With no panel, or no
// usable geometry, the screen's bottom-right corner; never an empty rectangle.
QRect FindTrayNotifyWindow(const QRect &screen, const QRect &available);

} // namespace tv
