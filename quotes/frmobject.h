#pragma once

#include "app/FormDialog.h"
#include "app/Forms.h"

#include <array>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tv {

struct AlertPoints;

// The alert points of the security on one watch row: target, stop, buy point and comment. Modal.
class frmobject : public FormDialog, public Form<frmobject>
{
    Q_OBJECT
public:
    frmobject();
    ~frmobject() override;

    // Opens the dialog modal over `over` for watch row g_WatchRow. A security that cannot be read is
    // reported and nothing opens.
    static void Edit(QWidget *over);

    std::array<QLabel *, 6> Label1{};
    std::array<QLineEdit *, 5> Text1{}; // 0 name, 1 code (display only), 2 target, 3 stop, 4 buy point
    QPlainTextEdit *Text1_5 = nullptr;  // the comment
    QPushButton *Command1;              // "确定"
    QPushButton *Command2;              // "取消"

    void Command1_Click();

protected:
    void markUnloaded() override { formUnloaded(this); }

private:
    void fill(int row, const QString &name, const AlertPoints &points);

    int m_row = 0; // the watch row being edited
};

} // namespace tv
