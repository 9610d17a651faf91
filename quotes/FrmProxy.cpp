#include "quotes/FrmProxy.h"

#include "app/Globals.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "quotes/Inet.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv {

FrmProxy::FrmProxy()
{
    setObjectName(QStringLiteral("FrmProxy"));
    setWindowTitle(QStringLiteral("代理服务器选择"));

    Check1 = new QCheckBox(QStringLiteral("使用代理："), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check2 = new QCheckBox(QStringLiteral("通过IE获得数据："), this);
    Check2->setObjectName(QStringLiteral("Check2"));
    // A tick from code sends no click: only the operator's clicks change the mode.
    connect(Check1, &QCheckBox::clicked, this, &FrmProxy::Check1_Click);
    connect(Check2, &QCheckBox::clicked, this, &FrmProxy::Check2_Click);

    const QStringList labels = {QStringLiteral("代理服务器："), QStringLiteral("端口："),
                                QStringLiteral("用户名："), QStringLiteral("密码：")};
    auto *boxes = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        Text1[i] = new QLineEdit(this);
        Text1[i]->setObjectName(QStringLiteral("Text1_%1").arg(i));
        Label1[i] = new QLabel(labels[i], this);
        Label1[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
        Label1[i]->setBuddy(Text1[i]);
        boxes->addWidget(Label1[i], i, 0);
        boxes->addWidget(Text1[i], i, 1);
    }
    Text1[3]->setEchoMode(QLineEdit::Password);

    Command1 = new QPushButton(QStringLiteral("确定"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("取消"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    for (QPushButton *b : {Command1, Command2})
        b->setAutoDefault(false);
    connect(Command1, &QPushButton::clicked, this, &FrmProxy::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto *all = new QVBoxLayout(this);
    all->addWidget(Check1);
    all->addLayout(boxes);
    all->addWidget(Check2);
    all->addLayout(buttons);
    setMinimumWidth(320);

    if (g_ProxyMode == QLatin1String("1")) {
        const QStringList values = {g_ProxyServer, g_ProxyPort, g_ProxyUser, g_ProxyPassword};
        for (int i = 0; i < 4; ++i)
            Text1[i]->setText(values[i]);
        Check1->setChecked(true);
    } else {
        lockBoxes(true);
        Check2->setChecked(g_ProxyMode == QLatin1String("2"));
    }
}

FrmProxy::~FrmProxy()
{
    formUnloaded(this);
}

void FrmProxy::lockBoxes(bool locked)
{
    for (QLineEdit *box : Text1) {
        if (locked)
            box->clear();
        box->setReadOnly(locked);
    }
}

void FrmProxy::Check1_Click()
{
    if (Check1->isChecked()) {
        lockBoxes(false);
        Check2->setChecked(false);
        g_ProxyMode = QStringLiteral("1");
    } else {
        lockBoxes(true);
        g_ProxyMode = QStringLiteral("0");
    }
}

void FrmProxy::Check2_Click()
{
    if (Check2->isChecked()) {
        lockBoxes(true);
        Check1->setChecked(false);
        g_ProxyMode = QStringLiteral("2");
    } else {
        lockBoxes(false);
        g_ProxyMode = QStringLiteral("0");
    }
}

void FrmProxy::Command1_Click()
{
    const QStringList texts = {Text1[0]->text(), Text1[1]->text(), Text1[2]->text(), Text1[3]->text()};
    // A named proxy's boxes are stored, and the settings file would keep such a text altered.
    if (const int bad = g_ProxyMode == QLatin1String("1") ? RefuseUnstorableAt(texts) : -1; bad >= 0) {
        Text1[bad]->setFocus();
        return;
    }
    ConfirmProxySettings(frmMain::instance()->Inet1, {texts[0], texts[1], texts[2], texts[3]});
    close();
}

} // namespace tv
