#include "quotes/frmemail.h"

#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "quotes/AlertMail.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv {

frmemail::frmemail()
{
    setObjectName(QStringLiteral("frmemail"));
    setWindowTitle(QStringLiteral("请填入email信箱"));

    Label1 = new QLabel(
        QStringLiteral(
            "请正确设置outlook邮件服务器，在下面的空格填入一个具有邮件到达短信提醒功能的邮件信箱。"),
        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Check1 = new QCheckBox(QStringLiteral("是否短信提醒"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Command1 = new QPushButton(QStringLiteral("确定"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("取消"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    connect(Command1, &QPushButton::clicked, this, &frmemail::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Check1);
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto *all = new QVBoxLayout(this);
    all->addWidget(Label1);
    all->addWidget(Text1);
    all->addLayout(buttons);
    setMinimumWidth(360);

    // A stored switch that is on turns alerts on for the run; an off one leaves them as they are.
    if (StoredAlertsOn())
        g_AlertsOn = true;
    Text1->setText(StoredAlertAddress());
    Check1->setChecked(g_AlertsOn);
}

frmemail::~frmemail()
{
    formUnloaded(this);
}

frmemail *frmemail::Open()
{
    if (isLoaded() && existing()->isVisible()) {
        existing()->raise();
        existing()->activateWindow();
        return existing();
    }
    frmemail *w = instance();
    w->show();
    return w;
}

void frmemail::Command1_Click()
{
    if (RefuseUnstorable(Text1->text())) {
        Text1->setFocus();
        return;
    }
    // An address no mail can reach is refused here, where it is typed, not found out at an alert.
    if (!IsMailboxAddress(Text1->text())) {
        MsgBox(UnmailableAddressText(), 48, QStringLiteral("提示："));
        Text1->setFocus();
        return;
    }
    ConfirmMailbox(Text1->text(), Check1->isChecked());
    close();
}

} // namespace tv
