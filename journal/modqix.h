#pragma once

#include "app/FormDialog.h"
#include "app/Forms.h"

#include <array>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;

namespace tv {

// The trade-record edit: every stored value of the manager grid's current record in editable boxes;
// saving replaces the stored row by one built from the boxes, as typed. Nothing is recomputed.
class modqix : public FormDialog, public Form<modqix>
{
    Q_OBJECT
public:
    modqix();
    ~modqix() override;

    QComboBox *Combo1 = nullptr;
    QDateEdit *DTPicker1 = nullptr;
    std::array<QLineEdit *, 13> Text1{}; // 1 to 12; 0 unused
    QPushButton *Command1 = nullptr;     // "保存"
    QPushButton *Command2 = nullptr;     // "取消"

    qint64 m_RepId = 0; // the row being edited
    QString m_Code;     // the security it belongs to, taken at opening

    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Text1_LostFocus(int index);

protected:
    void markUnloaded() override { formUnloaded(this); }
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int boxIndex(const QObject *watched) const;
};

} // namespace tv
