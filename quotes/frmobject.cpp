#include "quotes/frmobject.h"

#include "app/BoxHelpers.h"
#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "data/Database.h"
#include "quotes/AlertMail.h"
#include "quotes/AlertPoints.h"
#include "quotes/PriceUpdate.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv {

namespace {
void showDbFailure(const DbError &e)
{
    if (!ShowDatabaseTrouble(e))
        MsgBox(e.message(), 16, QStringLiteral("错误"));
}
} // namespace

frmobject::frmobject()
{
    setObjectName(QStringLiteral("frmobject"));
    setWindowTitle(QStringLiteral("修改目标点位"));
    setModal(true);

    const char *labels[6] = {"证券名称：", "证券代码：", "目标价：", "止损点：", "买入位：", "分析评论："};
    auto *grid = new QGridLayout;
    for (int i = 0; i < 6; ++i) {
        Label1[i] = new QLabel(QString::fromUtf8(labels[i]), this);
        Label1[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
        grid->addWidget(Label1[i], i, 0, i == 5 ? Qt::AlignTop : Qt::Alignment());
    }
    for (int i = 0; i < 5; ++i) {
        Text1[i] = new QLineEdit(this);
        Text1[i]->setObjectName(QStringLiteral("Text1_%1").arg(i));
        Label1[i]->setBuddy(Text1[i]);
        grid->addWidget(Text1[i], i, 1);
        EnterMovesFocus(Text1[i]);
    }
    for (int i : {0, 1}) {
        Text1[i]->setReadOnly(true);
        SetBoxColours(Text1[i], 0xE0E0E0, 0x000000);
    }
    for (int i : {2, 3, 4})
        SetUpNumericBox(Text1[i]);
    Text1_5 = new QPlainTextEdit(this);
    Text1_5->setObjectName(QStringLiteral("Text1_5"));
    Text1_5->setTabChangesFocus(true);
    Text1_5->setFixedHeight(TwipsToPx(1200));
    Label1[5]->setBuddy(Text1_5);
    EnterMovesFocus(Text1_5);
    grid->addWidget(Text1_5, 5, 1);

    Command1 = new QPushButton(QStringLiteral("确定"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("取消"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    connect(Command1, &QPushButton::clicked, this, &frmobject::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &QWidget::close);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);

    auto *all = new QVBoxLayout(this);
    all->addLayout(grid);
    all->addLayout(buttons);
    setMinimumWidth(320);
}

frmobject::~frmobject()
{
    formUnloaded(this);
}

void frmobject::Edit(QWidget *over)
{
    const int row = g_WatchRow;
    if (row < 1 || row >= kWatchSize)
        return;
    const QString name = g_WatchName[row];
    std::optional<AlertPoints> points;
    try {
        Database db(g_DbPath, g_DbConnect);
        points = LoadAlertPoints(db, name);
    } catch (const DbError &e) {
        showDbFailure(e);
        return;
    }
    if (!points) {
        MsgBox(MissingSecurityText(name), 48, QStringLiteral("提示："));
        return;
    }
    frmobject *w = instance();
    if (over)
        w->setParent(over, w->windowFlags()); // stays over the watch window
    w->fill(row, name, *points);
    w->exec();
}

void frmobject::fill(int row, const QString &name, const AlertPoints &points)
{
    m_row = row;
    Text1[0]->setText(name);
    Text1[1]->setText(points.code);
    Text1[2]->setText(points.target);
    Text1[3]->setText(points.stop);
    Text1[4]->setText(points.buy);
    Text1_5->setPlainText(points.comment);
    Text1[2]->setFocus();
}

void frmobject::Command1_Click()
{
    const QString comment = Text1_5->toPlainText();
    if (RefuseSpecialChar(comment)) {
        Text1_5->setFocus();
        return;
    }
    const AlertPoints typed{Text1[1]->text(), Text1[2]->text(), Text1[3]->text(), Text1[4]->text(), comment};
    bool saved = false;
    try {
        Database db(g_DbPath, g_DbConnect);
        saved = SaveAlertPoints(db, Trim(typed.code), typed);
    } catch (const DbError &e) {
        showDbFailure(e);
        return;
    }
    if (!saved) {
        MsgBox(MissingSecurityText(Text1[0]->text()), 48, QStringLiteral("提示："));
        return;
    }
    SetStatusText(kUpdateDoneText);
    // The next refresh tests the new thresholds, and the row may mail again when it could be armed.
    g_WatchTarget[m_row] = Val(typed.target);
    g_WatchStop[m_row] = Val(typed.stop);
    g_AlertArmed[m_row] = ArmsRows(g_AlertEmail, g_AlertsOn);
    close();
}

} // namespace tv
