#include "data/Spreadsheet.h"

#include "app/Seams.h"
#include "app/VbCompat.h"

#include <QDir>
#include <QFileInfo>
#include <xlsxwriter.h>

namespace tv {

namespace {

QString asText(const char *p, qsizetype n)
{
    return QString::fromLatin1(p, n);
}
QString asText(const char16_t *p, qsizetype n)
{
    return QString(reinterpret_cast<const QChar *>(p), n);
}

// Printing a number for every cell of a large grid costs more than writing it, so the text's shape
// decides first: NumText only prints [-](0|[1-9]digits)[.digits ending in 1-9], never "-0".
template <typename Char> std::optional<double> numberCellValue(const Char *p, qsizetype n)
{
    qsizetype i = n > 0 && p[0] == '-' ? 1 : 0;
    const qsizetype intStart = i;
    while (i < n && p[i] >= '0' && p[i] <= '9')
        ++i;
    const qsizetype intDigits = i - intStart;
    if (intDigits == 0 || (intDigits > 1 && p[intStart] == '0'))
        return std::nullopt;
    qsizetype fracDigits = 0;
    if (i < n && p[i] == '.') {
        ++i;
        while (i < n && p[i] >= '0' && p[i] <= '9') {
            ++i;
            ++fracDigits;
        }
        if (fracDigits == 0 || p[i - 1] == '0')
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;

    // A spreadsheet shows 15 digits: 1e17 is exact, yet would not show as the 18 digits of its text.
    // Digits count from the first one that is not 0.
    const bool belowOne = p[intStart] == '0';
    qsizetype leadingZeros = 0;
    while (belowOne && leadingZeros < fracDigits && p[intStart + 2 + leadingZeros] == '0')
        ++leadingZeros;
    const qsizetype significant = belowOne ? fracDigits - leadingZeros : intDigits + fracDigits;
    if (significant > 15)
        return std::nullopt;
    // Only "0" and "-0" have no such digit; NumText prints a zero as "0".
    if (significant == 0)
        return intStart ? std::nullopt : std::optional<double>(0.0);
    // Below 0.0001 NumText prints through the exact decimal route: the rule as written.
    if (leadingZeros > 3) {
        const QString text = asText(p, n);
        const std::optional<double> v = DecimalNumber(text);
        if (!v || NumText(*v) != text)
            return std::nullopt;
        return v;
    }

    // At most 15 significant digits survive the trip through a double, and from 0.0001 up to 15 integer
    // digits NumText prints them in fixed notation: such a text is its number's own. Its digits make a
    // whole number below 2^53 and the point a power of ten up to 10^18, both exact as doubles, so their
    // quotient is the text's correctly rounded value, as a full decimal reading would give.
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                                              1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};
    quint64 whole = 0;
    for (qsizetype k = intStart; k < n; ++k) {
        if (p[k] != '.')
            whole = whole * 10 + quint64(p[k] - '0');
    }
    const double v = double(whole) / kPowersOfTen[fracDigits];
    return intStart ? -v : v;
}

} // namespace

std::optional<double> NumberCellValue(const QString &text)
{
    return numberCellValue(reinterpret_cast<const char16_t *>(text.utf16()), text.size());
}

std::optional<double> NumberCellValue(QByteArrayView utf8)
{
    return numberCellValue(utf8.data(), utf8.size());
}

SpreadsheetWriter::SpreadsheetWriter(const QString &path)
{
    // Each row goes to the file once the next one starts, instead of every cell staying in memory until
    // the close: a large grid then costs no more than the writing itself.
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    m_book = workbook_new_opt(QDir::toNativeSeparators(path).toUtf8().constData(), &options);
    if (m_book)
        m_sheet = workbook_add_worksheet(m_book, nullptr);
    if (!m_sheet) {
        if (m_book)
            workbook_close(m_book);
        m_book = nullptr;
    }
}

SpreadsheetWriter::~SpreadsheetWriter()
{
    if (m_book)
        close();
}

namespace {

bool isHex(char16_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A spreadsheet reads "_x" + four hex digits + "_" in a cell's text as the character of that number, so
// such a run that the text holds itself must have its "_" written as "_x005F_" to read back as typed.
template <typename Char> bool startsEscape(const Char *p, const Char *end)
{
    return end - p >= 7 && (p[1] == 'x' || p[1] == 'X') && isHex(char16_t(p[2])) && isHex(char16_t(p[3])) &&
           isHex(char16_t(p[4])) && isHex(char16_t(p[5])) && p[6] == '_';
}

// True when the bytes can go into the sheet's XML as they are: well-formed UTF-8 (no overlong form, no
// surrogate, nothing past U+10FFFF, nothing cut short), neither U+FFFE nor U+FFFF, which XML 1.0 does
// not allow, and no run a spreadsheet would read as an escape. The library escapes the control
// characters itself.
bool sheetReady(QByteArrayView utf8)
{
    const auto *p = reinterpret_cast<const uchar *>(utf8.data());
    const uchar *const end = p + utf8.size();
    while (p < end) {
        if (*p < 0x80) {
            if (*p == '_' && startsEscape(p, end))
                return false;
            ++p;
            continue;
        }
        char32_t cp = 0;
        const int length = Utf8Sequence(p, end, cp);
        if (length == 0 || cp == 0xFFFE || cp == 0xFFFF)
            return false;
        p += length;
    }
    return true;
}

} // namespace

// The text as the sheet is to hold it, as UTF-8 in the writer's own buffer, without a new array per
// cell: a surrogate without its pair as U+FFFD, U+FFFE and U+FFFF as the spreadsheet's escapes of them,
// and the "_" of an escape-like run as its own escape.
QByteArrayView SpreadsheetWriter::utf8(const QString &text)
{
    // Seven bytes at most for one UTF-16 unit ("_x005F_", "_xFFFE_"), four for a pair.
    const size_t need = size_t(text.size()) * 7 + 1;
    if (m_utf8.size() < need)
        m_utf8.resize(need);
    char *out = m_utf8.data();
    const char16_t *p = reinterpret_cast<const char16_t *>(text.utf16());
    const char16_t *const end = p + text.size();
    const auto put = [&out](const char *bytes) {
        while (*bytes)
            *out++ = *bytes++;
    };
    for (; p < end; ++p) {
        const char16_t c = *p;
        if (c < 0x80) {
            if (c == '_' && startsEscape(p, end))
                put("_x005F_");
            else
                *out++ = char(c);
        } else if (c < 0x800) {
            *out++ = char(0xC0 | (c >> 6));
            *out++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && end - p > 1 && QChar::isLowSurrogate(p[1])) {
            const char32_t u = QChar::surrogateToUcs4(c, p[1]);
            ++p;
            *out++ = char(0xF0 | (u >> 18));
            *out++ = char(0x80 | ((u >> 12) & 0x3F));
            *out++ = char(0x80 | ((u >> 6) & 0x3F));
            *out++ = char(0x80 | (u & 0x3F));
        } else if (QChar::isSurrogate(c)) {
            put("\xEF\xBF\xBD");
        } else if (c >= 0xFFFE) {
            put(c == 0xFFFE ? "_xFFFE_" : "_xFFFF_");
        } else {
            *out++ = char(0xE0 | (c >> 12));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        }
    }
    return QByteArrayView(m_utf8.data(), out - m_utf8.data());
}

bool SpreadsheetWriter::setCell(int row, int column, const QString &text, CellKind kind)
{
    return write(row, column, utf8(text), kind, true);
}

bool SpreadsheetWriter::setCell(int row, int column, QByteArrayView utf8, CellKind kind)
{
    return write(row, column, utf8, kind, false);
}

// sheetText: the bytes are known to be ready for the sheet (utf8() made them); others are checked.
bool SpreadsheetWriter::write(int row, int column, QByteArrayView text, CellKind kind, bool sheetText)
{
    if (!m_sheet || row < 1 || column < 1)
        return false;
    const std::optional<double> number = kind == CellKind::Typed ? NumberCellValue(text) : std::nullopt;
    lxw_error rc;
    if (number) {
        rc = worksheet_write_number(m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), *number, nullptr);
    } else {
        // Bytes that are no UTF-8 go out as the grid shows them, a U+FFFD for each piece it cannot read.
        if (!sheetText && !sheetReady(text))
            text = utf8(QString::fromUtf8(text));
        // The library reads a C string; the text ends at a NUL as QString::toUtf8().constData() did.
        if (text.data() == m_utf8.data() && size_t(text.size()) < m_utf8.size())
            m_utf8[size_t(text.size())] = '\0';
        else
            m_utf8.assign(text.data(), size_t(text.size()));
        rc = worksheet_write_string(m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), m_utf8.c_str(),
                                    nullptr);
    }
    if (rc != LXW_NO_ERROR)
        m_failed = true;
    return rc == LXW_NO_ERROR;
}

bool SpreadsheetWriter::close(QString *error)
{
    if (!m_book) {
        if (error)
            *error = QStringLiteral("工作簿没有建立");
        return false;
    }
    const lxw_error rc = workbook_close(m_book);
    m_book = nullptr;
    m_sheet = nullptr;
    if (rc != LXW_NO_ERROR || m_failed) {
        if (error)
            *error = QString::fromUtf8(lxw_strerror(rc));
        return false;
    }
    return true;
}

QString FreeXlsxPath(const QString &folder, const QString &base)
{
    const QDir dir(folder);
    QString path = dir.filePath(base + QStringLiteral(".xlsx"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("%1-%2.xlsx").arg(base).arg(n));
    return path;
}

QString NewExportPath(const QString &stem)
{
    return FreeXlsxPath(QDir::tempPath(), stem + u'-' + Now().toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

} // namespace tv
