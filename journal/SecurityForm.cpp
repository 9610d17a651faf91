#include "journal/SecurityForm.h"

#include "app/BoxHelpers.h"
#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "data/Database.h"
#include "data/Settings.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv {

namespace {
const QStringList kCaptions = {QStringLiteral("证券代码："), QStringLiteral("证券名称："), QStringLiteral("基本面："),
                               QStringLiteral("分析评论："), QStringLiteral("目标价："),   QStringLiteral("市场价格："),
                               QStringLiteral("涨跌幅："),   QStringLiteral("更新日期："), QStringLiteral("止损位："),
                               QStringLiteral("买入点：")};
constexpr int kNumberBoxes[4] = {4, 5, 8, 9};
} // namespace

SecurityForm::SecurityForm(const QString &name, const Lengths &lengths)
{
    setObjectName(name);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setMouseTracking(true);
    Frame1->installEventFilter(this);
    for (int i = 0; i < 10; ++i) {
        txtFields[i] = new QLineEdit(Frame1);
        txtFields[i]->setObjectName(QStringLiteral("txtFields_%1").arg(i));
        LimitTypedLength(txtFields[i], lengths[i]);
        txtFields[i]->setMouseTracking(true);
        txtFields[i]->installEventFilter(this);
        connect(txtFields[i], &QLineEdit::textChanged, this, [this] { m_Unsaved = true; });
    }
    for (int i : kNumberBoxes)
        SetUpNumericBox(txtFields[i]);
    picEditFile = new QLabel(Frame1);
    picEditFile->setObjectName(QStringLiteral("picEditFile"));
    picEditFile->setPixmap(DocumentPicture());
    picEditFile->setMouseTracking(true);
    picEditFile->installEventFilter(this);
    const HoverLines lines = NewHoverLines(Frame1);
    lLeft = lines.left, lTop = lines.top, lRight = lines.right, lBottom = lines.bottom;
    // This button's frame: grey left and bottom, white top and right; a press swaps top and bottom only.
    SetLineColour(lLeft, 0x808080);
    SetLineColour(lRight, 0xFFFFFF);

    Combo1 = new QComboBox(Frame1);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->installEventFilter(this);

    auto *grid = new QGridLayout(Frame1);
    for (int i = 0; i < 10; ++i) {
        auto *label = new QLabel(kCaptions[i], Frame1);
        label->setBuddy(txtFields[i]);
        grid->addWidget(label, i, 0);
        if (i == 0) {
            m_codeRow = new QHBoxLayout;
            m_codeRow->addWidget(txtFields[0]);
            grid->addLayout(m_codeRow, i, 1);
        } else if (i == 2) {
            auto *row = new QHBoxLayout;
            row->addWidget(txtFields[2]);
            row->addWidget(picEditFile);
            grid->addLayout(row, i, 1);
        } else {
            grid->addWidget(txtFields[i], i, 1);
        }
    }
    auto *catLabel = new QLabel(QStringLiteral("证券类别："), Frame1);
    catLabel->setBuddy(Combo1);
    grid->addWidget(catLabel, 10, 0);
    grid->addWidget(Combo1, 10, 1);

    SaveAdd = new QPushButton(QStringLiteral("保存记录"), this);
    SaveAdd->setObjectName(QStringLiteral("SaveAdd"));
    ExitB = new QPushButton(QStringLiteral("关闭返回"), this);
    ExitB->setObjectName(QStringLiteral("ExitB"));
    connect(SaveAdd, &QPushButton::clicked, this, [this] { SaveAdd_Click(); });
    connect(ExitB, &QPushButton::clicked, this, [this] { ExitB_Click(); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(SaveAdd);
    buttons->addWidget(ExitB);
    auto *all = new QVBoxLayout(this);
    all->addWidget(Frame1);
    all->addLayout(buttons);
    setMinimumWidth(460);

    const int order[10] = {0, 1, 2, 3, 4, 8, 9, 5, 6, 7};
    for (int k = 0; k + 1 < 10; ++k)
        setTabOrder(txtFields[order[k]], txtFields[order[k + 1]]);
    setTabOrder(txtFields[7], Combo1);
    setTabOrder(Combo1, SaveAdd);
    setTabOrder(SaveAdd, ExitB);
}

void SecurityForm::loadCategories()
{
    Combo1->clear();
    m_CatNames.clear();
    m_CatAccounts.clear();
    m_CatLast = -1;
    try {
        Database db(g_DbPath, g_DbConnect);
        for (const CategoryRow &c : LoadCategories(db)) {
            m_CatNames << c.name;
            m_CatAccounts << c.account;
            Combo1->addItem(c.name);
            m_CatLast = int(m_CatNames.size()) - 1;
        }
    } catch (const DbError &e) {
        // The dialog opens all the same; with no category listed nothing can be saved.
        ShowDatabaseTrouble(e);
    }
}

bool SecurityForm::lookUpAccount()
{
    const QString text = Combo1->currentText();
    for (int i = 0; i <= m_CatLast; ++i) {
        if (m_CatNames[i] == text) {
            g_CurAccount = m_CatAccounts[i];
            return true;
        }
    }
    // Filing the security under some other account would hide it from its category.
    MsgBox(QStringLiteral("没有这个证券类别，请从列表中选择证券类别!"), 48, QStringLiteral("证券类别有错误"));
    Combo1->setFocus();
    return false;
}

bool SecurityForm::refuseEmpty(int index, const QString &message, const QString &title)
{
    if (!Trim(txtFields[index]->text()).isEmpty())
        return false;
    MsgBox(message, 64, title);
    refocus(txtFields[index]);
    return true;
}

bool SecurityForm::storeBoxes(const std::function<SecurityOutcome(Database &, const SecurityRow &)> &store)
{
    for (int i : kNumberBoxes)
        txtFields[i]->setText(NormaliseNumberText(txtFields[i]->text()));
    SecurityRow row;
    for (int i = 0; i < 10; ++i)
        row.boxes[i] = txtFields[i]->text();
    // A box is checked on leaving it, but a save can come without that: the question on closing asks for one.
    if (const int bad = RefuseUnstorableAt(QStringList(row.boxes.begin(), row.boxes.end())); bad >= 0) {
        refocus(txtFields[bad]);
        return false;
    }
    row.account = g_CurAccount;
    SecurityOutcome outcome;
    try {
        Database db(g_DbPath, g_DbConnect);
        outcome = store(db, row);
    } catch (const DbError &e) {
        if (!ShowDatabaseTrouble(e))
            MsgBox(QStringLiteral("证券没有保存：") + e.message(), 16, QStringLiteral("错误"));
        return false;
    }
    if (outcome == SecurityOutcome::Saved)
        return true;
    const int index = outcome == SecurityOutcome::CodeTaken ? 0 : 1;
    MsgBox(index == 0 ? QStringLiteral("重复的证券代码,请修改!") : QStringLiteral("重复的证券名称,请修改!"), 48,
           QStringLiteral("警告!"));
    refocus(txtFields[index]);
    return false;
}

bool SecurityForm::refuseQuote(int index)
{
    if (!RefuseSpecialChar(txtFields[index]->text()))
        return false;
    refocus(txtFields[index]);
    return true;
}

void SecurityForm::refuseDuplicate(int index)
{
    MsgBox(index == 0 ? QStringLiteral("重复的证券代码,请修改!") : QStringLiteral("重复的证券名称,请修改!"), 48,
           QStringLiteral("警告!"));
    txtFields[index]->clear();
    refocus(txtFields[index]);
}

void SecurityForm::refocus(QWidget *w)
{
    m_redirecting = true;
    w->setFocus(Qt::OtherFocusReason);
    m_redirecting = false;
}

void SecurityForm::sendTab(QWidget *from)
{
    if (!from)
        return;
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(from, &tab);
}

void SecurityForm::picEditFile_Click()
{
    const QString preset = GetSetting(ExeAppName(), QStringLiteral("Config"), QStringLiteral("Add"));
    const QString file = ChooseOpenFile(this, QStringLiteral("请选择文件"), preset,
                                        QStringLiteral("所有文件(*.*)") + QStringLiteral(" (*)"));
    if (file.isEmpty()) {
        txtFields[Trim(txtFields[2]->text()).isEmpty() ? 3 : 2]->setFocus(Qt::OtherFocusReason);
        return;
    }
    txtFields[2]->setText(file);
    SaveSetting(ExeAppName(), QStringLiteral("Config"), QStringLiteral("Add"), file);
    txtFields[3]->setFocus(Qt::OtherFocusReason);
}

bool SecurityForm::txtFields_KeyPress(int, QKeyEvent *) { return false; }

void SecurityForm::showHoverFrame(bool on)
{
    ShowHoverLines({lLeft, lTop, lRight, lBottom}, picEditFile, on);
    m_HoverFrameShown = on;
}

int SecurityForm::boxIndex(const QObject *o) const
{
    for (int i = 0; i < 10; ++i)
        if (txtFields[i] == o)
            return i;
    return -1;
}

bool SecurityForm::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type t = event->type();
    if (watched == picEditFile) {
        const HoverButton b = HoverButtonEvent(picEditFile, {lLeft, lTop, lRight, lBottom}, event, m_HoverFrameShown,
                                               [this] { showHoverFrame(true); });
        if (b == HoverButton::Released)
            picEditFile_Click();
        return b != HoverButton::NotTaken || FormDialog::eventFilter(watched, event);
    }
    if (watched == Frame1) {
        if (t == QEvent::MouseMove && m_HoverFrameShown)
            showHoverFrame(false);
        return FormDialog::eventFilter(watched, event);
    }
    const int i = boxIndex(watched);
    if (i < 0)
        return FormDialog::eventFilter(watched, event);
    QLineEdit *box = txtFields[i];
    switch (t) {
    case QEvent::FocusIn:
        if (colouredOnFocus(i)) {
            SetBoxColours(box, 0xC0C0FF, 0xFFFFFF);
            SelectWhenFocused(box, false);
        }
        break;
    case QEvent::FocusOut:
        if (colouredOnFocus(i))
            SetBoxColours(box, 0xFFFFFF, 0x000000);
        if (!m_redirecting && !m_unloading && FocusMovedWithinWindow(static_cast<QFocusEvent *>(event), box))
            txtFields_LostFocus(i);
        break;
    case QEvent::KeyPress:
        if (txtFields_KeyPress(i, static_cast<QKeyEvent *>(event)))
            return true;
        break;
    case QEvent::MouseButtonDblClick:
        if (i == 2) {
            picEditFile_Click();
            return true;
        }
        break;
    case QEvent::MouseMove:
        if (m_HoverFrameShown)
            showHoverFrame(false);
        break;
    default:
        break;
    }
    return FormDialog::eventFilter(watched, event);
}

} // namespace tv
