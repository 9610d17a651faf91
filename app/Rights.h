#pragma once

#include <QStringList>

namespace tv {

// The main window's menu items that an operator's right disables. An unknown right disables nothing.
QStringList MainMenuItemsDisabledFor(const QString &right);

} // namespace tv
