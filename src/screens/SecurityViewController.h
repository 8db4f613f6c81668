#pragma once

#include "app/SecurityScreen.h"
#include "backend/MHTTPObserver.h"
#include "market/stocks.h"
#include "platform/widgets/ViewController.h"
#include "screens/QuotePanel.h"

#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <optional>

class QAction;
class QPushButton;
class QuilorSDK;
class SegmentedControl;
class StockChartView;
class timeLineView;
class timeline4DayView;
class DayKLineView;
class WeekKLineView;
class MonthKLineView;

// One window about one instrument: the family shared by the stock and the
// index screen. It owns no timer; live values arrive through the quote
// store's "StockupDateOk", the day list and the trend summary from the
// backend with the screen as observer.
class SecurityViewController : public platform::ViewController, public SecurityScreen, public MHTTPObserver {
    Q_OBJECT
public:
    static constexpr int kWidth = 1242;
    static constexpr int kHeight = 573;
    // Rows of the day list the screen asks for.
    static constexpr int kDayListRows = 40;
    // A failed day list is asked again at most this many times, the pause
    // doubling from the base each time.
    static constexpr int kDayListRetries = 5;
    // Base pause before the first repeat (1 s; tests shorten it).
    static void setDayListRetryBaseMs(int ms);
    static int dayListRetryBaseMs();

    ~SecurityViewController() override;

    // Binding. Both exist on both screens; what each queues differs.
    void InitStockByCode(const QString& code, QuilorSDK* QVMSDK);
    void InitIndexByCode(const QString& code, QuilorSDK* QVMSDK);
    void setMyStockChanged(std::function<void()> block) override;

    void viewDidLoad() override;
    void viewDidAppear() override;
    void viewDidDisappear() override;
    QSize windowWillResize(const QSize& proposed) override;

    void DorefreshStockDay();
    void GetTodayTrend();
    void UpdateUI();
    void KSegPressed();
    void ChangeAddButtonTitle();

    // Add-to-group menu of the add button; each item's data is its group
    // index as text ("all" for the lone item of a user without groups).
    void addBtnPressed();
    void GroupSetMenuItemPressed(QAction* sender);
    void DoAddStockToGroup();
    // Trend button: the vote window once the user has forecast this stock
    // today, else the forecast dialog.
    void GotoGetTrend();
    // Recent-days button: the table for members, the membership offer for
    // the others, nothing while the membership features are off.
    void VIPHistoryDay();
    // No button of the screen removes the stock from a group.
    void deleteStockFromCurGroup() { }

    enum class HistoryGate { Nothing, Offer, Table };
    static HistoryGate historyGate(const QVariantMap& appDict, const QString& power);

    // Chart callbacks: a double click opens the chart enlarged.
    void timeLineViewCallBack(const QVariantMap& event);
    void timeLine4DayViewCallBack(const QVariantMap& event);
    void DayKLineViewCallBack(const QVariantMap& event);
    void WeekKLineViewCallBack(const QVariantMap& event);
    void MonthKLineCallBack(const QVariantMap& event);

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

    // Whether the VIP button hides, for the membership switch and `power`.
    static bool vipButtonHidden(const QVariantMap& appDict, const QString& power);

    // State, read by the tabs, the actions and tests.
    QString curCode;
    StockQuoteDict selfDict;
    std::optional<QVariantList> stocks;
    std::optional<QVariantMap> treadDict;
    QVariantMap groupItemDict;
    QuilorSDK* iQuilorSDK = nullptr;
    std::function<void()> MyStockChanged;

    // Outlets.
    QWidget* titleView = nullptr;
    QPushButton* addBtn = nullptr;
    QPushButton* iGoToVIPBtn = nullptr;
    QPushButton* iGoToVoteBtn = nullptr;
    QPushButton* historyBtn = nullptr;
    SegmentedControl* kSeg = nullptr;
    QWidget* KView = nullptr;
    QuotePanel* quotePanel = nullptr;

    QPointer<timeLineView> iTimeLineView;
    QPointer<timeline4DayView> iTimeline4DayView;
    QPointer<DayKLineView> iDayKLineView;
    QPointer<WeekKLineView> iWeekKLineView;
    QPointer<MonthKLineView> iMonthKLineView;

    // The chart shown in KView, whichever tab built it.
    StockChartView* currentChart() const;
    // Day-list requests sent so far that failed in a row.
    int dayListFailures() const { return m_dayListFailures; }

Q_SIGNALS:
    // After each UpdateUI run and each day-list request (for observers such
    // as tests; nothing in the window depends on them).
    void updatedUI();
    void dayListRequested();

protected:
    enum class Family { Stock, Index };
    explicit SecurityViewController(Family family, QWidget* parent = nullptr);

    Family family() const { return m_family; }
    // The day-list API of this screen (90006 or 99006).
    int dayListApi() const;
    // The product's own index, whose only chart is the day K-line.
    bool onlyDayKLine() const;
    // Layout switches the index screen makes before each redraw.
    virtual void layoutSwitches() { }
    // Makes the window registered as `identifier` and presents it from
    // this screen; null (and logged) when none is registered.
    platform::ViewController* presentRegistered(const QString& identifier);

    QPushButton* F10Btn = nullptr;

private:
    // The user whose group groupItemDict is (empty: whoever is logged in).
    QString m_groupUserId;
    enum class Queued { DayList, UpdateUI, DayListThenUpdateUI };
    void bind(const QString& code, QuilorSDK* sdk, Queued work);
    void buildLayout();
    void buildChart(int segment);
    void tearDownCharts();
    void openEnlarged(const char* identifier, const QVariantMap& event);
    QuilorSDK* delegateClient() const;
    // Whether an add's reply shows the stock in the list's current group.
    bool addedToCurrentGroup(const QVariant& reply) const;
    QString userPower() const;

    Family m_family;
    int m_dayListFailures = 0;
    int m_trendSerial = 0;
    int m_shownTrendSerial = 0;
    // The store and code this screen shows, registered while it is open.
    QPointer<::stocks> m_quoteStore;
    QString m_shownCode;
};
