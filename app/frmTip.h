#pragma once

#include "app/Forms.h"

#include "app/FormDialog.h"
#include <QStringList>

class QCheckBox;
class QLabel;
class QPushButton;

namespace tv {

// The tip of the day, one line of File.Vkr at a time.
class frmTip : public FormDialog, public Form<frmTip>
{
    Q_OBJECT
public:
    frmTip();
    ~frmTip() override;

    bool LoadTips(const QString &path);
    void DoNextTip();
    void DisplayCurrentTip();
    int currentTip() const { return m_current; }
    const QStringList &tips() const { return m_tips; }

    QLabel *lblTipText;
    QLabel *Label1;
    QLabel *Label2;
    QCheckBox *chkLoadTipsAtStartup;
    QPushButton *cmdNextTip;
    QPushButton *cmdOK;
    QLabel *Picture1;

    void Label2_Click();

protected:
    void Form_Unload() override;
    void markUnloaded() override { formUnloaded(this); }
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QStringList m_tips;
    int m_current = 0;
};

} // namespace tv
