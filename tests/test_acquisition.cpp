#include <QtTest>

#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QStatusBar>

#include "app/accueil.h"
#include "app/mainwindow.h"
#include "support/windowtest.h"
#include "chartwindow/graph.h"
#include "support/modalcloser.h"
#include "support/scratchdir.h"
#include "support/simulator.h"
#include "support/windowfixture.h"
#include "ui_mainwindow.h"

namespace {
QByteArray cycleSettings(const QString &cycle = QStringLiteral("00:00:05"))
{
    return "[MONITOR]\nCycle=" + cycle.toUtf8() + '\n';
}

QByteArray acquisitionSettings(const Simulator &sim, const QString &cycle = QStringLiteral("00:00:05"))
{
    return settingsFor(sim) + cycleSettings(cycle);
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
        WindowFixture f(WindowStart().ini(cycleSettings()));
        f.sim.clear();
        f.window->on_BtnStartAcquisition_clicked();
        QVERIFY(runningStates(f.window->ui));
        QCOMPARE(f.window->statusBar()->currentMessage(), QStringLiteral("SUIVI LIVEBOX EN COURS..."));
        QVERIFY(f.window->cycleTimer->isActive());
        QCOMPARE(f.window->cycleTimer->interval(), 5000);
        QVERIFY(f.sim.requests().isEmpty()); // no poll at once

        f.window->on_BtnStopAcquisition_clicked();
        QVERIFY(idleStates(f.window->ui));
        QVERIFY(!f.window->cycleTimer->isActive());
        QVERIFY(f.window->statusBar()->currentMessage().isEmpty());
    }

    void rearmKeepsTheStartToStartSpacing()
    {
        WindowFixture f(WindowStart().ini(cycleSettings()));
        f.window->on_BtnStartAcquisition_clicked();
        f.sim.fault("rest-WANStatus", "slow", 0, 800);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(polled(*f.window, [&] { f.window->CycleTimerHandler(); }));
        const qint64 elapsed = clock.elapsed();
        QVERIFY(elapsed >= 800);
        QVERIFY(f.window->cycleTimer->isActive());
        QVERIFY(qAbs(f.window->cycleTimer->interval() - (5000 - elapsed)) <= 50);
        QCOMPARE(f.window->cycleMs, 5000);
        f.closer.drain();
        QCOMPARE(f.closer.count(), 0);
    }

    void slowPollLengthensTheInterval()
    {
        WindowFixture f(WindowStart().ini(cycleSettings()));
        f.window->on_BtnStartAcquisition_clicked();
        f.sim.fault("rest-dsl", "slow", 0, 5200);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(polled(*f.window, [&] { f.window->CycleTimerHandler(); }));
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(f.window->cycleTimer->interval(), 1000);
        QVERIFY(qAbs(f.window->cycleInUse() - (elapsed + 1000)) <= 50);
        QCOMPARE(f.window->cycleMs, 5000);
        QCOMPARE(f.window->ui->timeEditCycle->time(), QTime(0, 0, 5)); // the user's value stays shown
        // The status bar says why the rows come further apart.
        QVERIFY2(f.window->statusBar()->currentMessage().contains(QStringLiteral("Livebox lente : un relevé toutes les 00:00:06")),
                 qPrintable(f.window->statusBar()->currentMessage()));
        // The version's label steps aside, so that the notice is read whole.
        QVERIFY(f.window->findChild<QLabel *>(QStringLiteral("labelVersion"))->isHidden());

        // A fast gateway again: the user's interval comes back.
        f.sim.heal();
        QVERIFY(polled(*f.window, [&] { f.window->CycleTimerHandler(); }));
        QCOMPARE(f.window->cycleInUse(), 5000);
        QCOMPARE(f.window->statusBar()->currentMessage(), QStringLiteral("SUIVI LIVEBOX EN COURS..."));
        QVERIFY(!f.window->findChild<QLabel *>(QStringLiteral("labelVersion"))->isHidden());
        f.window->on_BtnStopAcquisition_clicked();
    }

    // A request cut at its deadline says nothing of the gateway's pace: the
    // interval stays, the next poll comes at once and the others one
    // interval apart, and only the hung poll's gap is a stall.
    void hungPollKeepsTheInterval()
    {
        WindowFixture f(WindowStart().simulator({"--ssid", "pendu"}));
        f.window->gateway.setDeadline(3000);
        f.window->cycleMs = 500;
        // Well above the polls' spacing on a loaded machine, well below the hang's.
        f.window->graph->tempsArret = 2.5;
        QList<qint64> ends;
        QElapsedTimer clock;
        connect(f.window.get(), &MainWindow::pollEnded, [&] { ends << clock.elapsed(); });
        f.sim.fault("rest-dsl", "hang", 1);
        const size_t gapsBefore = f.window->graph->samples.gaps.size();
        clock.start();
        f.window->on_BtnStartAcquisition_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(ends.size() >= 5, 20000);
        f.window->on_BtnStopAcquisition_clicked();
        QCOMPARE(f.window->cycleInUse(), 500);
        QCOMPARE(f.window->statusBar()->currentMessage(), QString());
        // The hung poll, at its deadline (Qt's timers may fire 5 % early).
        QVERIFY2(ends.at(0) >= 3200, qPrintable(QString::number(ends.at(0))));
        for (int i = 2; i < ends.size(); ++i)
            QVERIFY2(ends.at(i) - ends.at(i - 1) < 500 + 400, qPrintable(QString::number(ends.at(i) - ends.at(i - 1))));
        QCOMPARE(f.window->graph->samples.gaps.size(), gapsBefore + 1);
        f.closer.drain();
    }

    // Polls spaced out by a slow gateway are no stall, however short the
    // stall threshold.
    void slowGatewayIsNoStall()
    {
        WindowFixture f(WindowStart().simulator({"--ssid", "lente"}));
        f.window->cycleMs = 400;
        f.window->graph->tempsArret = 1;
        f.sim.fault("rest-dsl", "slow", 0, 700);
        QSignalSpy ended(f.window.get(), &MainWindow::pollEnded);
        f.window->on_BtnStartAcquisition_clicked();
        // From the first slow poll on: the gap before it is the test's own
        // set-up, longer on a loaded machine.
        QTRY_VERIFY_WITH_TIMEOUT(ended.size() >= 1, 15000);
        const size_t gapsBefore = f.window->graph->samples.gaps.size();
        QTRY_VERIFY_WITH_TIMEOUT(ended.size() >= 5, 20000);
        f.window->on_BtnStopAcquisition_clicked();
        QVERIFY(f.window->cycleInUse() > 1700);
        QCOMPARE(f.window->graph->samples.gaps.size(), gapsBefore);
        f.sim.heal();
    }

    // After a refused start-up, nothing is recorded until the gateway
    // answers, and then under the network's saved name, never "inconnu".
    void noRowBeforeTheGatewayIsRead()
    {
        WindowFixture f(WindowStart()
                            .simulator({"--ssid", "maison", "--fault", "rest-login:http401"})
                            .ini("SSID=maison\n[ALERTES]\nEchecsNombre=1\n"));
        QVERIFY(!f.window->connected);
        f.closer.drain();
        f.window->cycleMs = 300;
        QSignalSpy ended(f.window.get(), &MainWindow::pollEnded);
        f.window->on_BtnStartAcquisition_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(ended.size() >= 3, 10000);
        f.closer.drain();
        QVERIFY(!QFile::exists(f.dir.file("maison.csv")));
        QVERIFY(!QFile::exists(f.dir.file("inconnu.csv")));
        QVERIFY(!QFile::exists(f.dir.file("inconnu_ALERTES.csv")));
        QVERIFY(f.dir.read("maison_ALERTES.csv").contains("checs d'interrogation"));

        f.sim.heal();
        QTRY_VERIFY_WITH_TIMEOUT(f.dir.read("maison.csv").count('\n') >= 3, 10000);
        f.window->on_BtnStopAcquisition_clicked();
        for (const QByteArray &line : f.dir.read("maison.csv").split('\n').mid(1)) {
            if (!line.isEmpty())
                QVERIFY2(!line.startsWith("inconnu;"), line.constData());
        }
        QVERIFY(!QFile::exists(f.dir.file("inconnu.csv")));
        // The first reading is no event against a record of zeros.
        QCOMPARE(f.dir.read("maison_SYNCHROS.csv").count('\n'), 2);
        QVERIFY(!f.dir.read("maison_ALERTES.csv").contains("Redémarrage"));
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

    // A box left open about polls that failed closes itself once a poll
    // reads the gateway again; the status bar keeps when it began and ended.
    void problemBoxClosesWhenThePollsComeBack()
    {
        WindowFixture f(WindowStart().ini(cycleSettings()));
        f.closer.drain();
        ModalHolder user;
        f.closer.enabled = false;
        f.window->on_BtnStartAcquisition_clicked();
        f.sim.fault("rest-login", "http401");
        QVERIFY(polled(*f.window, [&] { f.window->CycleTimerHandler(); }));
        const auto problemBoxOpen = [] {
            for (QWidget *window : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(window);
                if (box && box->isVisible() && box->text() == QStringLiteral("Problème d'acquisition !!!"))
                    return true;
            }
            return false;
        };
        QTRY_VERIFY(problemBoxOpen());
        QVERIFY(!f.window->findChild<QLabel *>(QStringLiteral("labelProbleme")));
        f.sim.heal();
        QVERIFY(polled(*f.window, [&] { f.window->CycleTimerHandler(); }));
        QVERIFY(f.window->connected);
        QTRY_VERIFY(!problemBoxOpen());
        const auto *label = f.window->findChild<QLabel *>(QStringLiteral("labelProbleme"));
        QVERIFY(label);
        QVERIFY2(label->text().startsWith(QStringLiteral("Problème d'acquisition du ")), qPrintable(label->text()));
        QCOMPARE(label->text().count(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"))), 2);
        f.closer.enabled = true;
    }

    void failedPollWarnsOnceWhileTheTimerRuns()
    {
        WindowFixture f(WindowStart().ini(cycleSettings()));
        f.window->on_BtnStartAcquisition_clicked();
        f.sim.fault("rest-login", "http401");
        bool timerRunning = false;
        int nested = 0;
        f.closer.onBox = [&] {
            timerRunning = f.window->cycleTimer->isActive();
            // Polls made while the box is open do not stack another box.
            if (nested++ == 0) {
                QVERIFY(polled(*f.window, [&] { f.window->CycleTimerHandler(); }));
                QVERIFY(polled(*f.window, [&] { f.window->CycleTimerHandler(); }));
            }
        };
        QVERIFY(polled(*f.window, [&] { f.window->CycleTimerHandler(); }));
        f.closer.drain();
        QCOMPARE(f.closer.titles, QStringList{"Quelvane"});
        f.closer.drain();
        QCOMPARE(f.closer.texts, QStringList{"Problème d'acquisition !!!"});
        QVERIFY(timerRunning);
        QVERIFY(f.window->cycleTimer->isActive());
        QVERIFY(runningStates(f.window->ui));
        QCOMPARE(f.window->statusBar()->currentMessage(), QStringLiteral("SUIVI LIVEBOX EN COURS..."));

        f.sim.heal();
        QVERIFY(polled(*f.window, [&] { f.window->CycleTimerHandler(); }));
        f.closer.drain();
        QCOMPARE(f.closer.count(), 1);
        QVERIFY(f.window->connected);
    }

    void stopPressedDuringAPollStaysStopped()
    {
        WindowFixture f(WindowStart().ini(cycleSettings()));
        f.window->on_BtnStartAcquisition_clicked();
        const QByteArray rows = f.dir.read("Livebox-1234.csv");
        // A gateway that does not answer: the stop ends the poll at once,
        // without a row for a reading that never came.
        f.sim.fault("rest-WIFI", "hang");
        QTimer::singleShot(200, f.window.get(), [&] { f.window->ui->BtnStopAcquisition->click(); });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(polled(*f.window, [&] { f.window->CycleTimerHandler(); }));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!f.window->gateway.busy());
        QVERIFY(!f.window->cycleTimer->isActive());
        QVERIFY(idleStates(f.window->ui));
        QCOMPARE(f.dir.read("Livebox-1234.csv"), rows);
        f.sim.heal();
    }

    void refreshPollsOnceAndComesBackIdle()
    {
        WindowFixture f(WindowStart().ini(cycleSettings()));
        f.sim.fault("rest-WIFI", "slow", 0, 400);
        bool refreshingStates = false;
        QTimer::singleShot(150, f.window.get(), [&] {
            refreshingStates = !f.window->ui->BtnActualiser->isEnabled() && !f.window->ui->BtnStopAcquisition->isEnabled()
                               && !f.window->ui->BtnQuitter->isEnabled() && f.window->ui->BtnGraphiques->isEnabled();
        });
        f.sim.clear();
        QVERIFY(polled(*f.window, [&] { f.window->on_BtnActualiser_clicked(); }));
        QVERIFY(refreshingStates);
        QVERIFY(idleStates(f.window->ui));
        QCOMPARE(f.sim.requests().size(), 7);
        QVERIFY(!f.window->cycleTimer->isActive());
        QCOMPARE(f.window->cycleMs, 5000);
    }

    void splashStaysUpThroughTheFirstPoll()
    {
        WindowFixture f(WindowStart().simulator({"--fault", "rest-login:slow:800"}).ini(cycleSettings()).later());
        bool splashDuringPoll = false;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (w->inherits("Accueil") && w->isVisible())
                    splashDuringPoll = true;
            }
        });
        probe.start(100);
        f.start();
        probe.stop();
        QVERIFY(splashDuringPoll);
        QVERIFY(!f.window->accueil->isVisible());
        QVERIFY(f.window->connected);
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
        WindowFixture f(WindowStart().simulator({"--ssid", "nuit"}).algoType(1));
        f.closer.drain();
        f.window->gateway.setDeadline(800);
        f.window->cycleMs = 400; // the editor's floor is 5 s: a faster test
        const int rowsBefore = f.dir.read("nuit.csv").count('\n');
        ModalHolder user;
        {
            // The closer steps aside while the holder's boxes stay open.
            QSignalSpy ended(f.window.get(), &MainWindow::pollEnded);
            f.closer.enabled = false;
            f.sim.fault("ws-login", "http401");
            f.window->on_BtnStartAcquisition_clicked();
            QTRY_VERIFY2_WITH_TIMEOUT(ended.size() >= 5, qPrintable(QString::number(ended.size())), 3000);
            // One box of a kind, however many polls failed.
            QCOMPARE(user.titles.count(QStringLiteral("Authentification")), 1);
            QCOMPARE(user.texts.count(QStringLiteral("Problème d'acquisition !!!")), 1);
            QVERIFY(f.dir.read("nuit.csv").count('\n') - rowsBefore >= 5);
        }
        f.sim.heal();
        user.answerAll();
        f.closer.enabled = true;
        QCOMPARE(f.window->cycleMs, 400); // the boxes' time never counted as a poll's
        // The next poll to end may have been refused before the heal: wait
        // for one that reads the gateway.
        QTRY_VERIFY_WITH_TIMEOUT(f.window->connected, 3000);
        f.window->on_BtnStopAcquisition_clicked();
    }

    // The report's file dialog left open while a poll waits on a gateway
    // that does not answer: the poll ends at its deadline, the next comes on
    // time.
    void fileDialogLeftOpenHoldsNoPollUp()
    {
        WindowFixture f(WindowStart().simulator({"--ssid", "dialogue"}));
        f.window->gateway.setDeadline(800);
        f.window->cycleMs = 1000;
        f.closer.enabled = false;
        ModalHolder user;
        QList<qint64> ends;
        QElapsedTimer clock;
        connect(f.window.get(), &MainWindow::pollEnded, [&] { ends << clock.elapsed(); });
        f.sim.fault("rest-dsl", "hang", 1);
        clock.start();
        f.window->on_BtnStartAcquisition_clicked();
        // The user opens the dialog before the first poll and leaves it for 4 s.
        QTimer::singleShot(200, f.window.get(), [&] { f.window->on_BtnRapportGraphique_clicked(); });
        bool answered = false;
        QTimer::singleShot(4200, f.window.get(), [&] {
            user.answerAll();
            answered = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(answered && ends.size() >= 3, 10000);
        f.closer.enabled = true;
        f.window->on_BtnStopAcquisition_clicked();
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
