#pragma once

#include "app/Forms.h"
#include "journal/SecurityForm.h"

class QFrame;
class QLabel;

namespace tv {

// Changes the data of the security the manager window shows. The code cannot be changed; a save
// replaces the security's Detail row, writes the (possibly new) name into the manager window's caption
// and closes the dialog. The manager window's modify command brings itself up to date afterwards.
class frmModifyForm : public SecurityForm, public Form<frmModifyForm>
{
    Q_OBJECT
public:
    frmModifyForm();
    ~frmModifyForm() override;

    QFrame *Picture1 = nullptr;
    QLabel *Label1 = nullptr;

    void Label1_Click();
    void txtFields_LostFocus(int index) override;
    void SaveAdd_Click() override;
    void ExitB_Click() override;

protected:
    void Form_Unload() override;
    void markUnloaded() override { formUnloaded(this); }
    bool colouredOnFocus(int index) const override { return index != 0; }
    bool txtFields_KeyPress(int index, QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool save();
    QString m_Code; // the loaded security's code at opening: the row a save replaces
};

} // namespace tv
