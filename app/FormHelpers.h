#pragma once

// Small pieces every window uses: twips at the settings' edge, stored window positions, the hourglass.

#include <QColor>
#include <QString>

#include <functional>

class QWidget;

namespace tv {

constexpr int kTwipsPerPixel = 15;
inline int TwipsToPx(double twips)
{
    return int(twips / kTwipsPerPixel);
}
inline double PxToTwips(int px)
{
    return double(px) * kTwipsPerPixel;
}

// "Left" and "Top" of a section under the executable's name, in twips; a missing key gives 0. The
// window is fitted to the screen it opens on (FitWhenShown), and one that still stands where the fit
// put it saves the stored place again, for the larger screen it came from. A frameless window (the watch
// window) keeps to rules of its own at the screen's edges and is not fitted.
void RestorePosition(QWidget *w, const QString &section);
void SavePosition(QWidget *w, const QString &section);

// Once a window is about to show, fits it, frame and all, into the available area of the screen it
// opens on (FitRectInto): a place and size stored on a larger screen must not leave its title bar or its
// edges off this one. Where the window system tells the frame only after the window appears, the window
// is fitted again then. A window shown maximised or full screen is left as it is. `fitted` hears of each
// fit that moved or shrank the window.
void FitWhenShown(QWidget *w, std::function<void()> fitted = {});

// The window's mouse pointer: 11 the hourglass, 0 the default.
void SetMousePointer(QWidget *w, int pointer);

// Enter in a box moves the focus on as Tab does; the key is not passed on to the box.
void EnterMovesFocus(QWidget *box);

// The one rule of Enter and buttons, for every window as it loads: Enter or Return on a focused push
// button clicks that button; a default button takes Enter only while no button has the focus, and only
// a button the window makes its default is one (no button becomes a default by being first in line).
void ApplyButtonKeys(QWidget *window);

} // namespace tv

namespace tv {
// Writes a hint into the status line whenever the pointer enters the control.
void StatusHintOnHover(QWidget *control, const QString &hint);
} // namespace tv

class QFocusEvent;

namespace tv {
// A colour written as the original's &HBBGGRR number.
QColor VbColor(unsigned int bgr);
void SetBoxColours(QWidget *box, unsigned int backBgr, unsigned int foreBgr);

// True when the focus left the box for another control of the same window, not for a message box, a
// pop-up menu or another window: only then does leaving a box run its checks. A child window of the main
// window's work area counts as a window of its own: activating another child clears or moves the focus.
bool FocusMovedWithinWindow(const QFocusEvent *event, const QWidget *box);
} // namespace tv

class QLineEdit;

namespace tv {
// Selects a box's text once the focus that just came in has settled (a mouse click would otherwise undo
// it): the whole text, or only up to its trailing blanks.
void SelectWhenFocused(QLineEdit *box, bool wholeText);
} // namespace tv

class QEvent;
class QFrame;

namespace tv {
// The four lines that frame a picture button while the pointer is over it: raised (top and left white,
// bottom and right grey); a press swaps the colours of the top and bottom lines.
struct HoverLines
{
    QFrame *left = nullptr, *top = nullptr, *right = nullptr, *bottom = nullptr;
};
// Makes the lines lLeft, lTop, lRight and lBottom (each name followed by suffix) on parent, hidden.
HoverLines NewHoverLines(QWidget *parent, const QString &suffix = QString());
// Shows the lines one pixel outside the control, or hides them.
void ShowHoverLines(const HoverLines &lines, const QWidget *around, bool on);
void PressHoverLines(const HoverLines &lines, bool pressed);
void SetLineColour(QFrame *line, unsigned int bgr);

// The pointer events of a picture button framed by hover lines: over the button the frame shows
// (through show, when not shown yet), a press sinks it and a release raises it again. Moves are taken,
// so the window under the button does not hide the frame again; so are presses and releases.
enum class HoverButton { NotTaken, Taken, Released }; // Released: a release on the button
HoverButton HoverButtonEvent(const QWidget *button, const HoverLines &lines, const QEvent *event, bool shown,
                             const std::function<void()> &show);
} // namespace tv

class QAbstractItemView;

namespace tv {
// What the operator highlights in an item view is what a click on it would pick: a key that makes
// another item current, or a release of a mouse button other than the left (whose click the view
// reports itself) over an item, runs `picked` with that item current.
void PickWithKeysAndOtherButtons(QAbstractItemView *view, const std::function<void()> &picked);
} // namespace tv

class QPixmap;

namespace tv {
// The picture of the buttons that open a security's document.
QPixmap DocumentPicture();
} // namespace tv
