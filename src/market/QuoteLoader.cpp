#include "market/QuoteLoader.h"

#include "backend/QuilorSDK.h"
#include "market/FeedParsers.h"
#include "market/MarketCodes.h"
#include "market/stocks.h"
#include "platform/Configuration.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcLoader, "lst.market.loader", QtInfoMsg)

namespace market {

using platform::Configuration;

QuoteLoader::QuoteLoader(stocks* store, const QString& code)
    : QObject(store)
    , m_store(store)
    , m_code(code)
{
}

void QuoteLoader::start()
{
    if (isOwnIndex(m_code)) {
        QuilorSDK* sdk = m_store->m_sdk;
        if (!sdk || !sdk->GetStockIDXNow(m_code, nullptr, this)) {
            qCWarning(lcLoader) << m_code << "backend index quote could not be requested";
            m_store->loaderFinished(m_code, m_changed);
        }
        return;
    }
    if (bareCode(m_code).isEmpty()) {
        qCWarning(lcLoader) << "not a stock or index code:" << m_code;
        m_store->loaderFinished(m_code, m_changed);
        return;
    }
    run(Tencent);
}

void QuoteLoader::next()
{
    run(static_cast<Step>(m_step + 1));
}

void QuoteLoader::run(Step step)
{
    m_step = step;
    const Configuration& config = Configuration::current();
    const bool index = isIndexCode(m_code);
    switch (step) {
    case Tencent:
        fetch(Configuration::join(config.tencentQuoteUrl, QStringLiteral("/q=") + tencentCode(m_code)),
            [this, request = m_store->nextQuoteRequest()](const platform::UrlResponse& r) {
                const TencentBatch batch = parseTencentFull(r.body);
                const auto it = batch.records.constFind(tencentCode(m_code));
                QString error = batch.error;
                if (error.isEmpty() && it == batch.records.cend())
                    error = batch.errors.isEmpty() ? QStringLiteral("code not in the reply")
                                                   : batch.errors.join(u"; ");
                // The poll may have brought a newer quote while this one was on its way.
                if (error.isEmpty() && !m_store->acceptQuoteAnswer(m_code, request)) {
                    next();
                    return;
                }
                apply(QStringLiteral("Tencent quote"), error,
                    it == batch.records.cend() ? QVariantMap() : toVariantMap(*it));
            });
        return;
    case Netease: {
        QString path = QStringLiteral("/data/feed/") + neteaseCode(m_code);
        const QStringList memberCodes = neteaseMemberCodes(m_code);
        if (!memberCodes.isEmpty())
            path += QLatin1Char(',') + memberCodes.join(QLatin1Char(','));
        fetch(Configuration::join(config.neteaseQuoteUrl, path),
            [this, counts = !memberCodes.isEmpty()](const platform::UrlResponse& r) {
                const NeteaseBatch batch = parseNeteaseFeed(r.body);
                if (!batch.error.isEmpty()) {
                    apply(QStringLiteral("NetEase feed"), batch.error, {});
                    return;
                }
                QVariantMap fields;
                QString error;
                const auto entry = batch.entries.constFind(neteaseCode(m_code));
                if (entry != batch.entries.cend()) {
                    const FeedResult quote = neteaseQuoteFields(*entry);
                    if (quote.ok())
                        fields = quote.fields;
                    else
                        error = quote.error;
                } else {
                    error = QStringLiteral("code not in the reply");
                }
                // The Tencent step is the record's source of prices and units;
                // this feed only fills what it left out.
                apply(QStringLiteral("NetEase feed"), fields.isEmpty() ? error : QString(), fields, true);
                if (counts) {
                    const FeedResult members = neteaseMemberCounts(batch.entries, m_code);
                    apply(QStringLiteral("NetEase member counts"), members.error, members.fields);
                }
                next();
            });
        return;
    }
    case StockApp:
        if (index) {
            next();
            return;
        }
        fetch(Configuration::join(config.neteaseCompanyUrl,
                  QStringLiteral("/app/stock/") + neteaseCode(m_code) + QStringLiteral(".json")),
            [this](const platform::UrlResponse& r) {
                FeedResult result = parseStockAppJson(r.body);
                // The Tencent step read the same two figures: a "--" here keeps its.
                result.fields.removeIf(
                    [](const auto& it) { return it.value().toString() == QLatin1String("--"); });
                apply(QStringLiteral("NetEase stock app"), result.error, result.fields);
            });
        return;
    case FundFlow:
        fetch(Configuration::join(config.eastmoneyUrl,
                  QStringLiteral("/js/") + eastmoneyName(m_code) + QStringLiteral(".js")),
            [this, index](const platform::UrlResponse& r) {
                const FeedResult result = parseFundFlow(r.body, index);
                apply(QStringLiteral("Eastmoney fund flow"), result.error, result.fields);
            });
        return;
    case Done:
        if (m_changed)
            m_store->mergeFields(
                m_code, { { QStringLiteral("marketstatus"), m_store->statusTextFor(m_code) } });
        m_store->loaderFinished(m_code, m_changed);
        return;
    }
}

void QuoteLoader::fetch(const QUrl& url, std::function<void(const platform::UrlResponse&)> handle)
{
    m_store->m_session->get(
        url, m_store->headers(), this,
        [this, url, handle](const platform::UrlResponse& r) {
            if (!r.ok()) {
                qCWarning(lcLoader) << m_code << url.path() << "failed:" << r.status << r.error;
                if (m_step == Netease)
                    next(); // its handler would have moved on itself
                else
                    apply(QString(), QStringLiteral("request failed"), {});
                return;
            }
            handle(r);
        },
        platform::bodylimit::kQuoteText);
}

void QuoteLoader::apply(const QString& what, const QString& error, const QVariantMap& fields, bool onlyAbsent)
{
    if (!what.isEmpty()) {
        if (!error.isEmpty()) {
            qCWarning(lcLoader) << m_code << what << "left the record as it was:" << error;
        } else {
            QVariantMap take = fields;
            if (onlyAbsent) {
                const StockQuoteDict record = m_store->recordFor(m_code);
                // A figure the quote could not read ("--") counts as left out.
                const auto held = [&](const QString& key) {
                    return record && record->contains(key)
                        && record->value(key).toString() != QLatin1String("--");
                };
                for (auto it = take.begin(); it != take.end();)
                    it = held(it.key()) ? take.erase(it) : std::next(it);
            }
            if (!take.isEmpty() && m_store->mergeFields(m_code, take))
                m_changed = true;
        }
    }
    if (m_step != Netease)
        next();
}

QVariantMap QuoteLoader::ownIndexFields(const QVariant& reply)
{
    QVariantMap source = platform::dictFromVariant(reply);
    if (reply.typeId() == QMetaType::QVariantList && !reply.toList().isEmpty())
        source = reply.toList().first().toMap();
    const QVariant data = source.value(QStringLiteral("data"));
    if (data.typeId() == QMetaType::QVariantMap)
        source = data.toMap();
    else if (data.typeId() == QMetaType::QVariantList && !data.toList().isEmpty())
        source = data.toList().first().toMap();
    QVariantMap fields;
    for (auto it = source.cbegin(); it != source.cend(); ++it)
        if (it.value().typeId() == QMetaType::QString)
            fields.insert(it.key(), it.value());
    return fields;
}

bool QuoteLoader::HttpResult(const QVariant& result, int api, bool isCache)
{
    Q_UNUSED(isCache);
    if (api != backend::kApiIndexQuote)
        return false;
    QVariantMap fields = ownIndexFields(result);
    // The record keeps its own code key whatever the reply calls it.
    fields.remove(QStringLiteral("stockcode"));
    fields.remove(QStringLiteral("code"));
    if (fields.isEmpty())
        qCWarning(lcLoader) << m_code << "backend index reply holds no fields";
    else if (m_store->mergeFields(m_code, fields))
        m_changed = true;
    m_store->loaderFinished(m_code, m_changed);
    return true;
}

bool QuoteLoader::HttpEvent(int code, const QString& description, int api)
{
    qCWarning(lcLoader) << m_code << "backend index quote failed:" << api << code << description;
    m_store->loaderFinished(m_code, m_changed);
    return true;
}

} // namespace market
