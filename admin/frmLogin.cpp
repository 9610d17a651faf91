#include "admin/frmLogin.h"

#include "admin/qixin.h"
#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/frmSplash.h"
#include "data/Database.h"
#include "data/Password.h"

#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tv {

frmLogin::frmLogin()
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("登陆窗口"));
    setFixedSize(TwipsToPx(4410), TwipsToPx(2040));

    UserTxt = new QComboBox(this);
    UserTxt->setObjectName(QStringLiteral("UserTxt"));
    UserTxt->setEditable(true);
    UserTxt->setInsertPolicy(QComboBox::NoInsert);
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42")); // "*", not the style's dot
    auto *userLabel = new QLabel(QStringLiteral("用户名(&U):"), this);
    userLabel->setBuddy(UserTxt);
    auto *passwordLabel = new QLabel(QStringLiteral("密码(&P):"), this);
    passwordLabel->setBuddy(txtPassword);
    cmdOK = new QPushButton(QStringLiteral("确定(O)"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    Command1 = new QPushButton(QStringLiteral("修改密码(&f)"), this);
    Command1->setObjectName(QStringLiteral("Command1"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(userLabel, 0, 0);
    grid->addWidget(UserTxt, 0, 1);
    grid->addWidget(passwordLabel, 1, 0);
    grid->addWidget(txtPassword, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(Command1);
    grid->addLayout(buttons, 2, 0, 1, 2);

    connect(cmdOK, &QPushButton::clicked, this, &frmLogin::cmdOK_Click);
    connect(Command1, &QPushButton::clicked, this, &frmLogin::Command1_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    connect(UserTxt, &QComboBox::activated, this, [this] { txtPassword->setFocus(); });
    UserTxt->installEventFilter(this);

    // Load: each step goes on when the one before it failed.
    RestorePosition(this, QStringLiteral("Login"));
    activateWindow();
    g_AppDir = QDir::currentPath();
    if (!g_AppDir.endsWith(u'/'))
        g_AppDir += u'/';
    // A refused database file has been named already; no operators to list then, and every password
    // is refused.
    if (ResolveDatabasePath(QString())) {
        try {
            Database db(g_DbPath, g_DbConnect);
            const RowSet users = db.openTable(QStringLiteral("User"));
            for (int i = 0; i < users.recordCount(); ++i) {
                m_passwords << users.text(i, 1);
                m_rights << users.text(i, 2);
                UserTxt->addItem(users.text(i, 0));
            }
        } catch (const DbError &e) {
            if (!ShowDatabaseTrouble(e))
                MsgBox(QStringLiteral("不能读取操作员名单：") + e.message(), 16, QStringLiteral("错误"));
        }
    }
    if (UserTxt->count() > 0)
        UserTxt->setCurrentIndex(0);
    else
        UserTxt->setCurrentIndex(-1);
    m_failures = 1;
}

frmLogin::~frmLogin()
{
    formUnloaded(this);
}

void frmLogin::Form_Unload()
{
    SavePosition(this, QStringLiteral("Login"));
}

bool frmLogin::eventFilter(QObject *watched, QEvent *event)
{
    // Leaving the operator list, by the keyboard or the mouse, goes on to the password.
    if (watched == UserTxt && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::MouseFocusReason)
            txtPassword->setFocus();
    }
    return FormDialog::eventFilter(watched, event);
}

int frmLogin::selectedPosition() const
{
    // A typed name counts only when it is an operator's name exactly.
    return UserTxt->findText(UserTxt->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void frmLogin::checkPassword(bool changePassword)
{
    const int pos = selectedPosition();
    const bool match = pos >= 0 && pos < m_passwords.size() && EncodePassword(txtPassword->text()) == m_passwords[pos];
    if (!match) {
        MsgBox(QStringLiteral("无效的密码，再试一次！"), 32, QStringLiteral("登录"));
        ++m_failures;
        if (m_failures > 3) {
            MsgBox(QStringLiteral("对不起，您不能使用该系统！"), 64, QStringLiteral("登录失败"));
            close();
        } else {
            txtPassword->setFocus();
            txtPassword->selectAll();
        }
        return;
    }
    g_CurUser = UserTxt->itemText(pos);
    g_UserRight = m_rights.value(pos);
    SetMousePointer(this, 11);
    close();
    if (changePassword)
        qixin::instance()->show();
    else
        frmSplash::instance()->show();
}

} // namespace tv
