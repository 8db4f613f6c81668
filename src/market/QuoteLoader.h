#pragma once

#include "backend/MHTTPObserver.h"
#include "platform/UrlSession.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

class stocks;

namespace market {

// Fills one code's quote record from the public feeds, one step after the
// other (Tencent quote, NetEase feed, NetEase stock app JSON, Eastmoney fund
// flow), or from the backend for the product's own index; the store posts
// "StockupDateOk" when it is done. A step that fails is logged and skipped.
class QuoteLoader : public QObject, public MHTTPObserver {
    Q_OBJECT
public:
    QuoteLoader(stocks* store, const QString& code);

    void start();
    QString code() const { return m_code; }

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

    // The record fields of a backend index reply: its "data" dictionary (or
    // the first of a "data" array, or the reply itself), strings only.
    static QVariantMap ownIndexFields(const QVariant& reply);

private:
    enum Step { Tencent, Netease, StockApp, FundFlow, Done };

    void run(Step step);
    void fetch(const QUrl& url, std::function<void(const platform::UrlResponse&)> handle);
    void next();
    void apply(const QString& what, const QString& error, const QVariantMap& fields, bool onlyAbsent = false);

    stocks* m_store;
    QString m_code;
    Step m_step = Tencent;
    bool m_changed = false;
};

} // namespace market
