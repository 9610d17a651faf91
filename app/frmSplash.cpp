#include "app/frmSplash.h"

#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "data/Database.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace tv {

QString VersionText()
{
    const QStringList parts = QStringLiteral(TALLYVANE_VERSION).split(u'.');
    return QStringLiteral("版本 ") + QStringLiteral("%1.%2.%3")
                                        .arg(parts.value(0).toInt())
                                        .arg(parts.value(1).toInt())
                                        .arg(parts.value(2).toInt());
}

frmSplash::frmSplash() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    resize(420, 240);

    lblVersion = new QLabel(QStringLiteral("Version"), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblLicenseTo = new QLabel(QStringLiteral("使用权属于："), this);
    lblLicenseTo->setObjectName(QStringLiteral("lblLicenseTo"));
    for (QLabel *l : {lblVersion, lblLicenseTo}) {
        l->setMouseTracking(true);
        l->setStyleSheet(QStringLiteral("color: white"));
        l->setAttribute(Qt::WA_TransparentForMouseEvents); // a click on a label closes the window as well
    }
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(lblVersion);
    layout->addWidget(lblLicenseTo);

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(2000);
    Timer2->setSingleShot(true);
    connect(Timer2, &QTimer::timeout, this, &QWidget::close);

    // 1. centred, raised 600 twips above the middle
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move((s.width() - width()) / 2, (s.height() - height()) / 2 - TwipsToPx(600));
    }
    // 2. version
    lblVersion->setText(VersionText());
    // 3 to 8, under one trap
    try {
        Database db(g_DbPath, g_DbConnect);
        const RowSet config = db.openTable(QStringLiteral("Config"));
        if (config.isEmpty())
            throw DbError(DbError::Statement, QStringLiteral("Config 表是空的"));
        for (int i = 0; i < 6; ++i) {
            const QVariant v = config.value(0, i);
            if (!v.isNull())
                g_CompanyInfo[i] = config.text(0, i);
        }
        g_CompanyName = g_CompanyInfo[0];
        frmMain::instance();
    } catch (const DbError &e) {
        if (!ShowDatabaseTrouble(e))
            MsgBox(QStringLiteral("配置数据造破坏,不能配置完整的系统!"), 16, QStringLiteral("警告!"));
        SetMousePointer(frmMain::instance(), 0);
    }
    lblLicenseTo->setText(QStringLiteral("使用权属于：") + g_CompanyName);
}

frmSplash::~frmSplash()
{
    formUnloaded(this);
}

void frmSplash::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!Timer2->isActive())
        Timer2->start();
}

void frmSplash::closeEvent(QCloseEvent *event)
{
    Timer2->stop();
    formUnloaded(this);
    event->accept();
    frmMain::instance()->show();
}

void frmSplash::mousePressEvent(QMouseEvent *)
{
    close();
}

void frmSplash::mouseMoveEvent(QMouseEvent *)
{
    SetStatusText(QStringLiteral("按任意键继续..."));
}

void frmSplash::keyPressEvent(QKeyEvent *event)
{
    if (!event->text().isEmpty())
        close();
}

void frmSplash::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(0x1F, 0x3A, 0x5F));
    g.setColorAt(1, QColor(0x4A, 0x7B, 0xA7));
    p.fillRect(rect(), g);
    p.setPen(Qt::white);
    QFont f = font();
    f.setPointSize(f.pointSize() + 14);
    f.setBold(true);
    p.setFont(f);
    p.drawText(rect().adjusted(0, 30, 0, -120), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Tallyvane"));
    f.setPointSize(font().pointSize() + 2);
    f.setBold(false);
    p.setFont(f);
    p.drawText(rect().adjusted(0, 90, 0, -80), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("证券投资记账"));
}

} // namespace tv
