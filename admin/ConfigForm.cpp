#include "admin/ConfigForm.h"

#include "admin/CompanyInfo.h"

#include "admin/SelectFile.h"
#include "app/BoxHelpers.h"
#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "quotes/frmemail.h"

#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv {

namespace {
// Box index -> field position of the Config row, and the boxes' maximum lengths.
constexpr int kFieldOfBox[6] = {0, 2, 3, 4, 1, 5};
constexpr int kMaxLength[6] = {40, 40, 40, 5, 40, 100};
const QString kSection = QStringLiteral("ConfigForm");
} // namespace

ConfigForm::ConfigForm()
{
    setObjectName(QStringLiteral("ConfigForm"));
    setWindowTitle(QStringLiteral("系统配置"));

    for (int i = 0; i < 6; ++i) {
        CC[i] = new QLineEdit(this);
        CC[i]->setObjectName(QStringLiteral("CC_%1").arg(i));
        LimitTypedLength(CC[i], kMaxLength[i]);
        CC[i]->installEventFilter(this);
    }
    auto *Frame1 = new QGroupBox(QStringLiteral("公司名称"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto *f1 = new QVBoxLayout(Frame1);
    f1->addWidget(CC[0]);

    // Label3(0..3) stand beside boxes 1, 2, 4 and 3; the rows show phone, fax, person in charge, address.
    auto *info = new QGridLayout;
    const QList<std::pair<const char *, int>> labels = {{"公司电话：", 1}, {"公司传真：", 2}, {"公司地址：", 4}, {"负责人：", 3}};
    for (int i = 0; i < labels.size(); ++i) {
        auto *l = new QLabel(QString::fromUtf8(labels[i].first), this);
        l->setObjectName(QStringLiteral("Label3_%1").arg(i));
        l->setBuddy(CC[labels[i].second]);
        const int row = labels[i].second == 4 ? 3 : labels[i].second - 1;
        info->addWidget(l, row, 0);
        info->addWidget(CC[labels[i].second], row, 1);
    }

    auto *Frame3 = new QGroupBox(QStringLiteral("系统桌面"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    auto *Label2 = new QLabel(QStringLiteral("桌面图片文件路径及名称"), Frame3);
    Label2->setObjectName(QStringLiteral("Label2"));
    Command1 = new QPushButton(QStringLiteral("选择图片"), Frame3);
    Command1->setObjectName(QStringLiteral("Command1"));
    auto *f3 = new QGridLayout(Frame3);
    f3->addWidget(Label2, 0, 0, 1, 2);
    f3->addWidget(CC[5], 1, 0);
    f3->addWidget(Command1, 1, 1);

    auto *Label1 = new QLabel(QStringLiteral("为 了 方 便 使 用 ， 请 认 真 配 置 系 统 。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    OkSave = new QPushButton(QStringLiteral("保存(&S)"), this);
    OkSave->setObjectName(QStringLiteral("OkSave"));
    CancelExit = new QPushButton(QStringLiteral("取消(&C)"), this);
    CancelExit->setObjectName(QStringLiteral("CancelExit"));
    Command2 = new QPushButton(QStringLiteral("短信选择"), this);
    Command2->setObjectName(QStringLiteral("Command2"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command2);
    buttons->addStretch();
    buttons->addWidget(OkSave);
    buttons->addWidget(CancelExit);
    auto *all = new QVBoxLayout(this);
    all->addWidget(Label1);
    all->addWidget(Frame1);
    all->addLayout(info);
    all->addWidget(Frame3);
    all->addLayout(buttons);
    setMinimumWidth(420);

    setTabOrder(CC[0], CC[1]);
    setTabOrder(CC[1], CC[2]);
    setTabOrder(CC[2], CC[3]);
    setTabOrder(CC[3], CC[4]);
    setTabOrder(CC[4], CC[5]);
    setTabOrder(CC[5], Command1);
    setTabOrder(Command1, OkSave);
    setTabOrder(OkSave, CancelExit);
    setTabOrder(CancelExit, Command2);

    connect(OkSave, &QPushButton::clicked, this, &ConfigForm::OkSave_Click);
    connect(CancelExit, &QPushButton::clicked, this, &QWidget::close);
    connect(Command1, &QPushButton::clicked, this, &ConfigForm::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &ConfigForm::Command2_Click);

    load();
}

ConfigForm::~ConfigForm()
{
    formUnloaded(this);
}

void ConfigForm::load()
{
    RestorePosition(this, kSection);
    if (!QFileInfo(g_DbPath).isFile()) {
        MsgBox(QStringLiteral("配置文件数据库没有找到，请与程序员联系！"), 16, QStringLiteral("配置出错"));
        for (QLineEdit *box : CC)
            box->setEnabled(false);
        OkSave->setEnabled(false);
        Command1->setEnabled(false);
        return;
    }
    try {
        Database db(g_DbPath, g_DbConnect);
        const RowSet config = db.openTable(QStringLiteral("Config"));
        if (config.isEmpty())
            throw DbError(DbError::Statement, QStringLiteral("Config 表没有记录"));
        QStringList values;
        for (int pos = 0; pos < 6; ++pos)
            values << config.text(0, pos);
        for (int i = 0; i < 6; ++i)
            CC[i]->setText(values[kFieldOfBox[i]]);
    } catch (const DbError &e) {
        if (!ShowDatabaseTrouble(e))
            MsgBox(QStringLiteral("数据出错,请与设计者联系!"), 16, QStringLiteral("警告!"));
        return;
    }
    m_SavedPicturePath = CC[5]->text();
}

void ConfigForm::Form_Unload()
{
    SavePosition(this, kSection);
}

void ConfigForm::OkSave_Click()
{
    // Each box is checked as it is left, but the save can be reached without leaving the last one.
    QStringList texts;
    for (QLineEdit *box : CC)
        texts << box->text();
    if (const int bad = RefuseUnstorableAt(texts); bad >= 0) {
        CC[bad]->setFocus();
        return;
    }
    if (Trim(CC[0]->text()).isEmpty()) {
        CC[0]->setText(QStringLiteral("Fernwick软件开发工作室"));
        MsgBox(QStringLiteral("没有配置公司名称,系统将以缺省的公司名称!"), 32, QStringLiteral("没有填写公司名称"));
    }
    bool pathPutBack = false;
    if (DesktopPictureFile(CC[5]->text()).isEmpty()) {
        MsgBox(QStringLiteral("没有配置桌面图片文件,桌面将不显示图片!"), 32, QStringLiteral("没有图片"));
    } else if (!QFileInfo(DesktopPictureFile(CC[5]->text())).isFile()) {
        MsgBox(QStringLiteral("配置的图片文件不存在,系统将以缺省的图片放置!"), 48, QStringLiteral("文件没有找到"));
        CC[5]->setText(m_SavedPicturePath);
        pathPutBack = true;
    }

    SetMousePointer(this, 11);
    frmMain *main = frmMain::instance();
    // A path of blanks is no path: it was announced as such above and clears the picture.
    const QString picture = CC[5]->text();
    if (!DesktopPictureFile(picture).isEmpty()) {
        if (!main->setDesktopPicture(picture)) {
            pictureFailure(pathPutBack);
            return;
        }
    } else {
        main->setDesktopPicture(QString());
    }

    try {
        CompanyInfo info;
        for (int i = 0; i < 6; ++i)
            info[kFieldOfBox[i]] = CC[i]->text();
        SaveCompanyInfo(info);
    } catch (const DbError &e) {
        // The old row stays; so does the picture it names.
        main->setDesktopPicture(m_SavedPicturePath);
        SetMousePointer(this, 0);
        if (!ShowDatabaseTrouble(e))
            MsgBox(QStringLiteral("公司信息没有保存：") + e.message(), 16, QStringLiteral("警告!"));
        return;
    }

    main->setPanelText(6, QStringLiteral("制作单位：") + CC[0]->text());
    main->setPanelToolTip(6, QStringLiteral("欢迎使用本软件"));
    SetMousePointer(this, 0);
    close();
}

void ConfigForm::pictureFailure(bool pathWasPutBack)
{
    MsgBox(QStringLiteral("无效的图片文件,支持 BMP、WMF、ICO、JPG、GIF、") + QStringLiteral("\n\r\r") +
               QStringLiteral("EMF、RLE 文件类型!系统不能安装 ") + CC[5]->text() + QStringLiteral(" 图片！"),
           32, QStringLiteral("图片错误"));
    frmMain *main = frmMain::instance();
    if (pathWasPutBack)
        main->setDesktopPicture(QString());
    else
        main->setDesktopPicture(m_SavedPicturePath); // clears the picture when that one fails too
    CC[5]->setFocus();
    CC[5]->setSelection(0, int(Trim(CC[5]->text()).size()));
    SetMousePointer(this, 0);
}

void ConfigForm::Command1_Click()
{
    SetMousePointer(this, 11);
    SelectFile::instance()->exec();
    SetMousePointer(this, 0);
}

void ConfigForm::Command2_Click()
{
    frmemail::Open();
}

int ConfigForm::boxIndex(QObject *o) const
{
    for (int i = 0; i < 6; ++i)
        if (CC[i] == o)
            return i;
    return -1;
}

bool ConfigForm::eventFilter(QObject *watched, QEvent *event)
{
    const int i = boxIndex(watched);
    if (i < 0)
        return FormDialog::eventFilter(watched, event);
    QLineEdit *box = CC[i];
    switch (event->type()) {
    case QEvent::FocusIn:
        SetBoxColours(box, 0xFF0000, 0xFFFFFF);
        SelectWhenFocused(box, false);
        break;
    case QEvent::FocusOut:
        SetBoxColours(box, 0xFFFFFF, 0x000000);
        if (FocusMovedWithinWindow(static_cast<QFocusEvent *>(event), box) && RefuseSpecialChar(box->text()))
            box->setFocus();
        break;
    case QEvent::KeyPress: {
        auto *ke = static_cast<QKeyEvent *>(event);
        if (ke->key() == Qt::Key_Up && i >= 1) {
            CC[i - 1]->setFocus(Qt::OtherFocusReason);
            return true;
        }
        if (ke->key() == Qt::Key_Down && i < 5) {
            CC[i + 1]->setFocus(Qt::OtherFocusReason);
            return true;
        }
        if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
            focusNextChild();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return FormDialog::eventFilter(watched, event);
}

} // namespace tv
