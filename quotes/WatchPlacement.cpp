#include "quotes/WatchPlacement.h"

namespace tv {

bool InDragZone(const QPoint &cursor, const QRect &window)
{
    const int across = cursor.x() - window.left();
    const int down = cursor.y() - window.top();
    return across >= 0 && across <= 70 && down >= 0 && down < 30;
}

PointerStep WatchPointer(const PointerSample &s)
{
    PointerStep step;
    step.inDragZone = s.inDragZone;
    step.refreshPending = s.refreshPending;
    const bool inside = s.window.contains(s.cursor);
    if (s.panelOnHover)
        step.panel = inside ? PointerStep::Panel::Shown : PointerStep::Panel::Hidden;
    if (s.cursor.y() <= kTopEdgePx || (s.atFullHeight && inside)) {
        step.height = PointerStep::Height::Full;
        step.refreshNow = s.refreshPending;
        step.refreshPending = false;
        step.inDragZone = s.dragging || InDragZone(s.cursor, s.window);
        step.pointer = step.inDragZone ? PointerStep::Pointer::SizeAll : PointerStep::Pointer::Default;
        return step;
    }
    if (s.autoHide && !s.dragging)
        step.height = PointerStep::Height::Collapsed;
    step.refreshPending = true; // the pointer's return refreshes the quotes at once
    return step;
}

} // namespace tv
