#include "charts/PeriodSettingViewController.h"

#include "platform/UserDefaults.h"
#include "platform/Values.h"
#include "platform/widgets/Presenters.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

PeriodSettingViewController::PeriodSettingViewController(const QString& key, const QString& defaultPeriod,
    const QString& indicator, long shortestPeriod, QWidget* parent)
    : PeriodDialog(parent)
    , m_key(key)
    , m_default(defaultPeriod)
    , m_indicator(indicator)
    , m_shortest(shortestPeriod)
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
    connect(iTextField, &QLineEdit::returnPressed, this, [this]() { DoOKBtnPressed(); });
    setFixedSize(280, 110);
}

PeriodSettingViewController::~PeriodSettingViewController() = default;

void PeriodSettingViewController::viewDidLoad()
{
    PeriodDialog::viewDidLoad();
    const QVariant stored = platform::UserDefaults::standardUserDefaults()->objectForKey(m_key);
    if (stored.metaType().id() == QMetaType::QString)
        iTextField->setText(stored.toString());
}

void PeriodSettingViewController::DoOKBtnPressed()
{
    // Only a whole number the chart can draw with is stored: "12.7", "1,5",
    // "abc" or an empty field would replace the user's period with one the
    // chart silently ignores.
    static const QRegularExpression wholeNumber(QStringLiteral("^[0-9]{1,3}$"));
    const QString text = iTextField->text().trimmed();
    const long period
        = wholeNumber.match(text).hasMatch() ? long(platform::integerValue(QStringView(text))) : -1;
    if (period < m_shortest || period > kLongestPeriod) {
        platform::showAlert(this,
            platform::stringWithFormat(
                "%@周期须为%ld到%ld之间的整数，请重新输入。", m_indicator, m_shortest, kLongestPeriod));
        iTextField->setFocus();
        iTextField->selectAll();
        return;
    }
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
