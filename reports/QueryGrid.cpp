#include "reports/QueryGrid.h"

#include "app/Globals.h"

namespace tv {

void PublishQueryState(const QueryDisplay &d)
{
    g_RepWhere = d.repWhere;
    if (d.lastWhere)
        g_LastWhere = *d.lastWhere;
    if (d.listRows)
        g_ListRows = *d.listRows;
}

} // namespace tv
