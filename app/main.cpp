#include "app/Startup.h"
#include "app/VbCompat.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    tv::UsePointNumbers();
    tv::UseProgramIcon();
    // Qt's own buttons and dialogs speak Chinese like the rest of the program.
    QTranslator qtChinese;
    if (qtChinese.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qt"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtChinese);
    if (!tv::Main())
        return 0;
    return app.exec();
}
