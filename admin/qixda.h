#pragma once

#include "app/FormDialog.h"
#include "app/Forms.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tv {

// The backup: the database file copied into a chosen folder under the day's date.
class qixda : public FormDialog, public Form<qixda>
{
    Q_OBJECT
public:
    qixda();
    ~qixda() override;

    QLineEdit *NetDataPath;
    QPushButton *OK;
    QPushButton *NetCancel;
    QLabel *cmdBrowse; // a picture used as the button
    QLabel *Label1;
    QLabel *Image1;
    QFrame *lLeft, *lTop, *lRight, *lBottom;

    void NetDataPath_Change();
    void cmdBrowse_Click();
    void OK_Click();
    void NetCancel_Click();

protected:
    void markUnloaded() override { formUnloaded(this); }
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace tv
