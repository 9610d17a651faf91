#include "app/Forms.h"

#include "app/FormHelpers.h"

#include <QCoreApplication>
#include <QTimer>

namespace tv::forms {

namespace {
QList<QPointer<QWidget>> &registry()
{
    static QList<QPointer<QWidget>> list;
    return list;
}
std::function<void()> &endHandler()
{
    static std::function<void()> handler = [] { QCoreApplication::quit(); };
    return handler;
}
int endCount = 0;
int loadingCount = 0;

void prune()
{
    registry().removeIf([](const QPointer<QWidget> &p) { return p.isNull(); });
}

// A window that unloads itself and then shows the next one (login, splash) must not end the program:
// the test runs once the current handler has finished.
void checkForEnd()
{
    QTimer::singleShot(0, [] {
        prune();
        if (registry().isEmpty() && loadingCount == 0) {
            ++endCount;
            if (endHandler())
                endHandler()();
        }
    });
}
} // namespace

LoadingWindow::LoadingWindow() { ++loadingCount; }

LoadingWindow::~LoadingWindow()
{
    // A window whose making failed leaves nothing behind: the program may end after all.
    if (--loadingCount == 0 && registry().isEmpty())
        checkForEnd();
}

void registerLoaded(QWidget *w)
{
    ApplyButtonKeys(w);
    prune();
    registry().append(w);
}

void registerUnloaded(QWidget *w)
{
    const bool was = registry().removeAll(w) > 0;
    prune();
    if (was && registry().isEmpty())
        checkForEnd();
}

QList<QWidget *> loaded()
{
    prune();
    QList<QWidget *> out;
    for (const QPointer<QWidget> &p : registry())
        out << p.data();
    return out;
}

bool isLoaded(const QWidget *w)
{
    for (const QPointer<QWidget> &p : registry())
        if (p.data() == w)
            return true;
    return false;
}

void unloadAllBut(QWidget *except)
{
    const QList<QWidget *> all = loaded();
    for (auto it = all.crbegin(); it != all.crend(); ++it) {
        QPointer<QWidget> w = *it;
        if (w && w != except && isLoaded(w))
            w->close();
    }
}

void destroyAll()
{
    const QList<QWidget *> all = loaded();
    registry().clear(); // no end of the program for windows taken down this way
    for (auto it = all.crbegin(); it != all.crend(); ++it)
        delete *it;
}

void setProgramEndHandler(std::function<void()> handler) { endHandler() = std::move(handler); }

int programEndCount() { return endCount; }

} // namespace tv::forms
