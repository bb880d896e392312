#include "requests.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "gateway.h"

namespace {
QString missingValues(const QJsonDocument &reply, const ValuesPlace &place)
{
    if (!place.path)
        return QString();
    const QString path = QLatin1String(place.path);
    QJsonValue value = reply.object();
    for (const QStringRef &step : path.splitRef(QLatin1Char('.')))
        value = value.toObject().value(step);
    if (place.list ? value.isArray() : value.isObject())
        return QString();
    return QStringLiteral("the reply holds no %1 %2")
        .arg(path.section(QLatin1Char('.'), -1), place.list ? QStringLiteral("list") : QStringLiteral("object"));
}
}

QString dataFailure(const GatewayReply &reply, const ValuesPlace &place)
{
    const QString failure = reply.failure();
    return failure.isEmpty() ? missingValues(reply.json, place) : failure;
}

const QVector<RestRequest> &olderRequests()
{
    // Requests 1 and 2 say "flag" where request 4 says "flags": each is sent
    // as the gateway knows it. The line, its statistics and the device must
    // be in their replies; the PPP, Wi-Fi and WAN replies are read as they come.
    static const QVector<RestRequest> requests = {
        {QStringLiteral("/sysbus/NeMo/Intf/data:getMIBs"),
         QByteArrayLiteral(R"({"parameters":{"mibs":"dsl","flag":"","traverse":"down"}})"), false,
         {"result.status.dsl.dsl0"}},
        {QStringLiteral("/sysbus/NeMo/Intf/data:getMIBs"),
         QByteArrayLiteral(R"({"parameters":{"mibs":"base ppp dhcp","flag":"ppp || dhcp","traverse":"down"}})"), false,
         {}},
        {QStringLiteral("/sysbus/NeMo/Intf/dsl0:getDSLStats"), QByteArrayLiteral(R"({"parameters":{}})"), false,
         {"result.status"}},
        {QStringLiteral("/sysbus/NeMo/Intf/lan:getMIBs"),
         QByteArrayLiteral(R"({"parameters":{"mibs":"wlanvap wlanradio base","flags":"wlanvap || wlanradio","traverse":"down"}})"),
         false, {}},
        {QStringLiteral("/sysbus/NMC:getWANStatus"), QByteArrayLiteral(R"({"parameters":{}})"), false, {}},
        {QStringLiteral("/sysbus/DeviceInfo?_restDepth=-1"), QByteArray(), true, {"parameters", true}},
    };
    return requests;
}

const QVector<ServiceCall> &newerCalls()
{
    // As for the older requests: the line, its statistics and the device must
    // be in their replies.
    static const QVector<ServiceCall> calls = {
        {QByteArrayLiteral(R"({"service":"NeMo.Intf.data","method":"getMIBs","parameters":{}})"), "\n--GetMIBS--",
         "GetMIBS", {"status.dsl.dsl0"}},
        {QByteArrayLiteral(R"({"service":"NeMo.Intf.dsl0","method":"getDSLStats","parameters":{}})"), "\n--DSLstat--",
         "DSLstat", {"status"}},
        {QByteArrayLiteral(R"({"service":"NeMo.Intf.lan","method":"getMIBs","parameters":{"mibs":"wlanvap || wlanradio"}})"),
         "\n--WIFI--", "WIFI", {}},
        {QByteArrayLiteral(R"({"service":"NMC","method":"getWANStatus","parameters":{}})"), "\n--WANstatus--",
         "WANstatus", {}},
        {QByteArrayLiteral(R"({"service":"DeviceInfo","method":"get","parameters":{}})"), "\n--DeviceInfo--",
         "DeviceInfo", {"status"}},
    };
    return calls;
}

QByteArray restartBody()
{
    // The newer gateways' service call form, within the session just opened.
    return QByteArrayLiteral(R"({"service":"NMC","method":"reboot","parameters":{}})");
}
