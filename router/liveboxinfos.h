#pragma once

#include <QDateTime>
#include <QString>

#include "common/datetime.h"

// What a record says of what no reading has given yet.
inline QString unknownText()
{
    return QStringLiteral("inconnu");
}

// The gateway's margins, attenuations and powers are in tenths of a dB:
// the one conversion of that unit.
constexpr double tenthsPerDecibel = 10;
inline double decibels(double tenths)
{
    return tenths / tenthsPerDecibel;
}

// Everything one poll learns about the gateway and its line, in the
// gateway's own units (rates in Kb/s, margins and attenuations in tenths of
// a dB, raw counters). Consumers convert for display.
struct LiveBoxInfos
{
    QString SSID = unknownText();
    QString DateTime = unknownText();
    QString RebootDateTime = unknownText();
    QString SynchroDateTime = unknownText();
    QString PppDateTime = unknownText();
    QString IPAddress = unknownText();
    QString SoftwareVersion = unknownText();
    QString HardwareVersion = unknownText();
    double NumberOfReboots = 0;
    double LastChange = 0;
    double LastChangeTime = 0;
    double DownstreamAttenuation = 0;
    double DownstreamLineAttenuation = 0;
    double DownstreamCurrRate = 0;
    double DownstreamMaxRate = 0;
    double DownstreamNoiseMargin = 0;
    double DownstreamPower = 0;
    double UpstreamAttenuation = 0;
    double UpstreamLineAttenuation = 0;
    double UpstreamCurrRate = 0;
    double UpstreamMaxRate = 0;
    double UpstreamNoiseMargin = 0;
    double UpstreamPower = 0;
    QString ModulationType;
    QString ModulationHint;
    double ErroredSecs = 0;
    double SeverelyErroredSecs = 0;
    double ATUCCRCErrors = 0;
    double CRCErrors = 0;
    double ATUCFECErrors = 0;
    double FECErrors = 0;
    double ATUCHECErrors = 0;
    double HECErrors = 0;
    double CellDelin = 0;
    double InitErrors = 0;
    double InitTimeouts = 0;
    double LinkRetrain = 0;
    double LossOfFraming = 0;
    double ReceiveBlocks = 0;
    double TransmitBlocks = 0;
    double PppLastChange = 0;
    double PppLastChangeTime = 0;
    QString DNSServer1 = unknownText();
    QString DNSServer2 = unknownText();
    QString Protocol = unknownText();
    double MTU = 0;
};

using Clock = QDateTime (*)();

// Fills DateTime, RebootDateTime, SynchroDateTime and PppDateTime from the
// clock and the record's up-time counters; each reads the clock anew.
void deriveDateTimes(LiveBoxInfos *infos, Clock clock = &QDateTime::currentDateTime);

// The gateway gives its DNS servers as one comma-separated text. The first
// part always replaces DNSServer1; DNSServer2 changes only when there is a
// second part, so a gateway that reports one server keeps the earlier second.
void splitDnsServers(const QString &servers, LiveBoxInfos *infos);

// Some firmware (VDSL lines seen through the older scheme) gives the two
// attainable rates in bit/s while the synchronised rates stay in kbit/s. The
// two share their unit; they are taken as bit/s when either reaches
// 1 000 000 (no DSL profile reaches 1 Gbit/s) or is more than a hundred times
// the synchronised rate of its direction, and both are then turned into
// kbit/s.
void maxRatesInKbps(LiveBoxInfos *infos);

// The attenuation a display shows: the line attenuation, or the signal
// attenuation where the line one is 0 and the other is not (VDSL lines give
// no line attenuation, and no real line has 0.0 dB).
double shownAttenuation(double lineAttenuation, double attenuation);

// What happened between two good readings. The gateway's up-time is the
// up-time of the last synchronisation (`LastChangeTime`) plus the time since
// (`LastChange`): it falls at a restart. A synchronisation that moved without
// a restart is a resynchronisation.
bool restarted(const LiveBoxInfos &before, const LiveBoxInfos &now);
bool resynchronised(const LiveBoxInfos &before, const LiveBoxInfos &now);
// The line is up when the reading gives it a downstream rate.
inline bool lineUp(const LiveBoxInfos &reading)
{
    return reading.DownstreamCurrRate > 0;
}
