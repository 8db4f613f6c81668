#pragma once

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// The pure half of the recommended-stocks window: feed paths, row building
// and the texts and colours of its cells.
namespace vip {

// NetEase code of a six-digit code: "1" (Shenzhen) below 600000, else "0".
QString prefixedCode(const QString& stockcode);

QString quoteFeedPath(const QStringList& stockcodes);
QString stockAppPath(const QString& stockcode);
QString fundFlowPath(const QString& stockcode);

// The recommendation record's value as text (numbers as their decimal text).
QString recordText(const QVariantMap& record, const QString& key);

// "%.2f" of the gain since the recommendation in percent. Without a usable
// reference price or live price the division is skipped and "0.00" written.
QString earnPercentText(const QString& cprice, const QString& reprice);

// Writes "stockname" (when named), "valueprice", "cprice" and "valuerate"
// from a NetEase quote-feed entry.
void applyQuoteEntry(QVariantMap& row, const QVariantMap& entry);

// A fresh table row for a recommendation record; `entry` is its quote-feed
// entry when the feed had one. Nothing for a record without a code.
std::optional<QVariantMap> rowForRecord(const QVariantMap& record, const QVariantMap* entry);

// The quote-feed entries by prefixed code; an error text when the body holds
// no object.
struct FeedEntries {
    QHash<QString, QVariantMap> entries;
    QString error;
};
FeedEntries quoteFeedEntries(const QByteArray& body);

// "ratio" and "turnoverrate" (percent) from the stock app JSON, or nothing.
std::optional<QVariantMap> volumeFields(const QByteArray& body);
// "mainvalue" (the feed's 万, "%.4f") from the fund-flow script, or nothing.
std::optional<QString> mainValue(const QByteArray& body);

// Red above 0, green below, white at 0.
QColor signColor(float value);
QColor turnoverColor(float percent); // red below 2.0, green from 2.0
QColor ratioColor(float ratio); // red above 1.0, white at 0, green otherwise

struct Cell {
    QString text;
    std::optional<QColor> color; // nothing: the column's own colour
};
// What the cell of `identifier` shows for `row`.
Cell cellFor(const QVariantMap& row, const QString& identifier);

// Sorting order of two rows by one key: numbers by value, other texts as
// texts, missing values first.
bool rowLess(const QVariantMap& a, const QVariantMap& b, const QString& key);

} // namespace vip
