#include "admin/NetData.h"

#include "admin/DataPath.h"
#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "app/frmMain.h"

#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace tv {

namespace {
const QString kSection = QStringLiteral("NetData");

QPixmap folderPicture()
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x80, 0x60, 0x00), 1));
    p.setBrush(QColor(0xF0, 0xC8, 0x50));
    p.drawRect(QRectF(2.5, 5.5, 8, 4));
    p.drawRect(QRectF(2.5, 8.5, 19, 12));
    return pm;
}

QPixmap networkPicture()
{
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x30, 0x30, 0x60), 2));
    p.setBrush(QColor(0x90, 0xB0, 0xE0));
    p.drawRect(QRectF(4, 6, 18, 14));
    p.drawRect(QRectF(26, 6, 18, 14));
    p.drawLine(QPointF(13, 20), QPointF(13, 30));
    p.drawLine(QPointF(35, 20), QPointF(35, 30));
    p.drawLine(QPointF(13, 30), QPointF(35, 30));
    p.drawLine(QPointF(24, 30), QPointF(24, 34));
    p.setBrush(QColor(0xE0, 0xD0, 0x90));
    p.drawEllipse(QRectF(14, 34, 20, 10));
    return pm;
}
} // namespace

NetData::NetData()
{
    setObjectName(QStringLiteral("NetData"));
    setWindowTitle(QStringLiteral("请输入或选择网络数据库"));
    setModal(true);
    setMouseTracking(true);

    Label1 = new QLabel(QStringLiteral("请输入或选择网络数据库所在的路径!"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(networkPicture());
    NetDataPath = new QLineEdit(this);
    NetDataPath->setObjectName(QStringLiteral("NetDataPath"));
    NetDataPath->setMaxLength(250);
    NetDataPath->setMouseTracking(true);
    NetDataPath->installEventFilter(this);
    cmdBrowse = new QLabel(this);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdBrowse->setPixmap(folderPicture());
    cmdBrowse->setFixedSize(28, 28);
    cmdBrowse->setAlignment(Qt::AlignCenter);
    cmdBrowse->setToolTip(QStringLiteral("请选择网络路径"));
    cmdBrowse->setMouseTracking(true);
    cmdBrowse->installEventFilter(this);
    OK = new QPushButton(QStringLiteral("确定(&O)"), this);
    OK->setObjectName(QStringLiteral("OK"));
    NetCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    NetCancel->setObjectName(QStringLiteral("NetCancel"));

    // The four lines that frame the folder picture while the pointer is over it.
    const HoverLines lines = NewHoverLines(this);
    lLeft = lines.left, lTop = lines.top, lRight = lines.right, lBottom = lines.bottom;

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(NetDataPath, 1);
    pathRow->addWidget(cmdBrowse);
    auto *text = new QVBoxLayout;
    text->addWidget(Label1);
    text->addLayout(pathRow);
    auto *top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OK);
    buttons->addWidget(NetCancel);
    auto *all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addLayout(buttons);
    setMinimumWidth(460);

    setTabOrder(NetDataPath, OK);
    setTabOrder(OK, NetCancel);

    connect(NetDataPath, &QLineEdit::textChanged, this,
            [this](const QString &t) { OK->setEnabled(!Trim(t).isEmpty()); });
    connect(OK, &QPushButton::clicked, this, &NetData::OK_Click);
    connect(NetCancel, &QPushButton::clicked, this, &NetData::NetCancel_Click);

    // Load
    RestorePosition(this, kSection);
    NetDataPath->setText(g_DbPath);
    OK->setEnabled(!Trim(NetDataPath->text()).isEmpty());
}

NetData::~NetData()
{
    formUnloaded(this);
}

void NetData::Form_Unload()
{
    SavePosition(this, kSection);
}

void NetData::cmdBrowse_Click()
{
    const QString folder =
        ChooseFolder(this, QStringLiteral("请选择数据库的路径 => Ledgermoor，网络数据设置"),
                     QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    if (!folder.isEmpty())
        NetDataPath->setText(folder);
}

void NetData::OK_Click()
{
    if (Trim(NetDataPath->text()).isEmpty())
        return;
    if (!ResolveDatabasePath(DatabaseFileOfPath(NetDataPath->text()))) {
        // Refused: the path stays in the box for another choice.
        NetDataPath->setFocus();
        return;
    }
    if (QAction *item = frmMain::instance()->menuItem(QStringLiteral("MnuDataPathDisplay")))
        item->setText(QStringLiteral("当前数据库路径：") + g_DbPath);
    close();
}

void NetData::NetCancel_Click()
{
    SetStatusText(kIdleText);
    close();
}

void NetData::showFrame(bool on)
{
    ShowHoverLines({lLeft, lTop, lRight, lBottom}, cmdBrowse, on);
    m_hover = on;
}

bool NetData::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type t = event->type();
    if (watched == NetDataPath) {
        if (t == QEvent::MouseMove && m_hover)
            showFrame(false);
        else if (t == QEvent::FocusIn)
            SelectWhenFocused(NetDataPath, false);
    } else if (watched == cmdBrowse) {
        const HoverButton b =
            HoverButtonEvent(cmdBrowse, {lLeft, lTop, lRight, lBottom}, event, m_hover, [this] { showFrame(true); });
        if (b == HoverButton::Released && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            cmdBrowse_Click();
        if (b != HoverButton::NotTaken)
            return true;
    }
    if (watched == NetDataPath && t == QEvent::KeyPress) {
        auto *ke = static_cast<QKeyEvent *>(event);
        if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
            focusNextChild();
            return true;
        }
    }
    return FormDialog::eventFilter(watched, event);
}

void NetData::mouseMoveEvent(QMouseEvent *event)
{
    if (m_hover)
        showFrame(false);
    FormDialog::mouseMoveEvent(event);
}

} // namespace tv
