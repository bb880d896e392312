#include <QtTest>

#include <QElapsedTimer>
#include <QSettings>

#include "app/mainwindow.h"
#include "common/filenames.h"
#include "recording/pendinglines.h"
#include "recording/rowformat.h"
#include "support/gatewaytest.h"
#include "support/generations.h"
#include "support/modalcloser.h"
#include "support/records.h"
#include "support/scratchdir.h"
#include "support/simulator.h"
#include "ui_mainwindow.h"

namespace {
const QByteArray wsType = "application/x-sah-ws-4-call+json";



QStringList debugLines;
void captureDebug(QtMsgType, const QMessageLogContext &, const QString &message)
{
    debugLines << message;
}
}

class TestRouter : public QObject
{
    Q_OBJECT

private slots:
    void newerGatewayPollSendsTheDocumentedRequests()
    {
        Simulator sim;
        QVERIFY(sim.isRunning());
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim, 1));
        ModalCloser closer;
        MainWindow window;
        QCOMPARE(closer.count(), 0);
        QVERIFY(window.connected);
        sim.clear();
        window.LiveBox4GetInfos(&window.LBInfos);

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
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim, 0));
        ModalCloser closer;
        MainWindow window;
        QVERIFY(window.connected);
        sim.clear();
        window.LiveBoxGetInfos(&window.LBInfos);

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
        dir.write("livebox.ini", settingsFor(sim, algoType));
        ModalCloser closer;
        MainWindow window;
        sim.set(QJsonObject{{"SSID", "maison"}, {"DownstreamCurrRate", 17999}, {"UpstreamNoiseMargin", 65},
                            {"LastChange", 3600}, {"LastChangeTime", 120}, {"CRCErrors", 42},
                            {"ATUCHECErrors", 7}, {"TransmitBlocks", 123456}, {"IPAddress", "90.1.2.3"},
                            {"DNSServers", "80.10.246.2,81.253.149.9"}, {"HardwareVersion", "SG_LB4"},
                            {"SoftwareVersion", "SG40_sip-fr-6.2"}, {"NumberOfReboots", 12},
                            {"ModulationHint", "ADSL2+"}, {"PppLastChange", 60}, {"PppLastChangeTime", 3660},
                            {"Protocol", "dhcp"}, {"TransportType", "PPPoE"}, {"MaxMRUSize", 1492}, {"MTU", 1500}});
        LiveBoxInfos r;
        const QDateTime before = QDateTime::currentDateTime();
        if (algoType)
            window.LiveBox4GetInfos(&r);
        else
            window.LiveBoxGetInfos(&r);
        QVERIFY(window.connected);
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
        QTest::addColumn<bool>("connectedAfter");
        for (const char *t : {"ws-getMIBs", "ws-DSLStats", "ws-WIFI", "ws-WANStatus", "ws-DeviceInfo"})
            QTest::newRow(t) << 1 << QString::fromLatin1(t) << true;
        QTest::newRow("ws-login") << 1 << "ws-login" << false;
        for (const char *t : {"rest-dsl", "rest-ppp", "rest-DSLStats", "rest-WIFI", "rest-WANStatus", "rest-DeviceInfo"})
            QTest::newRow(t) << 0 << QString::fromLatin1(t) << true;
        QTest::newRow("rest-login") << 0 << "rest-login" << false;
    }

    void failedRequestLeavesTheRecordUntouched()
    {
        QFETCH(int, algoType);
        QFETCH(QString, target);
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim, algoType));
        ModalCloser closer;
        MainWindow window;
        const QString before = wholeRecord(window.LBInfos);
        const int boxes = closer.count();
        QTest::qWait(1100); // a new reading time, were the record written
        sim.fault(target, "http500");
        if (algoType)
            window.LiveBox4GetInfos(&window.LBInfos);
        else
            window.LiveBoxGetInfos(&window.LBInfos);
        QCOMPARE(wholeRecord(window.LBInfos), before);
        QTEST(window.connected, "connectedAfter");
        // Only the newer gateways' failed login is shown to the user.
        const bool box = algoType == 1 && target == QLatin1String("ws-login");
        QCOMPARE(closer.count() - boxes, box ? 1 : 0);
        if (box) {
            QCOMPARE(closer.titles.last(), QStringLiteral("Authentification"));
            QCOMPARE(closer.texts.last(), QStringLiteral("LB non connectée"));
        }
    }

    void traceOfAFullPollAndOfAFailedFourthCall()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim, 1));
        ModalCloser closer;
        MainWindow window;
        sim.set(QJsonObject{{"LastChange", 1234567}, {"HardwareVersion", "SG_LB4"}});
        window.LiveBox4GetInfos(&window.LBInfos);
        const QString trace = QString::fromUtf8(dir.read("debug.txt"));
        QVERIFY(trace.startsWith("Version LB4 02/06/19 - 19h40\n\n\n--GetMIBS--\n{"));
        for (const char *marker : {"\n\n--DSLstat--\n{", "\n\n--WIFI--\n{", "\n\n--WANstatus--\n{", "\n\n--DeviceInfo--\n{"})
            QVERIFY2(trace.contains(QString::fromLatin1(marker)), marker);
        QVERIFY(trace.endsWith("\n\nEXTRACTION DES INFOS\n\nhardware version = SG_LB4\nLastChange = 1.23457e+06\n"));

        sim.set(QJsonObject{{"LastChange", 86400}});
        window.LiveBox4GetInfos(&window.LBInfos);
        QVERIFY(QString::fromUtf8(dir.read("debug.txt")).endsWith("LastChange = 86400\n"));

        sim.fault("ws-WANStatus", "http500");
        window.LiveBox4GetInfos(&window.LBInfos);
        const QString failed = QString::fromUtf8(dir.read("debug.txt"));
        QVERIFY(failed.contains("\n--WIFI--\n"));
        QVERIFY(!failed.contains("--WANstatus--"));
        QVERIFY(failed.contains(QRegularExpression("\nfailure WANstatus\\S.*\n$")));
    }

    void oddRepliesGiveDefaults()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim, 0));
        ModalCloser closer;
        MainWindow window;
        sim.set(QJsonObject{{"DownstreamCurrRate", 8000}, {"CRCErrors", 5}});

        // A body that is not JSON at all is a failed request: its defaults
        // would read as a line gone down.
        sim.fault("rest-dsl", "notjson");
        LiveBoxInfos r;
        r.DownstreamCurrRate = 1234;
        window.LiveBoxGetInfos(&r);
        QVERIFY(window.connected);
        QCOMPARE(r.DownstreamCurrRate, 1234.0);
        QCOMPARE(r.DateTime, QStringLiteral("inconnu"));
        QCOMPARE(r.CRCErrors, 0.0);

        sim.fault("rest-DSLStats", "missing");
        window.LiveBoxGetInfos(&r);
        QCOMPARE(r.DownstreamCurrRate, 8000.0);
        QCOMPARE(r.CRCErrors, 0.0);
        QCOMPARE(r.ModulationHint, QStringLiteral("ADSL2+"));

        sim.fault("rest-DSLStats", "strings");
        window.LiveBoxGetInfos(&r);
        QCOMPARE(r.CRCErrors, 0.0);
        QCOMPARE(r.DownstreamCurrRate, 8000.0);

        sim.fault("rest-DeviceInfo", "short-device");
        window.LiveBoxGetInfos(&r);
        QCOMPARE(r.NumberOfReboots, 0.0);
        QCOMPARE(r.SoftwareVersion, QString());
        QCOMPARE(r.HardwareVersion, QString());
        QCOMPARE(r.CRCErrors, 5.0);
    }

    void missingCookieStillOpensTheSession()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim, 1));
        ModalCloser closer;
        MainWindow window;
        sim.fault("ws-login", "nocookie");
        sim.set(QJsonObject{{"CRCErrors", 77}});
        sim.clear();
        LiveBoxInfos r;
        window.LiveBox4GetInfos(&r);
        const QList<ReceivedRequest> requests = receivedRequests(sim.requests());
        QCOMPARE(requests.size(), 6);
        QCOMPARE(requests.at(1).header("cookie"), "; sah/contextId=" + requests.at(1).header("X-Context"));
        QCOMPARE(r.CRCErrors, 77.0);
    }

    void hungRequestEndsAtDeadline()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim, 1));
        ModalCloser closer;
        MainWindow window;
        window.requestDeadlineMs = 1500;
        const QString before = wholeRecord(window.LBInfos);
        sim.fault("ws-DSLStats", "hang");
        QElapsedTimer clock;
        clock.start();
        window.LiveBox4GetInfos(&window.LBInfos);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(wholeRecord(window.LBInfos), before);
        QVERIFY(window.connected);

        sim.fault("ws-WIFI", "trickle", 0, 200);
        clock.restart();
        window.LiveBox4GetInfos(&window.LBInfos);
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(wholeRecord(window.LBInfos), before);

        sim.fault("ws-WIFI", "slow", 0, 500); // slow but live: served
        sim.set(QJsonObject{{"CRCErrors", 99}});
        window.LiveBox4GetInfos(&window.LBInfos);
        QCOMPARE(window.LBInfos.CRCErrors, 99.0);
    }

    void hugeReplyIsAFailedRequest()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim, 0));
        ModalCloser closer;
        MainWindow window;
        const QString before = wholeRecord(window.LBInfos);
        sim.fault("rest-WIFI", "huge", 0, 64 * 1024 * 1024);
        QElapsedTimer clock;
        clock.start();
        window.LiveBoxGetInfos(&window.LBInfos);
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(wholeRecord(window.LBInfos), before);
    }

    void anyPasswordLogsIn_data()
    {
        addGatewayGenerations();
    }

    void anyPasswordLogsIn()
    {
        QFETCH(int, algoType);
        const QString password = QStringLiteral("a\"b\\c&d#e%f+g=h i-é");
        Simulator sim({"--password", password});
        ScratchDir dir;
        // Written through QSettings so that the file escapes what INI needs.
        {
            QSettings settings(dir.file("livebox.ini"), QSettings::IniFormat);
            settings.setValue("LIVEBOX/LiveBox", sim.address());
            settings.setValue("LIVEBOX/User", "admin");
            settings.setValue("LIVEBOX/Pass", password);
            settings.setValue("LIVEBOX/AlgoType", algoType);
        }
        ModalCloser closer;
        MainWindow window;
        QCOMPARE(closer.count(), 0);
        QVERIFY(window.connected);
        QCOMPARE(window.LBInfos.SSID, sim.state().value("SSID").toString());
    }

    void passwordNeverReachesTheDiagnostics()
    {
        Simulator sim({"--password", "right"});
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim, 0, QStringLiteral("Wr0ngPa55")));
        debugLines.clear();
        const QtMessageHandler previous = qInstallMessageHandler(captureDebug);
        ModalCloser closer;
        {
            MainWindow window;
            QVERIFY(!window.connected);
        }
        qInstallMessageHandler(previous);
        QVERIFY(!debugLines.filter("Failure").isEmpty());
        for (const QString &line : debugLines)
            QVERIFY2(!line.contains("Wr0ngPa55"), qPrintable(line));
        QCOMPARE(closer.titles.value(0), QStringLiteral("Quelvane")); // the start-up warning, no login box
    }

    void restartAskedThenSent()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim, 0));
        ModalCloser noCloser(QMessageBox::No);
        MainWindow window;
        sim.clear();
        window.on_btnReboot_clicked();
        QCOMPARE(noCloser.titles.last(), QStringLiteral("Reboot LiveBox"));
        QCOMPARE(noCloser.texts.last(), QStringLiteral("Voulez-vous vraiement redémarrer votre LiveBox ?"));
        QVERIFY(sim.requests().isEmpty());
    }

    void restartUsesTheNewerLoginWhateverTheModel()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim, 0));
        ModalCloser closer(QMessageBox::Yes);
        MainWindow window;
        const double reboots = sim.state().value("NumberOfReboots").toDouble();
        sim.clear();
        window.RebootLiveBox();
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
        window.RebootLiveBox();
        QCOMPARE(receivedRequests(sim.requests()).size(), 1);
        QCOMPARE(closer.titles.last(), QStringLiteral("Authentification"));
        QVERIFY(!window.connected);
    }

    void startUpWarnsOnlyWhenTheLoginFails()
    {
        Simulator sim;
        {
            ScratchDir dir;
            dir.write("livebox.ini", settingsFor(sim, 0, QStringLiteral("wrong")));
            ModalCloser closer;
            MainWindow window;
            QCOMPARE(closer.titles, QStringList{"Quelvane"});
            QCOMPARE(window.ui->tabWidget->currentIndex(), 3);
        }
        {
            ScratchDir dir;
            dir.write("livebox.ini", settingsFor(sim, 0));
            ModalCloser closer;
            MainWindow window;
            QCOMPARE(closer.count(), 0);
            QCOMPARE(window.ui->tabWidget->currentIndex(), 0);
            QCOMPARE(window.ui->editSSID->text(), window.LBInfos.SSID);
        }
    }
};

QTEST_MAIN(TestRouter)
#include "test_router.moc"
