#include "tests/common/TestSupport.h"

#include "app/Forms.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/Settings.h"
#include "journal/frmManager.h"
#include "quotes/AlertMail.h"
#include "quotes/FundQuotes.h"
#include "quotes/Services.h"
#include "quotes/StockQuotes.h"
#include "tools/quoteserver/HttpServer.h"
#include "tools/quoteserver/QuotePages.h"
#include "tools/quoteserver/QuoteService.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>

#include <sqlite3.h>

namespace tv::test {

namespace {
int defaultAnswer(int style)
{
    switch (style & 0x0F) {
    case 2: return vbAbort;
    case 3:
    case 4: return vbYes;
    case 5: return vbRetry;
    default: return vbOK;
    }
}
} // namespace

TestEnv::TestEnv()
{
    ResetModuleState();
    InstallStatusWriter();
    forms::setProgramEndHandler([] {});
    SetSettingsFolder(m_dir.filePath(QStringLiteral("settings")));
    seams::msgBox = [this](const QString &text, int style, const QString &title) {
        boxes.append({text, style, title});
        if (whileBoxShown) {
            const RecordedBox box = boxes.last();
            whileBoxShown(box);
        }
        return answers.isEmpty() ? defaultAnswer(style) : answers.takeFirst();
    };
    seams::now = [this] { return now; };
    seams::beep = [this] { ++beeps; };
    seams::openUrl = [this](const QUrl &url) {
        openedUrls << url;
        return openSucceeds;
    };
    seams::openFile = [](QWidget *, const QString &, const QString &, const QString &) { return QString(); };
    seams::chooseFolder = [](QWidget *, const QString &, const QString &) { return QString(); };

    const QString mailDir = path(QStringLiteral("mail"));
    QDir().mkpath(mailDir);
    // Transports run side by side: each takes its number under a lock.
    script(QStringLiteral("sendmail"),
           "dir='" + mailDir.toUtf8() +
               "'\n"
               "while ! mkdir \"$dir/lock\" 2>/dev/null; do sleep 0.01; done\n"
               "n=$(ls \"$dir\" | grep -c '\\.eml$')\n"
               ": > \"$dir/$n.eml\"\n"
               "rmdir \"$dir/lock\"\n"
               "printf '%s\\n' \"$@\" > \"$dir/$n.args\"\n"
               "cat > \"$dir/$n.eml\"\n"
               "if [ -e \"$dir/delay\" ]; then sleep \"$(cat \"$dir/delay\")\"; fi\n"
               "if [ -e \"$dir/fail\" ]; then exit 1; fi\n");
    SaveSetting(kAppNameShared, QStringLiteral("frmemail"), QStringLiteral("sendmail"), mailTransport());
}

QList<QByteArray> TestEnv::mails() const
{
    WaitForMailTransports(5000);
    return mailsNow();
}

QList<QByteArray> TestEnv::mailsNow() const
{
    QList<QByteArray> out;
    for (int n = 0; QFile::exists(path(QStringLiteral("mail/%1.eml").arg(n))); ++n)
        out << FileBytes(path(QStringLiteral("mail/%1.eml").arg(n)));
    return out;
}

QStringList TestEnv::mailArguments(int mail) const
{
    return QString::fromUtf8(FileBytes(path(QStringLiteral("mail/%1.args").arg(mail)))).split(u'\n', Qt::SkipEmptyParts);
}

void TestEnv::setMailDelay(int seconds)
{
    QFile delay(path(QStringLiteral("mail/delay")));
    if (seconds > 0 && delay.open(QIODevice::WriteOnly))
        delay.write(QByteArray::number(seconds));
    else if (seconds <= 0)
        delay.remove();
}

QString TestEnv::script(const QString &name, const QByteArray &text) const
{
    QFile f(path(name));
    if (f.open(QIODevice::WriteOnly)) {
        f.write("#!/bin/sh\n" + text);
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return f.fileName();
}

void TestEnv::setMailFails(bool fails)
{
    QFile flag(path(QStringLiteral("mail/fail")));
    if (fails)
        flag.open(QIODevice::WriteOnly);
    else
        flag.remove();
}

TestEnv::~TestEnv()
{
    forms::destroyAll();
    FinishMailTransports(2000);
    SetStatusWriter(nullptr);
    seams::reset();
    SetSettingsFolder(QString());
    SetLocalDatabasePath(QString());
    ResetModuleState();
}

QString TestEnv::makeDatabase(const QString &name)
{
    const QString p = path(name);
    CreateEmptyDatabase(p, ConnectString());
    g_DbPath = p;
    g_DbConnect = ConnectString();
    SaveSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path"), p);
    return p;
}

QString TestEnv::makeLocalDatabase()
{
    const QString p = path(QStringLiteral("program/data/File.zqd"));
    QDir().mkpath(QFileInfo(p).path());
    CreateEmptyDatabase(p, ConnectString());
    SetLocalDatabasePath(p);
    return p;
}

bool ServeQuotes(HttpServer &server, const QStringList &unset)
{
    if (!server.listen())
        return false;
    for (const QString &key : services::Keys())
        SaveSetting(kAppNameShared, QStringLiteral("Services"), key, unset.contains(key) ? QString() : server.address());
    return true;
}

QList<PageReader> PageReaders(int fundCount)
{
    static const QString detail = QStringLiteral("http://quotes.test:8080");
    static const QString links = QStringLiteral("http://pages.test");
    static const QString fundPages = QStringLiteral("http://funds.test/fund");
    static const QString profiles = QStringLiteral("http://profiles.test");
    static const QString lookup = QStringLiteral("http://lookup.test:81");
    static const QStringList stocks = {QString(), "600000", "600001", "600002", "600003", "600004",
                                       "000005",  "000006", "000007", "000008", "shzs000001"};
    QStringList funds = {QString(), "161005", "110022", "519001", "000001", "270002",
                         "050001",  "161006", "161007", "161008", "161009"};
    for (int i = int(funds.size()); i <= fundCount; ++i)
        funds << QStringLiteral("2%1").arg(i, 5, 10, QLatin1Char('0'));
    funds = funds.mid(0, fundCount + 1);
    const int n = int(stocks.size()) - 1;
    const int f = fundCount;
    return {
        {QStringLiteral("star"), detail + QStringLiteral("/ar/f10.asp?code=6000000"),
         [=](const QString &reply) { return ReadStarReply(reply, stocks, n, detail); }},
        {QStringLiteral("sina"), QStringLiteral("sh600000="),
         [=](const QString &reply) { return ReadSinaReply(reply, stocks, n, links); }},
        {QStringLiteral("sohu"), QStringLiteral("0600000="),
         [=](const QString &reply) { return ReadSohuReply(reply, stocks, n, links); }},
        {QStringLiteral("fund list"), QStringLiteral("</td><td><nobr><a href=\"") + fundPages + "/161005",
         [=](const QString &reply) { return ReadFundPrices(reply, funds, f, fundPages, profiles); }},
        {QStringLiteral("fund ranking"), lookup + QStringLiteral("/suggest/lookup_n.php?q=161005"),
         [=](const QString &reply) { return ReadFundSina(reply, funds, f, lookup); }},
    };
}

namespace {
constexpr const char *kProxyVariables[] = {"http_proxy", "HTTP_PROXY", "no_proxy",
                                           "NO_PROXY",   "all_proxy",  "ALL_PROXY"};
} // namespace

ProxyEnvironment::ProxyEnvironment(const QByteArray &httpProxy)
{
    for (const char *name : kProxyVariables) {
        m_saved.append({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
        qunsetenv(name);
    }
    if (!httpProxy.isEmpty())
        qputenv("http_proxy", httpProxy);
}

ProxyEnvironment::~ProxyEnvironment()
{
    for (const Saved &s : m_saved) {
        if (s.set)
            qputenv(s.name, s.value);
        else
            qunsetenv(s.name);
    }
}

QString Units(std::initializer_list<char16_t> units)
{
    QString s;
    for (char16_t u : units)
        s.append(QChar(u));
    return s;
}

QList<TypedText> TypedTexts()
{
    return {
        {QStringLiteral("half pair, high"), Units({u'A', 0xD800, u'Z'}), false},
        {QStringLiteral("half pair, low"), Units({u'A', u'Z', 0xDC00}), false},
        {QStringLiteral("NUL"), Units({u'a', 0, u'b'}), false},
        {QStringLiteral("byte-order mark"), Units({0xFEFF, u'a', u'b'}), false},
        {QStringLiteral("U+FFFF"), Units({u'a', u'b', 0xFFFF}), false},
        {QStringLiteral("ordinary"), QStringLiteral("平安银行"), true},
        {QStringLiteral("beyond the basic plane"), QStringLiteral("𠀀A"), true},
        {QStringLiteral("zero-width space"), Units({u'a', 0x200B, u'b'}), true},
    };
}

QByteArray FileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool ProcessAlive(const QByteArray &pid)
{
    // "pid (name) state ...": the name may hold blanks and brackets, the state follows the last ")".
    const QByteArray stat = FileBytes("/proc/" + QString::fromLatin1(pid.trimmed()) + "/stat");
    const qsizetype state = stat.lastIndexOf(')') + 2;
    return state > 1 && state < stat.size() && stat[state] != 'Z';
}

void RunNestedLoop()
{
    QEventLoop loop;
    QTimer pass;
    int passes = 0;
    QObject::connect(&pass, &QTimer::timeout, &loop, [&] {
        if (++passes == 5)
            loop.quit();
    });
    pass.start(0);
    loop.exec();
}

QMap<QString, QByteArray> FileWithSides(const QString &path)
{
    QMap<QString, QByteArray> out;
    for (const QString &suffix :
         {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")})
        if (QFile::exists(path + suffix))
            out.insert(suffix, FileBytes(path + suffix));
    return out;
}

namespace {

void exec(sqlite3 *h, const char *sql)
{
    if (sqlite3_exec(h, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("%s: %s", sql, sqlite3_errmsg(h));
}

// Copies the files of `from` that exist to the same names under `to` while `from` is held open, so the
// copy is left as the other program has it at this moment.
void copyWithSides(const QString &from, const QString &to)
{
    for (const QString &suffix :
         {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        QFile::remove(to + suffix);
        if (QFile::exists(from + suffix) && !QFile::copy(from + suffix, to + suffix))
            qFatal("cannot copy %s", qPrintable(from + suffix));
    }
}

} // namespace

void MakeForeignWalFile(const QString &path)
{
    const QString work = path + QStringLiteral(".making");
    sqlite3 *h = nullptr;
    sqlite3_open(work.toUtf8().constData(), &h);
    exec(h, "PRAGMA journal_mode=WAL; CREATE TABLE notes (n TEXT); INSERT INTO notes VALUES ('one');"
            "PRAGMA wal_checkpoint(TRUNCATE); INSERT INTO notes VALUES ('two'), ('three');");
    copyWithSides(work, path);
    sqlite3_close(h);
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(work + suffix);
}

void MakeHotJournalFile(const QString &path, bool ours, int rows)
{
    const QString work = path + QStringLiteral(".making");
    if (ours)
        CreateEmptyDatabase(work, ConnectString());
    sqlite3 *h = nullptr;
    sqlite3_open(work.toUtf8().constData(), &h);
    exec(h, "PRAGMA journal_mode=DELETE; PRAGMA cache_size=10; PRAGMA synchronous=FULL");
    if (!ours)
        exec(h, "CREATE TABLE Detail (证券名称 TEXT)");
    // A change too large for the cache spills into the file before it commits; the journal holds the
    // pages as they were.
    exec(h, "BEGIN");
    const QByteArray insert =
        QByteArrayLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                          "WHERE i < ") +
        QByteArray::number(rows) + ") INSERT INTO Detail (证券名称) SELECT hex(randomblob(120)) || i FROM n";
    exec(h, insert.constData());
    copyWithSides(work, path);
    exec(h, "ROLLBACK");
    sqlite3_close(h);
    QFile::remove(work);
}

void MakeRefusedFile(const QString &kind, const QString &path)
{
    if (kind == u"wal") {
        MakeForeignWalFile(path);
    } else if (kind == u"hot") {
        MakeHotJournalFile(path, false);
    } else if (kind == u"password") {
        CreateEmptyDatabase(path, ConnectString(QStringLiteral("otherword1")));
    } else {
        QByteArray bytes = QByteArrayLiteral("这不是数据库\r\n");
        if (kind == u"damaged") {
            CreateEmptyDatabase(path, ConnectString());
            bytes = FileBytes(path);
            bytes.chop(1);
        } else if (kind != u"text") {
            qFatal("no such kind of file: %s", qPrintable(kind));
        }
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
    }
}

QString RefusedFileText(const QString &kind, const QString &path, bool withRestore)
{
    if (kind == u"password")
        return DbWrongPasswordText(path);
    if (kind == u"damaged")
        return DbDamagedText(path, withRestore);
    return DbNotOursText(path);
}

void DbExec(const QString &sql, const QVariantList &args)
{
    Database db(g_DbPath, g_DbConnect);
    db.execute(sql, args);
}

int DbCount(const QString &sql, const QVariantList &args)
{
    Database db(g_DbPath, g_DbConnect);
    return db.scalar(sql, args).toInt();
}

QString StoredQuote(const QString &code)
{
    Database db(g_DbPath, g_DbConnect);
    const RowSet rs =
        db.openQuery(QStringLiteral("SELECT 更新日期, typeof(市场价格), 市场价格, typeof(涨跌幅), 涨跌幅 "
                                    "FROM Detail WHERE 证券代码 = ?"),
                     {code});
    if (rs.isEmpty())
        return QStringLiteral("<none>");
    return rs.text(0, 0) + u'|' + rs.text(0, 1) + u' ' + rs.text(0, 2) + u'|' + rs.text(0, 3) + u' ' +
           rs.text(0, 4);
}

void AddQuoteTextSecurities()
{
    Database db(g_DbPath, g_DbConnect);
    for (int i = 0; i < QuoteTexts().size(); ++i)
        AddSecurity(db, QStringLiteral("股票"), QuoteTextCode(i), 1);
}

QStringList QuoteTextRows(bool expected)
{
    QStringList rows;
    const QList<QuoteText> &texts = QuoteTexts();
    for (int i = 0; i < texts.size(); ++i) {
        const QString row =
            !expected ? StoredQuote(QuoteTextCode(i))
            : texts[i].quote.isEmpty()
                ? QStringLiteral("2026-12-09|real 1|text ")
                : QStringLiteral("2026-12-10|real %1|text %2").arg(texts[i].quote, texts[i].quotedChange);
        rows << QString::fromUtf8(texts[i].tag) + QStringLiteral(": ") + row;
    }
    return rows;
}

void AddSecurity(Database &db, const QString &name, const QString &code, double price)
{
    db.execute(QStringLiteral(
                   "INSERT INTO Detail (股东账号, 证券名称, 证券代码, 基本面, 分析评论, 目标价, 市场价格, "
                   "涨跌幅, 更新日期, 止损位, 买入点) VALUES ('A000000001', ?, ?, '', '', 12, ?, '', "
                   "'2026-12-09', 9, 9.5)"),
               {name, code, price});
}

frmManager *OpenManager(const QString &security)
{
    frmMain *m = frmMain::instance();
    m->resize(1100, 760);
    m->show();
    QApplication::setActiveWindow(m); // focus moves between the controls as on a desktop
    m->Toolbar1_ButtonClick(QStringLiteral("Manager"));
    QCoreApplication::processEvents();
    frmManager *w = frmManager::existing();
    if (w && !security.isEmpty())
        w->TreeView_NodeClick(w->securityNode(security));
    return w;
}

namespace {
QByteArray zipMember(const QString &zip, const QString &member)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), zip, member});
    if (!unzip.waitForFinished(10000) || unzip.exitCode() != 0)
        return {};
    return unzip.readAllStandardOutput();
}

// A cell's text as a spreadsheet program reads it: "_x" + four hex digits + "_" is that character.
QString unescapeCell(const QString &text)
{
    static const QRegularExpression escape(QStringLiteral("_[xX]([0-9A-Fa-f]{4})_"));
    QString out;
    qsizetype from = 0;
    for (const QRegularExpressionMatch &m : escape.globalMatch(text)) {
        out += QStringView(text).mid(from, m.capturedStart() - from);
        out += QChar(char16_t(m.captured(1).toUShort(nullptr, 16)));
        from = m.capturedEnd();
    }
    out += QStringView(text).mid(from);
    return out;
}

// The cells' texts, and whether each is stored as a number ("n") or as text ("s"). A part that is no
// well-formed XML (bytes that are no UTF-8, characters XML does not allow) is a file no spreadsheet
// program opens: nothing is read from it.
QMap<QString, QString> readXlsxCells(const QString &path, QMap<QString, QString> *kinds)
{
    const auto malformed = [&](const QXmlStreamReader &reader, const char *part) {
        if (!reader.hasError())
            return false;
        qWarning("%s of %s is not well-formed XML: %s (line %lld, column %lld)", part, qPrintable(path),
                 qPrintable(reader.errorString()), reader.lineNumber(), reader.columnNumber());
        if (kinds)
            kinds->clear();
        return true;
    };
    QStringList shared;
    // Absent where the sheet holds its texts itself.
    const QByteArray sharedPart = zipMember(path, QStringLiteral("xl/sharedStrings.xml"));
    QXmlStreamReader strings(sharedPart);
    while (!sharedPart.isEmpty() && !strings.atEnd()) {
        strings.readNext();
        if (strings.isStartElement() && strings.name() == QLatin1String("si"))
            shared << QString();
        else if (strings.isStartElement() && strings.name() == QLatin1String("t") && !shared.isEmpty())
            shared.last() += unescapeCell(strings.readElementText());
    }
    if (malformed(strings, "xl/sharedStrings.xml"))
        return {};
    QMap<QString, QString> cells;
    QXmlStreamReader sheet(zipMember(path, QStringLiteral("xl/worksheets/sheet1.xml")));
    QString ref, type;
    while (!sheet.atEnd()) {
        sheet.readNext();
        if (sheet.isStartElement() && sheet.name() == QLatin1String("c")) {
            ref = sheet.attributes().value(QLatin1String("r")).toString();
            type = sheet.attributes().value(QLatin1String("t")).toString();
        } else if (sheet.isStartElement() && sheet.name() == QLatin1String("v")) {
            const QString v = sheet.readElementText();
            cells.insert(ref, type == QLatin1String("s") ? shared.value(v.toInt()) : v);
            if (kinds)
                kinds->insert(ref, type.isEmpty() || type == QLatin1String("n") ? QStringLiteral("n")
                                                                                : QStringLiteral("s"));
        } else if (sheet.isStartElement() && sheet.name() == QLatin1String("t") &&
                   type == QLatin1String("inlineStr")) {
            cells.insert(ref, unescapeCell(sheet.readElementText()));
            if (kinds)
                kinds->insert(ref, QStringLiteral("s"));
        }
    }
    if (malformed(sheet, "xl/worksheets/sheet1.xml"))
        return {};
    return cells;
}
} // namespace

QMap<QString, QString> XlsxCells(const QString &path)
{
    return readXlsxCells(path, nullptr);
}

QString KeptExportFile(const RecordedBox &box)
{
    const QStringList lines = box.text.split(u'\n');
    if (box.style != 16 || box.title != QStringLiteral("不能导出") || lines.size() < 2 ||
        lines.first() != QStringLiteral("系统错误Excel未安装或版本不符，不能继续！"))
        return QString();
    return lines.last();
}

QMap<QString, QString> XlsxCellKinds(const QString &path)
{
    QMap<QString, QString> kinds;
    readXlsxCells(path, &kinds);
    return kinds;
}

WriteLockHeld::WriteLockHeld(const QString &path)
{
    if (sqlite3_open(path.toUtf8().constData(), &m_db) == SQLITE_OK)
        m_held = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
}

WriteLockHeld::~WriteLockHeld()
{
    release();
    sqlite3_close(m_db);
}

void WriteLockHeld::release()
{
    if (m_held)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_held = false;
}

} // namespace tv::test
