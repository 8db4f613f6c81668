#include "charts/DayKLineView.h"

#include "backend/QuilorSDK.h"

namespace {
// Bars asked for per page.
constexpr int kBarsPerPage = 1000;

QPointer<QuilorSDK>& defaultSlot()
{
    static QPointer<QuilorSDK> sdk;
    return sdk;
}
} // namespace

DayKLineView::DayKLineView(const QRect& frame, const QVariantMap& stock, platform::ViewController* father,
    std::function<void(const QVariantMap&)> callBack, QWidget* parent)
    : KLineHistoryView(
        Rules { charts::KLinePeriod::Day, 1, false }, frame, stock, father, std::move(callBack), parent)
{
}

void DayKLineView::setDefaultSDK(QuilorSDK* sdk)
{
    defaultSlot() = sdk;
}

QuilorSDK* DayKLineView::defaultSDK()
{
    return defaultSlot().data();
}

QuilorSDK* DayKLineView::quilorSDK() const
{
    return m_sdk ? m_sdk.data() : defaultSDK();
}

bool DayKLineView::loadFromBackend()
{
    GetBrannocDayK();
    return true;
}

void DayKLineView::GetBrannocDayK()
{
    QuilorSDK* sdk = quilorSDK();
    if (!sdk) {
        qCWarning(lcCharts, "no backend client for the day bars of 888888.idx");
        setLoading(false);
        return;
    }
    sdk->GetDayKStockIdx(QStringLiteral("岚石通指"), QStringLiteral("888888.idx"), QStringLiteral("0"),
        QString::number(kBarsPerPage), nullptr, this);
}

bool DayKLineView::HttpResult(const QVariant& result, int api, bool isCache)
{
    Q_UNUSED(isCache); // each delivery replaces the rows
    qCDebug(lcCharts, "888888.idx: reply of API %d", api);
    if (api != backend::kApiIndexDayK)
        return true;
    iDataArray = result.toMap().value(QStringLiteral("data")).toList();
    // The page is oldest first: of more bars than asked for, the newest page is kept.
    if (iDataArray.size() > kBarsPerPage) {
        qCWarning(lcCharts, "888888.idx: %lld bars cut to the %d asked for",
            static_cast<long long>(iDataArray.size()), kBarsPerPage);
        iDataArray = iDataArray.mid(iDataArray.size() - kBarsPerPage);
    }
    finishHistory();
    return true;
}

bool DayKLineView::HttpEvent(int code, const QString& description, int api)
{
    qCWarning(lcCharts) << "day bars of 888888.idx failed" << api << code << description;
    setLoading(false);
    return true;
}
