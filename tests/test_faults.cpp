#include <QtTest>

#include <QElapsedTimer>
#include <QTcpServer>

#include "app/mainwindow.h"
#include "recording/recordformat.h"
#include "support/generations.h"
#include "support/modalcloser.h"
#include "support/records.h"
#include "support/scratchdir.h"
#include "support/simulator.h"
#include "ui_mainwindow.h"

namespace {

int rowsIn(const ScratchDir &dir, const QString &ssid)
{
    return dir.read(ssid + ".csv").count('\n') - 1;
}

const int deadlineMs = 800;
}

// Every fault at every request position of a poll, for both gateway
// generations, through the acquisition cycle as the timer runs it.
class TestFaults : public QObject
{
    Q_OBJECT

private:
    int casesRun = 0;
    QStringList failures;

    void check(bool held, const QString &what)
    {
        if (!held)
            failures << what;
    }

    void runMatrix(int algoType, const QStringList &positions)
    {
        Simulator sim;
        QVERIFY(sim.isRunning());
        sim.set(QJsonObject{{"SSID", "matrice"}, {"CRCErrors", 123}, {"DownstreamCurrRate", 8123}});
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim, algoType));
        ModalCloser closer;
        MainWindow window;
        window.requestDeadlineMs = deadlineMs;
        QVERIFY(window.connected);
        window.on_BtnStartAcquisition_clicked();

        const QStringList transport = {"reset", "hang", "trickle", "http401", "http500", "close", "huge"};
        const QStringList content = {"notjson", "strings", "missing", "short-device"};
        for (const QString &position : positions) {
            const bool login = position.endsWith("login");
            for (const QString &kind : transport + content) {
                const QString name = QStringLiteral("%1 %2").arg(position, kind);
                ++casesRun;
                sim.heal();
                window.CycleTimerHandler();
                window.cycleTimer->stop();
                const QString before = wholeRecord(window.LBInfos);
                const int rows = rowsIn(dir, "matrice");
                const int boxes = closer.count();

                const double param = kind == "trickle" ? 200 : kind == "huge" ? 16 * 1024 * 1024 : 0;
                sim.fault(position, kind, 0, param);
                QElapsedTimer clock;
                clock.start();
                window.CycleTimerHandler();
                window.cycleTimer->stop();
                check(clock.elapsed() < deadlineMs + 3000, name + ": poll outlived its deadline");
                check(rowsIn(dir, "matrice") == rows + 1, name + ": no row for the poll");

                const int newBoxes = closer.count() - boxes;
                if (transport.contains(kind)) {
                    check(wholeRecord(window.LBInfos) == before, name + ": a failed request changed the record");
                    check(window.connected == !login, name + ": wrong connected flag");
                    const int expected = login ? (algoType ? 2 : 1) : 0; // "Authentification" only for the newer login
                    check(newBoxes == expected, name + QStringLiteral(": %1 boxes, %2 expected").arg(newBoxes).arg(expected));
                    if (login)
                        check(closer.texts.last() == QStringLiteral("Problème d'acquisition !!!"),
                              name + ": no acquisition warning");
                } else {
                    check(window.connected, name + ": a readable reply cleared the connected flag");
                    check(newBoxes == 0, name + ": a box for a reply that arrived");
                    if (login && (kind == "notjson" || kind == "missing"))
                        check(window.LBInfos.SSID.isEmpty() && window.LBInfos.CRCErrors == 0,
                              name + ": a session without context kept the old values");
                }

                sim.heal();
                window.CycleTimerHandler();
                window.cycleTimer->stop();
                check(window.connected && window.LBInfos.SSID == QLatin1String("matrice")
                          && window.LBInfos.CRCErrors == 123 && window.LBInfos.DownstreamCurrRate == 8123,
                      name + ": the poll after healing is not complete");
            }
        }
    }

private slots:
    void newerGateway()
    {
        runMatrix(1, {"ws-login", "ws-getMIBs", "ws-DSLStats", "ws-WIFI", "ws-WANStatus", "ws-DeviceInfo"});
    }

    void olderGateway()
    {
        runMatrix(0, {"rest-login", "rest-dsl", "rest-ppp", "rest-DSLStats", "rest-WIFI", "rest-WANStatus",
                      "rest-DeviceInfo"});
    }

    void refusedConnection_data()
    {
        addGatewayGenerations();
    }

    void refusedConnection()
    {
        QFETCH(int, algoType);
        // A port that was just free: nothing listens there.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        ScratchDir dir;
        dir.write("livebox.ini", QStringLiteral("[LIVEBOX]\nLiveBox=127.0.0.1:%1\nUser=admin\nPass=secret\nAlgoType=%2\n")
                                     .arg(port)
                                     .arg(algoType)
                                     .toUtf8());
        ModalCloser closer;
        MainWindow window;
        ++casesRun;
        check(!window.connected, "refused: connected");
        check(closer.texts.last() == QStringLiteral("Connexion impossible, vérifer le mot de passe et le fonctionnement de la Box."),
              "refused: no start-up warning");
        check(window.LBInfos.DateTime == QStringLiteral("inconnu"), "refused: the record was written");
    }

    void cleanupTestCase()
    {
        qInfo("fault matrix: %d cases run, %d held", casesRun, casesRun - int(failures.size()));
        for (const QString &failure : failures)
            qWarning("%s", qPrintable(failure));
        QVERIFY(failures.isEmpty());
    }
};

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
