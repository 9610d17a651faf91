#include "app/Startup.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!tv::Main())
        return 0;
    return app.exec();
}
