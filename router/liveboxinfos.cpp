#include "liveboxinfos.h"

#include <QStringList>

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

void maxRatesInKbps(LiveBoxInfos *infos)
{
    const auto inBits = [](double maxRate, double currRate) {
        return maxRate >= 1000000 || (currRate > 0 && maxRate > 100 * currRate);
    };
    if (inBits(infos->DownstreamMaxRate, infos->DownstreamCurrRate)
        || inBits(infos->UpstreamMaxRate, infos->UpstreamCurrRate)) {
        infos->DownstreamMaxRate /= 1000;
        infos->UpstreamMaxRate /= 1000;
    }
}

double shownAttenuation(double lineAttenuation, double attenuation)
{
    return lineAttenuation == 0 && attenuation != 0 ? attenuation : lineAttenuation;
}

bool restarted(const LiveBoxInfos &before, const LiveBoxInfos &now)
{
    return now.LastChangeTime + now.LastChange < before.LastChangeTime + before.LastChange;
}

bool resynchronised(const LiveBoxInfos &before, const LiveBoxInfos &now)
{
    return before.LastChangeTime != now.LastChangeTime && !restarted(before, now);
}
