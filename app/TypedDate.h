#pragma once

// What a text typed into a date picker of the form yyyy-MM-dd says, while it is typed and when the
// typing is done.

#include <QDate>
#include <QString>

namespace tv {

struct TypedDate
{
    enum Kind {
        Other,      // not of the form at all
        Partial,    // a section still being typed
        Real,       // a date that exists
        NoSuchDate, // every section typed, and no such day: 2026-02-30, 2026-13-01, 2026-04-00
    };
    Kind kind = Other;
    QDate date;          // when Real
    bool padded = false; // a month or day of one digit counted as typed whole
};

// A month of one digit above 1 or a day of one digit above 3 cannot grow and counts as typed whole;
// once the typing is done (`done`), so does every month or day of one digit. A year is whole at four
// digits. Blanks around the text are not looked at.
TypedDate JudgeTypedDate(const QString &text, bool done);

} // namespace tv
