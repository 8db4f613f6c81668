#pragma once

#include "standin/SampleMarket.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

// Market-derived replies of the stand-in backend: recent-days rows, the
// product index's bars and quote, recommendations. Pure functions of the
// sample market and its clock, so tests can check them against the bars.
namespace standin::backenddata {

inline QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// The product's own composite index.
inline QString productIndexCode()
{
    return QStringLiteral("888888.idx");
}
inline QString productIndexName()
{
    return text("岚石通指");
}

// The newest day the backend holds: today once the market has closed
// (15:00 Shanghai), else the day before.
QDate latestHeldDay(const QDateTime& shanghaiNow);

// Day bars oldest first; the product index is derived from the Shanghai
// composite when the sample market has no bars of its own for it.
QList<DayBar> heldBars(const SampleMarket& market, const QString& code, const QDate& lastDay);
QString nameOf(const SampleMarket& market, const QString& code);

// Rows of API 90006 / 99006, newest first, page `pageIndex` of `pageSize`.
QVariantList recentDayRows(const SampleMarket& market, const QString& code, bool index, int pageIndex,
    int pageSize, const QDateTime& shanghaiNow);

// 7-element bar rows (API 99003), oldest first within the page; page 0 is
// the newest `pageSize` bars.
QVariantList barRows(const SampleMarket& market, const QString& code, int pageIndex, int pageSize,
    const QDateTime& shanghaiNow);

// The quote record of an index (API 99001).
QVariantMap indexQuote(const SampleMarket& market, const QString& code, const QDateTime& shanghaiNow);
QString marketStatusText(const QDateTime& shanghaiNow);

// Recommendation records of a type and day ("yyyy-MM-dd"), before deletions.
QVariantList recommendations(const SampleMarket& market, const QString& type, const QDate& day);

// A stable pseudo-random number in [0, 1) for a key.
double noise(const QString& key);

} // namespace standin::backenddata
