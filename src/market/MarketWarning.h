#pragma once

#include <QString>
#include <QVariantList>

namespace market {

inline constexpr int kNoWarningLevel = -9999;
inline constexpr int kCalmLevel = 5;

// The market warning level from an index's day rows (newest first, at least
// four of them); higher is calmer. `today` is "yyyyMMdd": a row for today is
// left out, its figures are not final. See docs/market-warning.md.
int marketWarningLevel(const QVariantList& historys, const QString& today);

} // namespace market
