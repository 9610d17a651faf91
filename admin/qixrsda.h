#pragma once

#include "app/FormDialog.h"
#include "app/Forms.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tv {

// The restore: the live database file takes the content of a chosen backup.
class qixrsda : public FormDialog, public Form<qixrsda>
{
    Q_OBJECT
public:
    qixrsda();
    ~qixrsda() override;

    QLineEdit *Text1;
    QLabel *Label1;
    QPushButton *Command3; // the file dialog
    QPushButton *Command1;
    QPushButton *Command2;

    void Text1_Change();
    void Command3_Click();
    void Command1_Click();
    void Command2_Click();

protected:
    void markUnloaded() override { formUnloaded(this); }
};

// The file dialog's filter: its own description, and a pattern that takes ".zqdb" in any letter case.
QString RestoreFileFilter();

} // namespace tv
