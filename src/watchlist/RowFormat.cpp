#include "watchlist/RowFormat.h"

#include "market/stocks.h"
#include "platform/Types.h"
#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "screens/FeedText.h"

namespace watchlist {

namespace {
const QString kShanghaiIndex = QStringLiteral("000001.idx");
const QString kOwnIndex = QStringLiteral("888888.idx");
} // namespace

CodeLabel codeLabelFor(const QString& stockcode)
{
    if (stockcode.length() == 6) {
        const bool shanghai = platform::integerValue(QStringView(stockcode)) >= 600000;
        return { CodeLabelRule::Set, platform::stringWithFormat(shanghai ? "SH.%@" : "SZ.%@", stockcode) };
    }
    if (stockcode.length() == 10) {
        if (stockcode == kShanghaiIndex)
            return { CodeLabelRule::Set, platform::stringWithFormat("SH.%@", QStringLiteral("000001")) };
        if (stockcode == kOwnIndex)
            return { CodeLabelRule::Set, platform::stringWithFormat("HSC.%@", QStringLiteral("888888")) };
        if (stockcode.startsWith(QStringLiteral("399")))
            return { CodeLabelRule::Set, platform::stringWithFormat("SZ.%@", stockcode.left(6)) };
        return { CodeLabelRule::StopBinding, QString() };
    }
    return { CodeLabelRule::Unchanged, QString() };
}

QColor colorOf(Tone tone)
{
    switch (tone) {
    case Tone::Red:
        return platform::Colors::red();
    case Tone::Green:
        return platform::Colors::green();
    case Tone::White:
        break;
    }
    return platform::Colors::white();
}

Tone toneOf(float value)
{
    if (value > 0)
        return Tone::Red;
    if (value < 0)
        return Tone::Green;
    return Tone::White;
}

std::optional<QuoteFields> quoteFieldsFor(const QString& rowCode, const QVariantMap& record)
{
    if (record.isEmpty() || stockCodeOf(record) != rowCode)
        return std::nullopt;
    if (!record.contains(QStringLiteral("valuerate")) || !record.contains(QStringLiteral("valueprice")))
        return std::nullopt;

    const auto text
        = [&record](const char* key) { return platform::stringOf(record, QString::fromUtf8(key)); };
    const auto has = [&record](const char* key) { return record.contains(QString::fromUtf8(key)); };

    // A figure the feed cannot mean ("--", "nan", "1e308") shows "--", never
    // its raw text or a zero.
    const auto figure
        = [&record](const char* key) { return feedtext::asIs(record.value(QString::fromUtf8(key))); };
    const auto isFigure
        = [&record](const char* key) { return feedtext::isNumber(record.value(QString::fromUtf8(key))); };

    QuoteFields fields;
    fields.tone = toneOf(platform::floatValue(record.value(QStringLiteral("valuerate"))));
    fields.whitenMainvalue = fields.tone == Tone::White;
    if (has("stockname"))
        fields.name = text("stockname");
    if (has("cprice"))
        fields.price = feedtext::price(record.value(QStringLiteral("cprice")));
    fields.wave = platform::stringWithFormat("%@  %@", figure("valueprice"),
        isFigure("valuerate") ? figure("valuerate") + QLatin1Char('%') : feedtext::dash());

    // The layout goes by the record's own "stockcode", as the feeds write it.
    const QString code = text("stockcode");
    if (code.length() == 6) {
        fields.layout = RatioLayout::Stock;
        if (has("ratio"))
            fields.ratio = platform::stringWithFormat("量:%@", figure("ratio"));
        if (has("turnoverrate"))
            fields.turnoverrate = isFigure("turnoverrate")
                ? platform::stringWithFormat("换:%@%%", figure("turnoverrate"))
                : QStringLiteral("换:") + feedtext::dash();
    } else if (code.length() == 10 && has("transactionvaluecount")) {
        fields.layout = RatioLayout::Index;
        float amount = platform::floatValue(record.value(QStringLiteral("transactionvaluecount")));
        // Our own index reports the amount in 亿 already; the feeds in 万.
        if (code != kOwnIndex)
            amount /= 10000;
        fields.ratio = isFigure("transactionvaluecount")
            ? platform::stringWithFormat("额: %.2f亿", double(amount))
            : QStringLiteral("额: ") + feedtext::dash();
    }
    if (has("mainvalue")) {
        const float mainvalue = platform::floatValue(record.value(QStringLiteral("mainvalue")));
        fields.mainvalue = isFigure("mainvalue") ? platform::stringWithFormat("%.4f亿", double(mainvalue))
                                                 : feedtext::dash();
        // Coloured as the figure shown reads: "0.0000亿" is no outflow.
        fields.mainvalueTone
            = isFigure("mainvalue") ? toneOf(platform::floatValue(*fields.mainvalue)) : Tone::White;
    }
    return fields;
}

int ratioWidthFor(RatioLayout layout, int currentWidth)
{
    switch (layout) {
    case RatioLayout::Stock:
        return currentWidth > kRatioNarrowWidth ? kRatioNarrowWidth : currentWidth;
    case RatioLayout::Index:
        return currentWidth <= kRatioNarrowWidth ? currentWidth + kRatioWidening : currentWidth;
    case RatioLayout::Leave:
        break;
    }
    return currentWidth;
}

} // namespace watchlist
