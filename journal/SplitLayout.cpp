#include "journal/SplitLayout.h"

namespace tv {

double ClampSplitPosition(double x, double outerWidth)
{
    if (x < 1500)
        x = 1500;
    if (x > outerWidth - 1500)
        x = outerWidth - 1500;
    return x;
}

double ClampDragBar(double p, double innerWidth)
{
    if (p < 500)
        return 500;
    if (p > innerWidth - 500)
        return innerWidth - 500;
    return p;
}

} // namespace tv
