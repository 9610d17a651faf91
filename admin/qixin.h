#pragma once

#include "app/FormDialog.h"
#include "app/Forms.h"

class QLineEdit;
class QPushButton;

namespace tv {

// The logged-in operator changes his own password, then logs in again.
class qixin : public FormDialog, public Form<qixin>
{
    Q_OBJECT
public:
    qixin();
    ~qixin() override;

    QLineEdit *Text1;
    QLineEdit *Text2;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;

    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void markUnloaded() override { formUnloaded(this); }
};

} // namespace tv
