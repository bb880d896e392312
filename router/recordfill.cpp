#include "recordfill.h"

#include <QJsonObject>

#include "gateway.h"
#include "liveboxinfos.h"
#include "requests.h"

namespace {
struct NumberKey
{
    const char *key;
    double LiveBoxInfos::*field;
};
struct TextKey
{
    const char *key;
    QString LiveBoxInfos::*field;
};

// In the order the record is written.
const NumberKey lineNumbers[] = {
    {"LastChange", &LiveBoxInfos::LastChange},
    {"LastChangeTime", &LiveBoxInfos::LastChangeTime},
    {"DownstreamAttenuation", &LiveBoxInfos::DownstreamAttenuation},
    {"DownstreamLineAttenuation", &LiveBoxInfos::DownstreamLineAttenuation},
    {"DownstreamCurrRate", &LiveBoxInfos::DownstreamCurrRate},
    {"DownstreamMaxRate", &LiveBoxInfos::DownstreamMaxRate},
    {"DownstreamNoiseMargin", &LiveBoxInfos::DownstreamNoiseMargin},
    {"DownstreamPower", &LiveBoxInfos::DownstreamPower},
    {"UpstreamAttenuation", &LiveBoxInfos::UpstreamAttenuation},
    {"UpstreamLineAttenuation", &LiveBoxInfos::UpstreamLineAttenuation},
    {"UpstreamCurrRate", &LiveBoxInfos::UpstreamCurrRate},
    {"UpstreamMaxRate", &LiveBoxInfos::UpstreamMaxRate},
    {"UpstreamNoiseMargin", &LiveBoxInfos::UpstreamNoiseMargin},
    {"UpstreamPower", &LiveBoxInfos::UpstreamPower},
};
const TextKey lineTexts[] = {
    {"ModulationType", &LiveBoxInfos::ModulationType},
    {"ModulationHint", &LiveBoxInfos::ModulationHint},
};
const NumberKey statistics[] = {
    {"ErroredSecs", &LiveBoxInfos::ErroredSecs},
    {"SeverelyErroredSecs", &LiveBoxInfos::SeverelyErroredSecs},
    {"ATUCCRCErrors", &LiveBoxInfos::ATUCCRCErrors},
    {"CRCErrors", &LiveBoxInfos::CRCErrors},
    {"ATUCFECErrors", &LiveBoxInfos::ATUCFECErrors},
    {"FECErrors", &LiveBoxInfos::FECErrors},
    {"ATUCHECErrors", &LiveBoxInfos::ATUCHECErrors},
    {"HECErrors", &LiveBoxInfos::HECErrors},
    {"CellDelin", &LiveBoxInfos::CellDelin},
    {"InitErrors", &LiveBoxInfos::InitErrors},
    {"InitTimeouts", &LiveBoxInfos::InitTimeouts},
    {"LinkRetrain", &LiveBoxInfos::LinkRetrain},
    {"LossOfFraming", &LiveBoxInfos::LossOfFraming},
    {"ReceiveBlocks", &LiveBoxInfos::ReceiveBlocks},
    {"TransmitBlocks", &LiveBoxInfos::TransmitBlocks},
};

void setNumber(LiveBoxInfos *infos, const NumberKey &key, const QJsonObject &object)
{
    infos->*key.field = jsonNumber(object, QLatin1String(key.key));
}

void setText(LiveBoxInfos *infos, const TextKey &key, const QJsonObject &object)
{
    infos->*key.field = jsonText(object, QLatin1String(key.key));
}

QJsonObject at(const QVector<QJsonObject> &replies, int index, const char *path)
{
    return objectAt(replies.value(index), QLatin1String(path));
}
}

void fillLine(LiveBoxInfos *infos, const QJsonObject &line)
{
    for (const NumberKey &key : lineNumbers)
        setNumber(infos, key, line);
    for (const TextKey &key : lineTexts)
        setText(infos, key, line);
    maxRatesInKbps(infos);
}

void fillStatistics(LiveBoxInfos *infos, const QJsonObject &stats)
{
    for (const NumberKey &key : statistics)
        setNumber(infos, key, stats);
}

void fillFromNewerReplies(LiveBoxInfos *infos, const QVector<QJsonObject> &replies)
{
    // The places the poll checked are named once, by the requests.
    const QVector<ServiceCall> &calls = newerCalls();
    const QJsonObject line = at(replies, 0, calls.at(0).values.path);
    const QJsonObject atm = at(replies, 0, "status.netdev.atm_multi");
    const QJsonObject stats = at(replies, 1, calls.at(1).values.path);
    const QJsonObject wifi = at(replies, 2, "status.wlanvap.wl0");
    const QJsonObject wan = at(replies, 3, "data");
    const QJsonObject device = at(replies, 4, calls.at(4).values.path);

    fillLine(infos, line);
    fillStatistics(infos, stats);
    setText(infos, {"SSID", &LiveBoxInfos::SSID}, wifi);
    splitDnsServers(jsonText(wan, QStringLiteral("DNSServers")), infos);
    setText(infos, {"Protocol", &LiveBoxInfos::Protocol}, wan);
    setNumber(infos, {"MTU", &LiveBoxInfos::MTU}, atm);
    deriveDateTimes(infos);
    setNumber(infos, {"NumberOfReboots", &LiveBoxInfos::NumberOfReboots}, device);
    setText(infos, {"SoftwareVersion", &LiveBoxInfos::SoftwareVersion}, device);
    setText(infos, {"HardwareVersion", &LiveBoxInfos::HardwareVersion}, device);
    setText(infos, {"IPAddress", &LiveBoxInfos::IPAddress}, wan);
}

void fillFromOlderReplies(LiveBoxInfos *infos, const QVector<QJsonObject> &replies)
{
    const QVector<RestRequest> &requests = olderRequests();
    const QJsonObject line = at(replies, 0, requests.at(0).values.path);
    const QJsonObject ppp = at(replies, 1, "result.status.ppp.ppp_data");
    const QJsonObject stats = at(replies, 2, requests.at(2).values.path);
    const QJsonObject wifi = at(replies, 3, "result.status.wlanvap.wl0");
    const QJsonObject wan = at(replies, 4, "result.data");
    const QJsonObject device = replies.value(5);

    fillLine(infos, line);
    fillStatistics(infos, stats);
    setText(infos, {"SSID", &LiveBoxInfos::SSID}, wifi);
    setNumber(infos, {"LastChange", &LiveBoxInfos::PppLastChange}, ppp);
    setNumber(infos, {"LastChangeTime", &LiveBoxInfos::PppLastChangeTime}, ppp);
    splitDnsServers(jsonText(wan, QStringLiteral("DNSServers")), infos);
    setText(infos, {"TransportType", &LiveBoxInfos::Protocol}, ppp);
    setNumber(infos, {"MaxMRUSize", &LiveBoxInfos::MTU}, ppp);
    deriveDateTimes(infos);
    // Read strictly by position: this list carries no names the program trusts.
    const QString list = QLatin1String(requests.at(5).values.path);
    const QString value = QStringLiteral("value");
    infos->NumberOfReboots = jsonNumber(arrayElement(device, list, 23), value);
    infos->SoftwareVersion = jsonText(arrayElement(device, list, 7), value);
    infos->HardwareVersion = jsonText(arrayElement(device, list, 6), value);
    setText(infos, {"IPAddress", &LiveBoxInfos::IPAddress}, wan);
}
