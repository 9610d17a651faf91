#pragma once

#include "app/FormDialog.h"
#include "app/Forms.h"

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace tv {

// The quote service choice. A click on a service holds for the rest of the run at once; OK also keeps
// it for later starts.
class frmup : public FormDialog, public Form<frmup>
{
    Q_OBJECT
public:
    frmup();
    ~frmup() override;

    QGroupBox *Frame1;
    QRadioButton *Option1; // star
    QRadioButton *Option2; // sina
    QRadioButton *Option3; // sohu
    QPushButton *OKButton;
    QPushButton *CancelButton;

    void OKButton_Click();

protected:
    void markUnloaded() override { formUnloaded(this); }
};

} // namespace tv
