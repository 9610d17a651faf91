#include "admin/ConfigForm.h"
#include "admin/SelectFile.h"
#include "app/BoxHelpers.h"
#include "app/FormHelpers.h"
#include "app/Forms.h"
#include "app/Globals.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "data/Database.h"
#include "data/Settings.h"
#include "quotes/frmemail.h"
#include "tests/common/TestSupport.h"

#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tv;
using tv::test::TestEnv;

namespace {
void storeConfig(const QStringList &row)
{
    Database db(g_DbPath, g_DbConnect);
    db.execute(QStringLiteral("DELETE FROM Config"));
    db.execute(QStringLiteral("INSERT INTO Config VALUES (?, ?, ?, ?, ?, ?)"),
               {row[0], row[1], row[2], row[3], row[4], row[5]});
}

QList<QStringList> storedConfig()
{
    Database db(g_DbPath, g_DbConnect);
    const RowSet rs = db.openTable(QStringLiteral("Config"));
    QList<QStringList> out;
    for (int r = 0; r < rs.recordCount(); ++r) {
        QStringList row;
        for (int i = 0; i < 6; ++i)
            row << rs.text(r, i);
        out << row;
    }
    return out;
}

QString makePicture(TestEnv &env, const QString &name, Qt::GlobalColor colour)
{
    QImage img(4, 4, QImage::Format_RGB32);
    img.fill(colour);
    const QString path = env.path(name);
    img.save(path, "PNG");
    return path;
}
} // namespace

class TestConfigForm : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void boxesByPositionAndUnchangedSave();
    void blankNameTakesTheDefault();
    void missingPictureFallsBackToTheOpenedOne();
    void notAPictureWritesNothing();
    void pictureFoundIsThePictureLoaded();
    void missingDatabaseDisablesTheWindow();
    void emptyConfigThenSaveCreatesTheRow();
    void failedWriteKeepsTheOldRow();
    void boxBehaviour();
    void pictureChooserWritesTheBox();
    void mailboxButtonOpensTheMailbox();
};

void TestConfigForm::boxesByPositionAndUnchangedSave()
{
    TestEnv env;
    env.makeDatabase();
    const QString pic = makePicture(env, QStringLiteral("desk.png"), Qt::blue);
    const QStringList row = {"名称", "A", "B", "C", "D", pic};
    storeConfig(row);
    ConfigForm *w = ConfigForm::instance();
    QCOMPARE(w->CC[0]->text(), QStringLiteral("名称"));
    QCOMPARE(w->CC[1]->text(), QStringLiteral("B"));
    QCOMPARE(w->CC[2]->text(), QStringLiteral("C"));
    QCOMPARE(w->CC[3]->text(), QStringLiteral("D"));
    QCOMPARE(w->CC[4]->text(), QStringLiteral("A"));
    QCOMPARE(w->CC[5]->text(), pic);
    QList<int> lengths;
    for (QLineEdit *box : w->CC)
        lengths << TypedLengthLimit(box);
    QCOMPARE(lengths, (QList<int>{40, 40, 40, 5, 40, 100}));
    // The limits hold for typing; a longer stored or chosen value is kept whole.
    w->show();
    w->CC[3]->clear();
    QTest::keyClicks(w->CC[3], QStringLiteral("Li Si Wu"));
    QCOMPARE(w->CC[3]->text(), QStringLiteral("Li Si"));
    const QString longPath = QStringLiteral("/") + QString(150, u'p') + QStringLiteral(".png");
    w->CC[5]->setText(longPath);
    QCOMPARE(w->CC[5]->text(), longPath);
    w->CC[3]->setText(QStringLiteral("D"));
    w->CC[5]->setText(pic);

    QTest::mouseClick(w->OkSave, Qt::LeftButton);
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(storedConfig(), QList<QStringList>{row});
    QVERIFY(!ConfigForm::isLoaded());
    QVERIFY(frmMain::existing()->hasDesktopPicture());
    QCOMPARE(frmMain::existing()->panelText(6), QStringLiteral("制作单位：名称"));
    QCOMPARE(frmMain::existing()->panelToolTip(6), QStringLiteral("欢迎使用本软件"));
    QVERIFY(!GetSetting(ExeAppName(), "ConfigForm", "Left").isEmpty());
}

void TestConfigForm::blankNameTakesTheDefault()
{
    TestEnv env;
    env.makeDatabase();
    ConfigForm *w = ConfigForm::instance();
    w->CC[0]->setText(QStringLiteral("   "));
    w->CC[5]->clear();
    frmMain::instance()->setDesktopPicture(makePicture(env, QStringLiteral("old.png"), Qt::red));
    w->OkSave_Click();
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("没有配置公司名称,系统将以缺省的公司名称!"), 32, QStringLiteral("没有填写公司名称"));
    QCOMPARE_BOX(env.boxes[1], QStringLiteral("没有配置桌面图片文件,桌面将不显示图片!"), 32, QStringLiteral("没有图片"));
    QCOMPARE(storedConfig().value(0).value(0), QStringLiteral("Fernwick软件开发工作室"));
    QCOMPARE(storedConfig().value(0).value(5), QString());
    QCOMPARE(frmMain::existing()->panelText(6), QStringLiteral("制作单位：Fernwick软件开发工作室"));
    QVERIFY(!frmMain::existing()->hasDesktopPicture());

    // A path of blanks only is announced as no picture and clears it; it is stored as typed.
    env.boxes.clear();
    frmMain::existing()->setDesktopPicture(makePicture(env, QStringLiteral("old.png"), Qt::red));
    w = ConfigForm::instance();
    w->CC[5]->setText(QStringLiteral("  "));
    w->OkSave_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("没有配置桌面图片文件,桌面将不显示图片!"), 32, QStringLiteral("没有图片"));
    QVERIFY(!ConfigForm::isLoaded());
    QCOMPARE(storedConfig().value(0).value(5), QStringLiteral("  "));
    QVERIFY(!frmMain::existing()->hasDesktopPicture());
}

void TestConfigForm::missingPictureFallsBackToTheOpenedOne()
{
    TestEnv env;
    env.makeDatabase();
    const QString pic = makePicture(env, QStringLiteral("kept.png"), Qt::green);
    storeConfig({"公司", "", "", "", "", pic});
    ConfigForm *w = ConfigForm::instance();
    w->CC[5]->setText(env.path(QStringLiteral("nowhere.png")));
    w->OkSave_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("配置的图片文件不存在,系统将以缺省的图片放置!"), 48, QStringLiteral("文件没有找到"));
    QCOMPARE(storedConfig().value(0).value(5), pic);
    QVERIFY(frmMain::existing()->hasDesktopPicture());
}

void TestConfigForm::notAPictureWritesNothing()
{
    TestEnv env;
    const QString dbPath = env.makeDatabase();
    const QString pic = makePicture(env, QStringLiteral("kept.png"), Qt::green);
    storeConfig({"公司", "", "", "", "", pic});
    const QString text = env.path(QStringLiteral("notes.bmp"));
    QFile f(text);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("not a picture");
    f.close();
    ConfigForm *w = ConfigForm::instance();
    w->show();
    frmMain::instance(); // its first load writes the index row
    const QByteArray before = test::FileBytes(dbPath);
    w->CC[5]->setText(text + QStringLiteral(" "));
    w->OkSave_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0],
                 QStringLiteral("无效的图片文件,支持 BMP、WMF、ICO、JPG、GIF、\n\r\rEMF、RLE 文件类型!系统不能安装 ") + text +
                     QStringLiteral("  图片！"),
                 32, QStringLiteral("图片错误"));
    QCOMPARE(test::FileBytes(dbPath), before);
    QVERIFY(ConfigForm::isLoaded());
    QVERIFY(frmMain::existing()->hasDesktopPicture()); // the picture of the stored path again
    QCOMPARE(w->CC[5]->selectionStart(), 0);
    QCOMPARE(w->CC[5]->selectedText(), text);
}

// Blanks around a typed path: the file the existence test finds is the one shown, at the save and at
// the next start, while the path is stored as typed.
void TestConfigForm::pictureFoundIsThePictureLoaded()
{
    TestEnv env;
    env.makeDatabase();
    const QString pic = makePicture(env, QStringLiteral("desk.png"), Qt::blue);
    const QString typed = QStringLiteral("  ") + pic + QStringLiteral(" ");
    ConfigForm *w = ConfigForm::instance();
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w));
    w->CC[5]->setFocus();
    QTest::keyClicks(w->CC[5], typed);
    QTest::mouseClick(w->OkSave, Qt::LeftButton);
    QVERIFY(env.boxes.isEmpty());
    QVERIFY(!ConfigForm::isLoaded());
    QVERIFY(frmMain::existing()->hasDesktopPicture());
    QCOMPARE(storedConfig().value(0).value(5), typed);

    forms::destroyAll();
    g_CompanyInfo = {};
    frmSplash::instance(); // reads the row and loads the main window
    QCOMPARE(g_CompanyInfo[5], typed);
    QVERIFY(frmMain::existing()->hasDesktopPicture());

    // A missing file puts that path back, and its picture stays on the main window.
    w = ConfigForm::instance();
    w->CC[5]->setText(env.path(QStringLiteral("nowhere.png")));
    QTest::mouseClick(w->OkSave, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE(env.boxes[0].title, QStringLiteral("文件没有找到"));
    QCOMPARE(storedConfig().value(0).value(5), typed);
    QVERIFY(frmMain::existing()->hasDesktopPicture());
}

void TestConfigForm::missingDatabaseDisablesTheWindow()
{
    TestEnv env;
    g_DbPath = env.path(QStringLiteral("missing.zqd"));
    ConfigForm *w = ConfigForm::instance();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("配置文件数据库没有找到，请与程序员联系！"), 16, QStringLiteral("配置出错"));
    for (QLineEdit *box : w->CC)
        QVERIFY(!box->isEnabled());
    QVERIFY(!w->OkSave->isEnabled());
    QVERIFY(!w->Command1->isEnabled());
    QVERIFY(w->Command2->isEnabled());
    QVERIFY(w->CancelExit->isEnabled());
    QTest::mouseClick(w->CancelExit, Qt::LeftButton);
    QVERIFY(!ConfigForm::isLoaded());
}

void TestConfigForm::emptyConfigThenSaveCreatesTheRow()
{
    TestEnv env;
    env.makeDatabase();
    {
        Database db(g_DbPath, g_DbConnect);
        db.execute(QStringLiteral("DELETE FROM Config"));
    }
    ConfigForm *w = ConfigForm::instance();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("数据出错,请与设计者联系!"), 16, QStringLiteral("警告!"));
    for (QLineEdit *box : w->CC)
        QVERIFY(box->text().isEmpty());
    w->CC[0]->setText(QStringLiteral("新公司"));
    w->CC[4]->setText(QStringLiteral("北京"));
    w->OkSave_Click();
    QCOMPARE(storedConfig(), (QList<QStringList>{{"新公司", "北京", "", "", "", ""}}));
}

void TestConfigForm::failedWriteKeepsTheOldRow()
{
    TestEnv env;
    const QString good = env.makeDatabase();
    frmMain::instance(); // the window is opened from it
    ConfigForm *w = ConfigForm::instance();
    const QList<QStringList> before = storedConfig();
    // The file goes away between opening the window and saving.
    const QString bad = env.path(QStringLiteral("locked.zqd"));
    QFile f(bad);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.close();
    g_DbPath = bad;
    w->CC[0]->setText(QStringLiteral("改名"));
    w->CC[5]->clear();
    env.clearBoxes();
    w->OkSave_Click();
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE(env.boxes[1].style, 16);
    QVERIFY(ConfigForm::isLoaded());
    g_DbPath = good;
    QCOMPARE(storedConfig(), before);
    QVERIFY(frmMain::existing()->panelText(6) != QStringLiteral("制作单位：改名"));
}

void TestConfigForm::boxBehaviour()
{
    TestEnv env;
    env.makeDatabase();
    ConfigForm *w = ConfigForm::instance();
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w));
    w->CC[1]->setFocus();
    QCOMPARE(w->CC[1]->palette().color(QPalette::Base), QColor(0, 0, 0xFF));
    QCOMPARE(w->CC[1]->palette().color(QPalette::Text), QColor(Qt::white));
    QTest::keyClicks(w->CC[1], QStringLiteral("a'b"));
    QTest::keyClick(w->CC[1], Qt::Key_Tab);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("该项目之中有特殊字符<'>,请删除。"), 48, QStringLiteral("提示："));
    QCOMPARE(QApplication::focusWidget(), w->CC[1]);
    w->CC[1]->clear();
    QTest::keyClick(w->CC[1], Qt::Key_Up);
    QCOMPARE(QApplication::focusWidget(), w->CC[0]);
    QCOMPARE(w->CC[1]->palette().color(QPalette::Base), QColor(Qt::white));
    QTest::keyClick(w->CC[0], Qt::Key_Up); // nothing above box 0
    QCOMPARE(QApplication::focusWidget(), w->CC[0]);
    w->CC[5]->setFocus();
    QTest::keyClick(w->CC[5], Qt::Key_Down); // nothing below box 5
    QCOMPARE(QApplication::focusWidget(), w->CC[5]);
    QTest::keyClick(w->CC[4], Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), w->CC[5]);
    w->CC[2]->setFocus();
    QTest::keyClick(w->CC[2], Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), w->CC[3]);
}

void TestConfigForm::pictureChooserWritesTheBox()
{
    TestEnv env;
    env.makeDatabase();
    const QString pic = makePicture(env, QStringLiteral("chosen.png"), Qt::yellow);
    ConfigForm *w = ConfigForm::instance();
    bool modal = false;
    QTimer::singleShot(0, [&] {
        SelectFile *chooser = SelectFile::existing();
        modal = chooser && chooser->isModal();
        chooser->setDirPath(env.dir());
        chooser->Text1->setText(pic);
        chooser->Command1_Click();
    });
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QVERIFY(modal);
    QVERIFY(!SelectFile::isLoaded());
    QCOMPARE(w->CC[5]->text(), pic);
}

void TestConfigForm::mailboxButtonOpensTheMailbox()
{
    TestEnv env;
    env.makeDatabase();
    ConfigForm *w = ConfigForm::instance();
    w->show();
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    frmemail *mailbox = frmemail::existing();
    QVERIFY(mailbox && mailbox->isVisible());
    QVERIFY(!mailbox->isModal() && !mailbox->parentWidget());
    QVERIFY(ConfigForm::isLoaded() && w->isVisible());
}

QTEST_MAIN(TestConfigForm)
#include "tst_configform.moc"
