#include "admin/qixrsda.h"

#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "data/Backup.h"
#include "data/Settings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv {

QString RestoreFileFilter()
{
    // The caption as the dialog shows it, then the pattern it filters by.
    return QStringLiteral("所有文件(*.zqbd)") + QStringLiteral(" (*.zqdb)");
}

qixrsda::qixrsda()
{
    setObjectName(QStringLiteral("qixrsda"));
    setWindowTitle(QStringLiteral("恢复备份"));

    Label1 = new QLabel(QStringLiteral("选择要恢复的数据："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setMinimumWidth(300);
    Command3 = new QPushButton(QStringLiteral("..."), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setFixedWidth(Command3->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    Command1 = new QPushButton(QStringLiteral("确定"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setEnabled(false);
    Command2 = new QPushButton(QStringLiteral("取消"), this);
    Command2->setObjectName(QStringLiteral("Command2"));

    auto *all = new QVBoxLayout(this);
    all->addWidget(Label1);
    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(Text1);
    pathRow->addWidget(Command3);
    all->addLayout(pathRow);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    all->addLayout(buttons);

    connect(Text1, &QLineEdit::textChanged, this, &qixrsda::Text1_Change);
    connect(Command3, &QPushButton::clicked, this, &qixrsda::Command3_Click);
    connect(Command1, &QPushButton::clicked, this, &qixrsda::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &qixrsda::Command2_Click);

    SetStatusText(QStringLiteral("恢复数据"));
}

qixrsda::~qixrsda()
{
    formUnloaded(this);
}

void qixrsda::Text1_Change()
{
    // Only ever enables: a path once long enough stays confirmable.
    if (Text1->text().size() > 5)
        Command1->setEnabled(true);
}

void qixrsda::Command3_Click()
{
    const QString preset = GetSetting(ExeAppName(), QStringLiteral("Config"), QStringLiteral("Add"));
    const QString file = ChooseOpenFile(this, QStringLiteral("请选择文件"), preset, RestoreFileFilter());
    if (file.isEmpty()) {
        if (!Trim(Text1->text()).isEmpty())
            Text1->setFocus();
        return;
    }
    Text1->setText(file);
    SaveSetting(ExeAppName(), QStringLiteral("Config"), QStringLiteral("Add"), file);
    Command1->setFocus();
}

void qixrsda::Command1_Click()
{
    const QString source = Text1->text();
    try {
        RestoreDatabase(source, g_DbPath, g_DbConnect);
    } catch (const BackupError &e) {
        // In every case the live database is as it was and the window stays.
        switch (e.kind()) {
        case BackupError::SourceMissing:
            MsgBox(QStringLiteral("找不到要恢复的文件：") + source, 48, QStringLiteral("提示："));
            break;
        case BackupError::NotDatabase:
            MsgBox(QStringLiteral("所选文件不是本系统的数据库，没有恢复：") + source, 48,
                   QStringLiteral("提示："));
            break;
        case BackupError::SameFile:
            MsgBox(QStringLiteral("所选文件就是当前使用的数据库，不能用它恢复。"), 48,
                   QStringLiteral("提示："));
            break;
        case BackupError::Busy:
            ShowDbBusy();
            break;
        case BackupError::CopyFailed:
            MsgBox(QStringLiteral("恢复失败，当前数据库没有改变。") + QStringLiteral("\r\n") + e.detail(), 16,
                   QStringLiteral("错误"));
            break;
        }
        return;
    }
    SetStatusText(kIdleText);
    close();
}

void qixrsda::Command2_Click()
{
    SetStatusText(kIdleText);
    close();
}

} // namespace tv
