#include "admin/qixin.h"

#include "admin/Operators.h"
#include "admin/frmLogin.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "data/Database.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tv {

qixin::qixin()
{
    setObjectName(QStringLiteral("qixin"));
    setWindowTitle(QStringLiteral("修改密码"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    for (QLineEdit *box : {Text1, Text2}) {
        box->setEchoMode(QLineEdit::Password);
        box->setStyleSheet(QStringLiteral("lineedit-password-character: 42")); // "*", not the style's dot
    }
    auto *l1 = new QLabel(QStringLiteral("新密码(&U):"), this);
    l1->setBuddy(Text1);
    auto *l2 = new QLabel(QStringLiteral("验证密码(&P):"), this);
    l2->setBuddy(Text2);
    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("取消"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(l1, 0, 0);
    grid->addWidget(Text1, 0, 1);
    grid->addWidget(l2, 1, 0);
    grid->addWidget(Text2, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 2, 0, 1, 2);

    connect(cmdOK, &QPushButton::clicked, this, &qixin::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &qixin::cmdCancel_Click);
}

qixin::~qixin()
{
    formUnloaded(this);
}

void qixin::cmdOK_Click()
{
    if (Trim(Text1->text()) != Trim(Text2->text())) {
        MsgBox(QStringLiteral("两次口令不符，请重新再来    "), 64, QStringLiteral("口令不符"));
        Text1->clear();
        Text2->clear();
        Text1->setFocus();
        return;
    }
    if (!PasswordStorable(Text1->text())) {
        ShowWrongValue();
        Text1->clear();
        Text2->clear();
        Text1->setFocus();
        return;
    }
    try {
        ChangeOperatorPassword(g_CurUser, Text1->text());
    } catch (const DbError &e) {
        if (!ShowDatabaseTrouble(e))
            MsgBox(QStringLiteral("密码没有修改：") + e.message(), 16, QStringLiteral("错误"));
        return;
    }
    close();
    frmLogin::instance()->show();
}

void qixin::cmdCancel_Click()
{
    close();
    frmLogin::instance()->show();
}

} // namespace tv
