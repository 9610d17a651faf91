#include "quotes/frmup.h"

#include "app/Globals.h"
#include "data/Settings.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tv {

frmup::frmup()
{
    setObjectName(QStringLiteral("frmup"));
    setWindowTitle(QStringLiteral("选择行情服务器"));

    Frame1 = new QGroupBox(QStringLiteral("服务器选择"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Option1 = new QRadioButton(QStringLiteral("证券之星"), Frame1);
    Option2 = new QRadioButton(QStringLiteral("新浪"), Frame1);
    Option3 = new QRadioButton(QStringLiteral("网易"), Frame1);
    auto *options = new QVBoxLayout(Frame1);
    const QList<std::pair<QRadioButton *, QString>> sources = {{Option1, QStringLiteral("star")},
                                                               {Option2, QStringLiteral("sina")},
                                                               {Option3, QStringLiteral("sohu")}};
    for (int i = 0; i < sources.size(); ++i) {
        QRadioButton *option = sources[i].first;
        const QString source = sources[i].second;
        option->setObjectName(QStringLiteral("Option%1").arg(i + 1));
        options->addWidget(option);
        connect(option, &QRadioButton::clicked, this, [source] { g_QuoteSource = source; });
    }

    OKButton = new QPushButton(QStringLiteral("确定"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    CancelButton = new QPushButton(QStringLiteral("取消"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &frmup::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &QWidget::close);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    buttons->addStretch();
    auto *all = new QHBoxLayout(this);
    all->addWidget(Frame1, 1);
    all->addLayout(buttons);

    if (g_QuoteSource == QLatin1String("sina"))
        Option2->setChecked(true);
    else if (g_QuoteSource == QLatin1String("sohu"))
        Option3->setChecked(true);
    else
        Option1->setChecked(true);
}

frmup::~frmup()
{
    formUnloaded(this);
}

void frmup::OKButton_Click()
{
    SaveSetting(kAppNameShared, QStringLiteral("frmup"), QStringLiteral("Code"), g_QuoteSource);
    close();
}

} // namespace tv
