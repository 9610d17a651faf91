#include "journal/frmNewForm.h"

#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "journal/frmManager.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

namespace tv {

namespace {
const QString kSection = QStringLiteral("AddNew");
} // namespace

frmNewForm::frmNewForm() : SecurityForm(QStringLiteral("frmNewForm"), {50, 50, 100, 200, 50, 50, 25, 50, 50, 50})
{
    setWindowTitle(QStringLiteral("添加证券信息"));
    setModal(true);
    if (QLineEdit *edit = Combo1->lineEdit())
        edit->installEventFilter(this);

    // Opening: every step goes on when one fails.
    RestorePosition(this, kSection);
    txtFields[7]->setText(FormatDate(Today()));
    loadCategories();
    if (g_CurCategory.isEmpty()) {
        if (Combo1->count() >= 2) {
            Combo1->setCurrentIndex(1);
            g_CurCategory = Combo1->currentText();
        } else {
            g_CurCategory.clear();
        }
    }
    Combo1->setEditText(g_CurCategory);
    m_Unsaved = false;
    m_Added = false;
    m_HoverFrameShown = false;
    setCaption();
    txtFields[0]->setFocus();
}

frmNewForm::~frmNewForm()
{
    formUnloaded(this);
}

void frmNewForm::setCaption()
{
    setWindowTitle(QStringLiteral("正在 [ ") + g_CurCategory + QStringLiteral(" ] 区，添加新项目"));
}

void frmNewForm::Combo1_LostFocus()
{
    g_CurCategory = Combo1->currentText();
    setCaption();
}

bool frmNewForm::txtFields_KeyPress(int index, QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (index == 0)
            sendTab(txtFields[0]);
        else if (index == 1)
            picEditFile_Click();
        return true;
    }
    return false;
}

void frmNewForm::txtFields_LostFocus(int index)
{
    if (refuseQuote(index))
        return;
    QPointer<frmNewForm> self(this);
    if (index == 0 || index == 1) {
        const QString text = txtFields[index]->text();
        bool taken = false;
        try {
            Database db(g_DbPath, g_DbConnect);
            taken = index == 0 ? SecurityCodeTaken(db, text) : SecurityNameTaken(db, text);
        } catch (const DbError &e) {
            if (!ShowDatabaseTrouble(e))
                MsgBox(QStringLiteral("不能读取证券资料：") + e.message(), 16, QStringLiteral("错误"));
            return;
        }
        if (taken) {
            refuseDuplicate(index);
            return;
        }
        if (index == 0 && text.size() > 5) {
            SetStatusText(QStringLiteral("查询股票"));
            if (g_Idle) {
                IdleGuard fetch;
                QStringList codes(11);
                codes[1] = text;
                frmMain::instance()->newone(codes, 1); // fills boxes 1, 2, 4, 5, 6, 8 and 9
            }
            if (!self)
                return;
            CarryOutDeferredCloses();
        }
    }
}

bool frmNewForm::save()
{
    if (!lookUpAccount() ||
        refuseEmpty(0, QStringLiteral("证券代码不能空，且不能重复,不能保存!"), QStringLiteral("证券代码有错误")) ||
        refuseEmpty(1, QStringLiteral("证券名称不能空，且不能重复   "), QStringLiteral("证券名称有错误")))
        return false;
    if (!storeBoxes([](Database &db, const SecurityRow &row) { return AddSecurity(db, row); }))
        return false;
    for (int i = 0; i <= 6; ++i)
        txtFields[i]->clear();
    txtFields[0]->setFocus(Qt::OtherFocusReason);
    m_Unsaved = false;
    m_Added = true;
    return true;
}

void frmNewForm::SaveAdd_Click() { save(); }

void frmNewForm::ExitB_Click()
{
    SetStatusText(kIdleText);
    if (g_Idle)
        close();
    else
        CloseWhenIdle(this);
}

bool frmNewForm::QueryUnload()
{
    if (g_Idle)
        return true;
    CloseWhenIdle(this);
    return false;
}

void frmNewForm::Form_Unload()
{
    m_unloading = true;
    SavePosition(this, kSection);
    if (m_Unsaved && MsgBox(QStringLiteral("有添加记录，需要保存码？(Y/N)"), 36, QStringLiteral("未保存")) == vbYes)
        save();
    if (g_ManagerOpen && m_Added && frmManager::isLoaded())
        frmManager::existing()->cmdLoad_Click();
}

bool frmNewForm::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == Combo1 || watched == Combo1->lineEdit()) && event->type() == QEvent::FocusOut && !m_unloading &&
        FocusMovedWithinWindow(static_cast<QFocusEvent *>(event), Combo1))
        Combo1_LostFocus();
    return SecurityForm::eventFilter(watched, event);
}

} // namespace tv
