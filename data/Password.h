#pragma once

#include <QString>

namespace tv {

// The stored form of an operator password: every character of the trimmed text lowered by 3.
// The encoding itself is not trimmed, so each password matches exactly itself.
QString EncodePassword(const QString &password);
QString DecodePassword(const QString &stored); // for the operators window, which shows them in clear

} // namespace tv
