#pragma once

#include "standin/SampleMarket.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrlQuery>

namespace standin {

// One answer of the public-feed side of the stand-in server.
struct FeedReply {
    int status = 404;
    QByteArray contentType = "text/plain; charset=utf-8";
    QByteArray body;
};

// The public feeds, generated from the sample market at `now` (Shanghai
// time). `baseUrl` is where the server is reached (for links in bodies).
// Unknown paths and codes answer 404; nothing here trusts the request.
FeedReply answerFeed(const SampleMarket& market, const QString& path, const QUrlQuery& query,
    const QDateTime& now, const QString& baseUrl = QString());

// The single bodies, for tests and tools.
QByteArray tencentQuotes(
    const SampleMarket& market, const QStringList& codes, const QDateTime& now); // GB18030
QByteArray tencentMarketStatus(const QDateTime& now); // GB18030
// The market-status texts of Shanghai and Shenzhen at that moment, e.g.
// "open_交易中", "close_午间休市".
QString marketStatusSegment(const QDateTime& now);

// NetEase 7-character code ("0600000", "1399001") to the sample security's
// code, or empty. The product's own index is never found here.
QString codeFromNetease(const SampleMarket& market, const QString& sevenChars);
// "sh600000" / "sz399001" to the sample code, or empty.
QString codeFromTencent(const SampleMarket& market, const QString& prefixed);

} // namespace standin
