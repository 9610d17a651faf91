#pragma once

#include "app/FormDialog.h"
#include "app/Forms.h"

#include <array>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tv {

class DbError;

// The categories of securities, each a name with one shareholder account, on the left; the trade modes
// of the selected category with their fee schedules on the right.
class frmCatalog : public FormDialog, public Form<frmCatalog>
{
    Q_OBJECT
public:
    frmCatalog();
    ~frmCatalog() override;

    // The category half
    QListWidget *ListView1 = nullptr;
    QPushButton *AddB = nullptr;
    QPushButton *cmdModify = nullptr;
    QPushButton *DeleteB = nullptr;
    QPushButton *ExitB = nullptr;
    QFrame *AddPicture = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *NewTypeName = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *Text2 = nullptr;
    QPushButton *SaveRecord = nullptr;
    QPushButton *CancelRecord = nullptr;
    QLabel *picDraw = nullptr;

    // The trade-mode half
    QLabel *Label2 = nullptr;
    QTreeWidget *TreeView1 = nullptr;
    QPushButton *AddB1 = nullptr;
    QPushButton *cmdModify1 = nullptr;
    QPushButton *DeleteB1 = nullptr;
    QFrame *Picture2 = nullptr;
    QLabel *Picture3 = nullptr;
    QLabel *Label3 = nullptr;
    std::array<QLineEdit *, 9> Text1{};
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;

    QString m_Category;
    QString m_Account;
    QString m_TradeMode;
    bool m_Changed = false;

    // The list item of a category by its account, and a category's item by its name.
    QListWidgetItem *categoryItem(const QString &name) const;
    static QString itemKey(const QListWidgetItem *item);

    void ListView1_ItemClick(QListWidgetItem *item);
    void AddB_Click();
    void cmdModify_Click();
    void SaveRecord_Click();
    void CancelRecord_Click();
    void DeleteB_Click();
    void ExitB_Click();
    void NewTypeName_Change();
    void Text2_Change();
    void SetRights();
    void DisableCommands();

    void LoadTradeModes();
    void TreeView1_NodeClick(QTreeWidgetItem *node);
    void AddB1_Click();
    void cmdModify1_Click();
    void DeleteB1_Click();
    void Command1_Click();
    void Command2_Click();
    void Text1_Change(int index);

    void reject() override { ExitB_Click(); } // Esc is the Close button

protected:
    void Form_Unload() override;
    void changeEvent(QEvent *event) override;
    void markUnloaded() override { formUnloaded(this); }
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildCategoryHalf();
    void buildTradeModeHalf();
    void fillList();
    void closeCategoryPanel(bool focusModify);
    void showDbFailure(const QString &what, const DbError &e);
};

} // namespace tv
