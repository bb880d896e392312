#pragma once

#include <QtGlobal>

// The acquisition cycle's rules of time.

// Polls start one interval apart: the timer waits out what is left of the
// interval after a poll, or one second when the poll took all of it.
int rearmDelay(int cycleMs, qint64 elapsedMs);

// The interval in use after a poll. A complete poll that took the user's
// whole interval or more lengthens it to its own duration plus a second; a
// complete poll within the user's interval brings that interval back. A
// failed poll (a request cut at its deadline) says nothing of the gateway's
// pace and changes nothing.
int cycleAfterPoll(int userCycleMs, int inUseMs, qint64 elapsedMs, bool complete);

// The shortest interval, in seconds.
constexpr int minimumCycleSeconds = 5;
// The longest interval and stall threshold the settings take.
constexpr int maximumCycleSeconds = 2 * 3600;

// A stall is shown beyond at least twice the interval (seconds).
inline int stallFloor(int cycleSeconds)
{
    return 2 * cycleSeconds;
}
