#pragma once

#include "app/FormDialog.h"
#include "app/Forms.h"

#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tv {

// The company information: the one Config row and the main window's background picture.
class ConfigForm : public FormDialog, public Form<ConfigForm>
{
    Q_OBJECT
public:
    ConfigForm();
    ~ConfigForm() override;

    // Boxes 0 to 5: name, telephone, fax, person in charge, address, picture path.
    std::array<QLineEdit *, 6> CC{};
    QPushButton *OkSave;
    QPushButton *CancelExit;
    QPushButton *Command1; // the picture chooser
    QPushButton *Command2; // the alert mailbox
    QString savedPicturePath() const { return m_SavedPicturePath; }

    void OkSave_Click();
    void Command1_Click();
    void Command2_Click();

protected:
    void Form_Unload() override;
    void markUnloaded() override { formUnloaded(this); }
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void load();
    void pictureFailure(bool pathWasPutBack);
    int boxIndex(QObject *o) const;

    QString m_SavedPicturePath;
};

} // namespace tv
