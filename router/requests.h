#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// The requests of a poll, in sending order.

struct GatewayReply;

// Where a reply holds the values a poll must read from it: a dotted member
// path that must lead to an object, or to a list when `list` is set. A null
// path: the reply is read as it comes, whatever it lacks.
struct ValuesPlace
{
    const char *path = nullptr;
    bool list = false;
};

// Why a data reply cannot be read: its own failure (transport, refusal, not
// JSON), or its values' place missing ("the reply holds no dsl0 object"),
// since read as empty it would be a reading of zeros; empty when it can be
// read. A member missing inside the place is not checked: a VDSL line
// really has no line attenuation.
QString dataFailure(const GatewayReply &reply, const ValuesPlace &place);

// The older gateways' REST requests: a path under "/sysbus/" and a JSON body
// of parameters; the device query (the last) is a GET without a body.
struct RestRequest
{
    QString path;
    QByteArray body;
    bool get;
    ValuesPlace values;
};
const QVector<RestRequest> &olderRequests();

// The newer gateways' service calls to "/ws": the body, the section marker
// of the trace, the call's name in its failure messages ("Failure
// <name>" in the diagnostics, "failure <name>" in the trace), and where the
// reply holds its values.
struct ServiceCall
{
    QByteArray body;
    const char *marker;
    const char *name;
    ValuesPlace values;
};
const QVector<ServiceCall> &newerCalls();

// The body of the restart call, sent within a newer-scheme session.
QByteArray restartBody();
