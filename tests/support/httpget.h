#pragma once

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTimer>

// One loopback request, waited for; `status` is 0 when no answer came in time.
struct HttpAnswer
{
    int status = 0;
    QByteArray body;
    QByteArray authenticate; // the WWW-Authenticate header
    qint64 contentLength = -1;
};

// `verb` is GET or HEAD; `authorization`, when given, the header's value.
inline HttpAnswer httpAsk(const QString &url, const QByteArray &verb, const QByteArray &authorization = {},
                          int timeoutMs = 5000)
{
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url)};
    if (!authorization.isEmpty())
        request.setRawHeader("Authorization", authorization);
    QNetworkReply *reply = verb == "HEAD" ? manager.head(request) : manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    HttpAnswer answer;
    if (reply->isFinished()) {
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        answer.body = reply->readAll();
        answer.authenticate = reply->rawHeader("WWW-Authenticate");
        if (reply->hasRawHeader("Content-Length"))
            answer.contentLength = reply->rawHeader("Content-Length").toLongLong();
    }
    reply->abort();
    delete reply;
    return answer;
}

inline HttpAnswer httpGet(const QString &url, int timeoutMs = 5000)
{
    return httpAsk(url, "GET", {}, timeoutMs);
}

// A loopback port free a moment ago.
inline int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}
