#include "activeclock.h"

#include <algorithm>

void ActiveClock::restart(qint64 now)
{
    counted = 0;
    countedUntil = now;
    lastInput = now;
}

void ActiveClock::noteInput(qint64 now)
{
    counted += uncounted(now);
    countedUntil = std::max(countedUntil, now);
    lastInput = std::max(lastInput, now);
}

qint64 ActiveClock::activeMilliseconds(qint64 now) const
{
    return counted + uncounted(now);
}

long long ActiveClock::takeSeconds(qint64 now)
{
    counted += uncounted(now);
    countedUntil = std::max(countedUntil, now);
    const long long seconds = counted / 1000;
    counted %= 1000;
    return seconds;
}

qint64 ActiveClock::uncounted(qint64 now) const
{
    // A clock that went back counts nothing rather than a negative time.
    return std::max(qint64(0), std::min(now, lastInput + idleMilliseconds) - countedUntil);
}
