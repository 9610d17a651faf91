#include "admin/frmOperator.h"

#include "admin/Operators.h"
#include "app/FormHelpers.h"
#include "app/GridViews.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "data/Database.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <functional>

namespace tv {

namespace {
const QString kSection = QStringLiteral("Operator");
const QStringList kRights = {QStringLiteral("只能添加"), QStringLiteral("不能修改"),
                             QStringLiteral("可以修改"), QStringLiteral("超级权限")};
const QList<int> kGridWidths = {800, 1210, 1130}; // twips

// The list reports every mouse press after it has moved its current cell, and every double click.
class OperatorGrid : public QTableWidget
{
public:
    using QTableWidget::QTableWidget;
    std::function<void(Qt::MouseButton)> onPress;
    std::function<void()> onDoubleClick;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        QTableWidget::mousePressEvent(event);
        if (onPress)
            onPress(event->button());
    }
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        QTableWidget::mouseDoubleClickEvent(event);
        if (onDoubleClick)
            onDoubleClick();
    }
};
} // namespace

frmOperator::frmOperator()
{
    setObjectName(QStringLiteral("frmOperator"));
    setWindowTitle(QStringLiteral("操作员管理"));

    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    MnuOperate = menuBar->addMenu(QStringLiteral("帐号操作^&C)"));
    MnuOperate->setObjectName(QStringLiteral("MnuOperate"));
    MnuAdd = MnuOperate->addAction(QStringLiteral("添加帐号[&A]"));
    MnuAdd->setObjectName(QStringLiteral("MnuAdd"));
    MnuAdd->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    MnuOperate->addSeparator();
    MnuDelete = MnuOperate->addAction(QStringLiteral("删除帐号[&D] .."));
    MnuDelete->setObjectName(QStringLiteral("MnuDelete"));
    MnuDelete->setShortcut(QKeySequence(Qt::Key_Delete));
    MnuOperate->addSeparator();
    MnuReturn = menuBar->addMenu(QStringLiteral("关闭选择^&O)"));
    MnuReturn->setObjectName(QStringLiteral("MnuReturn"));
    MnuAuthority = MnuReturn->addAction(QStringLiteral("返回首页[&A]..."));
    MnuAuthority->setObjectName(QStringLiteral("MnuAuthority"));
    MnuAuthority->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setMaxLength(5);
    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text3 = new QLineEdit(this);
    Text3->setObjectName(QStringLiteral("Text3"));
    for (QLineEdit *box : {Text2, Text3}) {
        box->setEchoMode(QLineEdit::Password);
        box->setMaxLength(20);
        box->setAttribute(Qt::WA_InputMethodEnabled, false);
    }
    cmbAuthority = new QComboBox(this);
    cmbAuthority->setObjectName(QStringLiteral("cmbAuthority"));
    cmbAuthority->setEditable(false);
    cmbAuthority->addItems(kRights);
    Command1 = new QPushButton(QStringLiteral("保存(S)"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setEnabled(false);
    Command2 = new QPushButton(QStringLiteral("关闭(&C)"), this);
    Command2->setObjectName(QStringLiteral("Command2"));

    auto *grid = new OperatorGrid(this);
    Grid1 = grid;
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setToolTip(QStringLiteral("双击显示菜单!"));
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid1->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid1->verticalHeader()->hide();
    Grid1->setColumnCount(3);
    Grid1->setHorizontalHeaderLabels(
        {QStringLiteral(" 操作员 "), QStringLiteral("  口令 "), QStringLiteral(" 权限 ")});
    Grid1->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    Grid1->setMinimumWidth(TwipsToPx(800 + 1210 + 1130) + 24);
    grid->onPress = [this](Qt::MouseButton button) { Grid1_MouseDown(button); };
    grid->onDoubleClick = [this] { Grid1_DblClick(); };

    auto *Frame1 = new QGroupBox(QStringLiteral("操作员列表"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto *frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(Grid1);

    auto *fields = new QGridLayout;
    const QList<std::pair<QString, QWidget *>> labelled = {{QStringLiteral("姓名："), Text1},
                                                           {QStringLiteral("口令："), Text2},
                                                           {QStringLiteral("重复："), Text3},
                                                           {QStringLiteral("权限："), cmbAuthority}};
    fields->addWidget(new QLabel(QStringLiteral("添加新的帐号"), this), 0, 0, 1, 2);
    for (int i = 0; i < labelled.size(); ++i) {
        auto *label = new QLabel(labelled[i].first, this);
        label->setBuddy(labelled[i].second);
        fields->addWidget(label, i + 1, 0);
        fields->addWidget(labelled[i].second, i + 1, 1);
    }
    fields->addWidget(new QLabel(QStringLiteral("=> 输入各项之后,按保存"), this), 5, 0, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("删除存在的帐号："), this), 6, 0, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("=> 双击选定的帐号"), this), 7, 0, 1, 2);
    fields->setRowStretch(8, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    fields->addLayout(buttons, 9, 0, 1, 2);

    auto *all = new QHBoxLayout(this);
    all->setMenuBar(menuBar);
    all->addWidget(Frame1, 1);
    all->addLayout(fields);

    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Text3);
    setTabOrder(Text3, cmbAuthority);
    setTabOrder(cmbAuthority, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Grid1);

    for (QWidget *w : {static_cast<QWidget *>(Text1), static_cast<QWidget *>(Text2),
                       static_cast<QWidget *>(Text3), static_cast<QWidget *>(cmbAuthority)})
        w->installEventFilter(this);

    connect(Text1, &QLineEdit::textChanged, this,
            [this](const QString &text) { Command1->setEnabled(!Trim(text).isEmpty()); });
    connect(Command1, &QPushButton::clicked, this, &frmOperator::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmOperator::Command2_Click);
    connect(MnuAdd, &QAction::triggered, this, &frmOperator::MnuAdd_Click);
    connect(MnuDelete, &QAction::triggered, this, &frmOperator::MnuDelete_Click);
    connect(MnuAuthority, &QAction::triggered, this, &frmOperator::MnuAuthority_Click);
    connect(MnuOperate, &QMenu::aboutToShow, this,
            [] { SetStatusText(QStringLiteral("帐号删除、添加操作")); });

    // Load
    RestorePosition(this, kSection);
    LoadOperatorGrid();
    cmbAuthority->setCurrentIndex(0);
}

frmOperator::~frmOperator()
{
    formUnloaded(this);
}

void frmOperator::Form_Unload()
{
    SavePosition(this, kSection);
}

void frmOperator::LoadOperatorGrid()
{
    Grid1->hide();
    Grid1->clearContents();
    Grid1->setRowCount(0);
    QList<OperatorRow> operators;
    try {
        operators = LoadOperators();
    } catch (const DbError &e) {
        ShowDatabaseTrouble(e);
        return; // the list stays hidden: there is nothing to show
    }
    m_OperatorCount = int(operators.size());
    Grid1->setRowCount(m_OperatorCount + 3); // three empty rows below the list
    for (int r = 0; r < m_OperatorCount; ++r) {
        const OperatorRow &op = operators[r];
        Grid1->setItem(r, 0, new QTableWidgetItem(op.name));
        Grid1->setItem(r, 1, new QTableWidgetItem(op.password));
        Grid1->setItem(r, 2, new QTableWidgetItem(op.right));
    }
    FitColumns(Grid1, kGridWidths);
    Grid1->setCurrentCell(0, 0);
    Grid1->selectRow(0);
    Grid1->show();
}

QString frmOperator::currentCellText() const
{
    // Rows are picked whole, so a row's operator name stands for it whichever column was clicked.
    const int row = Grid1->currentRow();
    if (row < 0)
        return QString();
    const QTableWidgetItem *item = Grid1->item(row, 0);
    return item ? item->text() : QString();
}

bool frmOperator::PasswordsAgree()
{
    if (Trim(Text2->text()) == Trim(Text3->text()))
        return true;
    MsgBox(QStringLiteral("两次口令不符，请重新再来    "), 64, QStringLiteral("口令不符"));
    Text2->clear();
    Text3->clear();
    Text2->setFocus();
    return false;
}

bool frmOperator::passwordStorable()
{
    if (PasswordStorable(Text2->text()))
        return true;
    ShowWrongValue();
    Text2->clear();
    Text3->clear();
    Text2->setFocus();
    return false;
}

void frmOperator::Command1_Click()
{
    const QString name = Trim(Text1->text());
    if (name.isEmpty())
        return;
    if (RefuseSpecialChar(name,
                          QStringLiteral("操作员姓名之中有特殊字符") + QStringLiteral("<'>,请删除。"))) {
        Text1->setFocus();
        return;
    }
    // The repeat is checked again here: leaving the repeat box is not the only way to reach this button.
    if (!PasswordsAgree() || !passwordStorable())
        return;
    AddOperatorResult result;
    try {
        result = AddOperator(name, Text2->text(), cmbAuthority->currentText());
    } catch (const DbError &e) {
        if (!ShowDatabaseTrouble(e))
            MsgBox(QStringLiteral("操作员没有添加：") + e.message(), 16, QStringLiteral("错误"));
        return;
    }
    if (result == AddOperatorResult::Exists) {
        MsgBox(QStringLiteral("操作员< ") + name + QStringLiteral(" >已经存在,不能继续!    "), 64);
        Text1->clear();
        Text1->setFocus();
        return;
    }
    LoadOperatorGrid();
    Text1->clear();
    Text2->clear();
    Text3->clear();
    Text1->setFocus();
}

void frmOperator::Command2_Click()
{
    SetStatusText(kIdleText);
    close();
}

void frmOperator::setMenuItemState()
{
    const bool filled = !currentCellText().isEmpty();
    MnuDelete->setEnabled(filled);
    MnuAuthority->setEnabled(filled);
}

void frmOperator::Grid1_DblClick()
{
    setMenuItemState();
    MnuOperate->popup(QCursor::pos());
}

void frmOperator::Grid1_MouseDown(Qt::MouseButton button)
{
    setMenuItemState();
    if (button == Qt::RightButton)
        MnuOperate->popup(QCursor::pos());
}

void frmOperator::MnuAdd_Click()
{
    Text1->setFocus();
}

void frmOperator::MnuDelete_Click()
{
    DeleteOperator();
}

void frmOperator::MnuAuthority_Click()
{
    SetStatusText(QStringLiteral("返回首页"));
    close();
}

void frmOperator::DeleteOperator()
{
    const QString x = currentCellText();
    if (x.isEmpty())
        return;
    const QString lastOneText = QStringLiteral("仅剩下当前用户了,不能继续,请注意!    ");
    const QString lastOneTitle = QStringLiteral("不能删除");
    if (m_OperatorCount == 1) {
        MsgBox(lastOneText, 32, lastOneTitle);
        return;
    }
    if (MsgBox(QStringLiteral("真的要删除[") + x + QStringLiteral("]操作员吗（Y/N）？"), 276,
               QStringLiteral("确认删除")) != vbYes)
        return;
    DeleteOperatorResult result;
    try {
        result = DeleteOperatorNamed(x);
    } catch (const DbError &e) {
        if (!ShowDatabaseTrouble(e))
            MsgBox(QStringLiteral("操作员没有删除：") + e.message(), 16, QStringLiteral("错误"));
        return;
    }
    if (result == DeleteOperatorResult::LastOne)
        MsgBox(lastOneText, 32, lastOneTitle);
    LoadOperatorGrid();
}

bool frmOperator::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *ke = static_cast<QKeyEvent *>(event);
        if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
            // An empty name keeps the focus where it is.
            if (watched != Text1 || !Trim(Text1->text()).isEmpty())
                focusNextChild();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut && watched == Text3) {
        // Going to the save button is left to the add, which checks the repeat itself.
        if (FocusMovedWithinWindow(static_cast<QFocusEvent *>(event), Text3) &&
            QApplication::focusWidget() != Command1)
            PasswordsAgree();
    }
    return FormDialog::eventFilter(watched, event);
}

} // namespace tv
