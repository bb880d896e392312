#include <QtTest>

#include <QElapsedTimer>
#include <QNetworkAccessManager>

#include "router/gatewayclient.h"
#include "support/gatewaytest.h"
#include "support/generations.h"
#include "support/records.h"
#include "support/scratchdir.h"
#include "support/simulator.h"

namespace {
QStringList debugLines;
void captureDebug(QtMsgType, const QMessageLogContext &, const QString &message)
{
    debugLines << message;
}

const QByteArray wsType = "application/x-sah-ws-4-call+json";

using Scheme = GatewayClient::Scheme;

Scheme schemeOf(int algoType)
{
    return algoType ? Scheme::Newer : Scheme::Older;
}
}

// The gateway protocol, driven through the client alone: no window.
class TestRouter : public QObject
{
    Q_OBJECT

private:
    QNetworkAccessManager manager;

    GatewayClient::Account accountOf(const Simulator &sim, const QString &password = QStringLiteral("secret"))
    {
        return {sim.address(), QStringLiteral("admin"), password};
    }

    // One operation of `client`, waited for.
    GatewayClient::Result run(GatewayClient &client, const std::function<bool()> &start, bool restart = false)
    {
        QSignalSpy finished(&client, restart ? &GatewayClient::restartFinished : &GatewayClient::pollFinished);
        if (!start())
            return GatewayClient::Result();
        if (finished.isEmpty())
            finished.wait(30000);
        return finished.value(0).value(0).value<GatewayClient::Result>();
    }

    GatewayClient::Result poll(GatewayClient &client, Scheme scheme, const GatewayClient::Account &account,
                               const LiveBoxInfos &current = LiveBoxInfos())
    {
        return run(client, [&] { return client.poll(scheme, account, current); });
    }

private slots:
    void newerGatewayPollSendsTheDocumentedRequests()
    {
        Simulator sim;
        QVERIFY(sim.isRunning());
        GatewayClient client(&manager);
        const GatewayClient::Result result = poll(client, Scheme::Newer, accountOf(sim));
        QVERIFY(result.complete);
        QCOMPARE(result.session, GatewayClient::Session::Opened);

        const QList<ReceivedRequest> requests = receivedRequests(sim.requests());
        QCOMPARE(requests.size(), 6);
        const ReceivedRequest &login = requests.at(0);
        QCOMPARE(login.method, QStringLiteral("POST"));
        QCOMPARE(login.target, QStringLiteral("/ws"));
        QCOMPARE(login.header("Content-Type"), wsType);
        QCOMPARE(login.header("Authorization"), QByteArrayLiteral("X-Sah-Login"));
        QCOMPARE(login.body, QByteArrayLiteral(R"({"service":"sah.Device.Information","method":"createContext",)"
                                               R"("parameters":{"applicationName":"so_sdkut","username":"admin",)"
                                               R"("password":"secret"}})"));
        const QByteArray bodies[] = {
            R"({"service":"NeMo.Intf.data","method":"getMIBs","parameters":{}})",
            R"({"service":"NeMo.Intf.dsl0","method":"getDSLStats","parameters":{}})",
            R"({"service":"NeMo.Intf.lan","method":"getMIBs","parameters":{"mibs":"wlanvap || wlanradio"}})",
            R"({"service":"NMC","method":"getWANStatus","parameters":{}})",
            R"({"service":"DeviceInfo","method":"get","parameters":{}})",
        };
        const QByteArray context = requests.at(1).header("X-Context");
        QVERIFY(!context.isEmpty());
        for (int i = 1; i < 6; ++i) {
            const ReceivedRequest &r = requests.at(i);
            QCOMPARE(r.method, QStringLiteral("POST"));
            QCOMPARE(r.target, QStringLiteral("/ws"));
            QCOMPARE(r.body, bodies[i - 1]);
            QCOMPARE(r.header("Content-Type"), wsType);
            QCOMPARE(r.header("X-Context"), context);
            QVERIFY(!r.hasHeader("Authorization"));
            QCOMPARE(r.headerName("cookie"), QByteArrayLiteral("cookie"));
            QVERIFY(r.header("cookie").contains("sessid="));
            QVERIFY(r.header("cookie").endsWith("; sah/contextId=" + context));
        }
    }

    void olderGatewayPollSendsTheDocumentedRequests()
    {
        Simulator sim;
        GatewayClient client(&manager);
        QVERIFY(poll(client, Scheme::Older, accountOf(sim)).complete);

        const QList<ReceivedRequest> requests = receivedRequests(sim.requests());
        QCOMPARE(requests.size(), 7);
        QCOMPARE(requests.at(0).method, QStringLiteral("POST"));
        QCOMPARE(requests.at(0).target, QStringLiteral("/authenticate?username=admin&password=secret"));
        QCOMPARE(requests.at(0).header("Content-Type"), QByteArrayLiteral("application/json"));
        QVERIFY(requests.at(0).body.isEmpty());
        const char *paths[] = {"/sysbus/NeMo/Intf/data:getMIBs", "/sysbus/NeMo/Intf/data:getMIBs",
                               "/sysbus/NeMo/Intf/dsl0:getDSLStats", "/sysbus/NeMo/Intf/lan:getMIBs",
                               "/sysbus/NMC:getWANStatus", "/sysbus/DeviceInfo?_restDepth=-1"};
        const QByteArray bodies[] = {
            R"({"parameters":{"mibs":"dsl","flag":"","traverse":"down"}})",
            R"({"parameters":{"mibs":"base ppp dhcp","flag":"ppp || dhcp","traverse":"down"}})",
            R"({"parameters":{}})",
            R"({"parameters":{"mibs":"wlanvap wlanradio base","flags":"wlanvap || wlanradio","traverse":"down"}})",
            R"({"parameters":{}})",
        };
        const QByteArray context = requests.at(1).header("X-Context");
        QVERIFY(!context.isEmpty());
        for (int i = 1; i < 7; ++i) {
            const ReceivedRequest &r = requests.at(i);
            QCOMPARE(r.target, QString::fromLatin1(paths[i - 1]));
            QCOMPARE(r.method, i == 6 ? QStringLiteral("GET") : QStringLiteral("POST"));
            if (i < 6)
                QCOMPARE(r.body, bodies[i - 1]);
            QCOMPARE(r.header("X-Context"), context);
            QCOMPARE(r.header("Content-Type"), QByteArrayLiteral("application/json"));
            QVERIFY(!r.hasHeader("cookie"));
        }
    }

    void fullPollFillsEveryField_data()
    {
        addGatewayGenerations();
    }

    void fullPollFillsEveryField()
    {
        QFETCH(int, algoType);
        Simulator sim;
        ScratchDir dir;
        GatewayClient client(&manager);
        client.setTracePath(dir.file("debug.txt"));
        sim.set(QJsonObject{{"SSID", "maison"}, {"DownstreamCurrRate", 17999}, {"UpstreamNoiseMargin", 65},
                            {"LastChange", 3600}, {"LastChangeTime", 120}, {"CRCErrors", 42},
                            {"ATUCHECErrors", 7}, {"TransmitBlocks", 123456}, {"IPAddress", "90.1.2.3"},
                            {"DNSServers", "80.10.246.2,81.253.149.9"}, {"HardwareVersion", "SG_LB4"},
                            {"SoftwareVersion", "SG40_sip-fr-6.2"}, {"NumberOfReboots", 12},
                            {"ModulationHint", "ADSL2+"}, {"PppLastChange", 60}, {"PppLastChangeTime", 3660},
                            {"Protocol", "dhcp"}, {"TransportType", "PPPoE"}, {"MaxMRUSize", 1492}, {"MTU", 1500}});
        const QDateTime before = QDateTime::currentDateTime();
        const GatewayClient::Result result = poll(client, schemeOf(algoType), accountOf(sim));
        QVERIFY(result.complete);
        const LiveBoxInfos &r = result.record;
        QCOMPARE(r.SSID, QStringLiteral("maison"));
        QCOMPARE(r.DownstreamCurrRate, 17999.0);
        QCOMPARE(r.UpstreamNoiseMargin, 65.0);
        QCOMPARE(r.LastChange, 3600.0);
        QCOMPARE(r.CRCErrors, 42.0);
        QCOMPARE(r.ATUCHECErrors, 7.0);
        QCOMPARE(r.TransmitBlocks, 123456.0);
        QCOMPARE(r.IPAddress, QStringLiteral("90.1.2.3"));
        QCOMPARE(r.DNSServer1, QStringLiteral("80.10.246.2"));
        QCOMPARE(r.DNSServer2, QStringLiteral("81.253.149.9"));
        QCOMPARE(r.HardwareVersion, QStringLiteral("SG_LB4"));
        QCOMPARE(r.SoftwareVersion, QStringLiteral("SG40_sip-fr-6.2"));
        QCOMPARE(r.NumberOfReboots, 12.0);
        QCOMPARE(r.ModulationHint, QStringLiteral("ADSL2+"));
        const QDateTime reading = parseDateTime(r.DateTime);
        QVERIFY(qAbs(reading.secsTo(before)) <= 2);
        QCOMPARE(parseDateTime(r.SynchroDateTime).secsTo(reading), 3600);
        QCOMPARE(parseDateTime(r.RebootDateTime).secsTo(reading), 3720);
        if (algoType) {
            QCOMPARE(r.Protocol, QStringLiteral("dhcp"));
            QCOMPARE(r.MTU, 1500.0);
            QCOMPARE(r.PppLastChange, 0.0); // the newer scheme does not read the PPP interface
            QCOMPARE(r.PppDateTime, r.DateTime);
            QVERIFY(dir.read("debug.txt").startsWith("Version LB4 02/06/19 - 19h40\n\n"));
        } else {
            QCOMPARE(r.Protocol, QStringLiteral("PPPoE"));
            QCOMPARE(r.MTU, 1492.0);
            QCOMPARE(r.PppLastChangeTime, 3660.0);
            QCOMPARE(parseDateTime(r.PppDateTime).secsTo(reading), 60);
            QVERIFY(!QFile::exists(dir.file("debug.txt")));
        }
    }

    void failedRequestLeavesTheRecordUntouched_data()
    {
        QTest::addColumn<int>("algoType");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("loginFailed");
        for (const char *t : {"ws-getMIBs", "ws-DSLStats", "ws-WIFI", "ws-WANStatus", "ws-DeviceInfo"})
            QTest::newRow(t) << 1 << QString::fromLatin1(t) << false;
        QTest::newRow("ws-login") << 1 << "ws-login" << true;
        for (const char *t : {"rest-dsl", "rest-ppp", "rest-DSLStats", "rest-WIFI", "rest-WANStatus", "rest-DeviceInfo"})
            QTest::newRow(t) << 0 << QString::fromLatin1(t) << false;
        QTest::newRow("rest-login") << 0 << "rest-login" << true;
    }

    void failedRequestLeavesTheRecordUntouched()
    {
        QFETCH(int, algoType);
        QFETCH(QString, target);
        QFETCH(bool, loginFailed);
        Simulator sim;
        GatewayClient client(&manager);
        LiveBoxInfos current;
        current.SSID = QStringLiteral("avant");
        current.CRCErrors = 12;
        sim.fault(target, "http500");
        const GatewayClient::Result result = poll(client, schemeOf(algoType), accountOf(sim), current);
        QVERIFY(!result.complete);
        QCOMPARE(wholeRecord(result.record), wholeRecord(current));
        QCOMPARE(result.loginFailed, loginFailed);
        // An HTTP error at a data call says nothing of the session.
        QCOMPARE(result.session, loginFailed ? GatewayClient::Session::Closed : GatewayClient::Session::Opened);
    }

    void traceOfAFullPollAndOfAFailedFourthCall()
    {
        Simulator sim;
        ScratchDir dir;
        GatewayClient client(&manager);
        client.setTracePath(dir.file("debug.txt"));
        sim.set(QJsonObject{{"LastChange", 1234567}, {"HardwareVersion", "SG_LB4"}});
        QVERIFY(poll(client, Scheme::Newer, accountOf(sim)).complete);
        const QString trace = QString::fromUtf8(dir.read("debug.txt"));
        QVERIFY(trace.startsWith("Version LB4 02/06/19 - 19h40\n\n\n--GetMIBS--\n{"));
        for (const char *marker : {"\n\n--DSLstat--\n{", "\n\n--WIFI--\n{", "\n\n--WANstatus--\n{", "\n\n--DeviceInfo--\n{"})
            QVERIFY2(trace.contains(QString::fromLatin1(marker)), marker);
        QVERIFY(trace.endsWith("\n\nEXTRACTION DES INFOS\n\nhardware version = SG_LB4\nLastChange = 1.23457e+06\n"));

        sim.set(QJsonObject{{"LastChange", 86400}});
        QVERIFY(poll(client, Scheme::Newer, accountOf(sim)).complete);
        QVERIFY(QString::fromUtf8(dir.read("debug.txt")).endsWith("LastChange = 86400\n"));

        sim.fault("ws-WANStatus", "http500");
        QVERIFY(!poll(client, Scheme::Newer, accountOf(sim)).complete);
        const QString failed = QString::fromUtf8(dir.read("debug.txt"));
        QVERIFY(failed.contains("\n--WIFI--\n"));
        QVERIFY(!failed.contains("--WANstatus--"));
        QVERIFY(failed.contains(QRegularExpression("\nfailure WANstatus\\S.*\n$")));
    }

    // A hung poll's trace shows its own steps up to the hang, never the poll
    // before it.
    void traceIsEmptiedWhenAPollStarts()
    {
        Simulator sim;
        ScratchDir dir;
        GatewayClient client(&manager);
        client.setTracePath(dir.file("debug.txt"));
        client.setDeadline(60000);
        sim.set(QJsonObject{{"SSID", "avant"}});
        QVERIFY(poll(client, Scheme::Newer, accountOf(sim)).complete);
        QVERIFY(dir.read("debug.txt").contains("\n--DeviceInfo--\n"));

        sim.set(QJsonObject{{"SSID", "pendant"}});
        sim.fault("ws-WANStatus", "hang");
        sim.clear();
        QSignalSpy finished(&client, &GatewayClient::pollFinished);
        QVERIFY(client.poll(Scheme::Newer, accountOf(sim), LiveBoxInfos()));
        // The login and three calls answered, the fourth held.
        QTRY_COMPARE(receivedRequests(sim.requests()).size(), 5);
        const QByteArray trace = dir.read("debug.txt");
        QVERIFY2(trace.startsWith("Version LB4 02/06/19 - 19h40\n\n\n--GetMIBS--\n{"), trace.constData());
        QVERIFY(trace.contains("\n--DSLstat--\n{"));
        QVERIFY(trace.contains("\n--WIFI--\n{") && trace.contains("\"SSID\":\"pendant\""));
        for (const char *before : {"avant", "--WANstatus--", "--DeviceInfo--", "EXTRACTION"})
            QVERIFY2(!trace.contains(before), before);
        QVERIFY(finished.isEmpty());
        client.abort();
        QTRY_COMPARE(finished.size(), 1);
    }

    // A reply without the object (or list) the poll reads is a failed
    // request: read as empty it would be a reading of zeros.
    void replyWithoutItsValuesIsAFailedRequest_data()
    {
        QTest::addColumn<int>("algoType");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("call"); // as the trace names it
        QTest::newRow("ws-getMIBs missing") << 1 << "ws-getMIBs" << "missing" << "the reply holds no dsl0 object"
                                            << "GetMIBS";
        QTest::newRow("ws-DSLStats false") << 1 << "ws-DSLStats" << "false-values" << "the reply holds no status object"
                                           << "DSLstat";
        QTest::newRow("ws-DeviceInfo none") << 1 << "ws-DeviceInfo" << "no-values" << "the reply holds no status object"
                                            << "DeviceInfo";
        QTest::newRow("rest-dsl false") << 0 << "rest-dsl" << "false-values" << "the reply holds no dsl0 object" << "";
        QTest::newRow("rest-DSLStats missing") << 0 << "rest-DSLStats" << "missing" << "the reply holds no status object"
                                               << "";
        QTest::newRow("rest-DeviceInfo false") << 0 << "rest-DeviceInfo" << "false-values"
                                               << "the reply holds no parameters list" << "";
    }

    void replyWithoutItsValuesIsAFailedRequest()
    {
        QFETCH(int, algoType);
        QFETCH(QString, target);
        QFETCH(QString, kind);
        QFETCH(QString, failure);
        QFETCH(QString, call);
        Simulator sim;
        ScratchDir dir;
        GatewayClient client(&manager);
        client.setTracePath(dir.file("debug.txt"));
        LiveBoxInfos current;
        current.DownstreamCurrRate = 8123;
        current.LastChangeTime = 99;
        sim.fault(target, kind);
        debugLines.clear();
        const QtMessageHandler previous = qInstallMessageHandler(captureDebug);
        const GatewayClient::Result result = poll(client, schemeOf(algoType), accountOf(sim), current);
        qInstallMessageHandler(previous);
        QVERIFY(!result.complete);
        QCOMPARE(result.failure, failure);
        QCOMPARE(wholeRecord(result.record), wholeRecord(current));
        QCOMPARE(result.session, GatewayClient::Session::Opened);
        QVERIFY2(debugLines.filter(failure).size() == 1, qPrintable(debugLines.join('\n')));
        if (algoType) {
            // The reply as it came, then why it failed.
            const QString trace = QString::fromUtf8(dir.read("debug.txt"));
            QVERIFY2(trace.endsWith("}\nfailure " + call + failure + "\n"), qPrintable(trace));
        }
    }

    // Trouble with the trace never costs a poll.
    void traceThatCannotBeReadOrWrittenCostsNoPoll()
    {
        Simulator sim;
        ScratchDir dir;
        GatewayClient client(&manager);
        dir.write("debug.txt", "an older trace");
        QFile::setPermissions(dir.file("debug.txt"), QFileDevice::WriteOwner);
        client.setTracePath(dir.file("debug.txt"));
        QVERIFY(poll(client, Scheme::Newer, accountOf(sim)).complete);
        QFile::setPermissions(dir.file("debug.txt"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QVERIFY(dir.read("debug.txt").startsWith("Version LB4"));

        // A trace that cannot be opened at all (even by root): a folder in its place.
        QDir(dir.path()).mkdir("trace-folder");
        client.setTracePath(dir.file("trace-folder"));
        QVERIFY(poll(client, Scheme::Newer, accountOf(sim)).complete);
    }

    void oddRepliesGiveDefaults()
    {
        Simulator sim;
        GatewayClient client(&manager);
        sim.set(QJsonObject{{"DownstreamCurrRate", 8000}, {"CRCErrors", 5}});

        // A body that is not JSON at all is a failed request: its defaults
        // would read as a line gone down.
        sim.fault("rest-dsl", "notjson");
        LiveBoxInfos r;
        r.DownstreamCurrRate = 1234;
        GatewayClient::Result result = poll(client, Scheme::Older, accountOf(sim), r);
        QVERIFY(!result.complete);
        QCOMPARE(result.session, GatewayClient::Session::Opened);
        QCOMPARE(result.record.DownstreamCurrRate, 1234.0);
        QCOMPARE(result.record.DateTime, QStringLiteral("inconnu"));

        // Members missing inside the statistics object read as zeros.
        sim.fault("ws-DSLStats", "missing");
        result = poll(client, Scheme::Newer, accountOf(sim), r);
        QVERIFY(result.complete);
        QCOMPARE(result.record.DownstreamCurrRate, 8000.0);
        QCOMPARE(result.record.CRCErrors, 0.0);
        QCOMPARE(result.record.ModulationHint, QStringLiteral("ADSL2+"));

        sim.fault("rest-DSLStats", "strings");
        result = poll(client, Scheme::Older, accountOf(sim), r);
        QCOMPARE(result.record.CRCErrors, 0.0);
        QCOMPARE(result.record.DownstreamCurrRate, 8000.0);

        sim.fault("rest-DeviceInfo", "short-device");
        result = poll(client, Scheme::Older, accountOf(sim), r);
        QCOMPARE(result.record.NumberOfReboots, 0.0);
        QCOMPARE(result.record.SoftwareVersion, QString());
        QCOMPARE(result.record.HardwareVersion, QString());
        QCOMPARE(result.record.CRCErrors, 5.0);
    }

    void missingCookieStillOpensTheSession()
    {
        Simulator sim;
        GatewayClient client(&manager);
        sim.fault("ws-login", "nocookie");
        sim.set(QJsonObject{{"CRCErrors", 77}});
        const GatewayClient::Result result = poll(client, Scheme::Newer, accountOf(sim));
        const QList<ReceivedRequest> requests = receivedRequests(sim.requests());
        QCOMPARE(requests.size(), 6);
        QCOMPARE(requests.at(1).header("cookie"), "; sah/contextId=" + requests.at(1).header("X-Context"));
        QCOMPARE(result.record.CRCErrors, 77.0);
    }

    void hungRequestEndsAtDeadline()
    {
        Simulator sim;
        GatewayClient client(&manager);
        QCOMPARE(client.deadline(), 30000); // a request's own deadline, unless a test shortens it
        client.setDeadline(1500);
        const LiveBoxInfos before;
        sim.fault("ws-DSLStats", "hang");
        QElapsedTimer clock;
        clock.start();
        GatewayClient::Result result = poll(client, Scheme::Newer, accountOf(sim), before);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!result.complete);
        QCOMPARE(wholeRecord(result.record), wholeRecord(before));
        QCOMPARE(result.session, GatewayClient::Session::Opened);

        sim.fault("ws-WIFI", "trickle", 0, 200);
        clock.restart();
        result = poll(client, Scheme::Newer, accountOf(sim), before);
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(!result.complete);

        sim.fault("ws-WIFI", "slow", 0, 500); // slow but live: served
        sim.set(QJsonObject{{"CRCErrors", 99}});
        QCOMPARE(poll(client, Scheme::Newer, accountOf(sim), before).record.CRCErrors, 99.0);
    }

    void hugeReplyIsAFailedRequest()
    {
        Simulator sim;
        GatewayClient client(&manager);
        sim.fault("rest-WIFI", "huge", 0, 64 * 1024 * 1024);
        QElapsedTimer clock;
        clock.start();
        const GatewayClient::Result result = poll(client, Scheme::Older, accountOf(sim));
        QVERIFY(clock.elapsed() < 10000);
        QVERIFY(!result.complete);
        QVERIFY(result.failure.contains("larger than"));
    }

    // One operation at a time; an abort ends it at once, saying nothing of
    // the session.
    void secondOperationIsRefusedAndAbortEndsTheFirst()
    {
        Simulator sim;
        GatewayClient client(&manager);
        sim.fault("rest-dsl", "hang");
        QSignalSpy finished(&client, &GatewayClient::pollFinished);
        QVERIFY(client.poll(Scheme::Older, accountOf(sim), LiveBoxInfos()));
        QVERIFY(client.busy());
        QVERIFY(!client.poll(Scheme::Newer, accountOf(sim), LiveBoxInfos()));
        QVERIFY(!client.restart(accountOf(sim)));
        QTRY_COMPARE(receivedRequests(sim.requests()).size(), 2); // the login, then the hung request
        client.abort();
        QTRY_COMPARE(finished.size(), 1);
        const auto result = finished.at(0).at(0).value<GatewayClient::Result>();
        QVERIFY(result.aborted);
        QVERIFY(!result.complete);
        QVERIFY(!client.busy());
        sim.heal();
        QVERIFY(poll(client, Scheme::Older, accountOf(sim)).complete);
    }

    void restartUsesTheNewerLogin()
    {
        Simulator sim;
        GatewayClient client(&manager);
        const double reboots = sim.state().value("NumberOfReboots").toDouble();
        const GatewayClient::Result result = run(client, [&] { return client.restart(accountOf(sim)); }, true);
        QVERIFY(result.complete);
        const QList<ReceivedRequest> requests = receivedRequests(sim.requests());
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests.at(0).target, QStringLiteral("/ws"));
        QCOMPARE(requests.at(0).header("Authorization"), QByteArrayLiteral("X-Sah-Login"));
        QCOMPARE(requests.at(1).header("Content-Type"), QByteArrayLiteral("application/json"));
        QVERIFY(!requests.at(1).hasHeader("Authorization"));
        QVERIFY(requests.at(1).header("cookie").endsWith("; sah/contextId=" + requests.at(1).header("X-Context")));
        QCOMPARE(sim.state().value("NumberOfReboots").toDouble(), reboots + 1);

        sim.clear();
        sim.fault("ws-login", "http401");
        const GatewayClient::Result refused = run(client, [&] { return client.restart(accountOf(sim)); }, true);
        QCOMPARE(receivedRequests(sim.requests()).size(), 1);
        QVERIFY(refused.loginFailed);
        QCOMPARE(refused.session, GatewayClient::Session::Closed);

        // A restart refused inside an HTTP 200 reply fails, and the session
        // is gone as for any refused request.
        sim.clear();
        sim.fault("ws-reboot", "denied");
        const GatewayClient::Result denied = run(client, [&] { return client.restart(accountOf(sim)); }, true);
        QVERIFY(!denied.complete);
        QVERIFY(!denied.loginFailed);
        QCOMPARE(denied.session, GatewayClient::Session::Closed);
    }

    // Qt repeats a request's URL in its error texts, in forms that change with
    // what the URL holds; the older login carries the password in its query.
    void passwordNeverReachesTheDiagnostics_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("plain") << QStringLiteral("Wr0ngPa55");
        QTest::newRow("space and bar") << QStringLiteral("a b|");
        QTest::newRow("accent and bar") << QStringLiteral("é|");
        QTest::newRow("emoji and bar") << QStringLiteral("😀|");
        QTest::newRow("brace") << QStringLiteral("x{y}z");
    }

    void passwordNeverReachesTheDiagnostics()
    {
        QFETCH(QString, password);
        Simulator sim({"--password", "right"});
        GatewayClient client(&manager);
        debugLines.clear();
        const QtMessageHandler previous = qInstallMessageHandler(captureDebug);
        // Refused at the login, failing with a server error, hung, reset.
        poll(client, Scheme::Older, accountOf(sim, password));
        sim.fault("rest-login", "http500");
        poll(client, Scheme::Older, accountOf(sim, password));
        client.setDeadline(500);
        sim.fault("rest-login", "hang");
        poll(client, Scheme::Older, accountOf(sim, password));
        sim.fault("rest-login", "reset");
        poll(client, Scheme::Older, accountOf(sim, password));
        qInstallMessageHandler(previous);
        QCOMPARE(debugLines.filter("Failure").size(), 4);
        const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(password));
        for (const QString &line : debugLines) {
            QVERIFY2(!line.contains(password) && !line.contains(encoded) && !line.contains("password="),
                     qPrintable(line));
        }
    }

    // A header value taken from a reply never carries a line break into a
    // request: the gateway cannot make the program send a header of its own.
    void replyCannotInjectAHeader_data()
    {
        addGatewayGenerations();
    }

    void replyCannotInjectAHeader()
    {
        QFETCH(int, algoType);
        Simulator sim;
        GatewayClient client(&manager);
        sim.fault(algoType ? "ws-login" : "rest-login", "crlf-context");
        poll(client, schemeOf(algoType), accountOf(sim));
        const QList<ReceivedRequest> requests = receivedRequests(sim.requests());
        QVERIFY(requests.size() >= 2);
        for (const ReceivedRequest &r : requests) {
            QVERIFY(!r.hasHeader("X-Injected"));
            for (const auto &header : r.headers)
                QVERIFY2(!header.second.contains('\n') && !header.second.contains('\r'), header.first.constData());
        }
    }
};

QTEST_GUILESS_MAIN(TestRouter)
#include "test_router.moc"
