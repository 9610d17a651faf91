#include "journal/frmCatalog.h"

#include "app/BoxHelpers.h"
#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "data/Database.h"
#include "journal/Catalog.h"
#include "journal/frmManager.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tv {

namespace {
const QString kSection = QStringLiteral("Type");
const QString kAdding = QStringLiteral("请输入新的证券类型");
const QString kRenaming = QStringLiteral("输入修改的证券类型");
const QString kAddingMode = QStringLiteral("请输入证券交易方式");
const QString kModifyingMode = QStringLiteral("请输入修改证券交易方式");
const QString kTypeExists = QStringLiteral("该证券类型已经存在，请重新列入。    ");
const QString kAccountTaken = QStringLiteral("该证券账号已经属于其它证券类型，请重新输入。    ");

constexpr int kKeyRole = Qt::UserRole;      // "qix" followed by the account
constexpr int kNameRole = Qt::UserRole + 1; // the stored name, whatever the label shows
constexpr int kTagRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 2;

QPixmap picture(const QString &key, int w, int h)
{
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    if (key == QLatin1String("Top")) {
        p.setPen(QColor(0x30, 0x30, 0x80));
        p.setBrush(QColor(0xF0, 0xD0, 0x60));
        p.drawRect(2, 6, w - 5, h - 9);
        p.drawRect(2, 3, w / 2 - 2, 3);
    } else if (key == QLatin1String("File")) {
        p.setPen(QColor(0x40, 0x40, 0x40));
        p.setBrush(Qt::white);
        p.drawRect(2, 0, 8, 12);
        p.drawLine(4, 4, 8, 4);
        p.drawLine(4, 7, 8, 7);
    } else if (key == QLatin1String("SOpen") || key == QLatin1String("SClosed")) {
        p.setPen(QColor(0x80, 0x60, 0x00));
        p.setBrush(QColor(0xF0, 0xD0, 0x60));
        p.drawRect(0, 3, 12, 8);
        if (key == QLatin1String("SOpen")) {
            p.setBrush(QColor(0xFF, 0xF0, 0xA0));
            p.drawPolygon(QPolygon({QPoint(2, 6), QPoint(12, 6), QPoint(10, 11), QPoint(0, 11)}));
        }
    } else { // the decorative pictures standing in for a closed panel
        p.setPen(QColor(0xA0, 0xA0, 0xC0));
        for (int x = 0; x < w; x += 12)
            p.drawLine(x, h, x + h / 2, 0);
    }
    return pm;
}

void setNodeImage(QTreeWidgetItem *node, const QString &key)
{
    node->setIcon(0, QIcon(picture(key, 13, 13)));
    node->setData(0, kImageRole, key);
}

QPushButton *button(QWidget *parent, const QString &name, const QString &caption, bool enabled)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setEnabled(enabled);
    return b;
}

QLabel *label(QWidget *parent, const QString &name, const QString &caption)
{
    auto *l = new QLabel(caption, parent);
    l->setObjectName(name);
    return l;
}

} // namespace

frmCatalog::frmCatalog()
{
    setObjectName(QStringLiteral("frmCatalog"));
    setWindowTitle(QStringLiteral("证券分类"));
    setModal(true);
    setWindowFlags((windowFlags() | Qt::WindowCloseButtonHint) &
                   ~(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint));
    buildCategoryHalf();
    buildTradeModeHalf();

    auto *all = new QHBoxLayout(this);
    auto *left = new QVBoxLayout;
    left->addWidget(ListView1, 1);
    auto *leftButtons = new QHBoxLayout;
    for (QPushButton *b : {AddB, cmdModify, DeleteB, ExitB})
        leftButtons->addWidget(b);
    left->addLayout(leftButtons);
    left->addWidget(AddPicture);
    left->addWidget(picDraw);
    auto *right = new QVBoxLayout;
    right->addWidget(Label2);
    right->addWidget(TreeView1, 1);
    auto *rightButtons = new QHBoxLayout;
    for (QPushButton *b : {AddB1, cmdModify1, DeleteB1})
        rightButtons->addWidget(b);
    right->addLayout(rightButtons);
    right->addWidget(Picture2);
    right->addWidget(Picture3);
    all->addLayout(left, 1);
    all->addLayout(right, 1);
    // A fixed dialog: no window manager then offers to maximise it, and its size holds either panel, so
    // opening one never squeezes the window.
    AddPicture->show();
    Picture2->show();
    picDraw->hide();
    Picture3->hide();
    Label3->setText(kModifyingMode);
    const QSize room = sizeHint().expandedTo(QSize(620, 420));
    Label3->clear();
    AddPicture->hide();
    Picture2->hide();
    picDraw->show();
    Picture3->show();
    setFixedSize(room);

    // Loading
    RestorePosition(this, kSection);
    SetRights();
    fillList();
    m_Category.clear();
    m_Changed = false;
}

frmCatalog::~frmCatalog()
{
    formUnloaded(this);
}

void frmCatalog::buildCategoryHalf()
{
    ListView1 = new QListWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setViewMode(QListView::IconMode);
    ListView1->setMovement(QListView::Static);
    ListView1->setResizeMode(QListView::Adjust);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setIconSize(QSize(32, 32));
    connect(ListView1, &QListWidget::itemClicked, this, &frmCatalog::ListView1_ItemClick);
    PickWithKeysAndOtherButtons(ListView1, [this] { ListView1_ItemClick(ListView1->currentItem()); });

    AddB = button(this, QStringLiteral("AddB"), QStringLiteral("添 加(&A)"), true);
    cmdModify = button(this, QStringLiteral("cmdModify"), QStringLiteral("修 改(&M)"), false);
    DeleteB = button(this, QStringLiteral("DeleteB"), QStringLiteral("删 除(&D)"), false);
    ExitB = button(this, QStringLiteral("ExitB"), QStringLiteral("关 闭(&C)"), true);

    AddPicture = new QFrame(this);
    AddPicture->setObjectName(QStringLiteral("AddPicture"));
    AddPicture->setFrameShape(QFrame::StyledPanel);
    Label1 = label(AddPicture, QStringLiteral("Label1"), kAdding);
    NewTypeName = new QLineEdit(AddPicture);
    NewTypeName->setObjectName(QStringLiteral("NewTypeName"));
    Label4 = label(AddPicture, QStringLiteral("Label4"), QStringLiteral("请输入新的证券账号"));
    Text2 = new QLineEdit(AddPicture);
    Text2->setObjectName(QStringLiteral("Text2"));
    SaveRecord = new QPushButton(QStringLiteral("保存"), AddPicture);
    SaveRecord->setObjectName(QStringLiteral("SaveRecord"));
    SaveRecord->setEnabled(false);
    SaveRecord->setDefault(true); // Enter saves while it can be pressed
    CancelRecord = button(AddPicture, QStringLiteral("CancelRecord"), QStringLiteral("取消"), true);
    auto *panel = new QGridLayout(AddPicture);
    panel->addWidget(Label1, 0, 0, 1, 2);
    panel->addWidget(NewTypeName, 1, 0, 1, 2);
    panel->addWidget(Label4, 2, 0, 1, 2);
    panel->addWidget(Text2, 3, 0, 1, 2);
    panel->addWidget(SaveRecord, 4, 0);
    panel->addWidget(CancelRecord, 4, 1);
    AddPicture->hide();

    picDraw = new QLabel(this);
    picDraw->setObjectName(QStringLiteral("picDraw"));
    picDraw->setPixmap(picture(QStringLiteral("picDraw"), 240, 120));

    connect(AddB, &QPushButton::clicked, this, &frmCatalog::AddB_Click);
    connect(cmdModify, &QPushButton::clicked, this, &frmCatalog::cmdModify_Click);
    connect(DeleteB, &QPushButton::clicked, this, &frmCatalog::DeleteB_Click);
    connect(ExitB, &QPushButton::clicked, this, &frmCatalog::ExitB_Click);
    connect(SaveRecord, &QPushButton::clicked, this, &frmCatalog::SaveRecord_Click);
    connect(CancelRecord, &QPushButton::clicked, this, &frmCatalog::CancelRecord_Click);
    connect(NewTypeName, &QLineEdit::textChanged, this, &frmCatalog::NewTypeName_Change);
    connect(Text2, &QLineEdit::textChanged, this, &frmCatalog::Text2_Change);

    const QList<std::pair<QWidget *, QString>> hints = {
        {AddB, QStringLiteral("添加新的证券类型")},       {cmdModify, QStringLiteral("修改左边选定的证券类型")},
        {DeleteB, QStringLiteral("删除左边选定的证券类型")}, {ExitB, QStringLiteral("关闭")},
        {ListView1, QStringLiteral("已经定义的证券类型")},   {NewTypeName, QStringLiteral("请输入新的证券类型")},
        {SaveRecord, QStringLiteral("保存新类型并返回")},   {CancelRecord, QStringLiteral("放弃保存证券新类型")}};
    for (const auto &[control, hint] : hints)
        StatusHintOnHover(control, hint);
}

void frmCatalog::buildTradeModeHalf()
{
    Label2 = label(this, QStringLiteral("Label2"), QStringLiteral(" 交易方式"));
    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setIconSize(QSize(13, 13));
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setSortingEnabled(true);
    TreeView1->sortByColumn(0, Qt::AscendingOrder);
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { TreeView1_NodeClick(item); });
    PickWithKeysAndOtherButtons(TreeView1, [this] { TreeView1_NodeClick(TreeView1->currentItem()); });
    connect(TreeView1, &QTreeWidget::itemExpanded, this,
            [](QTreeWidgetItem *item) { setNodeImage(item, QStringLiteral("SOpen")); });
    connect(TreeView1, &QTreeWidget::itemCollapsed, this,
            [](QTreeWidgetItem *item) { setNodeImage(item, QStringLiteral("SClosed")); });

    AddB1 = button(this, QStringLiteral("AddB1"), QStringLiteral("添 加"), false);
    cmdModify1 = button(this, QStringLiteral("cmdModify1"), QStringLiteral("修 改"), false);
    DeleteB1 = button(this, QStringLiteral("DeleteB1"), QStringLiteral("删 除"), false);

    Picture2 = new QFrame(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setFrameShape(QFrame::StyledPanel);
    Label3 = label(Picture2, QStringLiteral("Label3"), QString());
    for (int i = 0; i < 9; ++i) {
        Text1[i] = new QLineEdit(Picture2);
        Text1[i]->setObjectName(QStringLiteral("Text1_%1").arg(i));
        Text1[i]->installEventFilter(this);
        if (i >= 1)
            SetUpNumericBox(Text1[i]); // the fee rates and minimums
        connect(Text1[i], &QLineEdit::textChanged, this, [this, i] { Text1_Change(i); });
    }
    Command1 = button(Picture2, QStringLiteral("Command1"), QStringLiteral("保存"), false);
    Command2 = button(Picture2, QStringLiteral("Command2"), QStringLiteral("取消"), true);
    auto *grid = new QGridLayout(Picture2);
    grid->addWidget(Label3, 0, 0, 1, 3);
    grid->addWidget(label(Picture2, QStringLiteral("Label5"), QStringLiteral("交易方式：")), 1, 0);
    grid->addWidget(Text1[0], 1, 1, 1, 2);
    grid->addWidget(label(Picture2, QStringLiteral("Label10"), QStringLiteral("费率")), 2, 1);
    grid->addWidget(label(Picture2, QStringLiteral("Label11"), QStringLiteral("下限")), 2, 2);
    const QList<std::pair<QString, QString>> rows = {{QStringLiteral("Label6"), QStringLiteral("手续费：")},
                                                     {QStringLiteral("Label7"), QStringLiteral("印花税：\n")},
                                                     {QStringLiteral("Label8"), QStringLiteral("过户费：")},
                                                     {QStringLiteral("Label9"), QStringLiteral("其它费用：")}};
    for (int r = 0; r < 4; ++r) {
        grid->addWidget(label(Picture2, rows[r].first, rows[r].second), r + 3, 0);
        grid->addWidget(Text1[1 + 2 * r], r + 3, 1);
        grid->addWidget(Text1[2 + 2 * r], r + 3, 2);
    }
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    grid->addLayout(buttons, 7, 0, 1, 3);
    Picture2->hide();
    for (int i = 0; i + 1 < 9; ++i)
        setTabOrder(Text1[i], Text1[i + 1]);
    setTabOrder(Text1[8], Command1);
    setTabOrder(Command1, Command2);

    Picture3 = new QLabel(this);
    Picture3->setObjectName(QStringLiteral("Picture3"));
    Picture3->setPixmap(picture(QStringLiteral("Picture3"), 240, 160));

    connect(AddB1, &QPushButton::clicked, this, &frmCatalog::AddB1_Click);
    connect(cmdModify1, &QPushButton::clicked, this, &frmCatalog::cmdModify1_Click);
    connect(DeleteB1, &QPushButton::clicked, this, &frmCatalog::DeleteB1_Click);
    connect(Command1, &QPushButton::clicked, this, &frmCatalog::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmCatalog::Command2_Click);
}

void frmCatalog::Form_Unload() { SavePosition(this, kSection); }

void frmCatalog::changeEvent(QEvent *event)
{
    FormDialog::changeEvent(event);
    // The window has no minimise button. A window manager that minimises it anyway would leave the
    // program blocked behind a modal window that cannot be seen: it comes straight back.
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
        QTimer::singleShot(0, this, [this] {
            if (windowState() & Qt::WindowMinimized)
                showNormal();
        });
}

void frmCatalog::showDbFailure(const QString &what, const DbError &e)
{
    if (!ShowDatabaseTrouble(e))
        MsgBox(what + e.message(), 16, QStringLiteral("错误"));
}

QString frmCatalog::itemKey(const QListWidgetItem *item) { return item ? item->data(kKeyRole).toString() : QString(); }

QListWidgetItem *frmCatalog::categoryItem(const QString &name) const
{
    for (int i = 0; i < ListView1->count(); ++i)
        if (ListView1->item(i)->data(kNameRole).toString() == name)
            return ListView1->item(i);
    return nullptr;
}

// ---- Categories --------------------------------------------------------------------------------

void frmCatalog::fillList()
{
    const bool shown = ListView1->isVisibleTo(this);
    ListView1->hide();
    ListView1->clear();
    QList<CategoryRow> rows;
    try {
        Database db(g_DbPath, g_DbConnect);
        rows = LoadCategories(db);
    } catch (const DbError &e) {
        showDbFailure(QStringLiteral("不能读取证券类型："), e);
    }
    const QIcon top(picture(QStringLiteral("Top"), 32, 32));
    for (const CategoryRow &c : rows) {
        auto *item = new QListWidgetItem(top, c.name, ListView1);
        item->setData(kKeyRole, QStringLiteral("qix") + c.account);
        item->setData(kNameRole, c.name);
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    }
    ListView1->setVisible(shown);
}

void frmCatalog::ListView1_ItemClick(QListWidgetItem *item)
{
    if (!item)
        return;
    m_Category = item->data(kNameRole).toString();
    m_Account = itemKey(item).mid(3);
    m_TradeMode.clear();
    for (QPushButton *b : {cmdModify, AddB, DeleteB, AddB1})
        b->setEnabled(true);
    DeleteB1->setEnabled(false);
    cmdModify1->setEnabled(false);
    Picture2->hide();
    Picture3->show();
    AddPicture->hide();
    picDraw->show();
    LoadTradeModes();
    CancelRecord_Click();
}

void frmCatalog::AddB_Click()
{
    Text2->clear();
    TreeView1->clear();
    AddPicture->show();
    picDraw->hide();
    NewTypeName->setFocus();
    Label1->setText(kAdding);
    DisableCommands();
}

void frmCatalog::cmdModify_Click()
{
    TreeView1->clear();
    if (m_Category.isEmpty()) {
        MsgBox(QStringLiteral("请先选择一个证券类型，然后按修改按钮。     "), 64, QStringLiteral("证券管理系统"));
        return;
    }
    DeleteB->setEnabled(false);
    AddPicture->show();
    picDraw->hide();
    NewTypeName->setText(m_Category);
    NewTypeName->setFocus();
    Text2->setText(m_Account);
    Label1->setText(kRenaming);
    DisableCommands();
}

void frmCatalog::closeCategoryPanel(bool focusModify)
{
    AddPicture->hide();
    picDraw->show();
    for (QPushButton *b : {cmdModify, DeleteB, ExitB, AddB})
        b->setEnabled(true);
    (focusModify ? cmdModify : AddB)->setFocus();
    SetRights();
}

void frmCatalog::SaveRecord_Click()
{
    if (const int bad = RefuseSpecialCharAt({NewTypeName->text(), Text2->text()}); bad >= 0) {
        (bad == 0 ? NewTypeName : Text2)->setFocus();
        return;
    }
    const QString name = Trim(NewTypeName->text());
    const QString account = Trim(Text2->text());
    const bool adding = Label1->text() == kAdding;
    if (!adding && name == m_Category && account == m_Account) {
        NewTypeName->clear();
        closeCategoryPanel(true);
        return;
    }
    CatalogOutcome outcome;
    try {
        Database db(g_DbPath, g_DbConnect);
        outcome = adding ? AddCategory(db, name, account) : RenameCategory(db, m_Category, m_Account, name, account);
    } catch (const DbError &e) {
        showDbFailure(QStringLiteral("证券类型没有保存："), e);
        return;
    }
    switch (outcome) {
    case CatalogOutcome::NameTaken:
    case CatalogOutcome::PairTaken:
        MsgBox(adding ? QStringLiteral("该证券证券已经存在，请重新输入。    ") : kTypeExists, 48,
               QStringLiteral("提示："));
        NewTypeName->setFocus();
        return;
    case CatalogOutcome::AccountTaken:
        MsgBox(kAccountTaken, 48, QStringLiteral("提示："));
        Text2->setFocus();
        return;
    case CatalogOutcome::Missing:
        // Another workstation changed the category meanwhile: show the list as it is now.
        MsgBox(QStringLiteral("该证券类型已经不存在，请重新选择。    "), 48, QStringLiteral("提示："));
        m_Category.clear();
        fillList();
        NewTypeName->clear();
        closeCategoryPanel(false);
        return;
    case CatalogOutcome::LastCategory:
    case CatalogOutcome::Done:
        break;
    }
    m_Changed = true;
    if (adding) {
        fillList();
        NewTypeName->clear();
        Text2->clear();
        NewTypeName->setFocus();
        SetRights();
        return;
    }
    m_Category.clear();
    fillList();
    NewTypeName->clear();
    Text2->clear();
    closeCategoryPanel(true);
}

void frmCatalog::CancelRecord_Click()
{
    NewTypeName->clear();
    closeCategoryPanel(false);
}

void frmCatalog::DeleteB_Click()
{
    DisableCommands();
    int count = 0;
    try {
        Database db(g_DbPath, g_DbConnect);
        count = CategoryCount(db);
    } catch (const DbError &e) {
        showDbFailure(QStringLiteral("不能读取证券类型："), e);
        return;
    }
    TreeView1->clear();
    if (m_Category.isEmpty()) {
        MsgBox(QStringLiteral("请先选择一个证券类型，然后按删除按钮。     "), 48, QStringLiteral("证券管理系统"));
        return;
    }
    if (count <= 1) {
        MsgBox(QStringLiteral("仅剩下一个证券类型,不能继续,请注意!    "), 32, QStringLiteral("不能删除"));
        return;
    }
    if (MsgBox(QStringLiteral("真的要删除[") + m_Category + QStringLiteral("]类型,及其所有文件吗？（Y/N）    "), 276,
               QStringLiteral("确认")) != vbYes)
        return;
    ListView1->hide();
    ListView1->clear();
    CatalogOutcome outcome = CatalogOutcome::Done;
    QStringList deletedCodes;
    try {
        Database db(g_DbPath, g_DbConnect);
        outcome = DeleteCategory(db, m_Category, m_Account, &deletedCodes);
    } catch (const DbError &e) {
        showDbFailure(QStringLiteral("证券类型没有删除："), e);
        fillList();
        ListView1->show();
        return;
    }
    if (outcome == CatalogOutcome::LastCategory) {
        // Another workstation deleted the others meanwhile.
        MsgBox(QStringLiteral("仅剩下一个证券类型,不能继续,请注意!    "), 32, QStringLiteral("不能删除"));
        fillList();
        ListView1->show();
        return;
    }
    CloseEntriesOf(deletedCodes);
    fillList();
    ListView1->show();
    m_Category.clear();
    m_Changed = true;
    TreeView1->clear();
}

void frmCatalog::ExitB_Click()
{
    if (g_ManagerOpen && m_Changed && frmManager::isLoaded())
        frmManager::existing()->cmdLoad_Click();
    close();
}

void frmCatalog::NewTypeName_Change()
{
    if (RefuseSpecialChar(NewTypeName->text())) {
        NewTypeName->setFocus();
        return;
    }
    SaveRecord->setEnabled(!Trim(NewTypeName->text()).isEmpty() && !Trim(Text2->text()).isEmpty());
}

void frmCatalog::Text2_Change()
{
    if (RefuseSpecialChar(Text2->text())) {
        Text2->setFocus();
        return;
    }
    SaveRecord->setEnabled(!Trim(NewTypeName->text()).isEmpty() && !Trim(Text2->text()).isEmpty());
}

void frmCatalog::SetRights()
{
    if (g_UserRight == QStringLiteral("只能添加") || g_UserRight == QStringLiteral("不能修改")) {
        for (QPushButton *b : {cmdModify1, DeleteB1, cmdModify, DeleteB})
            b->setEnabled(false);
    }
}

void frmCatalog::DisableCommands()
{
    for (QPushButton *b : {DeleteB, DeleteB1, AddB1, cmdModify, cmdModify1, AddB})
        b->setEnabled(false);
}

// ---- Trade modes -------------------------------------------------------------------------------

void frmCatalog::LoadTradeModes()
{
    TreeView1->clear();
    auto *root = new QTreeWidgetItem(TreeView1, QStringList{m_Category});
    root->setData(0, kTagRole, QStringLiteral("SFile"));
    setNodeImage(root, QStringLiteral("SClosed"));
    QStringList names;
    try {
        Database db(g_DbPath, g_DbConnect);
        names = TradeModeNames(db, m_Category);
    } catch (const DbError &e) {
        showDbFailure(QStringLiteral("不能读取证券交易方式："), e);
    }
    for (const QString &name : names) {
        auto *child = new QTreeWidgetItem(root, QStringList{name});
        setNodeImage(child, QStringLiteral("File"));
    }
    root->sortChildren(0, Qt::AscendingOrder);
    root->setExpanded(true);
}

void frmCatalog::TreeView1_NodeClick(QTreeWidgetItem *node)
{
    if (!node)
        return;
    if (node->data(0, kTagRole).toString() == QLatin1String("SFile")) {
        cmdModify1->setEnabled(false);
        DeleteB1->setEnabled(false);
        Picture2->hide();
        Picture3->show();
        AddB1->setEnabled(true);
    } else {
        cmdModify1->setEnabled(true);
        DeleteB1->setEnabled(true);
        Picture2->hide();
        Picture3->show();
        m_TradeMode = node->text(0);
    }
    SetRights();
}

void frmCatalog::AddB1_Click()
{
    Picture3->hide();
    Picture2->show();
    Label3->setText(kAddingMode);
    for (QLineEdit *box : Text1)
        box->clear();
    DisableCommands();
}

void frmCatalog::cmdModify1_Click()
{
    DisableCommands();
    if (m_TradeMode.isEmpty()) {
        MsgBox(QStringLiteral("请先选择一个证券交易方式，然后按修改按钮。     "), 64, QStringLiteral("证券管理系统"));
        return;
    }
    DeleteB1->setEnabled(false);
    AddB1->setEnabled(false);
    cmdModify1->setEnabled(false);
    Command2->setEnabled(true);
    Picture2->show();
    Picture3->hide();
    Text1[0]->setFocus();
    Label3->setText(kModifyingMode);
    TradeModeRow row;
    bool found = false;
    try {
        Database db(g_DbPath, g_DbConnect);
        found = LoadTradeMode(db, m_Category, m_TradeMode, row);
    } catch (const DbError &e) {
        showDbFailure(QStringLiteral("不能读取证券交易方式："), e);
        Command2_Click();
        return;
    }
    if (!found) {
        MsgBox(QStringLiteral("没有找到这个证券交易方式，请重新选择。    "), 48, QStringLiteral("提示："));
        Command2_Click();
        LoadTradeModes();
        return;
    }
    Text1[0]->setText(row.name);
    for (int i = 0; i < kFeeValues; ++i)
        Text1[i + 1]->setText(NumText(row.fees[i]));
}

void frmCatalog::Command1_Click()
{
    if (RefuseSpecialChar(Text1[0]->text())) {
        Text1[0]->setFocus();
        return;
    }
    const bool adding = Label3->text() == kAddingMode;
    TradeModeRow row;
    row.name = Text1[0]->text();
    for (int i = 0; i < kFeeValues; ++i)
        row.fees[i] = Val(NormaliseNumberText(Text1[i + 1]->text()));
    TradeModeOutcome outcome;
    try {
        Database db(g_DbPath, g_DbConnect);
        outcome = adding ? AddTradeMode(db, m_Category, row) : ModifyTradeMode(db, m_Category, m_TradeMode, row);
    } catch (const DbError &e) {
        showDbFailure(QStringLiteral("证券交易方式没有保存："), e);
        return;
    }
    if (outcome == TradeModeOutcome::NameTaken) {
        MsgBox(kTypeExists, 48, QStringLiteral("提示："));
        Text1[0]->setFocus();
        return;
    }
    for (QLineEdit *box : Text1)
        box->clear();
    if (!adding) {
        Picture3->show();
        Picture2->hide();
        AddB1->setEnabled(true);
    }
    LoadTradeModes();
    // The next trade mode is typed from here, not from "取消", which the emptied panel would leave it on.
    (adding ? static_cast<QWidget *>(Text1[0]) : AddB1)->setFocus();
}

void frmCatalog::DeleteB1_Click()
{
    DisableCommands();
    if (m_TradeMode.isEmpty()) {
        MsgBox(QStringLiteral("请先选择一个证券交易方式，然后按删除按钮。     "), 48, QStringLiteral("证券管理系统"));
        return;
    }
    if (MsgBox(QStringLiteral("真的要删除[") + m_TradeMode + QStringLiteral("]类型,及其所有文件吗？（Y/N）    "), 276,
               QStringLiteral("确认")) != vbYes)
        return;
    try {
        Database db(g_DbPath, g_DbConnect);
        DeleteTradeMode(db, m_Category, m_TradeMode);
    } catch (const DbError &e) {
        showDbFailure(QStringLiteral("证券交易方式没有删除："), e);
        return;
    }
    m_TradeMode.clear();
    m_Changed = true;
    LoadTradeModes();
}

void frmCatalog::Command2_Click()
{
    Text1[0]->clear();
    Picture2->hide();
    Picture3->show();
    AddB1->setEnabled(true);
    SetRights();
}

void frmCatalog::Text1_Change(int)
{
    if (RefuseSpecialChar(Text1[0]->text())) {
        Text1[0]->setFocus();
        return;
    }
    Command1->setEnabled(!Trim(Text1[0]->text()).isEmpty());
}

bool frmCatalog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        for (int i = 0; i < 9; ++i) {
            if (watched != Text1[i])
                continue;
            auto *ke = static_cast<QKeyEvent *>(event);
            if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
                QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
                QCoreApplication::sendEvent(Text1[i], &tab);
                return true;
            }
        }
    }
    return FormDialog::eventFilter(watched, event);
}

} // namespace tv
