#include "screens/SecurityViewController.h"

#include "account/Membership.h"
#include "app/AppDelegate.h"
#include "app/WindowReply.h"
#include "backend/QuilorSDK.h"
#include "backend/ReplyObserver.h"
#include "charts/DayKLineView.h"
#include "charts/MonthKLineView.h"
#include "charts/WeekKLineView.h"
#include "charts/timeLineView.h"
#include "charts/timeline4DayView.h"
#include "community/InputStockTrendViewController.h"
#include "community/StockVoteViewController.h"
#include "market/GroupWrites.h"
#include "market/MyStockGroup.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "platform/widgets/ControllerRegistry.h"
#include "platform/widgets/FittedText.h"
#include "platform/widgets/PlainText.h"
#include "platform/widgets/Presenters.h"
#include "screens/Logging.h"
#include "screens/SegmentedControl.h"
#include "screens/stockDayDict.h"
#include "screens/stockHistoryViewController.h"
#include "screens/stockIDXHistoryViewController.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPixmapCache>
#include <QPushButton>
#include <QResizeEvent>

#include <algorithm>
#include <utility>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

const QString kSegIdxKey = QStringLiteral("kSegIdx");
const QString kOwnIndex = QStringLiteral("888888.idx");
int g_retryBaseMs = 1000;

// The chart host: whatever chart it holds always covers it, also when the
// index screen makes it taller after the chart was built.
class ChartHost : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        for (QObject* child : children()) {
            if (auto* view = qobject_cast<QWidget*>(child))
                view->setGeometry(rect());
        }
    }
};

void paintBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// Stops a chart's own refresh chains, takes it out of its host and forgets it.
template <typename View> void tearDown(QPointer<View>& view)
{
    if (!view)
        return;
    View* chart = view.data();
    chart->setIsSelfHiden(true);
    chart->hide();
    chart->setParent(nullptr);
    chart->deleteLater();
    view = nullptr;
}

// Takes a group edit's reply for the screen. Once the screen has closed it
// still runs the opener's reload block and reports a failure over the
// opener, keeping nothing of the closed window (charts, observers) alive.
app::WindowReply* groupEditReply(SecurityViewController* screen, QObject* owner)
{
    return new app::WindowReply(screen, screen,
        app::runOrReport(screen->MyStockChanged, screen->presentingViewController(),
            [](const app::ReplyOutcome& outcome) {
                if (outcome.api == backend::kApiDelStockFromGroup)
                    return QStringLiteral("网络不给力，删除自选股失败，请重试!");
                const QString refusal = market::GroupWrites::refusalText(outcome.code);
                return refusal.isNull() ? QStringLiteral("网络不给力，添加自选股失败，请重试!") : refusal;
            }),
        owner);
}

} // namespace

void SecurityViewController::setDayListRetryBaseMs(int ms)
{
    g_retryBaseMs = qMax(0, ms);
}

int SecurityViewController::dayListRetryBaseMs()
{
    return g_retryBaseMs;
}

namespace {
int g_openScreens = 0;

// Once the last security window is gone (its children included), the
// style's pixmaps drawn for its buttons, which no other window shares, and
// the heap pages it freed go back.
void releaseClosedScreensMemory()
{
    QMetaObject::invokeMethod(
        qApp,
        [] {
            if (g_openScreens > 0)
                return;
            QPixmapCache::clear();
#ifdef __GLIBC__
            malloc_trim(0);
#endif
        },
        Qt::QueuedConnection);
}
} // namespace

SecurityViewController::SecurityViewController(Family family, QWidget* parent)
    : platform::ViewController(parent)
    , m_family(family)
{
    ++g_openScreens;
    buildLayout();
}

SecurityViewController::~SecurityViewController()
{
    platform::NotificationCenter::defaultCenter()->removeObserver(this);
    if (m_quoteStore)
        m_quoteStore->DelwillDoRefreshDict({ { QStringLiteral("stockcode"), m_shownCode } });
    if (--g_openScreens == 0)
        releaseClosedScreensMemory();
}

void SecurityViewController::buildLayout()
{
    setFixedSize(kWidth, kHeight);

    // The quote panel is the left column; the header strip with the buttons
    // and the chart area share the rest.
    const int panelWidth = QuotePanel::kPanelWidth;
    quotePanel = new QuotePanel(m_family == Family::Stock ? QuotePanel::Stock : QuotePanel::Index, this);
    quotePanel->setObjectName(QStringLiteral("quotePanel"));
    quotePanel->setGeometry(0, 0, panelWidth, kHeight);

    titleView = new QWidget(this);
    titleView->setObjectName(QStringLiteral("titleView"));
    titleView->setGeometry(panelWidth, 0, kWidth - panelWidth, 40);

    auto makeButton = [this](const QString& title, const QString& name, int x, int width) {
        auto* button = new QPushButton(title, titleView);
        button->setObjectName(name);
        button->setGeometry(x, 6, width, 28);
        button->setFocusPolicy(Qt::NoFocus);
        return button;
    };
    // Right-aligned in the header strip, the add button first.
    int x = titleView->width() - 8;
    const bool stock = m_family == Family::Stock;
    iGoToVIPBtn = makeButton(QStringLiteral("VIP会员"), QStringLiteral("iGoToVIPBtn"), x -= 84, 84);
    if (stock) {
        F10Btn = makeButton(QStringLiteral("F10"), QStringLiteral("F10Btn"), x -= 64, 58);
    }
    historyBtn = makeButton(QStringLiteral("近日数据"), QStringLiteral("historyBtn"), x -= 90, 84);
    iGoToVoteBtn = makeButton(QStringLiteral("明日趋势"), QStringLiteral("iGoToVoteBtn"), x -= 90, 84);
    addBtn = makeButton(QStringLiteral("加自选"), QStringLiteral("addBtn"), x -= 90, 84);
    connect(addBtn, &QPushButton::clicked, this, [this]() { addBtnPressed(); });
    connect(iGoToVoteBtn, &QPushButton::clicked, this, [this]() { GotoGetTrend(); });
    connect(historyBtn, &QPushButton::clicked, this, [this]() { VIPHistoryDay(); });
    // The same window as the main menu's membership entry.
    connect(iGoToVIPBtn, &QPushButton::clicked, this, [this]() {
        if (AppDelegate* delegate = AppDelegate::shared())
            delegate->openDailyPicks(this);
    });

    const int chartX = panelWidth + 4;
    const int chartWidth = kWidth - chartX - 4;
    KView = new ChartHost(this);
    KView->setObjectName(QStringLiteral("KView"));
    KView->setGeometry(chartX, 44, chartWidth, 495);
    paintBackground(KView, platform::Colors::black());

    // The tabs sit under the chart so that the product's own index, which
    // hides them, can let the chart grow into their place.
    kSeg = new SegmentedControl({ QStringLiteral("分时"), QStringLiteral("四日"), QStringLiteral("日K"),
                                    QStringLiteral("周K"), QStringLiteral("月K") },
        this);
    kSeg->setObjectName(QStringLiteral("kSeg"));
    kSeg->setGeometry(chartX, 543, chartWidth, 26);
    connect(kSeg, &SegmentedControl::pressed, this, [this]() { KSegPressed(); });
}

void SecurityViewController::InitStockByCode(const QString& code, QuilorSDK* QVMSDK)
{
    bind(code, QVMSDK, Queued::DayList);
}

void SecurityViewController::InitIndexByCode(const QString& code, QuilorSDK* QVMSDK)
{
    bind(code, QVMSDK, m_family == Family::Stock ? Queued::UpdateUI : Queued::DayListThenUpdateUI);
}

void SecurityViewController::bind(const QString& code, QuilorSDK* sdk, Queued work)
{
    iQuilorSDK = sdk;
    if (code.isNull())
        return;
    curCode = QString(code);
    if (QLabel* codeField = quotePanel->field(QStringLiteral("codeTextField")))
        platform::setFittedText(codeField, curCode);
    selfDict = platform::makeSharedDict({ { QStringLiteral("stockcode"), curCode } });

    // The store keeps the record refreshed while the screen is open, whatever
    // else stops showing the code.
    StockQuoteDict record;
    if (m_quoteStore)
        m_quoteStore->DelwillDoRefreshDict({ { QStringLiteral("stockcode"), m_shownCode } });
    m_quoteStore = sdk ? sdk->iStocks() : nullptr;
    m_shownCode = curCode;
    if (m_quoteStore)
        record = m_quoteStore->AddwillDoRefreshDict(*selfDict);
    if (m_family == Family::Stock) {
        if (AppDelegate* delegate = AppDelegate::shared())
            delegate->curSingleStockDict = record;
    }

    platform::runOnMainAsync(this, [this, work]() {
        if (work != Queued::UpdateUI)
            DorefreshStockDay();
        if (work != Queued::DayList)
            UpdateUI();
    });
}

void SecurityViewController::setMyStockChanged(std::function<void()> block)
{
    MyStockChanged = std::move(block);
}

void SecurityViewController::viewDidLoad()
{
    iGoToVoteBtn->setEnabled(false);
}

void SecurityViewController::viewDidAppear()
{
    setTitle(m_family == Family::Stock ? QStringLiteral("岚石通个股数据") : QStringLiteral("岚石通指数数据"));
    const QColor strip = platform::Colors::calibratedRGB(249 / 255.0, 249 / 255.0, 249 / 255.0);
    paintBackground(titleView, strip);
    paintBackground(this, strip);

    // A stored tab outside the five is treated as none stored. The product's
    // own index has no minutes to draw and no tabs: it always gets its day
    // K-line, never an empty time-share chart.
    // The tab as it is stored now, which another copy of the application
    // may have changed: the screen stores it again below.
    platform::UserDefaults::standardUserDefaults()->synchronize();
    const QString stored = platform::UserDefaults::standardUserDefaults()->stringForKey(kSegIdxKey);
    const long long storedSegment = platform::integerValue(QStringView(stored));
    const bool knownTab = storedSegment >= 0 && storedSegment < kSeg->segmentCount();
    if (onlyDayKLine() || (!stored.isNull() && knownTab)) {
        if (knownTab)
            kSeg->setSelectedSegment(int(storedSegment));
        KSegPressed();
    } else if (!iTimeLineView) {
        // The tab of the chart shown is the one marked, stored or not.
        kSeg->setSelectedSegment(0);
        buildChart(0);
        iTimeLineView->setIsSelfHiden(false);
    }

    auto* center = platform::NotificationCenter::defaultCenter();
    center->addObserver(this, QStringLiteral("StockupDateOk"), [this](const platform::Notification& n) {
        const QString code = stockCodeOf(platform::dictFromVariant(n.object));
        if (code.isEmpty() || code != curCode)
            return;
        platform::runOnMainAsync(this, [this]() { UpdateUI(); });
    });
    center->addObserver(this, QStringLiteral("TrendChanged"), [this](const platform::Notification&) {
        platform::runOnMainAsync(this, [this]() { GetTodayTrend(); });
    });

    platform::runOnMainAsync(this, [this]() { UpdateUI(); });

    AppDelegate* delegate = AppDelegate::shared();
    const QVariantMap appDict = delegate ? delegate->appDict : QVariantMap();
    if (vipButtonHidden(appDict, userPower()))
        iGoToVIPBtn->hide();
}

void SecurityViewController::viewDidDisappear()
{
    tearDownCharts();
    platform::NotificationCenter::defaultCenter()->removeObserver(this);
}

QSize SecurityViewController::windowWillResize(const QSize&)
{
    return QSize(kWidth, kHeight);
}

bool SecurityViewController::vipButtonHidden(const QVariantMap& appDict, const QString& power)
{
    if (membership::featuresOn(appDict))
        return false;
    if (power.isEmpty())
        return true;
    const long long level = platform::integerValue(QStringView(power));
    return level == 4001 || level > 5000;
}

int SecurityViewController::dayListApi() const
{
    return m_family == Family::Stock ? backend::kApiStockDay : backend::kApiIndexDay;
}

bool SecurityViewController::onlyDayKLine() const
{
    return m_family == Family::Index && curCode == kOwnIndex;
}

QuilorSDK* SecurityViewController::delegateClient() const
{
    AppDelegate* delegate = AppDelegate::shared();
    return delegate ? delegate->iQuilorSDK() : nullptr;
}

QString SecurityViewController::userPower() const
{
    QuilorSDK* client = iQuilorSDK ? iQuilorSDK : delegateClient();
    return client && client->iUser() ? client->iUser()->power : QString();
}

void SecurityViewController::DorefreshStockDay()
{
    if (!iQuilorSDK)
        return;
    const QString page = QStringLiteral("0");
    const QString size = QString::number(kDayListRows);
    if (m_family == Family::Stock)
        iQuilorSDK->GetStockDay(curCode, page, size, nullptr, this);
    else
        iQuilorSDK->GetStockIDXDay(curCode, page, size, nullptr, this);
    Q_EMIT dayListRequested();
}

void SecurityViewController::GetTodayTrend()
{
    QString code;
    if (selfDict) {
        code = platform::stringOf(*selfDict, QStringLiteral("stockcode"));
        if (code.isEmpty())
            code = platform::stringOf(*selfDict, QStringLiteral("code"));
    }
    // The delegate's client is the one the opener handed over; a screen made
    // without a delegate (tests, tools) keeps to its own.
    QuilorSDK* client = delegateClient();
    if (!client)
        client = iQuilorSDK;
    if (!client)
        return;
    // Asked after each day list and each forecast: an answer older than the
    // summary shown (a forecast made meanwhile) is dropped.
    const int serial = ++m_trendSerial;
    auto* request = new backend::ReplyObserver(
        this,
        [this, serial](const QVariant& result, int api) {
            if (serial < m_shownTrendSerial)
                return;
            m_shownTrendSerial = serial;
            HttpResult(result, api, false);
        },
        [this](int code, const QString& description, int api) { HttpEvent(code, description, api); });
    if (!client->GetStockTrend(code, QString(), nullptr, request))
        delete request;
}

void SecurityViewController::UpdateUI()
{
    layoutSwitches();
    const QVariantList* dayList = stocks ? &*stocks : nullptr;
    StockQuoteDict record = quotePanel->UpdateUI(curCode, iQuilorSDK, dayList, m_dayListFailures > 0);
    if (!record && iQuilorSDK && iQuilorSDK->iStocks())
        record = iQuilorSDK->iStocks()->recordFor(curCode);
    // Until the store holds a record the binding dictionary stays, so a tab
    // built meanwhile still knows its code.
    if (record)
        selfDict = record;
    Q_EMIT updatedUI();
}

StockChartView* SecurityViewController::currentChart() const
{
    if (iTimeLineView)
        return iTimeLineView;
    if (iTimeline4DayView)
        return iTimeline4DayView;
    if (iDayKLineView)
        return iDayKLineView;
    if (iWeekKLineView)
        return iWeekKLineView;
    if (iMonthKLineView)
        return iMonthKLineView;
    return nullptr;
}

void SecurityViewController::tearDownCharts()
{
    tearDown(iTimeLineView);
    tearDown(iTimeline4DayView);
    tearDown(iDayKLineView);
    tearDown(iWeekKLineView);
    tearDown(iMonthKLineView);
}

void SecurityViewController::buildChart(int segment)
{
    const QRect frame(0, 0, KView->width(), KView->height());
    const QVariantMap stock = selfDict ? *selfDict : QVariantMap { { QStringLiteral("stockcode"), curCode } };
    StockChartView* chart = nullptr;
    switch (segment) {
    case 0:
        chart = iTimeLineView = new timeLineView(
            frame, stock, this, [this](const QVariantMap& e) { timeLineViewCallBack(e); }, KView);
        break;
    case 1:
        chart = iTimeline4DayView = new timeline4DayView(
            frame, stock, this, [this](const QVariantMap& e) { timeLine4DayViewCallBack(e); }, KView);
        break;
    case 2: {
        // The product's own index reads its bars from the backend: the chart
        // gets this screen's client before it is placed and starts loading.
        auto* dayChart = new DayKLineView(
            frame, stock, this, [this](const QVariantMap& e) { DayKLineViewCallBack(e); }, nullptr);
        if (iQuilorSDK)
            dayChart->setQuilorSDK(iQuilorSDK);
        dayChart->setParent(KView);
        chart = iDayKLineView = dayChart;
        break;
    }
    case 3:
        chart = iWeekKLineView = new WeekKLineView(
            frame, stock, this, [this](const QVariantMap& e) { WeekKLineViewCallBack(e); }, KView);
        break;
    case 4:
        chart = iMonthKLineView = new MonthKLineView(
            frame, stock, this, [this](const QVariantMap& e) { MonthKLineCallBack(e); }, KView);
        break;
    default:
        return;
    }
    chart->show();
}

void SecurityViewController::KSegPressed()
{
    if (onlyDayKLine()) {
        // This index has only the backend's day K-line; the other tabs stay
        // as they are and the choice is not remembered.
        tearDown(iDayKLineView);
        buildChart(2);
        return;
    }
    tearDownCharts();
    const int segment = kSeg->selectedSegment();
    if (segment < 0 || segment >= kSeg->segmentCount())
        return;
    buildChart(segment);
    auto* defaults = platform::UserDefaults::standardUserDefaults();
    defaults->setObject(platform::stringWithFormat("%ld", long(segment)), kSegIdxKey);
    defaults->synchronize();
}

void SecurityViewController::openEnlarged(const char* identifier, const QVariantMap& event)
{
    if (platform::stringOf(event, QStringLiteral("event")) != QStringLiteral("DoubleClick"))
        return;
    platform::ViewController* window
        = platform::ControllerRegistry::instantiateController(QString::fromLatin1(identifier));
    if (!window)
        return;
    const QVariantMap stock = selfDict ? *selfDict : QVariantMap();
    if (!QMetaObject::invokeMethod(
            window, "InitByStocksDict", Qt::DirectConnection, Q_ARG(QVariantMap, stock)))
        qCWarning(lcScreens, "%s takes no stock dictionary", identifier);
    presentViewControllerAsModalWindow(window);
}

void SecurityViewController::timeLineViewCallBack(const QVariantMap& event)
{
    openEnlarged("MaxTimeLineViewController", event);
}

void SecurityViewController::timeLine4DayViewCallBack(const QVariantMap& event)
{
    openEnlarged("timeline4DayViewController", event);
}

void SecurityViewController::DayKLineViewCallBack(const QVariantMap& event)
{
    openEnlarged("DayKLineViewController", event);
}

void SecurityViewController::WeekKLineViewCallBack(const QVariantMap& event)
{
    openEnlarged("WeekKLineViewController", event);
}

void SecurityViewController::MonthKLineCallBack(const QVariantMap& event)
{
    openEnlarged("MonthKLineViewController", event);
}

bool SecurityViewController::HttpResult(const QVariant& result, int api, bool isCache)
{
    Q_UNUSED(isCache);
    qCDebug(lcScreens, "security screen %s: reply of API %d", qUtf8Printable(curCode), api);
    if (api == dayListApi()) {
        std::optional<QVariantList> rows = stockDayDict::rowsOfReply(result, kDayListRows);
        if (!rows)
            return true;
        m_dayListFailures = 0;
        stocks = std::move(rows);
        platform::runOnMainAsync(this, [this]() { UpdateUI(); });
        platform::runOnMainAsync(this, [this]() { GetTodayTrend(); });
    } else if (api == backend::kApiAddStockToGroup || api == backend::kApiDelStockFromGroup) {
        // The list's reload the block starts lands later; an add to the
        // list's own group already tells that the group holds the stock.
        const bool joinedCurrent = api == backend::kApiAddStockToGroup && addedToCurrentGroup(result);
        platform::runOnMain(this, [this, joinedCurrent]() {
            if (MyStockChanged)
                MyStockChanged();
            ChangeAddButtonTitle();
            if (joinedCurrent)
                addBtn->setText(QStringLiteral("删除自选"));
        });
    } else if (api == backend::kApiStockTrend) {
        treadDict = platform::dictFromVariant(result);
        platform::runOnMain(this, [this]() { iGoToVoteBtn->setEnabled(true); });
    }
    return true;
}

bool SecurityViewController::HttpEvent(int code, const QString& description, int api)
{
    Q_UNUSED(code);
    Q_UNUSED(description);
    if (api == dayListApi()) {
        // Asked again after a growing pause, a bounded number of times; the
        // screen keeps whatever day list it had.
        if (m_dayListFailures >= kDayListRetries) {
            qCWarning(lcScreens, "security screen %s: day list failed %d times, giving up",
                qUtf8Printable(curCode), m_dayListFailures + 1);
            return true;
        }
        const int pause = g_retryBaseMs << m_dayListFailures;
        ++m_dayListFailures;
        // The margin block stops showing zeros as if they were figures.
        if (m_dayListFailures == 1 && !stocks)
            platform::runOnMainAsync(this, [this]() { UpdateUI(); });
        platform::runOnMainAfter(pause, this, [this]() { DorefreshStockDay(); });
    } else if (api == backend::kApiAddStockToGroup) {
        platform::runOnMain(this, [this, code]() {
            const QString refusal = market::GroupWrites::refusalText(code);
            platform::showAlert(
                this, refusal.isNull() ? QStringLiteral("网络不给力，添加自选股失败，请重试!") : refusal);
        });
    } else if (api == backend::kApiDelStockFromGroup) {
        platform::runOnMain(this,
            [this]() { platform::showAlert(this, QStringLiteral("网络不给力，删除自选股失败，请重试!")); });
    }
    return true;
}

bool SecurityViewController::addedToCurrentGroup(const QVariant& reply) const
{
    MyStockGroup* groups = iQuilorSDK ? iQuilorSDK->iMyStockGroup() : nullptr;
    const QString groupId = platform::stringOf(groupItemDict, QStringLiteral("id"));
    if (!groups || groupId.isEmpty()
        || platform::stringOf(groups->GetCurGroupDict(), QStringLiteral("id")) != groupId)
        return false;
    const QVariantList rows
        = MyStockGroup::membersOfReply(platform::dictFromVariant(reply).value(QStringLiteral("data")));
    return std::any_of(rows.cbegin(), rows.cend(), [this](const QVariant& row) {
        return platform::stringOf(row.toMap(), QStringLiteral("stockcode")) == curCode;
    });
}

void SecurityViewController::ChangeAddButtonTitle()
{
    MyStockGroup* groups = iQuilorSDK ? iQuilorSDK->iMyStockGroup() : nullptr;
    const bool member = groups && groups->IsOnThisGroup(curCode);
    addBtn->setText(member ? QStringLiteral("删除自选") : QStringLiteral("加自选"));
}

void SecurityViewController::addBtnPressed()
{
    MyStockGroup* groups = iQuilorSDK ? iQuilorSDK->iMyStockGroup() : nullptr;
    QMenu menu(QStringLiteral("ADD"), this);
    const QString userId = groups ? groups->userId() : QString();
    auto addItem = [this, &menu, &userId](
                       const QString& title, const QString& key, const QString& groupId = QString()) {
        QAction* action = menu.addAction(title);
        action->setData(key);
        action->setProperty("groupId", groupId);
        action->setProperty("userId", userId);
        connect(action, &QAction::triggered, this, [this, action]() { GroupSetMenuItemPressed(action); });
    };
    if (groups && !groups->iGroupArray.isEmpty()) {
        for (int i = 0; i < groups->iGroupArray.size(); ++i) {
            const QVariantMap group = groups->iGroupArray.at(i).toMap();
            addItem(platform::menuText(platform::stringOf(group, QStringLiteral("userstockgroupname"))),
                platform::stringWithFormat("%ld", long(i)), platform::stringOf(group, QStringLiteral("id")));
        }
    } else {
        addItem(QStringLiteral("自选股"), QStringLiteral("all"));
    }
    platform::popUpMenu(&menu, addBtn->mapToGlobal(QPoint(0, addBtn->height())), addBtn);
}

void SecurityViewController::GroupSetMenuItemPressed(QAction* sender)
{
    if (!sender)
        return;
    MyStockGroup* groups = iQuilorSDK ? iQuilorSDK->iMyStockGroup() : nullptr;
    // "all" reads as 0, which only a user with groups could choose.
    const long long index = platform::integerValue(QStringView(sender->data().toString()));
    const QString chosenId = sender->property("groupId").toString();
    if (!groups || (chosenId.isEmpty() && (index < 0 || index >= groups->iGroupArray.size())))
        return;
    // The group list may have changed while the menu was open: the group
    // whose name was chosen is the one added to, wherever it stands now.
    groupItemDict = chosenId.isEmpty() ? groups->iGroupArray.at(int(index)).toMap()
                                       : market::GroupWrites::groupOf(groups->iGroupArray, chosenId);
    if (groupItemDict.isEmpty()) {
        platform::showAlert(this, market::GroupWrites::refusalText(market::GroupWrites::kNoSuchGroup));
        return;
    }
    // The groups named were that user's: another user's groups may have the same ids.
    m_groupUserId = sender->property("userId").toString();
    platform::runOnMain(this, [this]() { DoAddStockToGroup(); });
}

void SecurityViewController::DoAddStockToGroup()
{
    const QString groupId = platform::stringOf(groupItemDict, QStringLiteral("id"));
    // A stock the store has not named yet goes out without a name.
    const QVariant name = selfDict ? selfDict->value(QStringLiteral("stockname")) : QVariant();
    // The reply is taken by an object of the client's, so that it is still
    // handled when the user closes the window before it arrives.
    auto* reply = iQuilorSDK ? groupEditReply(this, iQuilorSDK) : nullptr;
    // A stock the group already holds keeps its order and alerts: the user
    // is told instead.
    const bool started = reply && !curCode.isEmpty()
        && market::GroupWrites::of(iQuilorSDK)
               ->write(backend::kApiAddStockToGroup, groupId, reply,
                   market::GroupWrites::addIfNew(
                       curCode, name.isValid() ? platform::stringOf(name) : QString(), groupId),
                   std::exchange(m_groupUserId, QString()));
    if (!started) {
        delete reply;
        // Nothing went out (no code or no group id): say so rather than
        // leave the click without an answer.
        qCWarning(lcScreens, "security screen %s: add to group %s not sent", qUtf8Printable(curCode),
            qUtf8Printable(groupId));
        platform::showAlert(this, QStringLiteral("网络不给力，添加自选股失败，请重试!"));
    }
}

SecurityViewController::HistoryGate SecurityViewController::historyGate(
    const QVariantMap& appDict, const QString& power)
{
    const bool present = !power.isEmpty();
    const long long level = platform::integerValue(QStringView(power));
    if (!membership::featuresOn(appDict) && (!present || level == 4001 || level > 5000))
        return HistoryGate::Nothing;
    const bool member = present && level < 5000 && level != 0 && level != 4001;
    return member ? HistoryGate::Table : HistoryGate::Offer;
}

void SecurityViewController::VIPHistoryDay()
{
    AppDelegate* delegate = AppDelegate::shared();
    const QVariantMap appDict = delegate ? delegate->appDict : QVariantMap();
    switch (historyGate(appDict, userPower())) {
    case HistoryGate::Nothing:
        return;
    case HistoryGate::Table: {
        const char* identifier = m_family == Family::Stock ? stockHistoryViewController::kIdentifier
                                                           : stockIDXHistoryViewController::kIdentifier;
        // Bound before it shows: with the screen's rows when it has them,
        // else it fetches its own.
        RecentDaysViewController* table
            = RecentDaysViewController::makeBound(QString::fromLatin1(identifier), curCode, stocks);
        if (!table) {
            qCWarning(lcScreens, "no recent-days table %s for %s", identifier, qUtf8Printable(curCode));
            return;
        }
        presentViewControllerAsModalWindow(table);
        return;
    }
    case HistoryGate::Offer:
        presentRegistered(QStringLiteral("GoVIPViewController"));
        return;
    }
}

void SecurityViewController::GotoGetTrend()
{
    const bool voted = treadDict
        && platform::stringOf(*treadDict, QStringLiteral("curuservotecount")) == QStringLiteral("1");
    // Both windows are shown first and told the code afterwards.
    if (voted) {
        if (auto* votes = qobject_cast<StockVoteViewController*>(
                presentRegistered(QStringLiteral("StockVoteViewController"))))
            votes->InitStockByCodeAndCell(curCode);
    } else if (auto* forecast = qobject_cast<InputStockTrendViewController*>(
                   presentRegistered(QStringLiteral("InputStockTrendViewController")))) {
        forecast->InitStockcode(curCode);
    }
}

platform::ViewController* SecurityViewController::presentRegistered(const QString& identifier)
{
    platform::ViewController* window = platform::ControllerRegistry::instantiateController(identifier);
    if (!window) {
        qCWarning(lcScreens, "no window registered as %s", qUtf8Printable(identifier));
        return nullptr;
    }
    presentViewControllerAsModalWindow(window);
    return window;
}
