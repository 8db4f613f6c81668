#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

// One trading day of a stock (API 90006) or an index (API 99006) as the
// backend sends it: a dictionary of decimal texts, newest day first in a
// reply. Rows are shared and never rewritten; these helpers only read them.
namespace stockDayDict {

// The rows of a day-list reply, or nothing when the reply is not an array
// or holds no rows (every keeper then keeps what it had). Of a reply longer
// than the page asked for, only the page's `pageSize` newest rows are kept.
std::optional<QVariantList> rowsOfReply(const QVariant& reply, qsizetype pageSize);

// Row 0 is "today" only when its "curdate" equals `yyyyMMdd` exactly; a row
// without "curdate" never is.
bool isDay(const QVariantMap& row, const QString& yyyyMMdd);

// The six margin figures, amounts in yuan first, then the two share counts.
const QStringList& marginKeys();

// The row the margin figures come from: the newest, or the second when the
// newest has no "financingbalance" (missing or 0) and a second exists.
// Answers -1 for an empty list.
int marginRowIndex(const QVariantList& rows);

struct Stage {
    QString text;
    QColor colour;
};

// "volume" of a stock row: 0..8 by numeric value, anything else as sent in
// yellow; a missing or non-numeric value counts as 0.
Stage stockStage(const QVariant& volume);
// "rank" of an index row: 0..3, anything else as sent in white.
Stage indexStage(const QVariant& rank);

} // namespace stockDayDict
