#include "admin/qixda.h"
#include "admin/qixrsda.h"
#include "app/Forms.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "data/Backup.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/Settings.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>

using namespace tv;
using tv::test::TestEnv;

namespace {

using Dump = QList<QList<QVariantList>>;

// Every row of the seven tables, in table order.
Dump dump(const QString &path)
{
    Database db(path, g_DbConnect);
    Dump out;
    for (const TableDef &t : Tables())
        out << db.openTable(t.name).rows();
    return out;
}

void addRows(const QString &path, const QString &tag)
{
    Database db(path, g_DbConnect);
    Transaction tx(db);
    db.execute(
        QStringLiteral(
            "INSERT INTO Detail (股东账号, 证券名称, 证券代码, 目标价, 市场价格) VALUES (?, ?, ?, ?, ?)"),
        {QStringLiteral("A000000001"), QStringLiteral("名称") + tag, QStringLiteral("sh") + tag, 12.5,
         10.25});
    db.execute(
        QStringLiteral("INSERT INTO rep (证券代码, 交易类别, 交收日期, 成交价格, 成交数量, 资金余额, 录入者) "
                       "VALUES (?, '证券买入', '2026-12-01', 10.25, 100, 8974.75, 'admin')"),
        {QStringLiteral("sh") + tag});
    tx.commit();
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A copy of `from` at `to`, cut or damaged: "cut N" leaves N bytes off its end, "flip" flips a byte of
// the cell count of rep's first page.
void damagedCopy(const QString &from, const QString &to, const QString &damage)
{
    QByteArray bytes = test::FileBytes(from);
    if (damage.startsWith(QLatin1String("cut "))) {
        bytes.chop(damage.mid(4).toInt());
    } else if (damage == QLatin1String("flip")) {
        qint64 page = 0, pageSize = 0;
        {
            Database db(from, g_DbConnect);
            const QString rootOfRep = QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = 'rep'");
            page = db.scalar(rootOfRep).toLongLong();
            pageSize = db.scalar(QStringLiteral("PRAGMA page_size")).toLongLong();
        }
        bytes[(page - 1) * pageSize + 4] = char(bytes[(page - 1) * pageSize + 4] ^ 0x40);
    }
    writeFile(to, bytes);
}

qixrsda *restoreFrom(const QString &source)
{
    qixrsda *w = qixrsda::instance();
    w->show();
    w->Text1->setText(source);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    return w;
}

qixda *openBackup(const QString &folder)
{
    qixda *w = qixda::instance();
    w->show();
    w->NetDataPath->setText(folder);
    return w;
}

// A live file with rows, a good backup of it, and the restore window, loaded while the file is still
// good (which loads the main window too).
struct GoodBackup
{
    explicit GoodBackup(TestEnv &env)
        : live(env.makeDatabase()), backup(env.path(QStringLiteral("good.zqdb")))
    {
        addRows(live, QStringLiteral("600001"));
        BackupDatabase(live, g_DbConnect, backup);
        backedUp = dump(backup);
        window = qixrsda::instance();
    }

    // The restore from the backup, without a message, gives the live file back whole.
    void restoreAndCheck(const TestEnv &env) const
    {
        restoreFrom(backup);
        QVERIFY2(env.boxes.isEmpty(), env.boxes.isEmpty() ? "" : qPrintable(env.boxes[0].text));
        QVERIFY(dump(live) == backedUp);
        CheckDatabaseFile(live, g_DbConnect);
    }

    QString live;
    QString backup;
    Dump backedUp;
    qixrsda *window = nullptr;
};

// The child mode of this program: a writer halfway through a copy beside the target named on the
// command line. It prints the copy's path, then waits for the end of its input; killed meanwhile, it
// leaves the copy as a killed backup or restore does, pages written and a hot journal beside them.
const char kHoldCopy[] = "--hold-partial-copy";

int holdPartialCopy(const char *target)
{
    try {
        PartialCopy copy{QString::fromLocal8Bit(target)};
        sqlite3 *to = nullptr;
        if (sqlite3_open_v2(copy.path().toUtf8().constData(), &to, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK)
            return 2;
        const char *halfway =
            "PRAGMA cache_size = 1; BEGIN; CREATE TABLE t (x); "
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
            "INSERT INTO t SELECT randomblob(300) FROM n;";
        if (sqlite3_exec(to, halfway, nullptr, nullptr, nullptr) != SQLITE_OK)
            return 3;
        std::printf("%s\n", copy.path().toLocal8Bit().constData());
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        sqlite3_close(to); // rolls the copy back; the copy itself then goes with `copy`
    } catch (const BackupError &) {
        return 4;
    }
    return 0;
}

// Another process writing a partial copy beside `target`.
class CopyWriter
{
public:
    explicit CopyWriter(const QString &target)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kHoldCopy), target});
        while (m_process.waitForReadyRead(30000) && !m_process.canReadLine()) {
        }
        copy = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~CopyWriter()
    {
        if (m_process.state() != QProcess::NotRunning)
            kill();
    }
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    // Ends as a writer whose copy failed: it removes the copy itself.
    void end()
    {
        m_process.closeWriteChannel();
        m_process.waitForFinished();
    }

    QString copy; // empty when the writer did not get as far
    QString name() const { return QFileInfo(copy).fileName(); }

private:
    QProcess m_process;
};

// What a backup or restore into `folder` finds there: copies left by a killed writer and by one of
// another workstation, a journal whose copy is gone, the copy of a writer still at work, and files of
// other names, some a character away from a copy's. `target` is the file the writers copy for.
struct LeftCopies
{
    LeftCopies(const QString &folder, const QString &target) : folder(folder), working(target)
    {
        {
            CopyWriter killed(target);
            QVERIFY(!killed.copy.isEmpty());
            killed.kill();
            gone << killed.name() << killed.name() + QStringLiteral("-journal");
        }
        QVERIFY(QFileInfo(working.copy).isFile());
        QVERIFY(QFileInfo::exists(folder + u'/' + gone[1]));
        const QString stranger = QStringLiteral(".tallyvane-copy-0123456789abcdef-4242-abcdefgh.partial");
        gone << stranger << stranger + QStringLiteral("-journal")
             << QStringLiteral(".tallyvane-copy-fedcba9876543210-17-zz00zz00.partial-journal");
        // Another workstation's, untouched for an hour.
        for (int i = 2; i < gone.size(); ++i) {
            writeFile(folder + u'/' + gone[i], QByteArray(4096, 'p'));
            QFile f(folder + u'/' + gone[i]);
            QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                                                  QFileDevice::FileModificationTime));
        }
        // Another workstation's copy written a moment ago, whose writer's lock may be one this
        // workstation cannot see, and names a character away from a copy's.
        for (const char *name : {".tallyvane-copy-0123456789abcdef-4243-youngyyy.partial",
                                 ".tallyvane-copy-0123456789ABCDEF-4242-abcdefgh.partial",
                                 "tallyvane-copy-0123456789abcdef-4242-abcdefgh.partial",
                                 ".tallyvane-copy-0123456789abcdef-4242-abcdefgh.partial-wal",
                                 ".tallyvane-copy-0123456789abcdef-4242-abcdefgh.partial.zqdb",
                                 ".Tallyvane-copy-0123456789abcdef-4242-abcdefgh.partial",
                                 ".tallyvane-copy-0123456789abcdef-4242-abcdefg.partial",
                                 ".tallyvane-copy-0123456789abcdef-04242-abcdefgh.partial", "File.zqd.Ab12Cd",
                                 "26-12-09.zQdb", "26-12-09.zQdb.x1Y2z3", "notes.partial"})
            writeFile(folder + u'/' + QString::fromLatin1(name), "a file of the user's");
        // Exactly a copy's name, yet a folder and a link: neither is a copy.
        QVERIFY(QDir(folder).mkdir(QStringLiteral(".tallyvane-copy-0123456789abcdef-4242-folder00.partial")));
        writeFile(folder + QStringLiteral("/linked.txt"), "linked");
        QVERIFY(
            QFile::link(folder + QStringLiteral("/linked.txt"),
                        folder + QStringLiteral("/.tallyvane-copy-0123456789abcdef-4242-link0000.partial")));
        before = entries(folder);
    }

    // Only the left copies are gone, and the working writer's copy is still there until it ends.
    void verify(const QString &added = QString())
    {
        QStringList expected = before;
        for (const QString &name : gone)
            QVERIFY2(expected.removeOne(name), qPrintable(name));
        if (!added.isEmpty() && !expected.contains(added))
            expected << added;
        expected.sort();
        QCOMPARE(entries(folder), expected);
        QVERIFY(QFileInfo(working.copy).isFile());
        working.end();
        QVERIFY(!QFileInfo::exists(working.copy));
        QVERIFY(!QFileInfo::exists(working.copy + QStringLiteral("-journal")));
    }

    QString folder;
    CopyWriter working;
    QStringList gone;
    QStringList before;
};

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void targetName_data();
    void targetName();
    void backupWritesTheDaysFile();
    void backupWhileAnotherWorkstationWrites();
    void backupFailureKeepsWindow_data();
    void backupFailureKeepsWindow();
    void restoreGivesBackTheRows();
    void restoreChooserListsBackups();
    void restoreFileDialogAndPathBox();
    void restoreRefusesWrongFiles_data();
    void restoreRefusesWrongFiles();
    void restoreFailingCopyKeepsOldDatabase();
    void restoreOnlyFromAWholeCopy_data();
    void restoreOnlyFromAWholeCopy();
    void restoreRepairsTheCurrentFile_data();
    void restoreRepairsTheCurrentFile();
    void backupChecksItsCopy();
    void damagedLiveFileIsToldAtOnce_data();
    void damagedLiveFileIsToldAtOnce();
    void partialCopyNames();
    void leftCopiesGoWithTheNextCopy_data();
    void leftCopiesGoWithTheNextCopy();
};

void TestBackup::targetName_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("target");
    QTest::newRow("plain") << "/srv/bk" << QDate(2026, 12, 10) << "/srv/bk/26-12-10.zQdb";
    QTest::newRow("two-digit parts") << "/srv/bk" << QDate(2009, 1, 5) << "/srv/bk/09-01-05.zQdb";
    QTest::newRow("trailing separator kept") << "/srv/bk/" << QDate(2030, 7, 31) << "/srv/bk//30-07-31.zQdb";
}

void TestBackup::targetName()
{
    QFETCH(QString, folder);
    QFETCH(QDate, day);
    QFETCH(QString, target);
    QCOMPARE(BackupTarget(folder, day), target);
}

void TestBackup::backupWritesTheDaysFile()
{
    TestEnv env;
    const QString live = env.makeDatabase();
    addRows(live, QStringLiteral("600001"));
    const QString folder = env.path(QStringLiteral("bk"));
    QVERIFY(QDir().mkpath(folder));
    QString caption;
    seams::chooseFolder = [&](QWidget *, const QString &c, const QString &) {
        caption = c;
        return folder;
    };

    qixda *w = qixda::instance();
    w->show();
    QCOMPARE(w->windowTitle(), QStringLiteral("备份数据"));
    QCOMPARE(LastStatusText(), QStringLiteral("备份数据"));
    QVERIFY(!w->OK->isEnabled());
    QCOMPARE(w->NetDataPath->maxLength(), 250);
    QVERIFY(!w->lLeft->isVisible() && !w->lBottom->isVisible());
    w->NetDataPath->setText(QStringLiteral("   "));
    QVERIFY(!w->OK->isEnabled());
    QTest::mouseClick(w->cmdBrowse, Qt::LeftButton);
    QCOMPARE(caption, QStringLiteral("请选择备份数据库的路径 => 证券交易记录"));
    QCOMPARE(w->NetDataPath->text(), folder);
    QVERIFY(w->OK->isEnabled());
    QTest::mouseClick(w->OK, Qt::LeftButton);

    const QString first = folder + QStringLiteral("/26-12-10.zQdb");
    QVERIFY(env.boxes.isEmpty());
    QVERIFY(!qixda::isLoaded());
    QCOMPARE(LastStatusText(), kIdleText);
    QCOMPARE(entries(folder), QStringList{QStringLiteral("26-12-10.zQdb")});
    QVERIFY(dump(first) == dump(live));

    // Later the same day: the new copy replaces the first one, and leaves nothing else behind.
    addRows(live, QStringLiteral("600002"));
    QTest::mouseClick(openBackup(folder)->OK, Qt::LeftButton);
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(entries(folder), QStringList{QStringLiteral("26-12-10.zQdb")});
    QVERIFY(dump(first) == dump(live));
    {
        Database copy(first, g_DbConnect);
        QCOMPARE(copy.openTable(QStringLiteral("rep")).recordCount(), 2);
    }

    // Another day, another file; the earlier one stays.
    env.now = QDateTime(QDate(2027, 1, 5), QTime(8, 0));
    QTest::mouseClick(openBackup(folder)->OK, Qt::LeftButton);
    QCOMPARE(entries(folder),
             (QStringList{QStringLiteral("26-12-10.zQdb"), QStringLiteral("27-01-05.zQdb")}));
}

void TestBackup::backupWhileAnotherWorkstationWrites()
{
    TestEnv env;
    const QString live = env.makeDatabase();
    addRows(live, QStringLiteral("600001"));
    const Dump committed = dump(live);
    const QString target = env.path(QStringLiteral("copy.zQdb"));

    // Another workstation is halfway through its write: the copy holds what was committed, whole.
    Database other(live, g_DbConnect);
    Transaction tx(other);
    other.execute(QStringLiteral("DELETE FROM rep"));
    other.execute(QStringLiteral("INSERT INTO Catalog (证券类别, 股东账号) VALUES ('半途', 'B0001')"));
    BackupDatabase(live, g_DbConnect, target);
    tx.commit();

    QVERIFY(dump(target) == committed);
    QVERIFY(dump(live) != committed);
}

void TestBackup::backupFailureKeepsWindow_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder is a regular file") << "file-folder";
    QTest::newRow("folder does not exist") << "no-folder";
    QTest::newRow("target is a directory") << "dir-target";
    QTest::newRow("database file gone, earlier backup kept") << "no-database";
}

void TestBackup::backupFailureKeepsWindow()
{
    QFETCH(QString, kind);
    TestEnv env;
    const QString live = env.makeDatabase();
    qixda *w = openBackup(QString()); // loads the main window, which writes its index row
    const QByteArray liveBytes = test::FileBytes(live);
    const QString bk = env.path(QStringLiteral("bk"));
    QVERIFY(QDir().mkpath(bk));
    QString folder = bk;
    if (kind == QLatin1String("file-folder")) {
        folder = env.path(QStringLiteral("plain"));
        writeFile(folder, "not a folder");
    } else if (kind == QLatin1String("no-folder")) {
        folder = env.path(QStringLiteral("nowhere/deeper"));
    } else if (kind == QLatin1String("dir-target")) {
        QVERIFY(QDir().mkpath(bk + QStringLiteral("/26-12-10.zQdb")));
    } else {
        writeFile(bk + QStringLiteral("/26-12-10.zQdb"), "the earlier backup");
        g_DbPath = env.path(QStringLiteral("gone/File.zqd"));
    }
    const QStringList before = entries(bk);

    w->NetDataPath->setText(folder);
    QTest::mouseClick(w->OK, Qt::LeftButton);

    QCOMPARE(env.boxes.size(), 1);
    QVERIFY(env.boxes[0].text.startsWith(QStringLiteral("备份失败，没有写入备份文件：") + folder +
                                         QStringLiteral("/26-12-10.zQdb")));
    QCOMPARE(env.boxes[0].style, 16);
    QCOMPARE(env.boxes[0].title, QStringLiteral("错误"));
    QVERIFY(qixda::isLoaded());
    QVERIFY(w->isVisible());
    QCOMPARE(w->NetDataPath->text(), folder);
    QVERIFY(w->OK->isEnabled());
    QCOMPARE(LastStatusText(), QStringLiteral("备份数据"));
    QCOMPARE(entries(bk), before); // no half-written copy anywhere
    QCOMPARE(test::FileBytes(live), liveBytes);
    if (kind == QLatin1String("dir-target"))
        QVERIFY(entries(bk + QStringLiteral("/26-12-10.zQdb")).isEmpty());
    if (kind == QLatin1String("no-database"))
        QCOMPARE(test::FileBytes(bk + QStringLiteral("/26-12-10.zQdb")), QByteArray("the earlier backup"));
    if (kind == QLatin1String("no-folder"))
        QVERIFY(!QFileInfo::exists(env.path(QStringLiteral("nowhere"))));

    // Cancel still leaves as ever.
    QTest::mouseClick(w->NetCancel, Qt::LeftButton);
    QVERIFY(!qixda::isLoaded());
    QCOMPARE(LastStatusText(), kIdleText);
}

void TestBackup::restoreGivesBackTheRows()
{
    TestEnv env;
    const QString live = env.makeDatabase();
    addRows(live, QStringLiteral("600001"));
    const QString backup = BackupTarget(env.dir(), QDate(2026, 12, 9));
    BackupDatabase(live, g_DbConnect, backup);
    const Dump expected = dump(backup);

    // The live file moves on after the backup: rows added, deleted and changed.
    addRows(live, QStringLiteral("600002"));
    {
        Database db(live, g_DbConnect);
        db.execute(QStringLiteral("DELETE FROM Detail WHERE 证券代码 = 'sh600001'"));
        db.execute(QStringLiteral("UPDATE Config SET 公司名称 = '改过的'"));
        db.execute(QStringLiteral("DELETE FROM User"));
    }
    QVERIFY(dump(live) != expected);

    SaveSetting(ExeAppName(), QStringLiteral("Config"), QStringLiteral("Add"),
                QStringLiteral("/earlier/choice.zqdb"));
    QString caption, dir;
    seams::openFile = [&](QWidget *, const QString &c, const QString &d, const QString &) {
        caption = c;
        dir = d;
        return backup;
    };
    qixrsda *w = qixrsda::instance();
    w->show();
    QCOMPARE(w->windowTitle(), QStringLiteral("恢复备份"));
    QCOMPARE(LastStatusText(), QStringLiteral("恢复数据"));
    QVERIFY(!w->Command1->isEnabled());
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QCOMPARE(caption, QStringLiteral("请选择文件"));
    QCOMPARE(dir, QStringLiteral("/earlier/choice.zqdb"));
    QCOMPARE(w->Text1->text(), backup);
    QCOMPARE(GetSetting(ExeAppName(), QStringLiteral("Config"), QStringLiteral("Add")), backup);
    QVERIFY(w->Command1->isEnabled());
    QCOMPARE(w->focusWidget(), w->Command1);

    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QVERIFY(env.boxes.isEmpty());
    QVERIFY(!qixrsda::isLoaded());
    QCOMPARE(LastStatusText(), kIdleText);
    QVERIFY(dump(live) == expected);
    QVERIFY(!QFileInfo::exists(live + QStringLiteral("-journal")));

    w = qixrsda::instance();
    QVERIFY(w->Text1->text().isEmpty());
    QVERIFY(!w->Command1->isEnabled());
}

// The real chooser with the restore's filter: it reads "所有文件(*.zqbd)" and lists the backups in any
// letter case, and nothing else.
void TestBackup::restoreChooserListsBackups()
{
    TestEnv env;
    const QString files = env.path(QStringLiteral("files"));
    QVERIFY(QDir().mkpath(files));
    for (const char *name : {"a.zqdb", "b.ZQDB", "c.zQdb", "d.zqd", "e.zqdb.txt", "f.zqbd"})
        writeFile(files + u'/' + QString::fromLatin1(name), "x");
    seams::reset(); // the real chooser; nothing here reaches the other seams
    QString shown;
    QStringList listed;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        shown = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"))->currentText();
        const auto *view = dialog->findChild<QListView *>(QStringLiteral("listView"));
        // The folder is read on a thread of its own; a file the filter let through would come with these.
        if (QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) >= 3; }, 5000))
            QTest::qWait(200);
        for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r)
            listed << view->model()->index(r, 0, view->rootIndex()).data().toString();
        dialog->reject();
    });
    QVERIFY(ChooseOpenFile(nullptr, QStringLiteral("请选择文件"), files, RestoreFileFilter()).isEmpty());
    QCOMPARE(shown, QStringLiteral("所有文件(*.zqbd)"));
    listed.sort();
    QCOMPARE(listed,
             (QStringList{QStringLiteral("a.zqdb"), QStringLiteral("b.ZQDB"), QStringLiteral("c.zQdb")}));
}

void TestBackup::restoreFileDialogAndPathBox()
{
    TestEnv env;
    env.makeDatabase();
    QString filter;
    QString answer;
    seams::openFile = [&](QWidget *, const QString &, const QString &, const QString &f) {
        filter = f;
        return answer;
    };
    qixrsda *w = qixrsda::instance();
    w->show();

    // Cancelled with an empty box: nothing moves.
    w->Command2->setFocus();
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QVERIFY(w->Text1->text().isEmpty());
    QVERIFY(!w->Command1->isEnabled());
    QVERIFY(w->focusWidget() != w->Text1);

    QCOMPARE(filter, RestoreFileFilter());

    // Up to 5 characters do not enable the confirm button; once enabled, it stays.
    w->Text1->setText(QStringLiteral("/a/bc"));
    QVERIFY(!w->Command1->isEnabled());
    w->Text1->setText(QStringLiteral("/a/bcd"));
    QVERIFY(w->Command1->isEnabled());
    w->Text1->setText(QStringLiteral("/a"));
    QVERIFY(w->Command1->isEnabled());

    // Cancelled with a path in the box: the path stays and the focus goes to it.
    w->Command2->setFocus();
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QCOMPARE(w->Text1->text(), QStringLiteral("/a"));
    QVERIFY(w->Command1->isEnabled());
    QCOMPARE(w->focusWidget(), w->Text1);

    QTest::mouseClick(w->Command2, Qt::LeftButton);
    QVERIFY(!qixrsda::isLoaded());
    QCOMPARE(LastStatusText(), kIdleText);
    QVERIFY(env.boxes.isEmpty());
}

void TestBackup::restoreRefusesWrongFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    const QString notOurs = QStringLiteral("所选文件不是本系统的数据库，没有恢复：");
    const QString same = QStringLiteral("所选文件就是当前使用的数据库，不能用它恢复。");
    QTest::newRow("text file") << "text" << notOurs;
    QTest::newRow("empty file") << "empty" << notOurs;
    QTest::newRow("another SQLite file") << "sqlite" << notOurs;
    QTest::newRow("another program's file in WAL mode") << "wal" << notOurs;
    QTest::newRow("another program's file with a hot journal") << "hot" << notOurs;
    QTest::newRow("a table missing") << "missing-table" << notOurs;
    QTest::newRow("another database password") << "password" << notOurs;
    QTest::newRow("the current file") << "current" << same;
    QTest::newRow("the current file spelt otherwise") << "current-dot" << same;
    QTest::newRow("the current file through a link") << "current-link" << same;
    QTest::newRow("a file that is gone") << "gone" << QStringLiteral("找不到要恢复的文件：");
}

void TestBackup::restoreRefusesWrongFiles()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    TestEnv env;
    const QString live = env.makeDatabase();
    addRows(live, QStringLiteral("600001"));
    qixrsda *w = qixrsda::instance(); // loads the main window, which writes its index row
    w->show();
    QString source = env.path(QStringLiteral("chosen.zqdb"));
    if (kind == QLatin1String("text")) {
        writeFile(source, "这不是数据库\r\n");
    } else if (kind == QLatin1String("empty")) {
        writeFile(source, QByteArray());
    } else if (kind == QLatin1String("sqlite")) {
        sqlite3 *h = nullptr;
        QCOMPARE(sqlite3_open(source.toUtf8().constData(), &h), SQLITE_OK);
        QCOMPARE(sqlite3_exec(h, "CREATE TABLE User (UID TEXT); INSERT INTO User VALUES ('x');", nullptr,
                              nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(h);
    } else if (kind == QLatin1String("wal")) {
        test::MakeForeignWalFile(source);
    } else if (kind == QLatin1String("hot")) {
        test::MakeHotJournalFile(source, false);
    } else if (kind == QLatin1String("missing-table")) {
        CreateEmptyDatabase(source, g_DbConnect);
        Database db(source, g_DbConnect);
        db.execute(QStringLiteral("DROP TABLE qixst"));
    } else if (kind == QLatin1String("password")) {
        CreateEmptyDatabase(source, ConnectString(QStringLiteral("otherword1")));
    } else if (kind == QLatin1String("current")) {
        source = live;
    } else if (kind == QLatin1String("current-dot")) {
        source = env.dir() + QStringLiteral("/./sub/../File.zqd");
        QVERIFY(QDir().mkpath(env.path(QStringLiteral("sub"))));
    } else if (kind == QLatin1String("current-link")) {
        QVERIFY(QFile::link(live, source));
    } else {
        source = env.path(QStringLiteral("gone.zqdb"));
    }
    const QByteArray liveBytes = test::FileBytes(live);
    const QMap<QString, QByteArray> chosen = test::FileWithSides(source);

    w->Text1->setText(source);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(test::FileWithSides(source), chosen); // the refused copy and its side files as they were

    QCOMPARE(env.boxes.size(), 1);
    QVERIFY2(env.boxes[0].text.startsWith(message), qPrintable(env.boxes[0].text));
    QCOMPARE(env.boxes[0].style, 48);
    QCOMPARE(env.boxes[0].title, QStringLiteral("提示："));
    QCOMPARE(test::FileBytes(live), liveBytes);
    QVERIFY(qixrsda::isLoaded());
    QCOMPARE(w->Text1->text(), source);
    QCOMPARE(LastStatusText(), QStringLiteral("恢复数据"));
}

void TestBackup::restoreFailingCopyKeepsOldDatabase()
{
    TestEnv env;
    const QString live = env.makeDatabase();
    const QString backup = env.path(QStringLiteral("old.zqdb"));
    BackupDatabase(live, g_DbConnect, backup);
    addRows(live, QStringLiteral("600001"));
    qixrsda *w = qixrsda::instance();
    w->show();
    w->Text1->setText(backup);
    const QByteArray liveBytes = test::FileBytes(live);
    const Dump liveRows = dump(live);
    {
        // Another workstation is reading the live file and does not let go: the restore cannot finish
        // its write, says the file is busy, and gives up with the live file whole.
        Database other(live, g_DbConnect);
        QCOMPARE(
            sqlite3_exec(other.nativeHandle(), "BEGIN; SELECT count(*) FROM rep;", nullptr, nullptr, nullptr),
            SQLITE_OK);
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QCOMPARE(env.boxes.size(), 1);
        QCOMPARE_BOX(env.boxes[0], DbBusyText(), 48, QStringLiteral("提示："));
        QVERIFY(qixrsda::isLoaded());
        QCOMPARE(test::FileBytes(live), liveBytes);
    }
    QVERIFY(!QFileInfo::exists(live + QStringLiteral("-journal")));
    QVERIFY(dump(live) == liveRows);

    // Once the file is free the same window restores it.
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 1);
    QVERIFY(!qixrsda::isLoaded());
    QVERIFY(dump(live) == dump(backup));
}

// A copy cut short inside its last page still opens, and reads back with zeros where bytes are missing;
// a flipped byte in a page of the journal breaks that page. Neither reaches the live file.
void TestBackup::restoreOnlyFromAWholeCopy_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("reason");
    const QString pages = QStringLiteral("文件长度不是整页");
    QTest::newRow("1 byte short") << "cut 1" << pages;
    QTest::newRow("1000 bytes short") << "cut 1000" << pages;
    QTest::newRow("half a page short") << "cut 2048" << pages;
    QTest::newRow("a flipped byte in a table page") << "flip"
                                                    << "完整性检查没有通过：";
    QTest::newRow("whole") << ""
                           << "";
}

void TestBackup::restoreOnlyFromAWholeCopy()
{
    QFETCH(QString, damage);
    QFETCH(QString, reason);
    TestEnv env;
    const QString live = env.makeDatabase();
    for (int i = 0; i < 20; ++i)
        addRows(live, QStringLiteral("6000%1").arg(i, 2, 10, QLatin1Char('0')));
    const QString backup = env.path(QStringLiteral("whole.zqdb"));
    BackupDatabase(live, g_DbConnect, backup);
    const Dump backedUp = dump(backup);
    QCOMPARE(test::FileBytes(backup).size() % 4096, 0);
    {
        Database db(live, g_DbConnect);
        db.execute(QStringLiteral("UPDATE rep SET 录入者 = 'later'"));
    }
    const QString chosen = env.path(QStringLiteral("chosen.zqdb"));
    damagedCopy(backup, chosen, damage);
    qixrsda::instance()->show(); // loads the main window, which writes its index row
    const QByteArray liveBytes = test::FileBytes(live);

    restoreFrom(chosen);
    if (damage.isEmpty()) {
        QVERIFY(env.boxes.isEmpty());
        QVERIFY(!qixrsda::isLoaded());
        QVERIFY(dump(live) == backedUp);
        return;
    }
    try {
        CheckDatabaseFile(chosen, g_DbConnect);
        QFAIL("the damaged copy passed the check");
    } catch (const BackupError &e) {
        QCOMPARE(e.kind(), BackupError::NotDatabase);
        QVERIFY2(e.detail().startsWith(reason), qPrintable(e.detail()));
    }
    QCOMPARE(env.boxes.size(), 1);
    QVERIFY2(env.boxes[0].text.startsWith(QStringLiteral("所选文件不是本系统的数据库，没有恢复：") + chosen),
             qPrintable(env.boxes[0].text));
    QCOMPARE(env.boxes[0].style, 48);
    QCOMPARE(env.boxes[0].title, QStringLiteral("提示："));
    QVERIFY(qixrsda::isLoaded());
    QCOMPARE(test::FileBytes(live), liveBytes);
}

// The file a restore exists for: gone, emptied or overwritten. A whole copy replaces it, and the program
// opens it afterwards.
void TestBackup::restoreRepairsTheCurrentFile_data()
{
    QTest::addColumn<QString>("state");
    QTest::newRow("deleted") << "deleted";
    QTest::newRow("emptied") << "emptied";
    QTest::newRow("overwritten with junk") << "junk";
    QTest::newRow("cut short") << "cut";
}

void TestBackup::restoreRepairsTheCurrentFile()
{
    QFETCH(QString, state);
    TestEnv env;
    const GoodBackup good(env);
    const QString &live = good.live;
    qixrsda *w = good.window;
    w->show();
    if (state == QLatin1String("deleted")) {
        QVERIFY(QFile::remove(live));
    } else if (state == QLatin1String("emptied")) {
        writeFile(live, QByteArray());
    } else if (state == QLatin1String("junk")) {
        writeFile(live, QByteArray(9000, 'j'));
        // A journal left beside the junk belongs to no database the restore writes.
        writeFile(live + QStringLiteral("-journal"), QByteArray(600, 'x'));
    } else {
        QByteArray bytes = test::FileBytes(live);
        bytes.chop(100);
        writeFile(live, bytes);
    }

    good.restoreAndCheck(env);
    QVERIFY(!QTest::currentTestFailed());
    QVERIFY(!qixrsda::isLoaded());
    QCOMPARE(LastStatusText(), kIdleText);
    QCOMPARE(entries(env.dir()).filter(QStringLiteral("File.zqd")), QStringList{QStringLiteral("File.zqd")});
}

// The day's copy is checked before it replaces the earlier one: a damaged live file gives a copy that
// fails, and the earlier copy stays.
void TestBackup::backupChecksItsCopy()
{
    TestEnv env;
    const QString live = env.makeDatabase();
    for (int i = 0; i < 5; ++i)
        addRows(live, QStringLiteral("6000%1").arg(i));
    qixda *w = openBackup(QString()); // loads the main window while the file is still good
    const QString folder = env.path(QStringLiteral("bk"));
    QVERIFY(QDir().mkpath(folder));
    const QString earlier = folder + QStringLiteral("/26-12-10.zQdb");
    writeFile(earlier, "the earlier backup");
    const QString damaged = env.path(QStringLiteral("damaged.zqd"));
    damagedCopy(live, damaged, QStringLiteral("flip"));
    QVERIFY(QFile::remove(live) && QFile::rename(damaged, live));

    w->NetDataPath->setText(folder);
    QTest::mouseClick(w->OK, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 1);
    QVERIFY2(env.boxes[0].text.startsWith(QStringLiteral("备份失败，没有写入备份文件：") + earlier +
                                          QStringLiteral("\r\n副本检查没有通过：完整性检查没有通过：")),
             qPrintable(env.boxes[0].text));
    QCOMPARE(env.boxes[0].style, 16);
    QVERIFY(qixda::isLoaded());
    QCOMPARE(entries(folder), QStringList{QStringLiteral("26-12-10.zQdb")});
    QCOMPARE(test::FileBytes(earlier), QByteArray("the earlier backup"));
}

void TestBackup::damagedLiveFileIsToldAtOnce_data()
{
    QTest::addColumn<int>("cut");
    QTest::newRow("1 byte short") << 1;
    QTest::newRow("1000 bytes short") << 1000;
}

// A live file cut inside its last page is named as damaged by the first action that opens it, nothing
// is written to it, and a restore from a good copy then brings it back.
void TestBackup::damagedLiveFileIsToldAtOnce()
{
    QFETCH(int, cut);
    TestEnv env;
    const GoodBackup good(env);
    const QString &live = good.live;
    qixrsda *w = good.window;
    {
        QFile f(live);
        QVERIFY(f.open(QIODevice::ReadWrite) && f.resize(f.size() - cut));
    }
    const QMap<QString, QByteArray> damaged = test::FileWithSides(live);

    frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("Manager")); // the journal reads its tree
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], DbDamagedText(live), 16, QStringLiteral("错误"));
    QVERIFY(env.boxes[0].text.contains(live) && env.boxes[0].text.contains(QStringLiteral("恢复备份")));
    QCOMPARE(test::FileWithSides(live), damaged);

    env.clearBoxes();
    w->show();
    good.restoreAndCheck(env);
}

// A copy's name is none that the backups' or the live file's patterns take, in any letter case.
void TestBackup::partialCopyNames()
{
    TestEnv env;
    const PartialCopy copy(env.path(QStringLiteral("26-12-10.zQdb")));
    const QString name = QFileInfo(copy.path()).fileName();
    QCOMPARE(QFileInfo(copy.path()).absolutePath(), QFileInfo(env.dir()).absoluteFilePath());
    QVERIFY(IsPartialCopyName(name));
    QVERIFY(IsPartialCopyName(name + QStringLiteral("-journal")));
    for (const QString &n : {name, name + QStringLiteral("-journal")})
        for (const char *glob : {"*.zqdb", "*.zqd", "File.zqd*", "*-*-*.zqdb*"})
            QVERIFY2(!QRegularExpression::fromWildcard(QString::fromLatin1(glob), Qt::CaseInsensitive)
                          .match(n)
                          .hasMatch(),
                     glob);
}

void TestBackup::leftCopiesGoWithTheNextCopy_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("backup") << "backup";
    QTest::newRow("restore into a whole file") << "restore";
    QTest::newRow("restore into a damaged file") << "restore-damaged";
}

// Copies left by killed writers are gone after the next backup or restore into their folder, and the
// copy written then is whole; a writer still at work keeps its copy, and no other file is touched.
void TestBackup::leftCopiesGoWithTheNextCopy()
{
    QFETCH(QString, action);
    TestEnv env;
    if (action == QLatin1String("backup")) {
        const QString live = env.makeDatabase();
        addRows(live, QStringLiteral("600001"));
        const QString folder = env.path(QStringLiteral("bk"));
        QVERIFY(QDir().mkpath(folder));
        const QString target = folder + QStringLiteral("/26-12-10.zQdb");
        LeftCopies left(folder, target);
        if (QTest::currentTestFailed())
            return;
        QTest::mouseClick(openBackup(folder)->OK, Qt::LeftButton);
        QVERIFY(env.boxes.isEmpty());
        QVERIFY(!qixda::isLoaded());
        left.verify(QStringLiteral("26-12-10.zQdb"));
        QVERIFY(dump(target) == dump(live));
        CheckDatabaseFile(target, g_DbConnect);
        return;
    }
    const GoodBackup good(env);
    good.window->show();
    LeftCopies left(env.dir(), good.live);
    if (QTest::currentTestFailed())
        return;
    if (action == QLatin1String("restore-damaged"))
        writeFile(good.live, QByteArray(9000, 'j'));
    good.restoreAndCheck(env);
    QVERIFY(!qixrsda::isLoaded());
    left.verify();
}

int main(int argc, char *argv[])
{
    if (argc == 3 && std::strcmp(argv[1], kHoldCopy) == 0)
        return holdPartialCopy(argv[2]);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestBackup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_backup.moc"
