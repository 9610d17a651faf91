#pragma once

#include "app/FormDialog.h"
#include "app/Forms.h"

#include <QStringList>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tv {

// The login: the operators of the database, the password check and the three-try rule.
class frmLogin : public FormDialog, public Form<frmLogin>
{
    Q_OBJECT
public:
    frmLogin();
    ~frmLogin() override;

    QComboBox *UserTxt;
    QLineEdit *txtPassword;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;
    QPushButton *Command1;

    void cmdOK_Click() { checkPassword(false); }
    void Command1_Click() { checkPassword(true); }
    int failureCount() const { return m_failures; }

protected:
    void Form_Unload() override;
    void markUnloaded() override { formUnloaded(this); }
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void checkPassword(bool changePassword);
    int selectedPosition() const;

    QStringList m_passwords;
    QStringList m_rights;
    int m_failures = 1;
};

} // namespace tv
