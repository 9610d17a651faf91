#pragma once

#include "app/FormDialog.h"
#include "app/Forms.h"

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tv {

// How the program reaches the web: directly, through a named proxy, or through the system's settings.
// The ticks set the mode at once; OK stores it and applies it to the main window's transfer control.
class FrmProxy : public FormDialog, public Form<FrmProxy>
{
    Q_OBJECT
public:
    FrmProxy();
    ~FrmProxy() override;

    QCheckBox *Check1;                  // a named proxy
    QCheckBox *Check2;                  // the system's settings
    std::array<QLineEdit *, 4> Text1{}; // server, port, user name, password
    std::array<QLabel *, 4> Label1{};
    QPushButton *Command1;
    QPushButton *Command2;

    void Check1_Click();
    void Check2_Click();
    void Command1_Click();

protected:
    void markUnloaded() override { formUnloaded(this); }

private:
    void lockBoxes(bool locked);
};

} // namespace tv
