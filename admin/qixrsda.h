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

// The file dialog's filter: the caption "所有文件(*.zqbd)", which is all the dialog shows, and the pattern
// "*.zqdb", which the dialog matches in any letter case (the backups are written as ".zQdb").
QString RestoreFileFilter();

} // namespace tv
