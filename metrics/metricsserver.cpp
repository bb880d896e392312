#include "metricsserver.h"

#include <QDateTime>
#include <QHostAddress>
#include <QTcpServer>

#include <prometheus/counter.h>
#include <prometheus/exposer.h>
#include <prometheus/family.h>
#include <prometheus/gauge.h>
#include <prometheus/registry.h>

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

MetricsServer::MetricsServer() = default;

MetricsServer::~MetricsServer() = default;

int MetricsServer::port() const
{
    const std::vector<int> ports = m_exposer->GetListeningPorts();
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

std::unique_ptr<MetricsServer> MetricsServer::serve(const QString &address, QString *error)
{
    const QString problem = bindProblem(address);
    if (!problem.isEmpty()) {
        *error = problem;
        return nullptr;
    }
    std::unique_ptr<MetricsServer> server(new MetricsServer);
    server->m_registry = std::make_shared<prometheus::Registry>();
    server->m_metrics.reset(new Metrics(*server->m_registry));
    try {
        server->m_exposer.reset(new prometheus::Exposer(address.toStdString(), 2));
    } catch (const std::exception &e) {
        *error = QStringLiteral("le serveur des métriques n'a pas démarré (%1)").arg(QString::fromLocal8Bit(e.what()));
        return nullptr;
    }
    server->m_exposer->RegisterCollectable(server->m_registry);
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
