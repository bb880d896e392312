#include <QDebug>
#include <QMessageBox>
#include <QNetworkRequest>

#include "app/mainwindow.h"
#include "gateway.h"

MainWindow::GatewayOperation::GatewayOperation(MainWindow *window)
    : m_window(window)
    , m_exchange(window->manager, window->requestDeadlineMs, maxReplyBytes)
{
    window->gatewayExchange = &m_exchange;
}

MainWindow::GatewayOperation::~GatewayOperation()
{
    m_window->gatewayExchange = nullptr;
    m_window->finishDeferredClose();
}

bool MainWindow::gatewayBusy() const
{
    return gatewayExchange != nullptr;
}

bool MainWindow::wsLogin(GatewayExchange &exchange, QByteArray *contextId, QByteArray *cookie)
{
    QNetworkRequest request(gatewayUrl(livebox, QStringLiteral("/ws")));
    request.setRawHeader("Content-Type", "application/x-sah-ws-4-call+json");
    request.setRawHeader("Authorization", "X-Sah-Login");
    const GatewayExchange::Reply reply = exchange.post(request, wsLoginBody(user, password));
    QString why;
    *contextId = sessionContext(reply, &why);
    if (contextId->isEmpty()) {
        connected = false;
        QMessageBox::warning(this, QStringLiteral("Authentification"), QStringLiteral("LB non connectée"));
        qDebug().noquote() << "Failure" << why;
        return false;
    }
    connected = true;
    *cookie = reply.setCookie;
    return true;
}

QNetworkRequest MainWindow::wsSessionRequest(const QByteArray &contentType, const QByteArray &contextId,
                                             const QByteArray &cookie) const
{
    QNetworkRequest request(gatewayUrl(livebox, QStringLiteral("/ws")));
    request.setRawHeader("Content-Type", contentType);
    request.setRawHeader("X-Context", headerValue(contextId));
    request.setRawHeader("cookie", sessionCookie(cookie, contextId));
    return request;
}
