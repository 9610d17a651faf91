#include "reports/ReportFailure.h"

#include "app/Shared.h"
#include "data/Database.h"

namespace tv {

void ShowFailure(const std::exception &e)
{
    const auto *db = dynamic_cast<const DbError *>(&e);
    if (!db || !ShowDatabaseTrouble(*db))
        ShowUnknownError();
}

} // namespace tv
