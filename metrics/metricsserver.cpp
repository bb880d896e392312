#include "metricsserver.h"

#include <QDateTime>
#include <QHostAddress>
#include <QTcpServer>

#include <CivetServer.h>
#include <civetweb.h>
#include <prometheus/counter.h>
#include <prometheus/family.h>
#include <prometheus/gauge.h>
#include <prometheus/registry.h>
#include <prometheus/text_serializer.h>

#include <stdexcept>

#include "linesamples.h"

using prometheus::Counter;
using prometheus::Family;
using prometheus::Gauge;
using prometheus::Labels;

namespace {
Family<Counter> &counterFamily(prometheus::Registry &registry, const std::string &name, const std::string &help)
{
    return prometheus::BuildCounter().Name(name).Help(help).Register(registry);
}

Family<Gauge> &gaugeFamily(prometheus::Registry &registry, const std::string &name, const std::string &help)
{
    return prometheus::BuildGauge().Name(name).Help(help).Register(registry);
}
}

struct MetricsServer::Metrics
{
    explicit Metrics(prometheus::Registry &registry)
        : polls(counterFamily(registry, "quelvane_polls_total", "Polls of the gateway made."))
        , failed(counterFamily(registry, "quelvane_polls_failed_total", "Polls that failed: login, request or refusal."))
        , resyncs(counterFamily(registry, "quelvane_resynchronisations_total", "DSL resynchronisations seen by the program."))
        , restarts(counterFamily(registry, "quelvane_gateway_restarts_total", "Gateway restarts seen by the program."))
        , duration(gaugeFamily(registry, "quelvane_last_poll_duration_seconds", "Duration of the last poll."))
        , success(gaugeFamily(registry, "quelvane_last_poll_success",
                              "1 when the last poll read the gateway, 0 when it failed."))
        , info(gaugeFamily(registry, "quelvane_gateway_info", "The gateway's identity: model, firmware, Wi-Fi name."))
        , registry(registry)
    {
        polls.Add({});
        failed.Add({});
        resyncs.Add({});
        restarts.Add({});
    }

    Family<Counter> &polls, &failed, &resyncs, &restarts;
    Family<Gauge> &duration, &success, &info;
    prometheus::Registry &registry;

    // The families of the line's values, made at their first value.
    std::map<std::string, Family<Gauge> *> gauges;
    std::map<std::string, Family<Counter> *> counters;

    // The line's series served now.
    struct Series
    {
        Family<Gauge> *gaugeFamily = nullptr;
        Gauge *gauge = nullptr;
        Family<Counter> *counterFamily = nullptr;
        Counter *counter = nullptr;
    };
    std::map<std::pair<std::string, Labels>, Series> line;
    Gauge *identity = nullptr;
    Labels identityLabels;

    void set(const LineSample &sample)
    {
        Series &series = line[{sample.name, sample.labels}];
        const std::string help = lineSampleHelp(sample.name);
        if (!sample.counter) {
            if (!series.gauge) {
                Family<Gauge> *&family = gauges[sample.name];
                if (!family)
                    family = &gaugeFamily(registry, sample.name, help);
                series.gaugeFamily = family;
                series.gauge = &family->Add(sample.labels);
            }
            series.gauge->Set(sample.value);
            return;
        }
        if (!series.counter) {
            Family<Counter> *&family = counters[sample.name];
            if (!family)
                family = &counterFamily(registry, sample.name, help);
            series.counterFamily = family;
            series.counter = &family->Add(sample.labels);
        }
        // The gateway's own count, served as it is: one that went down (a
        // restart) starts its series again, which Prometheus reads as a reset.
        if (sample.value < series.counter->Value()) {
            series.counterFamily->Remove(series.counter);
            series.counter = &series.counterFamily->Add(sample.labels);
        }
        if (sample.value > series.counter->Value())
            series.counter->Increment(sample.value - series.counter->Value());
    }

    void dropLine()
    {
        for (auto &entry : line) {
            if (entry.second.gauge)
                entry.second.gaugeFamily->Remove(entry.second.gauge);
            if (entry.second.counter)
                entry.second.counterFamily->Remove(entry.second.counter);
        }
        line.clear();
    }
};

// GET and HEAD /metrics, each request's credentials checked first.
class MetricsServer::Endpoint : public CivetHandler
{
public:
    Endpoint(std::shared_ptr<prometheus::Registry> registry, const MetricsAccess &access)
        : m_registry(std::move(registry))
        , m_auth(access)
    {
    }

    bool handleGet(CivetServer *, mg_connection *connection) override { return answer(connection, true); }
    bool handleHead(CivetServer *, mg_connection *connection) override { return answer(connection, false); }

private:
    bool answer(mg_connection *connection, bool withBody)
    {
        if (!m_auth.allows(mg_get_header(connection, "Authorization"))) {
            static const char refusal[] = "Unauthorized\n";
            mg_printf(connection,
                      "HTTP/1.1 401 Unauthorized\r\n"
                      "WWW-Authenticate: Basic realm=\"Quelvane\", charset=\"UTF-8\"\r\n"
                      "Content-Type: text/plain; charset=utf-8\r\n"
                      "Content-Length: %zu\r\nConnection: close\r\n\r\n",
                      sizeof refusal - 1);
            if (withBody)
                mg_write(connection, refusal, sizeof refusal - 1);
            return true;
        }
        const std::string text = shortestValues(prometheus::TextSerializer().Serialize(m_registry->Collect()));
        mg_printf(connection,
                  "HTTP/1.1 200 OK\r\n"
                  "Content-Type: text/plain; version=0.0.4; charset=utf-8\r\n"
                  "Content-Length: %zu\r\nConnection: close\r\n\r\n",
                  text.size());
        if (withBody)
            mg_write(connection, text.data(), text.size());
        return true;
    }

    std::shared_ptr<prometheus::Registry> m_registry;
    BasicAuth m_auth;
};

MetricsServer::MetricsServer() = default;

MetricsServer::~MetricsServer() = default;

int MetricsServer::port() const
{
    const std::vector<int> ports = m_server->getListeningPorts();
    return ports.empty() ? 0 : ports.front();
}

namespace {
// Why `address` cannot be bound, in the user's words; empty when it can.
// The library only says that its server did not start.
QString bindProblem(const QString &address)
{
    const int colon = address.lastIndexOf(QLatin1Char(':'));
    QString host = address.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    const QHostAddress ip(host);
    if (ip.isNull())
        return QStringLiteral("« %1 » n'est pas une adresse IP").arg(host);
    // Debian builds its web server library without IPv6 (feature 8): it
    // would fail with a message of its own that says nothing to the user.
    if (ip.protocol() == QAbstractSocket::IPv6Protocol && !mg_check_feature(8))
        return QStringLiteral("les adresses IPv6 ne sont pas servies, la bibliothèque du serveur web (civetweb) "
                              "de ce système étant construite sans IPv6 ; donnez une adresse IPv4, "
                              "127.0.0.1:PORT par exemple");
    QTcpServer probe;
    if (probe.listen(ip, quint16(address.mid(colon + 1).toUInt())))
        return QString();
    switch (probe.serverError()) {
    case QAbstractSocket::AddressInUseError:
        return QStringLiteral("le port est déjà utilisé");
    case QAbstractSocket::SocketAddressNotAvailableError:
        return QStringLiteral("l'adresse n'est pas celle de cette machine");
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("le port est réservé à l'administrateur");
    default:
        return probe.errorString();
    }
}
}

std::unique_ptr<MetricsServer> MetricsServer::serve(const QString &address, const MetricsAccess &access,
                                                    QString *error)
{
    QString problem = accessProblem(access);
    if (problem.isEmpty())
        problem = bindProblem(address);
    if (!problem.isEmpty()) {
        *error = problem;
        return nullptr;
    }
    std::unique_ptr<MetricsServer> server(new MetricsServer);
    server->m_registry = std::make_shared<prometheus::Registry>();
    server->m_metrics.reset(new Metrics(*server->m_registry));
    server->m_endpoint.reset(new Endpoint(server->m_registry, access));
    // No document root: nothing but the metrics is served. Each client is
    // closed after its answer, as scrapers do not keep connections.
    const std::vector<std::string> options = {
        "listening_ports", address.toStdString(),
        "num_threads", std::to_string(threads),
        "request_timeout_ms", std::to_string(requestTimeoutMs),
        "enable_keep_alive", "no",
    };
    try {
        server->m_server.reset(new CivetServer(options));
    } catch (const std::exception &e) {
        *error = QStringLiteral("le serveur des métriques n'a pas démarré (%1)").arg(QString::fromLocal8Bit(e.what()));
        return nullptr;
    }
    server->m_server->addHandler("/metrics", server->m_endpoint.get());
    return server;
}

void MetricsServer::goodPoll(const LiveBoxInfos &reading, bool withPpp, double seconds)
{
    Metrics &m = *m_metrics;
    m.polls.Add({}).Increment();
    m.duration.Add({}).Set(seconds);
    m.success.Add({}).Set(1);
    if (m_hasReading) {
        if (restarted(m_last, reading))
            m.restarts.Add({}).Increment();
        else if (resynchronised(m_last, reading))
            m.resyncs.Add({}).Increment();
    }
    m_last = reading;
    m_hasReading = true;

    const double now = QDateTime::currentMSecsSinceEpoch() / 1000.0;
    for (const LineSample &sample : lineSamples(reading, now, withPpp))
        m.set(sample);

    const Labels identity = {{"model", reading.HardwareVersion.toStdString()},
                             {"firmware", reading.SoftwareVersion.toStdString()},
                             {"ssid", reading.SSID.toStdString()}};
    if (m.identity && identity != m.identityLabels) {
        m.info.Remove(m.identity);
        m.identity = nullptr;
    }
    if (!m.identity) {
        m.identity = &m.info.Add(identity);
        m.identityLabels = identity;
    }
    m.identity->Set(1);
}

void MetricsServer::failedPoll(double seconds)
{
    Metrics &m = *m_metrics;
    m.polls.Add({}).Increment();
    m.failed.Add({}).Increment();
    m.duration.Add({}).Set(seconds);
    m.success.Add({}).Set(0);
    m.dropLine();
}
