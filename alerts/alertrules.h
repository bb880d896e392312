#pragma once

#include <QString>
#include <QVector>

#include "common/settingstable.h"
#include "router/liveboxinfos.h"

// The switches and thresholds of the alert rules, as the "Alertes" tab and
// the ALERTES section of the settings hold them.
struct AlertSettings
{
    // Events.
    bool resync = true;
    bool restart = true;
    bool connection = false;
    bool rateDrop = false;
    double rateDropPercent = 10;
    // States.
    bool failedPolls = true;
    int failedPollCount = 3;
    bool margin = false;
    double marginDb = 3;
    bool crc = false;
    double crcPerMinute = 10;
    bool fec = false;
    double fecPerMinute = 1000;
};

// The values' ranges and decimals, as the "Alertes" tab edits them.
namespace AlertLimits {
constexpr ValueLimit rateDropPercent{1, 90, 0};
constexpr ValueLimit failedPollCount{1, 1000};
constexpr ValueLimit marginDb{0, 30, 1};
constexpr ValueLimit crcPerMinute{0, 1000000, 0};
constexpr ValueLimit fecPerMinute{0, 10000000, 0};
constexpr ValueLimit commandSeconds{1, 600};
constexpr int commandLength = 1024;
}

// An event fires once; a state fires when it starts ("déclenchée") and once
// more when it ends ("rétablie").
enum class AlertState { Event, Raised, Cleared };
QString alertStateText(AlertState state);

struct Alert
{
    QString rule;   // its name, as the log and the notification show it
    AlertState state;
    QString values; // what was measured, in words; never a ';' or a line end
};

// A poll as the rules see it: good (a complete reading) or failed, and when
// it ended.
struct PollOutcome
{
    bool good = false;
    LiveBoxInfos reading; // the reading, when good
    qint64 atMs = 0;      // the poll's end, in ms on a steady clock: a clock set by hand fakes no rate
    bool withPpp = false; // the gateway gives the internet connection's time
};

// An error counter's rate per minute, measured over a minute at least: from
// the newest reading a minute or more before the latest (the previous one
// when polls are further apart), so that one poll's errors at a short
// interval do not read as a rate of their own.
class ErrorRate
{
public:
    static constexpr qint64 windowMs = 60000;
    // Takes the reading `count` at `atMs`; returns the rate, or a negative
    // number while it cannot be told (less than a minute measured since the
    // start or since the counter went back at a restart).
    double take(qint64 atMs, double count);

private:
    struct Reading
    {
        qint64 atMs;
        double count;
    };
    QVector<Reading> m_readings; // oldest first, from a minute or more ago on
};

// The rules, checked after every poll. They remember the last good reading
// and which states are on, so that nothing fires twice for one cause.
class AlertRules
{
public:
    QVector<Alert> check(const AlertSettings &settings, const PollOutcome &poll);

    // For the tray's colour: a margin or error threshold crossed now, and
    // the failed polls' state.
    bool thresholdCrossed() const;
    bool failing() const { return m_failuresRaised; }

    // A new acquisition starts from nothing: no baseline, no state on.
    void reset() { *this = AlertRules(); }

private:
    void checkEvents(const AlertSettings &s, const PollOutcome &poll, QVector<Alert> *alerts);
    void checkStates(const AlertSettings &s, const PollOutcome &poll, QVector<Alert> *alerts);

    bool m_hasReading = false;
    LiveBoxInfos m_last;
    double m_syncRate = 0; // the down rate of the current synchronisation
    int m_failures = 0;    // failed polls in a row
    bool m_failuresRaised = false;
    bool m_marginDown = false;
    bool m_marginUp = false;
    bool m_crcNear = false;
    bool m_crcFar = false;
    bool m_fecNear = false;
    bool m_fecFar = false;
    // Per error counter (CRC near, far, FEC near, far): its rate, and when
    // it was last above its threshold; a state ends a minute after that.
    ErrorRate m_rates[4];
    qint64 m_aboveAtMs[4] = {};
};
