#pragma once

#include "platform/Types.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

class QuilorSDK;

// One quote record per watched code, shared by identity.
using StockQuoteDict = platform::SharedDict;

// The quote store: at most 200 records, a refresh queue, the market-status
// poll and a loader per code. Used on the main thread.
class stocks : public QObject {
    Q_OBJECT
public:
    explicit stocks(QuilorSDK* sdk, QObject* parent = nullptr);
    ~stocks() override;

    // code -> record; a code the store does not hold gives nullptr.
    const QHash<QString, StockQuoteDict>& localStocksDict() const;
    StockQuoteDict recordFor(const QString& code) const;

    // Copies (new code) or merges (known code) the dictionary, moves the code
    // to the end of the refresh queue and has it refreshed; answers the
    // store's record (nullptr without "stockcode" and "code").
    StockQuoteDict AddwillDoRefreshDict(const QVariantMap& dict);
    // Takes the code out of the refresh queue; the record stays.
    void DelwillDoRefreshDict(const QVariantMap& dict);

    // The market warning level, or -9999 (see docs/market-warning.md).
    int GetIdxAlerts(const QString& code, const QVariantList* historys) const;

    QStringList refreshQueue() const;
    QString marketStatus() const;
};

// The code of a record or a notification's record: "stockcode", else "code".
QString stockCodeOf(const QVariantMap& dict);
