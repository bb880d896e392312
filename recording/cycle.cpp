#include "cycle.h"

int rearmDelay(int cycleMs, qint64 elapsedMs)
{
    const qint64 remaining = cycleMs - elapsedMs;
    return remaining > 0 ? int(remaining) : 1000;
}

int cycleAfterPoll(int userCycleMs, int inUseMs, qint64 elapsedMs, bool complete)
{
    if (!complete)
        return inUseMs;
    return elapsedMs >= userCycleMs ? int(elapsedMs + 1000) : userCycleMs;
}
