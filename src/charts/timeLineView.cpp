#include "charts/timeLineView.h"

#include "platform/UrlSession.h"

using namespace charts;

timeLineView::timeLineView(const QRect& frame, const QVariantMap& stock, platform::ViewController* father,
    std::function<void(const QVariantMap&)> callBack, QWidget* parent)
    : TimeShareView(frame, stock, father, std::move(callBack), parent)
{
}

void timeLineView::RefreshData()
{
    const QString code = historyCode();
    if (isSelfHiden() || code.isEmpty())
        return;
    auto* session = new platform::UrlSession(this);
    session->get(
        minuteTodayUrl(code), feedHeaders(), this,
        [this, session](const platform::UrlResponse& response) {
            session->deleteLater();
            // A failed or unreadable reply keeps the minutes already drawn.
            if (!response.ok()) {
                armNextPoll();
                return;
            }
            parseOffMainThread(
                this, response.body, parseMinuteToday, [this](const std::optional<MinuteDay>& day) {
                    if (day)
                        setDays({ *day });
                    else
                        qCWarning(lcCharts) << "minute file does not parse for" << historyCode();
                    armNextPoll();
                });
        },
        platform::bodylimit::kMinuteFile);
}
