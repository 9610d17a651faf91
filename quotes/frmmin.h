#pragma once

#include "app/Forms.h"

#include <QWidget>

class QLabel;
class QTimer;

namespace tv {

// The taskbar ticker: one line over the desktop panel that scrolls the index and the money totals of the
// live watch while the watch window is hidden. Closing it in any way but the program's unloading brings
// the watch window back.
class frmmin : public QWidget, public Form<frmmin>
{
    Q_OBJECT
public:
    frmmin();
    ~frmmin() override;

    QLabel *vText = nullptr;
    QTimer *Scroll = nullptr; // one character to the left every 500 ms

    void Scroll_Timer();
    // The ticker text of the watch list's index row and its totals, the scroll starting again from it.
    void writeText();
    // Shows the ticker at that place and starts its scroll.
    void dockAt(const QRect &place);

protected:
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QRect m_place;      // where it was docked
    int m_putBacks = 0; // times left to put it back where the window manager moved it on showing it
};

// Shows the ticker over the desktop panel's strip, or at the screen's bottom-right corner without one,
// and starts its scroll.
void DockMiniTicker();

} // namespace tv
