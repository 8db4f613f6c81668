#pragma once

#include <QColor>
#include <QString>
#include <QVariantMap>

#include <optional>

namespace watchlist {

// What binding a row does with its code label.
enum class CodeLabelRule {
    Set, // show `text`
    Unchanged, // leave the label as it is and go on binding
    StopBinding, // an index this list cannot label: show the name only
};

struct CodeLabel {
    CodeLabelRule rule = CodeLabelRule::Unchanged;
    QString text;
};

// The market-prefixed code label of a group member's "stockcode".
CodeLabel codeLabelFor(const QString& stockcode);

enum class Tone { Red, Green, White };
QColor colorOf(Tone tone);
// Red above 0, green below, white otherwise.
Tone toneOf(float value);

// How the ratio label is laid out for a record.
enum class RatioLayout {
    Leave, // neither a stock nor an index with an amount
    Stock, // turnover rate shown, ratio at most 43 points wide
    Index, // turnover rate hidden, ratio widened by 45 points when narrow
};

inline constexpr int kRatioNarrowWidth = 43;
inline constexpr int kRatioWidening = 45;

// The texts and colours a row draws from a quote record. Absent fields leave
// their labels as they are.
struct QuoteFields {
    Tone tone = Tone::White; // name, price, code, wave, ratio, turnoverrate
    bool whitenMainvalue = false;
    std::optional<QString> name;
    std::optional<QString> price;
    QString wave;
    std::optional<QString> ratio;
    std::optional<QString> turnoverrate;
    std::optional<QString> mainvalue;
    std::optional<Tone> mainvalueTone;
    RatioLayout layout = RatioLayout::Leave;
};

// The row's fields for `record`, or nothing when the record is not the
// row's (`rowCode`) or lacks "valuerate" or "valueprice".
std::optional<QuoteFields> quoteFieldsFor(const QString& rowCode, const QVariantMap& record);

// The ratio label's width after the layout switch.
int ratioWidthFor(RatioLayout layout, int currentWidth);

} // namespace watchlist
