#include "reports/Frmbook.h"

#include "app/BoxHelpers.h"
#include "app/FormHelpers.h"
#include "app/GridViews.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "data/GridExport.h"
#include "data/Spreadsheet.h"
#include "reports/DayTrades.h"
#include "reports/NotebookChart.h"
#include "reports/ReportFailure.h"
#include "reports/SnapshotBook.h"
#include "reports/TabSwitch.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QDateEdit>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace tv {

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
const QStringList kBoxLabels = {QStringLiteral("资金余额："), QStringLiteral("证券市值："),
                                QStringLiteral("资产总值："), QStringLiteral("上证指数："),
                                QStringLiteral("涨跌幅："),   QStringLiteral("备注：")};
const QStringList kSeriesNames = {QStringLiteral("资金余额"), QStringLiteral("证券市值"),
                                  QStringLiteral("资产总额"), QStringLiteral("上证指数")};

QPushButton *newButton(const QString &text, QWidget *parent, const QString &name)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

QDateEdit *newDatePicker(QWidget *parent, const QString &name)
{
    return NewDatePicker(parent, name, kQueryWrongValueTitle);
}

// One box of an area: a line, or a few lines for the note.
QWidget *newBox(QWidget *parent, const QString &name, bool multiLine)
{
    QWidget *box;
    if (multiLine) {
        auto *t = new QPlainTextEdit(parent);
        t->setTabChangesFocus(true);
        t->setFixedHeight(t->fontMetrics().lineSpacing() * 3 + 12);
        box = t;
    } else {
        auto *l = new QLineEdit(parent);
        EnterMovesFocus(l);
        box = l;
    }
    box->setObjectName(name);
    return box;
}

// A box with its label to its left: level with a one-line box, at the top of the note, whatever else
// stands in the row.
void addLabelled(QGridLayout *grid, const QString &caption, QWidget *box, int row, int column)
{
    auto *label = new QLabel(caption, box->parentWidget());
    label->setBuddy(box);
    const bool note = qobject_cast<QPlainTextEdit *>(box);
    grid->addWidget(label, row, column, Qt::AlignRight | (note ? Qt::AlignTop : Qt::AlignVCenter));
    grid->addWidget(box, row, column + 1, note ? Qt::Alignment() : Qt::AlignVCenter);
}

// The labelled boxes of an area, one under the other.
template <size_t N>
void layBoxes(QGridLayout *grid, const std::array<QWidget *, N> &boxes, const QStringList &labels)
{
    for (size_t i = 0; i < N; ++i)
        addLabelled(grid, labels[int(i)], boxes[i], int(i), 0);
}

QTableView *newGrid(QWidget *parent, const QString &name, TextGridModel *model)
{
    auto *v = new QTableView(parent);
    v->setObjectName(name);
    v->setModel(model);
    v->setSelectionBehavior(QAbstractItemView::SelectItems);
    v->setSelectionMode(QAbstractItemView::ContiguousSelection);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->verticalHeader()->hide();
    v->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    v->verticalHeader()->setDefaultSectionSize(20);
    return v;
}

// A valid date of a text, for the pickers: anything else leaves the picker as it is.
void setPickerFromText(QDateEdit *picker, const QString &text)
{
    const QDate date = QDate::fromString(Trim(text), kDateFormat);
    if (date.isValid())
        picker->setDate(date);
}

} // namespace

Frmbook::Frmbook()
{
    setObjectName(QStringLiteral("Frmbook"));
    setWindowTitle(QStringLiteral("记事簿"));
    buildControls();

    // Opening
    const QDate today = Today();
    DTPicker2->setDate(today);
    DTPicker3->setDate(today);
    DTPicker4->setDate(today);
    DTPicker1->setDate(today.addDays(-30));
    showPage(Frame1);
    qixload();
    ChartWindow = kChartStartWindow;
    setEditing(false);
}

Frmbook::~Frmbook()
{
    formUnloaded(this);
}

Frmbook *Frmbook::open()
{
    // Loading lists the snapshots, whose failure message lets other events run.
    QPointer<Frmbook> book = instance();
    if (book)
        frmMain::instance()->showChild(book);
    return book;
}

QSize Frmbook::sizeHint() const
{
    return {TwipsToPx(16200), TwipsToPx(8400)};
}

void Frmbook::buildControls()
{
    TabStrip1 = new QTabBar(this);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    const struct
    {
        const char *caption, *key, *tip;
    } tabs[] = {{"记事簿", "book", "记录每天的资金配比"},
                {"统计分析", "count", "图表显示资金情况"},
                {"该日交易", "askday", "查询当日的交易情况"}};
    for (const auto &t : tabs) {
        const int i = TabStrip1->addTab(QString::fromUtf8(t.caption));
        TabStrip1->setTabData(i, QString::fromUtf8(t.key));
        TabStrip1->setTabToolTip(i, QString::fromUtf8(t.tip));
    }
    TabStrip1->setExpanding(false);

    m_book = new TextGridModel(this);
    m_day = new TextGridModel(this);
    Frame1 = buildListPage();
    Frame5 = buildChartPage();
    Frame6 = buildDayPage();

    auto *pages = new QGridLayout;
    for (QFrame *page : {Frame1, Frame5, Frame6})
        pages->addWidget(page, 0, 0);
    auto *main = new QVBoxLayout(this);
    main->addWidget(TabStrip1);
    main->addLayout(pages, 1);

    // Every click on a tab switches, also on the tab already selected, so "记事簿" brings the list back
    // after a page was opened without changing the tab.
    SwitchOnEveryClick(TabStrip1, [this] { TabStrip1_Click(); });
    resize(sizeHint());
}

QFrame *Frmbook::buildListPage()
{
    auto *page = new QFrame(this);
    page->setObjectName(QStringLiteral("Frame1"));

    DTPicker1 = newDatePicker(page, QStringLiteral("DTPicker1"));
    DTPicker2 = newDatePicker(page, QStringLiteral("DTPicker2"));
    Command7 = newButton(QStringLiteral("确定"), page, QStringLiteral("Command7"));
    Text3 = new QLineEdit(page);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text3->setReadOnly(true);
    Text3->setMaximumWidth(TwipsToPx(900));
    SetUpFigureBox(Text3, kWidestCount);
    auto *range = new QHBoxLayout;
    range->addWidget(new QLabel(QStringLiteral("起止时间："), page));
    range->addWidget(DTPicker1);
    range->addWidget(new QLabel(QStringLiteral("－"), page));
    range->addWidget(DTPicker2);
    range->addWidget(Command7);
    range->addWidget(Text3);
    range->addStretch();

    my1 = newGrid(page, QStringLiteral("my1"), m_book);
    my1->setToolTip(QStringLiteral("双击显示菜单!"));
    my1->setMinimumWidth(TwipsToPx(7900));

    Frame2 = new QFrame(page);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setFrameShape(QFrame::StyledPanel);
    for (int i = 0; i < 6; ++i)
        Text1[i] = newBox(Frame2, QStringLiteral("Text1_%1").arg(i), i == 5);
    DTPicker3 = newDatePicker(Frame2, QStringLiteral("DTPicker3"));
    auto *edit = new QGridLayout(Frame2);
    layBoxes(edit, Text1, kBoxLabels);
    edit->addWidget(new QLabel(QStringLiteral("日期："), Frame2), 6, 0, Qt::AlignRight);
    edit->addWidget(DTPicker3, 6, 1);
    edit->setRowStretch(7, 1);

    Frame3 = new QFrame(page);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Frame3->setFrameShape(QFrame::StyledPanel);
    for (int i = 0; i < 6; ++i) {
        Text2[i] = newBox(Frame3, QStringLiteral("Text2_%1").arg(i), i == 5);
        Text2[i]->installEventFilter(this);
    }
    auto *insert = new QGridLayout(Frame3);
    layBoxes(insert, Text2, kBoxLabels);
    insert->setRowStretch(6, 1);

    Command3 = newButton(QStringLiteral("删除"), page, QStringLiteral("Command3"));
    Command2 = newButton(QStringLiteral("取消"), page, QStringLiteral("Command2"));
    Command1 = newButton(QStringLiteral("修改"), page, QStringLiteral("Command1"));
    Command6 = newButton(QStringLiteral("导出数据"), page, QStringLiteral("Command6"));
    Command4 = newButton(QStringLiteral("确定"), page, QStringLiteral("Command4"));
    Command5 = newButton(QStringLiteral("取消"), page, QStringLiteral("Command5"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton *b : {Command3, Command2, Command1, Command6, Command4, Command5})
        buttons->addWidget(b);

    auto *grid = new QGridLayout(page);
    grid->addLayout(range, 0, 0);
    grid->addWidget(my1, 1, 0, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("内容："), page), 0, 1);
    grid->addWidget(Frame2, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("我要留言："), page), 0, 2);
    grid->addWidget(Frame3, 1, 2);
    grid->addLayout(buttons, 3, 0, 1, 3);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(2, 1);

    connect(Command7, &QPushButton::clicked, this, &Frmbook::Command7_Click);
    connect(Command1, &QPushButton::clicked, this, &Frmbook::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Frmbook::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Frmbook::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Frmbook::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Frmbook::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Frmbook::Command6_Click);
    connect(my1, &QTableView::clicked, this, [this] { my1_Click(); });
    connect(my1, &QTableView::doubleClicked, this, [this] { my1_DblClick(); });
    // A key that moves through the list selects as a click does.
    PickWithKeysAndOtherButtons(my1, [this] { my1_Click(); });
    // Installed last, so it sees the right button first: the view would select on its press.
    my1->viewport()->installEventFilter(this);
    for (QWidget *box : Text1) {
        if (auto *l = qobject_cast<QLineEdit *>(box))
            connect(l, &QLineEdit::textChanged, this, &Frmbook::Text1_Change);
        else
            connect(static_cast<QPlainTextEdit *>(box), &QPlainTextEdit::textChanged, this,
                    &Frmbook::Text1_Change);
    }
    Text1_Change();
    return page;
}

QFrame *Frmbook::buildChartPage()
{
    auto *page = new QFrame(this);
    page->setObjectName(QStringLiteral("Frame5"));
    MSChart1 = new QChartView(page);
    MSChart1->setObjectName(QStringLiteral("MSChart1"));
    MSChart1->setRenderHint(QPainter::Antialiasing);
    MSChart1->setMinimumHeight(TwipsToPx(4000));
    HScroll1 = new QScrollBar(Qt::Horizontal, page);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    HScroll1->setRange(1, 1);
    HScroll1->setSingleStep(1);
    HScroll1->setPageStep(1);
    HScroll1->setFocusPolicy(Qt::StrongFocus);
    HScroll1->installEventFilter(this);
    HScroll1->hide();
    buildChart();

    auto *details = new QGridLayout;
    QStringList captions = kBoxLabels;
    captions.prepend(QStringLiteral("日期："));
    for (int i = 0; i < 7; ++i) {
        Text5[i] = newBox(page, QStringLiteral("Text5_%1").arg(i), i == 6);
        addLabelled(details, captions[i], Text5[i], i / 4, (i % 4) * 2);
    }

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(MSChart1, 1);
    layout->addWidget(HScroll1);
    layout->addLayout(details);
    connect(HScroll1, &QScrollBar::valueChanged, this, &Frmbook::HScroll1_Change);
    return page;
}

// The series live as long as the window and a draw refills them: 30,000 bars made anew for every draw
// of a long chart cost more than drawing them.
void Frmbook::buildChart()
{
    m_bars = new QBarSeries(this);
    for (int j = 0; j < 3; ++j) {
        m_sets[j] = new QBarSet(kSeriesNames[j]);
        connect(m_sets[j], &QBarSet::clicked, this,
                [this, j](int k) { MSChart1_PointSelected(m_barRows[j].value(k) + 1); });
        connect(m_sets[j], &QBarSet::doubleClicked, this,
                [this, j](int k) { MSChart1_PointActivated(m_barRows[j].value(k) + 1); });
    }
    m_bars->append(QList<QBarSet *>(m_sets.begin(), m_sets.end()));
    m_index = new QLineSeries(this);
    m_index->setName(kSeriesNames[3]);
    m_index->setPointsVisible(true);
    connect(m_index, &QLineSeries::clicked, this,
            [this](const QPointF &p) { MSChart1_PointSelected(qRound(p.x()) + 1); });
    connect(m_index, &QLineSeries::doubleClicked, this,
            [this](const QPointF &p) { MSChart1_PointActivated(qRound(p.x()) + 1); });
    // Carries the row axis, whose names stand under the rows the unseen spans place.
    m_rowHolder = new QLineSeries(this);

    QChart *chart = MSChart1->chart();
    chart->addSeries(m_bars);
    chart->addSeries(m_index);
    chart->addSeries(m_rowHolder);
    for (QLegendMarker *marker : chart->legend()->markers(m_rowHolder))
        marker->setVisible(false);
    m_index->setColor(Qt::red);
    // The rows' span and the bars', unseen, so the row axis need not hold every row to span them, and
    // the bars, one for several rows where a row's own would be thinner than a pixel, stand under their
    // rows.
    m_span = new QValueAxis(this);
    m_span->setVisible(false);
    chart->addAxis(m_span, Qt::AlignBottom);
    m_index->attachAxis(m_span);
    m_barSpan = new QValueAxis(this);
    m_barSpan->setVisible(false);
    chart->addAxis(m_barSpan, Qt::AlignBottom);
    m_bars->attachAxis(m_barSpan);
    // A resize can give the rows room for their names or take it away; queued, as it comes from the
    // chart's own layout.
    connect(
        chart, &QChart::plotAreaChanged, this,
        [this] {
            if (m_rows && rowsNamed() != m_rowsNamed)
                setChartAxes();
            if (m_rows && ChartBarStep(m_chart.labels.size(), plotWidth()) != m_barStep)
                fillBars();
        },
        Qt::QueuedConnection);
}

QFrame *Frmbook::buildDayPage()
{
    auto *page = new QFrame(this);
    page->setObjectName(QStringLiteral("Frame6"));
    DTPicker4 = newDatePicker(page, QStringLiteral("DTPicker4"));
    Command8 = newButton(QStringLiteral("确定"), page, QStringLiteral("Command8"));
    myday = newGrid(page, QStringLiteral("myday"), m_day);
    auto *label = new QLabel(QStringLiteral("交易结果："), page);
    label->setObjectName(QStringLiteral("Label16"));
    Text4 = new QLineEdit(page);
    Text4->setObjectName(QStringLiteral("Text4"));
    Text4->setReadOnly(true);
    Text4->setMaximumWidth(TwipsToPx(2000));
    SetUpFigureBox(Text4);

    auto *top = new QHBoxLayout;
    top->addWidget(DTPicker4);
    top->addWidget(Command8);
    top->addStretch();
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(label);
    bottom->addWidget(Text4);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addWidget(myday, 1);
    layout->addLayout(bottom);
    connect(Command8, &QPushButton::clicked, this, &Frmbook::Command8_Click);
    return page;
}

// ---- Boxes -------------------------------------------------------------------------------------

QString Frmbook::boxText(const QWidget *box)
{
    if (const auto *l = qobject_cast<const QLineEdit *>(box))
        return l->text();
    if (const auto *t = qobject_cast<const QPlainTextEdit *>(box))
        return t->toPlainText();
    return QString();
}

void Frmbook::setBoxText(QWidget *box, const QString &text)
{
    if (auto *l = qobject_cast<QLineEdit *>(box))
        l->setText(text);
    else if (auto *t = qobject_cast<QPlainTextEdit *>(box))
        t->setPlainText(text);
}

QStringList Frmbook::boxTexts(const std::array<QWidget *, 6> &boxes) const
{
    QStringList out;
    for (const QWidget *b : boxes)
        out << boxText(b);
    return out;
}

// ---- The list ----------------------------------------------------------------------------------

void Frmbook::qixload()
{
    m_book->clear();
    BookList list;
    bool failed = false;
    try {
        Database db(g_DbPath, g_DbConnect);
        list = ListSnapshots(db, DTPicker1->date(), DTPicker2->date());
    } catch (const std::exception &e) {
        failed = true;
        list = {BookLayout(), 0};
        list.grid.addRow();
        ShowFailure(e);
    }
    m_book->setGrid(list.grid);
    FitColumns(my1, list.grid.widths, list.grid.rows);
    BookRows = list.rows;
    Text3->setText(failed ? QString() : QString::number(list.rows));
    Frame2->show();
    my1->show();

    // The last snapshot listed; after an empty result nothing, as the empty last row selects.
    const int last = std::max(1, BookRows);
    selectRow(BookRows, false);
    HighlightRow(my1, last, 6);

    // A chart on screen follows the list, so a point always opens the snapshot it draws.
    if (!Frame5->isHidden()) {
        resetScrollBar();
        showChartPage();
    }
}

void Frmbook::Command7_Click()
{
    m_book->clear();
    qixload();
}

void Frmbook::selectRow(int row, bool byClick)
{
    const BookSelection s = SelectBookRow(m_book->grid(), row);
    for (int i = 0; i < 6; ++i)
        setBoxText(Text1[i], s.boxes.value(i));
    if (s.date)
        DTPicker3->setDate(*s.date);
    BookKey = s.key;
    setBoxText(Text5[0], FormatDate(DTPicker3->date()));
    for (int i = 0; i < 6; ++i)
        setBoxText(Text5[i + 1], boxText(Text1[i]));
    if (byClick)
        setPickerFromText(DTPicker4, boxText(Text5[0]));
}

void Frmbook::my1_Click()
{
    const QModelIndex current = my1->currentIndex();
    if (current.isValid())
        selectRow(current.row() + 1, true);
}

void Frmbook::my1_DblClick()
{
    openDayOf(DTPicker3->date());
}

void Frmbook::my1_MouseDown(int button)
{
    if (button == 2)
        openDayOf(DTPicker3->date());
}

void Frmbook::openDayOf(const QDate &date)
{
    if (date.isValid())
        DTPicker4->setDate(date);
    showPage(Frame6);
    Command8_Click();
}

void Frmbook::showPage(QFrame *page)
{
    for (QFrame *f : {Frame1, Frame5, Frame6})
        f->setVisible(f == page);
}

// ---- Edit, insert and delete -------------------------------------------------------------------

void Frmbook::Text1_Change()
{
    Command1->setEnabled(boxText(Text1[0]).size() >= 2 && boxText(Text1[1]).size() >= 2);
}

void Frmbook::setEditing(bool on)
{
    BookEditing = on;
    Command1->setText(on ? QStringLiteral("确定") : QStringLiteral("修改"));
    Command2->setVisible(on);
}

bool Frmbook::refused(const QStringList &boxes, bool insert, const std::array<QWidget *, 6> &boxWidgets)
{
    QPointer<Frmbook> self(this);
    if (const int bad = RefuseUnstorableAt(boxes); bad >= 0) {
        if (self)
            boxWidgets[bad]->setFocus(Qt::OtherFocusReason);
        return true;
    }
    const std::optional<BookRefusal> r = CheckSnapshot(boxes, insert);
    if (!r)
        return false;
    MsgBox(r->text, r->style, r->title);
    if (self)
        boxWidgets[r->box]->setFocus(Qt::OtherFocusReason);
    return true;
}

void Frmbook::rowGone()
{
    QPointer<Frmbook> self(this);
    MsgBox(QStringLiteral("该记录已经不存在，可能已被其他工作站删除。"), 48, QStringLiteral("提示："));
    if (self)
        qixload();
}

void Frmbook::Command1_Click()
{
    if (!BookEditing) {
        setEditing(true);
        return;
    }
    // Only a listed snapshot is ever written.
    if (!BookKey)
        return;
    const QStringList boxes = boxTexts(Text1);
    if (refused(boxes, false, Text1))
        return;
    bool found = false;
    try {
        Database db(g_DbPath, g_DbConnect);
        found = UpdateSnapshot(db, *BookKey, boxes, DTPicker3->date());
    } catch (const std::exception &e) {
        ShowFailure(e); // rolled back; the boxes keep what was typed
        return;
    }
    setEditing(false);
    if (found)
        qixload();
    else
        rowGone();
}

void Frmbook::Command2_Click()
{
    setEditing(false);
}

void Frmbook::Command3_Click()
{
    if (!BookKey)
        return;
    const qint64 key = *BookKey;
    QPointer<Frmbook> self(this);
    const int answer =
        MsgBox(QStringLiteral("真的要删除资金余额为") + boxText(Text1[0]) + QStringLiteral("记录吗？") +
                   QStringLiteral("\r\n\r\n") + QStringLiteral("    [是/否]？     "),
               276, QStringLiteral("记事删除后将不能恢复!"));
    if (answer != vbYes || !self)
        return;
    bool found = false;
    try {
        Database db(g_DbPath, g_DbConnect);
        found = DeleteSnapshot(db, key);
    } catch (const std::exception &e) {
        ShowFailure(e);
        return;
    }
    if (found)
        qixload();
    else
        rowGone();
}

void Frmbook::Command4_Click()
{
    const QStringList boxes = boxTexts(Text2);
    if (refused(boxes, true, Text2))
        return;
    try {
        Database db(g_DbPath, g_DbConnect);
        InsertSnapshot(db, boxes, Today());
    } catch (const std::exception &e) {
        ShowFailure(e);
        return;
    }
    for (QWidget *box : Text2)
        setBoxText(box, QString());
    qixload();
}

void Frmbook::Text2_LostFocus(int index)
{
    QWidget *box = Text2[index];
    SetBoxColours(box, 0xFFFFFF, 0x000000);
    if (RefuseSpecialChar(boxText(box)))
        box->setFocus(Qt::OtherFocusReason);
}

// ---- Export and closing ------------------------------------------------------------------------

void Frmbook::Command6_Click()
{
    // Every row as it stands now, header and key column included; nothing else runs while it is
    // written, so no reload or close can come between.
    const QList<QStringList> rows = m_book->grid().rows;
    // A caption that counts exported rows must not stay when nothing was opened.
    const QString caption = windowTitle();
    if (!ExportToSpreadsheet(rows, NewExportPath(QStringLiteral("tallyvane-notebook")), [this](int written) {
            setWindowTitle(QStringLiteral("添加") + QString::number(written - 1) + QStringLiteral("记录"));
        }))
        setWindowTitle(caption);
}

void Frmbook::Command5_Click()
{
    SetStatusText(kIdleText);
    close();
}

void Frmbook::closeEvent(QCloseEvent *event)
{
    formUnloaded(this);
    event->accept();
}

// ---- The day page ------------------------------------------------------------------------------

void Frmbook::Command8_Click()
{
    DayTrades day;
    bool failed = false;
    try {
        Database db(g_DbPath, g_DbConnect);
        day = TradesOfDay(db, DTPicker4->date());
    } catch (const std::exception &e) {
        failed = true;
        day.grid = DayLayout();
        QPointer<Frmbook> self(this);
        ShowFailure(e);
        if (!self)
            return;
    }
    m_day->setGrid(day.grid);
    FitColumns(myday, day.grid.widths, day.grid.rows);
    Text4->setText(failed ? QString() : DoubleText(day.result));
    HighlightRow(myday, 1, day.grid.columnCount() - 1);
}

// ---- Tabs and the chart ------------------------------------------------------------------------

void Frmbook::resetScrollBar()
{
    HScroll1->hide();
    // What a change would draw here is drawn again or hidden by the caller: no change is raised.
    const QSignalBlocker quiet(HScroll1);
    HScroll1->setValue(1);
}

void Frmbook::TabStrip1_Click()
{
    resetScrollBar();
    switch (TabStrip1->currentIndex()) {
    case 0:
        showPage(Frame1);
        break;
    case 1:
        showChartPage();
        break;
    case 2:
        showPage(Frame6);
        Command8_Click();
        break;
    default:
        break;
    }
}

void Frmbook::showChartPage()
{
    showPage(Frame5);
    const ChartStart start = ChartStartFor(BookRows);
    MSChart1->setVisible(start.chart);
    if (start.chart) {
        {
            const QSignalBlocker quiet(HScroll1);
            HScroll1->setRange(1, BookRows);
            HScroll1->setValue(start.position);
        }
        if (start.bar) {
            // Drawn here: at 21 rows the position stays 1 and the bar reports no change.
            HScroll1_Change();
            HScroll1->show();
        } else {
            drawChart(1, BookRows);
        }
    }
    setPickerFromText(DTPicker4, boxText(Text5[0]));
}

void Frmbook::HScroll1_Change()
{
    const ChartSpan span = ChartSpanAt(BookRows, HScroll1->value(), ChartWindow, ChartToEnd);
    ChartWindow = span.window;
    drawChart(span.first, span.count);
}

void Frmbook::HScroll1_KeyDown(int key)
{
    ChartToEnd = key == Qt::Key_Up || key == Qt::Key_Down;
}

void Frmbook::drawChart(int first, int count)
{
    const bool longer = count > m_index->count();
    m_chart = ChartDataOf(m_book->grid(), first, count);
    // Every change of a set or an axis lays the bars out again over the rows the axes span: a longer
    // chart takes its values while the span is still the old one, a shorter one its axes first.
    if (!longer)
        setChartAxes();
    fillBars();
    QList<QPointF> points;
    points.reserve(count);
    for (int k = 0; k < m_chart.columns[3].size(); ++k)
        points << QPointF(k, m_chart.columns[3][k]);
    m_index->replace(points);
    if (longer)
        setChartAxes();
}

void Frmbook::fillBars()
{
    const ChartBars bars = ChartBarsOf(m_chart, ChartBarStep(m_chart.labels.size(), plotWidth()));
    const bool more = bars.values[0].size() > m_sets[0]->count();
    if (!more)
        m_barSpan->setRange(-0.5, bars.spanEnd);
    for (int j = 0; j < 3; ++j) {
        m_sets[j]->remove(0, m_sets[j]->count());
        m_sets[j]->append(bars.values[j]);
    }
    if (more)
        m_barSpan->setRange(-0.5, bars.spanEnd);
    m_barRows = bars.rows;
    m_barStep = bars.step;
}

double Frmbook::plotWidth() const
{
    const QRectF area = MSChart1->chart()->plotArea();
    return area.isEmpty() ? MSChart1->width() : area.width();
}

bool Frmbook::rowsNamed() const
{
    return ChartRowsNamed(m_chart.categories.size(), plotWidth());
}

// Made anew each draw, as a drawn axis keeps lines of its last layout.
void Frmbook::setChartAxes()
{
    QChart *chart = MSChart1->chart();
    for (QAbstractAxis *a : std::initializer_list<QAbstractAxis *>{m_rows, m_money, m_level}) {
        if (a) {
            chart->removeAxis(a);
            delete a;
        }
    }
    m_span->setRange(-0.5, std::max<qsizetype>(1, m_chart.categories.size()) - 0.5);

    m_rows = new QBarCategoryAxis(this);
    m_rows->setLabelsAngle(-90); // a whole "MM-dd" under every bar
    m_money = new QValueAxis(this);
    m_money->setTitleText(QStringLiteral("金额"));
    m_money->setLabelFormat(QStringLiteral("%.0f"));
    m_money->setRange(m_chart.low, m_chart.high > m_chart.low ? m_chart.high : m_chart.low + 1);
    m_money->applyNiceNumbers();
    m_level = new QValueAxis(this);
    m_level->setTitleText(QStringLiteral("上证指数"));
    const double pad = std::max(1.0, (m_chart.indexHigh - m_chart.indexLow) * 0.05);
    m_level->setRange(m_chart.indexLow - pad, m_chart.indexHigh + pad);
    chart->addAxis(m_rows, Qt::AlignBottom);
    chart->addAxis(m_money, Qt::AlignLeft);
    chart->addAxis(m_level, Qt::AlignRight);

    // Below 2 pixels a row the axis names none, yet it measures every name, twice a draw, for the
    // height it keeps: then it holds only the widest name, unseen, and keeps that height.
    m_rowsNamed = rowsNamed();
    if (m_rowsNamed) {
        m_rows->append(m_chart.categories);
    } else {
        const QFontMetricsF metrics(m_rows->labelsFont());
        m_rows->append(
            ChartWidestCategory(m_chart, [&](const QString &s) { return metrics.horizontalAdvance(s); }));
        m_rows->setLabelsColor(Qt::transparent);
        m_rows->setGridLineVisible(false);
        m_rows->setLineVisible(false);
    }
    m_rowHolder->attachAxis(m_rows);
    m_bars->attachAxis(m_money);
    m_index->attachAxis(m_level);
}

QList<std::array<double, 4>> Frmbook::chartValues() const
{
    QList<std::array<double, 4>> rows(m_chart.labels.size());
    for (int k = 0; k < rows.size(); ++k)
        for (int j = 0; j < 4; ++j)
            rows[k][j] = m_chart.columns[j][k];
    return rows;
}

void Frmbook::MSChart1_PointSelected(int dataPoint)
{
    const int row = ChartGridRow(dataPoint, HScroll1->value());
    if (!SelectBookRow(m_book->grid(), row).key)
        return;
    for (int c = 0; c < 7; ++c)
        setBoxText(Text5[c], m_book->grid().text(row, c));
    setPickerFromText(DTPicker4, boxText(Text5[0]));
}

void Frmbook::MSChart1_PointActivated(int dataPoint)
{
    const int row = ChartGridRow(dataPoint, HScroll1->value());
    const BookSelection s = SelectBookRow(m_book->grid(), row);
    if (!s.key)
        return;
    openDayOf(s.date.value_or(QDate()));
}

// ---- Events ------------------------------------------------------------------------------------

bool Frmbook::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == my1->viewport()) {
        const QEvent::Type t = event->type();
        if (t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick ||
            t == QEvent::MouseButtonRelease) {
            // The right button opens the day of the snapshot already selected; it selects nothing.
            if (static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
                if (t != QEvent::MouseButtonRelease)
                    my1_MouseDown(2);
                return true;
            }
        }
    } else if (watched == HScroll1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        HScroll1_KeyDown(key);
        // Left and Up step back, Right and Down forward, whichever way the bar would take them.
        if (key == Qt::Key_Left || key == Qt::Key_Up) {
            HScroll1->triggerAction(QAbstractSlider::SliderSingleStepSub);
            return true;
        }
        if (key == Qt::Key_Right || key == Qt::Key_Down) {
            HScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        for (int i = 0; i < 6; ++i)
            if (watched == Text2[i] && FocusMovedWithinWindow(static_cast<QFocusEvent *>(event), Text2[i]))
                Text2_LostFocus(i);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tv
