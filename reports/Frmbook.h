#pragma once

#include "app/Forms.h"
#include "reports/NotebookChart.h"
#include "reports/QueryGrid.h"

#include <QWidget>
#include <array>
#include <optional>

class QBarCategoryAxis;
class QBarSeries;
class QBarSet;
class QChartView;
class QDateEdit;
class QFrame;
class QLineEdit;
class QLineSeries;
class QPushButton;
class QScrollBar;
class QTabBar;
class QTableView;
class QValueAxis;

namespace tv {

// The asset notebook: the daily snapshots of a date range with their edit, insert and delete, a chart of
// them over a scrolling window of rows, and the trades of one day. A child window of the main window.
class Frmbook : public QWidget, public Form<Frmbook>
{
    Q_OBJECT
public:
    Frmbook();
    ~Frmbook() override;

    // The notebook in the main window's work area, loaded first when it is not loaded.
    static Frmbook *open();

    // Controls. Three pages in one place: the list, the chart and the trades of one day; the tab strip
    // does not own them, so a page can show while another tab stays selected.
    QTabBar *TabStrip1 = nullptr;
    QFrame *Frame1 = nullptr;
    QFrame *Frame5 = nullptr;
    QFrame *Frame6 = nullptr;

    QDateEdit *DTPicker1 = nullptr;  // from
    QDateEdit *DTPicker2 = nullptr;  // to
    QPushButton *Command7 = nullptr; // "确定" of the range
    QLineEdit *Text3 = nullptr;      // snapshots listed
    QTableView *my1 = nullptr;
    QFrame *Frame2 = nullptr;         // edit area
    std::array<QWidget *, 6> Text1{}; // 0 to 4 QLineEdit, 5 the multi-line 备注 (QPlainTextEdit)
    QDateEdit *DTPicker3 = nullptr;
    QFrame *Frame3 = nullptr;         // insert area
    std::array<QWidget *, 6> Text2{}; // as Text1
    QPushButton *Command3 = nullptr;  // "删除"
    QPushButton *Command2 = nullptr;  // "取消" of the edit
    QPushButton *Command1 = nullptr;  // "修改", "确定" while editing
    QPushButton *Command6 = nullptr;  // "导出数据"
    QPushButton *Command4 = nullptr;  // "确定" of the insert
    QPushButton *Command5 = nullptr;  // "取消": close

    QChartView *MSChart1 = nullptr;
    QScrollBar *HScroll1 = nullptr;
    std::array<QWidget *, 7> Text5{}; // 0 to 5 QLineEdit, 6 the 备注 (QPlainTextEdit)

    QDateEdit *DTPicker4 = nullptr;
    QPushButton *Command8 = nullptr; // "确定" of the day
    QTableView *myday = nullptr;
    QLineEdit *Text4 = nullptr; // the day's result

    // Window state
    std::optional<qint64> BookKey; // the selected snapshot; none when no listed snapshot is selected
    int BookRows = 0;
    bool BookEditing = false;
    int ChartWindow = 21;
    bool ChartToEnd = false;

    // Handlers
    void qixload();
    void Command7_Click();
    void my1_Click();
    void my1_DblClick();
    void my1_MouseDown(int button);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command8_Click();
    void Text1_Change();
    void Text2_LostFocus(int index);
    void TabStrip1_Click();
    void HScroll1_Change();
    void HScroll1_KeyDown(int key);
    void MSChart1_PointSelected(int dataPoint);
    void MSChart1_PointActivated(int dataPoint);

    // The texts of a box of Text1, Text2 or Text5, whichever kind of box it is.
    static QString boxText(const QWidget *box);
    static void setBoxText(QWidget *box, const QString &text);

    const TextGridModel *gridModel() const { return m_book; }
    const TextGridModel *dayModel() const { return m_day; }
    // What the chart draws now: its row labels and, per row, the four values.
    QStringList chartLabels() const { return m_chart.labels; }
    QList<std::array<double, 4>> chartValues() const;

    QSize sizeHint() const override;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    QFrame *buildListPage();
    QFrame *buildChartPage();
    QFrame *buildDayPage();
    void selectRow(int row, bool byClick);
    void setEditing(bool on);
    void showPage(QFrame *page);
    void resetScrollBar();
    void showChartPage();
    void openDayOf(const QDate &date);
    void buildChart();
    void drawChart(int first, int count);
    void fillBars();
    double plotWidth() const;
    bool rowsNamed() const;
    void setChartAxes();
    // A write's refusal of its boxes (a text that cannot be stored, then CheckSnapshot's): the message and
    // the focus in the box; true when refused.
    bool refused(const QStringList &boxes, bool insert, const std::array<QWidget *, 6> &boxWidgets);
    void rowGone();
    QStringList boxTexts(const std::array<QWidget *, 6> &boxes) const;

    TextGridModel *m_book = nullptr;
    TextGridModel *m_day = nullptr;
    ChartData m_chart;
    QBarSeries *m_bars = nullptr;
    std::array<QBarSet *, 3> m_sets{};
    QLineSeries *m_index = nullptr;
    QLineSeries *m_rowHolder = nullptr;
    QValueAxis *m_span = nullptr;
    QValueAxis *m_barSpan = nullptr;
    std::array<QList<int>, 3> m_barRows;
    int m_barStep = 1;
    QBarCategoryAxis *m_rows = nullptr;
    bool m_rowsNamed = false;
    QValueAxis *m_money = nullptr;
    QValueAxis *m_level = nullptr;
};

} // namespace tv
