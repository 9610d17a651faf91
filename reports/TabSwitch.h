#pragma once

#include <functional>

class QTabBar;

namespace tv {

// Runs the tab switch whenever the selection changes (by the mouse, the keyboard or the window itself)
// and on a left click on the tab already selected, which a QTabBar lets pass without a signal.
void SwitchOnEveryClick(QTabBar *tabs, std::function<void()> tabSwitch);

} // namespace tv
