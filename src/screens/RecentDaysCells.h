#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

// What the recent-days tables show: cell texts and colours, the header
// labels and the sort order, all computed from the rows and the quote
// record without touching a widget.
namespace recentdays {

enum class Kind { Stock, Index };

// Red above 0, green below, white at 0; the reversed rule swaps red and green.
QColor signColour(float value);
QColor reversedSignColour(float value);
// Red above `line`, white at exactly 0, green otherwise ("ratio", "rank", "swingscore").
QColor lineColour(float value, float line);
// Red strictly between -18 and -14, yellow strictly between -3 and 3, else white.
QColor scoreColour(float value);
// Red below 2, green from 2 up.
QColor turnoverColour(float value);

// A margin figure: the string "0" means no figure and stays "0"; anything
// else (a missing value too) is "%.4f" of the value over `divisor`.
QString marginText(const QVariant& value, float divisor);

struct Cell {
    QString text;
    // Empty: the column keeps the colour the layout gives it.
    std::optional<QColor> colour;
};

Cell stockCell(const QVariantMap& row, const QString& identifier);
Cell indexCell(const QVariantMap& row, const QString& identifier);
inline Cell cellFor(Kind kind, const QVariantMap& row, const QString& identifier)
{
    return kind == Kind::Stock ? stockCell(row, identifier) : indexCell(row, identifier);
}

// One change to a header label; text and colour are each set only when present.
struct LabelUpdate {
    QString label;
    std::optional<QString> text;
    std::optional<QColor> colour;
};

// The header update for the quote record `record` of `curCode`, in the order
// the labels are filled. Empty when the record lacks "valuerate" or
// "valueprice". `newestRow` is the newest day's row (none before rows came).
QList<LabelUpdate> headerUpdates(Kind kind, const QVariantMap& record, const QString& curCode,
    const std::optional<QVariantMap>& newestRow);

// The names of the sum labels, 5, 10, 20 days and all days.
const QStringList& sumLabels(Kind kind);
// The labels every header has, then the class's own.
QStringList headerLabels(Kind kind);

struct Column {
    QString identifier;
    QString title;
    int width;
};
// The table's columns in display order.
const QList<Column>& columns(Kind kind);

struct SortDescriptor {
    QString key;
    bool ascending = true;
};
// The prototype of a column: which row key it sorts by (the figure the
// column shows, so a margin column sorts by its amount, not its direction).
SortDescriptor sortPrototype(Kind kind, const QString& identifier);
// Stable sort by the descriptors in turn: numbers by value, names as text.
void sortRows(QVariantList& rows, const QList<SortDescriptor>& descriptors);

} // namespace recentdays
