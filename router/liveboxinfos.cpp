#include "liveboxinfos.h"

#include <QStringList>
#include <cmath>

QString formatDateTime(const QDateTime &dateTime)
{
    return dateTime.toString(dateTimeFormat());
}

QDateTime parseDateTime(const QString &text)
{
    return QDateTime::fromString(text, dateTimeFormat());
}

QDateTime secondsBefore(const QDateTime &now, double secondsAgo)
{
    const double back = -secondsAgo;
    // About 290 000 years: far beyond any up-time, well inside qint64.
    constexpr double limit = 9.0e12;
    if (!std::isfinite(back) || std::fabs(back) > limit)
        return now;
    return now.addSecs(static_cast<qint64>(back));
}

void deriveDateTimes(LiveBoxInfos *infos, Clock clock)
{
    infos->DateTime = formatDateTime(clock());
    infos->RebootDateTime = formatDateTime(secondsBefore(clock(), infos->LastChangeTime + infos->LastChange));
    infos->SynchroDateTime = formatDateTime(secondsBefore(clock(), infos->LastChange));
    infos->PppDateTime = formatDateTime(secondsBefore(clock(), infos->PppLastChange));
}

void splitDnsServers(const QString &servers, LiveBoxInfos *infos)
{
    const QStringList parts = servers.split(QLatin1Char(','), Qt::KeepEmptyParts, Qt::CaseSensitive);
    infos->DNSServer1 = parts.value(0);
    if (parts.size() > 1)
        infos->DNSServer2 = parts.at(1);
}
