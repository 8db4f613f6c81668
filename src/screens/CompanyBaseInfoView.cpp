#include "screens/CompanyBaseInfoView.h"

#include "app/AppDelegate.h"
#include "backend/QuilorSDK.h"
#include "market/stocks.h"
#include "platform/Configuration.h"
#include "platform/Json.h"
#include "platform/MainThread.h"
#include "platform/Types.h"
#include "platform/UrlSession.h"
#include "platform/widgets/Colors.h"
#include "screens/ColumnView.h"
#include "screens/Logging.h"
#include "screens/SegmentedControl.h"
#include "ui/ListBaseView.h"
#include "ui/NoticelistView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

using companydata::FileKind;

namespace {

constexpr int kBarHeight = 28;
constexpr int kMargin = 5;

QColor white(double alpha)
{
    QColor c = platform::Colors::white();
    c.setAlphaF(alpha);
    return c;
}

platform::SharedDict currentRecord()
{
    AppDelegate* app = AppDelegate::shared();
    return app ? app->curSingleStockDict : nullptr;
}

// A scroll bar that fits the margins right of the blocks, so that showing it
// takes no width from them.
class MarginScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;
    QSize sizeHint() const override { return QSize(2 * kMargin, QScrollBar::sizeHint().height()); }
};

} // namespace

CompanyBaseInfoView::CompanyBaseInfoView(QWidget* parent)
    : QWidget(parent)
{
    iSegmentedCtr = new SegmentedControl(
        { QStringLiteral("公司简介"), QStringLiteral("股东研究"), QStringLiteral("资金流向"),
            QStringLiteral("财务指标"), QStringLiteral("公司公告") },
        this);
    iSegmentedCtr->setObjectName(QStringLiteral("iSegmentedCtr"));
    connect(iSegmentedCtr, &SegmentedControl::pressed, this, [this]() { SegmentedValueChanged(); });
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("contentScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBar(new MarginScrollBar(Qt::Vertical, m_scroll));
    m_scroll->viewport()->setAutoFillBackground(false);
    cellView = new QWidget;
    cellView->setObjectName(QStringLiteral("cellView"));
    m_scroll->setWidget(cellView);
    cellView->setAutoFillBackground(false);
    iNoticelistView = new NoticelistView(cellView);
    iNoticelistView->setObjectName(QStringLiteral("iNoticelistView"));
    iNoticelistView->setHidden(true);
    resize(666, 600);
}

CompanyBaseInfoView::~CompanyBaseInfoView()
{
    if (loadDataTask)
        loadDataTask->cancel();
}

void CompanyBaseInfoView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    iSegmentedCtr->setGeometry(kMargin, 2, width() - 2 * kMargin, kBarHeight - 4);
    // The scroll bar, when shown, stands in the right margin.
    m_scroll->setGeometry(kMargin, kBarHeight, width() - kMargin, qMax(0, height() - kBarHeight - kMargin));
    cellView->resize(width() - 2 * kMargin, cellView->height());
    // The list follows the room's size and scrolls itself; only a re-layout moves it.
    iNoticelistView->resize(qMax(0, cellView->width() - 2 * kMargin), qMax(0, m_scroll->height() - kMargin));
    fitContent();
}

void CompanyBaseInfoView::fitContent()
{
    int bottom = 0;
    for (QWidget* block : visibleBlocks())
        bottom = qMax(bottom, block->geometry().bottom() + 1 + kMargin);
    cellView->resize(cellView->width(), qMax(m_scroll->height(), bottom));
}

void CompanyBaseInfoView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), backgroundColor());
}

void CompanyBaseInfoView::UpdateWithFrame(
    const QRect& frame, QObject* father, platform::CellEventCallBack changeCallBack)
{
    Q_UNUSED(frame);
    Q_UNUSED(father);
    callBack = std::move(changeCallBack);
    iSegmentedCtr->setSelectedSegment(Summary);
    SegmentedValueChanged();
}

void CompanyBaseInfoView::SegmentedValueChanged()
{
    const int segment = iSegmentedCtr->selectedSegment();
    if (segment < Summary || segment > Notices)
        return;
    // Another tab's blocks leave at once, not when this tab's reply comes:
    // under a title there is only that tab's data, or nothing yet.
    for (int other = Summary; other <= Indicators; ++other) {
        if (other != segment) {
            for (QWidget* block : blocksOf(other))
                delete block;
        }
    }
    if (segment != Notices)
        iNoticelistView->setHidden(true);
    if (blocksOf(segment).isEmpty())
        lastHightcellView = 0;
    fitContent();
    m_scroll->verticalScrollBar()->setValue(0);
    switch (segment) {
    case Summary:
        summaryDict.reset();
        GetSummaryData();
        break;
    case Holders:
        holdersDict.reset();
        GetHoldersData();
        break;
    case Cash:
        UpdateCashUI();
        break;
    case Indicators:
        indicatorsDict.reset();
        GetIndicatorsData();
        break;
    case Notices:
        if (noticelistDict)
            UpdateNoticelistUI();
        else
            GetNoticelistData();
        break;
    default:
        break;
    }
}

void CompanyBaseInfoView::GetSummaryData()
{
    fetch(FileKind::Summary);
}

void CompanyBaseInfoView::GetHoldersData()
{
    fetch(FileKind::Holders);
}

void CompanyBaseInfoView::GetIndicatorsData()
{
    fetch(FileKind::Indicators);
}

void CompanyBaseInfoView::GetNoticelistData()
{
    fetch(FileKind::Noticelist);
}

void CompanyBaseInfoView::fetch(FileKind kind)
{
    // The stock is the one bound last, read at each fetch.
    const platform::SharedDict record = currentRecord();
    if (!record)
        return;
    const QString path
        = companydata::companyDataPath(kind, platform::stringOf(*record, QStringLiteral("stockcode")));
    if (path.isEmpty())
        return;
    const QUrl url
        = platform::Configuration::join(platform::Configuration::current().neteaseCompanyUrl, path);

    // One live fetch: the previous one, whichever tab it was for, never delivers.
    if (loadDataTask)
        loadDataTask->cancel();
    if (session)
        session->deleteLater();
    session = new platform::UrlSession(this);

    const quint64 generation = ++m_fetchGeneration;
    loadDataTask = session->dataTask(
        url, platform::feedHeaders(), this,
        [this, kind, url, generation](const platform::UrlResponse& response) {
            if (!currentRecord()) {
                Q_EMIT fetchFinished(url);
                return;
            }
            // An error page is no reply, even when it parses.
            if (!response.ok() || response.body.isEmpty()) {
                qCWarning(lcScreens, "company data %s failed: HTTP %d %s", qUtf8Printable(url.toString()),
                    response.status, qUtf8Printable(response.error));
                takeReply(kind, std::nullopt, generation);
                Q_EMIT fetchFinished(url);
                return;
            }
            // A body can be large: it is parsed on a worker and handed back,
            // to be dropped there if the tab or the window has changed.
            QPointer<CompanyBaseInfoView> guard(this);
            platform::runInBackground([guard, body = response.body, kind, url, generation]() {
                std::optional<QVariantMap> reply;
                const std::optional<QVariant> parsed = platform::parseJson(body);
                if (parsed && parsed->metaType().id() == QMetaType::QVariantMap)
                    reply = parsed->toMap();
                platform::runOnMain([guard, reply, kind, url, generation]() {
                    if (!guard)
                        return;
                    if (guard->currentRecordHeld())
                        guard->takeReply(kind, reply, generation);
                    Q_EMIT guard->fetchFinished(url);
                });
            });
        },
        platform::bodylimit::kCompanyJson);
    Q_EMIT fetchStarted(url);
    loadDataTask->resume();
}

int CompanyBaseInfoView::segmentOf(FileKind kind)
{
    switch (kind) {
    case FileKind::Summary:
        return Summary;
    case FileKind::Holders:
        return Holders;
    case FileKind::Indicators:
        return Indicators;
    case FileKind::Noticelist:
        return Notices;
    }
    return -1;
}

bool CompanyBaseInfoView::currentRecordHeld()
{
    return bool(currentRecord());
}

void CompanyBaseInfoView::takeReply(
    FileKind kind, const std::optional<QVariantMap>& reply, quint64 generation)
{
    // A later fetch has taken over.
    if (generation != m_fetchGeneration)
        return;
    const int segment = segmentOf(kind);
    const bool selected = iSegmentedCtr->selectedSegment() == segment;
    // Only a list worth showing is kept, so that a bad reply is asked again
    // on the next selection instead of standing for the window's life. It
    // is kept even when the user has moved on to another tab.
    if (kind == FileKind::Noticelist && companydata::noticeRecords(reply))
        noticelistDict = reply;
    // A reply for a tab no longer selected never lands on the one that is.
    if (!selected)
        return;
    const int clears = m_clears;
    switch (kind) {
    case FileKind::Summary:
        if (reply)
            summaryDict = reply;
        UpdateSummaryUI();
        break;
    case FileKind::Holders:
        if (reply)
            holdersDict = reply;
        UpdateHoldersUI();
        break;
    case FileKind::Indicators:
        if (reply)
            indicatorsDict = reply;
        UpdateIndicatorsUI();
        break;
    case FileKind::Noticelist:
        UpdateNoticelistUI();
        break;
    }
    // Nothing usable came: the tab shows an empty page, not the blocks of
    // the tab before it.
    if (m_clears == clears) {
        removeAllView();
        lastHightcellView = 0;
    }
}

ListBaseView* CompanyBaseInfoView::makeGrid(const companydata::GridContent& content)
{
    const int w = cellView->width();
    return new ListBaseView(QRect(kMargin, 0, w - 10, 1), content.title, content.rows, content.widths, 16,
        platform::Colors::black(), white(content.lineAlpha), white(content.firstAlpha), 2,
        white(content.otherAlpha), content.otherAlignment, cellView);
}

void CompanyBaseInfoView::stack(QWidget* block, int gap)
{
    // The content area's first block touches its top edge.
    block->move(kMargin, int(lastHightcellView));
    block->show();
    lastHightcellView += float(block->height() + gap);
    fitContent();
}

void CompanyBaseInfoView::UpdateSummaryUI()
{
    const companydata::SummaryPlan plan = companydata::planSummary(summaryDict, cellView->width());
    if (plan.clear) {
        removeAllView();
        lastHightcellView = 0;
        if (plan.basic)
            stack(iJianJieListBaseView = makeGrid(*plan.basic), 5);
        if (plan.products)
            stack(iJianJieShouRuChanPinView = makeGrid(*plan.products), 5);
        if (plan.regions) {
            stack(iJianJieShouDiYuPinView = makeGrid(*plan.regions), 20);
            DoSizeChanged(size());
        }
    }
    Q_EMIT tabBuilt(Summary);
}

void CompanyBaseInfoView::UpdateHoldersUI()
{
    const companydata::HoldersPlan plan = companydata::planHolders(holdersDict, cellView->width());
    if (plan.clear) {
        removeAllView();
        lastHightcellView = 0;
        if (plan.average)
            stack(iHoldersView = makeGrid(*plan.average), 5);
        if (plan.funds)
            stack(iHoldersJiJInView = makeGrid(*plan.funds), 5);
        if (plan.topTen)
            stack(iHoldersTop10View = makeGrid(*plan.topTen), 20);
        // A first section of the wrong shape leaves the tab empty, with no re-layout.
        if (plan.relayout)
            DoSizeChanged(size());
    }
    Q_EMIT tabBuilt(Holders);
}

void CompanyBaseInfoView::UpdateCashUI()
{
    const platform::SharedDict current = currentRecord();
    if (!current) {
        removeAllView();
        lastHightcellView = 0;
        Q_EMIT tabBuilt(Cash);
        return;
    }
    QString code = platform::stringOf(*current, QStringLiteral("stockcode"));
    if (code.isEmpty())
        code = platform::stringOf(*current, QStringLiteral("code"));
    // The store's record of the code when it holds one, else the current record.
    platform::SharedDict record = current;
    if (AppDelegate* app = AppDelegate::shared(); app && app->iQuilorSDK() && app->iQuilorSDK()->iStocks()) {
        if (platform::SharedDict held = app->iQuilorSDK()->iStocks()->recordFor(code))
            record = held;
    }
    if (code.isEmpty())
        code = platform::stringOf(*record, QStringLiteral("code"));
    const double w = cellView->width();
    const companydata::CashPlan plan = companydata::planCash(*record, code, w);
    // Built from the record at once: a record without a money flow shows an
    // empty tab, not the flow drawn before it.
    removeAllView();
    lastHightcellView = 0;
    if (plan.clear && code.isEmpty())
        qCWarning(lcScreens, "money flow of a record without a code");
    if (plan.draw) {
        valuesArray = plan.pieValues;
        keysArray = { QStringLiteral("超大单"), QStringLiteral("大单"), QStringLiteral("中单"),
            QStringLiteral("小单") };
        colorsArray = { platform::Colors::red(), platform::Colors::orange(), platform::Colors::blue(),
            platform::Colors::green() };
        const int side = int(w / 2);
        iCashPieView = new MMPieChartView(QRect(int(w / 4), 0, side, side), cellView);
        iCashPieView->setDelegate(this);
        iCashPieView->setDataSource(this);
        iCashPieView->setRadius(100);
        // The legend is drawn in the text colour, which must stand out on the dark page.
        QPalette legend = iCashPieView->palette();
        legend.setColor(QPalette::WindowText, white(0.8));
        iCashPieView->setPalette(legend);
        iCashPieView->reloadData();
        iCashPieView->show();
        lastHightcellView += float(side + 5);
        iCash1View = makeGrid(plan.net);
        stack(iCash1View, 20);
        iCash2View = makeGrid(plan.deals);
        stack(iCash2View, 5);
    }
    Q_EMIT tabBuilt(Cash);
}

void CompanyBaseInfoView::UpdateIndicatorsUI()
{
    const companydata::IndicatorsPlan plan = companydata::planIndicators(indicatorsDict, cellView->width());
    if (plan.clear) {
        removeAllView();
        lastHightcellView = 0;
    }
    if (plan.draw) {
        const int w = cellView->width();
        iJING_LI_RUNColumnView
            = new ColumnView(QRect(kMargin, 0, w - 10, 200), QStringLiteral("净利润趋势图"), plan.labels,
                plan.values, platform::Colors::black(), white(0.6), QStringLiteral("亿"), cellView);
        stack(iJING_LI_RUNColumnView, 5);
        iIndicatorsView = makeGrid(plan.table);
        stack(iIndicatorsView, 20);
    }
    Q_EMIT tabBuilt(Indicators);
}

void CompanyBaseInfoView::UpdateNoticelistUI()
{
    if (const std::optional<QVariantList> records = companydata::noticeRecords(noticelistDict)) {
        removeAllView();
        lastHightcellView = 0;
        iNoticelistView->SetDataArr(*records);
        iNoticelistView->setHidden(false);
        lastHightcellView = float(iNoticelistView->height() + 5);
        fitContent();
    }
    Q_EMIT tabBuilt(Notices);
}

QList<QWidget*> CompanyBaseInfoView::blocksOf(int segment) const
{
    QList<QWidget*> blocks;
    auto add = [&blocks](QWidget* w) {
        if (w)
            blocks << w;
    };
    switch (segment) {
    case Summary:
        add(iJianJieListBaseView), add(iJianJieShouRuChanPinView), add(iJianJieShouDiYuPinView);
        break;
    case Holders:
        add(iHoldersView), add(iHoldersJiJInView), add(iHoldersTop10View);
        break;
    case Cash:
        add(iCashPieView), add(iCash1View), add(iCash2View);
        break;
    case Indicators:
        add(iJING_LI_RUNColumnView), add(iIndicatorsView);
        break;
    case Notices:
        if (!iNoticelistView->isHidden())
            blocks << iNoticelistView;
        break;
    default:
        break;
    }
    return blocks;
}

QList<QWidget*> CompanyBaseInfoView::visibleBlocks() const
{
    return blocksOf(iSegmentedCtr->selectedSegment());
}

void CompanyBaseInfoView::removeAllView()
{
    // Blocks are dropped rather than kept hidden, so a later re-layout never
    // leaves room for a table the last reply did not have.
    for (int segment = Summary; segment <= Indicators; ++segment) {
        for (QWidget* block : blocksOf(segment))
            delete block;
    }
    iNoticelistView->setHidden(true);
    ++m_clears;
    fitContent();
}

void CompanyBaseInfoView::DoSizeChanged(const QSize& size)
{
    Q_UNUSED(size);
    platform::runOnMainAsync(this, [this]() { DoResize(); });
}

void CompanyBaseInfoView::DoResize()
{
    const int segment = iSegmentedCtr->selectedSegment();
    if (segment == Notices) {
        iNoticelistView->move(kMargin, 0);
        fitContent();
        return;
    }
    const QList<QWidget*> blocks = blocksOf(segment);
    QList<int> heights;
    for (QWidget* block : blocks)
        heights << block->height();
    const QList<int> tops = companydata::stackTops(heights, {});
    for (qsizetype i = 0; i < blocks.size(); ++i)
        blocks.at(i)->move(kMargin, tops.at(i));
    lastHightcellView = 0;
    for (int h : heights)
        lastHightcellView += float(h + 5);
    fitContent();
    if (segment == Cash && iCashPieView)
        iCashPieView->reloadData();
}

void CompanyBaseInfoView::showHideLabels()
{
    if (!iCashPieView)
        return;
    iCashPieView->setShowKeys(!iCashPieView->showKeys());
    iCashPieView->reloadData();
}

void CompanyBaseInfoView::toogleVisualizationType()
{
    if (!iCashPieView)
        return;
    iCashPieView->setVisualizationType(iCashPieView->visualizationType() == 1 ? 0 : 1);
    iCashPieView->reloadData();
}

int CompanyBaseInfoView::numberOfPiecesForPieChartView(MMPieChartView* pieChartView)
{
    Q_UNUSED(pieChartView);
    return int(valuesArray.size());
}

QVariant CompanyBaseInfoView::valueForValueAtIndex(MMPieChartView* pieChartView, int index)
{
    Q_UNUSED(pieChartView);
    return index >= 0 && index < valuesArray.size() ? QVariant(valuesArray.at(index)) : QVariant(0.0);
}

std::optional<QString> CompanyBaseInfoView::keyForValueAtIndex(MMPieChartView* pieChartView, int index)
{
    Q_UNUSED(pieChartView);
    if (index < 0 || index >= keysArray.size())
        return std::nullopt;
    return keysArray.at(index);
}

std::optional<QColor> CompanyBaseInfoView::colorForValueAtIndex(MMPieChartView* pieChartView, int index)
{
    Q_UNUSED(pieChartView);
    if (index < 0 || index >= colorsArray.size())
        return std::nullopt;
    return colorsArray.at(index);
}
