#include "admin/qixda.h"

#include "app/FormHelpers.h"

#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "data/Backup.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>

namespace tv {

qixda::qixda()
{
    setObjectName(QStringLiteral("qixda"));
    setWindowTitle(QStringLiteral("备份数据"));

    Label1 = new QLabel(QStringLiteral("请输入或选择备份数据所在的路径!"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    NetDataPath = new QLineEdit(this);
    NetDataPath->setObjectName(QStringLiteral("NetDataPath"));
    NetDataPath->setMaxLength(250);
    NetDataPath->setMinimumWidth(300);
    cmdBrowse = new QLabel(this);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdBrowse->setPixmap(style()->standardIcon(QStyle::SP_DirOpenIcon).pixmap(24, 24));
    cmdBrowse->setCursor(Qt::PointingHandCursor);
    cmdBrowse->installEventFilter(this);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(style()->standardIcon(QStyle::SP_DriveHDIcon).pixmap(32, 32));
    OK = new QPushButton(QStringLiteral("确定(&O)"), this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setEnabled(false);
    NetCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    NetCancel->setObjectName(QStringLiteral("NetCancel"));
    // This window never frames its browse picture; the lines are there but stay hidden.
    const HoverLines lines = NewHoverLines(this);
    lLeft = lines.left, lTop = lines.top, lRight = lines.right, lBottom = lines.bottom;

    auto *grid = new QGridLayout(this);
    grid->addWidget(Image1, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(Label1, 0, 1, 1, 2);
    grid->addWidget(NetDataPath, 1, 1);
    grid->addWidget(cmdBrowse, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OK);
    buttons->addWidget(NetCancel);
    grid->addLayout(buttons, 2, 0, 1, 3);

    connect(NetDataPath, &QLineEdit::textChanged, this, &qixda::NetDataPath_Change);
    connect(OK, &QPushButton::clicked, this, &qixda::OK_Click);
    connect(NetCancel, &QPushButton::clicked, this, &qixda::NetCancel_Click);

    SetStatusText(QStringLiteral("备份数据"));
}

qixda::~qixda()
{
    formUnloaded(this);
}

void qixda::NetDataPath_Change()
{
    OK->setEnabled(!Trim(NetDataPath->text()).isEmpty());
}

void qixda::cmdBrowse_Click()
{
    const QString folder = ChooseFolder(this, QStringLiteral("请选择备份数据库的路径 => 证券交易记录"),
                                        QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    if (!folder.isEmpty())
        NetDataPath->setText(folder);
}

void qixda::OK_Click()
{
    const QString target = BackupTarget(NetDataPath->text(), Today());
    try {
        BackupDatabase(g_DbPath, g_DbConnect, target);
    } catch (const BackupError &e) {
        // Nothing was written; the window stays for another folder.
        if (e.kind() == BackupError::Busy) {
            ShowDbBusy();
            return;
        }
        MsgBox(QStringLiteral("备份失败，没有写入备份文件：") + target + QStringLiteral("\r\n") + e.detail(),
               16, QStringLiteral("错误"));
        return;
    }
    SetStatusText(kIdleText);
    close();
}

void qixda::NetCancel_Click()
{
    close();
    SetStatusText(kIdleText);
}

bool qixda::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == cmdBrowse && event->type() == QEvent::MouseButtonRelease) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() == Qt::LeftButton && cmdBrowse->rect().contains(me->position().toPoint()))
            cmdBrowse_Click();
        return true;
    }
    return FormDialog::eventFilter(watched, event);
}

} // namespace tv
