#include <QtTest>

#include <civetweb.h>

#include "metrics/access.h"
#include "metrics/linesamples.h"
#include "metrics/metricsserver.h"
#include "router/liveboxinfos.h"
#include "support/exposition.h"
#include "support/httpget.h"
#include "support/idleclients.h"

namespace {
LiveBoxInfos reading()
{
    LiveBoxInfos r;
    r.SSID = QStringLiteral("maison");
    r.HardwareVersion = QStringLiteral("SG_LB4_1.2.1");
    r.SoftwareVersion = QStringLiteral("SG40_sip-fr-6.62.12.1");
    r.DownstreamCurrRate = 8000; // kbit/s
    r.UpstreamCurrRate = 1000;
    r.DownstreamMaxRate = 9504;
    r.UpstreamMaxRate = 1120;
    r.DownstreamNoiseMargin = 61; // tenths of a decibel
    r.UpstreamNoiseMargin = -5;
    r.DownstreamAttenuation = 255;
    r.UpstreamAttenuation = 131;
    r.DownstreamLineAttenuation = 270;
    r.UpstreamLineAttenuation = 0; // not given
    r.DownstreamPower = 198;
    r.UpstreamPower = 121;
    r.CRCErrors = 141;
    r.ATUCCRCErrors = 75;
    r.FECErrors = 71675;
    r.ATUCFECErrors = 6921;
    r.HECErrors = 6;
    r.ATUCHECErrors = 4;
    r.ErroredSecs = 15;
    r.SeverelyErroredSecs = 1;
    r.LastChangeTime = 120; // up-time at the last synchronisation
    r.LastChange = 3600;    // seconds since
    r.PppLastChange = 3500;
    return r;
}

double sampleOf(const QVector<LineSample> &samples, const std::string &name, const std::string &label = {},
                const std::string &value = {})
{
    for (const LineSample &s : samples) {
        if (s.name == name && (label.empty() || (s.labels.count(label) && s.labels.at(label) == value)))
            return s.value;
    }
    return qQNaN();
}

bool hasSeries(const QVector<LineSample> &samples, const std::string &name, const std::string &label = {},
               const std::string &value = {})
{
    return !qIsNaN(sampleOf(samples, name, label, value));
}
}

// The metrics as Prometheus reads them: units, events, the address, and what
// the endpoint serves through good and failed polls.
class TestMetrics : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MetricsServer> server;
    MetricsAccess access; // a user and the hash of "mot:de passe"

    static QByteArray basic(const QByteArray &credentials) { return "Basic " + credentials.toBase64(); }

    QByteArray scrape()
    {
        const HttpAnswer answer = httpGet(QStringLiteral("http://127.0.0.1:%1/metrics").arg(server->port()));
        return answer.status == 200 ? answer.body : QByteArray();
    }

    // A server on a port of its own, for the cases that scrape.
    void serve()
    {
        QString error;
        server = MetricsServer::serve(QStringLiteral("127.0.0.1:0"), {}, &error);
        QVERIFY2(server, qPrintable(error));
        QVERIFY(server->port() > 0);
    }

    QString url() const { return QStringLiteral("http://127.0.0.1:%1/metrics").arg(server->port()); }

private slots:
    void initTestCase()
    {
        access.user = QStringLiteral("prometheus");
        access.passwordHash = hashPassword("mot:de passe"); // slow on purpose: made once
        QVERIFY(access.passwordHash.startsWith("$2b$"));
    }

    void cleanup() { server.reset(); }

    void credentialsAreCheckedAgainstTheHash()
    {
        QVERIFY(accessProblem(access).isEmpty());
        QVERIFY(accessProblem(MetricsAccess()).isEmpty()); // open
        QVERIFY(passwordMatches("mot:de passe", access.passwordHash));
        QVERIFY(!passwordMatches("mot:de passe ", access.passwordHash));
        QVERIFY(!passwordMatches(QByteArray("mot:de passe\0x", 14), access.passwordHash));

        // A password written in clear is refused without being repeated, even
        // one that crypt(3) would take for an old DES salt and hash.
        for (const QByteArray &clear : {QByteArray("secret"), QByteArray("$secret"), QByteArray("ab")}) {
            MetricsAccess wrong = access;
            wrong.passwordHash = clear;
            const QString problem = accessProblem(wrong);
            QVERIFY2(problem.contains(QLatin1String("--password-hash")), qPrintable(problem));
            QVERIFY(!problem.contains(QString::fromUtf8(clear)));
        }
        MetricsAccess noUser = access;
        noUser.user.clear();
        QVERIFY(!accessProblem(noUser).isEmpty());
        MetricsAccess noHash = access;
        noHash.passwordHash.clear();
        QVERIFY(!accessProblem(noHash).isEmpty());

        const BasicAuth auth(access);
        QVERIFY(auth.allows(basic("prometheus:mot:de passe").constData())); // the password may hold a colon
        QVERIFY(auth.allows(basic("prometheus:mot:de passe").constData())); // again, from the digest kept
        QVERIFY(auth.allows(("basic " + QByteArray("prometheus:mot:de passe").toBase64()).constData()));
        QVERIFY(!auth.allows(nullptr));
        QVERIFY(!auth.allows(""));
        QVERIFY(!auth.allows(basic("prometheus:mot:de passe2").constData()));
        QVERIFY(!auth.allows(basic("Prometheus:mot:de passe").constData()));
        QVERIFY(!auth.allows(basic("prometheus").constData()));
        QVERIFY(!auth.allows(basic(":mot:de passe").constData()));
        QVERIFY(!auth.allows(("Bearer " + QByteArray("prometheus:mot:de passe").toBase64()).constData()));
        QVERIFY(!auth.allows("Basic !!!"));
        QVERIFY(BasicAuth(MetricsAccess()).allows(nullptr));
    }

    void onlyTheNetworkIsWarned_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("warned");
        QTest::newRow("loopback") << "127.0.0.1:9464" << false;
        QTest::newRow("other loopback") << "127.0.0.2:9464" << false;
        QTest::newRow("ipv6 loopback") << "[::1]:9464" << false;
        QTest::newRow("all") << "0.0.0.0:9464" << true;
        QTest::newRow("local network") << "192.168.1.10:9464" << true;
        QTest::newRow("ipv6 all") << "[::]:9464" << true;
    }

    void onlyTheNetworkIsWarned()
    {
        QFETCH(QString, address);
        QFETCH(bool, warned);
        const QString open = exposureWarning(address, MetricsAccess());
        QCOMPARE(!open.isEmpty(), warned);
        if (warned) {
            QVERIFY(open.contains(address));
            QVERIFY(open.contains(QLatin1String("sans mot de passe")));
            const QString protectedText = exposureWarning(address, access);
            QVERIFY(protectedText.contains(QStringLiteral("« prometheus »")));
            QVERIFY(!protectedText.contains(QString::fromUtf8(access.passwordHash)));
        }
    }

    void endpointAsksForCredentialsAndAnswersHead()
    {
        QString error;
        server = MetricsServer::serve(QStringLiteral("127.0.0.1:0"), access, &error);
        QVERIFY2(server, qPrintable(error));
        server->goodPoll(reading(), false, 0.1);

        const HttpAnswer anonymous = httpAsk(url(), "GET");
        QCOMPARE(anonymous.status, 401);
        QVERIFY(anonymous.authenticate.startsWith("Basic realm="));
        QVERIFY(!anonymous.body.contains("quelvane_"));
        QCOMPARE(httpAsk(url(), "GET", basic("prometheus:faux")).status, 401);
        QCOMPARE(httpAsk(url(), "HEAD").status, 401);

        const HttpAnswer got = httpAsk(url(), "GET", basic("prometheus:mot:de passe"));
        QCOMPARE(got.status, 200);
        QVERIFY(got.body.contains("quelvane_line_sync_rate_bytes_per_second"));
        QVERIFY(!got.body.contains(access.passwordHash));
        const HttpAnswer head = httpAsk(url(), "HEAD", basic("prometheus:mot:de passe"));
        QCOMPARE(head.status, 200);
        QVERIFY(head.body.isEmpty());
        QCOMPARE(head.contentLength, qint64(got.body.size()));
        // Nothing else is served.
        QCOMPARE(httpAsk(QStringLiteral("http://127.0.0.1:%1/").arg(server->port()), "GET",
                         basic("prometheus:mot:de passe"))
                     .status,
                 404);
    }

    // Connections that send nothing, or a byte now and then, hold a thread
    // each only until the request time-out: a scraper behind fifty of them
    // is answered within a scrape interval.
    void idleClientsHoldAScrapeUpLittle()
    {
        serve();
        IdleClients idle(quint16(server->port()), 25), dripping(quint16(server->port()), 25, 500);
        QVERIFY(idle.connected());
        QVERIFY(dripping.connected());
        QElapsedTimer clock;
        clock.start();
        const HttpAnswer answer = httpGet(url(), 40000);
        QCOMPARE(answer.status, 200);
        QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(idle.closed > 0 && dripping.closed > 0);
    }

    void samplesAreInBaseUnitsWithTheirLabels()
    {
        const double readAt = 1.7e9;
        const QVector<LineSample> samples = lineSamples(reading(), readAt, false);
        QCOMPARE(sampleOf(samples, "quelvane_line_sync_rate_bytes_per_second", "direction", "down"), 1e6);
        QCOMPARE(sampleOf(samples, "quelvane_line_attainable_rate_bytes_per_second", "direction", "up"), 140000.0);
        QCOMPARE(sampleOf(samples, "quelvane_line_noise_margin_decibels", "direction", "down"), 6.1);
        QCOMPARE(sampleOf(samples, "quelvane_line_noise_margin_decibels", "direction", "up"), -0.5);
        QCOMPARE(sampleOf(samples, "quelvane_line_attenuation_decibels", "direction", "up"), 13.1);
        QCOMPARE(sampleOf(samples, "quelvane_line_output_power_dbm", "direction", "down"), 19.8);
        QCOMPARE(sampleOf(samples, "quelvane_line_crc_errors_total", "end", "near"), 141.0);
        QCOMPARE(sampleOf(samples, "quelvane_line_crc_errors_total", "end", "far"), 75.0);
        QCOMPARE(sampleOf(samples, "quelvane_line_fec_errors_total", "end", "far"), 6921.0);
        QCOMPARE(sampleOf(samples, "quelvane_line_severely_errored_seconds_total"), 1.0);
        QCOMPARE(sampleOf(samples, "quelvane_line_last_synchronisation_timestamp_seconds"), readAt - 3600);
        QCOMPARE(sampleOf(samples, "quelvane_gateway_start_timestamp_seconds"), readAt - 3720);
        for (const LineSample &s : lineSamples(reading(), readAt, true)) {
            QCOMPARE(s.counter, QString::fromStdString(s.name).endsWith(QLatin1String("_total")));
            QVERIFY2(!lineSampleHelp(s.name).empty(), s.name.c_str()); // every family says what it is
        }

        // A line attenuation the gateway does not give is no series, not a zero.
        QVERIFY(hasSeries(samples, "quelvane_line_loop_attenuation_decibels", "direction", "down"));
        QVERIFY(!hasSeries(samples, "quelvane_line_loop_attenuation_decibels", "direction", "up"));
        // The internet connection's time only where the gateway gives it.
        QVERIFY(!hasSeries(samples, "quelvane_internet_connection_timestamp_seconds"));
        QCOMPARE(sampleOf(lineSamples(reading(), readAt, true), "quelvane_internet_connection_timestamp_seconds"),
                 readAt - 3500);
    }

    void eventsBetweenReadings_data()
    {
        QTest::addColumn<double>("lastChangeTime");
        QTest::addColumn<double>("lastChange");
        QTest::addColumn<bool>("resync");
        QTest::addColumn<bool>("restart");
        // Before: synchronised at up-time 120 s, 3600 s ago.
        QTest::newRow("time passes") << 120.0 << 3605.0 << false << false;
        QTest::newRow("same second") << 120.0 << 3600.0 << false << false;
        QTest::newRow("resynchronised") << 3715.0 << 5.0 << true << false;
        QTest::newRow("restarted") << 60.0 << 10.0 << false << true;
        QTest::newRow("restarted, same sync up-time") << 120.0 << 10.0 << false << true;
    }

    void eventsBetweenReadings()
    {
        QFETCH(double, lastChangeTime);
        QFETCH(double, lastChange);
        LiveBoxInfos now = reading();
        now.LastChangeTime = lastChangeTime;
        now.LastChange = lastChange;
        QTEST(restarted(reading(), now), "restart");
        QTEST(resynchronised(reading(), now), "resync");
    }

    void addressForms_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("address");
        QTest::newRow("port alone") << "9464" << "127.0.0.1:9464";
        QTest::newRow("colon port") << ":9464" << "127.0.0.1:9464";
        QTest::newRow("localhost") << "localhost:9464" << "127.0.0.1:9464";
        QTest::newRow("spaces") << " 9464 " << "127.0.0.1:9464";
        QTest::newRow("all interfaces") << "0.0.0.0:9464" << "0.0.0.0:9464";
        QTest::newRow("ipv6 bare") << "::1:9464" << "[::1]:9464";
        QTest::newRow("ipv6 bracketed") << "[::1]:9464" << "[::1]:9464";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("no port") << "127.0.0.1:" << "";
        QTest::newRow("words") << "metrics" << "";
        QTest::newRow("port too high") << "127.0.0.1:65536" << "";
        QTest::newRow("port too long") << "1234567" << "";
    }

    void addressForms()
    {
        QFETCH(QString, text);
        QTEST(metricsAddress(text), "address");
    }

    void unusableAddressesAreRefusedWithAReason()
    {
        serve();
        // Taken by another server.
        QString error;
        QVERIFY(!MetricsServer::serve(QStringLiteral("127.0.0.1:%1").arg(server->port()), {}, &error));
        QCOMPARE(error, QStringLiteral("le port est déjà utilisé"));
        // Not an address of this machine (a documentation address).
        QVERIFY(!MetricsServer::serve(QStringLiteral("192.0.2.1:%1").arg(freePort()), {}, &error));
        QCOMPARE(error, QStringLiteral("l'adresse n'est pas celle de cette machine"));
        QVERIFY(!MetricsServer::serve(QStringLiteral("passerelle:9464"), {}, &error));
        QCOMPARE(error, QStringLiteral("« passerelle » n'est pas une adresse IP"));
        // Debian's web server library has no IPv6: said rather than failing
        // inside the library.
        if (!mg_check_feature(8)) {
            QVERIFY(!MetricsServer::serve(QStringLiteral("[::1]:%1").arg(freePort()), {}, &error));
            QVERIFY2(error.startsWith(QLatin1String("les adresses IPv6 ne sont pas servies")), qPrintable(error));
        }
    }

    void goodPollServesTheLineAndPromtoolAcceptsIt()
    {
        serve();
        QByteArray text = scrape();
        QVERIFY(!text.isEmpty());
        QCOMPARE(samplesOf(text).value("quelvane_polls_total"), 0.0);
        QVERIFY(!text.contains("quelvane_line_sync_rate_bytes_per_second{"));

        server->goodPoll(reading(), true, 0.25);
        text = scrape();
        const QMap<QString, double> served = samplesOf(text);
        QCOMPARE(served.value("quelvane_polls_total"), 1.0);
        QCOMPARE(served.value("quelvane_polls_failed_total"), 0.0);
        QCOMPARE(served.value("quelvane_last_poll_success"), 1.0);
        QCOMPARE(served.value("quelvane_last_poll_duration_seconds"), 0.25);
        QCOMPARE(served.value("quelvane_line_sync_rate_bytes_per_second{direction=\"down\"}"), 1e6);
        QCOMPARE(served.value("quelvane_line_crc_errors_total{end=\"far\"}"), 75.0);
        QCOMPARE(served.value("quelvane_line_fec_errors_total{end=\"near\"}"), 71675.0);
        QVERIFY(served.contains("quelvane_internet_connection_timestamp_seconds"));
        QCOMPARE(served.value("quelvane_gateway_info{firmware=\"SG40_sip-fr-6.62.12.1\",model=\"SG_LB4_1.2.1\","
                              "ssid=\"maison\"}"),
                 1.0);
        QCOMPARE(served.value("quelvane_line_up"), 1.0);
        // Values at the gateway's precision, as the text a person reads.
        QVERIFY(text.contains("\nquelvane_line_noise_margin_decibels{direction=\"down\"} 6.1\n"));
        QVERIFY(text.contains("\nquelvane_line_output_power_dbm{direction=\"down\"} 19.8\n"));
        QVERIFY(text.contains("\nquelvane_line_sync_rate_bytes_per_second{direction=\"down\"} 1000000\n"));
        const QString complaint = promtoolComplaint(text);
        QVERIFY2(complaint.isEmpty(), qPrintable(complaint));

        // A reading of a line without synchronisation still reads the gateway.
        LiveBoxInfos down = reading();
        down.DownstreamCurrRate = 0;
        down.UpstreamCurrRate = 0;
        server->goodPoll(down, true, 0.25);
        QCOMPARE(samplesOf(scrape()).value("quelvane_line_up"), 0.0);
    }

    // The library's sixteen digits are written back as the shortest text of
    // the same number; comments, and what is no number, are left alone.
    void valuesAreWrittenAtTheirPrecision()
    {
        const std::string served = "# HELP a_b Noise \"8.699999999999999\"\n# TYPE a_b gauge\n"
                                   "a_b{direction=\"down\"} 8.699999999999999\n"
                                   "a_b{direction=\"up x\"} -0.5\n"
                                   "c_total 71675\nd 1700000000\ne 2.5e+20\nf NaN\ng +Inf\nh 0.30000000000000004\n";
        QCOMPARE(QString::fromStdString(shortestValues(served)),
                 QStringLiteral("# HELP a_b Noise \"8.699999999999999\"\n# TYPE a_b gauge\n"
                                "a_b{direction=\"down\"} 8.7\na_b{direction=\"up x\"} -0.5\n"
                                "c_total 71675\nd 1700000000\ne 2.5e+20\nf NaN\ng +Inf\nh 0.30000000000000004\n"));
    }

    void failedPollTakesTheLineAwayUntilTheNextGoodOne()
    {
        serve();
        server->goodPoll(reading(), false, 0.1);
        server->failedPoll(30);
        QByteArray text = scrape();
        QMap<QString, double> served = samplesOf(text);
        QCOMPARE(served.value("quelvane_polls_total"), 2.0);
        QCOMPARE(served.value("quelvane_polls_failed_total"), 1.0);
        QCOMPARE(served.value("quelvane_last_poll_success"), 0.0);
        QCOMPARE(served.value("quelvane_last_poll_duration_seconds"), 30.0);
        for (const QString &series : served.keys())
            QVERIFY2(!series.startsWith(QLatin1String("quelvane_line_")), qPrintable(series));
        QVERIFY2(promtoolComplaint(text).isEmpty(), qPrintable(promtoolComplaint(text)));

        LiveBoxInfos later = reading();
        later.CRCErrors = 150;
        server->goodPoll(later, false, 0.1);
        served = samplesOf(scrape());
        QCOMPARE(served.value("quelvane_last_poll_success"), 1.0);
        QCOMPARE(served.value("quelvane_line_crc_errors_total{end=\"near\"}"), 150.0);
    }

    void gatewayEventsAndCounterResets()
    {
        serve();
        LiveBoxInfos r = reading();
        server->goodPoll(r, false, 0.1);
        // A resynchronisation: the counters go on.
        r.LastChangeTime = 3800;
        r.LastChange = 2;
        r.CRCErrors = 160;
        server->goodPoll(r, false, 0.1);
        // A restart: the gateway's counters start again from nothing, and so
        // does their series; the identity follows a firmware update.
        r.LastChangeTime = 55;
        r.LastChange = 5;
        r.CRCErrors = 3;
        r.SoftwareVersion = QStringLiteral("SG40_sip-fr-6.70.0");
        server->goodPoll(r, false, 0.1);
        const QByteArray text = scrape();
        const QMap<QString, double> served = samplesOf(text);
        QCOMPARE(served.value("quelvane_resynchronisations_total"), 1.0);
        QCOMPARE(served.value("quelvane_gateway_restarts_total"), 1.0);
        QCOMPARE(served.value("quelvane_line_crc_errors_total{end=\"near\"}"), 3.0);
        QCOMPARE(text.count("quelvane_gateway_info{"), 1);
        QVERIFY(text.contains("firmware=\"SG40_sip-fr-6.70.0\""));
    }

    void labelValuesFromTheGatewayAreEscaped()
    {
        serve();
        // The Wi-Fi name is the user's own text: quotes, backslashes, a new line.
        LiveBoxInfos r = reading();
        r.SSID = QStringLiteral("chez \"nous\" \\ été\nbis");
        server->goodPoll(r, false, 0.1);
        const QByteArray text = scrape();
        QVERIFY(text.contains("ssid=\"chez \\\"nous\\\" \\\\ été\\nbis\""));
        QVERIFY2(promtoolComplaint(text).isEmpty(), qPrintable(promtoolComplaint(text)));
    }
};

QTEST_GUILESS_MAIN(TestMetrics)
#include "test_metrics.moc"
