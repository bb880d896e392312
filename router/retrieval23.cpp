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

    fillFromOlderReplies(LBinfos, replies);
}
