// tallyvane-mkdb PATH: makes a new, empty Tallyvane database at PATH.

#include "data/Database.h"
#include "data/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: tallyvane-mkdb PATH\n");
        return 2;
    }
    const QString path = args[1];
    if (QFileInfo::exists(path)) {
        std::fprintf(stderr, "tallyvane-mkdb: %s already exists; it is left as it is\n", qPrintable(path));
        return 1;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    try {
        tv::CreateEmptyDatabase(path, tv::ConnectString());
    } catch (const tv::DbError &e) {
        QFile::remove(path);
        std::fprintf(stderr, "tallyvane-mkdb: %s\n", e.what());
        return 1;
    }
    std::printf("created %s\n", qPrintable(QFileInfo(path).absoluteFilePath()));
    return 0;
}
