#include "charts/KLineHistoryView.h"

#include "charts/ChartTiming.h"
#include "charts/YearFileCache.h"
#include "platform/MainThread.h"
#include "platform/TextCodec.h"
#include "platform/Types.h"
#include "platform/UrlSession.h"
#include "platform/Values.h"

using namespace charts;

KLineHistoryView::KLineHistoryView(const Rules& rules, const QRect& frame, const QVariantMap& stock,
    platform::ViewController* father, std::function<void(const QVariantMap&)> callBack, QWidget* parent)
    : CandleView(frame, stock, father, std::move(callBack), parent)
    , m_rules(rules)
{
    curYear = curtime.left(4);
    yearIdx = 0;
}

void KLineHistoryView::viewDidMoveToSuperview()
{
    CandleView::viewDidMoveToSuperview();
    // Loaded once per chart: a second parent while a year is in flight or
    // after the draw must not start a second chain.
    if (!m_loading && !m_finished)
        RefreshDayData();
}

void KLineHistoryView::RefreshDayData()
{
    if (isSelfHiden()) {
        m_loading = false;
        return;
    }
    const CodeRoute route = routeForCode(platform::stringOf(selfDict, QStringLiteral("stockcode")));
    if (route.backendIndex) {
        m_loading = loadFromBackend();
        return;
    }
    if (route.historyCode.isEmpty()) {
        m_loading = false;
        return;
    }
    m_loading = true;
    const long year = curYear.toLong() - yearIdx;
    YearFileCache::fetch(klineYearUrl(m_rules.period, year, route.historyCode), this,
        [this](const std::optional<QByteArray>& body) { handleYear(body); });
}

void KLineHistoryView::handleYear(const std::optional<QByteArray>& body)
{
    if (!body) {
        qCDebug(lcCharts) << "history year" << (curYear.toLong() - yearIdx) << "failed for"
                          << platform::stringOf(selfDict, QStringLiteral("stockcode"));
        if (m_rules.keepYearsOnFailure && !iDataArray.isEmpty())
            finishHistory();
        else
            m_loading = false;
        return;
    }
    // A year is parsed and read as numbers on a worker, once; the chart
    // takes it on the main thread unless it is gone by then.
    struct Year {
        QVariantList rows;
        BarSeries series;
    };
    parseOffMainThread(
        this, *body,
        [period = m_rules.period](const QByteArray& data) {
            Year year;
            year.rows = parseKLineYear(data, period).value_or(QVariantList());
            year.series = convertBarRows(year.rows);
            return year;
        },
        [this](const Year& year) { takeYear(year.rows, year.series); });
}

void KLineHistoryView::takeYear(const QVariantList& rows, const BarSeries& series)
{
    // Older years go in front; the list is replaced whole, never edited.
    prependRows(rows, series);
    ++yearIdx;
    if (yearIdx <= m_rules.yearLimit) {
        RefreshDayData();
        return;
    }
    finishHistory();
}

void KLineHistoryView::finishHistory()
{
    m_loading = false;
    m_finished = true;
    iWPintCount = iDataArray.size();
    startIdx = geometry::startIndexFor(iWPintCount, width(), wLineSpace);
    InitBackImage();
    Q_EMIT historyDrawn();
}

void KLineHistoryView::RefreshNowPrice(const QVariantMap* dict)
{
    if (dict) {
        CandleView::RefreshNowPrice(dict);
        return;
    }
    if (isSelfHiden())
        return;
    if (!isMarktOn())
        return; // outside the sessions the poll ends for this chart
    const CodeRoute route = routeForCode(platform::stringOf(selfDict, QStringLiteral("stockcode")));
    if (route.quoteCode.isEmpty())
        return;
    auto* session = new platform::UrlSession(this);
    session->get(
        briefQuoteUrl(route.quoteCode), feedHeaders(), this,
        [this, session](const platform::UrlResponse& response) {
            session->deleteLater();
            if (response.status != 0) {
                const auto text = platform::decodeGB18030(response.body);
                const auto fields = text ? cutBriefQuote(*text) : std::nullopt;
                if (fields) {
                    qCDebug(lcCharts, "brief quote: %lld fields", static_cast<long long>(fields->size()));
                    stockNowValueArray = *fields;
                    if (const auto price = lastPriceOf(*fields))
                        cprice = *price;
                    update();
                }
            }
            Q_EMIT nowPriceHandled();
            armNextPrice();
        },
        platform::bodylimit::kBriefQuote);
}

void KLineHistoryView::armNextPrice()
{
    if (isSelfHiden())
        return;
    const int delay = marketStatusOpen() ? pollTiming().openMs : pollTiming().closedMs;
    platform::runOnMainAfter(delay, this, [this] { RefreshNowPrice(nullptr); });
}
