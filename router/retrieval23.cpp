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
    QString why;
    const QByteArray contextId = sessionContext(login, &why);
    if (contextId.isEmpty()) {
        connected = false;
        qDebug().noquote() << "Failure" << why;
        return;
    }
    connected = true;

    request.setRawHeader("X-Context", headerValue(contextId));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    // Real firmware ties the session to a cookie set at the login; it goes
    // back on this poll's requests only, never on a later poll's.
    const QByteArray cookies = cookiePairs(login.setCookie);
    if (!cookies.isEmpty())
        request.setRawHeader("Cookie", cookies);
    QJsonObject replies[6];
    for (int i = 0; i < restPaths.size(); ++i) {
        request.setUrl(gatewayUrl(livebox, restPaths.at(i)));
        const bool isQuery = i >= restBodies.size(); // the device query has no body
        const GatewayExchange::Reply reply =
            isQuery ? operation.exchange().get(request) : operation.exchange().post(request, restBodies.at(i));
        if (!reply.usable()) {
            // A refusal means the gateway no longer holds the session.
            if (reply.refused())
                connected = false;
            qDebug().noquote() << "Failure" << reply.failure();
            return;
        }
        replies[i] = reply.json.object();
    }

    fillFromOlderReplies(LBinfos, replies);
}
