#pragma once

// The splitter of the manager window, in twips.

namespace tv {

// Laid out at least 1500 from the left edge and 1500 from the right; the right-hand limit wins in a
// window narrower than 3000.
double ClampSplitPosition(double x, double outerWidth);

// While dragging, the bar stays 500 inside either edge.
double ClampDragBar(double p, double innerWidth);

} // namespace tv
