#pragma once

// The windows' lifecycle: every window has one default instance that is loaded when it is first asked
// for, and unloaded by closing it. Loaded windows are kept in load order, so the main window can unload
// the others most recent first, and the program ends when none is left.

#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace tv {

namespace forms {
void registerLoaded(QWidget *w);
void registerUnloaded(QWidget *w);
QList<QWidget *> loaded(); // in load order
bool isLoaded(const QWidget *w);

// Closes every loaded window but `except`, most recently loaded first; each may save its position.
void unloadAllBut(QWidget *except);
// Deletes every loaded window at once, without asking; for tests.
void destroyAll();

// Held while a window is being made: its load may show a message box, whose event loop must not end
// the program because the window before it has just gone and the new one is not registered yet.
class LoadingWindow
{
public:
    LoadingWindow();
    ~LoadingWindow();
    LoadingWindow(const LoadingWindow &) = delete;
    LoadingWindow &operator=(const LoadingWindow &) = delete;
};

// Called when the last window is gone; by default it quits the application's event loop.
void setProgramEndHandler(std::function<void()> handler);
int programEndCount(); // how often the program ended, for tests
} // namespace forms

// One window class's default instance. Use as `class frmTip : public QDialog, public Form<frmTip>`;
// the window calls formUnloaded() from its destructor.
template <class T>
class Form
{
public:
    // The default instance, loaded (constructed) if it is not loaded.
    static T *instance()
    {
        if (!s_instance) {
            forms::LoadingWindow loading;
            T *w = new T();
            s_instance = w;
            w->setAttribute(Qt::WA_DeleteOnClose);
            forms::registerLoaded(w);
        }
        return s_instance;
    }
    static bool isLoaded() { return !s_instance.isNull(); }
    static T *existing() { return s_instance.data(); }
    // Unload: close the window (its close handler may refuse). True when it is gone.
    static bool unload()
    {
        if (!s_instance)
            return true;
        T *w = s_instance;
        if (!w->close())
            return false;
        return true;
    }

protected:
    // A window is no longer loaded once its close has been accepted; it is deleted later, never while
    // one of its handlers is still running.
    void formUnloaded(QWidget *self)
    {
        if (s_instance == self)
            s_instance = nullptr;
        forms::registerUnloaded(self);
    }

private:
    static inline QPointer<T> s_instance;
};

} // namespace tv
