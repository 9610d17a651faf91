#include "journal/frmManager.h"

#include "app/BoxHelpers.h"
#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/GridViews.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "data/GridExport.h"
#include "data/Settings.h"
#include "data/Spreadsheet.h"
#include "journal/Securities.h"
#include "journal/SplitLayout.h"
#include "journal/frmCatalog.h"
#include "journal/frmModifyForm.h"
#include "journal/frmNewForm.h"
#include "quotes/PriceUpdate.h"
#include "reports/frmSearchForm.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tv {

namespace {
constexpr int kTagRole = Qt::UserRole;
constexpr int kKeyRole = Qt::UserRole + 1;
constexpr int kImageRole = Qt::UserRole + 2;

const QString kRootText = QStringLiteral("证券总帐");

QIcon nodeIcon(const QString &key)
{
    QPixmap pm(13, 13);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    if (key == QLatin1String("File")) {
        p.setPen(QColor(0x40, 0x40, 0x40));
        p.setBrush(Qt::white);
        p.drawRect(2, 0, 8, 12);
        p.drawLine(4, 4, 8, 4);
        p.drawLine(4, 7, 8, 7);
    } else {
        const bool open = key == QLatin1String("Open") || key == QLatin1String("SOpen");
        const bool small = key.startsWith(u'S');
        p.setPen(QColor(0x80, 0x60, 0x00));
        p.setBrush(small ? QColor(0xF0, 0xD0, 0x60) : QColor(0xE0, 0xA0, 0x30));
        p.drawRect(0, 3, 12, 8);
        if (open) {
            p.setBrush(QColor(0xFF, 0xF0, 0xA0));
            p.drawPolygon(QPolygon({QPoint(2, 6), QPoint(12, 6), QPoint(10, 11), QPoint(0, 11)}));
        }
    }
    return QIcon(pm);
}

void setForeColour(QLineEdit *box, unsigned int bgr)
{
    QPalette pal = box->palette();
    pal.setColor(QPalette::Text, VbColor(bgr));
    box->setPalette(pal);
}

} // namespace

frmManager::frmManager()
{
    setObjectName(QStringLiteral("frmManager"));
    setWindowTitle(QStringLiteral("证券目录"));
    setMinimumSize(TwipsToPx(3000), TwipsToPx(3000));
    buildControls();
    buildMenus();

    // Opening
    frmMain *main = frmMain::instance();
    main->toolbarButton(1)->setText(QStringLiteral("返回首页"));
    g_ManagerOpen = true;
    TreeView->move(0, 0);
    const double stored = Val(GetSetting(ExeAppName(), QStringLiteral("Config"), QStringLiteral("Split")));
    m_splitLeft = stored < 1500 ? 1500 : stored;
    cmdLoad_Click();
    setToolbarButton(9, true);
    setToolbarButton(10, true);
    setToolbarButton(11, false);
    SetRights();
    const QSignalBlocker quiet(DTPicker1); // setting the date from here opens no entry panel
    DTPicker1->setDate(Today());
}

frmManager::~frmManager()
{
    releaseEntryPanel();
    if (g_ManagerOpen && isLoaded() && existing() == this)
        g_ManagerOpen = false;
    formUnloaded(this);
}

void frmManager::buildControls()
{
    TreeView = new QTreeWidget(this);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setHeaderHidden(true);
    TreeView->setIconSize(QSize(13, 13));
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView->setContextMenuPolicy(Qt::CustomContextMenu);
    // Long names scroll sideways rather than being cut short.
    TreeView->setTextElideMode(Qt::ElideNone);
    TreeView->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    TreeView->header()->setStretchLastSection(false);

    imgSplit = new QWidget(this);
    imgSplit->setObjectName(QStringLiteral("imgSplit"));
    imgSplit->setCursor(Qt::SizeHorCursor);
    imgSplit->installEventFilter(this);
    SliptBar = new QFrame(this);
    SliptBar->setObjectName(QStringLiteral("SliptBar"));
    SliptBar->setFrameShape(QFrame::Box);
    SliptBar->setAutoFillBackground(true);
    SliptBar->setPalette(QPalette(QColor(0x80, 0x80, 0x80)));
    SliptBar->hide();

    ListView = new QWidget(this);
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setMouseTracking(true);
    ListView->installEventFilter(this);

    lblFileCaption = new QLabel(kRootText, ListView);
    lblFileCaption->setObjectName(QStringLiteral("lblFileCaption"));
    QFont big = lblFileCaption->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    lblFileCaption->setFont(big);
    auto *lblLine = new QFrame(ListView);
    lblLine->setObjectName(QStringLiteral("lblLine"));
    lblLine->setFrameShape(QFrame::HLine);
    auto *Label2 = new QFrame(ListView);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFrameShape(QFrame::HLine);

    const QStringList labels = {QStringLiteral("证券代码："), QStringLiteral("基本面："),   QStringLiteral("分析评论："),
                                QStringLiteral("目标价："),   QStringLiteral("市场价格："), QStringLiteral("涨跌幅："),
                                QStringLiteral("浮动盈亏："), QStringLiteral("更新日期："), QStringLiteral("止损位："),
                                QStringLiteral("买入点：")};
    for (int i = 0; i < 10; ++i) {
        txtFields[i] = new QLineEdit(ListView);
        txtFields[i]->setObjectName(QStringLiteral("txtFields_%1").arg(i));
        txtFields[i]->setMouseTracking(true);
        txtFields[i]->installEventFilter(this);
        EnterMovesFocus(txtFields[i]);
        connect(txtFields[i], &QLineEdit::textChanged, this,
                [this] { picEditFile->setVisible(!Trim(txtFields[1]->text()).isEmpty()); });
    }
    Frame1 = new QFrame(ListView);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto *f1 = new QHBoxLayout(Frame1);
    f1->setContentsMargins(0, 0, 0, 0);
    f1->addWidget(new QLabel(labels[7], Frame1));
    f1->addWidget(txtFields[7]);
    Frame1->hide();

    picEditFile = new QLabel(ListView);
    picEditFile->setObjectName(QStringLiteral("picEditFile"));
    picEditFile->setPixmap(DocumentPicture());
    picEditFile->setToolTip(QStringLiteral("查看、编辑、打印文件"));
    picEditFile->setMouseTracking(true);
    picEditFile->installEventFilter(this);
    picEditFile->hide();
    const HoverLines lines = NewHoverLines(ListView);
    lLeft = lines.left, lTop = lines.top, lRight = lines.right, lBottom = lines.bottom;

    auto *detail = new QGridLayout;
    const int place[10][2] = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 1}, {1, 1}, {2, 1}, {-1, -1}, {3, 1}, {4, 1}};
    for (int i = 0; i < 10; ++i) {
        if (i == 7)
            continue;
        auto *l = new QLabel(labels[i], ListView);
        l->setBuddy(txtFields[i]);
        detail->addWidget(l, place[i][0], place[i][1] * 3);
        if (i == 1) {
            auto *withButton = new QHBoxLayout;
            withButton->addWidget(txtFields[1]);
            withButton->addWidget(picEditFile);
            detail->addLayout(withButton, place[i][0], place[i][1] * 3 + 1);
        } else {
            detail->addWidget(txtFields[i], place[i][0], place[i][1] * 3 + 1);
        }
    }
    detail->addWidget(Frame1, 4, 0, 1, 2);
    detail->setColumnMinimumWidth(2, 12);
    // The profit or loss is the journal's total figure: shown whole, from its first digit.
    SetUpFigureBox(txtFields[6]);

    Label3 = new QLabel(QStringLiteral("交易记录："), ListView);
    Label3->setObjectName(QStringLiteral("Label3"));
    m_grid = new TradeGridModel(this);
    my1 = new QTableView(ListView);
    my1->setObjectName(QStringLiteral("my1"));
    my1->setModel(m_grid);
    my1->setToolTip(QStringLiteral("双击显示菜单!"));
    my1->setSelectionBehavior(QAbstractItemView::SelectItems);
    my1->setSelectionMode(QAbstractItemView::SingleSelection);
    my1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    my1->verticalHeader()->hide();
    my1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    my1->verticalHeader()->setDefaultSectionSize(20);
    my1->viewport()->installEventFilter(this);
    Command1 = new QPushButton(QStringLiteral("导出"), ListView);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->hide();
    Command4 = new QPushButton(QStringLiteral("刷新"), ListView);
    Command4->setObjectName(QStringLiteral("Command4"));
    Command4->setEnabled(false);
    connect(Command1, &QPushButton::clicked, this, &frmManager::Command1_Click);
    connect(Command4, &QPushButton::clicked, this, &frmManager::uprice_click);
    // The entry panel hides the two buttons; the grid, and the panel over it, stay where they were.
    for (QPushButton *b : {Command1, Command4}) {
        QSizePolicy keep = b->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        b->setSizePolicy(keep);
    }

    buildEntryPanel(); // Frame2 with DTPicker1 and the entry boxes: frmManagerEntry.cpp

    auto *gridButtons = new QHBoxLayout;
    gridButtons->addWidget(Label3);
    gridButtons->addStretch();
    gridButtons->addWidget(Command4);
    gridButtons->addWidget(Command1);
    auto *panel = new QVBoxLayout(ListView);
    panel->addWidget(lblFileCaption, 0, Qt::AlignHCenter);
    panel->addWidget(lblLine);
    panel->addLayout(detail);
    panel->addWidget(Label2);
    panel->addLayout(gridButtons);
    panel->addWidget(my1, 1);
    Label3->hide();
    my1->hide();

    connect(TreeView, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { TreeView_NodeClick(item); });
    connect(TreeView, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *item) {
        ResetDetailView();
        setNodeImage(item, nodeTag(item) == QLatin1String("FileManager") ? QStringLiteral("Open") : QStringLiteral("SOpen"));
        lblFileCaption->setText(item->text(0));
    });
    connect(TreeView, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem *item) {
        setNodeImage(item, nodeTag(item) == QLatin1String("FileManager") ? QStringLiteral("Closed")
                                                                        : QStringLiteral("SClosed"));
        ResetDetailView();
        lblFileCaption->setText(item->text(0));
    });
    PickWithKeysAndOtherButtons(TreeView, [this] { TreeView_NodeClick(TreeView->currentItem()); });
    // The menu acts on the node it was asked for over: the press selects it as a click does first.
    connect(TreeView, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (QTreeWidgetItem *node = TreeView->itemAt(pos))
            TreeView_NodeClick(node);
        MnuControl->popup(TreeView->viewport()->mapToGlobal(pos));
    });
}

QAction *frmManager::addItem(QMenu *menu, const QString &name, const QString &caption, const QKeySequence &key)
{
    QAction *a = menu->addAction(caption);
    a->setObjectName(name);
    a->setShortcut(key);
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(a);
    m_items.insert(name, a);
    return a;
}

void frmManager::buildMenus()
{
    MnuControl = new QMenu(QStringLiteral("操作中心^&P)"), this);
    MnuControl->setObjectName(QStringLiteral("MnuControl"));
    connect(addItem(MnuControl, QStringLiteral("MnuSearchFile"), QStringLiteral("&S 查询记录"), QKeySequence(QStringLiteral("Ctrl+S"))),
            &QAction::triggered, this, &frmManager::MnuSearchFile_Click);
    MnuControl->addSeparator();
    connect(addItem(MnuControl, QStringLiteral("MnuRefresh"), QStringLiteral("&R 刷新证券"), QKeySequence(QStringLiteral("Ctrl+F"))),
            &QAction::triggered, this, &frmManager::MnuRefresh_Click);
    MnuControl->addSeparator();
    connect(addItem(MnuControl, QStringLiteral("MnuFolder"), QStringLiteral("&C 证券分类"), QKeySequence(QStringLiteral("Ctrl+C"))),
            &QAction::triggered, this, &frmManager::MnuFolder_Click);
    MnuControl->addSeparator();
    connect(addItem(MnuControl, QStringLiteral("MnuAddFile"), QStringLiteral("&A 添加证券"), QKeySequence(QStringLiteral("Ctrl+N"))),
            &QAction::triggered, this, &frmManager::MnuAddFile_Click);
    connect(addItem(MnuControl, QStringLiteral("MnuModifyFile"), QStringLiteral("&M 修改证券"), QKeySequence(QStringLiteral("Ctrl+L"))),
            &QAction::triggered, this, &frmManager::MnuModifyFile_Click);
    connect(addItem(MnuControl, QStringLiteral("MnuDeleteFile"), QStringLiteral("&D 删除证券"), QKeySequence(QStringLiteral("Ctrl+D"))),
            &QAction::triggered, this, &frmManager::MnuDeleteFile_Click);
    connect(addItem(MnuControl, QStringLiteral("uprice"), QStringLiteral("&U 更新股价"), QKeySequence(QStringLiteral("Ctrl+U"))),
            &QAction::triggered, this, &frmManager::uprice_click);
    m_items.value(QStringLiteral("uprice"))->setEnabled(false);
    connect(addItem(MnuControl, QStringLiteral("MnuOpenFile"), QStringLiteral("&E 打开股票关联的文件"), QKeySequence(QStringLiteral("Ctrl+O"))),
            &QAction::triggered, this, &frmManager::MnuOpenFile_Click);
    MnuControl->addSeparator();

    munrep = new QMenu(QStringLiteral("证券记录"), this);
    munrep->setObjectName(QStringLiteral("munrep"));
    connect(addItem(munrep, QStringLiteral("munaddqix"), QStringLiteral("&C 添加记录"), QKeySequence(QStringLiteral("Ctrl+H"))),
            &QAction::triggered, this, &frmManager::munaddqix_Click);
    connect(addItem(munrep, QStringLiteral("Mnumodqix"), QStringLiteral("&Y 修改记录"), QKeySequence(QStringLiteral("Ctrl+Y"))),
            &QAction::triggered, this, &frmManager::Mnumodqix_Click);
    connect(addItem(munrep, QStringLiteral("Mnudelqix"), QStringLiteral("&E 删除记录"), QKeySequence(QStringLiteral("Ctrl+Z"))),
            &QAction::triggered, this, &frmManager::Mnudelqix_Click);
    m_items.value(QStringLiteral("Mnumodqix"))->setEnabled(false);
    m_items.value(QStringLiteral("Mnudelqix"))->setEnabled(false);

    MnuReturnX = new QMenu(QStringLiteral("关闭选择^&O)"), this);
    MnuReturnX->setObjectName(QStringLiteral("MnuReturnX"));
    connect(addItem(MnuReturnX, QStringLiteral("MnuReturn"), QStringLiteral("返回首页(&R)"), QKeySequence(QStringLiteral("Ctrl+R"))),
            &QAction::triggered, this, &frmManager::MnuReturn_Click);
    MnuReturnX->addSeparator();
    connect(addItem(MnuReturnX, QStringLiteral("MnuExit"), QStringLiteral("退出系统(&X)"), QKeySequence(QStringLiteral("Ctrl+X"))),
            &QAction::triggered, this, &frmManager::MnuExit_Click);
}

QAction *frmManager::menuItem(const QString &name) const { return m_items.value(name); }

void frmManager::setToolbarButton(int index, bool enabled)
{
    if (QAction *b = frmMain::instance()->toolbarButton(index))
        b->setEnabled(enabled);
}

// ---- Layout ------------------------------------------------------------------------------------

double frmManager::outerWidthTwips() const { return PxToTwips(width()); }
double frmManager::innerWidthTwips() const { return PxToTwips(width()); }

void frmManager::SizeControls(double &x)
{
    x = ClampSplitPosition(x, outerWidthTwips());
    const double w = outerWidthTwips();
    // A size the window only passes through on its way to the operator lays out, but cuts nothing.
    if (appearedAtItsSize())
        m_splitLeft = x;
    TreeView->setGeometry(0, 0, TwipsToPx(x), height());
    imgSplit->setGeometry(TwipsToPx(x), 0, TwipsToPx(40), height());
    ListView->setGeometry(TwipsToPx(x + 40), 0, TwipsToPx(w - x + 30), height());
}

// The size the window first opens and lays out at.
QSize frmManager::sizeHint() const { return {TwipsToPx(12000), TwipsToPx(8000)}; }

// The window opens at its size hint and is maximised after that: it has appeared to the operator once it
// stands maximised in the work area, or, were it ever shown otherwise, once its showing has settled.
bool frmManager::appearedAtItsSize()
{
    if (!m_appeared && isVisible()) {
        const QWidget *frame = parentWidget();
        m_appeared = m_showSettled || (frame && frame->isMaximized());
    }
    return m_appeared;
}

void frmManager::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!isVisible())
        return;
    double x = m_splitLeft;
    SizeControls(x);
}

void frmManager::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    double x = m_splitLeft;
    SizeControls(x);
    QTimer::singleShot(0, this, [this] {
        m_showSettled = true;
        double settled = m_splitLeft;
        SizeControls(settled);
    });
}

void frmManager::layoutPanel()
{
    // The entry panel lies over the upper part of the grid, with its left edge, top and width.
    const QRect g = my1->geometry();
    const int h = std::min(std::max(g.height(), Frame2->sizeHint().height()), Frame2->sizeHint().height());
    Frame2->setGeometry(g.left(), g.top(), g.width(), h);
    Frame2->raise();
}

void frmManager::showHoverFrame(bool on)
{
    ShowHoverLines({lLeft, lTop, lRight, lBottom}, picEditFile, on);
    m_HoverFrameShown = on;
}

bool frmManager::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type t = event->type();
    if (!my1 || !Frame2)
        return QWidget::eventFilter(watched, event); // still being built
    if (watched == imgSplit) {
        if (t == QEvent::MouseButtonPress) {
            SliptBar->setGeometry(imgSplit->x(), imgSplit->y(), std::max(1, imgSplit->width() / 2),
                                  std::max(1, imgSplit->height() - TwipsToPx(20)));
            m_barLeft = PxToTwips(imgSplit->x());
            SliptBar->show();
            SliptBar->raise();
            m_SplitDragging = true;
            return true;
        }
        if (t == QEvent::MouseMove && m_SplitDragging) {
            const auto *me = static_cast<QMouseEvent *>(event);
            m_barLeft = ClampDragBar(PxToTwips(imgSplit->x()) + PxToTwips(int(me->position().x())), innerWidthTwips());
            SliptBar->move(TwipsToPx(m_barLeft), SliptBar->y());
            return true;
        }
        if (t == QEvent::MouseButtonRelease && m_SplitDragging) {
            double x = m_barLeft;
            SizeControls(x);
            SliptBar->hide();
            m_SplitDragging = false;
            SaveSetting(ExeAppName(), QStringLiteral("Config"), QStringLiteral("Split"), SingleText(m_splitLeft));
            return true;
        }
    } else if (watched == ListView) {
        if (t == QEvent::Resize)
            layoutPanel();
        if (t == QEvent::MouseMove && m_HoverFrameShown)
            showHoverFrame(false);
    } else if (watched == picEditFile) {
        const HoverButton b = HoverButtonEvent(picEditFile, {lLeft, lTop, lRight, lBottom}, event, m_HoverFrameShown,
                                               [this] { showHoverFrame(true); });
        if (b == HoverButton::Released)
            picEditFile_Click();
        if (b != HoverButton::NotTaken)
            return true;
    } else if (watched == my1->viewport()) {
        if (t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick) {
            auto *me = static_cast<QMouseEvent *>(event);
            const QModelIndex at = my1->indexAt(me->position().toPoint());
            if (at.isValid())
                my1->setCurrentIndex(at);
            const bool popup = t == QEvent::MouseButtonDblClick || me->button() == Qt::RightButton;
            QPointer<frmManager> self(this);
            const QPoint global = me->globalPosition().toPoint();
            QTimer::singleShot(0, this, [self, popup, global] {
                if (self)
                    self->my1_RowPicked(self->currentGridRow(), false);
                if (self && popup)
                    self->munrep->popup(global);
            });
        }
    } else {
        for (int i = 0; i < 10; ++i) {
            if (watched != txtFields[i])
                continue;
            if (t == QEvent::MouseMove && m_HoverFrameShown)
                showHoverFrame(false);
            if (t == QEvent::FocusOut && FocusMovedWithinWindow(static_cast<QFocusEvent *>(event), txtFields[i]))
                txtFields_LostFocus(i);
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- The tree ----------------------------------------------------------------------------------

QString frmManager::nodeTag(const QTreeWidgetItem *node) { return node ? node->data(0, kTagRole).toString() : QString(); }
QString frmManager::nodeKey(const QTreeWidgetItem *node) { return node ? node->data(0, kKeyRole).toString() : QString(); }

void frmManager::setNodeImage(QTreeWidgetItem *node, const QString &key)
{
    node->setIcon(0, nodeIcon(key));
    node->setData(0, kImageRole, key);
}

QTreeWidgetItem *frmManager::rootNode() const { return TreeView->topLevelItem(0); }

QTreeWidgetItem *frmManager::categoryNode(const QString &account) const
{
    QTreeWidgetItem *root = rootNode();
    for (int i = 0; root && i < root->childCount(); ++i)
        if (nodeKey(root->child(i)) == QStringLiteral("qix") + account)
            return root->child(i);
    return nullptr;
}

QTreeWidgetItem *frmManager::securityNode(const QString &name) const
{
    QTreeWidgetItem *root = rootNode();
    for (int i = 0; root && i < root->childCount(); ++i)
        for (int j = 0; j < root->child(i)->childCount(); ++j)
            if (root->child(i)->child(j)->text(0) == name)
                return root->child(i)->child(j);
    return nullptr;
}

void frmManager::cmdLoad_Click()
{
    SetMousePointer(this, 11);
    lblFileCaption->setText(kRootText);
    ResetDetailView();
    for (int b : {5, 6, 7})
        setToolbarButton(b, false);
    for (const char *item : {"MnuModifyFile", "MnuDeleteFile", "MnuOpenFile"})
        m_items.value(QString::fromLatin1(item))->setEnabled(false);
    m_LoadedName.clear();

    TreeView->clear();
    auto *root = new QTreeWidgetItem(TreeView, QStringList{kRootText});
    root->setData(0, kTagRole, QStringLiteral("FileManager"));
    setNodeImage(root, QStringLiteral("Closed"));
    try {
        Database db(g_DbPath, g_DbConnect);
        for (const CategoryEntry &category : LoadSecurityTree(db)) {
            auto *node = new QTreeWidgetItem(root, QStringList{category.name});
            node->setData(0, kTagRole, QStringLiteral("File"));
            node->setData(0, kKeyRole, QStringLiteral("qix") + category.account);
            setNodeImage(node, QStringLiteral("SClosed"));
            for (const QString &name : category.securities) {
                auto *leaf = new QTreeWidgetItem(node, QStringList{name});
                leaf->setData(0, kTagRole, QStringLiteral("SFile"));
                setNodeImage(leaf, QStringLiteral("File"));
            }
        }
    } catch (const DbError &e) {
        if (!ShowDatabaseTrouble(e))
            MsgBox(QStringLiteral("不能读取证券目录：") + e.message(), 16, QStringLiteral("错误"));
    }
    root->setExpanded(true);

    for (const char *item : {"MnuModifyFile", "MnuDeleteFile", "Mnudelqix", "Mnumodqix", "munaddqix"})
        m_items.value(QString::fromLatin1(item))->setEnabled(false);
    SetMousePointer(this, 0);
    Label3->hide();
    my1->hide();
    Command4->hide();
    Command1->hide();
}

void frmManager::TreeView_NodeClick(QTreeWidgetItem *node)
{
    if (!g_Idle || !node)
        return;
    SetStatusText(QStringLiteral("证券个股信息添加、修改、删除"));
    lblFileCaption->setText(node->text(0));
    const QString tag = nodeTag(node);
    const bool security = tag == QLatin1String("SFile");
    if (node->text(0) == kRootText) {
        Frame2->hide();
    } else if (tag == QLatin1String("File")) {
        Frame2->hide();
        g_CurCategory = node->text(0);
        g_CurAccount = nodeKey(node).mid(3);
        g_CurSecurity.clear();
    } else if (node->parent()) {
        g_CurCategory = node->parent()->text(0);
        g_CurAccount = nodeKey(node->parent()).mid(3);
        g_CurSecurity = node->text(0);
    }

    if (security) {
        for (const char *item : {"munaddqix", "MnuModifyFile", "MnuDeleteFile", "uprice"})
            m_items.value(QString::fromLatin1(item))->setEnabled(true);
        setToolbarButton(5, true);
        Frame1->show();
        SetRights();
    } else {
        for (const char *item : {"MnuModifyFile", "MnuDeleteFile", "uprice", "Mnumodqix", "Mnudelqix", "munaddqix"})
            m_items.value(QString::fromLatin1(item))->setEnabled(false);
        for (int b : {5, 6, 7})
            setToolbarButton(b, false);
        Frame1->hide();
        my1->hide();
        Command1->hide();
        Label3->hide();
    }

    // The loaded security too is read again: its price may have been updated since. A trade being
    // entered for it stays open over the grid read again, as typed.
    if (security && !Trim(node->text(0)).isEmpty()) {
        const bool keepEntry = node->text(0) == m_LoadedName && Frame2->isVisibleTo(this);
        if (!loadSecurity(node->text(0)))
            return;
        if (keepEntry)
            showEntryPanel();
    }
    if (!security)
        ResetDetailView();
    setRecordCommands(IsRecordRow(gridText(1, 0)));
    SetRights();
}

void frmManager::setRecordCommands(bool enabled)
{
    m_items.value(QStringLiteral("Mnumodqix"))->setEnabled(enabled);
    m_items.value(QStringLiteral("Mnudelqix"))->setEnabled(enabled);
    setToolbarButton(6, enabled);
    setToolbarButton(7, enabled);
}

bool frmManager::LoadData(const QString &name)
{
    SecurityDetail d;
    try {
        Database db(g_DbPath, g_DbConnect);
        if (!LoadSecurityDetail(db, name, d)) {
            MsgBox(QStringLiteral("没有找到证券：") + name, 48, QStringLiteral("提示："));
            return false;
        }
    } catch (const DbError &e) {
        if (!ShowDatabaseTrouble(e))
            MsgBox(QStringLiteral("不能读取证券资料：") + e.message(), 16, QStringLiteral("错误"));
        return false;
    }
    const QStringList values = {d.code, d.document, d.comment, d.target, d.price, d.change};
    for (int i = 0; i < values.size(); ++i)
        txtFields[i]->setText(values[i]);
    txtFields[7]->setText(d.updated);
    txtFields[8]->setText(d.stopLoss);
    txtFields[9]->setText(d.buyPoint);
    m_LoadedAccount = d.account;
    // The selection follows the loaded security's own row, however it was reached (the tree, a code).
    g_CurAccount = d.account;
    g_CurCategory = d.category;
    g_CurCode = txtFields[0]->text();
    setForeColour(txtFields[5], txtFields[5]->text().startsWith(u'-') ? 0xC000 : 0x8080FF);
    return true;
}

void frmManager::SetRights()
{
    auto disable = [this](std::initializer_list<const char *> items) {
        for (const char *item : items)
            m_items.value(QString::fromLatin1(item))->setEnabled(false);
    };
    if (g_UserRight == QStringLiteral("只能添加")) {
        Command1->hide();
        Command4->hide();
        disable({"Mnumodqix", "Mnudelqix", "uprice", "MnuModifyFile", "MnuDeleteFile", "MnuSearchFile"});
        for (int b : {6, 7, 9, 10})
            setToolbarButton(b, false);
        Frame1->hide();
    } else if (g_UserRight == QStringLiteral("不能修改")) {
        disable({"uprice", "MnuModifyFile", "MnuDeleteFile", "Mnumodqix", "Mnudelqix"});
        setToolbarButton(6, false);
        setToolbarButton(7, false);
        Frame1->hide();
    } else if (g_UserRight == QStringLiteral("可以修改") || g_UserRight == QStringLiteral("超级权限")) {
        Command4->setEnabled(true);
    }
}

void frmManager::ResetDetailView()
{
    Command1->hide();
    Command4->hide();
    for (QLineEdit *box : txtFields)
        box->clear();
    m_LoadedName.clear();
    m_grid->clear();
    my1->hide();
    m_items.value(QStringLiteral("MnuModifyFile"))->setEnabled(false);
    m_items.value(QStringLiteral("MnuDeleteFile"))->setEnabled(false);
    for (int b : {5, 6, 7})
        setToolbarButton(b, false);
    m_items.value(QStringLiteral("uprice"))->setEnabled(false);
    Frame1->hide();
    Label3->hide();
    for (const char *item : {"Mnumodqix", "Mnudelqix", "munaddqix"})
        m_items.value(QString::fromLatin1(item))->setEnabled(false);
}

// ---- The grid ----------------------------------------------------------------------------------

QString frmManager::gridText(int row, int column) const { return m_grid->grid().text(row, column); }

int frmManager::gridRowCount() const { return int(m_grid->grid().rows.size()); }

int frmManager::currentGridRow() const
{
    const QModelIndex i = my1->currentIndex();
    return i.isValid() ? i.row() + 1 : 0;
}

void frmManager::setCurrentGridRow(int row)
{
    my1->setCurrentIndex(m_grid->index(row - 1, 0));
}

void frmManager::showProfit(const QString &text)
{
    txtFields[6]->setText(text);
    setForeColour(txtFields[6], ProfitColour(text));
}

void frmManager::Loadmy1(const QString &)
{
    TradeGrid grid;
    {
        Database db(g_DbPath, g_DbConnect);
        grid = LoadTradeGrid(db, g_CurCode);
    }
    m_RecordCount = grid.recordCount;
    m_Holding = grid.holding;
    m_FlowTotal = grid.flowTotal;
    m_grid->setGrid(std::move(grid));
    FitColumns(my1, GridColumnWidths(), m_grid->grid().rows);

    showLoadedProfit();

    setCurrentGridRow(1);
    Frame2->hide();
    Command1->show();
    Command4->show();
    my1->show();
    Label3->show();
    SetRights();
}

void frmManager::showLoadedProfit()
{
    txtFields[4]->setText(NumText(Val(txtFields[4]->text())));
    showProfit(ProfitTextAfterLoad(ProfitOrLoss(m_Holding, Val(txtFields[4]->text()), m_FlowTotal)));
}

void frmManager::reloadLoadedSecurity()
{
    const QString name = m_LoadedName; // a load clears it first
    if (name.isEmpty())
        return;
    if (!Frame2->isVisibleTo(this)) {
        loadSecurity(name);
        return;
    }
    // A trade being entered keeps what was typed; the records are unchanged by a price.
    if (LoadData(name))
        showLoadedProfit();
}

bool frmManager::reloadGrid()
{
    try {
        Loadmy1();
    } catch (const DbError &e) {
        if (!ShowDatabaseTrouble(e))
            ShowUnknownError();
        return false;
    }
    return true;
}

// The detail and the grid of one security. The name counts as loaded only once both have loaded, so
// the next click on any security, the earlier one included, loads it afresh; a security that cannot be
// read leaves no command offered on it.
bool frmManager::loadSecurity(const QString &name)
{
    if (!LoadData(name)) {
        ResetDetailView();
        return false;
    }
    m_LoadedName.clear();
    if (!reloadGrid())
        return false;
    m_LoadedName = name;
    // The document command is offered for the security now loaded, however it was reached.
    m_items.value(QStringLiteral("MnuOpenFile"))
        ->setEnabled(!Trim(txtFields[1]->text()).isEmpty() && g_UserRight != QStringLiteral("只能添加"));
    return true;
}

void frmManager::my1_RowPicked(int gridRow, bool popupMenu)
{
    m_SelectedRow = gridRow;
    setRecordCommands(IsRecordRow(gridText(gridRow, 0)));
    SetRights();
    if (popupMenu)
        munrep->popup(QCursor::pos());
}

void frmManager::Command1_Click()
{
    SetStatusText(QStringLiteral("导出") + m_LoadedName + QStringLiteral("买卖记录"));
    // The sheet is written from a copy: a reload while the export lets events run cannot mix two
    // securities in one sheet.
    QList<QStringList> rows{{QStringLiteral("证券名称"), m_LoadedName, QStringLiteral("证券编号"), g_CurCode}};
    for (int r = 0; r <= m_RecordCount + 1; ++r) {
        QStringList row;
        for (int c = 0; c < kGridColumns; ++c)
            row << gridText(r, c);
        rows << row;
    }
    QPointer<frmManager> self(this);
    const auto caption = [self](int written) {
        if (self && written > 1)
            self->setWindowTitle(QStringLiteral("添加") + QString::number(written - 2) + QStringLiteral("记录"));
    };
    const QString before = windowTitle();
    // Row 1 is the head row of name and code; the grid's captions are row 2.
    if (!ExportToSpreadsheet(rows, NewExportPath(QStringLiteral("tallyvane-") + g_CurCode), caption,
                             ExportEvents::RunAfterEachRow, 1)) {
        if (self)
            self->setWindowTitle(before);
        SetStatusText(QStringLiteral("不能导出"));
        return;
    }
    SetStatusText(QStringLiteral("导出完毕！"));
}

// ---- Commands ----------------------------------------------------------------------------------

void frmManager::txtFields_LostFocus(int index)
{
    if (index != 0 || txtFields[0]->text().size() < 6 || !g_Idle)
        return;
    const QString code = Trim(txtFields[0]->text());
    if (RefuseUnstorable(code)) {
        txtFields[0]->setFocus();
        return;
    }
    QString name;
    try {
        Database db(g_DbPath, g_DbConnect);
        name = SecurityNameOfCode(db, code);
    } catch (const DbError &e) {
        if (!ShowDatabaseTrouble(e))
            MsgBox(QStringLiteral("不能读取证券资料：") + e.message(), 16, QStringLiteral("错误"));
        return;
    }
    if (!name.isEmpty()) {
        lblFileCaption->setText(name);
        g_CurSecurity = name;
        if (!loadSecurity(name))
            return;
        setToolbarButton(5, true);
        m_items.value(QStringLiteral("munaddqix"))->setEnabled(true);
        return;
    }
    if (MsgBox(QStringLiteral("没找到！    ") + QStringLiteral("\r\n\r\n") + QStringLiteral(" [是/否]？     "), 20,
               QStringLiteral("是否添加？")) == vbYes) {
        offerNewSecurity(code);
    } else {
        ResetDetailView();
    }
}

bool frmManager::confirmLoadedSecurity()
{
    if (txtFields[0]->text() != g_CurCode)
        txtFields_LostFocus(0);
    return !m_LoadedName.isEmpty() && !g_CurCode.isEmpty() && txtFields[0]->text() == g_CurCode;
}

void frmManager::offerNewSecurity(const QString &code)
{
    QPointer<frmNewForm> dialog = frmNewForm::instance();
    dialog->txtFields[0]->setText(code);
    dialog->exec();
}

void frmManager::updateProfitAfterUpdate()
{
    if (Trim(txtFields[4]->text()).isEmpty())
        txtFields[4]->setText(QStringLiteral("0"));
    showProfit(ProfitTextAfterUpdate(ProfitOrLoss(m_Holding, Val(txtFields[4]->text()), m_FlowTotal)));
}

void frmManager::uprice_click()
{
    if (!confirmLoadedSecurity())
        return;
    SetStatusText(QStringLiteral("更新选定股票价格"));
    QStringList codes(11);
    codes[1] = g_CurCode;
    const QString loaded = m_LoadedName;
    QPointer<frmManager> self(this);
    bool saved = true; // no fetch while another runs: nothing to save
    if (g_Idle) {
        IdleGuard fetch;
        saved = frmMain::instance()->every(codes, 1);
    }
    if (!self)
        return;
    // The writer of the new price reloads the security and has said so if it was gone meanwhile; a
    // security no longer shown (gone, or the tree rebuilt) is not read again. Without its detail there is
    // no profit to compute.
    if (loaded.isEmpty() || !m_LoadedName.isEmpty()) {
        if (LoadData(g_CurSecurity))
            updateProfitAfterUpdate();
        else
            ResetDetailView();
    }
    // A price that could not be saved (the file held by another workstation) is no update.
    SetStatusText(saved ? kUpdateDoneText : kNotUpdatedText);
    frmMain::UnloadIfExitPending();
}

void frmManager::MnuDeleteFile_Click()
{
    SetStatusText(QStringLiteral("删除选定的证券"));
    if (!confirmLoadedSecurity())
        return;
    if (MsgBox(QStringLiteral("真的要删除该证券及其记录吗？     ") + QStringLiteral("\r\n\r\n") + g_CurSecurity +
                   QStringLiteral(" [是/否]？     "),
               276, QStringLiteral("证券删除后将不能恢复!")) != vbYes)
        return;
    try {
        Database db(g_DbPath, g_DbConnect);
        DeleteSecurity(db, g_CurCode);
    } catch (const DbError &e) {
        if (!ShowDatabaseTrouble(e))
            MsgBox(QStringLiteral("证券没有删除：") + e.message(), 16, QStringLiteral("错误"));
        return;
    }
    CloseEntriesOf({g_CurCode});
    cmdLoad_Click();
    setToolbarButton(6, false);
    setToolbarButton(7, false);
    m_items.value(QStringLiteral("MnuModifyFile"))->setEnabled(false);
    m_items.value(QStringLiteral("MnuDeleteFile"))->setEnabled(false);
    frmMain::instance()->setPanelText(2, kIdleText);
}

void frmManager::Mnudelqix_Click()
{
    SetStatusText(QStringLiteral("删除买卖记录"));
    m_SelectedRow = currentGridRow();
    const QString key = gridText(m_SelectedRow, kGridKeyColumn);
    bool isKey = false;
    const qint64 repid = key.toLongLong(&isKey);
    // Only a record row with a whole-number key is ever deleted.
    if (!IsRecordRow(gridText(m_SelectedRow, 0)) || !isKey)
        return;
    if (MsgBox(QStringLiteral("真的要删除该证券交易记录吗？     ") + QStringLiteral("\r\n") + QStringLiteral("交易方式为") +
                   gridText(m_SelectedRow, 1) + QStringLiteral(" [是/否]？     "),
               276, QStringLiteral("买卖记录删除后将不能恢复!")) != vbYes) {
        frmMain::instance()->setPanelText(2, kIdleText);
        return;
    }
    try {
        Database db(g_DbPath, g_DbConnect);
        DeleteRecord(db, repid);
    } catch (const DbError &e) {
        if (!ShowDatabaseTrouble(e))
            MsgBox(QStringLiteral("记录没有删除：") + e.message(), 16, QStringLiteral("错误"));
        return;
    }
    reloadGrid();
    frmMain::instance()->setPanelText(2, kIdleText);
}

void frmManager::MnuExit_Click()
{
    if (g_Idle) {
        if (frmMain::isLoaded())
            frmMain::existing()->close();
    } else {
        g_ExitPending = true;
    }
}

void frmManager::MnuFolder_Click()
{
    SetMousePointer(this, 11);
    QPointer<frmManager> self(this);
    frmCatalog::instance()->exec();
    if (self)
        SetMousePointer(this, 0);
}

void frmManager::MnuModifyFile_Click()
{
    if (!confirmLoadedSecurity())
        return;
    const QString account = g_CurAccount;
    SetStatusText(QStringLiteral("修改选定的证券"));
    SetMousePointer(this, 11);
    QPointer<frmManager> self(this);
    frmModifyForm::instance()->exec();
    if (!self)
        return;
    SetMousePointer(this, 0);
    if (lblFileCaption->text() == m_LoadedName && g_CurAccount == account) {
        if (LoadData(m_LoadedName))
            updateProfitAfterUpdate();
    } else {
        cmdLoad_Click();
    }
}

// Mnumodqix_Click and munaddqix_Click, with the rest of the trade-entry panel: frmManagerEntry.cpp

void frmManager::MnuAddFile_Click()
{
    SetStatusText(QStringLiteral("在此类证券下添加新证券"));
    SetMousePointer(this, 11);
    QPointer<frmManager> self(this);
    frmNewForm::instance()->exec(); // rebuilds the tree itself when it closes after a save
    if (self)
        SetMousePointer(this, 0);
}

void frmManager::MnuSearchFile_Click()
{
    if (!g_Idle)
        return;
    SetStatusText(QStringLiteral("搜索证券，查找匹配买卖内容"));
    SetMousePointer(this, 11);
    QPointer<frmManager> self(this);
    // Loading runs the opening report, whose messages may let other events run.
    QPointer<frmSearchForm> query = frmSearchForm::instance();
    if (query)
        frmMain::instance()->showChild(query, {}, true);
    if (self)
        SetMousePointer(this, 0);
}

void frmManager::MnuReturn_Click()
{
    if (g_Idle)
        close();
    else
        CloseWhenIdle(this);
}

void frmManager::picEditFile_Click()
{
    if (!confirmLoadedSecurity())
        return;
    const QString name = txtFields[1]->text();
    const QString title = QStringLiteral("买卖记录系统");
    const QString cannotOpen = QStringLiteral("系统不能自动打开下面文件：    ") + QStringLiteral("\r\n\r\n") + name;
    // A link, such as the detail page a quote fills in, is the browser's to open: there is no file to find.
    if (IsWebAddress(name)) {
        if (!OpenDocument(name.trimmed()))
            MsgBox(cannotOpen + QStringLiteral("    "), 64, title);
        return;
    }
    const QString folder = ProgramFolder() + QStringLiteral("/File");
    const QString path = QFileInfo(name).isAbsolute() ? name : folder + u'/' + name;
    if (Trim(name).isEmpty() || !QFileInfo(path).isFile()) {
        MsgBox(QStringLiteral("下面文件没有找到：    ") + QStringLiteral("\r\n\r\n") + name + QStringLiteral("    "), 64, title);
        return;
    }
    if (OpenDocument(path))
        return;
    if (MsgBox(cannotOpen + QStringLiteral("\r\n\r\n") + QStringLiteral("是否使用其它Open方法试试,(是/否)?      "), 36,
               title) == vbYes)
        OpenDocument(QFileInfo(path).absolutePath()); // the folder, in the file manager
}

void frmManager::closeEvent(QCloseEvent *event)
{
    if (!g_Idle) {
        CloseWhenIdle(this);
        event->ignore();
        return;
    }
    frmMain *main = frmMain::instance();
    main->toolbarButton(1)->setText(QStringLiteral("证券交易"));
    for (int b : frmMain::kManagerButtons)
        setToolbarButton(b, false);
    setToolbarButton(11, true);
    g_ManagerOpen = false;
    formUnloaded(this);
    event->accept();
}

} // namespace tv
