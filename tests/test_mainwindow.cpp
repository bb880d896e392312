#include <QtTest>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <memory>
#include <QSettings>
#include <QStatusBar>

#include "app/accueil.h"
#include "app/mainwindow.h"
#include "support/windowtest.h"
#include "app/version.h"
#include "common/datetime.h"
#include "charts/graph.h"
#include "support/inifile.h"
#include "recording/rowformat.h"
#include "support/modalcloser.h"
#include "support/gatewaytest.h"
#include "support/generations.h"
#include "support/scratchdir.h"
#include "support/simulator.h"
#include "support/stuckfile.h"
#include "ui_mainwindow.h"

namespace {
QStringList debugLines;
void captureDebug(QtMsgType, const QMessageLogContext &, const QString &message)
{
    debugLines << message;
}
}

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void startWithoutSettingsWarnsAndOpensParametres()
    {
        ScratchDir dir;
        ModalCloser closer;
        auto *window = new MainWindow;
        QVERIFY(startedUp(*window));

        QCOMPARE(closer.count(), 1);
        QCOMPARE(closer.titles.first(), QStringLiteral("Quelvane"));
        QCOMPARE(closer.texts.first(),
                 QStringLiteral("Connexion impossible, vérifer le mot de passe et le fonctionnement de la Box."));
        QVERIFY(!window->connected);
        QCOMPARE(window->ui->tabWidget->currentIndex(), 3);
        QVERIFY(!window->accueil->isVisible());
        QVERIFY(window->graph && !window->graph->isVisible());

        // Defaults of an absent file.
        QVERIFY(window->ui->radioLB23->isChecked());
        QVERIFY(!window->algoType);
        QVERIFY(window->ui->editPass->text().isEmpty());
        QCOMPARE(window->ui->timeEditCycle->time(), QTime(0, 2, 0));
        QCOMPARE(window->cycleMs, 120000);
        QCOMPARE(window->ui->timeEditArret->time(), QTime(0, 5, 0));
        QCOMPARE(window->graph->tempsArret, 300.0);
        QCOMPARE(window->ui->timeEditDiapo->time(), QTime(0, 0, 5));
        QCOMPARE(window->graph->diapoInterval, 5000);
        QCOMPARE(window->graph->exportFormat, QStringLiteral("pdf"));
        for (QCheckBox *box : {window->ui->checkDiapoCourbes, window->ui->checkDiapoErreurs,
                               window->ui->checkReloadCSV, window->ui->checkSaveAuto, window->ui->checkRazAuto,
                               window->ui->checkPdfAuto})
            QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
        // Time axes show the date and the hour until the user says otherwise.
        QVERIFY(window->ui->checkAffDate->isChecked());
        QVERIFY(window->ui->checkAffHeure->isChecked());
        QCOMPARE(window->graph->axisLabelFormat, QStringLiteral("hh:mm\ndd/MM"));
        QVERIFY(!window->graph->diapoCourbes);
        QVERIFY(!window->graph->diapoErreurs);
        QVERIFY(window->ui->checkPortrait->isChecked());
        QCOMPARE(window->graph->rapPageOrient, 0);

        // Command panel at rest; the restart button is never offered.
        QVERIFY(window->ui->BtnActualiser->isEnabled());
        QVERIFY(window->ui->BtnStartAcquisition->isEnabled());
        QVERIFY(!window->ui->BtnStopAcquisition->isEnabled());
        QVERIFY(window->ui->BtnQuitter->isEnabled());
        window->show();
        QVERIFY(!window->ui->btnReboot->isVisible());

        window->close();
        QVERIFY(!window->graph);
        delete window;

        const QMap<QString, QString> ini = readIniText(dir.file("livebox.ini"));
        const QStringList written = {"LIVEBOX/SSID", "LIVEBOX/Pass", "GUI/Width", "GUI/Height", "GUI/X", "GUI/Y",
                                     "MONITOR/Cycle", "MONITOR/Arret", "MONITOR/Diapo", "MONITOR/ExportFormat",
                                     "MONITOR/ReloadCSV", "MONITOR/SaveAuto", "MONITOR/RazAuto",
                                     "MONITOR/PdfAuto", "LIVEBOX/AlgoType"};
        for (const QString &key : written)
            QVERIFY2(ini.contains(key), qPrintable(key));
        QCOMPARE(ini.value("MONITOR/Cycle"), QStringLiteral("00:02:00"));
        QCOMPARE(ini.value("MONITOR/Arret"), QStringLiteral("00:05:00"));
        QCOMPARE(ini.value("MONITOR/Diapo"), QStringLiteral("00:00:05"));
        QCOMPARE(ini.value("MONITOR/ExportFormat"), QStringLiteral("0"));
        QCOMPARE(ini.value("MONITOR/ReloadCSV"), QStringLiteral("false"));
        QCOMPARE(ini.value("LIVEBOX/AlgoType"), QStringLiteral("0"));
        QVERIFY(!ini.contains("LIVEBOX/LiveBox"));
        QVERIFY(!ini.contains("LIVEBOX/User"));
    }

    // A long reload at start-up shows how far it is on the splash, whose
    // "Quitter" ends the program as the window's own does, without waiting
    // for the rows (here a file that gives no more, as a share gone away).
    void splashOffersAWayOutOfALongReload()
    {
        Simulator sim;
        ScratchDir dir;
        const StuckFile recording(dir.file("Livebox-1234.csv"), csvHeader().toUtf8() + '\n');
        QVERIFY(recording.isReady());
        dir.write("livebox.ini", settingsFor(sim) + "SSID=Livebox-1234\n[MONITOR]\nReloadCSV=true\n");
        ModalCloser closer;
        const std::unique_ptr<MainWindow> window(new MainWindow);
        QSignalSpy closed(window.get(), &MainWindow::closed);
        auto *quit = window->accueil->findChild<QPushButton *>(QStringLiteral("BtnQuitter"));
        auto *progress = window->accueil->findChild<QProgressBar *>(QStringLiteral("progressChargement"));
        QVERIFY(quit && progress && !quit->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(quit->isVisible(), 15000);
        QVERIFY(progress->isVisible());
        QVERIFY(window->startingUp() && !window->isVisible());
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(quit, Qt::LeftButton);
        QCOMPARE(closed.count(), 1);
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(closer.count(), 0);
    }

    void settingsRoundTripKeepsHandWrittenKeys()
    {
        ScratchDir dir;
        dir.write("livebox.ini",
                  "[LIVEBOX]\nLiveBox=127.0.0.1:9\nUser=admin\nPass=secret\nSSID=maison\nAlgoType=1\n"
                  "[GUI]\nX=30\nY=40\nWidth=700\nHeight=540\n"
                  "[MONITOR]\nCycle=00:01:00\nArret=00:10:00\nDiapo=00:05:00\nExportFormat=6\n"
                  "ReloadCSV=true\nSaveAuto=true\nRazAuto=false\nPdfAuto=true\n"
                  "[COURBES]\nDiapoCourbes=true\nDiapoErreurs=false\n"
                  "[FORMAT]\nEchDate=true\nEchHeure=false\nRapPageOrient=1\n");
        ModalCloser closer;
        auto *window = new MainWindow;
        QVERIFY(startedUp(*window));

        QCOMPARE(window->livebox, QStringLiteral("127.0.0.1:9"));
        QCOMPARE(window->user, QStringLiteral("admin"));
        QCOMPARE(window->password, QStringLiteral("secret"));
        QCOMPARE(window->ui->editPass->text(), QStringLiteral("secret"));
        QCOMPARE(window->ssid, QStringLiteral("maison"));
        QVERIFY(window->algoType);
        QVERIFY(window->ui->radioLB34->isChecked());
        QCOMPARE(window->geometry(), QRect(30, 40, 700, 540)); // within the offscreen screen of 800 x 600
        QCOMPARE(window->cycleMs, 60000);
        QCOMPARE(window->graph->tempsArret, 600.0);
        // The slideshow editor stops at two minutes.
        QCOMPARE(window->ui->timeEditDiapo->time(), QTime(0, 2, 0));
        QCOMPARE(window->diapoMs, 120000);
        QCOMPARE(window->graph->diapoInterval, 120000);
        QCOMPARE(window->ui->comboExportFormat->currentText(), QStringLiteral("tif"));
        QCOMPARE(window->graph->exportFormat, QStringLiteral("tif"));
        QVERIFY(window->ui->checkReloadCSV->isChecked());
        QVERIFY(window->ui->checkSaveAuto->isChecked());
        QVERIFY(!window->ui->checkRazAuto->isChecked());
        QVERIFY(window->ui->checkPdfAuto->isChecked());
        QVERIFY(window->graph->diapoCourbes);
        QVERIFY(!window->graph->diapoErreurs);
        QVERIFY(window->ui->checkPaysage->isChecked());
        QCOMPARE(window->graph->rapPageOrient, 1);

        window->ui->editPass->setText(QStringLiteral("changed"));
        window->ui->timeEditCycle->setTime(QTime(0, 0, 30));
        window->close();
        delete window;

        const QMap<QString, QString> ini = readIniText(dir.file("livebox.ini"));
        QCOMPARE(ini.value("LIVEBOX/LiveBox"), QStringLiteral("127.0.0.1:9"));
        QCOMPARE(ini.value("LIVEBOX/User"), QStringLiteral("admin"));
        QCOMPARE(ini.value("LIVEBOX/Pass"), QStringLiteral("changed"));
        // No poll of this run named the network: the recording keeps its name.
        QCOMPARE(ini.value("LIVEBOX/SSID"), QStringLiteral("maison"));
        QCOMPARE(ini.value("LIVEBOX/AlgoType"), QStringLiteral("1"));
        QCOMPARE(ini.value("MONITOR/Cycle"), QStringLiteral("00:00:30"));
        QCOMPARE(ini.value("MONITOR/Arret"), QStringLiteral("00:10:00"));
        QCOMPARE(ini.value("MONITOR/Diapo"), QStringLiteral("00:02:00"));
        QCOMPARE(ini.value("MONITOR/ExportFormat"), QStringLiteral("6"));
        QCOMPARE(ini.value("MONITOR/SaveAuto"), QStringLiteral("true"));
        QCOMPARE(ini.value("MONITOR/RazAuto"), QStringLiteral("false"));
        QCOMPARE(ini.value("GUI/Width"), QStringLiteral("700"));
        QCOMPARE(ini.value("GUI/X"), QStringLiteral("30"));
        QCOMPARE(QFile::permissions(dir.file("livebox.ini")) & 0x0077, // group and other bits
                 QFileDevice::Permissions());
    }

    void modelChoiceIsSavedFromTheButtons()
    {
        ScratchDir dir;
        dir.write("livebox.ini", "[LIVEBOX]\nAlgoType=1\n");
        ModalCloser closer;
        auto *window = new MainWindow;
        QVERIFY(startedUp(*window));
        window->ui->radioLB23->setChecked(true);
        QVERIFY(window->algoType); // polls keep the model read at start-up
        window->close();
        delete window;
        QCOMPARE(readIniText(dir.file("livebox.ini")).value("LIVEBOX/AlgoType"), QStringLiteral("0"));
    }

    void unreadableValuesFallBack()
    {
        ScratchDir dir;
        dir.write("livebox.ini", "[MONITOR]\nCycle=soon\nArret=25:00:00\nExportFormat=12\n"
                                 "[FORMAT]\nRapPageOrient=7\n[GUI]\nWidth=wide\n");
        ModalCloser closer;
        auto *window = new MainWindow;
        QVERIFY(startedUp(*window));
        QCOMPARE(window->ui->timeEditCycle->time(), QTime(0, 2, 0));
        QCOMPARE(window->ui->timeEditArret->time(), QTime(0, 5, 0));
        QCOMPARE(window->ui->comboExportFormat->currentIndex(), 0);
        QCOMPARE(window->graph->exportFormat, QStringLiteral("pdf"));
        QVERIFY(window->ui->checkPaysage->isChecked()); // neither 0 nor 1: the form's choice
        delete window;
    }

    void statusBarNamesTheLibrariesInUse()
    {
        ScratchDir dir;
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        QLabel *about = nullptr;
        for (QLabel *label : window.statusBar()->findChildren<QLabel *>()) {
            if (label->text().startsWith(QStringLiteral("Version 3.00 beta 1")))
                about = label;
        }
        QVERIFY(about);
        QCOMPARE(about->textFormat(), Qt::RichText);
        QVERIFY(about->text().contains(QStringLiteral("Qt.%1 / Qwt.%2").arg(qtVersionText(), qwtVersionText())));
        QVERIFY(about->text().contains(QStringLiteral(":/icons/QtCreator")));
        QVERIFY(window.ui->labelAbout->text().contains(qtVersionText()));
    }

    void quitClosesTheChartWindowFirst()
    {
        ScratchDir dir;
        ModalCloser closer;
        auto *window = new MainWindow;
        QVERIFY(startedUp(*window));
        window->show();
        QTest::mouseClick(window->ui->BtnGraphiques, Qt::LeftButton);
        QPointer<Graph> graph = window->graph;
        QVERIFY(graph->isVisible());
        QTest::mouseClick(window->ui->BtnQuitter, Qt::LeftButton);
        QVERIFY(!window->isVisible());
        QVERIFY(graph.isNull());
        delete window;
        QVERIFY(QFile::exists(dir.file("livebox.ini")));
    }

    // The gateway seen from the window: its start-up, its boxes, its restart.
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
        QVERIFY(startedUp(window));
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
            QVERIFY(startedUp(window));
            QVERIFY(!window.connected);
        }
        closer.drain();
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
        QVERIFY(startedUp(window));
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
        QVERIFY(startedUp(window));
        const double reboots = sim.state().value("NumberOfReboots").toDouble();
        sim.clear();
        QSignalSpy restarted(&window.gateway, &GatewayClient::restartFinished);
        window.RebootLiveBox();
        QVERIFY(restarted.wait(10000));
        QCOMPARE(receivedRequests(sim.requests()).size(), 2);
        QCOMPARE(sim.state().value("NumberOfReboots").toDouble(), reboots + 1);

        sim.clear();
        sim.fault("ws-login", "http401");
        window.RebootLiveBox();
        QVERIFY(restarted.wait(10000));
        closer.drain();
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
            QVERIFY(startedUp(window));
            closer.drain();
            QCOMPARE(closer.titles, QStringList{"Quelvane"});
            QCOMPARE(window.ui->tabWidget->currentIndex(), 3);
        }
        {
            ScratchDir dir;
            dir.write("livebox.ini", settingsFor(sim, 0));
            ModalCloser closer;
            MainWindow window;
            QVERIFY(startedUp(window));
            QCOMPARE(closer.count(), 0);
            QCOMPARE(window.ui->tabWidget->currentIndex(), 0);
            QCOMPARE(window.ui->editSSID->text(), window.LBInfos.SSID);
        }
    }

    // A crash or a lost display must not cost the password typed or the
    // network's name the next start reloads by; the session manager's
    // commit writes the rest and the program goes on.
    void whatCannotBeTypedAgainIsWrittenAtOnce()
    {
        Simulator sim({"--ssid", "salon"});
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim, 0, QStringLiteral("wrong")));
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        QVERIFY(!window.connected);
        QVERIFY(!readIniText(dir.file("livebox.ini")).contains("LIVEBOX/SSID"));

        window.ui->editPass->setText(QStringLiteral("secret"));
        QCOMPARE(readIniText(dir.file("livebox.ini")).value("LIVEBOX/Pass"), QStringLiteral("secret"));
        QVERIFY(polled(window, [&] { window.on_BtnActualiser_clicked(); }));
        QVERIFY(window.connected);
        QCOMPARE(readIniText(dir.file("livebox.ini")).value("LIVEBOX/SSID"), QStringLiteral("salon"));
        QVERIFY(!readIniText(dir.file("livebox.ini")).contains("GUI/Width"));

        window.on_BtnStartAcquisition_clicked();
        window.commitData();
        QVERIFY(readIniText(dir.file("livebox.ini")).contains("GUI/Width"));
        QVERIFY(window.cycleTimer->isActive());
        window.on_BtnStopAcquisition_clicked();
        closer.drain();
    }

    // The network's new name is written at once, yet the start-up still
    // reloads the recording of the name the previous run saved.
    void aRenamedNetworkStillReloadsThePreviousRecording()
    {
        Simulator sim;
        ScratchDir dir;
        QByteArray rows = csvHeader().toUtf8() + '\n';
        LiveBoxInfos row;
        for (int i = 0; i < 20; ++i) {
            row.DateTime = formatDateTime(QDateTime::currentDateTime().addSecs(-60 * (20 - i)));
            rows += csvRow(row).toUtf8() + '\n';
        }
        dir.write("ancien.csv", rows);
        dir.write("livebox.ini", settingsFor(sim) + "SSID=ancien\n[MONITOR]\nReloadCSV=true\n");
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        QVERIFY(window.graph->samples.size() >= 20);
        QCOMPARE(readIniText(dir.file("livebox.ini")).value("LIVEBOX/SSID"), QStringLiteral("Livebox-1234"));
    }

    // A stop signal while a question is open (the reset's, the report's
    // file dialog) answers it by ending the program: nothing is reset, the
    // window closes once the question's own loop has returned.
    void stopWhileAQuestionIsOpenKeepsTheRows()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim));
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        QVERIFY(polled(window, [&] { window.on_BtnActualiser_clicked(); }));
        const QByteArray rows = dir.read("Livebox-1234.csv");
        QVERIFY(rows.count('\n') >= 2);
        closer.enabled = false;
        ModalHolder user;
        QSignalSpy closed(&window, &MainWindow::closed);
        QTimer::singleShot(300, &window, [&] { window.stopAsked(); });
        window.on_BtnRazReleve_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(!closed.isEmpty(), 5000);
        QCOMPARE(user.titles, QStringList{"Remise à zéro"});
        QCOMPARE(dir.read("Livebox-1234.csv"), rows);
        closer.enabled = true;
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
