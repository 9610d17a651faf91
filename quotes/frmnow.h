#pragma once

#include "app/Forms.h"
#include "app/Globals.h"

#include <QColor>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <array>

class QFrame;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;

namespace tv {

class GridRows;
class WatchGridModel;
struct WatchRefresh;

// The live watch: a small top-level window over the watch list that hides the main window, refreshes
// the quotes every 30 seconds, colours rises and falls, raises target and stop alerts (mailing each row
// once), and on save and return writes the fetched prices back and brings the main window back.
class frmnow : public QWidget, public Form<frmnow>
{
    Q_OBJECT
public:
    frmnow();
    ~frmnow() override;

    // Shows the watch window over the watch list. A list longer than the window can hold is refused with
    // a message, and nothing opens.
    static frmnow *Open();

Q_SIGNALS:
    // Save and return has shown the main window again; g_TotalAssets holds the live total.
    void handedBack();

public:
    // Controls
    QTableView *MS1 = nullptr;
    QFrame *Picture1 = nullptr;              // the button panel
    std::array<QPushButton *, 6> Command1{}; // 0 dock, 1 translucent, 2 save and return, 3 ticker,
                                             // 4 normal, 5 alert mailbox
    QLabel *Image1 = nullptr;                // the picture the window is dragged by
    QTimer *Timer1 = nullptr;                // the pointer watch, every 500 ms
    QTimer *Timer2 = nullptr;                // the quote refresh, every 30 s

    // Window state
    NumberArray openPrice{}; // each element's price when the window opened
    int fullHeight = 0;      // twips, the expanded height
    bool autoHide = false;
    bool panelOnHover = false;
    bool dragging = false;
    bool inDragZone = false;
    bool refreshPending = false;
    QRect winRect;    // screen pixels, as last sampled
    QPoint cursorPos; // screen pixels, as last sampled
    int grabOffsetX = 0;
    int grabOffsetY = 0;

    // Full height at the top of the screen, and the window's rectangle sampled.
    void Get_Windows_Rect();
    void display();
    void sendemail(const QString &name, const QString &price, const QString &change);

    void Timer1_Timer();
    void Timer2_Timer();
    void Command1_Click(int index);
    void MS1_DblClick();

    // True while the window goes down with the program, or is closing: the ticker then closes quietly.
    bool unloading() const { return m_mainUnloading || m_closing; }

    int holdings() const { return m_holdings; } // the holdings watched; grid rows 1 to holdings + 2
    // Grid row r as the rows are numbered (0 the header, 1 the index, holdings + 2 the totals).
    QString gridText(int row, int column) const;
    QColor cellTextColour(int row, int column) const;
    QColor cellBackColour(int row, int column) const;
    // Whether row i's shown price came from the last refresh that fetched.
    bool priceFetched(int row) const { return m_fetched[row]; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void placeOnScreen();
    void showRows(const QList<QStringList> &rows);
    void fitToGrid(const GridRows &rows);
    void showRefresh(const WatchRefresh &refresh);
    void raiseAlert(int row);
    void closeTicker();
    void refreshTicker();
    void Command1_0_Click();
    void Command1_1_Click();
    void Command1_2_Click();
    void Command1_3_Click();
    void Command1_4_Click();
    void Image1_MouseDown();
    void Image1_MouseMove();
    void Image1_MouseUp();
    void setTopmost(bool on);
    void setScreenPointer(bool sizeAll);
    void placeFrame(const QRect &frame);
    void saveWatchedPrices();
    void returnToMain();
    void handBack();

    WatchGridModel *m_grid = nullptr;
    int m_holdings = 0;
    FlagArray m_fetched{};
    bool m_handBack = false;       // this close shows the main window and hands the total back
    bool m_mainUnloading = false;  // the main window's close is running
    bool m_closing = false;        // this window's close has been accepted
    bool m_sizeAllPointer = false; // the program's pointer is overridden with size-all
    QPointer<QWidget> m_main;
};

} // namespace tv
