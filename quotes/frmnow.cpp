#include "quotes/frmnow.h"

#include "app/FormHelpers.h"
#include "app/GridViews.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/TextGrid.h"
#include "app/VbCompat.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "journal/Securities.h"
#include "quotes/AlertMail.h"
#include "quotes/WatchPlacement.h"
#include "quotes/WatchRules.h"
#include "quotes/frmemail.h"
#include "quotes/frmmin.h"
#include "quotes/frmobject.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <QTimer>

namespace tv {

// The watch grid's text cells with the colours of their rows: a text colour per cell, an alert
// background per cell over the grid's own background.
class WatchGridModel : public TextGridModel
{
public:
    using TextGridModel::TextGridModel;

    void show(TextGrid grid)
    {
        m_text.clear();
        m_back.clear();
        setGrid(std::move(grid));
    }
    void setGridBack(const QColor &colour)
    {
        m_gridBack = colour;
        changed();
    }
    void setTextColour(int row, int column, const QColor &colour)
    {
        m_text.insert(key(row, column), colour);
        changed();
    }
    void setBackColour(int row, int column, const QColor &colour)
    {
        m_back.insert(key(row, column), colour);
        changed();
    }
    QColor textColour(int row, int column) const { return m_text.value(key(row, column)); }
    QColor backColour(int row, int column) const { return m_back.value(key(row, column), m_gridBack); }

    QVariant data(const QModelIndex &index, int role) const override
    {
        const int row = index.row() + 1;
        if (role == Qt::ForegroundRole && m_text.contains(key(row, index.column())))
            return m_text.value(key(row, index.column()));
        if (role == Qt::BackgroundRole) {
            const QColor back = backColour(row, index.column());
            return back.isValid() ? QVariant(back) : QVariant();
        }
        return TextGridModel::data(index, role);
    }

private:
    static quint64 key(int row, int column) { return (quint64(quint32(row)) << 32) | quint32(column); }
    void changed()
    {
        if (rowCount() > 0)
            Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }

    QHash<quint64, QColor> m_text;
    QHash<quint64, QColor> m_back;
    QColor m_gridBack; // invalid: the view's own
};

namespace {

const QString kSection = QStringLiteral("frmnow");
const QString kTotalsName = QStringLiteral("资产总额");
constexpr int kPanelTwips = 600;  // the strip above the grid that holds the picture and the panel
constexpr int kButtonTwips = 375; // the panel's picture buttons
constexpr int kButtonStepTwips = 360;
constexpr int kButtonOrder[6] = {0, 4, 1, 3, 5, 2}; // left to right

TextGrid watchLayout()
{
    return TextGrid::fromFormat(QStringLiteral("^证券名称|^最新行情|^涨跌幅"), {1000, 1000, 1300});
}

QPixmap envelopePicture()
{
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(0x30, 0x30, 0x60));
    p.setBrush(QColor(0xFF, 0xFF, 0xF0));
    p.drawRect(2, 5, 16, 10);
    p.drawLine(2, 5, 10, 11);
    p.drawLine(18, 5, 10, 11);
    return pm;
}

QPixmap gripPicture()
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x60, 0x60, 0x60));
    for (int y = 4; y < 22; y += 5)
        for (int x = 4; x < 22; x += 5)
            p.drawEllipse(x, y, 2, 2);
    return pm;
}

QIcon buttonIcon(const QStyle *style, int index)
{
    switch (index) {
    case 0:
        return style->standardIcon(QStyle::SP_ArrowUp);
    case 1:
        return style->standardIcon(QStyle::SP_TitleBarShadeButton);
    case 2:
        return style->standardIcon(QStyle::SP_DialogSaveButton);
    case 3:
        return style->standardIcon(QStyle::SP_TitleBarMinButton);
    case 4:
        return style->standardIcon(QStyle::SP_TitleBarNormalButton);
    default:
        return QIcon(envelopePicture());
    }
}

} // namespace

frmnow::frmnow()
{
    setObjectName(QStringLiteral("frmnow"));
    // No title bar: the window is moved by its picture in the top-left corner, and docked it folds to a
    // strip of a few pixels.
    setWindowFlag(Qt::FramelessWindowHint);
    buildControls();
    m_holdings = std::clamp(g_ListRows, 0, kMaxWatchHoldings);

    // Opening
    placeOnScreen();
    ArmAtWatchOpening();
    display();
    if (frmMain::isLoaded()) {
        m_main = frmMain::existing();
        m_main->installEventFilter(this);
        m_main->hide();
    }
    autoHide = false;
    panelOnHover = false;
    g_TickerDocked = false;
    Picture1->show();
    QList<QStringList> rows;
    for (int i = 1; i <= m_holdings + 1; ++i) {
        openPrice[i] = Val(g_WatchPrice[i]);
        rows << QStringList{g_WatchName[i], g_WatchPrice[i], g_WatchChange[i]};
    }
    showRows(rows);
    MS1->selectRow(m_holdings + 1); // the totals row

    Timer1->start();
    Timer2->start();
}

frmnow::~frmnow()
{
    setScreenPointer(false);
    formUnloaded(this);
}

frmnow *frmnow::Open()
{
    if (!isLoaded() && !WatchListFits(g_ListRows)) {
        MsgBox(WatchLimitText(g_ListRows), 48, QStringLiteral("提示："));
        return nullptr;
    }
    frmnow *w = instance();
    w->show();
    return w;
}

void frmnow::buildControls()
{
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(gripPicture());
    Image1->setGeometry(2, (TwipsToPx(kPanelTwips) - 24) / 2, 24, 24);
    Image1->installEventFilter(this);

    Picture1 = new QFrame(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAutoFillBackground(true);
    QPalette pal = Picture1->palette();
    pal.setColor(QPalette::Window, VbColor(kWatchGridBack));
    Picture1->setPalette(pal);
    const int button = TwipsToPx(kButtonTwips);
    Picture1->setGeometry(32, (TwipsToPx(kPanelTwips) - button - 4) / 2,
                          TwipsToPx(kButtonStepTwips * 5 + kButtonTwips) + 4, button + 4);
    for (int slot = 0; slot < 6; ++slot) {
        const int index = kButtonOrder[slot];
        auto *b = new QPushButton(Picture1);
        b->setObjectName(QStringLiteral("Command1_%1").arg(index));
        b->setIcon(buttonIcon(style(), index));
        b->setFlat(true);
        b->setGeometry(2 + TwipsToPx(kButtonStepTwips * slot), 2, button, button);
        Command1[index] = b;
        connect(b, &QPushButton::clicked, this, [this, index] { Command1_Click(index); });
    }

    m_grid = new WatchGridModel(this);
    MS1 = new QTableView(this);
    MS1->setObjectName(QStringLiteral("MS1"));
    MS1->setToolTip(QStringLiteral("双击可以修改！"));
    MS1->setModel(m_grid);
    MS1->setSelectionBehavior(QAbstractItemView::SelectRows);
    MS1->setSelectionMode(QAbstractItemView::SingleSelection);
    MS1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ShowPickAsFrame(MS1); // a picked row that breaches still shows red or light green
    MS1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MS1->verticalHeader()->hide();
    MS1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    MS1->verticalHeader()->setDefaultSectionSize(20);
    MS1->horizontalHeader()->setFixedHeight(20);
    MS1->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    MS1->viewport()->installEventFilter(this);
    connect(MS1, &QTableView::doubleClicked, this, &frmnow::MS1_DblClick);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &frmnow::Timer1_Timer);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(30000);
    connect(Timer2, &QTimer::timeout, this, &frmnow::Timer2_Timer);
}

// The remembered position; one off every screen would leave the hidden main window out of reach, so
// the window then opens at the corner.
void frmnow::placeOnScreen()
{
    RestorePosition(this, kSection);
    const QRect titleBar(pos(), QSize(100, 30));
    for (const QScreen *s : QGuiApplication::screens()) {
        const QRect seen = s->availableGeometry().intersected(titleBar);
        if (seen.width() >= 20 && seen.height() >= 10)
            return;
    }
    move(0, 0);
}

void frmnow::display()
{
    TextGrid grid = watchLayout();
    for (int r = 0; r < m_holdings + 2; ++r)
        grid.addRow();
    m_grid->show(grid);
    const double rowTwips = PxToTwips(MS1->verticalHeader()->defaultSectionSize());
    const double gridTwips = (m_holdings + 3) * (rowTwips + 10);
    fullHeight = int(std::lround(gridTwips + kPanelTwips));
    MS1->setGeometry(0, TwipsToPx(kPanelTwips), MS1->width(), TwipsToPx(gridTwips));
    resize(width(), TwipsToPx(fullHeight));
    fitToGrid(grid.rows);
}

// The columns fitted to the texts, and the window as wide as its grid; the height stays as it is, so a
// folded window stays folded.
void frmnow::fitToGrid(const GridRows &rows)
{
    const QList<int> widths = watchLayout().widths;
    FitColumns(MS1, widths, rows);
    int width = 2 * MS1->frameWidth();
    for (int c = 0; c < widths.size(); ++c)
        width += MS1->columnWidth(c);
    MS1->resize(width, MS1->height());
    resize(width, height());
}

// Rows 1 to holdings + 1 with their trend colours, and the totals row.
void frmnow::showRows(const QList<QStringList> &rows)
{
    TextGrid grid = watchLayout();
    grid.rows << rows;
    grid.rows << QStringList{kTotalsName, DoubleText(g_MarketValue), DoubleText(g_TotalAssets)};
    const int current = MS1->currentIndex().row(); // the operator's row stays picked across refreshes
    m_grid->show(grid);
    fitToGrid(grid.rows);
    if (current >= 0)
        MS1->selectRow(current);
    for (int r = 1; r <= rows.size(); ++r) {
        const QColor text = VbColor(TrendTextColour(TrendOf(rows[r - 1].value(2))));
        m_grid->setTextColour(r, 1, text);
        m_grid->setTextColour(r, 2, text);
    }
}

void frmnow::Timer2_Timer()
{
    QPointer<frmnow> self(this);
    if (g_Idle) {
        m_grid->setGridBack(VbColor(kWatchGridBack));
        {
            IdleGuard fetch;
            g_WatchCode[1] = kIndexCode;
            QStringList codes;
            for (int i = 0; i <= m_holdings + 1; ++i)
                codes << g_WatchCode[i];
            frmMain::instance()->severy(codes, m_holdings + 1);
        }
        if (!self)
            return;
        showRefresh(RefreshWatch(CurrentWatchRows(m_holdings, openPrice), g_Cash));
        if (g_TickerDocked)
            refreshTicker();
    }
    CarryOutDeferredCloses(); // a save and return pressed while the quotes were awaited
}

void frmnow::showRefresh(const WatchRefresh &refresh)
{
    QList<QStringList> rows;
    for (int k = 0; k < refresh.rows.size(); ++k) {
        const int i = k + 1;
        g_WatchPrice[i] = refresh.rows[k].price;
        g_WatchChange[i] = refresh.rows[k].change;
        m_fetched[i] = refresh.rows[k].fetched;
        rows << QStringList{g_WatchName[i], g_WatchPrice[i], g_WatchChange[i]};
    }
    g_MarketValue = refresh.marketValue;
    g_TotalAssets = refresh.totalAssets;
    showRows(rows);
    for (int k = 0; k < refresh.rows.size(); ++k)
        if (refresh.rows[k].alert)
            raiseAlert(k + 1);
}

void frmnow::raiseAlert(int row)
{
    const QColor back = VbColor(AlertBackColour(TrendOf(g_WatchChange[row])));
    m_grid->setBackColour(row, 2, back);
    m_grid->setBackColour(row, 1, back);
    show();
    resize(width(), TwipsToPx(fullHeight));
    autoHide = false;
    closeTicker();
    if (g_AlertArmed[row]) {
        // A mail that fails is not tried again either: the row waits to be armed anew.
        sendemail(g_WatchName[row], g_WatchPrice[row], g_WatchChange[row]);
        g_AlertArmed[row] = false;
    }
}

void frmnow::closeTicker()
{
    if (frmmin::isLoaded())
        frmmin::existing()->close();
    g_TickerDocked = false;
}

void frmnow::refreshTicker()
{
    if (frmmin::isLoaded())
        frmmin::existing()->writeText();
}

void frmnow::sendemail(const QString &name, const QString &price, const QString &change)
{
    SendAlertMail(g_AlertEmail, AlertMailText(name, price, change));
}

void frmnow::Command1_Click(int index)
{
    switch (index) {
    case 0:
        Command1_0_Click();
        break;
    case 1:
        Command1_1_Click();
        break;
    case 2:
        Command1_2_Click();
        break;
    case 3:
        Command1_3_Click();
        break;
    case 4:
        Command1_4_Click();
        break;
    case 5:
        frmemail::Open();
        break;
    default:
        break;
    }
}

// Save and return: the fetched prices are written at once; the window closes now, or, while a fetch
// runs, when the refresh that owns the fetch has returned.
void frmnow::Command1_2_Click()
{
    QPointer<frmnow> self(this);
    saveWatchedPrices();
    if (!self)
        return;
    if (g_Idle)
        returnToMain();
    else
        CloseWhenIdle(this, [this] { returnToMain(); });
}

void frmnow::saveWatchedPrices()
{
    const QList<PriceWrite> writes = FetchedPriceWrites(CurrentWatchRows(m_holdings, openPrice), m_fetched);
    try {
        StorePrices(g_DbPath, g_DbConnect, writes, Today());
        if (!writes.isEmpty())
            frmMain::PricesWritten();
    } catch (const DbError &e) {
        // Nothing was written; the window returns all the same, so the main window comes back.
        if (!ShowDatabaseTrouble(e))
            MsgBox(e.message(), 16, QStringLiteral("错误"));
    }
}

void frmnow::returnToMain()
{
    m_handBack = true;
    close();
}

void frmnow::handBack()
{
    if (frmMain::isLoaded())
        frmMain::existing()->show();
    Q_EMIT handedBack();
}

void frmnow::closeEvent(QCloseEvent *event)
{
    // Every close from outside (the close box, Alt+F4, the window manager) is save and return, run once
    // this close is over. Only the program's own closes unload: save and return itself, and the main
    // window's unloading, which closes every window.
    if (!m_handBack && !m_mainUnloading) {
        event->ignore();
        QMetaObject::invokeMethod(this, &frmnow::Command1_2_Click, Qt::QueuedConnection);
        return;
    }
    m_closing = true;
    Timer1->stop();
    Timer2->stop();
    closeTicker();
    setScreenPointer(false);
    SetMousePointer(this, 0);
    SavePosition(this, kSection);
    formUnloaded(this);
    event->accept();
    if (m_handBack)
        handBack();
}

// ---- Placement ---------------------------------------------------------------------------------------

// The pointer watch: every 500 ms the pointer and the window are sampled, and the window folds, unfolds,
// refreshes and sets the pointer by them. A hidden window (the ticker is up) has nothing under the
// pointer and waits.
void frmnow::Timer1_Timer()
{
    if (!isVisible()) {
        inDragZone = false;
        setScreenPointer(false);
        return;
    }
    cursorPos = QCursor::pos();
    winRect = frameGeometry();
    const PointerStep step = WatchPointer({cursorPos, winRect, height() == TwipsToPx(fullHeight), autoHide,
                                           panelOnHover, dragging, refreshPending, inDragZone});
    if (step.panel != PointerStep::Panel::Keep)
        Picture1->setVisible(step.panel == PointerStep::Panel::Shown);
    if (step.height == PointerStep::Height::Full)
        resize(width(), TwipsToPx(fullHeight));
    else if (step.height == PointerStep::Height::Collapsed)
        resize(width(), TwipsToPx(kCollapsedTwips));
    inDragZone = step.inDragZone;
    refreshPending = step.refreshPending;
    if (step.pointer != PointerStep::Pointer::Keep)
        setScreenPointer(step.pointer == PointerStep::Pointer::SizeAll);
    // The refresh runs from the event loop once this tick is over: Qt fires no timer again while its own
    // handler waits in the fetch's loop, and the pointer watch must go on folding, unfolding and dragging
    // meanwhile.
    if (step.refreshNow)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_closing)
                    Timer2_Timer();
            },
            Qt::QueuedConnection);
}

void frmnow::Get_Windows_Rect()
{
    resize(width(), TwipsToPx(fullHeight));
    move(x(), 0);
    winRect = frameGeometry();
}

// Dock at the top edge: topmost there, folding away while the pointer is elsewhere.
void frmnow::Command1_0_Click()
{
    Get_Windows_Rect();
    setTopmost(true);
    autoHide = true;
}

// Translucent: see-through and topmost where it stands, the buttons shown only under the pointer.
void frmnow::Command1_1_Click()
{
    panelOnHover = true;
    setWindowOpacity(60.0 / 255.0);
    setTopmost(true);
    Command1[1]->setEnabled(false);
}

// The ticker over the desktop panel stands in for the window.
void frmnow::Command1_3_Click()
{
    hide();
    DockMiniTicker();
    g_TickerDocked = true;
}

// Normal: neither folding nor see-through, out of the topmost band where it stands.
void frmnow::Command1_4_Click()
{
    autoHide = false;
    panelOnHover = false;
    if (!Command1[1]->isEnabled()) {
        Command1[1]->setEnabled(true);
        setWindowOpacity(1.0);
    }
    setTopmost(false);
}

// Staying on top is a flag of the native window, which the change makes anew: the window keeps its place
// and size and is shown again.
void frmnow::setTopmost(bool on)
{
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on)
        return;
    const QPoint at = pos();
    const QSize size = this->size();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    move(at);
    resize(size);
    show();
}

// The program's pointer over all its windows: one override at most, changed as the pointer enters and
// leaves the drag corner rather than stacked tick by tick, and taken away when the window goes.
void frmnow::setScreenPointer(bool sizeAll)
{
    if (sizeAll == m_sizeAllPointer)
        return;
    m_sizeAllPointer = sizeAll;
    if (sizeAll)
        QGuiApplication::setOverrideCursor(QCursor(Qt::SizeAllCursor));
    else
        QGuiApplication::restoreOverrideCursor();
}

// The drag takes the pointer as the watch last sampled it, so the window follows in 500 ms steps.
void frmnow::Image1_MouseDown()
{
    if (!inDragZone)
        return;
    dragging = true;
    grabOffsetX = cursorPos.x() - winRect.left();
    grabOffsetY = cursorPos.y() - winRect.top();
}

void frmnow::Image1_MouseMove()
{
    if (!dragging)
        return;
    placeFrame(QRect(cursorPos - QPoint(grabOffsetX, grabOffsetY), winRect.size()));
    autoHide = false; // a window moved by hand no longer folds away
}

void frmnow::Image1_MouseUp()
{
    dragging = false;
    resize(width(), TwipsToPx(fullHeight));
}

// The window's frame at that place and of that size.
void frmnow::placeFrame(const QRect &frame)
{
    move(frame.topLeft());
    resize(frame.size() - (frameGeometry().size() - size()));
}

// ---- The grid's picks ------------------------------------------------------------------------------

void frmnow::MS1_DblClick()
{
    const int row = MS1->currentIndex().row() + 1;
    if (row < 1 || row >= m_holdings + 2)
        return;
    g_WatchRow = row;
    QPointer<frmnow> self(this);
    SetMousePointer(this, 11);
    frmobject::Edit(this);
    if (self)
        SetMousePointer(this, 0);
}

bool frmnow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Image1) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            Image1_MouseDown();
            return true;
        case QEvent::MouseMove:
            Image1_MouseMove();
            return true;
        case QEvent::MouseButtonRelease:
            Image1_MouseUp();
            return true;
        default:
            return QWidget::eventFilter(watched, event);
        }
    }
    if (watched == m_main && event->type() == QEvent::Close && !m_mainUnloading) {
        // The main window's close, delivered here so that this window knows it is being unloaded with
        // it for as long as that close runs.
        QPointer<frmnow> self(this);
        m_mainUnloading = true;
        QCoreApplication::sendEvent(watched, event);
        if (self)
            m_mainUnloading = false;
        return true;
    }
    if (watched != MS1->viewport() || event->type() != QEvent::MouseButtonPress)
        return QWidget::eventFilter(watched, event);
    const auto *press = static_cast<QMouseEvent *>(event);
    const QModelIndex at = MS1->indexAt(press->position().toPoint());
    const int row = (at.isValid() ? at : MS1->currentIndex()).row() + 1;
    if (row < 1 || row >= m_holdings + 2)
        return false;
    g_WatchRow = row;
    if (press->button() != Qt::RightButton)
        return false;
    // A right press picks the row under the pointer, as a left one would, before the dialog opens.
    if (at.isValid())
        MS1->setCurrentIndex(at);
    frmobject::Edit(this);
    return true;
}

QString frmnow::gridText(int row, int column) const
{
    return m_grid->grid().text(row, column);
}

QColor frmnow::cellTextColour(int row, int column) const
{
    return m_grid->textColour(row, column);
}

QColor frmnow::cellBackColour(int row, int column) const
{
    return m_grid->backColour(row, column);
}

} // namespace tv
