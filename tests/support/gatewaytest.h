#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>

// One request as the simulator received it.
struct ReceivedRequest
{
    QString method;
    QString target;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray &name) const
    {
        for (const auto &h : headers) {
            if (h.first.compare(name, Qt::CaseInsensitive) == 0)
                return h.second;
        }
        return QByteArray();
    }
    bool hasHeader(const QByteArray &name) const
    {
        for (const auto &h : headers) {
            if (h.first.compare(name, Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    }
    // The header's name exactly as it came over the wire.
    QByteArray headerName(const QByteArray &name) const
    {
        for (const auto &h : headers) {
            if (h.first.compare(name, Qt::CaseInsensitive) == 0)
                return h.first;
        }
        return QByteArray();
    }
};

inline QList<ReceivedRequest> receivedRequests(const QJsonArray &log)
{
    QList<ReceivedRequest> requests;
    for (const QJsonValue &value : log) {
        const QJsonObject o = value.toObject();
        ReceivedRequest r;
        r.method = o.value("method").toString();
        r.target = o.value("target").toString();
        for (const QJsonValue &h : o.value("headers").toArray())
            r.headers.append({h.toArray().at(0).toString().toUtf8(), h.toArray().at(1).toString().toUtf8()});
        r.body = QByteArray::fromBase64(o.value("body_base64").toString().toLatin1());
        requests.append(r);
    }
    return requests;
}
