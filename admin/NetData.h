#pragma once

#include "app/FormDialog.h"
#include "app/Forms.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tv {

// The data path: a typed or chosen folder of a shared database file, which becomes the database of
// the rest of the run and of later starts.
class NetData : public FormDialog, public Form<NetData>
{
    Q_OBJECT
public:
    NetData();
    ~NetData() override;

    QLineEdit *NetDataPath;
    QPushButton *OK;
    QPushButton *NetCancel;
    QLabel *cmdBrowse;
    QLabel *Label1;
    QLabel *Image1;
    QFrame *lLeft, *lTop, *lRight, *lBottom;

    void cmdBrowse_Click();
    void OK_Click();
    void NetCancel_Click();
    bool hovering() const { return m_hover; }

protected:
    void Form_Unload() override;
    void markUnloaded() override { formUnloaded(this); }
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void showFrame(bool on);
    bool m_hover = false;
};

} // namespace tv
