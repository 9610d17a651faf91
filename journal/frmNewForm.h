#pragma once

#include "app/Forms.h"
#include "journal/SecurityForm.h"

namespace tv {

// Enters new securities, one Detail row per save, under the account of the chosen category. It stays
// open after a save, cleared for the next one, and has the manager window rebuild its tree when it
// closes after a save. Leaving the code box with a new code asks the quote service for the security.
class frmNewForm : public SecurityForm, public Form<frmNewForm>
{
    Q_OBJECT
public:
    frmNewForm();
    ~frmNewForm() override;

    bool m_Added = false;

    void Combo1_LostFocus();
    void txtFields_LostFocus(int index) override;
    void SaveAdd_Click() override;
    void ExitB_Click() override;

protected:
    bool QueryUnload() override;
    void Form_Unload() override;
    void markUnloaded() override { formUnloaded(this); }
    bool txtFields_KeyPress(int index, QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool save();
    void setCaption();
};

} // namespace tv
