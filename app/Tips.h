#pragma once

#include <QString>
#include <QStringList>

namespace tv {

// Every line of the tips file is one tip, blank lines included. False when there is no such file.
bool ReadTipsFile(const QString &path, QStringList &tips);

// The tip after `current` (1-based), back to the first after the last; 1 when there are none.
int NextTipNumber(int current, int count);

QString MissingTipsText();

} // namespace tv
