#include "cycle.h"

int rearmDelay(int cycleMs, qint64 elapsedMs)
{
    const qint64 remaining = cycleMs - elapsedMs;
    return remaining > 0 ? int(remaining) : 1000;
}

int lengthenedCycle(int cycleMs, qint64 elapsedMs)
{
    return elapsedMs >= cycleMs ? int(elapsedMs + 1000) : cycleMs;
}
