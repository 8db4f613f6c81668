#include "market/stocks.h"

#include "backend/QuilorSDK.h"
#include "market/FeedParsers.h"
#include "market/MarketCodes.h"
#include "market/MarketWarning.h"
#include "market/PropertyList.h"
#include "market/QuoteLoader.h"
#include "platform/Configuration.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/UrlSession.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcStocks, "lst.market.stocks", QtInfoMsg)

using platform::Configuration;

namespace {
const QString kNotification = QStringLiteral("StockupDateOk");
const QString kMarketStatus = QStringLiteral("marketstatus");
constexpr int kMinAlertKeys = 30;
constexpr int kMinAlertRows = 10;
constexpr int kSaveDelayMs = 3000;
constexpr int kFeedTimeoutMs = 15000;
// The longest text a record keeps: names and figures are a few characters,
// the last deals a few hundred. A longer one is a feed's garbage that would
// be kept, drawn and written to the cache with every save.
constexpr qsizetype kMaxFieldChars = 1024;

bool fitsRecord(const QString& text)
{
    return text.size() <= kMaxFieldChars;
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}
} // namespace

QString stockCodeOf(const QVariantMap& dict)
{
    const QString code = platform::stringOf(dict, QStringLiteral("stockcode"));
    return code.isEmpty() ? platform::stringOf(dict, QStringLiteral("code")) : code;
}

stocks::stocks(QuilorSDK* sdk, QObject* parent)
    : QObject(parent)
    , m_sdk(sdk)
    , m_session(new platform::UrlSession(this))
    , m_clock(&market::shanghaiNow)
    , m_recordsPath(platform::cacheFolder() + QStringLiteral("/stocks.plist"))
    , m_keysPath(platform::cacheFolder() + QStringLiteral("/stocksKeys.plist"))
{
    m_session->setTimeoutMs(kFeedTimeoutMs);
    statusFromClock();
    load();
}

stocks::~stocks()
{
    saveNow();
}

const QHash<QString, StockQuoteDict>& stocks::localStocksDict() const
{
    return m_records;
}

StockQuoteDict stocks::recordFor(const QString& code) const
{
    return m_records.value(code);
}

StockQuoteDict stocks::AddwillDoRefreshDict(const QVariantMap& dict)
{
    const QString code = stockCodeOf(dict);
    if (code.isEmpty())
        return nullptr;
    ++m_shownBy[code];
    StockQuoteDict record = m_records.value(code);
    if (!record) {
        record = platform::makeSharedDict(dict);
        m_records.insert(code, record);
        m_age.append(code);
        dropOldest();
    } else {
        for (auto it = dict.cbegin(); it != dict.cend(); ++it)
            if (it.value().typeId() == QMetaType::QString && fitsRecord(it.value().toString()))
                record->insert(it.key(), it.value());
        touch(code);
    }
    m_queue.removeAll(code);
    m_queue.append(code);
    scheduleSave();

    if (record->size() >= kCompleteKeys) {
        // Complete records are only re-read when the last read is not fresh.
        const qint64 last = m_lastRefresh.value(code, 0);
        refresh(code, nowMs() - last < m_repeatMs ? m_repeatMs : 0);
    } else {
        refresh(code, 0);
    }
    ensurePolling();
    return record;
}

void stocks::DelwillDoRefreshDict(const QVariantMap& dict)
{
    const QString code = stockCodeOf(dict);
    const auto shown = m_shownBy.find(code);
    if (shown == m_shownBy.end()) {
        qCWarning(lcStocks) << "a holder let go of" << code << "that it never registered";
        return;
    }
    if (--*shown > 0)
        return; // another window still shows it
    m_shownBy.erase(shown);
    m_queue.removeAll(code);
    if (market::QuoteLoader* loader = m_loaders.take(code))
        loader->deleteLater(); // its replies are no longer delivered
}

void stocks::touch(const QString& code)
{
    m_age.removeAll(code);
    m_age.append(code);
}

// A record something shows is never dropped, however old: the store may
// then hold more than kMaxRecords for a while.
void stocks::dropOldest()
{
    for (qsizetype i = 0; m_records.size() > kMaxRecords && i < m_age.size();) {
        const QString code = m_age.at(i);
        if (m_shownBy.value(code) > 0) {
            ++i;
            continue;
        }
        m_age.removeAt(i);
        m_records.remove(code);
        m_queue.removeAll(code);
        m_lastRefresh.remove(code);
        m_quoteAnswer.remove(code);
        if (market::QuoteLoader* loader = m_loaders.take(code))
            loader->deleteLater();
        qCDebug(lcStocks) << "dropped the oldest record" << code;
    }
}

bool stocks::acceptQuoteAnswer(const QString& code, quint64 request)
{
    quint64& held = m_quoteAnswer[code];
    if (request < held) {
        qCDebug(lcStocks) << code << "kept its newer quote over a late answer";
        return false;
    }
    held = request;
    return true;
}

void stocks::refresh(const QString& code, int delayMs)
{
    if (m_loaders.contains(code))
        return; // the running load posts when it ends
    if (delayMs <= 0) {
        startLoader(code);
        return;
    }
    if (m_pendingRefresh.value(code))
        return;
    m_pendingRefresh.insert(code, true);
    platform::runOnMainAfter(delayMs, this, [this, code] {
        m_pendingRefresh.remove(code);
        if (m_queue.contains(code) && m_records.contains(code))
            startLoader(code);
    });
}

void stocks::startLoader(const QString& code)
{
    if (m_loaders.contains(code))
        return;
    auto* loader = new market::QuoteLoader(this, code);
    m_loaders.insert(code, loader);
    loader->start();
}

bool stocks::isLoading(const QString& code) const
{
    return m_loaders.contains(code);
}

void stocks::loaderFinished(const QString& code, bool changed)
{
    if (market::QuoteLoader* loader = m_loaders.take(code))
        loader->deleteLater();
    m_lastRefresh.insert(code, nowMs());
    if (changed) {
        postUpdate(code);
        scheduleSave();
    }
}

bool stocks::mergeFields(const QString& code, const QVariantMap& fields)
{
    const StockQuoteDict record = m_records.value(code);
    if (!record)
        return false;
    int refused = 0;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        if (fitsRecord(it.value().toString()))
            record->insert(it.key(), it.value());
        else
            ++refused;
    }
    if (refused > 0)
        qCWarning(lcStocks) << code << "kept none of" << refused << "over-long texts";
    return true;
}

void stocks::postUpdate(const QString& code)
{
    if (const StockQuoteDict record = m_records.value(code))
        platform::NotificationCenter::defaultCenter()->postNotificationName(
            kNotification, QVariant::fromValue(record));
}

QStringList stocks::refreshQueue() const
{
    return m_queue;
}

QString stocks::marketStatus() const
{
    return m_shanghaiText;
}

QString stocks::statusTextFor(const QString& code) const
{
    return market::isShanghai(code) || market::isOwnIndex(code) ? m_shanghaiText : m_shenzhenText;
}

void stocks::setPollIntervals(int openMs, int closedMs)
{
    m_openMs = openMs;
    m_closedMs = closedMs;
}

void stocks::setRepeatDelay(int ms)
{
    m_repeatMs = ms;
}

void stocks::setLoadersPerPoll(int count)
{
    m_loadersPerPoll = count;
}

void stocks::setClock(std::function<QDateTime()> clock)
{
    m_clock = std::move(clock);
    if (!m_statusKnown)
        statusFromClock();
}

void stocks::statusFromClock()
{
    m_open = market::isTradingTime(m_clock());
    // The status feed's own texts for the two states.
    m_shanghaiText = m_shenzhenText = m_open ? QStringLiteral("交易中") : QStringLiteral("已收盘");
}

int stocks::currentPollIntervalMs() const
{
    return m_open ? m_openMs : m_closedMs;
}

QHash<QByteArray, QByteArray> stocks::headers() const
{
    return platform::feedHeaders();
}

// The poll: the market status, then every queued code's quote in batches,
// then a few full loads in queue order; it re-arms itself when all is done.
void stocks::ensurePolling()
{
    if (m_polling)
        return;
    m_polling = true;
    armPoll(currentPollIntervalMs());
}

void stocks::armPoll(int delayMs)
{
    platform::runOnMainAfter(delayMs, this, [this] { poll(); });
}

void stocks::poll()
{
    ++m_pollCount;
    if (m_queue.isEmpty()) {
        m_polling = false; // the next registration starts it again
        return;
    }
    const QUrl url
        = Configuration::join(Configuration::current().tencentQuoteUrl, QStringLiteral("/q=marketStat"));
    m_session->get(
        url, headers(), this,
        [this](const platform::UrlResponse& r) {
            QString error = r.ok() ? QString() : QStringLiteral("request failed: ") + r.error;
            std::optional<market::MarketStat> stat;
            if (error.isEmpty())
                stat = market::parseMarketStat(r.body, &error);
            if (stat) {
                m_statusKnown = true;
                m_open = stat->shanghaiOpen || stat->shenzhenOpen;
                m_shanghaiText = stat->shanghaiText;
                m_shenzhenText = stat->shenzhenText;
            } else {
                qCWarning(lcStocks) << "market status from the clock:" << error;
                statusFromClock();
            }
            QStringList codes;
            for (const QString& code : std::as_const(m_queue))
                if (!market::isOwnIndex(code) && !market::bareCode(code).isEmpty())
                    codes << code;
            fetchBatches(codes, [this] { afterPoll(); });
        },
        platform::bodylimit::kQuoteText);
}

void stocks::fetchBatches(QStringList codes, std::function<void()> done)
{
    if (codes.isEmpty()) {
        done();
        return;
    }
    QStringList feedCodes;
    const QStringList batch = codes.mid(0, kBatchSize);
    codes = codes.mid(batch.size());
    for (const QString& code : batch)
        feedCodes << market::tencentCode(code);
    const QUrl url = Configuration::join(
        Configuration::current().tencentQuoteUrl, QStringLiteral("/q=") + feedCodes.join(u','));
    m_session->get(
        url, headers(), this,
        [this, codes, done, request = nextQuoteRequest()](const platform::UrlResponse& r) {
            if (r.ok())
                applyTencentBody(r.body, request);
            else
                qCWarning(lcStocks) << "batched quote request failed:" << r.status << r.error;
            fetchBatches(codes, done);
        },
        platform::bodylimit::kQuoteText);
}

int stocks::applyTencentBody(const QByteArray& body, quint64 request)
{
    if (request == 0)
        request = nextQuoteRequest();
    const market::TencentBatch batch = market::parseTencentFull(body);
    if (!batch.error.isEmpty())
        qCWarning(lcStocks) << "quote body refused:" << batch.error;
    for (const QString& why : batch.errors)
        qCWarning(lcStocks) << "quote record refused:" << why;
    int changed = 0;
    const QStringList queue = m_queue; // observers may change the queue
    for (const QString& code : queue) {
        if (market::isOwnIndex(code))
            continue;
        const auto it = batch.records.constFind(market::tencentCode(code));
        if (it == batch.records.cend())
            continue;
        const StockQuoteDict record = m_records.value(code);
        if (!record || !acceptQuoteAnswer(code, request))
            continue;
        int refused = 0;
        for (const market::Field& field : *it) {
            const QString value = field.value();
            if (fitsRecord(value))
                record->insert(*field.key, value);
            else
                ++refused;
        }
        if (refused > 0)
            qCWarning(lcStocks) << code << "kept none of" << refused << "over-long texts";
        record->insert(kMarketStatus, statusTextFor(code));
        ++changed;
        postUpdate(code);
    }
    return changed;
}

void stocks::afterPoll()
{
    // The slower feeds (fund flow, ratios) are refreshed a few codes per poll.
    const int count = std::min<int>(m_loadersPerPoll, m_queue.size());
    for (int i = 0; i < count; ++i) {
        m_loaderCursor %= m_queue.size();
        startLoader(m_queue.at(m_loaderCursor++));
    }
    armPoll(currentPollIntervalMs());
}

void stocks::load()
{
    QString error;
    const auto records = market::loadPropertyList(m_recordsPath, &error);
    if (!records)
        return; // first run or no cache yet
    const QVariantMap all = records->toMap();
    QStringList order;
    if (const auto keys = market::loadPropertyList(m_keysPath))
        order = keys->toStringList();
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        if (!order.contains(it.key()))
            order << it.key();
    for (const QString& code : std::as_const(order)) {
        if (!all.contains(code) || m_records.contains(code))
            continue;
        QVariantMap record;
        const QVariantMap stored = all.value(code).toMap();
        for (auto f = stored.cbegin(); f != stored.cend(); ++f)
            if (f.value().typeId() == QMetaType::QString && fitsRecord(f.value().toString()))
                record.insert(f.key(), f.value());
        m_records.insert(code, platform::makeSharedDict(record));
        m_age << code;
    }
    dropOldest();
}

void stocks::scheduleSave()
{
    if (m_saveScheduled)
        return;
    m_saveScheduled = true;
    platform::runOnMainAfter(kSaveDelayMs, this, [this] {
        m_saveScheduled = false;
        saveNow();
    });
}

bool stocks::saveNow()
{
    QVariantMap all;
    for (auto it = m_records.cbegin(); it != m_records.cend(); ++it)
        all.insert(it.key(), *it.value());
    const bool ok = market::savePropertyList(m_recordsPath, all)
        && market::savePropertyList(m_keysPath, QVariant(m_age));
    if (!ok)
        qCWarning(lcStocks) << "could not write the quote cache" << m_recordsPath;
    return ok;
}

int stocks::GetIdxAlerts(const QString& code, const QVariantList* historys) const
{
    const StockQuoteDict record = m_records.value(code);
    if (!record || record->size() < kMinAlertKeys)
        return market::kNoWarningLevel;
    if (!historys || historys->size() < kMinAlertRows)
        return market::kNoWarningLevel;
    return market::marketWarningLevel(*historys, market::shanghaiDateText(m_clock()));
}
