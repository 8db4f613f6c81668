#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

// What one run of the quote panel writes, worked out without any widget:
// the record, the day rows and the code in, the ordered field writes out.
namespace quotepanel {

enum class PanelKind { Stock, Index };

// The store's answer when it has too little data for a warning level.
inline constexpr int kNoAlertLevel = -9999;

// The product's own index, which has its own units and the warning box.
inline const QString& ownIndexCode()
{
    static const QString code = QStringLiteral("888888.idx");
    return code;
}

// One write to one field: its text, its colour, or both. Writes are applied
// in order, so a later write to the same field wins.
struct FieldWrite {
    QString field;
    std::optional<QString> text;
    std::optional<QColor> color;
};

struct PanelUpdate {
    // Layout switches of the index form, done before the record is read.
    bool hideDealBox = false;
    bool hideEarthquakeBox = false;
    // The store held a record for the code (the screen keeps it as selfDict).
    bool hasRecord = false;
    // The record carried "valuerate" and "valueprice", so the fields were filled.
    bool passedGate = false;
    QList<FieldWrite> writes;

    // The last text / colour written to a field in this run, if any.
    std::optional<QString> textOf(const QString& field) const;
    std::optional<QColor> colorOf(const QString& field) const;
    bool touches(const QString& field) const;
};

// Every field of one run. `record` is the store's record of `curCode`
// (nullptr when the store has none); `dayList` the day rows, newest first
// (nullptr before the first reply); `alertLevel` the store's warning level,
// read only for the product's own index in the index form; `dayListFailed`
// says that the day rows could not be had, so the margin block has no figure.
PanelUpdate computeQuotePanel(PanelKind kind, const QString& curCode, const QVariantMap* record,
    const QVariantList* dayList, int alertLevel = kNoAlertLevel, bool dayListFailed = false);

// The day's price limit in percent of yesterday's close: 20 on the ChiNext
// (300, 301) and STAR (688, 689) boards, 10 for every other stock, risk
// warnings ("ST", "*ST") included since the main-board band was widened in
// July 2025; 0 (no band to show) for a new listing's first days, whose name
// begins "N" or "C".
int limitPercent(const QString& code, const QString& name);

// A limit price as the exchange sets it: the close written as a decimal
// ("3.35") times (100 ± percent) / 100, rounded half up to the cent, with
// two decimals ("3.69" up at 10 %); nothing when the close is no decimal
// above zero.
std::optional<QString> limitPrice(const QString& yprice, int percent, bool up);

// The warning-level field alone: nothing for kNoAlertLevel.
QList<FieldWrite> marketAlertsWrites(int level);

// Outlet names of every text field of a kind, in layout order.
QStringList outletNames(PanelKind kind);

} // namespace quotepanel
