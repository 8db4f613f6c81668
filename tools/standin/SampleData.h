#pragma once

#include <QDate>
#include <QString>

#include <vector>

namespace standin {

// The fixed facts of one sample security; everything that moves is derived
// from these and the market's seed.
struct SampleDef {
    const char* code; // "600000" or "000001.idx"
    const char* name;
    const char* initials;
    bool shanghai;
    bool isIndex;
    double basePrice;
    double circulatingYi; // 亿 shares (for an index: a scale for its volume)
    double totalYi;
    int listedYear;
    const char* industry; // empty for an index
    const char* region;
    double peBase; // P/E at the base price
    double pbBase;
};

const std::vector<SampleDef>& sampleDefs();
const SampleDef* sampleDef(const QString& code);

// What an index stands for beyond its level: its members' average share price
// (an index's turnover is its members' turnover, not volume × level), their
// market values and the margin balance of its market, all at the base level.
struct IndexFacts {
    double sharePrice = 0; // yuan per share
    double totalValueYi = 0; // 亿 yuan
    double circulatingYi = 0; // 亿 yuan
    double marginYi = 0; // financing balance, 亿 yuan
    int members = 0; // listed stocks of its board
};
// Null for a stock.
const IndexFacts* indexFacts(const QString& code);
// Yuan of turnover per (share × price unit): 1 for a stock; for an index
// its members' share price per point of the day's reference level, so the
// turnover does not follow the index level over the years.
double yuanPerPricePoint(const QString& code, double referenceLevel);

// Served by the product's backend only, never by the public feeds.
inline constexpr const char* kOwnIndexCode = "888888.idx";

// Trading days: weekdays except the fixed public holidays the sample market
// keeps (New Year, Labour Day, National Day week).
bool isTradingDay(const QDate& day);
QDate previousTradingDay(const QDate& day); // strictly before
QDate lastTradingDayOnOrBefore(const QDate& day);

} // namespace standin
