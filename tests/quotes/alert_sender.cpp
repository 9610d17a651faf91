// A program of its own for the tests of the program's end: it opens the watch over three holdings whose
// quotes breach, lets one refresh mail their alerts through the transport named on the command line, and
// leaves at once the way an operator does: the watch's save button, then "Exit" on the main toolbar,
// answered yes. It prints "alerts N" (the rows that mailed) before it leaves.
//
//   alert_sender TRANSPORT

#include "app/Forms.h"
#include "app/Globals.h"
#include "app/frmMain.h"
#include "data/Settings.h"
#include "quotes/frmnow.h"
#include "tests/common/TestSupport.h"
#include "tests/quotes/WatchFixture.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <cstdio>

using namespace tv;
using namespace tv::test;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "usage: alert_sender TRANSPORT\n");
        return 2;
    }
    TestEnv env;
    forms::setProgramEndHandler([] { QCoreApplication::quit(); }); // the program's own end
    env.makeDatabase();
    {
        Database db(g_DbPath, g_DbConnect);
        AddIndexAndHoldings(db, 3);
    }
    setMailbox(kAddress, "1");
    SaveSetting(kAppNameShared, "frmemail", "sendmail", app.arguments()[1]);
    HttpServer server;
    if (!ServeQuotes(server))
        return 1;
    serve(server, {{"600001", "12.50", "2.00%"}, {"600002", "12.60", "2.00%"}, {"600003", "8.00", "-3.00%"}});
    frmnow *w = openWatch();
    if (!w)
        return 1;

    QTimer::singleShot(0, [w] {
        w->Timer2_Timer();
        int mailed = 0;
        for (int row = 2; row <= 4; ++row)
            mailed += !g_AlertArmed[row];
        std::printf("alerts %d\n", mailed);
        std::fflush(stdout);
        QTest::mouseClick(w->Command1[2], Qt::LeftButton);
        QToolBar *toolbar = frmMain::existing()->toolbar();
        for (QAction *button : toolbar->actions())
            if (button->objectName() == QLatin1String("Exit"))
                QTest::mouseClick(toolbar->widgetForAction(button), Qt::LeftButton);
    });
    return app.exec();
}
