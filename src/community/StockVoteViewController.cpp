#include "community/StockVoteViewController.h"

#include "app/AppDelegate.h"
#include "backend/QuilorSDK.h"
#include "backend/ReplyObserver.h"
#include "community/Logging.h"
#include "market/stocks.h"
#include "platform/NotificationCenter.h"
#include "platform/Types.h"
#include "platform/Values.h"
#include "platform/widgets/Colors.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

QuilorSDK* client()
{
    AppDelegate* delegate = AppDelegate::shared();
    return delegate ? delegate->iQuilorSDK() : nullptr;
}

double firstNumber(const QVariantMap& dict, std::initializer_list<const char*> keys)
{
    for (const char* key : keys) {
        const QString name = QString::fromLatin1(key);
        if (!dict.contains(name))
            continue;
        // A count that is no finite number, or below zero, is unknown: not 0 votes.
        const QString text = platform::stringOf(dict.value(name));
        const double count = platform::doubleValue(text);
        return platform::isNumber(text) && count >= 0 ? count : std::nan("");
    }
    return 0;
}

QString firstText(const QVariantMap& dict, std::initializer_list<const char*> keys)
{
    for (const char* key : keys) {
        const QString text = platform::stringOf(dict, QString::fromLatin1(key));
        if (!text.isEmpty())
            return text;
    }
    return QString();
}

} // namespace

StockVoteViewController::StockVoteViewController(QWidget* parent)
    : platform::ViewController(parent)
    , m_pie(new MMPieChartView(QRect(), this))
    , m_summary(new QLabel(this))
    , m_table(new QTableWidget(this))
{
    setObjectName(QStringLiteral("StockVoteViewController"));
    setTitle(QStringLiteral("岚石通"));
    resize(640, 520);

    auto* layout = new QVBoxLayout(this);
    m_pie->setObjectName(QStringLiteral("votePie"));
    m_pie->setMinimumHeight(200);
    m_pie->setRadius(80);
    m_pie->setDataSource(this);
    layout->addWidget(m_pie);
    m_summary->setObjectName(QStringLiteral("voteSummary"));
    layout->addWidget(m_summary);

    m_table->setObjectName(QStringLiteral("forecastTable"));
    m_table->setColumnCount(3);
    m_table->setHorizontalHeaderLabels(
        { QStringLiteral("用户"), QStringLiteral("预测"), QStringLiteral("时间") });
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    layout->addWidget(m_table, 1);

    // A forecast sent from any window changes today's votes.
    platform::NotificationCenter::defaultCenter()->addObserver(
        this, QStringLiteral("TrendChanged"), [this](const platform::Notification&) { requestData(); });
}

void StockVoteViewController::InitStockByCodeAndCell(const QString& stockcode)
{
    m_code = stockcode;
    QString name;
    if (QuilorSDK* sdk = client(); sdk && sdk->iStocks()) {
        if (const StockQuoteDict record = sdk->iStocks()->recordFor(m_code))
            name = platform::stringOf(*record, QStringLiteral("stockname"));
    }
    setTitle(name.isEmpty() ? m_code : name);
    m_pie->reloadData();
    requestData();
}

void StockVoteViewController::requestData()
{
    QuilorSDK* sdk = client();
    if (!sdk || m_code.isEmpty())
        return;
    // Asked again while older answers are on their way: an answer older than
    // one already shown is dropped, so the newest summary and list stay.
    const int serial = ++m_requestSerial;
    const auto observer = [this, serial]() {
        return new backend::ReplyObserver(
            this,
            [this, serial](const QVariant& result, int api) {
                int& shown = api == backend::kApiStockTrend ? m_shownTrendSerial : m_shownListSerial;
                if (serial < shown)
                    return;
                shown = serial;
                HttpResult(result, api, false);
            },
            [this](int code, const QString& description, int api) { HttpEvent(code, description, api); });
    };
    if (auto* trend = observer(); !sdk->GetStockTrend(m_code, QString(), nullptr, trend))
        delete trend;
    if (auto* list = observer();
        !sdk->GetStockTrendList(m_code, QStringLiteral("0"), QString::number(kForecastPage), nullptr, list))
        delete list;
}

StockVoteViewController::Votes StockVoteViewController::votesOf(const QVariantMap& treadDict)
{
    Votes votes;
    votes.rise = firstNumber(treadDict, { "risecount" });
    votes.flat = firstNumber(treadDict, { "flatcount" });
    votes.fall = firstNumber(treadDict, { "fallcount" });
    return votes;
}

QVariantList StockVoteViewController::forecastsOf(const QVariant& reply)
{
    const QVariant data = reply.typeId() == QMetaType::QVariantList
        ? reply
        : platform::dictFromVariant(reply).value(QStringLiteral("data"));
    // A table row per forecast: more than the page asked for is a flood, not a page.
    return data.typeId() == QMetaType::QVariantList ? data.toList().mid(0, kForecastPage) : QVariantList();
}

QString StockVoteViewController::trendTitle(const QString& trend)
{
    const long long value = platform::integerValue(QStringView(trend));
    if (trend.trimmed().isEmpty())
        return QString();
    return value > 0 ? QStringLiteral("看涨") : value < 0 ? QStringLiteral("看跌") : QStringLiteral("看平");
}

int StockVoteViewController::numberOfPiecesForPieChartView(MMPieChartView*)
{
    return 3;
}

QVariant StockVoteViewController::valueForValueAtIndex(MMPieChartView*, int index)
{
    const double values[] = { m_votes.rise, m_votes.flat, m_votes.fall };
    return index >= 0 && index < 3 ? values[index] : 0.0;
}

std::optional<QString> StockVoteViewController::keyForValueAtIndex(MMPieChartView*, int index)
{
    const QString keys[] = { QStringLiteral("看涨"), QStringLiteral("看平"), QStringLiteral("看跌") };
    return index >= 0 && index < 3 ? keys[index] : QString();
}

std::optional<QColor> StockVoteViewController::colorForValueAtIndex(MMPieChartView*, int index)
{
    // The market's colours: rise red, fall green; flat grey.
    const QColor colors[]
        = { platform::Colors::red(), platform::Colors::lightGray(), platform::Colors::green() };
    return index >= 0 && index < 3 ? colors[index] : platform::Colors::gray();
}

void StockVoteViewController::fillTable(const QVariantList& rows)
{
    m_table->clearContents();
    m_table->setRowCount(int(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        const QVariantMap row = platform::dictFromVariant(rows.at(i));
        m_table->setItem(i, 0, new QTableWidgetItem(firstText(row, { "nickname", "uid" })));
        m_table->setItem(i, 1, new QTableWidgetItem(trendTitle(firstText(row, { "trend" }))));
        m_table->setItem(i, 2, new QTableWidgetItem(firstText(row, { "createtime", "curdate" })));
    }
}

bool StockVoteViewController::HttpResult(const QVariant& result, int api, bool isCache)
{
    Q_UNUSED(isCache);
    if (api == backend::kApiStockTrend) {
        m_treadDict = platform::dictFromVariant(result);
        m_votes = votesOf(m_treadDict);
        // Without a quote record the summary's own name titles the window.
        const QString name = platform::stringOf(m_treadDict, QStringLiteral("stockname"));
        if (windowTitle() == m_code && !name.isEmpty())
            setTitle(name);
        const auto count = [](double votes) {
            return std::isfinite(votes) ? platform::stringWithFormat("%.0f", votes) : QStringLiteral("--");
        };
        m_summary->setText(platform::stringWithFormat("看涨 %@ 人，看平 %@ 人，看跌 %@ 人",
            count(m_votes.rise), count(m_votes.flat), count(m_votes.fall)));
        m_pie->reloadData();
    } else if (api == backend::kApiTrendList) {
        fillTable(forecastsOf(result));
    }
    return true;
}

bool StockVoteViewController::HttpEvent(int code, const QString& description, int api)
{
    // The window keeps what it shows; a later "TrendChanged" asks again.
    qCWarning(lcCommunity, "request %d failed (%d %s)", api, code, qUtf8Printable(description));
    return true;
}
