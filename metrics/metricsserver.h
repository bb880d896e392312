#pragma once

#include <QString>

#include <map>
#include <memory>
#include <string>

#include "access.h"
#include "router/liveboxinfos.h"

class CivetServer;
namespace prometheus {
class Registry;
}

// The line's history for Prometheus: the program updates the metrics after
// each poll, from its own thread, through prometheus-cpp's thread-safe
// types; civetweb serves scrapes on threads of its own and never reads a
// window.
class MetricsServer
{
public:
    // Clients served at once; a client that has not sent its whole request
    // within `requestTimeoutMs` is cut off, so that idle connections hold no
    // thread for long.
    static constexpr int threads = 16;
    static constexpr int requestTimeoutMs = 2000;

    // Serves on `address` ("host:port") to those `access` lets in; null, and
    // `error` says why, when the address or the access cannot be used.
    static std::unique_ptr<MetricsServer> serve(const QString &address, const MetricsAccess &access,
                                                QString *error);
    ~MetricsServer();

    // The port served, once bound (the one asked for, or the one picked for port 0).
    int port() const;

    // After a good poll: every value of the line, the gateway's identity,
    // the events seen since the last good poll.
    void goodPoll(const LiveBoxInfos &reading, bool withPpp, double seconds);
    // After a failed poll: the line's values disappear until the next good
    // one, rather than being served stale as fresh.
    void failedPoll(double seconds);

private:
    MetricsServer();
    struct Metrics;
    class Endpoint;

    std::shared_ptr<prometheus::Registry> m_registry;
    std::unique_ptr<Metrics> m_metrics;
    std::unique_ptr<Endpoint> m_endpoint; // outlives the server that calls it
    std::unique_ptr<CivetServer> m_server;
    bool m_hasReading = false;
    LiveBoxInfos m_last;
};
