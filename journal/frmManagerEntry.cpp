// The trade-entry panel of the manager window: the boxes of one trade over the grid, what leaving a box
// recomputes, saving and cancelling, and the record edit it opens. The rules are in TradeEntry.

#include "journal/frmManager.h"

#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "data/Database.h"
#include "journal/TradeEntry.h"
#include "journal/TradeForm.h"
#include "journal/modqix.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tv {

namespace {


// Routes the focus events of the panel's boxes and of Combo1 to the window's handlers.
class EntryEvents : public QObject
{
public:
    explicit EntryEvents(frmManager *w) : QObject(w), m_w(w) { setObjectName(QStringLiteral("EntryEvents")); }
    void watchDate(QDateEdit *date) { m_date = date; }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The date picker goes first when the panel is destroyed: a box losing the focus to its own
        // destruction computes nothing.
        if (!m_date)
            return false;
        if (watched == m_w->Combo1) {
            if (event->type() == QEvent::FocusOut &&
                FocusMovedWithinWindow(static_cast<QFocusEvent *>(event), m_w->Combo1))
                m_w->Combo1_LostFocus();
            return false;
        }
        int index = 0;
        for (int i = 1; i <= 10; ++i)
            if (watched == m_w->Text1[i])
                index = i;
        if (!index)
            return false;
        QLineEdit *box = m_w->Text1[index];
        switch (event->type()) {
        case QEvent::FocusIn:
            SetBoxColours(box, 0xFF0000, 0xFFFFFF);
            SelectWhenFocused(box, true);
            break;
        case QEvent::FocusOut:
            if (FocusMovedWithinWindow(static_cast<QFocusEvent *>(event), box))
                m_w->Text1_LostFocus(index);
            break;
        default:
            break;
        }
        return false;
    }

private:
    frmManager *m_w;
    QPointer<QDateEdit> m_date;
};

} // namespace

void frmManager::releaseEntryPanel()
{
    delete findChild<QObject *>(QStringLiteral("EntryEvents"), Qt::FindDirectChildrenOnly);
}

void frmManager::buildEntryPanel()
{
    Frame2 = new QFrame(ListView);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setFrameShape(QFrame::StyledPanel);
    Frame2->setAutoFillBackground(true);
    Frame2->hide();
    // The grid keeps its place while the panel lies over it.
    QSizePolicy keep = my1->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    my1->setSizePolicy(keep);

    auto *events = new EntryEvents(this);
    const TradeFormControls c = BuildTradeForm(Frame2, TradeBoxCaptions() << QStringLiteral("合同号："), 9, events,
                                               QStringLiteral("Command2"), QStringLiteral("Command3"));
    Combo1 = c.type;
    DTPicker1 = c.date;
    events->watchDate(DTPicker1);
    for (int i = 1; i <= 10; ++i)
        Text1[i] = c.boxes[i];
    Command2 = c.save;
    Command3 = c.cancel;
    Combo1->installEventFilter(events);

    connect(Command2, &QPushButton::clicked, this, &frmManager::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmManager::Command3_Click);
    // Only the operator's change reopens the panel: the window sets the date under a signal blocker.
    connect(DTPicker1, &QDateEdit::dateChanged, this, &frmManager::DTPicker1_Change);
}

TradeEntry frmManager::readEntry() const
{
    TradeEntry e;
    e.code = m_EntryCode;
    e.category = m_EntryCategory;
    e.date = DTPicker1->date();
    e.tradeType = Combo1->currentText();
    for (int i = 1; i <= 10; ++i)
        e.box[i] = Text1[i]->text();
    e.openingCash = m_OpeningCash;
    e.openingHolding = m_OpeningHolding;
    e.flow = m_TradeFlow;
    return e;
}

void frmManager::writeEntry(const TradeEntry &e)
{
    for (int i = 1; i <= 10; ++i)
        if (Text1[i]->text() != e.box[i])
            Text1[i]->setText(e.box[i]);
    m_EntryCode = e.code;
    m_EntryCategory = e.category;
    m_OpeningCash = e.openingCash;
    m_OpeningHolding = e.openingHolding;
    m_TradeFlow = e.flow;
}

void frmManager::munaddqix_Click()
{
    if (!confirmLoadedSecurity())
        return;
    const QString code = g_CurCode;
    EntryOpening opening;
    try {
        Database db(g_DbPath, g_DbConnect);
        opening = OpenTradeEntry(db, m_LoadedAccount, code, DTPicker1->date());
    } catch (const DbError &error) {
        if (!ShowDatabaseTrouble(error))
            ShowUnknownError();
        return;
    }
    if (opening.result == EntryOpening::NoCategory) {
        ShowUnknownError();
        return;
    }
    g_CurCategory = opening.category;
    Combo1->clear();
    if (opening.result == EntryOpening::NoTradeModes) {
        my1->hide();
        Command1->hide();
        Command4->hide();
        for (int b : {5, 6, 7})
            setToolbarButton(b, false);
        menuItem(QStringLiteral("uprice"))->setEnabled(false);
        MsgBox(QStringLiteral("没有交易方式，请重新添加！"), 16, QStringLiteral("没有找到交易方式"));
        return;
    }
    Combo1->addItems(opening.tradeModes);
    Combo1->setCurrentIndex(0);
    SetStatusText(QStringLiteral("添加买卖记录"));
    showEntryPanel();

    TradeEntry e = readEntry();
    e.code = code;
    StartTradeEntry(e, opening, txtFields[4]->text());
    writeEntry(e);
    g_RepWhere = opening.repWhere;
}

void frmManager::DTPicker1_Change()
{
    munaddqix_Click();
}

void frmManager::Text1_LostFocus(int index)
{
    // Hiding the panel after a save or a cancel moves the focus out of it: nothing to compute then.
    if (!Frame2->isVisible())
        return;
    QLineEdit *box = Text1[index];
    SetBoxColours(box, 0xFFFFFF, 0x000000);
    if (RefuseSpecialChar(box->text())) {
        box->setFocus();
        return;
    }
    TradeEntry e = readEntry();
    QList<EntryNotice> notices;
    try {
        Database db(g_DbPath, g_DbConnect);
        notices = LeaveEntryBox(db, e, index);
    } catch (const DbError &error) {
        if (!ShowDatabaseTrouble(error))
            ShowUnknownError(); // the boxes keep what they hold
        return;
    }
    writeEntry(e);
    for (const EntryNotice &n : notices)
        MsgBox(n.text, n.style, n.title);
}

void frmManager::Combo1_LostFocus()
{
    Text1_LostFocus(kQuantityBox);
}

void frmManager::Command2_Click()
{
    if (Trim(Text1[kCashBox]->text()).isEmpty()) {
        MsgBox(QStringLiteral("资金余额不能为空!"), 0, QString());
        Text1[kCashBox]->setFocus();
        return;
    }
    // The boxes are numbers by now; the trade type is the one text typed freely.
    if (RefuseSpecialChar(Combo1->currentText())) {
        Combo1->setFocus();
        return;
    }
    TradeEntry e = readEntry();
    SaveOutcome outcome;
    try {
        Database db(g_DbPath, g_DbConnect);
        outcome = SaveTradeEntry(db, e, g_CurUser);
    } catch (const DbError &error) {
        if (!ShowDatabaseTrouble(error))
            ShowUnknownError(); // rolled back; the panel keeps what was typed
        return;
    }
    if (!outcome.saved) {
        // Another workstation saved first: the panel now computes from the balances it left.
        writeEntry(e);
        for (const EntryNotice &n : outcome.notices)
            MsgBox(n.text, n.style, n.title);
        return;
    }
    m_TradeFlow = SavedFlow(e.flow);
    closeEntryPanel();
    my1->show();
    reloadGrid();
}

void frmManager::showEntryPanel()
{
    layoutPanel();
    Frame2->show();
    Frame2->raise();
    my1->hide();
    Command1->hide();
    Command4->hide();
}

void frmManager::closeEntryPanel()
{
    Frame2->hide();
    for (int i = 1; i <= 10; ++i)
        Text1[i]->clear();
}

void CloseEntriesOf(const QStringList &codes)
{
    // Codes compare as the database compares them, without regard to case.
    const auto deleted = [&codes](const QString &code) { return codes.contains(code, Qt::CaseInsensitive); };
    if (frmManager *w = frmManager::existing()) {
        if (w->Frame2->isVisibleTo(w) && deleted(w->m_EntryCode))
            w->closeEntryPanel();
        if (!w->m_LoadedName.isEmpty() && deleted(g_CurCode))
            w->ResetDetailView();
    }
    if (modqix *d = modqix::existing(); d && deleted(d->m_Code))
        d->close();
}

void frmManager::Command3_Click()
{
    closeEntryPanel();
    my1->show();
    Command1->show();
    Command4->show();
    SetStatusText(kIdleText);
    SetRights();
}

void frmManager::Mnumodqix_Click()
{
    SetStatusText(QStringLiteral("修改买卖记录"));
    // The dialog opens on a record row only: one whose key is a whole number.
    const int row = currentGridRow();
    bool isKey = false;
    gridText(row, kGridKeyColumn).toLongLong(&isKey);
    if (!IsRecordRow(gridText(row, 0)) || !isKey)
        return;
    modqix *dialog = modqix::instance();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

} // namespace tv
