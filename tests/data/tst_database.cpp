#include "data/Database.h"
#include "data/Password.h"
#include "data/Schema.h"
#include "journal/TradeEntry.h"
#include "tests/common/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <functional>
#include <sqlite3.h>

using namespace tv;
using tv::test::FileBytes;
using tv::test::FileWithSides;
using tv::test::MakeForeignWalFile;
using tv::test::MakeHotJournalFile;
using tv::test::TestEnv;

class TestDatabase : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void columnOrder_data();
    void columnOrder();
    void rowSetReads();
    void boundValuesAreNeverSpliced();
    void textsStoredExactlyOrNotBound_data();
    void textsStoredExactlyOrNotBound();
    void sameDateRowsInKeyOrder();
    void failedTransactionLeavesFileAsItWas();
    void refusedFiles_data();
    void refusedFiles();
    void busyFileIsToldApart();
    void hotJournalOfOursRollsBack();
    void starterDatabase();
    void mkdbTool();
};

void TestDatabase::columnOrder_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns");
    QTest::newRow("Detail") << "Detail"
                            << QStringList{"股东账号", "证券名称", "证券代码", "基本面", "分析评论", "目标价",
                                           "市场价格", "涨跌幅", "更新日期", "止损位", "买入点"};
    QTest::newRow("rep") << "rep"
                         << QStringList{"证券代码", "交易类别", "交收日期", "成交价格", "成交数量", "证券余额",
                                        "成交金额", "资金余额", "手续费",   "印花税",   "过户费",   "其它费用",
                                        "收支金额", "合同号",   "录入者",   "repid"};
    QTest::newRow("Catalog") << "Catalog" << QStringList{"证券类别", "股东账号"};
    QTest::newRow("machcom") << "machcom"
                             << QStringList{"证券类别", "交易方式", "手续费",   "手续费下", "印花税",
                                            "印花税下", "过户费",   "过户费下", "其它费用", "其它费用下"};
    QTest::newRow("qixst") << "qixst"
                           << QStringList{"资金余额", "证券市值", "资产总值", "日期", "上证指数", "涨跌幅", "备注",
                                          "qixstid"};
    QTest::newRow("User") << "User" << QStringList{"UID", "PWD", "权限"};
    QTest::newRow("Config") << "Config"
                            << QStringList{"公司名称", "公司地址", "公司电话", "公司传真", "负责人", "桌面图片路径"};
}

void TestDatabase::columnOrder()
{
    QFETCH(QString, table);
    QFETCH(QStringList, columns);
    TestEnv env;
    const QString path = env.makeDatabase();
    Database db(path, ConnectString());
    QStringList physical;
    const RowSet info = db.openQuery(QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table});
    for (int i = 0; i < info.recordCount(); ++i)
        physical << info.text(i, 0);
    QCOMPARE(physical, columns);
    // A whole table read in table order names its fields by position.
    QCOMPARE(db.openTable(table).fieldNames(), columns);
}

void TestDatabase::rowSetReads()
{
    TestEnv env;
    Database db(env.makeDatabase(), ConnectString());
    RowSet modes = db.openQuery(QStringLiteral("SELECT * FROM machcom WHERE 证券类别 = ?"), {QStringLiteral("a股")});
    QCOMPARE(modes.recordCount(), 10); // keys compare without regard to case
    QCOMPARE(modes.text(0, 1), QStringLiteral("证券买入"));
    QCOMPARE(modes.text(0, QStringLiteral("交易方式")), QStringLiteral("证券买入"));
    QCOMPARE(modes.number(1, QStringLiteral("印花税")), 0.0005);
    const int sale = modes.findFirst([&](int r) { return modes.text(r, 1) == QStringLiteral("证券卖出"); });
    QCOMPARE(sale, 1);
    QVERIFY(!modes.noMatch());
    QCOMPARE(modes.findFirst([&](int r) { return modes.text(r, 1) == QStringLiteral("配股"); }), -1);
    QVERIFY(modes.noMatch());
    QVERIFY_THROWS_EXCEPTION(DbError, modes.text(0, QStringLiteral("没有的字段")));
    QVERIFY_THROWS_EXCEPTION(DbError, modes.text(10, 0));
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Catalog")).toInt(), 1);
    QVERIFY(!db.exists(QStringLiteral("SELECT 1 FROM Detail")));
    QVERIFY_THROWS_EXCEPTION(DbError, db.execute(QStringLiteral("SELECT * FROM nosuchtable")));
}

void TestDatabase::boundValuesAreNeverSpliced()
{
    TestEnv env;
    Database db(env.makeDatabase(), ConnectString());
    const QString hostile = QStringLiteral("x'); DELETE FROM Catalog; --");
    db.execute(QStringLiteral("INSERT INTO Detail (股东账号, 证券名称, 证券代码) VALUES (?, ?, ?)"),
               {QStringLiteral("A000000001"), hostile, QStringLiteral("600000")});
    QCOMPARE(db.openTable(QStringLiteral("Detail")).text(0, 1), hostile);
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Catalog")).toInt(), 1);
}

void TestDatabase::textsStoredExactlyOrNotBound_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("sqliteKeeps"); // SQLite, handed the text, gives it back whole
    QTest::addColumn<bool>("storable");
    for (const test::TypedText &t : test::TypedTexts())
        QTest::newRow(qPrintable(t.tag)) << t.text << t.storable << t.storable;
    using test::Units;
    QTest::newRow("low half before high half") << Units({0xDC00, 0xD800}) << false << false;
    QTest::newRow("leading U+FFFE") << Units({0xFFFE, u'x'}) << false << false;
    QTest::newRow("U+FFFE inside") << Units({u'x', 0xFFFE, u'y'}) << false << false;
    // Kept where it stands, but a trim of the blank before it would make it a leading one.
    QTest::newRow("byte-order mark inside") << Units({u' ', 0xFEFF, u'x'}) << true << false;
    QTest::newRow("last plane's last") << Units({0xDBFF, 0xDFFF}) << true << true;
    QTest::newRow("noncharacter beyond the basic plane") << Units({0xD83F, 0xDFFE}) << true << true;
    QTest::newRow("replacement and private use") << Units({0xFFFD, 0xE000}) << true << true;
    QTest::newRow("controls and line breaks")
        << Units({0x01, 0x1F, 0x7F, u'\r', u'\n', u'\t', 0x85, 0x2028}) << true << true;
    QTest::newRow("joiners and a combining mark") << Units({u'e', 0x301, 0x200D, 0x2060}) << true << true;
}

void TestDatabase::textsStoredExactlyOrNotBound()
{
    QFETCH(QString, text);
    QFETCH(bool, sqliteKeeps);
    QFETCH(bool, storable);
    TestEnv env;
    Database db(env.makeDatabase(), ConnectString());
    QCOMPARE(StorableText(text), storable);

    // What SQLite itself does with the text, past the guard: read back whole, and whole to SQL (a NUL ends
    // a text for length() and for comparisons without regard to case).
    QSqlQuery raw(db.connection());
    QVERIFY(raw.exec(QStringLiteral("CREATE TEMP TABLE t (s TEXT COLLATE NOCASE)")));
    QVERIFY(raw.prepare(QStringLiteral("INSERT INTO t VALUES (?)")));
    raw.addBindValue(text);
    QVERIFY(raw.exec());
    QVERIFY(raw.exec(QStringLiteral("SELECT s, length(s) FROM t")) && raw.next());
    QCOMPARE(raw.value(0).toString() == text && raw.value(1).toInt() == text.toUcs4().size(), sqliteKeeps);

    // Through the program's binding a text is stored exactly, or not bound at all and nothing runs.
    const auto insert = [&] {
        db.execute(QStringLiteral("INSERT INTO Catalog (证券类别, 股东账号) VALUES (?, 'Z000000001')"),
                   {text});
    };
    if (storable) {
        insert();
        QCOMPARE(db.openQuery(QStringLiteral("SELECT 证券类别 FROM Catalog WHERE 股东账号 = 'Z000000001'"))
                     .text(0, 0),
                 text);
        QVERIFY(db.exists(QStringLiteral("SELECT 1 FROM Catalog WHERE 证券类别 = ? COLLATE BINARY"), {text}));
        return;
    }
    for (const auto &bind : std::initializer_list<std::function<void()>>{
             insert,
             [&] { db.exists(QStringLiteral("SELECT 1 FROM Catalog WHERE 证券类别 = ?"), {text}); }}) {
        try {
            bind();
            QFAIL("bound");
        } catch (const DbError &e) {
            QCOMPARE(e.kind(), DbError::Statement);
            QCOMPARE(e.message(), DbUnstorableText());
        }
    }
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Catalog")).toInt(), 1);
}

namespace {
void insertRep(Database &db, const QString &code, const QDate &date, double cash, const QString &contract)
{
    db.execute(QStringLiteral("INSERT INTO rep (证券代码, 交易类别, 交收日期, 资金余额, 合同号) VALUES (?, ?, ?, ?, ?)"),
               {code, QStringLiteral("证券买入"), date, cash, contract});
}
QStringList contractsInOrder(Database &db)
{
    const RowSet rows = db.openQuery(QStringLiteral("SELECT * FROM rep ORDER BY 交收日期 ASC, repid ASC"));
    QStringList out;
    for (int i = 0; i < rows.recordCount(); ++i)
        out << rows.text(i, 13);
    return out;
}
} // namespace

void TestDatabase::sameDateRowsInKeyOrder()
{
    TestEnv env;
    Database db(env.makeDatabase(), ConnectString());
    const QDate day(2026, 5, 6);
    insertRep(db, QStringLiteral("600000"), day.addDays(1), 300, QStringLiteral("c"));
    insertRep(db, QStringLiteral("600000"), day, 100, QStringLiteral("a"));
    insertRep(db, QStringLiteral("000001"), day, 200, QStringLiteral("b"));
    QCOMPARE(contractsInOrder(db), (QStringList{"a", "b", "c"}));
    QCOMPARE(db.openTable(QStringLiteral("rep")).text(1, 2), QStringLiteral("2026-05-06"));

    // An edit replaces the row under its own key: it keeps its place among the rows of its day.
    tv::test::AddSecurity(db, QStringLiteral("浦发银行"), QStringLiteral("600000"), 10);
    const qint64 oldKey = db.scalar(QStringLiteral("SELECT repid FROM rep WHERE 合同号 = 'a'")).toLongLong();
    TradeRow edited;
    edited.code = QStringLiteral("600000");
    edited.tradeType = QStringLiteral("证券买入");
    edited.date = day;
    edited.cash = 150;
    edited.contract = QStringLiteral("a");
    ReplaceTradeRow(db, oldKey, edited);
    QCOMPARE(contractsInOrder(db), (QStringList{"a", "b", "c"}));
    QCOMPARE(db.scalar(QStringLiteral("SELECT repid FROM rep WHERE 合同号 = 'a'")).toLongLong(), oldKey);
    QCOMPARE(db.scalar(QStringLiteral("SELECT 资金余额 FROM rep WHERE 合同号 = 'a'")).toDouble(), 150.0);
}

void TestDatabase::failedTransactionLeavesFileAsItWas()
{
    TestEnv env;
    const QString path = env.makeDatabase();
    const QByteArray before = FileBytes(path);
    {
        Database db(path, ConnectString());
        try {
            Transaction tx(db);
            db.execute(QStringLiteral("DELETE FROM machcom"));
            insertRep(db, QStringLiteral("600000"), QDate(2026, 1, 5), 1, QStringLiteral("x"));
            db.execute(QStringLiteral("INSERT INTO nosuchtable VALUES (1)"));
            tx.commit();
            QFAIL("the bad statement should have failed");
        } catch (const DbError &e) {
            QCOMPARE(e.kind(), DbError::Statement);
        }
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM machcom")).toInt(), 10);
        QVERIFY(!db.exists(QStringLiteral("SELECT 1 FROM rep")));
    }
    QCOMPARE(FileBytes(path), before);

    // A guard that is never told to commit rolls back as well.
    {
        Database db(path, ConnectString());
        Transaction tx(db);
        db.execute(QStringLiteral("DELETE FROM User"));
    }
    Database db(path, ConnectString());
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM User")).toInt(), 1);
}

void TestDatabase::refusedFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("expected");
    QTest::newRow("wrong password") << "password" << int(DbError::WrongPassword);
    QTest::newRow("text file") << "text" << int(DbError::NotDatabase);
    QTest::newRow("empty file") << "empty" << int(DbError::NotDatabase);
    QTest::newRow("another SQLite file") << "sqlite" << int(DbError::NotDatabase);
    QTest::newRow("another program's file in WAL mode") << "wal" << int(DbError::NotDatabase);
    QTest::newRow("another program's file with a hot journal") << "hot" << int(DbError::NotDatabase);
    QTest::newRow("missing file") << "missing" << int(DbError::Missing);
    QTest::newRow("ours, cut by 1 byte") << "cut1" << int(DbError::Damaged);
    QTest::newRow("ours, cut by 1000 bytes") << "cut1000" << int(DbError::Damaged);
    QTest::newRow("ours, with bytes after its pages") << "longer" << int(DbError::Damaged);
}

void TestDatabase::refusedFiles()
{
    QFETCH(QString, kind);
    QFETCH(int, expected);
    TestEnv env;
    QString path = env.path(QStringLiteral("File.zqd"));
    QString connect = ConnectString();
    if (kind == QLatin1String("password")) {
        env.makeDatabase();
        connect = ConnectString(QStringLiteral("plovermin"));
    } else if (kind == QLatin1String("text") || kind == QLatin1String("empty")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (kind == QLatin1String("text"))
            f.write("这不是数据库\n");
    } else if (kind == QLatin1String("sqlite")) {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(path);
        QVERIFY(other.open());
        QSqlQuery(other).exec(QStringLiteral("CREATE TABLE User (UID TEXT, PWD TEXT, 权限 TEXT)"));
        other.close();
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    } else if (kind == QLatin1String("wal")) {
        MakeForeignWalFile(path);
        QVERIFY(QFile::exists(path + QStringLiteral("-wal")));
    } else if (kind == QLatin1String("hot")) {
        MakeHotJournalFile(path, false);
        QVERIFY(QFile::exists(path + QStringLiteral("-journal")));
    } else if (kind.startsWith(QLatin1String("cut")) || kind == QLatin1String("longer")) {
        env.makeDatabase();
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        if (kind == QLatin1String("longer"))
            QVERIFY(f.seek(f.size()) && f.write(QByteArray(512, '\0')) == 512);
        else
            QVERIFY(f.resize(f.size() - kind.mid(3).toInt()));
    }
    const QMap<QString, QByteArray> before = FileWithSides(path);
    try {
        Database db(path, connect);
        QFAIL("the file should have been refused");
    } catch (const DbError &e) {
        QCOMPARE(int(e.kind()), expected);
        QVERIFY(!e.message().isEmpty());
    }
    QCOMPARE(FileWithSides(path), before); // the file and its side files untouched
    QCOMPARE(QFile::exists(path), kind != QLatin1String("missing"));
    if (kind.startsWith(QLatin1String("cut")))
        QVERIFY(DbDamagedText(path).contains(path));
}

// A workstation killed in mid-save leaves a file of ours with a hot journal: that file is not damaged.
// It opens, SQLite plays the journal back, and the save that did not finish is gone.
void TestDatabase::hotJournalOfOursRollsBack()
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("File.zqd"));
    MakeHotJournalFile(path, true);
    QVERIFY(QFileInfo(path + QStringLiteral("-journal")).size() > 0);
    {
        Database db(path, ConnectString());
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Detail")).toInt(), 0);
        QCOMPARE(db.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    }
    QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
    // Read as a copy instead, nothing of it is played back or changed.
    MakeHotJournalFile(path, true);
    const QMap<QString, QByteArray> before = FileWithSides(path);
    try {
        Database copy(path, ConnectString(), Database::ReadOnly);
    } catch (const DbError &) {
        // whatever it reads as it stands, it is left as it is
    }
    QCOMPARE(FileWithSides(path), before);
}

// Another workstation holds the file past the busy time-out: that is a busy file, not a foreign one,
// and nothing is changed; once it lets go, the same open and write go through.
void TestDatabase::busyFileIsToldApart()
{
    TestEnv env;
    const QString path = env.makeDatabase();
    sqlite3 *other = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &other), SQLITE_OK);
    const QByteArray before = FileBytes(path);

    QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    try {
        Database db(path, ConnectString());
        QFAIL("the open should have found the file busy");
    } catch (const DbError &e) {
        QCOMPARE(e.kind(), DbError::Busy);
        QCOMPARE(e.message(), DbBusyText());
    }
    QCOMPARE(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    QCOMPARE(FileBytes(path), before);
    {
        Database db(path, ConnectString());
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM User")).toInt(), 1);
    }

    // A write waiting for another workstation's write past the time-out is busy as well.
    QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE; DELETE FROM Catalog;", nullptr, nullptr, nullptr),
             SQLITE_OK);
    {
        Database db(path, ConnectString());
        try {
            Transaction tx(db);
            QFAIL("the write should have found the file busy");
        } catch (const DbError &e) {
            QCOMPARE(e.kind(), DbError::Busy);
        }
    }
    QCOMPARE(sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    Database db(path, ConnectString());
    Transaction tx(db);
    db.execute(QStringLiteral("DELETE FROM Detail"));
    tx.commit();
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Catalog")).toInt(), 1);
}

void TestDatabase::starterDatabase()
{
    TestEnv env;
    Database db(env.makeDatabase(), ConnectString());
    QVERIFY(MissingTables(db).isEmpty());
    const RowSet users = db.openTable(QStringLiteral("User"));
    QCOMPARE(users.recordCount(), 1);
    QCOMPARE(users.text(0, 0), QStringLiteral("admin"));
    QCOMPARE(users.text(0, 1), EncodePassword(QStringLiteral("123456")));
    QCOMPARE(users.text(0, 1), QStringLiteral("./0123"));
    QCOMPARE(users.text(0, 2), QStringLiteral("超级权限"));
    QCOMPARE(db.openTable(QStringLiteral("Config")).recordCount(), 1);
    const RowSet catalog = db.openTable(QStringLiteral("Catalog"));
    QCOMPARE(catalog.recordCount(), 1);
    QStringList modes;
    const RowSet m = db.openTable(QStringLiteral("machcom"));
    for (int i = 0; i < m.recordCount(); ++i) {
        QCOMPARE(m.text(i, 0), catalog.text(0, 0));
        modes << m.text(i, 1);
    }
    QCOMPARE(modes, (QStringList{"证券买入", "证券卖出", "红利入账", "红股入账", "基金申购拨出", "基金赎回拨入",
                                 "银行转券商", "券商转银行", "利息归本", "利息税代扣"}));
    QVERIFY(db.openTable(QStringLiteral("Detail")).isEmpty());
    QVERIFY(db.openTable(QStringLiteral("rep")).isEmpty());
}

void TestDatabase::mkdbTool()
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("sub/File.zqd"));
    QCOMPARE(QProcess::execute(QStringLiteral(MKDB_EXE), {path}), 0);
    {
        Database db(path, ConnectString());
        QVERIFY(MissingTables(db).isEmpty());
    }
    const QByteArray made = FileBytes(path);
    QCOMPARE(QProcess::execute(QStringLiteral(MKDB_EXE), {path}), 1); // never overwrites
    QCOMPARE(FileBytes(path), made);
    QCOMPARE(QProcess::execute(QStringLiteral(MKDB_EXE), {}), 2);
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
