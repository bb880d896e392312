#include "recordfill.h"

#include <QJsonObject>

#include "gateway.h"
#include "liveboxinfos.h"

#define NUMBER(object, key) infos->key = jsonNumber(object, QStringLiteral(#key))
#define TEXT(object, key) infos->key = jsonText(object, QStringLiteral(#key))

void fillLine(LiveBoxInfos *infos, const QJsonObject &line)
{
    NUMBER(line, LastChange);
    NUMBER(line, LastChangeTime);
    NUMBER(line, DownstreamAttenuation);
    NUMBER(line, DownstreamLineAttenuation);
    NUMBER(line, DownstreamCurrRate);
    NUMBER(line, DownstreamMaxRate);
    NUMBER(line, DownstreamNoiseMargin);
    NUMBER(line, DownstreamPower);
    NUMBER(line, UpstreamAttenuation);
    NUMBER(line, UpstreamLineAttenuation);
    NUMBER(line, UpstreamCurrRate);
    NUMBER(line, UpstreamMaxRate);
    NUMBER(line, UpstreamNoiseMargin);
    NUMBER(line, UpstreamPower);
    TEXT(line, ModulationType);
    TEXT(line, ModulationHint);
    maxRatesInKbps(infos);
}

void fillStatistics(LiveBoxInfos *infos, const QJsonObject &stats)
{
    NUMBER(stats, ErroredSecs);
    NUMBER(stats, SeverelyErroredSecs);
    NUMBER(stats, ATUCCRCErrors);
    NUMBER(stats, CRCErrors);
    NUMBER(stats, ATUCFECErrors);
    NUMBER(stats, FECErrors);
    NUMBER(stats, ATUCHECErrors);
    NUMBER(stats, HECErrors);
    NUMBER(stats, CellDelin);
    NUMBER(stats, InitErrors);
    NUMBER(stats, InitTimeouts);
    NUMBER(stats, LinkRetrain);
    NUMBER(stats, LossOfFraming);
    NUMBER(stats, ReceiveBlocks);
    NUMBER(stats, TransmitBlocks);
}

void fillFromNewerReplies(LiveBoxInfos *infos, const QJsonObject replies[5])
{
    const QJsonObject line = objectAt(replies[0], QStringLiteral("status.dsl.dsl0"));
    const QJsonObject atm = objectAt(replies[0], QStringLiteral("status.netdev.atm_multi"));
    const QJsonObject stats = objectAt(replies[1], QStringLiteral("status"));
    const QJsonObject wifi = objectAt(replies[2], QStringLiteral("status.wlanvap.wl0"));
    const QJsonObject wan = objectAt(replies[3], QStringLiteral("data"));
    const QJsonObject device = objectAt(replies[4], QStringLiteral("status"));

    fillLine(infos, line);
    fillStatistics(infos, stats);
    TEXT(wifi, SSID);
    splitDnsServers(jsonText(wan, QStringLiteral("DNSServers")), infos);
    TEXT(wan, Protocol);
    NUMBER(atm, MTU);
    deriveDateTimes(infos);
    NUMBER(device, NumberOfReboots);
    TEXT(device, SoftwareVersion);
    TEXT(device, HardwareVersion);
    TEXT(wan, IPAddress);
}

void fillFromOlderReplies(LiveBoxInfos *infos, const QJsonObject replies[6])
{
    const QJsonObject line = objectAt(replies[0], QStringLiteral("result.status.dsl.dsl0"));
    const QJsonObject ppp = objectAt(replies[1], QStringLiteral("result.status.ppp.ppp_data"));
    const QJsonObject stats = objectAt(replies[2], QStringLiteral("result.status"));
    const QJsonObject wifi = objectAt(replies[3], QStringLiteral("result.status.wlanvap.wl0"));
    const QJsonObject wan = objectAt(replies[4], QStringLiteral("result.data"));
    const QJsonObject &device = replies[5];

    fillLine(infos, line);
    fillStatistics(infos, stats);
    TEXT(wifi, SSID);
    infos->PppLastChange = jsonNumber(ppp, QStringLiteral("LastChange"));
    infos->PppLastChangeTime = jsonNumber(ppp, QStringLiteral("LastChangeTime"));
    splitDnsServers(jsonText(wan, QStringLiteral("DNSServers")), infos);
    infos->Protocol = jsonText(ppp, QStringLiteral("TransportType"));
    infos->MTU = jsonNumber(ppp, QStringLiteral("MaxMRUSize"));
    deriveDateTimes(infos);
    // Read strictly by position: this list carries no names the program trusts.
    const QString list = QStringLiteral("parameters");
    const QString value = QStringLiteral("value");
    infos->NumberOfReboots = jsonNumber(arrayElement(device, list, 23), value);
    infos->SoftwareVersion = jsonText(arrayElement(device, list, 7), value);
    infos->HardwareVersion = jsonText(arrayElement(device, list, 6), value);
    TEXT(wan, IPAddress);
}
