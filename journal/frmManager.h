#pragma once

#include "app/Forms.h"
#include "journal/TradeGrid.h"

#include <QMap>
#include <QWidget>
#include <array>

class QAction;
class QComboBox;
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

struct TradeEntry;

// Securities deleted on this workstation: an entry panel or a record edit open on one of them closes,
// writing nothing, and the manager no longer shows the deleted security.
void CloseEntriesOf(const QStringList &codes);

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
    bool reloadGrid(); // Loadmy1, with the unknown-error message when it fails
    void munaddqix_Click();
    void TreeView_NodeClick(QTreeWidgetItem *node);
    bool LoadData(const QString &name);
    // The loaded security read again after its price may have changed, as selecting it reads it; an
    // open entry panel stays as typed.
    void reloadLoadedSecurity();
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
    // The security the commands act on is the loaded one (g_CurCode): a code typed into box 0 and not
    // yet looked up is looked up first, as leaving the box does. False when no security is loaded then.
    bool confirmLoadedSecurity();

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
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool loadSecurity(const QString &name);
    void buildControls();
    void buildMenus();
    void layoutPanel();
    void showProfit(const QString &text);
    void showLoadedProfit(); // the price box as loaded and the profit it gives
    void updateProfitAfterUpdate();
    void setRecordCommands(bool enabled);
    void showHoverFrame(bool on);
    void setNodeImage(QTreeWidgetItem *node, const QString &key);
    QAction *addItem(QMenu *menu, const QString &name, const QString &caption, const QKeySequence &key);

    TradeGridModel *m_grid = nullptr;
    QMap<QString, QAction *> m_items;
    double m_splitLeft = 1500; // twips: as stored, until the window has appeared at its own size
    bool m_appeared = false;
    bool m_showSettled = false;
    bool appearedAtItsSize();
    double m_barLeft = 0;      // twips, while dragging

    // Trade-entry panel
public:
    QComboBox *Combo1 = nullptr;          // trade type: the category's trade modes, or a typed name
    std::array<QLineEdit *, 11> Text1{}; // boxes 1 to 10; 0 unused
    QPushButton *Command2 = nullptr;      // "保存"
    QPushButton *Command3 = nullptr;      // "取消"
    double m_OpeningCash = 0;             // cash as of the settlement date, over all securities
    double m_OpeningHolding = 0;          // the security's holding as of the settlement date
    double m_TradeFlow = 0;               // signed cash flow of the trade, fees deducted
    QString m_EntryCode;                  // the security the open panel enters a trade for
    QString m_EntryCategory;
    void DTPicker1_Change();
    void Text1_LostFocus(int index);
    void Combo1_LostFocus();
    void Command2_Click();
    void Command3_Click();

private:
    void buildEntryPanel();
    void showEntryPanel();  // over the grid, which hides with its buttons
    void closeEntryPanel(); // hidden and emptied, writing nothing
    friend void CloseEntriesOf(const QStringList &codes);
    void releaseEntryPanel(); // the panel's event routing ends before the window goes
    TradeEntry readEntry() const;
    void writeEntry(const TradeEntry &e);
};

} // namespace tv
