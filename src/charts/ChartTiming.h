#pragma once

#include <QDateTime>

#include <functional>

namespace charts {

// Now in Asia/Shanghai, whatever the machine's zone; tests may pin it.
QDateTime shanghaiNow();
void setClock(std::function<QDateTime()> clock); // an empty function restores the real clock

// The A-share continuous sessions: 09:30-11:30 and 13:00-15:00, Monday to
// Friday, in Shanghai time (the instant is converted first).
bool isMarketHours(const QDateTime& instant);

// Delays of the charts' self-re-arming chains, in milliseconds. Tests
// shorten them; nothing else changes them.
struct PollTiming {
    int firstPriceMs = 1000; // the first live-price request after creation
    int openMs = 1000; // next request while the market status reads open
    int closedMs = 30000; // next request while it reads closed or is unknown
    int yearCacheMs = 15000; // how long a year file may be reused by a new chart
};
PollTiming& pollTiming();

} // namespace charts
