#pragma once

#include <QDateTime>
#include <QString>
#include <QTimeZone>

namespace market {

// "000001.idx" and the like; a 6-digit code is a stock.
bool isIndexCode(const QString& code);
// The six digits of a stock or index code ("" when there are none).
QString bareCode(const QString& code);
// Stocks from 600000 up and the ".idx" codes below 399000 are Shanghai's.
bool isShanghai(const QString& code);
// The backend serves this product's own index; the public feeds do not know it.
bool isOwnIndex(const QString& code);
// A code as the backend may name one: six ASCII digits, or those followed
// by ".idx" (ten characters).
bool isSecurityCode(const QString& code);

// The NetEase pseudo-code stem ("UD_SHA", "UD_SZA", "UD_HS3") whose rise,
// fall and flat counts are the members of the index: the Shanghai and
// Shenzhen composites and A-share indices and the CSI 300. Empty for every
// other code: a 100-stock board has no count of its own in the feed.
QString memberCountStem(const QString& indexCode);
// Whether the index's record holds counts of its own members: the feed's
// for the indices above, the backend's for the product's own index.
bool hasOwnMemberCounts(const QString& indexCode);

QString tencentCode(const QString& code); // "sh600000", "sz399001"
QString neteaseCode(const QString& code); // "0600000", "1399001"
QString eastmoneyName(const QString& code); // "600000", "zs000001"

// Exchange time, wherever the machine is.
QTimeZone shanghaiZone();
QDateTime shanghaiNow();
// The exchange's date as "yyyyMMdd".
QString shanghaiDateText(const QDateTime& when);

// Trading sessions by the clock alone (call auction included, holidays not
// known): Mon-Fri 09:15-11:30 and 13:00-15:00 Shanghai time.
bool isTradingTime(const QDateTime& when);

} // namespace market
