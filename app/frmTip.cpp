#include "app/frmTip.h"

#include "app/FormHelpers.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/Tips.h"
#include "data/Settings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv {

namespace {
QPixmap bulbPicture()
{
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0xFF, 0xD7, 0x40));
    p.setPen(QPen(QColor(0x80, 0x60, 0x00), 2));
    p.drawEllipse(QRectF(10, 4, 28, 28));
    p.setBrush(QColor(0x90, 0x90, 0x90));
    p.drawRect(QRectF(17, 32, 14, 10));
    return pm;
}
} // namespace

frmTip::frmTip()
{
    setObjectName(QStringLiteral("frmTip"));
    setWindowTitle(QStringLiteral("日积月累"));

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(bulbPicture());
    Label1 = new QLabel(QStringLiteral("您知道吗？"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    lblTipText = new QLabel(this);
    lblTipText->setObjectName(QStringLiteral("lblTipText"));
    lblTipText->setWordWrap(true);
    lblTipText->setMinimumSize(300, 110);
    lblTipText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblTipText->setFrameShape(QFrame::StyledPanel);
    Label2 = new QLabel(QStringLiteral("View Readme"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setToolTip(QStringLiteral("单击打开 Readme"));
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->installEventFilter(this);
    chkLoadTipsAtStartup = new QCheckBox(QStringLiteral("启动时显示(&S)"), this);
    chkLoadTipsAtStartup->setObjectName(QStringLiteral("chkLoadTipsAtStartup"));
    cmdNextTip = new QPushButton(QStringLiteral("下一个(&N)"), this);
    cmdNextTip->setObjectName(QStringLiteral("cmdNextTip"));
    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    auto *text = new QVBoxLayout;
    text->addWidget(Label1);
    text->addWidget(lblTipText, 1);
    auto *top = new QHBoxLayout;
    top->addWidget(Picture1, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdNextTip);
    buttons->addStretch();
    top->addLayout(buttons);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(chkLoadTipsAtStartup);
    bottom->addStretch();
    bottom->addWidget(Label2);
    auto *all = new QVBoxLayout(this);
    all->addLayout(top, 1);
    all->addLayout(bottom);

    connect(cmdNextTip, &QPushButton::clicked, this, &frmTip::DoNextTip);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::close);
    connect(chkLoadTipsAtStartup, &QCheckBox::toggled, this, [](bool on) {
        SaveSetting(ExeAppName(), QStringLiteral("Options"), QStringLiteral("Show Tips at Startup"),
                    on ? QStringLiteral("1") : QStringLiteral("0"));
    });
    StatusHintOnHover(chkLoadTipsAtStartup, QStringLiteral("选定时,系统启动时加载,否则不加载"));
    StatusHintOnHover(cmdNextTip, QStringLiteral("显示下一条帮助信息"));
    StatusHintOnHover(cmdOK, QStringLiteral("保存设置并返回"));
    StatusHintOnHover(Label2, QStringLiteral("单击打开系统的自述文件"));
    StatusHintOnHover(lblTipText, QStringLiteral("帮助信息显示处"));

    // Load
    RestorePosition(this, QStringLiteral("Tip"));
    chkLoadTipsAtStartup->setChecked(true); // stores "1" at every loading, as the check box's click does
    if (!LoadTips(ProgramFolder() + QStringLiteral("/File.Vkr")))
        lblTipText->setText(MissingTipsText());
}

frmTip::~frmTip()
{
    formUnloaded(this);
}

bool frmTip::LoadTips(const QString &path)
{
    QStringList read;
    if (!ReadTipsFile(path, read))
        return false;
    m_tips += read;
    DoNextTip();
    return true;
}

void frmTip::DoNextTip()
{
    m_current = NextTipNumber(m_current, int(m_tips.size()));
    DisplayCurrentTip();
}

void frmTip::DisplayCurrentTip()
{
    if (!m_tips.isEmpty())
        lblTipText->setText(m_tips.value(m_current - 1));
}

void frmTip::Label2_Click()
{
    // The read-me ships beside the program and opens in the desktop's program for text files.
    const QString readme = ProgramFolder() + QStringLiteral("/Readme.txt");
    if (!QFileInfo::exists(readme))
        MsgBox(QStringLiteral("下面文件没有找到：    ") + QStringLiteral("\r\n\r\n") + readme + QStringLiteral("    "), 16,
               QStringLiteral("错误"));
    else if (!OpenDocument(readme))
        MsgBox(QStringLiteral("系统没有可以打开文本文件的程序!"), 16, QStringLiteral("错误"));
}

bool frmTip::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label2 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        Label2_Click();
        return true;
    }
    return FormDialog::eventFilter(watched, event);
}

void frmTip::Form_Unload()
{
    SavePosition(this, QStringLiteral("Tip"));
}

} // namespace tv
