#pragma once

#include "app/FormDialog.h"
#include "app/Forms.h"

#include <QPixmap>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QScrollBar;

namespace tv {

// The picture chooser of the company window: drives, folders and picture files, the chosen path, and a
// preview that is stretched into the frame or shown at its natural size with scroll bars.
class SelectFile : public FormDialog, public Form<SelectFile>
{
    Q_OBJECT
public:
    SelectFile();
    ~SelectFile() override;

    QComboBox *Drive1;
    QListWidget *Dir1;
    QListWidget *File1;
    QComboBox *SelectType;
    QLabel *Label1;
    QLineEdit *Text1;
    QCheckBox *Check1;
    QCheckBox *Check2;
    QFrame *Picture1;
    QLabel *DisplayPicture;
    QScrollBar *HScroll1;
    QScrollBar *VScroll1;
    QPushButton *Command3;
    QPushButton *Command1;
    QPushButton *Command2;
    QLabel *picUP;
    QLabel *picDown;
    QMenu *MenuEdit;
    QAction *DelFile;

    // The folder list's path, and moving it as a double click on a folder does.
    QString dirPath() const { return m_DirPath; }
    void setDirPath(const QString &path);
    QString filePattern() const { return m_FilePattern; }
    bool dragging() const { return m_Dragging; }
    bool hasPreview() const; // a picture is on the preview image

    void Drive1_Change();
    void Dir1_Change();
    void SelectType_Click();
    void File1_Click();
    void File1_DblClick();
    void File1_MouseDown(int button, const QPoint &globalPos);
    void Text1_Change();
    void Check1_Click();
    void Check2_Click();
    void HScroll1_Change();
    void VScroll1_Change();
    void Command3_Click();
    // Pointer positions in twips, relative to the preview image.
    void DisplayPicture_MouseDown(double x, double y);
    void DisplayPicture_MouseMove(double x, double y);
    void DisplayPicture_MouseUp();
    void DisplayPicture_DblClick();
    void Command1_Click();
    void Command2_Click();
    void DelFile_Click();

    // Esc is the cancel button's.
    void reject() override { Command2_Click(); }

protected:
    void Form_Unload() override;
    void markUnloaded() override { formUnloaded(this); }
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void fillDrives();
    void selectDriveQuietly(const QString &root);
    void fillFolders();
    void refreshFiles();
    void setWindowWidth(int twips);
    void previewLoad();
    bool scrollSetup(bool stopAtFailure);
    void stretchInFrame();
    void showNaturalSize();
    void hideScrollBars();
    void clearPreview();

    QString m_DirPath;
    QString m_FileFolder;
    QString m_FilePattern;
    QPixmap m_Picture;
    bool m_Stretch = true;
    bool m_Dragging = false;
    int m_DownX = 0;
    int m_DownY = 0;
};

} // namespace tv
