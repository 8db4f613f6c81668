#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

// What the company-data window shows, worked out from the replies and the
// quote record without any widget: the views only place and paint these.
namespace companydata {

// One grid as ListBaseView takes it; the look is set per tab.
struct GridContent {
    QString title;
    QVariantList rows; // each a QStringList, a header being an ordinary row
    QStringList widths;
    double lineAlpha = 0.1;
    double firstAlpha = 0.6;
    double otherAlpha = 0.8;
    int otherAlignment = 2; // 0 left, 2 centred
};

enum class FileKind { Summary, Holders, Indicators, Noticelist };

// The path after the host for a 6-digit code ("1" Shenzhen below 600000,
// "0" Shanghai otherwise); empty for anything else, so that no other text
// ever reaches a request path.
QString companyDataPath(FileKind kind, const QString& code);

// A value as text: strings unchanged, numbers as their decimal text.
QString GetNumberString(const QVariant& value);

// "%<format>" of the value read as a single-precision float and divided in
// single precision; an empty or missing value (a JSON null) stays empty.
QString scaledText(const QString& raw, float divisor, const char* format);

// Summary tab: the three tables, each present only when its section is.
struct SummaryPlan {
    bool clear = false; // the reply passed its first checks
    std::optional<GridContent> basic;
    std::optional<GridContent> products;
    std::optional<GridContent> regions;
};
SummaryPlan planSummary(const std::optional<QVariantMap>& reply, double width);

// Shareholders tab.
struct HoldersPlan {
    bool clear = false;
    bool relayout = false; // the first section had its two arrays
    std::optional<GridContent> average;
    std::optional<GridContent> funds;
    std::optional<GridContent> topTen;
};
HoldersPlan planHolders(const std::optional<QVariantMap>& reply, double width);
// "2016Q3" -> "2016年第3季"; nothing unless the label splits at "Q" in two.
std::optional<QString> quarterText(const QString& label);
// The change column of a top-ten holder: current and previous shares.
QString holdingChangeText(const QString& current, const QString& previous);
// A fund row value ("+%@家 增持%.4f万股" and its kin) or "无".
QString fundChangeText(const char* format, const QString& count, const QString& shares);

// Money-flow tab, from the quote record.
struct CashPlan {
    bool clear = false; // gates passed: the page is cleared
    bool draw = false; // second gates passed: pie and tables are drawn
    QList<double> pieValues;
    GridContent net;
    GridContent deals;
};
CashPlan planCash(const QVariantMap& record, const QString& code, double width);
// Net and inflow amounts in 亿 as marked cell texts.
QString amountText(float amount);
QString outflowText(float amount);
// The ratio cell: the record's percent text, else amount over turnover.
QString percentText(const std::optional<QString>& percent, float amount, float turnover, const QString& code);
// Whole percent of the day's turnover bought by one order size; 0 when the
// turnover is not above 0.
double pieShare(float buy, float turnover, const QString& code);

// Financial-indicators tab.
struct IndicatorsPlan {
    bool clear = false;
    bool draw = false;
    QStringList labels; // every report date, for the chart
    QStringList values; // every net profit in 亿, for the chart
    GridContent table; // the first four report dates
};
IndicatorsPlan planIndicators(const std::optional<QVariantMap>& reply, double width);
// "2015-09-30" -> "15-09"; other lengths unchanged.
QString reportDateLabel(const QString& date);
// "%.2f" of yuan in 亿 with "+" (or "-+" for liabilities) when above 0.
QString indicatorAmountText(const QString& raw, bool liability);
// The text unchanged, "+" in front when it reads above 0.
QString indicatorPlainText(const QString& raw);

// The notices asked for at a time.
inline constexpr int kNoticesPerPage = 20;
// Notices tab: the records to list (at most a page), when the reply holds any.
std::optional<QVariantList> noticeRecords(const std::optional<QVariantMap>& reply);

// The stacking rule of the content area: each block's distance from the
// top, given the heights and the gap below each block.
QList<int> stackTops(const QList<int>& heights, const QList<int>& gaps);

} // namespace companydata
