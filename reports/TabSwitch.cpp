#include "reports/TabSwitch.h"

#include <QMouseEvent>
#include <QTabBar>

namespace tv {

namespace {

class SelectedTabClicks : public QObject
{
public:
    SelectedTabClicks(QTabBar *tabs, std::function<void()> tabSwitch)
        : QObject(tabs), m_tabs(tabs), m_switch(std::move(tabSwitch))
    {
        tabs->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_tabs && event->type() == QEvent::MouseButtonPress) {
            const auto *press = static_cast<QMouseEvent *>(event);
            const int index = m_tabs->tabAt(press->position().toPoint());
            if (press->button() == Qt::LeftButton && index >= 0 && index == m_tabs->currentIndex() &&
                m_tabs->isTabEnabled(index))
                m_switch();
        }
        return false;
    }

private:
    QTabBar *m_tabs;
    std::function<void()> m_switch;
};

} // namespace

void SwitchOnEveryClick(QTabBar *tabs, std::function<void()> tabSwitch)
{
    QObject::connect(tabs, &QTabBar::currentChanged, tabs, tabSwitch);
    new SelectedTabClicks(tabs, std::move(tabSwitch));
}

} // namespace tv
