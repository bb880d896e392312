#pragma once

#include <QString>

#include <map>
#include <memory>
#include <string>

#include "router/liveboxinfos.h"

namespace prometheus {
class Exposer;
class Registry;
}

// The line's history for Prometheus: the program updates the metrics after
// each poll, from its own thread, through prometheus-cpp's thread-safe
// types; the library serves scrapes on threads of its own and never reads
// a window.
class MetricsServer
{
public:
    // Serves on `address` ("host:port"); null, and `error` says why, when
    // the address cannot be used.
    static std::unique_ptr<MetricsServer> serve(const QString &address, QString *error);
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

    std::shared_ptr<prometheus::Registry> m_registry;
    std::unique_ptr<prometheus::Exposer> m_exposer;
    std::unique_ptr<Metrics> m_metrics;
    bool m_hasReading = false;
    LiveBoxInfos m_last;
};
