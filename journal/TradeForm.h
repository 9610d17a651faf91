#pragma once

// The controls the trade-entry panel and the record-edit dialog share: the trade type, the settlement
// date and the numbered boxes, two to a row under their captions, with "保存" and "取消" below.

#include <QList>
#include <QString>
#include <QStringList>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QObject;
class QPushButton;
class QWidget;

namespace tv {

struct TradeFormControls
{
    QComboBox *type = nullptr;
    QDateEdit *date = nullptr;
    QList<QLineEdit *> boxes; // boxes[1] to boxes[n]; boxes[0] is null
    QPushButton *save = nullptr;
    QPushButton *cancel = nullptr;
};

// The captions of boxes 1 to 9, which both forms have.
QStringList TradeBoxCaptions();

// Lays the controls out on parent for boxes 1 to captions.size() - 1 (captions[0] unused). Boxes 1 to
// numericBoxes are numeric boxes; Enter moves on; boxFilter sees every box's events after the Enter
// handling. The tab order is the type, the date, the boxes, save, cancel.
TradeFormControls BuildTradeForm(QWidget *parent, const QStringList &captions, int numericBoxes, QObject *boxFilter,
                                 const QString &saveName, const QString &cancelName);

} // namespace tv
