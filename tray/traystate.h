#pragma once

#include <QString>

struct LiveBoxInfos;

// The line's state at a glance, as the tray icon's colour says it.
enum class LineLight {
    Off,     // grey: no acquisition running
    Good,    // green: last poll read, line up, margins above the thresholds
    Warning, // orange: an alert threshold crossed
    Bad,     // red: polls failing, or the line down
};

LineLight lineLight(bool acquiring, bool lastPollGood, bool lineUp, bool thresholdCrossed);
QString lineLightText(LineLight light);

// The tray's tool tip: the state, then, once a poll has read the gateway,
// the rates, the noise margins and the last synchronisation.
QString trayToolTip(LineLight light, const LiveBoxInfos *reading);
