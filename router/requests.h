#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// The requests of a poll, in sending order.

// The older gateways' REST requests: a path under "/sysbus/" and a JSON body
// of parameters; the device query (the last) is a GET without a body.
struct RestRequest
{
    QString path;
    QByteArray body;
    bool get;
};
const QVector<RestRequest> &olderRequests();

// The newer gateways' service calls to "/ws": the body, the section marker
// of the trace, and the call's name in its failure messages ("Failure
// <name>" in the diagnostics, "failure <name>" in the trace).
struct ServiceCall
{
    QByteArray body;
    const char *marker;
    const char *name;
};
const QVector<ServiceCall> &newerCalls();

// The body of the restart call, sent within a newer-scheme session.
QByteArray restartBody();
