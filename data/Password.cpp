#include "data/Password.h"

#include "app/VbCompat.h"

namespace tv {

namespace {
QString shifted(const QString &text, int by)
{
    QString out = text;
    for (QChar &c : out)
        c = QChar(char16_t(c.unicode() + by));
    return out;
}
} // namespace

QString EncodePassword(const QString &password) { return shifted(Trim(password), -3); }

QString DecodePassword(const QString &stored) { return shifted(stored, 3); }

} // namespace tv
