#include "requests.h"

const QVector<RestRequest> &olderRequests()
{
    // Requests 1 and 2 say "flag" where request 4 says "flags": each is sent
    // as the gateway knows it.
    static const QVector<RestRequest> requests = {
        {QStringLiteral("/sysbus/NeMo/Intf/data:getMIBs"),
         QByteArrayLiteral(R"({"parameters":{"mibs":"dsl","flag":"","traverse":"down"}})"), false},
        {QStringLiteral("/sysbus/NeMo/Intf/data:getMIBs"),
         QByteArrayLiteral(R"({"parameters":{"mibs":"base ppp dhcp","flag":"ppp || dhcp","traverse":"down"}})"), false},
        {QStringLiteral("/sysbus/NeMo/Intf/dsl0:getDSLStats"), QByteArrayLiteral(R"({"parameters":{}})"), false},
        {QStringLiteral("/sysbus/NeMo/Intf/lan:getMIBs"),
         QByteArrayLiteral(R"({"parameters":{"mibs":"wlanvap wlanradio base","flags":"wlanvap || wlanradio","traverse":"down"}})"),
         false},
        {QStringLiteral("/sysbus/NMC:getWANStatus"), QByteArrayLiteral(R"({"parameters":{}})"), false},
        {QStringLiteral("/sysbus/DeviceInfo?_restDepth=-1"), QByteArray(), true},
    };
    return requests;
}

const QVector<ServiceCall> &newerCalls()
{
    static const QVector<ServiceCall> calls = {
        {QByteArrayLiteral(R"({"service":"NeMo.Intf.data","method":"getMIBs","parameters":{}})"), "\n--GetMIBS--",
         "GetMIBS"},
        {QByteArrayLiteral(R"({"service":"NeMo.Intf.dsl0","method":"getDSLStats","parameters":{}})"), "\n--DSLstat--",
         "DSLstat"},
        {QByteArrayLiteral(R"({"service":"NeMo.Intf.lan","method":"getMIBs","parameters":{"mibs":"wlanvap || wlanradio"}})"),
         "\n--WIFI--", "WIFI"},
        {QByteArrayLiteral(R"({"service":"NMC","method":"getWANStatus","parameters":{}})"), "\n--WANstatus--",
         "WANstatus"},
        {QByteArrayLiteral(R"({"service":"DeviceInfo","method":"get","parameters":{}})"), "\n--DeviceInfo--",
         "DeviceInfo"},
    };
    return calls;
}

QByteArray restartBody()
{
    // The newer gateways' service call form, within the session just opened.
    return QByteArrayLiteral(R"({"service":"NMC","method":"reboot","parameters":{}})");
}
