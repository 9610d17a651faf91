#pragma once

#include "app/FormDialog.h"
#include "journal/Catalog.h"

#include <QStringList>
#include <functional>
#include <array>

class QComboBox;
class QFrame;
class QGroupBox;
class QHBoxLayout;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tv {

// What the add-security and modify-security dialogs have in common: the ten boxes of a Detail row with
// their lengths, focus colours and key filters, the category list, the document chooser with its
// picture button, and the pieces of the save.
class SecurityForm : public FormDialog
{
    Q_OBJECT
public:
    // The boxes' typed-length limits, box by box.
    using Lengths = std::array<int, 10>;
    SecurityForm(const QString &name, const Lengths &lengths);

    std::array<QLineEdit *, 10> txtFields{};
    QComboBox *Combo1 = nullptr;
    QPushButton *SaveAdd = nullptr;
    QPushButton *ExitB = nullptr;
    QLabel *picEditFile = nullptr;
    QFrame *lLeft = nullptr, *lTop = nullptr, *lRight = nullptr, *lBottom = nullptr;
    QGroupBox *Frame1 = nullptr;

    // Categories as loaded at opening, in stored order; m_CatLast is the last index (-1 for none).
    QStringList m_CatNames;
    QStringList m_CatAccounts;
    int m_CatLast = -1;
    bool m_Unsaved = false;
    bool m_HoverFrameShown = false;

    void picEditFile_Click();
    virtual void txtFields_LostFocus(int index) = 0;
    virtual void SaveAdd_Click() = 0;
    virtual void ExitB_Click() = 0;

protected:
    // The row beside the code box, for what a dialog shows there.
    QHBoxLayout *codeRow() const { return m_codeRow; }

    void loadCategories();
    // The account of the category named in Combo1 into g_CurAccount; a name that is no loaded category
    // is refused with a message.
    bool lookUpAccount();
    // The empty-box refusal of a save: the message, and the focus in the box; true when refused.
    bool refuseEmpty(int index, const QString &message, const QString &title);
    // Normalises the number boxes and stores the boxes' row through store; a refusal by the stored
    // rows or a failed write is shown (the file stays as it was) and gives false.
    bool storeBoxes(const std::function<SecurityOutcome(Database &, const SecurityRow &)> &store);
    // The single-quote refusal of a box being left: true (and the focus back in the box) when refused.
    bool refuseQuote(int index);
    // The message of a duplicate code or name found on leaving a box: the box is emptied and focused.
    void refuseDuplicate(int index);
    // Moves the focus without running the leave-box checks of the box the focus passes through.
    void refocus(QWidget *w);
    void sendTab(QWidget *from);

    virtual bool colouredOnFocus(int) const { return true; }
    // A key typed into box `index`; true when it is swallowed. The number boxes filter their own keys.
    virtual bool txtFields_KeyPress(int index, QKeyEvent *event);

    bool eventFilter(QObject *watched, QEvent *event) override;

    bool m_unloading = false; // no leave-box checks while the window goes

private:
    void showHoverFrame(bool on);
    int boxIndex(const QObject *o) const;

    QHBoxLayout *m_codeRow = nullptr;
    bool m_redirecting = false;
};

} // namespace tv
