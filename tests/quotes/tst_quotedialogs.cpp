// The quote-service and network dialogs, opened from the main window's menu: what each click sets at
// once, what OK stores and what it applies to the transfer control.

#include "app/Globals.h"
#include "app/frmMain.h"
#include "data/Settings.h"
#include "quotes/FrmProxy.h"
#include "quotes/frmup.h"
#include "tests/common/TestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace tv;
using namespace tv::test;

namespace {

QString stored(const QString &section, const QString &key)
{
    return GetSetting(kAppNameShared, section, key, QStringLiteral("<unset>"));
}

// "1" ticked, "0" not, per check box, then "L" when the boxes are locked, then the four boxes.
QString proxyState(FrmProxy *d)
{
    QString s = QString(d->Check1->isChecked() ? u'1' : u'0') + (d->Check2->isChecked() ? u'1' : u'0');
    s += d->Text1[0]->isReadOnly() ? QStringLiteral(" L") : QStringLiteral(" U");
    for (QLineEdit *box : d->Text1) {
        if (box->isReadOnly() != d->Text1[0]->isReadOnly())
            return QStringLiteral("boxes locked apart");
        s += u'|' + box->text();
    }
    return s;
}

// A click on the tick square itself, as the operator clicks.
void tick(FrmProxy *d, QChar which)
{
    QCheckBox *box = which == u'1' ? d->Check1 : d->Check2;
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

} // namespace

class TestQuoteDialogs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void menusOpenThemModeless();
    void serviceChoice_data();
    void serviceChoice();
    void proxyTicks_data();
    void proxyTicks();
    void proxyConfirm_data();
    void proxyConfirm();
};

void TestQuoteDialogs::menusOpenThemModeless()
{
    TestEnv env;
    env.makeDatabase();
    frmMain *m = frmMain::instance();
    m->menuItem("seleup")->trigger();
    QVERIFY(frmup::isLoaded() && frmup::existing()->isVisible() && !frmup::existing()->isModal());
    frmup *up = frmup::existing();
    QCOMPARE(up->windowTitle(), QStringLiteral("选择行情服务器"));
    QCOMPARE(up->Frame1->title(), QStringLiteral("服务器选择"));
    QCOMPARE((QStringList{up->Option1->text(), up->Option2->text(), up->Option3->text(), up->OKButton->text(),
                          up->CancelButton->text()}),
             (QStringList{"证券之星", "新浪", "网易", "确定", "取消"}));
    m->menuItem("seleup")->trigger(); // a second time it comes forward, not anew
    QCOMPARE(frmup::existing(), up);

    m->menuItem("Proxy")->trigger();
    QVERIFY(FrmProxy::isLoaded() && FrmProxy::existing()->isVisible() && !FrmProxy::existing()->isModal());
    FrmProxy *proxy = FrmProxy::existing();
    QCOMPARE(proxy->windowTitle(), QStringLiteral("代理服务器选择"));
    QStringList texts = {proxy->Check1->text(), proxy->Check2->text()};
    for (QLabel *l : proxy->Label1)
        texts << l->text();
    texts << proxy->Command1->text() << proxy->Command2->text();
    QCOMPARE(texts, (QStringList{"使用代理：", "通过IE获得数据：", "代理服务器：", "端口：", "用户名：",
                                 "密码：", "确定", "取消"}));
    QCOMPARE(proxy->Text1[2]->objectName(), QStringLiteral("Text1_2"));
}

void TestQuoteDialogs::serviceChoice_data()
{
    QTest::addColumn<QString>("source"); // g_QuoteSource when it opens
    QTest::addColumn<QString>("checked");
    QTest::addColumn<QString>("click"); // option to click, "" none
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("running");
    QTest::addColumn<QString>("stored");
    // clang-format off
    QTest::newRow("新浪 then cancel") << "star" << "Option1" << "Option2" << false << "sina" << "<unset>";
    QTest::newRow("网易 then OK")     << "sina" << "Option2" << "Option3" << true  << "sohu" << "sohu";
    QTest::newRow("unknown source")   << "xyz"  << "Option1" << ""        << true  << "xyz"  << "xyz";
    QTest::newRow("sohu, 证券之星 OK") << "sohu" << "Option3" << "Option1" << true  << "star" << "star";
    // clang-format on
}

void TestQuoteDialogs::serviceChoice()
{
    QFETCH(QString, source);
    QFETCH(QString, checked);
    QFETCH(QString, click);
    QFETCH(bool, ok);
    QFETCH(QString, running);
    QFETCH(QString, stored);
    TestEnv env;
    g_QuoteSource = source;
    frmup *d = frmup::instance();
    d->show();
    QVERIFY(d->findChild<QRadioButton *>(checked)->isChecked());
    if (!click.isEmpty())
        QTest::mouseClick(d->findChild<QRadioButton *>(click), Qt::LeftButton);
    QCOMPARE(g_QuoteSource, click.isEmpty() ? source : running); // at once, before OK
    (ok ? d->OKButton : d->CancelButton)->click();
    QVERIFY(!frmup::isLoaded());
    QCOMPARE(g_QuoteSource, running);
    QCOMPARE(::stored("frmup", "Code"), stored);
}

void TestQuoteDialogs::proxyTicks_data()
{
    QTest::addColumn<QString>("mode"); // g_ProxyMode when it opens
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("clicks"); // "1" Check1, "2" Check2
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("modeAfter");
    // clang-format off
    QTest::newRow("proxy shown")          << "1" << "10 U|proxy.lan|8080|u|p" << ""   << "10 U|proxy.lan|8080|u|p" << "1";
    QTest::newRow("browser")              << "2" << "01 L||||"                << ""   << "01 L||||"                << "2";
    QTest::newRow("direct")               << "0" << "00 L||||"                << ""   << "00 L||||"                << "0";
    QTest::newRow("direct, tick proxy")   << "0" << "00 L||||"                << "1"  << "10 U||||"                << "1";
    QTest::newRow("proxy, tick browser")  << "1" << "10 U|proxy.lan|8080|u|p" << "2"  << "01 L||||"                << "2";
    QTest::newRow("browser, tick proxy")  << "2" << "01 L||||"                << "1"  << "10 U||||"                << "1";
    QTest::newRow("proxy, clear it")      << "1" << "10 U|proxy.lan|8080|u|p" << "1"  << "00 L||||"                << "0";
    QTest::newRow("browser, clear it")    << "2" << "01 L||||"                << "2"  << "00 U||||"                << "0";
    QTest::newRow("browser there and back") << "0" << "00 L||||"              << "22" << "00 U||||"                << "0";
    // clang-format on
}

void TestQuoteDialogs::proxyTicks()
{
    QFETCH(QString, mode);
    QFETCH(QString, opened);
    QFETCH(QString, clicks);
    QFETCH(QString, after);
    QFETCH(QString, modeAfter);
    TestEnv env;
    g_ProxyMode = mode;
    g_ProxyServer = QStringLiteral("proxy.lan");
    g_ProxyPort = QStringLiteral("8080");
    g_ProxyUser = QStringLiteral("u");
    g_ProxyPassword = QStringLiteral("p");
    FrmProxy *d = FrmProxy::instance();
    d->show();
    QCOMPARE(proxyState(d), opened);
    for (QChar c : clicks)
        tick(d, c);
    QCOMPARE(proxyState(d), after);
    QCOMPARE(g_ProxyMode, modeAfter);
    d->Command2->click(); // cancelled: the mode stays as the ticks left it, nothing is stored
    QVERIFY(!FrmProxy::isLoaded());
    QCOMPARE(g_ProxyMode, modeAfter);
    QCOMPARE(stored("Proxy", "model"), QStringLiteral("<unset>"));
}

void TestQuoteDialogs::proxyConfirm_data()
{
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<int>("accessType");
    QTest::addColumn<QString>("proxy");
    QTest::addColumn<bool>("wakeBefore");
    QTest::addColumn<bool>("wake");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("port"); // stored, and in g_ProxyPort
    // A named proxy leaves the waking as it was.
    // clang-format off
    QTest::newRow("proxy, port with blanks") << "1"  << int(Inet::NamedProxy)    << "proxy.lan:8080" << true  << true  << "1" << " 8080 ";
    QTest::newRow("through the browser")     << "2"  << int(Inet::SystemDefault) << ""               << false << true  << "2" << "<unset>";
    QTest::newRow("direct")                  << "22" << int(Inet::Direct)        << ""               << true  << false << "0" << "<unset>";
    // clang-format on
}

void TestQuoteDialogs::proxyConfirm()
{
    QFETCH(QString, clicks);
    QFETCH(int, accessType);
    QFETCH(QString, proxy);
    QFETCH(bool, wakeBefore);
    QFETCH(bool, wake);
    QFETCH(QString, model);
    QFETCH(QString, port);
    TestEnv env;
    env.makeDatabase();
    frmMain *m = frmMain::instance();
    m->Inet1.accessType = accessType == Inet::Direct ? Inet::NamedProxy : Inet::Direct;
    g_WakeBrowser = wakeBefore;
    g_ProxyMode = QStringLiteral("0");
    m->menuItem("Proxy")->trigger();
    FrmProxy *d = FrmProxy::existing();
    for (QChar c : clicks)
        tick(d, c);
    if (clicks == u"1") {
        const QStringList typed = {"proxy.lan", " 8080 ", "user", "secret"};
        for (int i = 0; i < 4; ++i)
            QTest::keyClicks(d->Text1[i], typed[i]);
    }
    QTest::mouseClick(d->Command1, Qt::LeftButton);
    QVERIFY(!FrmProxy::isLoaded());
    QCOMPARE(m->Inet1.accessType, accessType);
    QCOMPARE(m->Inet1.proxy, proxy);
    QCOMPARE(g_WakeBrowser, wake);
    QCOMPARE(stored("Proxy", "model"), model);
    QCOMPARE(stored("Proxy", "ProxyPort"), port);
    if (clicks == u"1") {
        QCOMPARE(g_ProxyPort, port);
        QCOMPARE(
            (QStringList{g_ProxyServer, g_ProxyUser, g_ProxyPassword, m->Inet1.userName, m->Inet1.password}),
            (QStringList{"proxy.lan", "user", "secret", "user", "secret"}));
        QCOMPARE(stored("Proxy", "Password"), QStringLiteral("secret"));
    }
}

QTEST_MAIN(TestQuoteDialogs)
#include "tst_quotedialogs.moc"
