// A security's document: a link goes to the desktop opener as it is, a file name is looked for first.

#include "app/Globals.h"
#include "app/Seams.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "journal/frmManager.h"
#include "journal/frmNewForm.h"
#include "tests/common/TestSupport.h"
#include "tools/quoteserver/HttpServer.h"
#include "tools/quoteserver/QuoteService.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace tv;
using tv::test::TestEnv;

namespace {

frmManager *journalWithDocument(TestEnv &env, const QString &document)
{
    env.makeDatabase();
    g_CurUser = QStringLiteral("admin");
    g_UserRight = QStringLiteral("超级权限");
    test::DbExec(QStringLiteral("INSERT INTO Detail (股东账号, 证券名称, 证券代码, 基本面, 分析评论, 目标价, 市场价格, 涨跌幅, "
                                "更新日期, 止损位, 买入点) VALUES ('A000000001', '浦发银行', '600000', ?, '', 12, 11, '', "
                                "'2026-12-09', 9, 9.5)"),
                 {document});
    return test::OpenManager(QStringLiteral("浦发银行"));
}

} // namespace

class TestDocuments : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void linksOpenAsTheyAre_data();
    void linksOpenAsTheyAre();
    void prefilledLinkOpens();
};

void TestDocuments::linksOpenAsTheyAre_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("opened"); // what the desktop opener is handed; "" for nothing
    QTest::addColumn<QString>("box");    // the message shown; "" for none
    const QString star = QStringLiteral("http://127.0.0.1:9/ar/f10.asp?code=600000&mk=1");
    QTest::newRow("star detail page") << star << star << "";
    QTest::newRow("blank in front, as sina and sohu write it")
        << QStringLiteral(" http://127.0.0.1:9/cominfo/sshq_600000.htm")
        << QStringLiteral("http://127.0.0.1:9/cominfo/sshq_600000.htm") << "";
    QTest::newRow("secure, capitals") << QStringLiteral("HTTPS://127.0.0.1:9/f10") << QStringLiteral("https://127.0.0.1:9/f10")
                                      << "";
    QTest::newRow("mail") << QStringLiteral("mailto:ann@example.com") << QStringLiteral("mailto:ann@example.com") << "";
    // A name that only looks like the start of a link is a file, and it is not in the document folder.
    QTest::newRow("file named http") << QStringLiteral("http.txt") << ""
                                     << QStringLiteral("下面文件没有找到：    \r\n\r\nhttp.txt    ");
    QTest::newRow("scheme alone") << QStringLiteral("http://") << ""
                                  << QStringLiteral("下面文件没有找到：    \r\n\r\nhttp://    ");
}

// The document button and "打开股票关联的文件" (Ctrl+O) both take a link to the desktop opener without
// looking for a file of that name.
void TestDocuments::linksOpenAsTheyAre()
{
    QFETCH(QString, document);
    QFETCH(QString, opened);
    QFETCH(QString, box);
    TestEnv env;
    frmManager *w = journalWithDocument(env, document);
    QVERIFY(w);
    QVERIFY(w->picEditFile->isVisible());
    QTest::mouseClick(w->picEditFile, Qt::LeftButton);
    w->txtFields[2]->setFocus();
    QTest::keyClick(w->txtFields[2], Qt::Key_O, Qt::ControlModifier);
    if (opened.isEmpty()) {
        QVERIFY(env.openedUrls.isEmpty());
        QCOMPARE(env.boxes.size(), 2);
        QCOMPARE_BOX(env.boxes[0], box, 64, QStringLiteral("买卖记录系统"));
    } else {
        QCOMPARE(env.openedUrls.size(), 2);
        QCOMPARE(env.openedUrls[0], QUrl(opened));
        QCOMPARE(env.openedUrls[1], QUrl(opened));
        QVERIFY(env.boxes.isEmpty());
    }
}

// The link a quote writes into a new security opens from the journal; where the desktop cannot open it,
// the user is told, and nothing else is tried.
void TestDocuments::prefilledLinkOpens()
{
    TestEnv env;
    frmManager *w = journalWithDocument(env, QString());
    test::HttpServer server;
    QVERIFY(test::ServeQuotes(server));
    test::QuoteBook book;
    book.stocks.insert("600036", {"600036", "招商银行", "10.50", {}, "1.00%"});
    server.setHandler(test::QuoteHandler(book));

    frmNewForm *add = frmNewForm::instance();
    add->show();
    QApplication::setActiveWindow(add);
    QVERIFY(QTest::qWaitForWindowActive(add));
    add->txtFields[0]->setFocus();
    QTest::keyClicks(add->txtFields[0], QStringLiteral("600036"));
    QTest::keyClick(add->txtFields[0], Qt::Key_Return); // leaves the box: the quote fills the dialog
    QTRY_COMPARE(add->txtFields[1]->text(), QStringLiteral("招商银行"));
    const QString link = add->txtFields[2]->text();
    QVERIFY2(link.startsWith(server.address()), qPrintable(link));
    QTest::mouseClick(add->SaveAdd, Qt::LeftButton);
    add->close();
    QTRY_VERIFY(!frmNewForm::isLoaded());

    w->TreeView_NodeClick(w->securityNode(QStringLiteral("招商银行")));
    QCOMPARE(w->txtFields[1]->text(), link);
    QTest::mouseClick(w->picEditFile, Qt::LeftButton);
    QCOMPARE(env.openedUrls.size(), 1);
    QCOMPARE(env.openedUrls[0], QUrl(link));
    QVERIFY(env.boxes.isEmpty());

    env.openSucceeds = false;
    QTest::mouseClick(w->picEditFile, Qt::LeftButton);
    QCOMPARE(env.openedUrls.size(), 2);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("系统不能自动打开下面文件：    \r\n\r\n") + link + QStringLiteral("    "), 64,
                 QStringLiteral("买卖记录系统"));
}

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
