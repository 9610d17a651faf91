#include "journal/frmModifyForm.h"

#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "data/Database.h"
#include "journal/frmManager.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>

namespace tv {

namespace {
const QString kSection = QStringLiteral("Modify");
} // namespace

frmModifyForm::frmModifyForm()
    : SecurityForm(QStringLiteral("frmModifyForm"), {50, 50, 100, 200, 50, 50, 50, 25, 50, 50})
{
    setWindowTitle(QStringLiteral("修改证券信息"));
    setModal(true);

    txtFields[0]->setReadOnly(true);
    SetBoxColours(txtFields[0], 0xE0E0E0, 0x000000);
    Picture1 = new QFrame(Frame1);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    auto *p1 = new QHBoxLayout(Picture1);
    p1->setContentsMargins(0, 0, 0, 0);
    Label1 = new QLabel(QStringLiteral("==>>禁止修改!"), Picture1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->installEventFilter(this);
    p1->addWidget(Label1);
    codeRow()->addWidget(Picture1);

    // Opening: every step goes on when one fails.
    RestorePosition(this, kSection);
    setWindowTitle(QStringLiteral("正在 [ ") + g_CurCategory + QStringLiteral(" ] 区，修改 [ ") + g_CurSecurity +
                   QStringLiteral(" ] 证券"));
    // The security is the one the manager window has loaded, whatever its code box holds.
    m_Code = g_CurCode;
    if (frmManager *m = frmManager::existing()) {
        const int from[10] = {-1, -1, 1, 2, 3, 4, 5, -1, 8, 9};
        for (int i = 0; i < 10; ++i)
            if (from[i] >= 0)
                txtFields[i]->setText(m->txtFields[from[i]]->text());
    }
    txtFields[0]->setText(m_Code);
    txtFields[1]->setText(g_CurSecurity);
    txtFields[7]->setText(FormatDate(Today())); // a save stamps today as the update date
    loadCategories();
    Combo1->setEditText(g_CurCategory);
    m_Unsaved = false;
    m_HoverFrameShown = false;
    txtFields[0]->setFocus();
}

frmModifyForm::~frmModifyForm()
{
    formUnloaded(this);
}

void frmModifyForm::Label1_Click()
{
    MsgBox(QStringLiteral("此项不能修改，请注意！"), 64, QStringLiteral("提示:"));
}

bool frmModifyForm::txtFields_KeyPress(int index, QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (index == 1) {
            QPointer<frmModifyForm> self(this);
            picEditFile_Click();
            if (!self)
                return true;
            sendTab(QApplication::focusWidget() && isAncestorOf(QApplication::focusWidget())
                        ? QApplication::focusWidget()
                        : txtFields[1]);
        } else {
            sendTab(txtFields[index]);
        }
        return true;
    }
    return false;
}

void frmModifyForm::txtFields_LostFocus(int index)
{
    if (refuseQuote(index))
        return;
    if (index != 0 && index != 1)
        return;
    const QString text = txtFields[index]->text();
    if (text == (index == 0 ? g_CurCode : g_CurSecurity))
        return; // the security's own code and name
    bool taken = false;
    try {
        Database db(g_DbPath, g_DbConnect);
        taken = index == 0 ? SecurityCodeTaken(db, text) : SecurityNameTaken(db, text);
    } catch (const DbError &e) {
        if (!ShowDatabaseTrouble(e))
            MsgBox(QStringLiteral("不能读取证券资料：") + e.message(), 16, QStringLiteral("错误"));
        return;
    }
    if (taken)
        refuseDuplicate(index);
}

bool frmModifyForm::save()
{
    if (!lookUpAccount() ||
        refuseEmpty(1, QStringLiteral("证券名称不能空，且不能重复   "), QStringLiteral("证券名称有错误")) ||
        refuseEmpty(0, QStringLiteral("证券代码不能空 ，且不能重复  "), QStringLiteral("证券代码有错误")))
        return false;
    if (!storeBoxes([this](Database &db, const SecurityRow &row) { return ReplaceSecurity(db, m_Code, row); }))
        return false;
    if (frmManager *m = frmManager::existing())
        m->lblFileCaption->setText(txtFields[1]->text());
    SetStatusText(kIdleText);
    m_Unsaved = false;
    return true;
}

void frmModifyForm::SaveAdd_Click()
{
    if (save())
        close();
}

void frmModifyForm::ExitB_Click()
{
    SetStatusText(kIdleText);
    close();
}

void frmModifyForm::Form_Unload()
{
    m_unloading = true;
    SavePosition(this, kSection);
    if (m_Unsaved && MsgBox(QStringLiteral("有修改记录，需要保存码？(Y/N)"), 36, QStringLiteral("未保存")) == vbYes)
        save();
}

bool frmModifyForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        Label1_Click();
        return true;
    }
    return SecurityForm::eventFilter(watched, event);
}

} // namespace tv
