#include "tests/common/TestSupport.h"

#include "app/Globals.h"
#include "app/Forms.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "data/Schema.h"
#include "data/Settings.h"

#include <QFile>
#include <QTest>

namespace tv::test {

namespace {
int defaultAnswer(int style)
{
    switch (style & 0x0F) {
    case 2: return vbAbort;
    case 3:
    case 4: return vbYes;
    case 5: return vbRetry;
    default: return vbOK;
    }
}
} // namespace

TestEnv::TestEnv()
{
    ResetModuleState();
    InstallStatusWriter();
    forms::setProgramEndHandler([] {});
    SetSettingsFolder(m_dir.filePath(QStringLiteral("settings")));
    seams::msgBox = [this](const QString &text, int style, const QString &title) {
        boxes.append({text, style, title});
        return answers.isEmpty() ? defaultAnswer(style) : answers.takeFirst();
    };
    seams::now = [this] { return now; };
    seams::beep = [this] { ++beeps; };
    seams::openUrl = [this](const QUrl &url) {
        openedUrls << url;
        return openSucceeds;
    };
    seams::openFile = [](QWidget *, const QString &, const QString &, const QString &) { return QString(); };
    seams::chooseFolder = [](QWidget *, const QString &, const QString &) { return QString(); };
}

TestEnv::~TestEnv()
{
    forms::destroyAll();
    SetStatusWriter(nullptr);
    seams::reset();
    SetSettingsFolder(QString());
    ResetModuleState();
}

QString TestEnv::makeDatabase(const QString &name)
{
    const QString p = path(name);
    CreateEmptyDatabase(p, ConnectString());
    g_DbPath = p;
    g_DbConnect = ConnectString();
    SaveSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path"), p);
    return p;
}

QByteArray FileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

} // namespace tv::test
