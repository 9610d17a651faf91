#include "journal/TradeForm.h"

#include "app/BoxHelpers.h"
#include "app/FormHelpers.h"
#include "app/Shared.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv {

QStringList TradeBoxCaptions()
{
    return {QString(),
            QStringLiteral("成交价格："),
            QStringLiteral("成交数量："),
            QStringLiteral("证券余额："),
            QStringLiteral("成交金额："),
            QStringLiteral("资金余额："),
            QStringLiteral("手续费："),
            QStringLiteral("印花税："),
            QStringLiteral("过户费："),
            QStringLiteral("其它费用：")};
}

TradeFormControls BuildTradeForm(QWidget *parent, const QStringList &captions, int numericBoxes, QObject *boxFilter,
                                 const QString &saveName, const QString &cancelName)
{
    TradeFormControls c;
    c.type = new QComboBox(parent);
    c.type->setObjectName(QStringLiteral("Combo1"));
    c.type->setEditable(true);
    c.type->setInsertPolicy(QComboBox::NoInsert);
    c.date = NewDatePicker(parent, QStringLiteral("DTPicker1"), kWrongValueTitle);

    auto *grid = new QGridLayout;
    auto place = [grid, parent](int row, int column, const QString &caption, QWidget *control) {
        auto *label = new QLabel(caption, parent);
        label->setBuddy(control);
        grid->addWidget(label, row, column * 2, Qt::AlignRight);
        grid->addWidget(control, row, column * 2 + 1);
    };
    place(0, 0, QStringLiteral("交易类别："), c.type);
    place(0, 1, QStringLiteral("交收日期："), c.date);
    c.boxes << nullptr;
    for (int i = 1; i < captions.size(); ++i) {
        auto *box = new QLineEdit(parent);
        box->setObjectName(QStringLiteral("Text1_%1").arg(i));
        if (i <= numericBoxes)
            SetUpNumericBox(box);
        EnterMovesFocus(box);
        box->installEventFilter(boxFilter); // after EnterMovesFocus, so it sees each key first
        c.boxes << box;
        place(1 + (i - 1) / 2, (i - 1) % 2, captions[i], box);
    }

    c.save = new QPushButton(QStringLiteral("保存"), parent);
    c.save->setObjectName(saveName);
    c.cancel = new QPushButton(QStringLiteral("取消"), parent);
    c.cancel->setObjectName(cancelName);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(c.save);
    buttons->addWidget(c.cancel);
    auto *outer = new QVBoxLayout(parent);
    outer->addLayout(grid);
    outer->addLayout(buttons);

    QWidget::setTabOrder(c.type, c.date);
    QWidget *previous = c.date;
    for (int i = 1; i < c.boxes.size(); ++i) {
        QWidget::setTabOrder(previous, c.boxes[i]);
        previous = c.boxes[i];
    }
    QWidget::setTabOrder(previous, c.save);
    QWidget::setTabOrder(c.save, c.cancel);
    return c;
}

} // namespace tv
