#include "admin/SelectFile.h"

#include "admin/ConfigForm.h"
#include "admin/PictureChooser.h"
#include "app/FormHelpers.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>

namespace tv {

namespace {
constexpr int kWindowHeightPx = 360;

// The preview's pointer: a four-way arrow, filled while the button is held.
QPixmap pointerPicture(bool pressed)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(pressed ? QColor(Qt::black) : QColor(Qt::white));
    p.drawEllipse(QRectF(10, 10, 12, 12));
    const QPolygonF head({QPointF(16, 1), QPointF(20, 6), QPointF(12, 6)});
    for (int turn = 0; turn < 4; ++turn) {
        p.save();
        p.translate(16, 16);
        p.rotate(90.0 * turn);
        p.translate(-16, -16);
        p.drawPolygon(head);
        p.restore();
    }
    return pm;
}

QCursor pointerOf(const QLabel *holder)
{
    return QCursor(holder->pixmap(), 16, 16);
}

int px(int twips)
{
    return TwipsToPx(twips);
}
} // namespace

SelectFile::SelectFile()
{
    setObjectName(QStringLiteral("SelectFile"));
    setWindowTitle(QStringLiteral("配置图片"));
    setModal(true);
    buildControls();

    RestorePosition(this, QStringLiteral("SelectPhoto"));
    setWindowWidth(chooser::kNarrowWidth);

    // The lists start at the process's current folder.
    m_DirPath = QDir::cleanPath(QDir::currentPath());
    m_FileFolder = m_DirPath;
    fillDrives();
    fillFolders();

    {
        const QSignalBlocker quiet(SelectType);
        for (const PictureType &type : PictureTypes())
            SelectType->addItem(type.text);
        SelectType->setCurrentIndex(0);
    }
    SelectType_Click();
    m_FilePattern = PictureTypePattern(0);

    DisplayPicture->setCursor(pointerOf(picUP));

    connect(Drive1, &QComboBox::currentIndexChanged, this, [this] { Drive1_Change(); });
    connect(SelectType, &QComboBox::currentIndexChanged, this, [this] { SelectType_Click(); });
    connect(Dir1, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { setDirPath(item->data(Qt::UserRole).toString()); });
    connect(File1, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            File1_Click();
    });
    // A click on the item that is already current comes here only; it counts when it changes the path.
    connect(File1, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        if (Text1->text() != ChosenFilePath(m_DirPath, item->text()))
            File1_Click();
    });
    connect(File1, &QListWidget::itemDoubleClicked, this, [this] { File1_DblClick(); });
    connect(Text1, &QLineEdit::textChanged, this, [this] { Text1_Change(); });
    connect(Check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });
    connect(Check2, &QCheckBox::toggled, this, [this] { Check2_Click(); });
    connect(HScroll1, &QScrollBar::valueChanged, this, [this] { HScroll1_Change(); });
    connect(VScroll1, &QScrollBar::valueChanged, this, [this] { VScroll1_Change(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(DelFile, &QAction::triggered, this, [this] { DelFile_Click(); });
}

SelectFile::~SelectFile()
{
    formUnloaded(this);
}

void SelectFile::buildControls()
{
    auto named = [](QWidget *w, const char *name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };

    Drive1 = new QComboBox(this);
    named(Drive1, "Drive1")->setGeometry(8, 8, 165, 24);
    Dir1 = new QListWidget(this);
    named(Dir1, "Dir1")->setGeometry(8, 36, 165, 196);
    File1 = new QListWidget(this);
    named(File1, "File1")->setGeometry(181, 8, 168, 224);
    File1->setSelectionMode(QAbstractItemView::SingleSelection);
    // Right presses reach the list itself, so they neither select nor open a menu of their own.
    File1->setContextMenuPolicy(Qt::PreventContextMenu);
    File1->viewport()->installEventFilter(this);
    SelectType = new QComboBox(this);
    named(SelectType, "SelectType")->setGeometry(8, 240, 341, 24);

    Label1 = new QLabel(QStringLiteral("选定的文件名称及路径"), this);
    named(Label1, "Label1")->setGeometry(8, 270, 341, 18);
    Text1 = new QLineEdit(this);
    named(Text1, "Text1")->setGeometry(8, 290, 341, 24);
    Text1->setReadOnly(true);

    Check1 = new QCheckBox(QStringLiteral("预览图片"), this);
    named(Check1, "Check1")->setGeometry(8, 324, 95, 24);
    Check2 = new QCheckBox(QStringLiteral("自动大小"), this);
    named(Check2, "Check2")->setGeometry(103, 324, 95, 24);
    Check2->setEnabled(false);

    Command1 = new QPushButton(QStringLiteral("确定(&O)"), this);
    named(Command1, "Command1")->setGeometry(205, 322, 70, 28);
    Command1->setDefault(true);
    Command1->setEnabled(false);
    Command2 = new QPushButton(QStringLiteral("取消(&C)"), this);
    named(Command2, "Command2")->setGeometry(279, 322, 70, 28);

    Picture1 = new QFrame(this);
    named(Picture1, "Picture1")
        ->setGeometry(px(chooser::kFrameLeft), px(chooser::kFrameTop), px(chooser::kFrameWidth),
                      px(chooser::kFrameHeight));
    Picture1->setAutoFillBackground(true);
    DisplayPicture = new QLabel(Picture1);
    named(DisplayPicture, "DisplayPicture")
        ->setGeometry(0, 0, px(chooser::kFrameWidth), px(chooser::kFrameHeight));
    DisplayPicture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    DisplayPicture->setScaledContents(true);
    DisplayPicture->setMouseTracking(true);
    DisplayPicture->installEventFilter(this);

    // The bars and the corner button lie over the picture, along the frame's bottom and right edges.
    const int barTop = chooser::kFrameHeight - chooser::kScrollThickness;
    const int barLeft = chooser::kFrameWidth - chooser::kScrollThickness;
    HScroll1 = new QScrollBar(Qt::Horizontal, Picture1);
    named(HScroll1, "HScroll1")
        ->setGeometry(0, px(barTop), px(chooser::kFrameWidth - chooser::kCornerSize),
                      px(chooser::kScrollThickness));
    VScroll1 = new QScrollBar(Qt::Vertical, Picture1);
    named(VScroll1, "VScroll1")
        ->setGeometry(px(barLeft), 0, px(chooser::kScrollThickness),
                      px(chooser::kFrameHeight - chooser::kCornerSize));
    for (QScrollBar *bar : {HScroll1, VScroll1}) {
        bar->setRange(0, 0);
        bar->setSingleStep(chooser::kCornerStep);
        bar->setPageStep(10 * chooser::kCornerStep);
        bar->hide();
    }
    Command3 = new QPushButton(Picture1);
    named(Command3, "Command3")
        ->setGeometry(px(chooser::kFrameWidth - chooser::kCornerSize),
                      px(chooser::kFrameHeight - chooser::kCornerSize), px(chooser::kCornerSize),
                      px(chooser::kCornerSize));
    Command3->hide();

    picUP = new QLabel(this);
    named(picUP, "picUP")->hide();
    picUP->setPixmap(pointerPicture(false));
    picDown = new QLabel(this);
    named(picDown, "picDown")->hide();
    picDown->setPixmap(pointerPicture(true));

    MenuEdit = new QMenu(QStringLiteral("编辑"), this);
    MenuEdit->setObjectName(QStringLiteral("MenuEdit"));
    DelFile = MenuEdit->addAction(QStringLiteral("删除(&D)"));
    DelFile->setObjectName(QStringLiteral("DelFile"));

    QWidget::setTabOrder(Drive1, Dir1);
    QWidget::setTabOrder(Dir1, File1);
    QWidget::setTabOrder(File1, SelectType);
    QWidget::setTabOrder(SelectType, Text1);
    QWidget::setTabOrder(Text1, Check1);
    QWidget::setTabOrder(Check1, Check2);
    QWidget::setTabOrder(Check2, Command1);
    QWidget::setTabOrder(Command1, Command2);
}

void SelectFile::Form_Unload()
{
    SavePosition(this, QStringLiteral("SelectPhoto"));
}

void SelectFile::setWindowWidth(int twips)
{
    setFixedSize(TwipsToPx(twips), kWindowHeightPx);
}

bool SelectFile::hasPreview() const
{
    return !m_Picture.isNull();
}

// --- Drives, folders and files ---

void SelectFile::fillDrives()
{
    const QSignalBlocker quiet(Drive1);
    Drive1->clear();
    for (const QString &root : MountedDrives())
        Drive1->addItem(root, root);
    selectDriveQuietly(DriveOf(m_DirPath));
}

void SelectFile::selectDriveQuietly(const QString &root)
{
    const QSignalBlocker quiet(Drive1);
    int i = Drive1->findData(root);
    if (i < 0) {
        Drive1->addItem(root, root);
        i = Drive1->count() - 1;
    }
    Drive1->setCurrentIndex(i);
}

void SelectFile::fillFolders()
{
    const QSignalBlocker quiet(Dir1);
    Dir1->clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    for (const FolderEntry &e : FolderTree(m_DirPath)) {
        auto *item =
            new QListWidgetItem(e.open ? open : closed, QString(2 * e.depth, QLatin1Char(' ')) + e.name);
        item->setData(Qt::UserRole, e.path);
        Dir1->addItem(item);
        if (e.open && e.path == m_DirPath)
            Dir1->setCurrentItem(item);
    }
}

void SelectFile::refreshFiles()
{
    const QSignalBlocker quiet(File1);
    File1->clear();
    File1->addItems(ListMatchingFiles(m_FileFolder, m_FilePattern));
    File1->setCurrentRow(-1);
}

void SelectFile::setDirPath(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    if (clean == m_DirPath)
        return;
    m_DirPath = clean;
    fillFolders();
    Dir1_Change();
}

void SelectFile::Drive1_Change()
{
    for (;;) {
        const QString drive = Drive1->currentData().toString();
        if (DriveIsReady(drive)) {
            // A folder list already on this drive stays where it is, as it does on returning to the
            // drive after a cancel.
            if (DriveOf(m_DirPath) != drive)
                setDirPath(drive);
            Text1->clear();
            return;
        }
        if (MsgBox(DriveNotReadyText(Drive1->currentText()), 21, QStringLiteral("驱动器没有准备好！")) ==
            vbRetry)
            continue;
        const int back = Drive1->findData(DriveOf(m_DirPath));
        if (back >= 0)
            Drive1->setCurrentIndex(back); // runs this change again, for that drive
        Text1->clear();
        return;
    }
}

void SelectFile::Dir1_Change()
{
    // On this system the folder tree crosses drives; the drive list follows the folder without acting.
    if (Drive1->currentData().toString() != DriveOf(m_DirPath))
        selectDriveQuietly(DriveOf(m_DirPath));
    m_FileFolder = m_DirPath;
    if (SelectType->currentIndex() > 0)
        m_FilePattern = PictureTypePattern(SelectType->currentIndex());
    refreshFiles();
    Text1->clear();
}

void SelectFile::SelectType_Click()
{
    Text1->clear();
    m_FilePattern = PictureTypePattern(SelectType->currentIndex());
    refreshFiles();
}

void SelectFile::File1_Click()
{
    QListWidgetItem *item = File1->currentItem();
    if (!item)
        return;
    Text1->setText(ChosenFilePath(m_DirPath, item->text()));
    if (Check1->isChecked())
        previewLoad();
    SetMousePointer(this, 0);
}

void SelectFile::File1_DblClick()
{
    Command1_Click();
}

void SelectFile::Text1_Change()
{
    const bool chosen = !Trim(Text1->text()).isEmpty();
    Command1->setEnabled(chosen);
    Check2->setEnabled(chosen);
    if (!chosen)
        clearPreview();
}

// --- The preview ---

void SelectFile::Check1_Click()
{
    if (Check1->isChecked()) {
        setWindowWidth(chooser::kWideWidth);
        if (!Text1->text().isEmpty())
            previewLoad();
    } else {
        setWindowWidth(chooser::kNarrowWidth);
        clearPreview();
    }
}

void SelectFile::stretchInFrame()
{
    m_Stretch = true;
    DisplayPicture->setScaledContents(true);
    DisplayPicture->resize(px(chooser::kFrameWidth), px(chooser::kFrameHeight));
}

void SelectFile::showNaturalSize()
{
    m_Stretch = false;
    DisplayPicture->setScaledContents(false);
    if (!m_Picture.isNull())
        DisplayPicture->resize(m_Picture.size());
}

void SelectFile::hideScrollBars()
{
    HScroll1->hide();
    VScroll1->hide();
    Command3->hide();
}

void SelectFile::clearPreview()
{
    m_Picture = QPixmap();
    DisplayPicture->clear();
}

void SelectFile::previewLoad()
{
    SetMousePointer(this, 11);
    const bool natural = Check2->isChecked();
    if (natural)
        showNaturalSize();
    else
        stretchInFrame();

    // Types that no image reader knows (metafiles among them) fail here like any file that is no picture.
    QImageReader reader(Text1->text());
    const QImage image = reader.read();
    bool ok = !image.isNull();
    if (ok) {
        m_Picture = QPixmap::fromImage(image);
        DisplayPicture->setPixmap(m_Picture);
        if (natural)
            DisplayPicture->resize(m_Picture.size());
        if (natural)
            ok = scrollSetup(true);
        else
            hideScrollBars();
    }
    if (!ok) {
        MsgBox(QStringLiteral("图片出错，不能浏览！"), 16, QStringLiteral("图片不能安装"));
        clearPreview();
    }
    SetMousePointer(this, 0);
}

bool SelectFile::scrollSetup(bool stopAtFailure)
{
    HScroll1->setValue(0);
    VScroll1->setValue(0);
    const ScrollSetup s =
        ScrollSetupFor(PxToTwips(DisplayPicture->width()), PxToTwips(DisplayPicture->height()));
    // setRange keeps the minimum at 0; setMaximum would pull it below 0 with a small picture's
    // negative maximum and push the picture off the frame's corner.
    if (s.hMaximum)
        HScroll1->setRange(0, *s.hMaximum);
    else if (stopAtFailure)
        return false;
    if (s.vMaximum)
        VScroll1->setRange(0, *s.vMaximum);
    else if (stopAtFailure)
        return false;
    VScroll1->setVisible(s.vVisible);
    HScroll1->setVisible(s.hVisible);
    Command3->setVisible(s.cornerVisible);
    return true;
}

void SelectFile::Check2_Click()
{
    if (!Check1->isChecked())
        return;
    if (Check2->isChecked()) {
        showNaturalSize();
        scrollSetup(false);
    } else {
        stretchInFrame();
        DisplayPicture->move(0, 0);
        hideScrollBars();
    }
}

void SelectFile::HScroll1_Change()
{
    DisplayPicture->move(TwipsToPx(-double(HScroll1->value())), DisplayPicture->y());
}

void SelectFile::VScroll1_Change()
{
    DisplayPicture->move(DisplayPicture->x(), TwipsToPx(-double(VScroll1->value())));
}

void SelectFile::Command3_Click()
{
    HScroll1->setValue(CornerStepValue(HScroll1->value(), HScroll1->maximum()));
    VScroll1->setValue(CornerStepValue(VScroll1->value(), VScroll1->maximum()));
}

void SelectFile::DisplayPicture_MouseDown(double x, double y)
{
    m_Dragging = true;
    m_DownX = WholeTwips(x);
    m_DownY = WholeTwips(y);
    DisplayPicture->setCursor(pointerOf(picDown));
}

void SelectFile::DisplayPicture_MouseUp()
{
    m_Dragging = false;
    DisplayPicture->setCursor(pointerOf(picUP));
}

void SelectFile::DisplayPicture_MouseMove(double x, double y)
{
    if (m_Dragging && (!HScroll1->isHidden() || !VScroll1->isHidden())) {
        if (const auto h = DragValue(WholeTwips(x), m_DownX, HScroll1->value(), HScroll1->maximum()))
            HScroll1->setValue(*h);
        if (const auto v = DragValue(WholeTwips(y), m_DownY, VScroll1->value(), VScroll1->maximum()))
            VScroll1->setValue(*v);
    }
    DisplayPicture->setToolTip(SizeToolTip(Text1->text().isEmpty(), Check2->isChecked(),
                                           PxToTwips(DisplayPicture->width()),
                                           PxToTwips(DisplayPicture->height())));
}

void SelectFile::DisplayPicture_DblClick()
{
    if (Command1->isEnabled())
        Command1_Click();
}

// --- Commands ---

void SelectFile::Command1_Click()
{
    if (ConfigForm::isLoaded())
        ConfigForm::existing()->CC[5]->setText(Text1->text());
    close();
}

void SelectFile::Command2_Click()
{
    SetStatusText(kIdleText);
    close();
}

void SelectFile::File1_MouseDown(int button, const QPoint &globalPos)
{
    if (button != 2)
        return;
    DelFile->setEnabled(!File1->selectedItems().isEmpty());
    MenuEdit->popup(globalPos);
}

void SelectFile::DelFile_Click()
{
    // The path box names the one file to go: the last one clicked, whatever the list shows meanwhile.
    const QString path = Text1->text();
    if (MsgBox(DeleteQuestion(path), 20, QStringLiteral("删除文件")) != vbYes)
        return;
    if (path.isEmpty() || !QFileInfo(path).isFile() || !QFile::remove(path)) {
        MsgBox(QStringLiteral("删除文件错误，文件被打开或共享"), 16, QStringLiteral("警告"));
        return;
    }
    Text1->clear();
    if (Check1->isChecked())
        clearPreview();
    refreshFiles();
}

bool SelectFile::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type t = event->type();
    if (watched == DisplayPicture) {
        const bool mouse = t == QEvent::MouseButtonPress || t == QEvent::MouseMove;
        const auto *me = mouse ? static_cast<QMouseEvent *>(event) : nullptr;
        switch (t) {
        case QEvent::MouseButtonPress:
            DisplayPicture_MouseDown(me->position().x() * kTwipsPerPixel,
                                     me->position().y() * kTwipsPerPixel);
            return true;
        case QEvent::MouseMove:
            DisplayPicture_MouseMove(me->position().x() * kTwipsPerPixel,
                                     me->position().y() * kTwipsPerPixel);
            return true;
        case QEvent::MouseButtonRelease:
            DisplayPicture_MouseUp();
            return true;
        case QEvent::MouseButtonDblClick:
            DisplayPicture_DblClick();
            return true;
        default:
            break;
        }
    } else if (watched == File1->viewport()) {
        if (t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick ||
            t == QEvent::MouseButtonRelease) {
            auto *me = static_cast<QMouseEvent *>(event);
            if (me->button() == Qt::RightButton) {
                if (t == QEvent::MouseButtonPress)
                    File1_MouseDown(2, me->globalPosition().toPoint());
                return true;
            }
        }
    }
    return FormDialog::eventFilter(watched, event);
}

} // namespace tv
