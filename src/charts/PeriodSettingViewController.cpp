#include "charts/PeriodSettingViewController.h"

#include "platform/UserDefaults.h"
#include "platform/Values.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

PeriodSettingViewController::PeriodSettingViewController(
    const QString& key, const QString& defaultPeriod, const QString& indicator, QWidget* parent)
    : PeriodDialog(parent)
    , m_key(key)
    , m_default(defaultPeriod)
{
    setTitle(indicator + QStringLiteral("参数设置"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(indicator + QStringLiteral("周期"), this));
    iTextField = new QLineEdit(this);
    iTextField->setObjectName(QStringLiteral("iTextField"));
    // Until a period is stored the field shows the one the chart uses.
    iTextField->setText(defaultPeriod);
    row->addWidget(iTextField, 1);
    layout->addLayout(row);

    auto* buttons = new QHBoxLayout;
    auto* defaultButton = new QPushButton(QStringLiteral("默认"), this);
    defaultButton->setObjectName(QStringLiteral("DefaultButton"));
    auto* cancelButton = new QPushButton(QStringLiteral("取消"), this);
    cancelButton->setObjectName(QStringLiteral("DoCanceBtn"));
    auto* okButton = new QPushButton(QStringLiteral("确定"), this);
    okButton->setObjectName(QStringLiteral("DoOKBtn"));
    okButton->setDefault(true);
    buttons->addWidget(defaultButton);
    buttons->addStretch(1);
    buttons->addWidget(cancelButton);
    buttons->addWidget(okButton);
    layout->addLayout(buttons);

    connect(okButton, &QPushButton::clicked, this, [this]() { DoOKBtnPressed(); });
    connect(cancelButton, &QPushButton::clicked, this, [this]() { DoCanceBtnPressed(); });
    connect(defaultButton, &QPushButton::clicked, this, [this]() { DefaultButtonPressed(); });
    setFixedSize(280, 110);
}

PeriodSettingViewController::~PeriodSettingViewController() = default;

void PeriodSettingViewController::viewDidLoad()
{
    PeriodDialog::viewDidLoad();
    // The period as it is stored now, also by another copy of the application.
    platform::UserDefaults::standardUserDefaults()->synchronize();
    const QVariant stored = platform::UserDefaults::standardUserDefaults()->objectForKey(m_key);
    if (stored.metaType().id() == QMetaType::QString)
        iTextField->setText(stored.toString());
}

void PeriodSettingViewController::DoOKBtnPressed()
{
    // The whole-number value of the text: "12.7" stores 12, text that is no
    // number stores 0.
    const long period = long(platform::integerValue(QStringView(iTextField->text())));
    auto* defaults = platform::UserDefaults::standardUserDefaults();
    defaults->setObject(platform::stringWithFormat("%ld", period), m_key);
    defaults->synchronize();
    if (DoOK)
        DoOK();
    dismissController();
}

void PeriodSettingViewController::DoCanceBtnPressed()
{
    if (DoCancel)
        DoCancel();
    dismissController();
}

void PeriodSettingViewController::DefaultButtonPressed()
{
    iTextField->setText(m_default);
    DoOKBtnPressed();
}
