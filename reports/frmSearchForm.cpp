#include "reports/frmSearchForm.h"

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
#include "data/Spreadsheet.h"
#include "quotes/PriceUpdate.h"
#include "quotes/frmnow.h"
#include "reports/AllocationChart.h"
#include "reports/Frmbook.h"
#include "reports/LiveWatch.h"
#include "reports/PeriodReports.h"
#include "reports/ReportFailure.h"
#include "reports/SecuritySummary.h"
#include "reports/SnapshotSave.h"
#include "reports/TabSwitch.h"
#include "reports/TradeList.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QPieSeries>
#include <QPieSlice>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableView>
#include <algorithm>

namespace tv {

namespace {

const QString kAnalysis = QStringLiteral("持仓分析");
const QString kDaily = QStringLiteral("日报表");
const QString kMonthly = QStringLiteral("月报表");
const QString kYearly = QStringLiteral("年报表");
const QString kChartCaption = QStringLiteral("图形");
const QString kGridCaption = QStringLiteral("表格");
const QString kWindowCaption = QStringLiteral("查询记录");

QDateEdit *newPicker(QWidget *parent, const QString &name)
{
    return NewDatePicker(parent, name, kQueryWrongValueTitle);
}

QLabel *newLabel(const QString &text, QWidget *parent, const QString &name)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QPushButton *newButton(const QString &text, QWidget *parent, const QString &name)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

void setToolbarButton(int index, bool enabled)
{
    if (QAction *b = frmMain::instance()->toolbarButton(index))
        b->setEnabled(enabled);
}

// A control at its place in twips, as large as that or as the least its contents need (a pane's layout
// at its tightest, a button's own height), and pushed right only where the control before it ends.
void place(QWidget *w, int left, int top, int width, int height, const QWidget *after = nullptr)
{
    const QSize need = w->layout()                  ? w->layout()->totalMinimumSize()
                       : w->minimumSize().isEmpty() ? w->minimumSizeHint()
                                                    : w->minimumSize();
    const int x = std::max(TwipsToPx(left), after ? after->geometry().right() + 4 : 0);
    w->setGeometry(x, TwipsToPx(top), std::max(TwipsToPx(width), need.width()),
                   std::max(TwipsToPx(height), need.height()));
}

// A panel's button as narrow as its caption allows, at its natural height: the style's least width of a
// button is wider than the panel has room for four.
void fitToCaption(QPushButton *b)
{
    b->setMinimumSize(b->fontMetrics().horizontalAdvance(b->text()) + 16, b->sizeHint().height());
}

// Tight margins, so the panels keep their places in the window.
template <class L> L *tight(L *layout)
{
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);
    return layout;
}

} // namespace

frmSearchForm::frmSearchForm()
{
    setObjectName(QStringLiteral("frmSearchForm"));
    setWindowTitle(kWindowCaption);
    buildControls();

    // Opening
    DTPicker3->setDate(Today());
    DTPicker2->setDate(Today().addDays(-7));
    for (int b : {5, 6, 7, 10})
        setToolbarButton(b, false);
    curTab = 1;
    {
        const QSignalBlocker quiet(TabStrip1);
        TabStrip1->setCurrentIndex(0);
    }
    showFrame(2);
    DTPicker4->setDate(Today());
    fillReportKinds();
    Frame2->hide();
    my1->hide();
    Command1_Click();
}

frmSearchForm::~frmSearchForm()
{
    formUnloaded(this);
}

void frmSearchForm::buildControls()
{
    TabStrip1 = new QTabBar(this);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    for (const char *tab : {"分类统计", "按时间", "分类查询"})
        TabStrip1->addTab(QString::fromUtf8(tab));
    TabStrip1->setGeometry(0, 0, TwipsToPx(6495), TabStrip1->sizeHint().height());

    for (int i = 0; i < 3; ++i) {
        Frame1[i] = new QFrame(this);
        Frame1[i]->setObjectName(QStringLiteral("Frame1_%1").arg(i));
        Frame1[i]->setFrameShape(QFrame::StyledPanel);
    }

    // Tab 1: the report kind and its date.
    Combo2 = new QComboBox(Frame1[2]);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    DTPicker4 = newPicker(Frame1[2], QStringLiteral("DTPicker4"));
    auto *reports = new QHBoxLayout(Frame1[2]);
    reports->addWidget(newLabel(QStringLiteral("分类统计按"), Frame1[2], QStringLiteral("Label2")));
    reports->addWidget(Combo2);
    reports->addWidget(newLabel(QStringLiteral("显示"), Frame1[2], QStringLiteral("Label3")));
    reports->addWidget(DTPicker4);
    reports->addStretch();

    // Tab 2: the date range.
    DTPicker2 = newPicker(Frame1[0], QStringLiteral("DTPicker2"));
    DTPicker3 = newPicker(Frame1[0], QStringLiteral("DTPicker3"));
    auto *range = new QHBoxLayout(Frame1[0]);
    range->addWidget(newLabel(QStringLiteral("起止时间："), Frame1[0], QStringLiteral("label1")));
    range->addWidget(DTPicker2);
    range->addWidget(newLabel(QStringLiteral("－"), Frame1[0], QStringLiteral("Label4")));
    range->addWidget(DTPicker3);
    range->addStretch();

    // Tab 3: field, operator and value; the three value widgets share one place.
    Combo4 = new QComboBox(Frame1[1]);
    Combo4->setObjectName(QStringLiteral("Combo4"));
    Combo5 = new QComboBox(Frame1[1]);
    Combo5->setObjectName(QStringLiteral("Combo5"));
    Combo1 = new QComboBox(Frame1[1]);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    DTPicker1 = newPicker(Frame1[1], QStringLiteral("DTPicker1"));
    DTPicker1->hide();
    Text1 = new QLineEdit(Frame1[1]);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->hide();
    auto *condition = new QGridLayout(Frame1[1]);
    condition->addWidget(newLabel(QStringLiteral("分类 "), Frame1[1], QStringLiteral("Label6")), 0, 0);
    condition->addWidget(newLabel(QStringLiteral("操作符号"), Frame1[1], QStringLiteral("Label7")), 0, 1);
    condition->addWidget(newLabel(QStringLiteral("条件"), Frame1[1], QStringLiteral("Label5")), 0, 2);
    condition->addWidget(Combo4, 1, 0);
    condition->addWidget(Combo5, 1, 1);
    condition->addWidget(Combo1, 1, 2);
    condition->addWidget(DTPicker1, 1, 2);
    condition->addWidget(Text1, 1, 2);
    condition->setColumnMinimumWidth(2, TwipsToPx(2055));
    QSize pane;
    for (QFrame *f : Frame1) {
        place(f, 120, 360, 6120, 1000);
        pane = pane.expandedTo(f->size());
    }
    for (QFrame *f : Frame1)
        f->resize(pane);

    Command1 = newButton(QStringLiteral("确定"), this, QStringLiteral("Command1"));
    Command2 = newButton(QStringLiteral("关闭"), this, QStringLiteral("Command2"));
    for (QPushButton *b : {Command1, Command2})
        fitToCaption(b);
    place(Command1, 6480, 360, 855, 375, Frame1[1]);
    place(Command2, 6480, 960, 855, 375, Frame1[1]);

    // The result panel and the holdings panel.
    Frame2 = new QFrame(this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setFrameShape(QFrame::StyledPanel);
    Text2 = new QLineEdit(Frame2);
    Text2->setObjectName(QStringLiteral("Text2"));
    Command7 = newButton(QStringLiteral("图形"), Frame2, QStringLiteral("Command7"));
    Command6 = newButton(QStringLiteral("实时监控"), Frame2, QStringLiteral("Command6"));
    Command8 = newButton(QStringLiteral("汇总"), Frame2, QStringLiteral("Command8"));
    Command4 = newButton(QStringLiteral("导出"), Frame2, QStringLiteral("Command4"));
    Check1 = new QCheckBox(QStringLiteral("在结果中查询 "), Frame2);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->hide();
    auto *result = tight(new QGridLayout(Frame2));
    result->addWidget(newLabel(QStringLiteral("符合条件的记录总数"), Frame2, QStringLiteral("Label8")), 0, 0,
                      1, 2);
    result->addWidget(Text2, 0, 2, 1, 2);
    result->addWidget(Check1, 1, 0, 1, 4);
    result->addWidget(Command7, 2, 0);
    result->addWidget(Command6, 2, 1);
    result->addWidget(Command8, 2, 2);
    result->addWidget(Command4, 2, 3);

    Frame3 = new QFrame(this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Frame3->setFrameShape(QFrame::StyledPanel);
    Text3 = new QLineEdit(Frame3);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text3->setReadOnly(true);
    Command5 = newButton(QStringLiteral("更新"), Frame3, QStringLiteral("Command5"));
    Command3 = newButton(QStringLiteral("保存"), Frame3, QStringLiteral("Command3"));
    auto *holdings = tight(new QGridLayout(Frame3));
    holdings->addWidget(newLabel(QStringLiteral("资产总值"), Frame3, QStringLiteral("Label9")), 0, 0);
    holdings->addWidget(Text3, 0, 1);
    holdings->addWidget(Command5, 1, 0);
    holdings->addWidget(Command3, 1, 1);
    for (QPushButton *b : {Command7, Command6, Command8, Command4, Command5, Command3})
        fitToCaption(b);
    SetUpFigureBox(Text3);
    SetUpFigureBox(Text2, kWidestCount);
    Frame3->hide();
    // The result panel grows when "在结果中查询 " shows, and the grid moves down with it.
    Frame2->installEventFilter(this);
    Frame3->installEventFilter(this);

    m_grid = new TextGridModel(this);
    my1 = new QTableView(this);
    my1->setObjectName(QStringLiteral("my1"));
    my1->setModel(m_grid);
    my1->setSelectionBehavior(QAbstractItemView::SelectItems);
    my1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    my1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    my1->verticalHeader()->hide();
    my1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    my1->verticalHeader()->setDefaultSectionSize(20);
    MSChart1 = new QChartView(this);
    MSChart1->setObjectName(QStringLiteral("MSChart1"));
    MSChart1->setRenderHint(QPainter::Antialiasing);
    MSChart1->hide();

    connect(Command1, &QPushButton::clicked, this, &frmSearchForm::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmSearchForm::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmSearchForm::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmSearchForm::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &frmSearchForm::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &frmSearchForm::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &frmSearchForm::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &frmSearchForm::Command8_Click);
    SwitchOnEveryClick(TabStrip1, [this] { TabStrip1_Click(); });
    connect(Combo4, &QComboBox::activated, this, &frmSearchForm::Combo4_Click);
    connect(Combo1->lineEdit(), &QLineEdit::textEdited, this, &frmSearchForm::Combo1_Change);

    layoutPanels();
    resize(std::max(TwipsToPx(15135), Frame3->geometry().right() + 8), my1->y() + TwipsToPx(7335));
}

void frmSearchForm::layoutPanels()
{
    place(Frame2, 7560, 240, 3855, 1215, Command1);
    place(Frame3, 11880, 240, 2415, 1215, Frame2);
    const int top =
        std::max({TwipsToPx(1560), Frame2->geometry().bottom() + 4, Frame3->geometry().bottom() + 4,
                  Frame1[0]->geometry().bottom() + 4, Command2->geometry().bottom() + 4});
    my1->setGeometry(0, top, width(), std::max(0, height() - top));
    MSChart1->setGeometry(my1->geometry());
}

bool frmSearchForm::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == Frame2 || watched == Frame3) && event->type() == QEvent::LayoutRequest)
        layoutPanels();
    return QWidget::eventFilter(watched, event);
}

QSize frmSearchForm::sizeHint() const
{
    return {TwipsToPx(15135), TwipsToPx(8895)};
}

void frmSearchForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutPanels();
}

void frmSearchForm::fillReportKinds()
{
    Combo2->clear();
    Combo2->addItems({kAnalysis, kDaily, kMonthly, kYearly});
    Combo2->setCurrentIndex(0);
}

void frmSearchForm::showFrame(int index)
{
    for (int i = 0; i < 3; ++i)
        Frame1[i]->setVisible(i == index);
}

// ---- Tabs and the condition's field ------------------------------------------------------------

void frmSearchForm::TabStrip1_Click()
{
    if (!g_Idle) {
        // Refused: the strip goes back to the pane that is shown.
        const QSignalBlocker quiet(TabStrip1);
        TabStrip1->setCurrentIndex(curTab - 1);
        return;
    }
    Check1->setChecked(false);
    Check1->hide();
    curTab = TabStrip1->currentIndex() + 1;
    Frame2->hide();
    Frame3->hide();
    my1->hide();
    MSChart1->hide();
    Combo4->clear();
    Combo5->clear();
    shownCondition = {};
    switch (curTab) {
    case 1:
        DTPicker4->setDate(Today());
        fillReportKinds();
        showFrame(2);
        break;
    case 2:
        showFrame(0);
        break;
    case 3:
        Combo5->addItems({QStringLiteral("="), QStringLiteral("<"), QStringLiteral(">"), QStringLiteral("<>"),
                          QStringLiteral("Like")});
        Combo5->setCurrentIndex(0);
        Combo4->addItems({kPriceColumn, kNameColumn, kCodeColumn, kDateColumn});
        Combo4->setCurrentIndex(0);
        Combo4_Click();
        showFrame(1);
        break;
    default:
        break;
    }
}

void frmSearchForm::Combo4_Click()
{
    const QString field = Combo4->currentText();
    const bool date = field == kDateColumn;
    DTPicker1->setVisible(date);
    Combo1->setVisible(!date);
    if (date)
        DTPicker1->setDate(Today());
    if (field == kPriceColumn) {
        Combo5->setCurrentIndex(1);
        Combo1->clear();
        Combo1->addItems({QStringLiteral("买入点"), QStringLiteral("止损位"), QStringLiteral("目标价")});
        Combo1->setCurrentIndex(0);
        Text1->clear();
        Check1->hide();
        Check1->setChecked(false);
        shownCondition = {};
    } else {
        Combo5->setCurrentIndex(0);
    }
    if (field == kCodeColumn || field == kNameColumn) {
        Combo1->clear();
        try {
            Database db(g_DbPath, g_DbConnect);
            Combo1->addItems(DetailColumn(db, field));
        } catch (const DbError &e) {
            ShowFailure(e);
        }
        if (Combo1->count() > 0)
            Combo1->setCurrentIndex(0);
    }
}

void frmSearchForm::Combo1_Change()
{
    Text1->setText(Combo1->currentText());
}

// ---- The dispatcher ----------------------------------------------------------------------------

void frmSearchForm::Command1_Click()
{
    if (!g_Idle)
        return;
    Command6->hide();
    Command7->hide();
    MSChart1->hide();
    Command8->hide();
    Command7->setText(kChartCaption);
    Command8->setText(QStringLiteral("汇总"));
    my1->hide();
    try {
        Frame3->hide();
        switch (curTab) {
        case 1: {
            const QString kind = Combo2->currentText();
            if (kind == kDaily || kind == kMonthly || kind == kYearly)
                runPeriodReport(kind);
            else if (kind == kAnalysis)
                runAnalysis();
            break;
        }
        case 2:
            runDateRange();
            break;
        case 3:
            runCondition();
            break;
        default:
            break;
        }
    } catch (const UncomparableValue &) {
        MsgBox(kWrongValueText, 16, kQueryWrongValueTitle);
    } catch (const std::exception &e) {
        ShowFailure(e);
    }
}

void frmSearchForm::runPeriodReport(const QString &kind)
{
    if (kind == kDaily)
        display1();
    else
        display2();
    QueryDisplay d;
    {
        Database db(g_DbPath, g_DbConnect);
        const QDate date = DTPicker4->date();
        d = kind == kDaily     ? DailyReport(db, date)
            : kind == kMonthly ? MonthlyReport(db, date)
                               : YearlyReport(db, date);
    }
    shownCondition = {};
    showDisplay(d);
}

void frmSearchForm::runAnalysis()
{
    HoldingsAnalysis a;
    {
        Database db(g_DbPath, g_DbConnect);
        a = AnalyseHoldings(db, DTPicker4->date());
    }
    Command6->show();
    Command7->show();
    Frame3->show();
    Text3->setText(a.totalText);
    PublishAnalysis(a);
    analysis = a;
    shownCondition = {};
    showDisplay(a.display);
}

void frmSearchForm::runDateRange()
{
    display1();
    search(DateRangeCondition(DTPicker2->date(), DTPicker3->date()));
    shownCondition = {};
    Command8->show();
}

void frmSearchForm::runCondition()
{
    // A typed value that cannot be stored could not be looked for as it was typed.
    if (!Combo1->isHidden() && !StorableText(Combo1->currentText()))
        throw UncomparableValue();
    if (Combo4->currentText() == kPriceColumn)
        runPriceAlert();
    else
        runTradeCondition();
}

void frmSearchForm::runPriceAlert()
{
    Check1->hide();
    Check1->setChecked(false);
    shownCondition = {};
    const std::optional<QueryTerm> term = ThresholdTerm(Combo5->currentText(), Combo1->currentText());
    if (!term)
        throw UncomparableValue();
    QueryDisplay d;
    {
        Database db(g_DbPath, g_DbConnect);
        d = PriceAlertList(db, *term);
    }
    layGrid(d.grid);
    showDisplay(d);
}

void frmSearchForm::runTradeCondition()
{
    display1();
    const QString op = Combo5->currentText();
    const bool joined = Check1->isChecked();
    QueryTerm term;
    if (!DTPicker1->isHidden()) {
        Text1->setText(FormatDate(DTPicker1->date()));
        term = SettlementDateTerm(op, DTPicker1->date(), joined);
    } else if (Combo4->currentText() == kNameColumn) {
        std::optional<QString> code;
        {
            Database db(g_DbPath, g_DbConnect);
            code = CodeOfName(db, Combo1->currentText());
        }
        if (!code) {
            MsgBox(QStringLiteral("没有该股票的信息!"), 0, QString());
            return;
        }
        Text1->setText(*code);
        term = TextTerm(kCodeColumn, op, *code);
    } else {
        Text1->setText(Combo1->currentText());
        term = TextTerm(Combo4->currentText(), op, Text1->text());
    }
    const QueryCondition condition = joined ? shownCondition.joinedInFront(term) : QueryCondition{term};
    search(condition);
    shownCondition = condition;
    Check1->show();
    Check1->setChecked(false);
}

// ---- Follow-up commands ------------------------------------------------------------------------

void frmSearchForm::Command8_Click()
{
    my1->hide();
    try {
        QueryDisplay d;
        {
            Database db(g_DbPath, g_DbConnect);
            d = SecuritySummary(db, DTPicker2->date(), DTPicker3->date());
        }
        showDisplay(d);
    } catch (const std::exception &e) {
        ShowFailure(e);
    }
}

void frmSearchForm::Command3_Click()
{
    // The figures are the analysis's (or the live watch's since), so the day is the analysis's too.
    const Snapshot s{g_Cash, g_MarketValue, Val(Text3->text()),
                     analysis.date.isValid() ? analysis.date : DTPicker4->date(), g_CurUser};
    try {
        Database db(g_DbPath, g_DbConnect);
        SaveSnapshot(db, s);
    } catch (const std::exception &e) {
        ShowFailure(e);
        return;
    }
    reloadNotebook();
}

// The notebook lists a saved snapshot at once; a notebook not loaded is loaded and shown first (its
// opening lists the default range, then the call lists again).
void frmSearchForm::reloadNotebook()
{
    QPointer<Frmbook> book = Frmbook::isLoaded() ? Frmbook::existing() : Frmbook::open();
    if (book)
        book->qixload();
}

void frmSearchForm::Command5_Click()
{
    QPointer<frmSearchForm> self(this);
    setWindowTitle(QStringLiteral("[股价更新]"));
    const QList<QStringList> lists = PriceUpdateLists(m_grid->grid(), g_ListRows);
    // Done only when every list was fetched and saved; a list that could not be saved has said why, and
    // the next would only wait on the same file again.
    bool updated = false;
    {
        IdleGuard fetch;
        updated = fetch.owns() && std::all_of(lists.begin(), lists.end(), [](const QStringList &codes) {
                      return frmMain::instance()->every(codes, int(codes.size()) - 1);
                  });
    }
    if (self) {
        setWindowTitle(QStringLiteral("[查询记录]"));
        Command1_Click();
    }
    SetStatusText(updated ? kUpdateDoneText : kNotUpdatedText);
    frmMain::UnloadIfExitPending();
}

void frmSearchForm::Command6_Click()
{
    PublishWatchList(m_grid->grid(), g_ListRows);
    // The watch window writes nothing of this window: its total comes back through its signal.
    if (frmnow *watch = frmnow::Open())
        connect(watch, &frmnow::handedBack, this, &frmSearchForm::showWatchTotal, Qt::UniqueConnection);
}

void frmSearchForm::showWatchTotal()
{
    Text3->setText(DoubleText(g_TotalAssets));
}

void frmSearchForm::Command7_Click()
{
    try {
        const bool toChart = Command7->text() == kChartCaption;
        Command7->setText(toChart ? kGridCaption : kChartCaption);
        my1->setVisible(!toChart);
        MSChart1->setVisible(toChart);
        fillChart();
    } catch (const std::exception &e) {
        ShowFailure(e);
    }
}

namespace {

// A label only where it stands clear of the others at the pie's present size; the legend names the rest.
void showClearLabels(QChart *chart, QPieSeries *series)
{
    const QRectF area = chart->plotArea();
    const double radius = series->pieSize() * std::min(area.width(), area.height()) / 2;
    const QList<QPieSlice *> slices = series->slices();
    QList<double> values;
    QList<QSizeF> sizes;
    for (const QPieSlice *s : slices) {
        values << s->value();
        // A few pixels more, so that two labels never touch either.
        sizes << QFontMetricsF(s->labelFont()).boundingRect(s->label()).size() + QSizeF(6, 4);
    }
    const QList<bool> shown = LabelledSlices(values, radius, sizes);
    for (int i = 0; i < slices.size(); ++i)
        slices[i]->setLabelVisible(shown[i]);
}

} // namespace

void frmSearchForm::fillChart()
{
    const QList<PieSlice> slices = AllocationSlices(m_grid->grid(), gridRow);
    auto *series = new QPieSeries;
    series->setName(QStringLiteral("资金配比"));
    QFont labelFont = font();
    labelFont.setPointSize(12);
    for (const PieSlice &s : slices) {
        QPieSlice *slice = series->append(s.percent, s.value);
        slice->setLabelPosition(QPieSlice::LabelOutside);
        slice->setLabelFont(labelFont);
        slice->setLabelArmLengthFactor(kLabelArmFactor);
    }
    QChart *chart = MSChart1->chart();
    chart->removeAllSeries();
    chart->addSeries(series);
    chart->setTitle(series->name());
    // The theme's shades of one colour cannot be told apart in the legend.
    const QList<QColor> colours = SliceColours(int(slices.size()));
    for (int i = 0; i < slices.size(); ++i)
        series->slices()[i]->setColor(colours[i]);
    // One entry a line beside the pie: across the top the names and shares were cut short.
    chart->legend()->setAlignment(Qt::AlignRight);
    const QList<QLegendMarker *> markers = chart->legend()->markers(series);
    for (int i = 0; i < markers.size() && i < slices.size(); ++i)
        markers[i]->setLabel(LegendText(slices[i]));
    showClearLabels(chart, series);
    connect(chart, &QChart::plotAreaChanged, series, [chart, series] { showClearLabels(chart, series); });
}

void frmSearchForm::Command4_Click()
{
    // The header and the data rows as they stand now: what runs while the export lets events through
    // changes neither the copy nor, with the button off, starts a second export. The copy shares the
    // grid's packed rows rather than making a string of every cell.
    const GridRows rows = m_grid->grid().rows;
    Command4->setEnabled(false);
    QPointer<frmSearchForm> self(this);
    const bool ok = ExportToSpreadsheet(
        rows, NewExportPath(QStringLiteral("tallyvane-query")),
        [&](int written) {
            if (self)
                self->setWindowTitle(QStringLiteral("添加") + QString::number(written - 1) +
                                     QStringLiteral("记录"));
        },
        ExportEvents::RunAfterEachRow, 0, gridRow);
    if (!self)
        return;
    if (!ok)
        setWindowTitle(QStringLiteral("[查询记录]"));
    Command4->setEnabled(true);
}

// ---- The grid ----------------------------------------------------------------------------------

void frmSearchForm::layGrid(const TextGrid &layout)
{
    my1->hide();
    TextGrid header;
    header.alignments = layout.alignments;
    header.widths = layout.widths;
    header.rows = {layout.rows.value(0)};
    m_grid->setGrid(std::move(header));
    gridRow = 1;
    setColumnWidths(layout);
}

void frmSearchForm::setColumnWidths(const TextGrid &layout)
{
    FitColumns(my1, layout.widths, layout.rows);
}

void frmSearchForm::display1()
{
    layGrid(TradeListLayout());
}

void frmSearchForm::display2()
{
    layGrid(PeriodLayout());
}

void frmSearchForm::search(const QueryCondition &condition)
{
    QueryDisplay d;
    {
        Database db(g_DbPath, g_DbConnect);
        d = TradeList(db, condition);
    }
    showDisplay(d);
}

void frmSearchForm::showDisplay(const QueryDisplay &d)
{
    m_grid->setGrid(d.grid);
    setColumnWidths(d.grid);
    gridRow = d.gridRow;
    Text2->setText(d.count);
    PublishQueryState(d);
    HighlightRow(my1, 1, d.grid.columnCount() - 1);
    Frame2->show();
    my1->show();
}

QString frmSearchForm::gridText(int row, int column) const
{
    return m_grid->grid().text(row, column);
}

int frmSearchForm::gridRowCount() const
{
    return m_grid->grid().rowCount();
}

// ---- Closing -----------------------------------------------------------------------------------

void frmSearchForm::Command2_Click()
{
    SetStatusText(kIdleText);
    g_ListRows = 0;
    g_LastWhere.clear();
    g_RepWhere.clear();
    close();
}

void frmSearchForm::closeEvent(QCloseEvent *event)
{
    setToolbarButton(10, true);
    if (!g_Idle) {
        CloseWhenIdle(this);
        event->ignore();
        return;
    }
    formUnloaded(this);
    event->accept();
}

} // namespace tv
