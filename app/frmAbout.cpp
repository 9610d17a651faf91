#include "app/frmAbout.h"

#include "app/FormHelpers.h"
#include "app/Seams.h"
#include "app/frmSplash.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace tv {

namespace {
void setLinkLook(QLabel *label, bool hot)
{
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, hot ? QColor(0, 0, 0xFF) : QColor(0, 0, 0));
    label->setPalette(pal);
    QFont f = label->font();
    f.setUnderline(hot);
    label->setFont(f);
}

QPixmap closePicture()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 3));
    p.drawLine(8, 8, 24, 24);
    p.drawLine(24, 8, 8, 24);
    return pm;
}
} // namespace

QString LinkColour(const QLabel *label) { return label->palette().color(QPalette::WindowText).name(); }
bool LinkUnderlined(const QLabel *label) { return label->font().underline(); }

frmAbout::frmAbout()
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于系统"));
    setModal(true);
    setMouseTracking(true);

    Label1 = new QLabel(QStringLiteral("Tallyvane"), this);
    QFont big = Label1->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    Label1->setFont(big);
    // The splash's version text: the program names one version everywhere.
    Label4 = new QLabel(VersionText(), this);
    Label2 = new QLabel(QStringLiteral("证券投资记账：记录每一笔交易与资金往来，计算费用与余额，更新行情，监视持仓并提示价位。"), this);
    Label2->setWordWrap(true);
    Label3 = new QLabel(QStringLiteral("感谢每一位提出意见和建议的用户。"), this);
    Label3->setWordWrap(true);
    Label6 = new QLabel(QStringLiteral("联系我们：电子邮箱"), this);
    email = new QLabel(QStringLiteral("service@tallyvane.example"), this);
    page = new QLabel(QStringLiteral("https://tallyvane.example/"), this);
    picScan = new QLabel(this);
    picScan->setPixmap(closePicture());
    picScan->setFixedSize(36, 36);
    picScan->setAlignment(Qt::AlignCenter);
    picScan->setToolTip(QStringLiteral("关闭"));
    const QList<std::pair<QLabel *, const char *>> named = {
        {Label1, "Label1"}, {Label2, "Label2"}, {Label3, "Label3"}, {Label4, "Label4"},
        {Label6, "Label6"}, {email, "email"},   {page, "page"},     {picScan, "picScan"}};
    for (auto [label, name] : named) {
        label->setObjectName(QString::fromLatin1(name));
        label->setMouseTracking(true);
        label->installEventFilter(this);
    }
    for (QLabel *link : {email, page}) {
        link->setCursor(Qt::PointingHandCursor);
        setLinkLook(link, false);
    }

    // The four lines that frame the close picture while the pointer is over it.
    const HoverLines lines = NewHoverLines(this, QStringLiteral("_1"));
    lLeft_1 = lines.left, lTop_1 = lines.top, lRight_1 = lines.right, lBottom_1 = lines.bottom;

    auto *grid = new QGridLayout;
    grid->addWidget(Label6, 0, 0);
    grid->addWidget(email, 0, 1);
    grid->addWidget(page, 1, 1);
    auto *all = new QVBoxLayout(this);
    all->addWidget(Label1);
    all->addWidget(Label4);
    all->addWidget(Label2);
    all->addWidget(Label3);
    all->addLayout(grid);
    all->addWidget(picScan, 0, Qt::AlignRight);
    setMinimumWidth(380);

    RestorePosition(this, QStringLiteral("About"));
}

frmAbout::~frmAbout()
{
    formUnloaded(this);
}

void frmAbout::Form_Unload()
{
    SavePosition(this, QStringLiteral("About"));
}

void frmAbout::email_Click()
{
    OpenDocument(QStringLiteral("mailto:") + email->text());
}

void frmAbout::page_Click()
{
    if (!OpenDocument(page->text()))
        MsgBox(QStringLiteral("浏览器没有正确安装或其它错误。"), 16, QStringLiteral("登录错误"));
}

void frmAbout::email_MouseMove()
{
    setLinkLook(email, true);
    setLinkLook(page, false);
}

void frmAbout::page_MouseMove()
{
    setLinkLook(page, true);
    setLinkLook(email, false);
}

void frmAbout::showFrame(bool on)
{
    ShowHoverLines({lLeft_1, lTop_1, lRight_1, lBottom_1}, picScan, on);
    m_hover = on;
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type t = event->type();
    if (watched == email && (t == QEvent::MouseMove || t == QEvent::Enter))
        email_MouseMove();
    else if (watched == page && (t == QEvent::MouseMove || t == QEvent::Enter))
        page_MouseMove();
    if (watched == picScan) {
        const HoverButton b = HoverButtonEvent(picScan, {lLeft_1, lTop_1, lRight_1, lBottom_1}, event, m_hover,
                                               [this] { showFrame(true); });
        if (b == HoverButton::Released) {
            close();
            return true;
        }
        if (b != HoverButton::NotTaken)
            return true;
    }
    if (t == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == email)
            email_Click();
        else if (watched == page)
            page_Click();
    }
    return FormDialog::eventFilter(watched, event);
}

void frmAbout::mouseMoveEvent(QMouseEvent *event)
{
    if (m_hover)
        showFrame(false);
    FormDialog::mouseMoveEvent(event);
}

} // namespace tv
