#pragma once

#include "app/FormDialog.h"
#include "app/Forms.h"

class QFrame;
class QLabel;

namespace tv {

// The about box: product name, version, a statement and two links.
class frmAbout : public FormDialog, public Form<frmAbout>
{
    Q_OBJECT
public:
    frmAbout();
    ~frmAbout() override;

    QLabel *Label1, *Label2, *Label3, *Label4, *Label6;
    QLabel *email, *page, *picScan;
    QFrame *lLeft_1, *lTop_1, *lRight_1, *lBottom_1;

    void email_Click();
    void page_Click();
    void email_MouseMove();
    void page_MouseMove();
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

QString LinkColour(const QLabel *label); // "#0000ff" or "#000000", for tests
bool LinkUnderlined(const QLabel *label);

} // namespace tv
