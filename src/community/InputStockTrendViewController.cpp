#include "community/InputStockTrendViewController.h"

#include "app/AppDelegate.h"
#include "app/ErrorMessages.h"
#include "app/WindowReply.h"
#include "backend/QuilorSDK.h"
#include "community/Logging.h"
#include "market/stocks.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/Types.h"
#include "platform/Values.h"
#include "platform/widgets/PlainText.h"
#include "platform/widgets/Presenters.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// The backend's answer to a second forecast of the same stock on one day.
constexpr int kAlreadyForecast = -1020;

QuilorSDK* client()
{
    AppDelegate* delegate = AppDelegate::shared();
    return delegate ? delegate->iQuilorSDK() : nullptr;
}

QString stockNameOf(const QString& code)
{
    QuilorSDK* sdk = client();
    if (!sdk || !sdk->iStocks())
        return QString();
    const StockQuoteDict record = sdk->iStocks()->recordFor(code);
    return record ? platform::stringOf(*record, QStringLiteral("stockname")) : QString();
}

} // namespace

InputStockTrendViewController::InputStockTrendViewController(QWidget* parent)
    : platform::ViewController(parent)
{
    setObjectName(QStringLiteral("InputStockTrendViewController"));
    setTitle(QStringLiteral("明日走势预测"));
    resize(360, 200);
}

void InputStockTrendViewController::InitStockcode(const QString& stockcode)
{
    m_code = stockcode;
    if (m_stockLabel)
        m_stockLabel->setText(stockNameOf(m_code) + QLatin1Char(' ') + m_code);
}

QString InputStockTrendViewController::trendValue(int choice)
{
    switch (choice) {
    case 0:
        return QStringLiteral("1");
    case 1:
        return QStringLiteral("0");
    case 2:
        return QStringLiteral("-1");
    default:
        return QString();
    }
}

void InputStockTrendViewController::viewDidLoad()
{
    auto* layout = new QVBoxLayout(this);
    m_stockLabel = platform::plainLabel(stockNameOf(m_code) + QLatin1Char(' ') + m_code, this);
    m_stockLabel->setObjectName(QStringLiteral("stockLabel"));
    layout->addWidget(m_stockLabel);
    layout->addWidget(new QLabel(QStringLiteral("你认为明天的走势是："), this));

    m_choices = new QButtonGroup(this);
    auto* row = new QHBoxLayout;
    const QStringList titles = { QStringLiteral("看涨"), QStringLiteral("看平"), QStringLiteral("看跌") };
    for (int i = 0; i < titles.size(); ++i) {
        auto* button = new QRadioButton(titles.at(i), this);
        m_choices->addButton(button, i);
        row->addWidget(button);
    }
    layout->addLayout(row);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    connect(cancel, &QPushButton::clicked, this, &InputStockTrendViewController::dismissController);
    buttons->addWidget(cancel);
    m_sendButton = new QPushButton(QStringLiteral("发送"), this);
    m_sendButton->setObjectName(QStringLiteral("sendButton"));
    m_sendButton->setDefault(true);
    connect(m_sendButton, &QPushButton::clicked, this, [this]() { sendTrend(); });
    buttons->addWidget(m_sendButton);
    layout->addLayout(buttons);
}

int InputStockTrendViewController::choice() const
{
    return m_choices ? m_choices->checkedId() : -1;
}

void InputStockTrendViewController::setChoice(int choice)
{
    loadViewIfNeeded();
    if (QAbstractButton* button = m_choices->button(choice))
        button->setChecked(true);
}

bool InputStockTrendViewController::sendTrend()
{
    if (m_sending)
        return false;
    loadViewIfNeeded();
    const QString trend = trendValue(choice());
    if (trend.isEmpty()) {
        platform::showAlert(this, QStringLiteral("请选择明天的走势"));
        return false;
    }
    QuilorSDK* sdk = client();
    // A forecast sent and then left by closing the dialog still changes the
    // votes shown elsewhere, or is reported failed over the opener.
    auto* reply = sdk ? new app::WindowReply(this, this,
                      app::runOrReport(
                          [] {
                              platform::NotificationCenter::defaultCenter()->postNotificationName(
                                  QStringLiteral("TrendChanged"));
                          },
                          presentingViewController(),
                          [](const app::ReplyOutcome& outcome) {
                              return refusalText(outcome.code, outcome.description);
                          }),
                      sdk)
                      : nullptr;
    if (!reply || !sdk->SendStockTrend(m_code, trend, nullptr, reply)) {
        delete reply;
        platform::showAlert(this, QStringLiteral("网络不给力，发送预测失败，请重试!"));
        return false;
    }
    // One forecast at a time: a second press while the first is on its way
    // would send it twice.
    m_sending = true;
    m_sendButton->setEnabled(false);
    return true;
}

bool InputStockTrendViewController::HttpResult(const QVariant& result, int api, bool isCache)
{
    Q_UNUSED(result);
    Q_UNUSED(isCache);
    if (api != backend::kApiSendTrend)
        return true;
    m_sending = false;
    platform::NotificationCenter::defaultCenter()->postNotificationName(QStringLiteral("TrendChanged"));
    // Closing destroys the dialog: leave the reply's call stack first.
    platform::runOnMainAsync(this, [this]() { dismissController(); });
    return true;
}

bool InputStockTrendViewController::HttpEvent(int code, const QString& description, int api)
{
    if (api != backend::kApiSendTrend)
        return true;
    // The server's refusal (a negative code) is the user's to read, not the terminal's.
    if (code < 0)
        qCDebug(lcCommunity, "forecast refused (%d %s)", code, qUtf8Printable(description));
    else
        qCWarning(lcCommunity, "forecast failed (%d %s)", code, qUtf8Printable(description));
    m_sending = false;
    if (m_sendButton)
        m_sendButton->setEnabled(true);
    platform::showAlert(this, refusalText(code, description));
    return true;
}

QString InputStockTrendViewController::refusalText(int code, const QString& description)
{
    if (code >= 0)
        return QStringLiteral("网络不给力，发送预测失败，请重试!");
    if (app::errorDict().contains(QString::number(code)))
        return app::errorText(code);
    if (!description.trimmed().isEmpty())
        return description.trimmed();
    if (code == kAlreadyForecast)
        return QStringLiteral("您今天已经预测过这只股票了，明天再来吧。");
    return platform::stringWithFormat("服务器没有接受这次预测（错误 %d），请稍后再试。", code);
}
