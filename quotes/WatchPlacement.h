#pragma once

// The watch window's pointer watch without its window: what one tick does with the window's height, its
// button panel, the program's pointer and the waiting refresh, from a sample of the pointer and the
// window. Screen pixels throughout.

#include <QPoint>
#include <QRect>

namespace tv {

constexpr int kCollapsedTwips = 40; // the strip a docked window folds to
constexpr int kTopEdgePx = 3;       // a pointer at this row or above touches the top of the screen

// The corner the window is dragged by: 0 to 70 pixels across and 0 to 29 down from its top-left corner.
bool InDragZone(const QPoint &cursor, const QRect &window);

struct PointerSample
{
    QPoint cursor; // cursorPos
    QRect window;  // winRect, the window's frame
    bool atFullHeight = false;
    bool autoHide = false;
    bool panelOnHover = false;
    bool dragging = false;
    bool refreshPending = false;
    bool inDragZone = false;
};

struct PointerStep
{
    enum class Height { Keep, Full, Collapsed };
    enum class Panel { Keep, Shown, Hidden };
    enum class Pointer { Keep, SizeAll, Default };

    Height height = Height::Keep;
    Panel panel = Panel::Keep;
    Pointer pointer = Pointer::Keep;
    bool refreshNow = false; // run the quote refresh at once
    // The flags after the tick.
    bool inDragZone = false;
    bool refreshPending = false;
};

// One tick. A pointer at the top edge, or inside a window at its full height, keeps the window (or makes
// it) full height, runs a waiting refresh and sets the pointer by the drag corner; a pointer elsewhere
// folds a docked window that is not being dragged and leaves a refresh waiting for its return.
PointerStep WatchPointer(const PointerSample &s);

} // namespace tv
