#include "app/frmMain.h"

#include "admin/CompanyInfo.h"
#include "admin/ConfigForm.h"
#include "admin/NetData.h"
#include "admin/frmOperator.h"
#include "admin/qixda.h"
#include "admin/qixrsda.h"
#include "app/Fitting.h"
#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/Rights.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "app/frmAbout.h"
#include "app/frmTip.h"
#include "journal/Securities.h"
#include "journal/frmCatalog.h"
#include "journal/frmManager.h"
#include "quotes/FrmProxy.h"
#include "quotes/frmup.h"
#include "reports/Frmbook.h"
#include "reports/frmSearchForm.h"
#include "data/Database.h"
#include "data/Settings.h"

#include <QAction>
#include <QCloseEvent>
#include <QImageReader>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace tv {

namespace {
const QString kSettings = QStringLiteral("Settings");

// A status panel that shows as much of its text as its width allows, cut with "…" where it must be.
class PanelLabel : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        drawFrame(&p);
        const QRect r = contentsRect();
        p.setPen(palette().color(foregroundRole()));
        p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   fontMetrics().elidedText(text(), Qt::ElideRight, r.width()));
    }
};

// The eight panels side by side in their order, never over each other: where the bar is too narrow for
// all their texts, the less important give up width first (PanelWidths), the status line last.
class StatusPanels : public QWidget
{
public:
    using QWidget::QWidget;
    static constexpr int kGap = 6;

    void setPanels(const QList<QLabel *> &panels)
    {
        m_panels = panels;
        layOut();
    }

    QSize sizeHint() const override
    {
        int w = kGap * int(m_panels.size() - 1);
        int h = 0;
        for (const QLabel *l : m_panels) {
            w += l->sizeHint().width();
            h = std::max(h, l->sizeHint().height());
        }
        return {w, h};
    }
    QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

protected:
    bool event(QEvent *event) override
    {
        // A panel's new text asks for a new layout.
        if (event->type() == QEvent::LayoutRequest)
            layOut();
        return QWidget::event(event);
    }
    void resizeEvent(QResizeEvent *) override { layOut(); }

private:
    void layOut()
    {
        QList<int> need;
        for (const QLabel *l : m_panels)
            need << l->sizeHint().width();
        // Least important first: the credit, the maker, the company, the clock, the date, the status
        // line's label, the operator; the status line itself last.
        static const QList<int> yieldOrder = {4, 5, 6, 3, 2, 0, 7, 1};
        const int least = fontMetrics().horizontalAdvance(QStringLiteral("使用者…")) + 4;
        const int room = width() - kGap * int(m_panels.size() - 1);
        const QList<int> widths = PanelWidths(need, 1, yieldOrder, least, std::max(0, room));
        int x = 0;
        for (int i = 0; i < m_panels.size(); ++i) {
            m_panels[i]->setGeometry(x, 0, widths[i], height()); // a panel of no width shows nothing
            x += widths[i] + kGap;
        }
    }

    QList<QLabel *> m_panels;
};
const QStringList kGeometryKeys = {QStringLiteral("MainLeft"), QStringLiteral("MainTop"), QStringLiteral("MainWidth"),
                                   QStringLiteral("MainHeight")};
const QList<double> kGeometryDefaults = {1000, 1000, 6500, 6500};
} // namespace

frmMain::frmMain()
{
    setObjectName(QStringLiteral("frmMain"));
    // 1. caption, 2. flags
    showCaption(false);
    g_ExitPending = false;
    g_WakeBrowser = false;

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MDIClient"));
    setCentralWidget(m_mdi);
    m_mdi->viewport()->setMouseTracking(true);
    m_mdi->viewport()->installEventFilter(this);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this] { applyMenus(); });

    buildMenus();
    buildToolbar();
    buildStatusBar();

    // 3. geometry, 4. status panels
    SetMousePointer(this, 11);
    loadGeometry();
    setPanelText(3, QStringLiteral("日期:") + QLocale(QLocale::Chinese, QLocale::China).toString(Today(), QLocale::LongFormat));
    setPanelText(7, QStringLiteral("使用者：") + g_CompanyInfo[0]);
    setPanelToolTip(7, QStringLiteral("欢迎使用本软件"));
    setPanelText(8, QStringLiteral("用户:") + g_CurUser);
    SetMousePointer(this, 0);

    // From here on a failing step is passed over.
    setDesktopPicture(g_CompanyInfo[5]);
    setPanelText(2, QStringLiteral("准备就绪..."));
    m_FirstActivated = false;
    insertIndexRow();
    applyRights();
    m_items.value(QStringLiteral("MnuDataPathDisplay"))->setText(QStringLiteral("当前数据库路径：") + g_DbPath);
    LoadProxySettings();
    ApplyProxySettings(Inet1);
}

frmMain::~frmMain()
{
    // The child windows go with the MDI area after this body; their destroyed signals must not
    // reach the menu bookkeeping of a main window that is already half taken down.
    for (QWidget *child : m_childMenus.keys())
        disconnect(child, nullptr, this, nullptr);
    m_childMenus.clear();
    disconnect(m_mdi, nullptr, this, nullptr);
    formUnloaded(this);
}

QAction *frmMain::addItem(QMenu *menu, const QString &name, const QString &caption, const QKeySequence &key)
{
    QAction *a = menu->addAction(caption);
    a->setObjectName(name);
    if (!key.isEmpty())
        a->setShortcut(key);
    // A child window's menus take the menu bar's place while it is active; the main menus' keys go on
    // working, because their items belong to the main window as well as to their menus.
    addAction(a);
    m_items.insert(name, a);
    return a;
}

void frmMain::buildMenus()
{
    MnuGuestManager = menuBar()->addMenu(QStringLiteral("证券分析^&M)"));
    MnuGuestManager->setObjectName(QStringLiteral("MnuGuestManager"));
    m_items.insert(MnuGuestManager->objectName(), MnuGuestManager->menuAction());
    connect(MnuGuestManager, &QMenu::aboutToShow, this,
            [] { SetStatusText(QStringLiteral("证券添加、删除、修改、查询")); });
    MnuGuestManager->addSeparator();
    connect(addItem(MnuGuestManager, QStringLiteral("MnuSearchGuest"), QStringLiteral("证券买卖[&T]"), Qt::Key_F5),
            &QAction::triggered, this, &frmMain::MnuSearchGuest_Click);
    connect(addItem(MnuGuestManager, QStringLiteral("seleup"), QStringLiteral("行情服务器选择[&S]")),
            &QAction::triggered, this, &frmMain::seleup_Click);
    connect(addItem(MnuGuestManager, QStringLiteral("Proxy"), QStringLiteral("代理服务器选择")),
            &QAction::triggered, this, &frmMain::Proxy_Click);
    MnuGuestManager->addSeparator();
    connect(addItem(MnuGuestManager, QStringLiteral("MnuExi"), QStringLiteral("退出系统 [&E]"), Qt::Key_F9),
            &QAction::triggered, this, &frmMain::MnuExi_Click);

    MnuSystem = menuBar()->addMenu(QStringLiteral("系统配置^&C)"));
    MnuSystem->setObjectName(QStringLiteral("MnuSystem"));
    m_items.insert(MnuSystem->objectName(), MnuSystem->menuAction());
    connect(addItem(MnuSystem, QStringLiteral("MnuCompany"), QStringLiteral("配置公司信息[&C]"), Qt::Key_F2),
            &QAction::triggered, this, &frmMain::MnuCompany_Click);
    MnuSystem->addSeparator();
    connect(addItem(MnuSystem, QStringLiteral("MnuEmploy"), QStringLiteral("配置操作员工[&E]")), &QAction::triggered,
            this, &frmMain::MnuEmploy_Click);
    MnuSystem->addSeparator();
    connect(addItem(MnuSystem, QStringLiteral("MnuGuestType"), QStringLiteral("配置证券类型[&T]"), Qt::Key_F3),
            &QAction::triggered, this, [this] {
                SetStatusText(QStringLiteral("证券类型有：买入、卖出等"));
                SetMousePointer(this, 11);
                QPointer<frmMain> self(this);
                frmCatalog::instance()->exec();
                if (self)
                    SetMousePointer(this, 0);
            });
    MnuSystem->addSeparator();
    connect(addItem(MnuSystem, QStringLiteral("MnuNetData"), QStringLiteral("配置网络数据[&N]"), Qt::Key_F8),
            &QAction::triggered, this, &frmMain::MnuNetData_Click);
    MnuSystem->addSeparator();
    connect(addItem(MnuSystem, QStringLiteral("qixdata"), QStringLiteral("数据库备份"), Qt::Key_F6),
            &QAction::triggered, this, [] {
                SetStatusText(QStringLiteral("备份数据"));
                qixda::instance()->show();
            });
    MnuSystem->addSeparator();
    connect(addItem(MnuSystem, QStringLiteral("qixrs"), QStringLiteral("恢复备份及其数据导入"), Qt::Key_F7),
            &QAction::triggered, this, [] {
                SetStatusText(QStringLiteral("恢复数据"));
                qixrsda::instance()->show();
            });
    MnuSystem->addSeparator();
    addItem(MnuSystem, QStringLiteral("MnuDataPathDisplay"), QStringLiteral("当前数据库路径："));

    MnuHelp = menuBar()->addMenu(QStringLiteral("帮助中心^&H)"));
    MnuHelp->setObjectName(QStringLiteral("MnuHelp"));
    m_items.insert(MnuHelp->objectName(), MnuHelp->menuAction());
    connect(MnuHelp, &QMenu::aboutToShow, this, [] { SetStatusText(QStringLiteral("配置桌片图片、操作员、关于信息")); });
    connect(addItem(MnuHelp, QStringLiteral("MnuTip"), QStringLiteral("&D 每日一贴"), Qt::Key_F1), &QAction::triggered,
            this, &frmMain::MnuTip_Click);
    MnuHelp->addSeparator();
    connect(addItem(MnuHelp, QStringLiteral("MnuVkr"), QStringLiteral("&A 关于系统")), &QAction::triggered, this,
            &frmMain::MnuVkr_Click);
}

void frmMain::buildToolbar()
{
    struct Button
    {
        const char *key;
        const char *caption;
        const char *tip;
    };
    static const Button buttons[13] = {
        {"Manager", "证券交易", "打开证券分析"},
        {nullptr, nullptr, nullptr},
        {"Content", "添加个股", "添加个股"},
        {nullptr, nullptr, nullptr},
        {"Add", "添加记录", "添加证券买卖记录"},
        {"Modify", "修改记录", "修改股票买卖记录"},
        {"Delete", "删除记录", "删除证券买卖记录"},
        {nullptr, nullptr, nullptr},
        {"Search", "查询记录", "搜索证券买卖记录"},
        {"down", "价格更新", "更新当前价格，准确反应浮动盈亏"},
        {"frmbook", "记事薄", "查看，添加记事"},
        {nullptr, nullptr, nullptr},
        {"Exit", "退出系统", "退出系统"},
    };
    Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (int i = 0; i < 13; ++i) {
        QAction *a;
        if (!buttons[i].key) {
            a = Toolbar1->addSeparator();
        } else {
            a = Toolbar1->addAction(QString::fromUtf8(buttons[i].caption));
            a->setObjectName(QString::fromUtf8(buttons[i].key));
            a->setToolTip(QString::fromUtf8(buttons[i].tip));
            connect(a, &QAction::triggered, this, [this, a] { Toolbar1_ButtonClick(a); });
        }
        a->setData(i + 1);
        m_buttons << a;
    }
    // As the manager window leaves them when it closes: they act on it, and it enables them itself.
    for (int b : kManagerButtons)
        m_buttons[b - 1]->setEnabled(false);
}

void frmMain::buildStatusBar()
{
    const QStringList initial = {QStringLiteral("提示："), QString(), QString(), QString(),
                                 QStringLiteral("Tallyvane 证券投资记账"),
                                 QStringLiteral("制作单位：Fernwick软件开发工作室"), QStringLiteral("欢迎使用"), QString()};
    const QStringList tips = {QString(),
                              QStringLiteral("工具栏的提示信息"),
                              QStringLiteral("当前的日期"),
                              QStringLiteral("当前的时间"),
                              QStringLiteral("Tallyvane 证券投资记账"),
                              QStringLiteral("软件制作单位"),
                              QStringLiteral("欢迎使用"),
                              QStringLiteral("用户：")};
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    auto *panels = new StatusPanels(bar);
    for (int i = 0; i < 8; ++i) {
        auto *label = new PanelLabel(initial[i], panels);
        label->setObjectName(QStringLiteral("StatusBar_Panel_%1").arg(i + 1));
        label->setToolTip(tips[i]);
        m_panels << label;
    }
    panels->setPanels(m_panels);
    bar->addWidget(panels, 1);
    m_clock = new QTimer(this);
    auto tick = [this] { m_panels[3]->setText(Now().time().toString(QStringLiteral("HH:mm:ss"))); };
    connect(m_clock, &QTimer::timeout, this, tick);
    tick();
    m_clock->start(1000);
}

QString frmMain::panelText(int panel) const { return m_panels.value(panel - 1) ? m_panels[panel - 1]->text() : QString(); }

void frmMain::setPanelText(int panel, const QString &text)
{
    if (QLabel *l = m_panels.value(panel - 1))
        l->setText(text);
}

QString frmMain::panelToolTip(int panel) const
{
    return m_panels.value(panel - 1) ? m_panels[panel - 1]->toolTip() : QString();
}

void frmMain::setPanelToolTip(int panel, const QString &tip)
{
    if (QLabel *l = m_panels.value(panel - 1))
        l->setToolTip(tip);
}

QAction *frmMain::toolbarButton(int index) const { return m_buttons.value(index - 1); }

QAction *frmMain::toolbarButton(const QString &key) const
{
    for (QAction *a : m_buttons)
        if (a->objectName() == key)
            return a;
    return nullptr;
}

QAction *frmMain::menuItem(const QString &name) const { return m_items.value(name); }

bool frmMain::setDesktopPicture(const QString &path)
{
    const QString file = DesktopPictureFile(path);
    QImageReader reader(file);
    const QImage image = file.isEmpty() ? QImage() : reader.read();
    m_hasPicture = !image.isNull();
    m_mdi->setBackground(m_hasPicture ? QBrush(QPixmap::fromImage(image)) : palette().brush(QPalette::Dark));
    return m_hasPicture;
}

QList<double> frmMain::geometryTwips() const
{
    QList<double> out;
    for (int i = 0; i < 4; ++i)
        out << Val(GetSetting(ExeAppName(), kSettings, kGeometryKeys[i], NumText(kGeometryDefaults[i])));
    return out;
}

void frmMain::loadGeometry()
{
    m_loadedTwips = geometryTwips();
    m_loadedRect = QRect(TwipsToPx(m_loadedTwips[0]), TwipsToPx(m_loadedTwips[1]), TwipsToPx(m_loadedTwips[2]),
                         TwipsToPx(m_loadedTwips[3]));
    move(m_loadedRect.topLeft());
    resize(m_loadedRect.size());
    // Fitted to a smaller screen and not moved since, the window keeps the stored geometry.
    FitWhenShown(this, [this] { m_loadedRect = QRect(pos(), size()); });
}

void frmMain::saveGeometry()
{
    const QRect now(pos(), size());
    QList<double> twips;
    if (now == m_loadedRect) {
        twips = m_loadedTwips; // unmoved: the stored twips stay exact
    } else {
        twips = {PxToTwips(now.x()), PxToTwips(now.y()), PxToTwips(now.width()), PxToTwips(now.height())};
    }
    for (int i = 0; i < 4; ++i)
        SaveSetting(ExeAppName(), kSettings, kGeometryKeys[i], NumText(twips[i]));
}

void frmMain::insertIndexRow()
{
    try {
        Database db(g_DbPath, g_DbConnect);
        EnsureIndexRow(db);
    } catch (const DbError &e) {
        // Without a database the index row waits for the next start.
        ShowDatabaseTrouble(e);
    }
}

void frmMain::applyRights()
{
    for (const QString &name : MainMenuItemsDisabledFor(g_UserRight))
        if (QAction *a = m_items.value(name))
            a->setEnabled(false);
}

void frmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    QTimer::singleShot(0, this, [this] { firstActivation(); });
}

bool frmMain::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        firstActivation();
    return QMainWindow::event(event);
}

void frmMain::firstActivation()
{
    if (m_FirstActivated || !isVisible())
        return;
    m_FirstActivated = true;
    const int show = int(Val(GetSetting(ExeAppName(), QStringLiteral("Options"), QStringLiteral("Show Tips at Startup"),
                                        QStringLiteral("1"))));
    if (show == 1)
        frmTip::instance()->show();
    m_BatchStop = true;
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_mdi->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            if (panelText(2) != kIdleText)
                SetStatusText(kIdleText);
        } else if (event->type() == QEvent::MouseButtonPress) {
            auto *me = static_cast<QMouseEvent *>(event);
            if (me->button() == Qt::RightButton) {
                MnuSystem->popup(me->globalPosition().toPoint());
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::MnuTip_Click()
{
    SetStatusText(QStringLiteral("系统的使用技巧与帮助"));
    SetMousePointer(this, 11);
    if (!frmTip::isLoaded() || !frmTip::existing()->isVisible()) {
        SaveSetting(ExeAppName(), QStringLiteral("Options"), QStringLiteral("Show Tips at Startup"), QStringLiteral("1"));
        frmTip::instance()->show();
    } else {
        frmTip::existing()->raise();
        frmTip::existing()->activateWindow();
    }
    SetMousePointer(this, 0);
}

namespace {
// Shown without waiting when hidden, brought to the front when already visible.
template <class W>
void showOrRaise(QWidget *busy)
{
    SetMousePointer(busy, 11);
    if (W::isLoaded() && W::existing()->isVisible()) {
        W::existing()->raise();
        W::existing()->activateWindow();
    } else {
        W::instance()->show();
    }
    SetMousePointer(busy, 0);
}
} // namespace

void frmMain::MnuCompany_Click()
{
    SetStatusText(QStringLiteral("公司信息配置"));
    showOrRaise<ConfigForm>(this);
}

void frmMain::MnuEmploy_Click()
{
    SetStatusText(QStringLiteral("操作员配置"));
    showOrRaise<frmOperator>(this);
}

void frmMain::seleup_Click()
{
    showOrRaise<frmup>(this);
}

void frmMain::Proxy_Click()
{
    showOrRaise<FrmProxy>(this);
}

void frmMain::MnuNetData_Click()
{
    SetMousePointer(this, 11);
    QPointer<NetData> dialog = NetData::instance();
    SetMousePointer(this, 0);
    dialog->exec();
}

void frmMain::MnuVkr_Click()
{
    SetStatusText(QStringLiteral("关于系统描述"));
    SetMousePointer(this, 11);
    QPointer<frmAbout> about = frmAbout::instance();
    SetMousePointer(this, 0);
    about->exec();
}

namespace {
// The manager window, opened over the whole work area with its own menus when it is not open; the
// toolbar's journal keys act on it.
frmManager *manager()
{
    const bool wasOpen = frmManager::isLoaded();
    frmManager *m = frmManager::instance();
    if (!wasOpen)
        frmMain::instance()->showChild(m, {m->MnuControl, m->munrep, m->MnuReturnX}, true);
    return m;
}
} // namespace

void frmMain::MnuSearchGuest_Click()
{
    frmSearchForm::unload(); // refused while a fetch runs; the toggle goes on all the same
    Frmbook::unload();
    if (toolbarButton(1)->text() == QStringLiteral("证券交易")) {
        manager();
        toolbarButton(3)->setEnabled(true);
    } else {
        toolbarButton(3)->setEnabled(false);
        frmManager::unload();
    }
}

void frmMain::showChild(QWidget *child, const QList<QMenu *> &menus, bool maximized)
{
    QMdiSubWindow *sub = nullptr;
    for (QMdiSubWindow *s : m_mdi->subWindowList())
        if (s->widget() == child)
            sub = s;
    if (!sub) {
        sub = m_mdi->addSubWindow(child);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        m_childMenus.insert(child, menus);
        // The frame goes with the window it holds.
        QPointer<QMdiSubWindow> frame(sub);
        connect(child, &QObject::destroyed, this, [this, child, frame] {
            m_childMenus.remove(child);
            if (frame)
                frame->deleteLater();
            applyMenus();
        });
    }
    child->show();
    if (maximized)
        sub->showMaximized();
    else
        sub->show();
    m_mdi->setActiveSubWindow(sub);
    applyMenus();
}

void frmMain::applyMenus()
{
    QMdiSubWindow *active = m_mdi->activeSubWindow();
    QWidget *child = active ? active->widget() : nullptr;
    const QList<QMenu *> menus = child && child->isVisible() ? m_childMenus.value(child) : QList<QMenu *>{};
    menuBar()->clear();
    if (menus.isEmpty()) {
        for (QMenu *m : {MnuGuestManager, MnuSystem, MnuHelp})
            menuBar()->addMenu(m);
    } else {
        for (QMenu *m : menus)
            menuBar()->addMenu(m);
    }
}

void frmMain::Toolbar1_ButtonClick(QAction *button)
{
    if (button)
        Toolbar1_ButtonClick(button->objectName());
}

void frmMain::Toolbar1_ButtonClick(const QString &key)
{
    if (key == QLatin1String("Manager")) {
        SetStatusText(QStringLiteral("证券个股信息添加、修改、删除"));
        MnuSearchGuest_Click();
    } else if (key == QLatin1String("Content")) {
        SetStatusText(QStringLiteral("证券添加、删除"));
        manager()->MnuAddFile_Click();
    } else if (key == QLatin1String("Add")) {
        manager()->munaddqix_Click();
    } else if (key == QLatin1String("Modify")) {
        manager()->Mnumodqix_Click();
    } else if (key == QLatin1String("Delete")) {
        manager()->Mnudelqix_Click();
    } else if (key == QLatin1String("Search")) {
        manager()->MnuSearchFile_Click();
        Frmbook::unload();
    } else if (key == QLatin1String("down")) {
        UpdateAllPrices(); // wakes the connection itself, as the first step of its fetch
    } else if (key == QLatin1String("frmbook")) {
        SetStatusText(QStringLiteral("记事薄操作"));
        Frmbook::open();
    } else if (key == QLatin1String("Exit")) {
        SetStatusText(QStringLiteral("退出Tallyvane"));
        MnuExi_Click();
    }
}

void frmMain::MnuExi_Click()
{
    SetStatusText(QStringLiteral("关闭系统"));
    if (g_Idle) {
        close();
    } else {
        g_ExitPending = true;
        m_BatchStop = true;
    }
}

void frmMain::UnloadIfExitPending()
{
    CarryOutDeferredCloses();
    if (g_ExitPending && isLoaded())
        existing()->close();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (!g_Idle) {
        // A fetch is running: its command closes the window once it has returned.
        g_ExitPending = true;
        m_BatchStop = true;
        event->ignore();
        return;
    }
    if (MsgBox(QStringLiteral("真的退出该系统吗(Y/N)？    "), 36, QStringLiteral("请确认...")) == vbNo) {
        g_ExitPending = false;
        event->ignore();
        return;
    }
    m_BatchStop = true;
    forms::unloadAllBut(this);
    if (!isMinimized())
        saveGeometry();
    m_clock->stop();
    formUnloaded(this);
    event->accept();
}

void InstallStatusWriter()
{
    SetStatusWriter([](const QString &text) { frmMain::instance()->setPanelText(2, text); });
}

} // namespace tv
