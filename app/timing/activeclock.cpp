#include "activeclock.h"

#include <algorithm>

void ActiveClock::restart(qint64 now)
{
    noteTime(now);
    counted = 0;
    countedUntil = ownTime;
    lastInput = ownTime;
    paused = false;
}

void ActiveClock::noteInput(qint64 now)
{
    noteTime(now);
    if (!paused)
        counted += uncounted(ownTime);
    countedUntil = ownTime;
    lastInput = ownTime;
    paused = false;
}

void ActiveClock::noteMove(qint64 now)
{
    if (paused)
        noteTime(now);
    else
        noteInput(now);
}

void ActiveClock::noteTime(qint64 now)
{
    ownTime = ownTimeAt(now);
    lastSeen = now;
}

void ActiveClock::pause(qint64 now)
{
    noteTime(now);
    if (!paused)
        counted += uncounted(ownTime);
    countedUntil = ownTime;
    paused = true;
}

qint64 ActiveClock::activeMilliseconds(qint64 now) const
{
    return counted + (paused ? 0 : uncounted(ownTimeAt(now)));
}

long long ActiveClock::takeSeconds(qint64 now)
{
    noteTime(now);
    if (!paused)
        counted += uncounted(ownTime);
    countedUntil = ownTime;
    const long long seconds = counted / 1000;
    counted %= 1000;
    return seconds;
}

qint64 ActiveClock::ownTimeAt(qint64 now) const
{
    const qint64 step = now - lastSeen;
    return step > 0 && step <= idleMilliseconds ? ownTime + step : ownTime;
}

qint64 ActiveClock::uncounted(qint64 ownNow) const
{
    return std::max(qint64(0), std::min(ownNow, lastInput + idleMilliseconds) - countedUntil);
}
