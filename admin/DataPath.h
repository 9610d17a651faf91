#pragma once

// The database file a typed or chosen path names.

#include <QString>

namespace tv {

// The trimmed text itself when it names File.zqd anywhere (any letter case); otherwise File.zqd in
// that folder, with or without a closing "/".
QString DatabaseFileOfPath(const QString &typed);

} // namespace tv
