#pragma once

#include "app/Forms.h"
#include "reports/HoldingsAnalysis.h"
#include "reports/QueryCondition.h"
#include "reports/QueryGrid.h"

#include <QWidget>
#include <array>

class QChartView;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
class QTableView;

namespace tv {

// The query window: three tabs of queries and reports, one "确定" that runs the current tab's, the
// result grid and the panels of follow-up commands. A child window of the main window.
class frmSearchForm : public QWidget, public Form<frmSearchForm>
{
    Q_OBJECT
public:
    frmSearchForm();
    ~frmSearchForm() override;

    // Controls
    QTabBar *TabStrip1 = nullptr;
    std::array<QFrame *, 3> Frame1{}; // 0 the date range, 1 the condition, 2 the report choice
    QComboBox *Combo2 = nullptr;      // report kind
    QDateEdit *DTPicker4 = nullptr;   // report date
    QDateEdit *DTPicker2 = nullptr;   // from
    QDateEdit *DTPicker3 = nullptr;   // to
    QComboBox *Combo4 = nullptr;      // condition field
    QComboBox *Combo5 = nullptr;      // operator
    QComboBox *Combo1 = nullptr;      // value, typing allowed
    QDateEdit *DTPicker1 = nullptr;   // value of 交收日期
    QLineEdit *Text1 = nullptr;       // the value put into the condition
    QPushButton *Command1 = nullptr;  // "确定"
    QPushButton *Command2 = nullptr;  // "关闭"
    QTableView *my1 = nullptr;
    QChartView *MSChart1 = nullptr; // the allocation pie, in the grid's place
    QFrame *Frame2 = nullptr;
    QLineEdit *Text2 = nullptr; // number of result rows
    QPushButton *Command7 = nullptr; // "图形"
    QPushButton *Command6 = nullptr; // "实时监控"
    QPushButton *Command8 = nullptr; // "汇总"
    QPushButton *Command4 = nullptr; // "导出"
    QCheckBox *Check1 = nullptr;     // "在结果中查询 "
    QFrame *Frame3 = nullptr;
    QLineEdit *Text3 = nullptr;      // total assets; written only by the analysis and the watch window
    QPushButton *Command5 = nullptr; // "更新"
    QPushButton *Command3 = nullptr; // "保存"

    // Window state
    int curTab = 1;
    int gridRow = 1; // the row after the last data row of the last display

    // The last holdings analysis shown, and the condition of the tab-3 trade list on screen (what
    // "在结果中查询 " joins the next condition to).
    HoldingsAnalysis analysis;
    QueryCondition shownCondition;

    // Handlers
    void Command1_Click(); // the dispatcher of "确定"; also re-runs the current query
    void Command2_Click();
    void TabStrip1_Click();
    void Combo4_Click();
    void Combo1_Change();
    void Command3_Click();   // "保存": a snapshot of the analysis into the notebook
    void Command4_Click();   // "导出": the grid's header and data rows into a spreadsheet
    void Command5_Click();   // "更新": the listed holdings' prices, then the query again
    void Command6_Click();   // "实时监控": the listed holdings into the watch window
    void Command7_Click();   // "图形"/"表格": the allocation pie in the grid's place and back
    void Command8_Click();   // "汇总": the per-security summary of the date range

    // The grid layouts and the trade list of g_RepWhere's condition.
    void display1();
    void display2();
    void search(const QueryCondition &condition);

    const TextGridModel *gridModel() const { return m_grid; }
    QString gridText(int row, int column) const;
    int gridRowCount() const;

    QSize sizeHint() const override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void fillReportKinds();
    void showFrame(int index);
    void layGrid(const TextGrid &layout);
    void layoutPanels(); // the two panels at their places and the grid below whatever ends lowest
    void showWatchTotal(); // the live total the watch window hands back
    void setColumnWidths(const TextGrid &layout);
    void showDisplay(const QueryDisplay &d);
    void runAnalysis();
    void runPeriodReport(const QString &kind);
    void runDateRange();
    void runCondition();
    void runPriceAlert();
    void runTradeCondition();
    void fillChart();
    void reloadNotebook();

    TextGridModel *m_grid = nullptr;
};

} // namespace tv
