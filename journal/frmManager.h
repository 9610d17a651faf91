#pragma once

#include "app/Forms.h"
#include "journal/TradeGrid.h"

#include <QMap>
#include <QWidget>
#include <array>

class QAction;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

namespace tv {

// The working window of the journal: the tree of categories and securities, one security's detail and
// its trade-record grid, and the commands on them. A child window of the main window.
class frmManager : public QWidget, public Form<frmManager>
{
    Q_OBJECT
public:
    frmManager();
    ~frmManager() override;

    // Controls
    QTreeWidget *TreeView = nullptr;
    QWidget *imgSplit = nullptr;
    QFrame *SliptBar = nullptr;
    QWidget *ListView = nullptr; // the right-hand panel
    QLabel *lblFileCaption = nullptr;
    std::array<QLineEdit *, 10> txtFields{};
    QFrame *Frame1 = nullptr;
    QLabel *picEditFile = nullptr;
    QFrame *lLeft = nullptr, *lTop = nullptr, *lRight = nullptr, *lBottom = nullptr;
    QLabel *Label3 = nullptr;
    QTableView *my1 = nullptr;
    QPushButton *Command1 = nullptr; // "导出"
    QPushButton *Command4 = nullptr; // "刷新"
    QFrame *Frame2 = nullptr; // the trade-entry panel
    QDateEdit *DTPicker1 = nullptr;
    QMenu *MnuControl = nullptr, *munrep = nullptr, *MnuReturnX = nullptr;
    QAction *menuItem(const QString &name) const;

    // Window state
    bool m_ClosePending = false;
    bool m_SplitDragging = false;
    bool m_HoverFrameShown = false;
    QString m_LoadedName;
    QString m_LoadedAccount;
    int m_RecordCount = 0;
    double m_Holding = 0;
    double m_FlowTotal = 0;
    int m_SelectedRow = 0;

    // Public operations
    void Command1_Click();
    void SizeControls(double &x);
    void cmdLoad_Click();
    void MnuAddFile_Click();
    void uprice_click();
    void MnuDeleteFile_Click();
    void Mnudelqix_Click();
    void MnuModifyFile_Click();
    void Mnumodqix_Click();
    void MnuSearchFile_Click();
    void Loadmy1(const QString &unused = QString());
    void munaddqix_Click();
    void TreeView_NodeClick(QTreeWidgetItem *node);
    bool LoadData(const QString &name);
    void SetRights();
    void ResetDetailView();
    void MnuRefresh_Click() { cmdLoad_Click(); }
    void MnuOpenFile_Click() { picEditFile_Click(); }
    void MnuReturn_Click();
    void MnuExit_Click();
    void MnuFolder_Click();
    void picEditFile_Click();
    void txtFields_LostFocus(int index);
    void my1_RowPicked(int gridRow, bool popupMenu);
    void offerNewSecurity(const QString &code);

    // The grid as rows of text: row 0 the header, 1 to n the records, n + 1 the totals.
    QString gridText(int row, int column) const;
    int gridRowCount() const;
    int currentGridRow() const; // 0 when none
    void setCurrentGridRow(int row);
    const TradeGridModel *gridModel() const { return m_grid; }

    // The splitter position (left edge of imgSplit) in twips, and the window's sizes in twips.
    double splitPosition() const { return m_splitLeft; }
    double outerWidthTwips() const;
    double innerWidthTwips() const;

    // The tree's nodes, for the other windows and for tests: the root, a category by account, a
    // security by name.
    QTreeWidgetItem *rootNode() const;
    QTreeWidgetItem *categoryNode(const QString &account) const;
    QTreeWidgetItem *securityNode(const QString &name) const;
    static QString nodeTag(const QTreeWidgetItem *node);
    static QString nodeKey(const QTreeWidgetItem *node);

    // The main window's toolbar button of this index, enabled or not.
    static void setToolbarButton(int index, bool enabled);

    QSize sizeHint() const override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void layoutPanel();
    void showProfit(const QString &text);
    void updateProfitAfterUpdate();
    void setRecordCommands(bool enabled);
    void showHoverFrame(bool on);
    void setNodeImage(QTreeWidgetItem *node, const QString &key);
    QAction *addItem(QMenu *menu, const QString &name, const QString &caption, const QKeySequence &key);

    TradeGridModel *m_grid = nullptr;
    QMap<QString, QAction *> m_items;
    double m_splitLeft = 1500; // twips
    double m_barLeft = 0;      // twips, while dragging
};

} // namespace tv
