#pragma once

#include <QtGlobal>

// The acquisition cycle's rules of time.

// Polls start one interval apart: the timer waits out what is left of the
// interval after a poll, or one second when the poll took all of it.
int rearmDelay(int cycleMs, qint64 elapsedMs);

// A poll that took the whole interval or more lengthens the interval to its
// own duration plus a second, for the rest of the run.
int lengthenedCycle(int cycleMs, qint64 elapsedMs);

// The shortest interval, in seconds.
constexpr int minimumCycleSeconds = 5;

// A stall is shown beyond at least twice the interval (seconds).
inline int stallFloor(int cycleSeconds)
{
    return 2 * cycleSeconds;
}
