#pragma once

#include "app/FormDialog.h"
#include "app/Forms.h"

class QAction;
class QComboBox;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QTableWidget;

namespace tv {

// The operators: the list with passwords in clear, adding one with its password typed twice, and
// deleting one, never the last.
class frmOperator : public FormDialog, public Form<frmOperator>
{
    Q_OBJECT
public:
    frmOperator();
    ~frmOperator() override;

    QLineEdit *Text1;
    QLineEdit *Text2;
    QLineEdit *Text3;
    QComboBox *cmbAuthority;
    QPushButton *Command1;
    QPushButton *Command2;
    QTableWidget *Grid1;
    QMenuBar *menuBar;
    QMenu *MnuOperate;
    QAction *MnuAdd;
    QAction *MnuDelete;
    QMenu *MnuReturn;
    QAction *MnuAuthority;

    int operatorCount() const { return m_OperatorCount; }

    void Command1_Click();
    void Command2_Click();
    void Grid1_DblClick();
    void Grid1_MouseDown(Qt::MouseButton button);
    void MnuAdd_Click();
    void MnuDelete_Click();
    void MnuAuthority_Click();

protected:
    void Form_Unload() override;
    void markUnloaded() override { formUnloaded(this); }
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void LoadOperatorGrid();
    void DeleteOperator();
    bool PasswordsAgree();
    // The typed password can be stored as it is (PasswordStorable); otherwise the wrong-value message, and
    // both password boxes emptied for a new one.
    bool passwordStorable();
    void setMenuItemState();
    QString currentCellText() const;

    int m_OperatorCount = 0;
};

} // namespace tv
