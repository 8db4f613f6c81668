#include "charts/timeline4DayView.h"

#include "platform/UrlSession.h"

using namespace charts;

timeline4DayView::timeline4DayView(const QRect& frame, const QVariantMap& stock,
    platform::ViewController* father, std::function<void(const QVariantMap&)> callBack, QWidget* parent)
    : TimeShareView(frame, stock, father, std::move(callBack), parent)
{
}

void timeline4DayView::RefreshData()
{
    const QString code = historyCode();
    if (isSelfHiden() || code.isEmpty())
        return;
    if (m_previousLoaded) {
        fetchToday();
        return;
    }
    // The earlier days first, then today, one request after the other.
    auto* session = new platform::UrlSession(this);
    session->get(
        minuteFourDaysUrl(code), feedHeaders(), this,
        [this, session](const platform::UrlResponse& response) {
            session->deleteLater();
            if (!response.ok()) {
                if (!isSelfHiden())
                    fetchToday();
                return;
            }
            parseOffMainThread(this, response.body, parseMinuteFourDays,
                [this](const std::optional<QVector<MinuteDay>>& days) {
                    if (days) {
                        m_previousDays = *days;
                        m_previousLoaded = true;
                    }
                    if (!isSelfHiden())
                        fetchToday();
                });
        },
        platform::bodylimit::kMinuteFile);
}

void timeline4DayView::fetchToday()
{
    auto* session = new platform::UrlSession(this);
    session->get(
        minuteTodayUrl(historyCode()), feedHeaders(), this,
        [this, session](const platform::UrlResponse& response) {
            session->deleteLater();
            if (!response.ok()) {
                showToday(std::nullopt);
                return;
            }
            parseOffMainThread(this, response.body, parseMinuteToday,
                [this](const std::optional<MinuteDay>& today) { showToday(today); });
        },
        platform::bodylimit::kMinuteFile);
}

void timeline4DayView::showToday(const std::optional<MinuteDay>& today)
{
    // Four columns: today and the three days before it, or the four earlier
    // days while today has no minutes yet. When the four-day file already
    // holds today, the today file, which keeps being polled, is the one shown.
    QVector<MinuteDay> days = m_previousDays;
    if (today && !today->points.isEmpty()) {
        if (!days.isEmpty() && days.last().date == today->date)
            days.removeLast();
        days.append(*today);
    }
    if (days.size() > 4)
        days = days.mid(days.size() - 4);
    setDays(days);
    armNextPoll();
}
