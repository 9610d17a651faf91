#include "app/TypedDate.h"

#include <QRegularExpression>

namespace tv {

TypedDate JudgeTypedDate(const QString &text, bool done)
{
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{0,4})-(\\d{0,2})-(\\d{0,2})\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return {};
    TypedDate t;
    QString year = m.captured(1), month = m.captured(2), day = m.captured(3);
    // A section of one digit that cannot grow, or that the finished typing leaves as it is.
    auto whole = [&](QString &section, QChar highest) {
        if (section.size() == 1 && (done || section[0] > highest)) {
            section.prepend(u'0');
            t.padded = true;
        }
        return section.size() == 2;
    };
    const bool monthWhole = whole(month, u'1');
    const bool dayWhole = whole(day, u'3');
    if (year.size() < 4 || !monthWhole || !dayWhole) {
        t.kind = TypedDate::Partial;
        t.padded = false;
        return t;
    }
    t.date = QDate(year.toInt(), month.toInt(), day.toInt());
    t.kind = t.date.isValid() ? TypedDate::Real : TypedDate::NoSuchDate;
    return t;
}

} // namespace tv
