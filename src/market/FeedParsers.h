#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// Pure parsers of the public feed bodies. Each answers the quote-record keys
// it read (decimal texts) or an error text. A body that cannot be a reply at
// all is refused whole; within a reply, a figure that cannot be read is "--"
// (the screens' sign for no figure), so that no old figure stays on screen
// as if it were current.
namespace market {

// Bodies above this are refused unread.
inline constexpr qsizetype kMaxFeedBody = 4 * 1024 * 1024;
// The fund-flow fields the record takes (a reply may send more).
inline constexpr int kMinFundFlowFields = 20;

struct FeedResult {
    QVariantMap fields;
    QString error; // empty when the body was read
    bool ok() const { return error.isEmpty(); }
    static FeedResult failure(const QString& why)
    {
        FeedResult r;
        r.error = why;
        return r;
    }
};

// One record key and its text: a view into the batch's decoded body, or a
// computed text. Building a map of fresh strings per line costs more than
// the parse itself, and the store merges key by key anyway.
struct Field {
    const QString* key;
    QStringView text;
    QString computed;
    QString value() const { return computed.isNull() ? text.toString() : computed; }
};
using FieldList = QList<Field>;
QVariantMap toVariantMap(const FieldList& fields);

// A body of several Tencent records: the mapped fields by query code
// ("sh600000", "s_sh600000") and one text per record that was refused.
// The fields point into `texts`: use them while the batch lives.
struct TencentBatch {
    QHash<QString, FieldList> records;
    QList<QString> texts;
    QStringList errors;
    QString error; // the body as a whole was refused
};

// Tencent full quotes (`v_sh600000="1~name~..."`), GB18030 decoded per record.
// A line without its code or price is refused; every other figure it does
// not carry as a number reads "--".
TencentBatch parseTencentFull(const QByteArray& body);
// Tencent brief quotes (`v_s_sh600000="..."`).
TencentBatch parseTencentBrief(const QByteArray& body);
// The fields of one full record, already split on "~".
FeedResult tencentFullRecord(const QStringList& fields);
FeedResult tencentFullRecord(const QList<QStringView>& fields);
FeedResult tencentBriefRecord(const QStringList& fields);
FeedResult tencentBriefRecord(const QList<QStringView>& fields);

// NetEase quote feed JSONP: the raw entries (strings) by NetEase code.
struct NeteaseBatch {
    QHash<QString, QVariantMap> entries;
    QString error;
};
NeteaseBatch parseNeteaseFeed(const QByteArray& body);
// One NetEase entry in the record's keys and units (lots, 万, percent).
FeedResult neteaseQuoteFields(const QVariantMap& entry);
// "totalsub", "subupcount", "subequalcount", "subdowncount" of an index
// from the UD_* counts of its members in the same reply.
FeedResult neteaseMemberCounts(const QHash<QString, QVariantMap>& entries, const QString& indexCode);
// The UD_* pseudo-codes the index's member counts need; none for an index
// the feed has no member counts of.
QStringList neteaseMemberCodes(const QString& indexCode);

// NetEase stock app JSON: "ratio" from "LB", "turnoverrate" (percent) from
// the fraction "HS".
FeedResult parseStockAppJson(const QByteArray& body);

// Eastmoney `zjlx_detail` script; index amounts are kept as sent, stock
// amounts (万) become 亿.
FeedResult parseFundFlow(const QByteArray& body, bool index);

// Tencent `q=marketStat`.
struct MarketStat {
    QString time;
    bool shanghaiOpen = false;
    QString shanghaiText;
    bool shenzhenOpen = false;
    QString shenzhenText;
};
std::optional<MarketStat> parseMarketStat(const QByteArray& body, QString* error = nullptr);

// A finite decimal number, or nothing ("", "-", "1e400", "abc").
std::optional<double> feedNumber(QStringView text);

} // namespace market
