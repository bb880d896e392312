#include <QtTest>

#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QStatusBar>

#include "app/accueil.h"
#include "app/mainwindow.h"
#include "support/windowtest.h"
#include "charts/graph.h"
#include "support/modalcloser.h"
#include "support/scratchdir.h"
#include "support/simulator.h"
#include "ui_mainwindow.h"

namespace {
QByteArray acquisitionSettings(const Simulator &sim, const QString &cycle = QStringLiteral("00:00:05"))
{
    return settingsFor(sim) + "[MONITOR]\nCycle=" + cycle.toUtf8() + '\n';
}

bool runningStates(Ui_MainWindow *ui)
{
    return !ui->BtnActualiser->isEnabled() && ui->BtnGraphiques->isEnabled()
           && !ui->BtnStartAcquisition->isEnabled() && ui->BtnStopAcquisition->isEnabled()
           && !ui->BtnSaveReleve->isEnabled() && !ui->BtnRazReleve->isEnabled() && !ui->BtnQuitter->isEnabled();
}

bool idleStates(Ui_MainWindow *ui)
{
    return ui->BtnActualiser->isEnabled() && ui->BtnStartAcquisition->isEnabled()
           && !ui->BtnStopAcquisition->isEnabled() && ui->BtnSaveReleve->isEnabled() && ui->BtnRazReleve->isEnabled()
           && ui->BtnQuitter->isEnabled();
}
}

class TestAcquisition : public QObject
{
    Q_OBJECT

private slots:
    void startWaitsOneIntervalThenPollsOnTheTimer()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", acquisitionSettings(sim));
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        sim.clear();
        window.on_BtnStartAcquisition_clicked();
        QVERIFY(runningStates(window.ui));
        QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("SUIVI LIVEBOX EN COURS..."));
        QVERIFY(window.cycleTimer->isActive());
        QCOMPARE(window.cycleTimer->interval(), 5000);
        QVERIFY(sim.requests().isEmpty()); // no poll at once

        window.on_BtnStopAcquisition_clicked();
        QVERIFY(idleStates(window.ui));
        QVERIFY(!window.cycleTimer->isActive());
        QVERIFY(window.statusBar()->currentMessage().isEmpty());
    }

    void rearmKeepsTheStartToStartSpacing()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", acquisitionSettings(sim));
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        window.on_BtnStartAcquisition_clicked();
        sim.fault("rest-WANStatus", "slow", 0, 800);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(polled(window, [&] { window.CycleTimerHandler(); }));
        const qint64 elapsed = clock.elapsed();
        QVERIFY(elapsed >= 800);
        QVERIFY(window.cycleTimer->isActive());
        QVERIFY(qAbs(window.cycleTimer->interval() - (5000 - elapsed)) <= 50);
        QCOMPARE(window.cycleMs, 5000);
        closer.drain();
        QCOMPARE(closer.count(), 0);
    }

    void slowPollLengthensTheInterval()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", acquisitionSettings(sim));
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        window.on_BtnStartAcquisition_clicked();
        sim.fault("rest-dsl", "slow", 0, 5200);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(polled(window, [&] { window.CycleTimerHandler(); }));
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(window.cycleTimer->interval(), 1000);
        QVERIFY(qAbs(window.cycleInUseMs - (elapsed + 1000)) <= 50);
        QCOMPARE(window.cycleMs, 5000);
        QCOMPARE(window.ui->timeEditCycle->time(), QTime(0, 0, 5)); // the user's value stays shown
        // The status bar says why the rows come further apart.
        QVERIFY2(window.statusBar()->currentMessage().contains(QStringLiteral("Livebox lente : un relevé toutes les 00:00:06")),
                 qPrintable(window.statusBar()->currentMessage()));
        // The version's label steps aside, so that the notice is read whole.
        QVERIFY(window.findChild<QLabel *>(QStringLiteral("labelVersion"))->isHidden());

        // A fast gateway again: the user's interval comes back.
        sim.heal();
        QVERIFY(polled(window, [&] { window.CycleTimerHandler(); }));
        QCOMPARE(window.cycleInUseMs, 5000);
        QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("SUIVI LIVEBOX EN COURS..."));
        QVERIFY(!window.findChild<QLabel *>(QStringLiteral("labelVersion"))->isHidden());
        window.on_BtnStopAcquisition_clicked();
    }

    // A request cut at its deadline says nothing of the gateway's pace: the
    // interval stays, the next poll comes at once and the others one
    // interval apart, and only the hung poll's gap is a stall.
    void hungPollKeepsTheInterval()
    {
        Simulator sim({"--ssid", "pendu"});
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim));
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        window.gateway.setDeadline(3000);
        window.cycleMs = 500;
        // Well above the polls' spacing on a loaded machine, well below the hang's.
        window.graph->tempsArret = 2.5;
        QList<qint64> ends;
        QElapsedTimer clock;
        connect(&window, &MainWindow::pollEnded, [&] { ends << clock.elapsed(); });
        sim.fault("rest-dsl", "hang", 1);
        const size_t gapsBefore = window.graph->samples.gaps.size();
        clock.start();
        window.on_BtnStartAcquisition_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(ends.size() >= 5, 20000);
        window.on_BtnStopAcquisition_clicked();
        QCOMPARE(window.cycleInUseMs, 500);
        QCOMPARE(window.statusBar()->currentMessage(), QString());
        // The hung poll, at its deadline (Qt's timers may fire 5 % early).
        QVERIFY2(ends.at(0) >= 3200, qPrintable(QString::number(ends.at(0))));
        for (int i = 2; i < ends.size(); ++i)
            QVERIFY2(ends.at(i) - ends.at(i - 1) < 500 + 400, qPrintable(QString::number(ends.at(i) - ends.at(i - 1))));
        QCOMPARE(window.graph->samples.gaps.size(), gapsBefore + 1);
        closer.drain();
    }

    // Polls spaced out by a slow gateway are no stall, however short the
    // stall threshold.
    void slowGatewayIsNoStall()
    {
        Simulator sim({"--ssid", "lente"});
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim));
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        window.cycleMs = 400;
        window.graph->tempsArret = 1;
        sim.fault("rest-dsl", "slow", 0, 700);
        QSignalSpy ended(&window, &MainWindow::pollEnded);
        window.on_BtnStartAcquisition_clicked();
        // From the first slow poll on: the gap before it is the test's own
        // set-up, longer on a loaded machine.
        QTRY_VERIFY_WITH_TIMEOUT(ended.size() >= 1, 15000);
        const size_t gapsBefore = window.graph->samples.gaps.size();
        QTRY_VERIFY_WITH_TIMEOUT(ended.size() >= 5, 20000);
        window.on_BtnStopAcquisition_clicked();
        QVERIFY(window.cycleInUseMs > 1700);
        QCOMPARE(window.graph->samples.gaps.size(), gapsBefore);
        sim.heal();
    }

    // After a refused start-up, nothing is recorded until the gateway
    // answers, and then under the network's saved name, never "inconnu".
    void noRowBeforeTheGatewayIsRead()
    {
        Simulator sim({"--ssid", "maison", "--fault", "rest-login:http401"});
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim) + "SSID=maison\n[ALERTES]\nEchecsNombre=1\n");
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        QVERIFY(!window.connected);
        closer.drain();
        window.cycleMs = 300;
        QSignalSpy ended(&window, &MainWindow::pollEnded);
        window.on_BtnStartAcquisition_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(ended.size() >= 3, 10000);
        closer.drain();
        QVERIFY(!QFile::exists(dir.file("maison.csv")));
        QVERIFY(!QFile::exists(dir.file("inconnu.csv")));
        QVERIFY(!QFile::exists(dir.file("inconnu_ALERTES.csv")));
        QVERIFY(dir.read("maison_ALERTES.csv").contains("checs d'interrogation"));

        sim.heal();
        QTRY_VERIFY_WITH_TIMEOUT(dir.read("maison.csv").count('\n') >= 3, 10000);
        window.on_BtnStopAcquisition_clicked();
        for (const QByteArray &line : dir.read("maison.csv").split('\n').mid(1)) {
            if (!line.isEmpty())
                QVERIFY2(!line.startsWith("inconnu;"), line.constData());
        }
        QVERIFY(!QFile::exists(dir.file("inconnu.csv")));
        // The first reading is no event against a record of zeros.
        QCOMPARE(dir.read("maison_SYNCHROS.csv").count('\n'), 2);
        QVERIFY(!dir.read("maison_ALERTES.csv").contains("Redémarrage"));
    }

    // Started with the session before the gateway is up: one box, left
    // unanswered, and the rows start as soon as the gateway answers.
    void startUpOptionWaitsForALateGateway()
    {
        Simulator sim({"--ssid", "tardive", "--fault", "rest-login:reset"});
        ScratchDir dir;
        QVERIFY(QFile::copy(QStringLiteral(QUELVANE_PROGRAM_PATH), dir.file("quelvane")));
        QFile::setPermissions(dir.file("quelvane"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        dir.write("livebox.ini", settingsFor(sim) + "SSID=tardive\n[MONITOR]\nCycle=00:00:05\n");
        QProcess program;
        program.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        program.start(dir.file("quelvane"), {"-r"});
        QVERIFY(program.waitForStarted());
        // The start-up's login failed, then the acquisition's first one.
        QTRY_VERIFY_WITH_TIMEOUT(sim.requests().size() >= 2, 15000);
        QVERIFY(!QFile::exists(dir.file("tardive.csv")));
        sim.heal();
        QTRY_VERIFY_WITH_TIMEOUT(dir.read("tardive.csv").count('\n') >= 2, 20000);
        QVERIFY(!QFile::exists(dir.file("inconnu.csv")));
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
    }

    void failedPollWarnsOnceWhileTheTimerRuns()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", acquisitionSettings(sim));
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        window.on_BtnStartAcquisition_clicked();
        sim.fault("rest-login", "http401");
        bool timerRunning = false;
        int nested = 0;
        closer.onBox = [&] {
            timerRunning = window.cycleTimer->isActive();
            // Polls made while the box is open do not stack another box.
            if (nested++ == 0) {
                QVERIFY(polled(window, [&] { window.CycleTimerHandler(); }));
                QVERIFY(polled(window, [&] { window.CycleTimerHandler(); }));
            }
        };
        QVERIFY(polled(window, [&] { window.CycleTimerHandler(); }));
        closer.drain();
        QCOMPARE(closer.titles, QStringList{"Quelvane"});
        closer.drain();
        QCOMPARE(closer.texts, QStringList{"Problème d'acquisition !!!"});
        QVERIFY(timerRunning);
        QVERIFY(window.cycleTimer->isActive());
        QVERIFY(runningStates(window.ui));
        QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("SUIVI LIVEBOX EN COURS..."));

        sim.heal();
        QVERIFY(polled(window, [&] { window.CycleTimerHandler(); }));
        closer.drain();
        QCOMPARE(closer.count(), 1);
        QVERIFY(window.connected);
    }

    void stopPressedDuringAPollStaysStopped()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", acquisitionSettings(sim));
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        window.on_BtnStartAcquisition_clicked();
        const QByteArray rows = dir.read("Livebox-1234.csv");
        // A gateway that does not answer: the stop ends the poll at once,
        // without a row for a reading that never came.
        sim.fault("rest-WIFI", "hang");
        QTimer::singleShot(200, &window, [&] { window.ui->BtnStopAcquisition->click(); });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(polled(window, [&] { window.CycleTimerHandler(); }));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!window.gateway.busy());
        QVERIFY(!window.cycleTimer->isActive());
        QVERIFY(idleStates(window.ui));
        QCOMPARE(dir.read("Livebox-1234.csv"), rows);
        sim.heal();
    }

    void refreshPollsOnceAndComesBackIdle()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", acquisitionSettings(sim));
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        sim.fault("rest-WIFI", "slow", 0, 400);
        bool refreshingStates = false;
        QTimer::singleShot(150, &window, [&] {
            refreshingStates = !window.ui->BtnActualiser->isEnabled() && !window.ui->BtnStopAcquisition->isEnabled()
                               && !window.ui->BtnQuitter->isEnabled() && window.ui->BtnGraphiques->isEnabled();
        });
        sim.clear();
        QVERIFY(polled(window, [&] { window.on_BtnActualiser_clicked(); }));
        QVERIFY(refreshingStates);
        QVERIFY(idleStates(window.ui));
        QCOMPARE(sim.requests().size(), 7);
        QVERIFY(!window.cycleTimer->isActive());
        QCOMPARE(window.cycleMs, 5000);
    }

    void splashStaysUpThroughTheFirstPoll()
    {
        Simulator sim({"--fault", "rest-login:slow:800"});
        ScratchDir dir;
        dir.write("livebox.ini", acquisitionSettings(sim));
        ModalCloser closer;
        bool splashDuringPoll = false;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (w->inherits("Accueil") && w->isVisible())
                    splashDuringPoll = true;
            }
        });
        probe.start(100);
        MainWindow window;
        QVERIFY(startedUp(window));
        probe.stop();
        QVERIFY(splashDuringPoll);
        QVERIFY(!window.accueil->isVisible());
        QVERIFY(window.connected);
    }

    void startUpOptionStartsTheAcquisition()
    {
        Simulator sim;
        ScratchDir dir;
        // The program keeps its files beside itself: run a copy from the scratch folder.
        QVERIFY(QFile::copy(QStringLiteral(QUELVANE_PROGRAM_PATH), dir.file("quelvane")));
        QFile::setPermissions(dir.file("quelvane"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        dir.write("livebox.ini", acquisitionSettings(sim) + "[COURBES]\n");
        QProcess program;
        program.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        program.start(dir.file("quelvane"), {"-r"});
        QVERIFY(program.waitForStarted());
        // Start-up polls twice; the acquisition polls again one interval later.
        QTRY_VERIFY_WITH_TIMEOUT(dir.read("Livebox-1234.csv").count('\n') >= 3, 15000);
        program.terminate();
        program.waitForFinished();
    }

    // The gateway restarting at night refuses the login: its boxes stay open
    // until morning, and the polls go on at their interval behind them.
    void refusedLoginBoxLeftOpenHoldsNothingUp()
    {
        Simulator sim({"--ssid", "nuit"});
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim, 1));
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        closer.drain();
        window.gateway.setDeadline(800);
        window.cycleMs = 400; // the editor's floor is 5 s: a faster test
        const int rowsBefore = dir.read("nuit.csv").count('\n');
        ModalHolder user;
        {
            // The closer steps aside while the holder's boxes stay open.
            QSignalSpy ended(&window, &MainWindow::pollEnded);
            closer.enabled = false;
            sim.fault("ws-login", "http401");
            window.on_BtnStartAcquisition_clicked();
            QTRY_VERIFY2_WITH_TIMEOUT(ended.size() >= 5, qPrintable(QString::number(ended.size())), 3000);
            // One box of a kind, however many polls failed.
            QCOMPARE(user.titles.count(QStringLiteral("Authentification")), 1);
            QCOMPARE(user.texts.count(QStringLiteral("Problème d'acquisition !!!")), 1);
            QVERIFY(dir.read("nuit.csv").count('\n') - rowsBefore >= 5);
        }
        sim.heal();
        user.answerAll();
        closer.enabled = true;
        QCOMPARE(window.cycleMs, 400); // the boxes' time never counted as a poll's
        // The next poll to end may have been refused before the heal: wait
        // for one that reads the gateway.
        QTRY_VERIFY_WITH_TIMEOUT(window.connected, 3000);
        window.on_BtnStopAcquisition_clicked();
    }

    // The report's file dialog left open while a poll waits on a gateway
    // that does not answer: the poll ends at its deadline, the next comes on
    // time.
    void fileDialogLeftOpenHoldsNoPollUp()
    {
        Simulator sim({"--ssid", "dialogue"});
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim));
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        window.gateway.setDeadline(800);
        window.cycleMs = 1000;
        closer.enabled = false;
        ModalHolder user;
        QList<qint64> ends;
        QElapsedTimer clock;
        connect(&window, &MainWindow::pollEnded, [&] { ends << clock.elapsed(); });
        sim.fault("rest-dsl", "hang", 1);
        clock.start();
        window.on_BtnStartAcquisition_clicked();
        // The user opens the dialog before the first poll and leaves it for 4 s.
        QTimer::singleShot(200, &window, [&] { window.on_BtnRapportGraphique_clicked(); });
        bool answered = false;
        QTimer::singleShot(4200, &window, [&] {
            user.answerAll();
            answered = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(answered && ends.size() >= 3, 10000);
        closer.enabled = true;
        window.on_BtnStopAcquisition_clicked();
        QCOMPARE(user.titles.value(0), QStringLiteral("Enregistrer le rapport PDF"));
        QVERIFY2(ends.size() >= 3, qPrintable(QString::number(ends.size())));
        // The hung poll began at 1 s and ended at its deadline, with the dialog open.
        QVERIFY2(ends.at(0) < 1000 + 800 + 600, qPrintable(QString::number(ends.at(0))));
        // The next polls came one interval after each start.
        for (int i = 1; i < ends.size(); ++i)
            QVERIFY2(ends.at(i) - ends.at(i - 1) < 1000 + 600, qPrintable(QString::number(ends.at(i) - ends.at(i - 1))));
    }
};

QTEST_MAIN(TestAcquisition)
#include "test_acquisition.moc"
