#include "journal/modqix.h"

#include "journal/TradeForm.h"

#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "journal/TradeEntry.h"
#include "journal/TradeGrid.h"
#include "journal/frmManager.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv {

// The main window owns the dialog: it stays in front of it, also once the journal is closed under it,
// keeping what was typed for its save.
modqix::modqix() : FormDialog(frmMain::existing())
{
    setObjectName(QStringLiteral("modqix"));
    setWindowTitle(QStringLiteral("修改交易记录"));
    setModal(false);

    const TradeFormControls c =
        BuildTradeForm(this, TradeBoxCaptions() << QStringLiteral("收支金额：") << QStringLiteral("合同号：") << QStringLiteral("录入者："),
                       10, this, QStringLiteral("Command1"), QStringLiteral("Command2"));
    Combo1 = c.type;
    DTPicker1 = c.date;
    for (int i = 1; i <= 12; ++i)
        Text1[i] = c.boxes[i];
    Command1 = c.save;
    Command2 = c.cancel;

    connect(Command1, &QPushButton::clicked, this, &modqix::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &modqix::Command2_Click);
    Form_Load();
}

modqix::~modqix()
{
    formUnloaded(this);
}

void modqix::Form_Load()
{
    SetStatusText(QStringLiteral("修改证券交易记录"));
    frmManager *manager = frmManager::existing();
    if (!manager)
        return;
    const int r = manager->currentGridRow();
    Combo1->setEditText(manager->gridText(r, 1));
    DTPicker1->setDate(QDate::fromString(manager->gridText(r, 0), QStringLiteral("yyyy-MM-dd")));
    Text1[12]->setText(g_CurUser);
    for (int i = 1; i <= 11; ++i)
        Text1[i]->setText(manager->gridText(r, i + 1));
    m_RepId = manager->gridText(r, kGridKeyColumn).toLongLong();
    // The row stays with the security it was stored under, whatever the manager loads meanwhile.
    m_Code = g_CurCode;
    try {
        Database db(g_DbPath, g_DbConnect);
        const QString stored = TradeRowCode(db, m_RepId);
        if (!stored.isEmpty())
            m_Code = stored;
    } catch (const DbError &e) {
        ShowDatabaseTrouble(e);
    }
}

void modqix::Command1_Click()
{
    if (Trim(Text1[5]->text()).isEmpty()) {
        MsgBox(QStringLiteral("资金余额不能为空!"), 0, QString());
        Text1[5]->setFocus();
        return;
    }
    const QList<QWidget *> texts = {Combo1, Text1[11], Text1[12]};
    if (const int bad = RefuseSpecialCharAt({Combo1->currentText(), Text1[11]->text(), Text1[12]->text()});
        bad >= 0) {
        texts[bad]->setFocus();
        return;
    }
    TradeRow row;
    row.code = m_Code;
    row.tradeType = Combo1->currentText();
    row.date = DTPicker1->date();
    SetTradeNumbers(row, [this](int i) { return Text1[i]->text(); });
    row.flow = PlainNumber(Text1[10]->text());
    row.contract = Text1[11]->text();
    row.user = Text1[12]->text();
    bool replaced = false;
    try {
        Database db(g_DbPath, g_DbConnect);
        replaced = ReplaceTradeRow(db, m_RepId, row);
    } catch (const DbError &e) {
        // Rolled back: the old row stays, and the dialog keeps what was typed for a correction.
        if (!ShowDatabaseTrouble(e))
            ShowUnknownError();
        return;
    }
    if (!replaced) {
        const EntryNotice gone = SecurityGoneNotice(m_Code);
        MsgBox(gone.text, gone.style, gone.title);
        return;
    }
    close();
    SetStatusText(kIdleText);
    if (frmManager *manager = frmManager::existing())
        manager->reloadGrid();
}

void modqix::Command2_Click()
{
    SetStatusText(kIdleText);
    close();
}

void modqix::Text1_LostFocus(int index)
{
    QLineEdit *box = Text1[index];
    SetBoxColours(box, 0xFFFFFF, 0x000000);
    if (RefuseSpecialChar(box->text()))
        box->setFocus();
}

int modqix::boxIndex(const QObject *watched) const
{
    for (int i = 1; i <= 12; ++i)
        if (watched == Text1[i])
            return i;
    return 0;
}

bool modqix::eventFilter(QObject *watched, QEvent *event)
{
    const int index = boxIndex(watched);
    if (!index)
        return FormDialog::eventFilter(watched, event);
    QLineEdit *box = Text1[index];
    switch (event->type()) {
    case QEvent::FocusIn:
        SetBoxColours(box, 0xFF0000, 0xFFFFFF);
        SelectWhenFocused(box, true);
        break;
    case QEvent::FocusOut:
        if (isVisible() && FocusMovedWithinWindow(static_cast<QFocusEvent *>(event), box))
            Text1_LostFocus(index);
        break;
    default:
        break;
    }
    return FormDialog::eventFilter(watched, event);
}

} // namespace tv
