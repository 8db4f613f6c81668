#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace standin {

struct SampleSecurity {
    QString code; // "600000", "000001", or "000001.idx" for an index
    QString name; // Chinese name
    QString initials; // pinyin initials, upper case ("PFYH")
    bool isIndex = false;
    bool shanghai = true;
    double basePrice = 10.0;
    double circulatingShares = 0; // shares (0 for an index)
    double totalShares = 0;
};

// One trading day, as the K-line feeds carry it.
struct DayBar {
    QDate date;
    double open = 0, close = 0, high = 0, low = 0;
    double volumeLots = 0; // lots (100 shares); for an index, lots too
    double amountYuan = 0;
    double changePercent = 0; // against the previous close, percent
};

// The live state of a security at a moment.
struct LiveQuote {
    double last = 0, prevClose = 0, open = 0, high = 0, low = 0;
    double volumeLots = 0, amountYuan = 0, outerLots = 0, innerLots = 0;
    double bid[5] = {}, ask[5] = {};
    double bidLots[5] = {}, askLots[5] = {};
    QDateTime time; // Asia/Shanghai
    bool trading = false;
};

// A deterministic market: a few dozen securities of both exchanges and
// years of daily bars, with prices that move during trading hours. The same
// seed and clock give the same bodies.
class SampleMarket {
public:
    explicit SampleMarket(quint64 seed = 20261207);

    const QList<SampleSecurity>& securities() const;
    const SampleSecurity* find(const QString& code) const; // "600000" or "000001.idx"

    // Daily bars oldest first, up to and including `lastDay` (trading days only).
    QList<DayBar> dayBars(const QString& code, const QDate& lastDay) const;
    // The same from `firstDay` on (cheaper for a short range).
    QList<DayBar> dayBars(const QString& code, const QDate& firstDay, const QDate& lastDay) const;
    QList<DayBar> weekBars(const QString& code, const QDate& lastDay) const;
    QList<DayBar> monthBars(const QString& code, const QDate& lastDay) const;

    // The quote at `shanghaiNow` (intraday minutes move the price).
    LiveQuote quoteAt(const QString& code, const QDateTime& shanghaiNow) const;

    // Minute points of a day from 09:30 to `shanghaiNow` (or the whole day).
    struct Minute {
        QString hhmm;
        double price = 0, average = 0, volumeShares = 0;
    };
    QList<Minute> minutes(const QString& code, const QDate& day, const QDateTime& shanghaiNow) const;

    // The clock the server answers with; tests may pin it.
    QDateTime now() const;
    void setNow(const std::optional<QDateTime>& pinned);

private:
    struct Impl;
    std::shared_ptr<Impl> d;
};

} // namespace standin
