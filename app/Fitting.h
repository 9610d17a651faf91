#pragma once

// How things are fitted into the room they have: a window into a screen, the panels of a status bar
// into its width.

#include <QList>
#include <QRect>

namespace tv {

// A window's frame fitted into a screen's available area: a size larger than the area shrinks to it, a
// frame past an edge moves in, and a frame that fits stays exactly where it is.
QRect FitRectInto(const QRect &frame, const QRect &area);

// Of the screens' areas, the one a frame opens on: the one holding most of it, or, where it lies on
// none, the nearest. -1 without screens.
int ScreenFor(const QRect &frame, const QList<QRect> &areas);

// The widths of panels side by side in `room` pixels, in their order. Each wants `need[i]`, and the
// panel `spring` takes whatever is left over. Where the needs do not fit, the panels give up width in
// `yieldOrder` (the least important first, every panel once): each down to `least` (or its need, if
// smaller) before the next gives any; and then, in the same order, down to nothing. A panel is never
// given less than it needs while a less important one has more than `least`.
QList<int> PanelWidths(const QList<int> &need, int spring, const QList<int> &yieldOrder, int least, int room);

} // namespace tv
