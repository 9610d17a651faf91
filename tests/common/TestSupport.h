#pragma once

// What every test needs: a temporary folder holding the settings and the database files, the message
// boxes recorded and answered, and a clock that stands still.

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariantList>

#include <functional>

struct sqlite3;

namespace tv {
struct QuoteReading;
class Database;
class frmManager;
}

namespace tv::quoteserver {
class HttpServer;
}

namespace tv::test {

// The quote server's pieces (the HTTP server, the pages, the generated quotes) as the tests name them.
using namespace tv::quoteserver;

struct RecordedBox
{
    QString text;
    int style;
    QString title;
};

class TestEnv
{
public:
    TestEnv();
    ~TestEnv();

    QString dir() const { return m_dir.path(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // A new database made as tallyvane-mkdb makes it; g_DbPath, g_DbConnect and the stored data path
    // point at it.
    QString makeDatabase(const QString &name = QStringLiteral("File.zqd"));
    // The local database, the one beside the program, made in the test folder instead, where the program
    // looks for it until the end of the test; g_DbPath and the stored path are left alone.
    QString makeLocalDatabase();

    // Message boxes shown since the start (or the last clearBoxes) and the answers to give next.
    QList<RecordedBox> boxes;
    QList<int> answers;
    void clearBoxes() { boxes.clear(); }
    // Runs while each box is up, before it is answered, as a real box's own event loop lets events run.
    std::function<void(const RecordedBox &)> whileBoxShown;

    int beeps = 0;
    QList<QUrl> openedUrls;   // what was handed to the desktop opener
    bool openSucceeds = true; // what the desktop opener answers
    QDateTime now = QDateTime(QDate(2026, 12, 10), QTime(9, 30, 0));

    // The mail transport is a script in the folder that records each message handed to it, and its
    // arguments; no test can mail. While it fails, it still records, then exits with 1; with a delay it
    // sleeps that long after recording. mails() waits a few seconds for running transports first,
    // mailsNow() reads what has arrived.
    QString mailTransport() const { return path(QStringLiteral("sendmail")); }
    QList<QByteArray> mails() const;
    QList<QByteArray> mailsNow() const;
    void setMailDelay(int seconds);
    QStringList mailArguments(int mail) const;
    void setMailFails(bool fails);
    // An executable shell script `name` in the folder: "#!/bin/sh" and the text.
    QString script(const QString &name, const QByteArray &text) const;

private:
    QTemporaryDir m_dir;
};

QByteArray FileBytes(const QString &path);

// The process runs and is no zombie (one whose parent died with it may wait unreaped).
bool ProcessAlive(const QByteArray &pid);

// A few passes of a real event loop nested where it is called, as a message box's loop runs while it is up.
void RunNestedLoop();

// A file and its side files (-journal, -wal, -shm) by suffix, each as its bytes; a side file that is not
// there is left out. For telling that a refused file was not touched.
QMap<QString, QByteArray> FileWithSides(const QString &path);

// Files a user may choose by mistake, made with SQLite itself. Another program's database in WAL mode,
// whose last rows stand only in its -wal (with its -shm); a database in rollback mode left with a hot
// journal, as by a program killed in mid-save: another program's, or one of ours (made with the
// connect string, its Detail table then holding `rows` rows, which the journal takes back to none).
void MakeForeignWalFile(const QString &path);
void MakeHotJournalFile(const QString &path, bool ours, int rows = 300);
// A file that every open refuses, by kind: "wal" and "hot" another program's file as above, "text" a
// text file, "password" a database of ours made with another password, "damaged" one of ours a byte
// short.
void MakeRefusedFile(const QString &kind, const QString &path);
// The message that names such a file (DbNotOursText and its sisters).
QString RefusedFileText(const QString &kind, const QString &path, bool withRestore = true);

// A text of UTF-16 units as they are, whatever they pair into.
QString Units(std::initializer_list<char16_t> units);

// Texts as a paste or an input method can bring them, each with whether it can be stored as it is: halves
// of surrogate pairs, a NUL, a byte-order mark and U+FFFF beside ordinary texts, a character beyond the
// basic plane written as its pair, and an invisible character that is kept. None is longer than 4 units,
// so each fits the shortest box that takes free text.
struct TypedText
{
    QString tag;
    QString text;
    bool storable;
};
QList<TypedText> TypedTexts();

// Statements on the test database (g_DbPath).
void DbExec(const QString &sql, const QVariantList &args = {});
int DbCount(const QString &sql, const QVariantList &args = {});

// The cells of the first worksheet of an .xlsx file as text, by reference ("A1" -> text), as a
// spreadsheet program reads them (its "_xHHHH_" escapes read as their characters); numbers come back as
// the file stores them. Unpacks with `unzip`; empty, with a warning, when the file cannot be read or a
// part of it is not well-formed XML.
QMap<QString, QString> XlsxCells(const QString &path);
// How each of those cells is stored: "n" a number, "s" text.
QMap<QString, QString> XlsxCellKinds(const QString &path);

// The workbook a failed export's message names: the box must be that message, its fixed text, then the
// file on the last line. Empty when it is not.
QString KeptExportFile(const RecordedBox &box);

// A Detail row's update date, price and change, the two values with their SQLite types:
// "2026-12-10|real 12.3|text 1.00%"; "<none>" when there is no such row.
QString StoredQuote(const QString &code);

// The securities that QuoteTextBook() quotes with QuoteTexts(), at price 1 (AddSecurity), and what their
// rows hold as "tag: StoredQuote": as they stand, or as the texts say they should after one update
// (a row without a quote left as it was).
void AddQuoteTextSecurities();
QStringList QuoteTextRows(bool expected);

// A security of the starter account A000000001 at the given market price (target 12, stop 9, buy 9.5,
// updated 2026-12-09).
void AddSecurity(Database &db, const QString &name, const QString &code, double price);

// The main window shown and active with the manager window opened from its toolbar; with a name, that
// security's node selected.
frmManager *OpenManager(const QString &security = QString());

// Another workstation holding the database's write lock (BEGIN IMMEDIATE) from its construction until
// release() or its end: every write of the program waits for it past the busy time-out. Empty when the
// file could not be locked.
class WriteLockHeld
{
public:
    explicit WriteLockHeld(const QString &path);
    ~WriteLockHeld();
    WriteLockHeld(const WriteLockHeld &) = delete;
    WriteLockHeld &operator=(const WriteLockHeld &) = delete;
    bool held() const { return m_held; }
    void release();

private:
    ::sqlite3 *m_db = nullptr;
    bool m_held = false;
};

// Starts the server on 127.0.0.1 and points every "App_Name"/Services address at it, but the keys in
// `unset`, which are left empty. False when it cannot listen.
bool ServeQuotes(HttpServer &server, const QStringList &unset = {});

// The five page readers, each asked for ten codes, with the text that costs it most when a hostile reply
// repeats it (RepeatedInQuotePage) and yet names none of them: the first code's record key for sina and
// sohu, star's detail link of a code one digit longer, the first fund's marker without its end.
struct PageReader
{
    QString name;
    QString costlyText;
    std::function<QuoteReading(const QString &reply)> read;
};
QList<PageReader> PageReaders(int fundCount = 10); // the fund readers ask for fundCount funds

// The proxy variables of the environment for the length of a test, only http_proxy set (when given),
// put back afterwards.
class ProxyEnvironment
{
public:
    explicit ProxyEnvironment(const QByteArray &httpProxy = {});
    ~ProxyEnvironment();
    ProxyEnvironment(const ProxyEnvironment &) = delete;
    ProxyEnvironment &operator=(const ProxyEnvironment &) = delete;

private:
    struct Saved
    {
        const char *name;
        QByteArray value;
        bool set;
    };
    QList<Saved> m_saved;
};

} // namespace tv::test

// One recorded message box, all three parts at once.
#define QCOMPARE_BOX(box, expectedText, expectedStyle, expectedTitle)                                      \
    do {                                                                                                 \
        QCOMPARE((box).text, QString(expectedText));                                                     \
        QCOMPARE((box).style, int(expectedStyle));                                                       \
        QCOMPARE((box).title, QString(expectedTitle));                                                   \
    } while (false)
