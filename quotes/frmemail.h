#pragma once

#include "app/FormDialog.h"
#include "app/Forms.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tv {

// The alert mailbox: the address the watch window mails its alerts to and the alerts-on switch.
// Modeless, without an owner.
class frmemail : public FormDialog, public Form<frmemail>
{
    Q_OBJECT
public:
    frmemail();
    ~frmemail() override;

    // Shows the dialog, loading it when needed, or brings the open one to the front.
    static frmemail *Open();

    QLabel *Label1;
    QLineEdit *Text1;
    QCheckBox *Check1;
    QPushButton *Command1; // "确定"
    QPushButton *Command2; // "取消"

    void Command1_Click();

protected:
    void markUnloaded() override { formUnloaded(this); }
};

} // namespace tv
