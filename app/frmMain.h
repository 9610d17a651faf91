#pragma once

#include "app/Forms.h"
#include "app/Globals.h"
#include "quotes/Inet.h"
#include "quotes/PriceUpdate.h"

#include <QMainWindow>
#include <QMap>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;
class QTimer;

namespace tv {

// The frame of the program: menus, toolbar, status bar and the area of the child windows.
class frmMain : public QMainWindow, public Form<frmMain>
{
    Q_OBJECT
public:
    frmMain();
    ~frmMain() override;

    // Status bar panels 1 to 8.
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString &text);
    QString panelToolTip(int panel) const;
    void setPanelToolTip(int panel, const QString &tip);

    // Toolbar buttons by index 1 to 13 (2, 4, 8 and 12 are separators) or by key.
    QAction *toolbarButton(int index) const;
    // The buttons that act on the manager window: disabled while it is closed.
    static constexpr int kManagerButtons[] = {3, 5, 6, 7, 9, 10};
    QAction *toolbarButton(const QString &key) const;
    QToolBar *toolbar() const { return Toolbar1; }
    QAction *menuItem(const QString &name) const; // a menu or menu item by its name
    QMenu *systemMenu() const { return MnuSystem; }
    QMdiArea *mdiArea() const { return m_mdi; }

    // The background picture of the client area; false (and no picture) when the file does not load.
    bool setDesktopPicture(const QString &path);
    bool hasDesktopPicture() const { return m_hasPicture; }

    Inet Inet1;
    // Names and detail-page addresses of the last quote fetch, positions 1 to 30.
    TextArray quoteName;
    TextArray quoteLink;
    // Quotes of codes[1] to codes[n] into g_WatchPrice, g_WatchChange, quoteName and quoteLink at the
    // same positions: stocks from the source g_QuoteSource names, fund net values (codes without the
    // "k") from the fund list page or, for sina, its ranking page. A code without a quote gets price
    // "0". The caller holds g_Idle false around them.
    void FetchQuotes(const QStringList &codes, int n);
    void kjprice(const QStringList &codes, int n);
    void kjsina(const QStringList &codes, int n);
    bool batchStopFlag() const { return m_BatchStop; }
    void setBatchStopFlag(bool stop) { m_BatchStop = stop; }

    // The stored geometry keys, in twips, as last loaded or saved.
    QList<double> geometryTwips() const;

    void Toolbar1_ButtonClick(QAction *button);
    void Toolbar1_ButtonClick(const QString &key);
    void MnuSearchGuest_Click();
    void MnuExi_Click();
    void MnuTip_Click();
    void MnuCompany_Click();
    void MnuEmploy_Click();
    void MnuNetData_Click();
    void MnuVkr_Click();

    void seleup_Click();
    void Proxy_Click();

    // The batch update of every Detail row's price (toolbar key "down"); a click while it waits for a
    // reply asks it to stop.
    void UpdateAllPrices();
    // Opens the wake address once, so a connection through the system's settings is up; a page that
    // comes clears g_WakeBrowser.
    void WakeConnection();
    // Quote lists are codes[1] to codes[n], n at most 30 (a longer list is refused, nothing fetched);
    // "k" entries are funds. The caller holds g_Idle false around each call.
    // every: the prices of the list into Detail, a box for each entry without a quote. False when the
    // prices could not be saved (its box has said why) or the list was refused.
    bool every(const QStringList &codes, int n);
    // severy: the stock entries' quotes into the buffers at their own positions; nothing else.
    void severy(const QStringList &codes, int n);
    // newone: one quote for codes[1] into the add-security dialog's boxes; n is not used.
    void newone(const QStringList &codes, int n);

    // Shows a window as a child of the client area; while it is the active child its menus stand in
    // the menu bar in place of the main window's own.
    void showChild(QWidget *child, const QList<QMenu *> &menus = {}, bool maximized = false);

    // What a command that ran a web fetch does once the fetch has returned: carry out the closes and then
    // the exit that were asked for meanwhile.
    static void UnloadIfExitPending();
    // What every command that wrote prices into Detail does next: the open journal loads its security
    // again, so its boxes, grid and profit show the new price.
    static void PricesWritten();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Entry i of the reading into the four buffers at positions[i - 1], or at i when positions is empty.
    void storeReading(const QuoteReading &reading, const QList<int> &positions = {});
    void fetchStockEntries(const QuoteListSplit &split);
    void fetchFunds(const QStringList &codes, int n);
    QList<PriceWrite> reportQuotes(const QList<int> &positions, const QStringList &codes, bool funds);
    bool runBatch(PriceBatch &batch, bool visitRows);
    void endBatch(const BatchCounts &counts);
    void restoreBatchState();
    // The caption from the window's own bracketed text, while prices update or not. Never read back
    // from the title shown: a maximised child window adds its own caption to it.
    void showCaption(bool updating);
    void FetchQuotesStar(const QStringList &codes, int n);
    void FetchQuotesSina(const QStringList &codes, int n);
    void FetchQuotesSohu(const QStringList &codes, int n);
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void loadGeometry();
    void saveGeometry();
    void insertIndexRow();
    void applyRights();
    void firstActivation();
    void applyMenus();
    QAction *addItem(QMenu *menu, const QString &name, const QString &caption, const QKeySequence &key = {});

    QMdiArea *m_mdi = nullptr;
    QToolBar *Toolbar1 = nullptr;
    QMenu *MnuGuestManager = nullptr;
    QMenu *MnuSystem = nullptr;
    QMenu *MnuHelp = nullptr;
    QList<QLabel *> m_panels;
    QList<QAction *> m_buttons; // index 0 is button 1
    QMap<QString, QAction *> m_items;
    QMap<QWidget *, QList<QMenu *>> m_childMenus;
    QTimer *m_clock = nullptr;
    QString m_CaptionBracket = QStringLiteral("Tallyvane");
    bool m_FirstActivated = false;
    bool m_BatchStop = true;
    PriceBatch *m_Batch = nullptr; // the batch update that waits for a reply
    bool m_hasPicture = false;
    QList<double> m_loadedTwips;
    QRect m_loadedRect;
};

// SetStatusText writes panel 2 of the main window, loading it when needed.
void InstallStatusWriter();

} // namespace tv
