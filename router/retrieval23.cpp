#include <QDebug>
#include <QNetworkRequest>

#include "app/mainwindow.h"
#include "gateway.h"
#include "recordfill.h"

void MainWindow::LiveBoxGetInfos(LiveBoxInfos *LBinfos)
{
    if (gatewayBusy())
        return;
    GatewayOperation operation(this);

    QNetworkRequest request(restLoginUrl(livebox, user, password));
    request.setRawHeader("Content-Type", "application/json");
    const GatewayExchange::Reply login = operation.exchange().post(request, QByteArray());
    if (!login.ok) {
        connected = false;
        qDebug().noquote() << "Failure" << login.error;
        return;
    }
    connected = true;
    const QByteArray contextId =
        jsonText(objectAt(login.json.object(), QStringLiteral("data")), QStringLiteral("contextID")).toUtf8();

    request.setRawHeader("X-Context", contextId);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    QJsonObject replies[6];
    for (int i = 0; i < restPaths.size(); ++i) {
        request.setUrl(gatewayUrl(livebox, restPaths.at(i)));
        const bool isQuery = i >= restBodies.size(); // the device query has no body
        const GatewayExchange::Reply reply =
            isQuery ? operation.exchange().get(request) : operation.exchange().post(request, restBodies.at(i));
        if (!reply.ok) {
            qDebug().noquote() << "Failure" << reply.error;
            return;
        }
        replies[i] = reply.json.object();
    }

    const QJsonObject line = objectAt(replies[0], QStringLiteral("result.status.dsl.dsl0"));
    const QJsonObject ppp = objectAt(replies[1], QStringLiteral("result.status.ppp.ppp_data"));
    const QJsonObject stats = objectAt(replies[2], QStringLiteral("result.status"));
    const QJsonObject wifi = objectAt(replies[3], QStringLiteral("result.status.wlanvap.wl0"));
    const QJsonObject wan = objectAt(replies[4], QStringLiteral("result.data"));
    const QJsonObject &device = replies[5];

    fillLine(LBinfos, line);
    fillStatistics(LBinfos, stats);
    LBinfos->SSID = jsonText(wifi, QStringLiteral("SSID"));
    LBinfos->PppLastChange = jsonNumber(ppp, QStringLiteral("LastChange"));
    LBinfos->PppLastChangeTime = jsonNumber(ppp, QStringLiteral("LastChangeTime"));
    splitDnsServers(jsonText(wan, QStringLiteral("DNSServers")), LBinfos);
    LBinfos->Protocol = jsonText(ppp, QStringLiteral("TransportType"));
    LBinfos->MTU = jsonNumber(ppp, QStringLiteral("MaxMRUSize"));
    deriveDateTimes(LBinfos);
    // Read strictly by position: this list carries no names the program trusts.
    LBinfos->NumberOfReboots = jsonNumber(arrayElement(device, QStringLiteral("parameters"), 23), QStringLiteral("value"));
    LBinfos->SoftwareVersion = jsonText(arrayElement(device, QStringLiteral("parameters"), 7), QStringLiteral("value"));
    LBinfos->HardwareVersion = jsonText(arrayElement(device, QStringLiteral("parameters"), 6), QStringLiteral("value"));
    LBinfos->IPAddress = jsonText(wan, QStringLiteral("IPAddress"));
}
